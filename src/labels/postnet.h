// The POSTNET bar code: which ZIP texts get one, the digits it encodes
// (ZIP, delivery point digits from the street line, check digit), and the
// bars drawn on a report canvas in inches. Labels and envelopes draw the
// same bars.
#pragma once

#include <QString>
#include <vector>

#include "render/bar_geometry.h"

namespace qv {

class ReportCanvas;

// The bars stand this far above the first line of the address.
constexpr float kBarCodeAboveText = 0.165f;

// The characters '0' to '9' of `text`, in order.
QString DigitsOnly(const QString& text);

// The digit that brings the sum of `digits` up to a multiple of ten.
// REQUIRES: `digits` holds digits only.
QString CheckDigit(const QString& digits);

// Two digits from a street line: the last stand-alone number's last two
// digits; "99" for APO/FPO addresses and streets without a house number.
QString DeliveryPointDigits(const QString& street);

// Whether a ZIP text gets a bar code: five characters or more, between
// "00000" and "99999-9999" compared as bytes.
bool ZipQualifiesForBarCode(const QString& zip);

// Whether a contact's COUNTRY names a country other than the United
// States. Blank, "USA", "US", "U.S.A.", "U.S.", "United States" and "United
// States of America" (any letter case, blanks around ignored) are home.
bool IsForeignCountry(const QString& country);

// Whether a contact gets the POSTNET bars: a qualifying ZIP and no foreign
// country. A foreign address never gets a US bar code (the Intelligent Mail
// barcode tests IsForeignCountry likewise), whatever its postal code looks
// like, since the bars would route it to a US ZIP. Labels and envelopes
// alike.
bool AddressGetsUsBarCode(const QString& zip, const QString& country);

// What BarSection is given for a contact: the ZIP text, and for a ZIP+4
// of exactly ten characters the delivery point digits of the street.
QString BarCodeText(const QString& zip, const QString& street);

// The bars of `digits` (non-digits dropped, check digit added), frame bars
// included: true for a tall bar.
std::vector<bool> PostnetBars(const QString& digits);

// The pen width handed to the canvas: minus the bar width x 100, truncated,
// on the single-precision width, i.e. -1 (a hundredth of an inch).
int BarPenWidth();

// Draws one tall bar at the canvas's current pen position (the top of the
// tall bars) and moves one pitch right.
void BigBar(ReportCanvas& canvas);
// One short bar, standing on the tall bars' bottom line, then one pitch right.
void LittleBar(ReportCanvas& canvas);
// The whole bar code of `digits` from the current pen position; the
// position ends one pitch past the last bar.
void BarSection(ReportCanvas& canvas, const QString& digits);

}  // namespace qv
