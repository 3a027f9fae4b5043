// Windows-1252 text of contact files: every byte survives a round trip,
// the 0x80-0x9F block agrees with Qt's own converter,
// and characters the code page lacks are refused.
#include "store/codepage.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

namespace qv {
namespace {

// Every byte round-trips, alone and in one string; Qt's own converter
// (ICU) is a second opinion on every defined byte.
TEST(CodePageTest, EveryByteRoundTripsAndAgreesWithQtsConverter) {
  QStringDecoder qt("windows-1252");
  std::string all, back;
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const QString text = DecodeAnsi(one);
    ASSERT_EQ(text.size(), 1) << b;
    ASSERT_TRUE(EncodeAnsi(text, &back)) << b;
    EXPECT_EQ(back, one) << b;
    const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (qt.isValid() && !undefined) {
      EXPECT_EQ(text, qt.decode(QByteArrayView(one.data(), 1))) << b;
    }
    all += one;
  }
  ASSERT_TRUE(EncodeAnsi(DecodeAnsi(all), &back));
  EXPECT_EQ(back, all);
  if (!qt.isValid()) GTEST_SKIP() << "Qt was built without the windows-1252 converter";
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
  std::string out;
  ASSERT_TRUE(EncodeAnsi(QString::fromUtf8("Café – 5 €"), &out));  // mixed text encodes
  EXPECT_EQ(out, "Caf\xE9 \x96 5 \x80");
}

}  // namespace
}  // namespace qv
