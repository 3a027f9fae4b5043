// Byte layout of memo files: FoxPro FPT and dBASE III/IV DBT.
// Byte tables: docs/formats/fpt.md. All values here are part of the file
// format: never renumber.
#pragma once

#include <cstdint>

namespace xb::fpt {

// FPT (FoxPro): big-endian numbers.
constexpr int kHeaderSize = 512;
constexpr int kOffNextFree = 0;   // u32 BE, in blocks
constexpr int kOffBlockSize = 6;  // u16 BE, bytes
constexpr uint32_t kDefaultBlockSize = 64;
constexpr int kBlockHeaderSize = 8;  // type u32 BE, length u32 BE
constexpr uint32_t kTypePicture = 0;
constexpr uint32_t kTypeText = 1;
constexpr uint32_t kTypeObject = 2;

}  // namespace xb::fpt

namespace xb::dbt {

// DBT (dBASE): little-endian numbers.
constexpr int kHeaderSize = 512;
constexpr int kOffNextFree = 0;          // u32 LE, in blocks
constexpr int kOffDbase4BlockSize = 20;  // u16 LE
constexpr uint32_t kDbase3BlockSize = 512;
// dBASE III ends a memo with two of these; some writers put only one.
constexpr char kTerminator = 0x1A;
// dBASE IV starts each memo with FF FF 08 00 and a u32 LE length that
// counts these 8 bytes too.
constexpr unsigned char kDbase4Mark[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr int kDbase4BlockHeaderSize = 8;

}  // namespace xb::dbt
