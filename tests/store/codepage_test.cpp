// Windows-1252 text of contact files: every byte survives a round trip,
// the 0x80-0x9F block agrees with Qt's own converter,
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
  std::string out;
  ASSERT_TRUE(EncodeAnsi(QString::fromUtf8("Café – 5 €"), &out));  // mixed text encodes
  EXPECT_EQ(out, "Caf\xE9 \x96 5 \x80");
}

}  // namespace
}  // namespace qv
