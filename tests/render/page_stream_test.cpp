// The page stream format: byte layout, round trip, the readable dump, and
// damaged or cut-short streams, which must give an error and never crash.
#include "render/page_stream.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

namespace qv {
namespace {

PageStream Sample() {
  PageStream s;
  Page first;
  TextOp text;
  text.x = 1.0;
  text.y = 1.153;
  text.font.name = QStringLiteral("Times New Roman");
  text.font.size = 14;
  text.font.bold = true;
  text.text = QStringLiteral("Gr\u00FC\u00DFe \u2013 Smith, John Q.");
  first.ops.push_back(text);
  TextOp clipped = text;
  clipped.font = TextFont();
  clipped.font.italic = true;
  clipped.font.underline = true;
  clipped.font.color = qRgb(10, 20, 30);
  clipped.clipped = true;
  clipped.clip = QRectF(QPointF(1.0, 1.0), QPointF(2.75, 1.16));
  first.ops.push_back(clipped);
  LineOp line{1.0, 2.0, 7.5, 2.0, Pen{qRgb(0xC0, 0xC0, 0xC0), PenStyle::Dot, 0.01, PenMode::Xor}};
  first.ops.push_back(line);
  first.ops.push_back(RectOp{QRectF(0.5, 1.0, 7.0, 9.0), Pen{}, true, qRgb(255, 255, 0)});
  first.ops.push_back(ShadeOp{QRectF(0.5, 1.0, 7.0, 0.16), 5});
  first.ops.push_back(
      ImageOp{QRectF(7.0, 0.125, 0.75, 0.75), QByteArray("\x89PNG not really", 15)});
  s.pages.push_back(first);
  Page second;
  second.width = 9.5;
  second.height = 4.125;
  s.pages.push_back(second);
  return s;
}

quint64 IndexOffset(const QByteArray& bytes) {
  return qFromLittleEndian<quint64>(bytes.constData() + 16);
}

TEST(PageStreamFormat, HeaderBytesAndRoundTrip) {
  QByteArray bytes = EncodePageStream(Sample());
  // Header: magic "QVPAGES\0", version 2 (u16 LE), header size 24, page count (u32 LE),
  // offset of the page index (u64 LE).
  ASSERT_GE(bytes.size(), 24);
  EXPECT_EQ(bytes.left(8), QByteArray("QVPAGES\0", 8));
  EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 8), 2);
  EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 10), 24);
  EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 12), 2u);
  // The first record is page 1: type 1, 16 payload bytes, width 8.5.
  EXPECT_EQ(bytes[24], char(1));
  EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 25), 16u);
  double width;
  quint64 bits = qFromLittleEndian<quint64>(bytes.constData() + 29);
  std::memcpy(&width, &bits, 8);
  EXPECT_EQ(width, 8.5);
  // The index: type 7, a u64 per page pointing at its page record; then the
  // end mark, type 0xFF with no payload, last.
  const quint64 index = IndexOffset(bytes);
  ASSERT_EQ(index + 5 + 16 + 5, quint64(bytes.size()));
  EXPECT_EQ(bytes[qsizetype(index)], char(7));
  EXPECT_EQ(qFromLittleEndian<quint64>(bytes.constData() + index + 5), 24u);
  const quint64 second = qFromLittleEndian<quint64>(bytes.constData() + index + 13);
  EXPECT_EQ(bytes[qsizetype(second)], char(1));
  EXPECT_EQ(bytes.right(5), QByteArray("\xFF\0\0\0\0", 5));

  PageStream back;
  QString error;
  ASSERT_TRUE(DecodePageStream(bytes, &back, &error)) << error.toStdString();
  EXPECT_EQ(back, Sample());
  EXPECT_EQ(EncodePageStream(back), bytes);

  PageStream empty;
  ASSERT_TRUE(DecodePageStream(EncodePageStream(PageStream()), &empty, &error));
  EXPECT_TRUE(empty.pages.empty());
}

