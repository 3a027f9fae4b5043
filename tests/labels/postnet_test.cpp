// POSTNET: digits, check digit, delivery point digits from the street line,
// which ZIP texts get bars, the bar pattern against the USPS digit table,
// and the bars as drawn on the canvas in inches.
#include "labels/postnet.h"

#include <gtest/gtest.h>

#include "labels_test_util.h"
#include "render/report_canvas.h"

namespace qv {
namespace {

using testing::LinesOf;

TEST(Postnet, DigitsCheckDigitAndDeliveryPoint) {
  EXPECT_EQ(DigitsOnly("K1A 0B1"), "101");
  // Digit sums 15 and 50.
  for (const auto& [digits, check] : {std::pair{"12345", "5"}, {"12345678923", "0"}, {"", "0"}}) {
    EXPECT_EQ(CheckDigit(digits), check) << digits;
  }
  const std::pair<const char*, const char*> cases[] = {
      {"123 MAIN ST", "23"},
      {"1ST AVE", "99"},      // the ordinal's digit is not a house number
      {"MAIN STREET", "99"},  // no digits at all
      {"123 1/2 MAIN ST", "23"},    // the fraction is skipped
      {"#5 ELM", "05"},             // one digit behind a sign
      {"123 MAIN ST APT 4", "04"},  // the last number wins
      {"PO BOX 1234", "34"},
      {"APOLLO DR 12", "99"},  // APO inside a word
      {"PSC 3 BOX 4 FPO AE", "99"},
      {"7 KFPOINT RD", "99"},
  };
  for (const auto& [street, dp] : cases) EXPECT_EQ(DeliveryPointDigits(street), dp) << street;
}

TEST(Postnet, WhichZipsGetBars) {
  const std::pair<const char*, bool> cases[] = {{"12345-6789", true}, {"123456789", true},
                                                {"1234", false},       {"ABCDE", false},
                                                {"", false},           {"99999-99999", false}};
  for (const auto& [zip, bars] : cases) EXPECT_EQ(ZipQualifiesForBarCode(zip), bars) << zip;

  // A foreign country keeps the bars off whatever its postal code.
  const struct {
    const char* zip;
    const char* country;
    bool bars;
  } addresses[] = {{"10117", "", true},          {"10117", "us", true},
                   {"10117", "U.S.A.", true},     {"10117", " united states ", true},
                   {"10117", "United States of America", true},
                   {"12207", "CANADA", false},    {"1234", "USA", false}};
  for (const auto& a : addresses) {
    EXPECT_EQ(AddressGetsUsBarCode(a.zip, a.country), a.bars) << a.zip << " " << a.country;
  }

  EXPECT_EQ(BarCodeText("12345-6789", "123 MAIN ST"), "12345-678923");
  EXPECT_EQ(BarCodeText("123456789", "123 MAIN ST"), "123456789");
}

// The USPS table, 1 for a full bar, written out rather than derived from
// the weights the code uses.
const char* const kUspsDigits[10] = {"11000", "00011", "00101", "00110", "01001",
                                     "01010", "01100", "10001", "10010", "10100"};

std::string Expected(const std::string& digits) {
  std::string bars = "1";
  for (char d : digits) bars += kUspsDigits[d - '0'];
  return bars + "1";
}

// The encoded text is the digits and the check digit: 52 and 62 bars.
TEST(Postnet, BarPatterns) {
  for (const auto& [text, encoded] :
       {std::pair{"123456789", "1234567895"}, {"12345-678923", "123456789230"}}) {
    std::string pattern;
    for (bool b : PostnetBars(text)) pattern += b ? '1' : '0';
    EXPECT_EQ(pattern, Expected(encoded)) << text;
  }
}

TEST(Postnet, BarSectionGeometry) {
  double endX = 0;
  const std::vector<LineOp> lines = testing::LinesDrawn([&](ReportCanvas& r) {
    BarSection(r, "12345");
    endX = r.penX();
  });
  ASSERT_EQ(lines.size(), 32u);
  const std::string pattern = Expected("123455");
  for (size_t i = 0; i < lines.size(); ++i) {
    const LineOp& l = lines[i];
    EXPECT_NEAR(l.x1, 1.0 + 0.045 * double(i), 1e-5) << i;
    EXPECT_NEAR(l.x2, l.x1, 1e-9) << i;
    EXPECT_NEAR(l.y1, pattern[i] == '1' ? 2.0 : 2.0625, 1e-6) << i;
    EXPECT_NEAR(l.y2, 2.125, 1e-6) << i;  // every bar stands on one line
  }
  EXPECT_NEAR(lines[0].pen.width, 0.01, 1e-9);
  EXPECT_NEAR(endX, 1.0 + 32 * 0.045, 1e-5);
}

}  // namespace
}  // namespace qv
