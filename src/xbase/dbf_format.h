// Byte layout of DBF tables (dBASE III/IV, FoxPro 2.x, Visual FoxPro).
// Byte tables: docs/formats/dbf.md. All values here are part of the file
// format: never renumber.
#pragma once

#include <cstdint>

namespace xb::dbf {

// Table header.
constexpr int kHeaderSize = 32;
constexpr int kOffSignature = 0;
constexpr int kOffUpdateYear = 1;  // years since 1900
constexpr int kOffUpdateMonth = 2;
constexpr int kOffUpdateDay = 3;
constexpr int kOffRecordCount = 4;    // u32 LE
constexpr int kOffHeaderLength = 8;   // u16 LE
constexpr int kOffRecordLength = 10;  // u16 LE
constexpr int kOffTableFlags = 28;
constexpr int kOffLanguageDriver = 29;

// Signatures (byte 0).
constexpr uint8_t kSigDbase3 = 0x03;      // also FoxPro 2.x without memo
constexpr uint8_t kSigDbase3Memo = 0x83;  // dBASE III + DBT
constexpr uint8_t kSigDbase4Memo = 0x8B;  // dBASE IV + DBT with block headers
constexpr uint8_t kSigDbase4SqlMemo = 0xCB;
constexpr uint8_t kSigDbase4Sql = 0x43;
constexpr uint8_t kSigDbase4SqlSys = 0x63;
constexpr uint8_t kSigFoxBaseMemo = 0xFB;
constexpr uint8_t kSigFoxPro2Memo = 0xF5;  // FoxPro 2.x + FPT
constexpr uint8_t kSigVfp = 0x30;
constexpr uint8_t kSigVfpAutoinc = 0x31;
constexpr uint8_t kSigVfpVarchar = 0x32;
constexpr uint8_t kSigDbase7 = 0x04;
constexpr uint8_t kSigDbase7Memo = 0x8C;
constexpr uint8_t kSigDbase2 = 0x02;

// Table flags (byte 28, FoxPro).
constexpr uint8_t kFlagHasCdx = 0x01;
constexpr uint8_t kFlagHasMemo = 0x02;

// Language driver written into new tables: code page 437 (DOS US).
constexpr uint8_t kLanguageDriverNew = 0x03;

// Field descriptor, 32 bytes each from offset 32.
constexpr int kDescriptorSize = 32;
constexpr int kOffFieldName = 0;  // 11 bytes, NUL-padded
constexpr int kFieldNameBytes = 11;
constexpr int kMaxFieldName = 10;
constexpr int kOffFieldType = 11;
constexpr int kOffFieldDisplacement = 12;  // u32 LE, FoxPro only
constexpr int kOffFieldLength = 16;
constexpr int kOffFieldDecimals = 17;
constexpr int kOffFieldFlags = 18;          // Visual FoxPro
constexpr uint8_t kFieldFlagSystem = 0x01;  // hidden, e.g. _NullFlags
constexpr uint8_t kFieldFlagNullable = 0x02;

// dBASE 7: a 68-byte header (the 32 above, then the language driver's
// name and 4 reserved bytes) and 48-byte descriptors with 32-byte names.
constexpr int kDbase7HeaderSize = 68;
constexpr int kDbase7DescriptorSize = 48;
constexpr int kDbase7FieldNameBytes = 32;
constexpr int kOffDbase7FieldType = 32;
constexpr int kOffDbase7FieldLength = 33;
constexpr int kOffDbase7FieldDecimals = 34;

constexpr char kHeaderTerminator = 0x0D;
// Visual FoxPro keeps the path of its database container after the
// terminator.
constexpr int kVfpBacklinkSize = 263;

constexpr char kEofMarker = 0x1A;
constexpr char kNotDeleted = ' ';
constexpr char kDeleted = '*';

constexpr int kMaxFields = 255;
constexpr uint32_t kMaxRecordLength = 65500;  // FoxPro's limit
constexpr int kMaxCharWidth = 254;
constexpr int kMaxNumericWidth = 20;
constexpr int kMemoPointerWidth = 10;       // ASCII block number
constexpr int kBinaryMemoPointerWidth = 4;  // Visual FoxPro: u32 LE

}  // namespace xb::dbf
