// The page stream format: byte layout, round trip, the readable dump, and
// damaged or cut-short streams, which must give an error in words.
#include "render/page_stream.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QtEndian>

namespace qv {
namespace {

PageStream Sample() {
  const QString name = QStringLiteral("Gr\u00FC\u00DFe \u2013 Smith, John Q.");
  TextFont times{QStringLiteral("Times New Roman"), 14, true};
  TextFont styled{QStringLiteral("Arial"), 10, false, true, true, qRgb(10, 20, 30)};
  Page first{8.5, 11.0, {}};
  first.ops = {TextOp{1.0, 1.153, times, name, false, {}},
               TextOp{1.0, 1.153, styled, name, true, QRectF(QPointF(1.0, 1.0), QPointF(2.75, 1.16))},
               LineOp{1.0, 2.0, 7.5, 2.0, Pen{qRgb(0xC0, 0xC0, 0xC0), PenStyle::Dot, 0.01, PenMode::Xor}},
               RectOp{QRectF(0.5, 1.0, 7.0, 9.0), Pen{}, true, qRgb(255, 255, 0)},
               ShadeOp{QRectF(0.5, 1.0, 7.0, 0.16), 5},
               ImageOp{QRectF(7.0, 0.125, 0.75, 0.75), QByteArray("\x89PNG not really", 15)}};
  return PageStream{{first, Page{9.5, 4.125, {}}}};
}

quint64 IndexOffset(const QByteArray& bytes) {
  return qFromLittleEndian<quint64>(bytes.constData() + 16);
}

TEST(PageStreamFormat, HeaderIndexRoundTripAndVersionOne) {
  QByteArray bytes = EncodePageStream(Sample());
  // Header: magic "QVPAGES\0", version 2 (u16 LE), header size 24, page count (u32 LE),
  // offset of the page index (u64 LE).
  ASSERT_GE(bytes.size(), 24);
  EXPECT_EQ(bytes.left(12), QByteArray("QVPAGES\0\2\0\x18\0", 12));
  EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 12), 2u);
  // The index: type 7, a u64 per page pointing at its page record (type 1);
  // then the end mark, type 0xFF with no payload, last.
  const quint64 index = IndexOffset(bytes);
  ASSERT_EQ(index + 5 + 16 + 5, quint64(bytes.size()));
  EXPECT_EQ(bytes[qsizetype(index)], char(7));
  EXPECT_EQ(qFromLittleEndian<quint64>(bytes.constData() + index + 5), 24u);
  EXPECT_EQ(bytes[qsizetype(qFromLittleEndian<quint64>(bytes.constData() + index + 13))], char(1));
  EXPECT_EQ(bytes.right(5), QByteArray("\xFF\0\0\0\0", 5));

  PageStream back;
  QString error;
  ASSERT_TRUE(DecodePageStream(bytes, &back, &error)) << error.toStdString();
  EXPECT_EQ(back, Sample());
  EXPECT_EQ(EncodePageStream(back), bytes);

  // A version 1 stream (16-byte header, no index) still reads: its pages are
  // found by walking the records.
  QByteArray v1 = bytes.left(16);
  v1[8] = 1;
  v1[10] = 16;
  v1 += bytes.mid(24, qsizetype(index) - 24) + QByteArray("\xFF\0\0\0\0", 5);
  ASSERT_TRUE(DecodePageStream(v1, &back, &error)) << error.toStdString();
  EXPECT_EQ(back, Sample());
  // The readable dump: one operation a line.
  QStringList lines = DumpPageStream(Sample()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[0], QStringLiteral("page 1 8.500 x 11.000"));
  EXPECT_EQ(lines[3], QStringLiteral("line 1.000 2.000 7.500 2.000 pen #c0c0c0 dot 0.010 xor"));
  EXPECT_EQ(lines[4], QStringLiteral("rect 0.500 1.000 7.500 10.000 pen #000000 solid 0.000 copy "
                                     "fill #ffff00"));
  EXPECT_EQ(lines[7], QStringLiteral("page 2 9.500 x 4.125"));
}

// Cut short, a stream is refused with words and the output is untouched.
// Changed bytes go through the fuzz driver (tests/fuzz).
TEST(PageStreamDamage, CutShortStreamsAreRefusedAndLeaveTheOutputAlone) {
  QByteArray bytes = EncodePageStream(Sample());
  for (qsizetype n = 0; n < bytes.size(); ++n) {
    PageStream out;
    out.pages.resize(1);
    QString error;
    EXPECT_FALSE(DecodePageStream(bytes.left(n), &out, &error)) << n;
    EXPECT_FALSE(error.isEmpty()) << n;
    EXPECT_EQ(out.pages.size(), 1u) << "output touched at length " << n;
  }
}

TEST(PageStreamDamage, EachFaultGetsItsOwnWords) {
  QByteArray good = EncodePageStream(Sample());
  auto errorOf = [](const QByteArray& b) {
    PageStream out;
    QString error;
    EXPECT_FALSE(DecodePageStream(b, &out, &error));
    return error;
  };
  struct Header {
    int at;
    char value;
    const char* words;
  } headers[] = {{0, 'X', "not a page stream"}, {8, 3, "version 3"}, {12, 3, "should hold 3 pages"},
                 {23, 0x7F, "page index is missing"},
                 {int(IndexOffset(good)) + 5, 25, "page index"}};  // page 1 not the first record
  for (const Header& h : headers) {
    QByteArray bad = good;
    bad[h.at] = h.value;
    EXPECT_TRUE(errorOf(bad).contains(QString::fromLatin1(h.words))) << h.words;
  }
  EXPECT_TRUE(errorOf(good.left(good.size() - 5)).contains(QStringLiteral("end mark")));

  // A drawing record before any page, in a stream without an index.
  PageStream s;
  s.pages.push_back(Page());
  s.pages[0].ops.push_back(ShadeOp{QRectF(0, 0, 1, 1), 5});
  QByteArray bytes = EncodePageStream(s);
  constexpr int kShade = 24 + 5 + 16;  // the shade record: 5 + 33 bytes
  QByteArray drawsFirst = bytes.left(24) + bytes.mid(kShade, 38) + bytes.right(5);
  drawsFirst[12] = 0;
  qToLittleEndian(quint64(0), drawsFirst.data() + 16);
  EXPECT_TRUE(errorOf(drawsFirst).contains(QStringLiteral("before its first page")));

  // A coordinate that is not a number.
  QByteArray nan = bytes;
  nan.replace(kShade + 5, 8, QByteArray(8, '\xFF'));
  EXPECT_TRUE(errorOf(nan).contains(QStringLiteral("damaged")));

  // A record type from a later version is skipped.
  const qsizetype index = qsizetype(IndexOffset(bytes));
  QByteArray later = bytes.left(index) + QByteArray("\x40\x03\0\0\0abc", 8) + bytes.mid(index);
  qToLittleEndian(quint64(index + 8), later.data() + 16);
  PageStream out;
  QString error;
  ASSERT_TRUE(DecodePageStream(later, &out, &error)) << error.toStdString();
  EXPECT_EQ(out, s);
}

}  // namespace
}  // namespace qv