// A version 1 stream (16-byte header, no index) still reads: its pages are
// found by walking the records.
TEST(PageStreamFormat, VersionOneStreamsStillRead) {
  QByteArray v2 = EncodePageStream(Sample());
  QByteArray v1 = v2.left(16);
  v1[8] = 1;
  v1[10] = 16;
  v1 += v2.mid(24, qsizetype(IndexOffset(v2)) - 24) + QByteArray("\xFF\0\0\0\0", 5);
  PageStream back;
  QString error;
  ASSERT_TRUE(DecodePageStream(v1, &back, &error)) << error.toStdString();
  EXPECT_EQ(back, Sample());
}

TEST(PageStreamFormat, DumpShowsOneOperationPerLine) {
  QStringList lines = DumpPageStream(Sample()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[0], QStringLiteral("page 1 8.500 x 11.000"));
  EXPECT_EQ(lines[1], QStringLiteral("text 1.000 1.153 \"Times New Roman\" 14 bold #000000 "
                                     "\"Gr\u00FC\u00DFe \u2013 Smith, John Q.\""));
  EXPECT_EQ(lines[2], QStringLiteral("text 1.000 1.153 \"Arial\" 10 italic underline #0a141e "
                                     "clip 1.000 1.000 2.750 1.160 \"Gr\u00FC\u00DFe \u2013 Smith, "
                                     "John Q.\""));
  EXPECT_EQ(lines[3], QStringLiteral("line 1.000 2.000 7.500 2.000 pen #c0c0c0 dot 0.010 xor"));
  EXPECT_EQ(lines[4], QStringLiteral("rect 0.500 1.000 7.500 10.000 pen #000000 solid 0.000 copy "
                                     "fill #ffff00"));
  EXPECT_EQ(lines[5], QStringLiteral("shade 0.500 1.000 7.500 1.160 5%"));
  EXPECT_EQ(lines[6], QStringLiteral("image 7.000 0.125 7.750 0.875 15 bytes"));
  EXPECT_EQ(lines[7], QStringLiteral("page 2 9.500 x 4.125"));
}

TEST(PageStreamDamage, EveryCutShortStreamIsRefused) {
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

TEST(PageStreamDamage, ChangedBytesNeverCrash) {
  QByteArray bytes = EncodePageStream(Sample());
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    for (char value : {char(0x00), char(0xFF), char(0x7F)}) {
      QByteArray damaged = bytes;
      damaged[i] = value;
      PageStream out;
      QString error;
      if (!DecodePageStream(damaged, &out, &error)) {
        EXPECT_FALSE(error.isEmpty());
      }
    }
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
  QByteArray magic = good;
  magic[0] = 'X';
  EXPECT_TRUE(errorOf(magic).contains(QStringLiteral("not a page stream")));
  QByteArray newer = good;
  newer[8] = 3;
  EXPECT_TRUE(errorOf(newer).contains(QStringLiteral("version 3")));
  QByteArray count = good;
  count[12] = 3;
  EXPECT_TRUE(errorOf(count).contains(QStringLiteral("should hold 3 pages")));
  QByteArray noEnd = good.left(good.size() - 5);
  EXPECT_TRUE(errorOf(noEnd).contains(QStringLiteral("end mark")));
  QByteArray noIndex = good;
  qToLittleEndian(quint64(good.size() + 100), noIndex.data() + 16);
  EXPECT_TRUE(errorOf(noIndex).contains(QStringLiteral("page index is missing")));
  QByteArray badIndex = good;
  badIndex[qsizetype(IndexOffset(good)) + 5] = 25;  // page 1 no longer at the first record
  EXPECT_TRUE(errorOf(badIndex).contains(QStringLiteral("page index")));

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
  double bad = std::numeric_limits<double>::quiet_NaN();
  quint64 bits;
  std::memcpy(&bits, &bad, 8);
  qToLittleEndian(bits, nan.data() + kShade + 5);
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
