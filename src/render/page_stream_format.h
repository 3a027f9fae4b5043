// Byte layout of the page stream: the pages a report run records for the
// preview window. Byte tables: docs/formats/page-stream.md. Every value here
// is part of the file format: never renumber.
#pragma once

#include <cstdint>

namespace qv::pagestream {

// All numbers are little-endian; coordinates are IEEE 754 doubles in inches
// from the page's top-left corner.
constexpr char kMagic[8] = {'Q', 'V', 'P', 'A', 'G', 'E', 'S', '\0'};
constexpr uint16_t kVersion = 3;
constexpr int kHeaderSize = 24;    // 16 in version 1; versions 2 and 3 alike
constexpr int kHeaderSizeV1 = 16;
constexpr int kOffMagic = 0;
constexpr int kOffVersion = 8;      // u16
constexpr int kOffHeaderSize = 10;  // u16
constexpr int kOffPageCount = 12;   // u32
constexpr int kOffIndexOffset = 16; // u64, version 2: the page index record, 0 when none

// Every record after the header: type (u8), payload length (u32), payload.
constexpr int kRecordHeaderSize = 5;
constexpr uint8_t kRecPage = 1;
constexpr uint8_t kRecText = 2;
constexpr uint8_t kRecLine = 3;
constexpr uint8_t kRecRect = 4;
constexpr uint8_t kRecShade = 5;
constexpr uint8_t kRecImage = 6;
constexpr uint8_t kRecIndex = 7;  // version 2: u64 offset of every page record
// Version 3. Fonts and texts are numbered per page, so any page reads alone.
constexpr uint8_t kRecFont = 8;     // the page's next font: name, size, style, colour
constexpr uint8_t kRecFontText = 9; // text in a font of the page, its string inline or by number
constexpr uint8_t kRecBarCode = 10; // a whole bar code: kind and the bars' states
constexpr uint8_t kRecEnd = 0xFF;

// Flags byte of a text record.
constexpr uint8_t kTextBold = 0x01;
constexpr uint8_t kTextItalic = 0x02;
constexpr uint8_t kTextUnderline = 0x04;
constexpr uint8_t kTextClipped = 0x08;
// Version 3 text (kRecFontText): the text is the number (u32) of an earlier
// string of the page instead of the string itself.
constexpr uint8_t kTextByNumber = 0x10;
constexpr uint8_t kFontStyleFlags = kTextBold | kTextItalic | kTextUnderline;
// The fonts a page can number (u16); further ones go as version 2 text.
constexpr int kMaxPageFonts = 65535;

// Bar states of a bar code record, two bits each, the first bar in the low
// bits of the first byte. POSTNET has 0 and 1 only.
constexpr uint8_t kBarHalf = 0;  // POSTNET
constexpr uint8_t kBarFull = 1;  // POSTNET
constexpr uint8_t kImbTracker = 0;
constexpr uint8_t kImbAscender = 1;
constexpr uint8_t kImbDescender = 2;
constexpr uint8_t kImbFull = 3;
constexpr uint8_t kBarPostnet = 1;  // kind byte (BarKind)
constexpr uint8_t kBarImb = 2;

// Pen style and mode bytes (PenStyle, PenMode in page_stream.h).
constexpr uint8_t kPenSolid = 0;
constexpr uint8_t kPenDash = 1;
constexpr uint8_t kPenDot = 2;
constexpr uint8_t kPenDashDot = 3;
constexpr uint8_t kPenDashDotDot = 4;
constexpr uint8_t kPenClear = 5;
constexpr uint8_t kModeCopy = 0;
constexpr uint8_t kModeXor = 1;

// Sanity limits a reader enforces: no real page is larger than this.
constexpr double kMaxPageInches = 200.0;

}  // namespace qv::pagestream
