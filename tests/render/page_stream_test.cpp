// The page stream format: byte layout, round trip, the readable dump, and
// damaged or cut-short streams, which must give an error in words.
#include "render/page_stream.h"

#include <gtest/gtest.h>

#include <QFile>
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
               ImageOp{QRectF(7.0, 0.125, 0.75, 0.75), QByteArray("\x89PNG not really", 15)},
               TextOp{1.0, 3.5, times, QStringLiteral("Smith"), false, {}},
               BarCodeOp{0.5, 4.0, BarKind::Postnet, "FHHFF"},
               BarCodeOp{0.5, 4.5, BarKind::IntelligentMail, "FADTTA"}};
  Page third{8.5, 11.0, {TextOp{1.0, 1.153, times, name, false, {}}}};
  return PageStream{{first, Page{9.5, 4.125, {}}, third}};
}

quint64 IndexOffset(const QByteArray& bytes) {
  return qFromLittleEndian<quint64>(bytes.constData() + 16);
}

// The type of every record from the header to the page index.
std::vector<int> RecordTypes(const QByteArray& bytes) {
  std::vector<int> types;
  for (qsizetype at = 24; at < qsizetype(IndexOffset(bytes));
       at += 5 + qFromLittleEndian<quint32>(bytes.constData() + at + 1)) {
    types.push_back(uchar(bytes[at]));
  }
  return types;
}

QByteArray ReadData(const char* name) {
  QFile file(QStringLiteral(QV_SOURCE_DIR "/tests/data/") + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return file.readAll();
}

TEST(PageStreamFormat, HeaderIndexRoundTripAndNumberedFonts) {
  QByteArray bytes = EncodePageStream(Sample());
  // Header: magic "QVPAGES\0", version 3 (u16 LE), header size 24, page count (u32 LE),
  // offset of the page index (u64 LE).
  ASSERT_GE(bytes.size(), 24);
  EXPECT_EQ(bytes.left(12), QByteArray("QVPAGES\0\3\0\x18\0", 12));
  EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 12), 3u);
  // The index: type 7, a u64 per page pointing at its page record (type 1);
  // then the end mark, type 0xFF with no payload, last.
  const quint64 index = IndexOffset(bytes);
  ASSERT_EQ(index + 5 + 24 + 5, quint64(bytes.size()));
  EXPECT_EQ(bytes[qsizetype(index)], char(7));
  EXPECT_EQ(qFromLittleEndian<quint64>(bytes.constData() + index + 5), 24u);
  EXPECT_EQ(bytes[qsizetype(qFromLittleEndian<quint64>(bytes.constData() + index + 13))], char(1));
  EXPECT_EQ(bytes.right(5), QByteArray("\xFF\0\0\0\0", 5));
  // A font record (8) before a page first uses the font, text (9) naming it;
  // the repeated name and the reused font cost no record of their own, each
  // bar code is one record (10), and the third page numbers afresh.
  EXPECT_EQ(RecordTypes(bytes), (std::vector<int>{1, 8, 9, 8, 9, 3, 4, 5, 6, 9, 10, 10, 1, 1, 8, 9}));
  // The second text names the first one's string: flags 0x08 clipped | 0x10
  // by number, the clip, then string number 0.
  const qsizetype second = bytes.indexOf(QByteArray("\x09\x37\0\0\0", 5));
  ASSERT_GT(second, 0);
  EXPECT_EQ(bytes.mid(second + 5 + 16, 3), QByteArray("\x01\0\x18", 3));
  EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + second + 5 + 19 + 32), 0u);
  // Five POSTNET bars F H H F F, two bits each from the low end: 0x41 0x01.
  const qsizetype postnet = bytes.indexOf(QByteArray("\x0A\x15\0\0\0", 5));
  ASSERT_GT(postnet, 0);
  EXPECT_EQ(bytes.mid(postnet + 5 + 16, 5), QByteArray("\x01\x05\0\x41\x01", 5));

  PageStream back;
  QString error;
  ASSERT_TRUE(DecodePageStream(bytes, &back, &error)) << error.toStdString();
  EXPECT_EQ(back, Sample());
  EXPECT_EQ(EncodePageStream(back), bytes);
  // The readable dump: one operation a line.
  QStringList lines = DumpPageStream(Sample()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 13);
  EXPECT_EQ(lines[0], QStringLiteral("page 1 8.500 x 11.000"));
  EXPECT_EQ(lines[3], QStringLiteral("line 1.000 2.000 7.500 2.000 pen #c0c0c0 dot 0.010 xor"));
  EXPECT_EQ(lines[4], QStringLiteral("rect 0.500 1.000 7.500 10.000 pen #000000 solid 0.000 copy "
                                     "fill #ffff00"));
  EXPECT_EQ(lines[8], QStringLiteral("barcode postnet 0.500 4.000 FHHFF"));
  EXPECT_EQ(lines[9], QStringLiteral("barcode imb 0.500 4.500 FADTTA"));
  EXPECT_EQ(lines[10], QStringLiteral("page 2 9.500 x 4.125"));
}

