// Sizes of the two postal bar codes, in inches. A page stream records a bar
// code as its kind and bar states, and these numbers turn it back into bars,
// so they are part of the file format as well as of the printed code: never
// change them. Byte tables: docs/formats/page-stream.md.
#pragma once

namespace qv {

// POSTNET, single precision as the printers have always held it.
constexpr float kBarWidth = 0.018f;
constexpr float kTallBarHeight = 0.125f;
constexpr float kShortBarHeight = kTallBarHeight / 2;
constexpr float kBarPitch = 0.045f;
// The pen a POSTNET bar is drawn with: minus the bar width x 100, truncated
// on the single-precision width, i.e. one hundredth of an inch.
constexpr double kPostnetPenInches = 0.01;

// The Intelligent Mail barcode: 65 bars at about 22 to the inch.
constexpr int kImbBarCount = 65;
constexpr double kImbBarPitch = 0.0458;
constexpr double kImbBarWidth = 0.020;
constexpr double kImbFullHeight = 0.145;
constexpr double kImbTrackerHeight = 0.048;
// An ascender reaches this far down from the top, a descender this far up
// from the bottom.
constexpr double kImbAscenderHeight = 0.0965;
// From the first bar's left edge to the last one's right: about 2.95 in.
constexpr double kImbWidth = (kImbBarCount - 1) * kImbBarPitch + kImbBarWidth;

}  // namespace qv
