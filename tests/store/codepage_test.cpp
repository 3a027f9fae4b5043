// Windows-1252 text of contact files: every byte survives a round trip,
// the 0x80-0x9F block holds the typographic characters Windows puts there,
// and characters the code page lacks are refused.
#include "store/codepage.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

namespace qv {
namespace {

TEST(CodePageTest, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const QString text = DecodeAnsi(one);
    ASSERT_EQ(text.size(), 1) << b;
    std::string back;
    ASSERT_TRUE(EncodeAnsi(text, &back)) << b;
    EXPECT_EQ(back, one) << b;
    all += one;
  }
  std::string back;
  ASSERT_TRUE(EncodeAnsi(DecodeAnsi(all), &back));
  EXPECT_EQ(back, all);
}

// From the published Windows-1252 chart.
TEST(CodePageTest, TypographicBlockMapsAsOnWindows) {
  struct Case {
    unsigned char byte;
    const char* utf8;
  };
  const Case cases[] = {
      {0x80, "€"}, {0x82, "‚"}, {0x83, "ƒ"}, {0x84, "„"},      {0x85, "…"}, {0x86, "†"},
      {0x87, "‡"}, {0x88, "ˆ"}, {0x89, "‰"}, {0x8A, "Š"},      {0x8B, "‹"}, {0x8C, "Œ"},
      {0x8E, "Ž"}, {0x91, "‘"}, {0x92, "’"}, {0x93, "“"},      {0x94, "”"}, {0x95, "•"},
      {0x96, "–"}, {0x97, "—"}, {0x98, "˜"}, {0x99, "™"},      {0x9A, "š"}, {0x9B, "›"},
      {0x9C, "œ"}, {0x9E, "ž"}, {0x9F, "Ÿ"}, {0xA0, "\u00A0"}, {0xC4, "Ä"}, {0xE9, "é"},
      {0xFF, "ÿ"}, {0x41, "A"},
  };
  for (const Case& c : cases) {
    const QString ch = QString::fromUtf8(c.utf8);
    EXPECT_EQ(DecodeAnsi(std::string(1, static_cast<char>(c.byte))), ch) << int(c.byte);
    std::string bytes;
    ASSERT_TRUE(EncodeAnsi(ch, &bytes)) << int(c.byte);
    EXPECT_EQ(bytes, std::string(1, static_cast<char>(c.byte))) << int(c.byte);
  }
}

// Qt's own converter (ICU) as a second opinion on every defined byte.
TEST(CodePageTest, AgreesWithQtsConverter) {
  QStringDecoder qt("windows-1252");
  if (!qt.isValid()) GTEST_SKIP() << "Qt was built without the windows-1252 converter";
  for (int b = 0; b < 256; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;  // undefined
    const std::string one(1, static_cast<char>(b));
    QString expected = qt.decode(QByteArrayView(one.data(), 1));
    EXPECT_EQ(DecodeAnsi(one), expected) << b;
  }
}

TEST(CodePageTest, CharactersOutsideTheCodePageAreRefused) {
  struct Case {
    const char* utf8;
    const char* firstBad;
  };
  const Case cases[] = {
      {"Łódź", "Ł"}, {"Straße 漢字", "漢"},  {"smile 😀", "😀"},
      {"Ω", "Ω"},    {"x\u0080y", "\u0080"},  // the C1 control; its byte means the euro sign
  };
  for (const Case& c : cases) {
    std::string out;
    QString bad;
    EXPECT_FALSE(EncodeAnsi(QString::fromUtf8(c.utf8), &out, &bad)) << c.utf8;
    // The whole character, also when it takes two UTF-16 units.
    EXPECT_EQ(bad, QString::fromUtf8(c.firstBad)) << c.utf8;
  }
}

TEST(CodePageTest, MixedTextEncodes) {
  std::string out;
  ASSERT_TRUE(EncodeAnsi(QString::fromUtf8("Café – 5 €"), &out));
  EXPECT_EQ(out, "Caf\xE9 \x96 5 \x80");
}

}  // namespace
}  // namespace qv