// A stream the version 2 writer made (every drawing record, and a label's
// text and bars a line each) reads as that writer's own dump gave it; with
// its header made version 1 and its index dropped it reads the same.
TEST(PageStreamFormat, VersionsOneAndTwoStillRead) {
  const QByteArray v2 = ReadData("page-stream-v2.qvs");
  ASSERT_EQ(v2.mid(8, 2), QByteArray("\2\0", 2));
  PageStream pages;
  QString error;
  ASSERT_TRUE(DecodePageStream(v2, &pages, &error)) << error.toStdString();
  EXPECT_EQ(DumpPageStream(pages).toUtf8(), ReadData("page-stream-v2.txt"));

  QByteArray v1 = v2.left(16);
  v1[8] = 1;
  v1[10] = 16;
  v1 += v2.mid(24, qsizetype(IndexOffset(v2)) - 24) + QByteArray("\xFF\0\0\0\0", 5);
  PageStream fromV1;
  ASSERT_TRUE(DecodePageStream(v1, &fromV1, &error)) << error.toStdString();
  EXPECT_EQ(fromV1, pages);
  // Written again they are version 3 and read back the same.
  PageStream again;
  ASSERT_TRUE(DecodePageStream(EncodePageStream(pages), &again, &error)) << error.toStdString();
  EXPECT_EQ(again, pages);
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
  } headers[] = {{0, 'X', "not a page stream"}, {8, 4, "version 4"}, {12, 5, "should hold 5 pages"},
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

  // Version 3's numbered fonts and strings and its bar codes. The page: a
  // font record at 45 (27 bytes), its text "Ann" at 72 (31), five POSTNET
  // bars at 103 (26).
  PageStream label;
  label.pages.push_back(Page());
  label.pages[0].ops = {TextOp{0.5, 1.0, TextFont{}, QStringLiteral("Ann"), false, {}},
                        BarCodeOp{0.5, 0.6, BarKind::Postnet, "FHHFF"}};
  const QByteArray v3 = EncodePageStream(label);
  ASSERT_EQ(RecordTypes(v3), (std::vector<int>{1, 8, 9, 10}));
  ASSERT_EQ(IndexOffset(v3), 129u);
  struct Fault {
    int at;
    char value;
    const char* words;
  } faults[] = {
      {67, 0x08, "font record of page 1 is damaged"},   // a style bit fonts do not have
      {93, 1, "drawing record of page 1 is damaged"},   // font 1 of a page with one
      {95, 0x10, "drawing record of page 1 is damaged"},  // string 0 before any string
      {124, 3, "drawing record of page 1 is damaged"},  // no such bar code kind
      {125, 9, "drawing record of page 1 is damaged"},  // nine bars in two bytes
      {127, 0x42, "drawing record of page 1 is damaged"},  // POSTNET has no state 2
      {128, 0x05, "drawing record of page 1 is damaged"},  // bits past the last bar
  };
  for (const Fault& f : faults) {
    QByteArray bad = v3;
    bad[f.at] = f.value;
    EXPECT_TRUE(errorOf(bad).contains(QString::fromLatin1(f.words))) << f.at;
  }
}

}  // namespace
}  // namespace qv
