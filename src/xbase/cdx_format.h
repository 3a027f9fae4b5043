// Byte layout of FoxPro compact index files: compound .CDX and single-order
// .IDX. The tables behind these numbers are in docs/formats/cdx.md.
// Every value here is part of the file format: never renumber.
#pragma once

#include <cstdint>

namespace xb::cdx {

inline constexpr uint32_t kPageSize = 512;
// A header is one page of fields plus one page of expression text.
inline constexpr uint32_t kHeaderSize = 1024;
inline constexpr uint32_t kNoPage = 0xFFFFFFFFu;

// Header fields (offsets from the header start, little-endian).
inline constexpr int kHdrRoot = 0;        // u32 offset of the root node
inline constexpr int kHdrFreeList = 4;    // u32 first free page, 0 or -1 when none
inline constexpr int kHdrCounter = 8;     // u32 change counter
inline constexpr int kHdrKeyLength = 12;  // u16
inline constexpr int kHdrOptions = 14;    // u8, kOpt* bits
inline constexpr int kHdrSignature = 15;  // u8, kSignature
inline constexpr int kHdrHeaderLen = 16;  // u16 1024 (written, not required)
inline constexpr int kHdrPageLen = 18;    // u16 512 (written, not required)
inline constexpr int kHdrDescending = 502;  // u16 1 = descending
inline constexpr int kHdrForPos = 504;      // u16 FOR text offset in the pool
inline constexpr int kHdrForLen = 506;      // u16 FOR text length with its NUL
inline constexpr int kHdrKeyPos = 508;      // u16 key text offset in the pool
inline constexpr int kHdrKeyLen = 510;      // u16 key text length with its NUL
inline constexpr int kHdrExprPool = 512;
inline constexpr uint32_t kExprPoolSize = 512;

inline constexpr uint8_t kOptUnique = 0x01;
inline constexpr uint8_t kOptCustom = 0x04;
inline constexpr uint8_t kOptHasFor = 0x08;
inline constexpr uint8_t kOptCompact = 0x20;
inline constexpr uint8_t kOptCompound = 0x40;
inline constexpr uint8_t kOptStructure = 0x80;  // the tag directory of a CDX
inline constexpr uint8_t kSignature = 0x01;

// Node header, shared by interior and leaf nodes.
inline constexpr int kNodeAttr = 0;   // u16, kAttr* bits
inline constexpr int kNodeCount = 2;  // u16 number of keys
inline constexpr int kNodeLeft = 4;   // u32 left sibling or -1
inline constexpr int kNodeRight = 8;  // u32 right sibling or -1
inline constexpr uint16_t kAttrRoot = 0x01;
inline constexpr uint16_t kAttrLeaf = 0x02;

// Interior nodes: from byte 12, entries of key bytes, then record number
// and child offset, both u32 big-endian.
inline constexpr int kInteriorEntries = 12;
inline constexpr uint32_t kInteriorSpace = 500;

// Leaf ("exterior") nodes.
inline constexpr int kLeafFree = 12;       // u16 unused bytes
inline constexpr int kLeafRecMask = 14;    // u32
inline constexpr int kLeafDupMask = 18;    // u8
inline constexpr int kLeafTrailMask = 19;  // u8
inline constexpr int kLeafRecBits = 20;    // u8
inline constexpr int kLeafDupBits = 21;    // u8
inline constexpr int kLeafTrailBits = 22;  // u8
inline constexpr int kLeafEntryBytes = 23; // u8 bytes per packed entry
inline constexpr int kLeafEntries = 24;
inline constexpr uint32_t kLeafSpace = 488;
// FoxPro and Harbour never pack an entry into fewer than 3 bytes.
inline constexpr int kLeafMinEntryBytes = 3;

inline constexpr int kTagNameLength = 10;  // key length of the tag directory
inline constexpr int kMaxKeyLength = 240;

}  // namespace xb::cdx
