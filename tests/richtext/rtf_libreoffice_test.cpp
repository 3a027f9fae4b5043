// LibreOffice Writer as an outside client: RTF that Writer writes reads into
// the right text, formats and page layout, and RTF that we write keeps
// them when Writer reads it. Each conversion runs once per test binary
// (soffice takes seconds to start); without soffice the tests are skipped.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>

#include "richtext/rtf.h"

namespace qv {
namespace {

QTemporaryDir& Scratch() {
  static QTemporaryDir dir;
  return dir;
}

// Converts `input` to `format` with soffice; the output's path, or empty.
QString Convert(const QString& input, const QString& format) {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) return {};
  QProcess p;
  p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + Scratch().path() + "/profile",
                    QStringLiteral("--headless"), QStringLiteral("--convert-to"), format,
                    QStringLiteral("--outdir"), Scratch().path(), input});
  if (!p.waitForFinished(120000)) return {};
  const QString out = Scratch().path() + "/" + QFileInfo(input).completeBaseName() + "." +
                      format.section(QLatin1Char(':'), 0, 0);
  return QFileInfo::exists(out) ? out : QString();
}

bool HaveSoffice() { return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty(); }

const QString& WriterRtf() {
  static const QString path =
      Convert(QStringLiteral(QV_SOURCE_DIR "/tests/data/letter-sample.fodt"), QStringLiteral("rtf"));
  return path;
}

QTextCharFormat FormatOf(const RichDocument& d, const QString& word) {
  QTextCursor c = d.doc().find(word);
  QTextCursor at(const_cast<QTextDocument*>(&d.doc()));
  at.setPosition(c.selectionStart() + 1);
  return at.charFormat();
}

QTextBlock BlockOf(const RichDocument& d, const QString& text) {
  for (QTextBlock b = d.doc().begin(); b.isValid(); b = b.next()) {
    if (b.text() == text) return b;
  }
  return {};
}

TEST(LibreOffice, WriterRtfReadsIntoTextFormatsAndLayout) {
  if (!HaveSoffice()) GTEST_SKIP() << "soffice (libreoffice-writer-nogui) is not installed";
  ASSERT_FALSE(WriterRtf().isEmpty()) << "soffice did not convert the sample";
  QFile file(WriterRtf());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  RichDocument d;
  const RtfReadResult r = ReadRtf(file.readAll(), &d);
  ASSERT_TRUE(r.ok) << r.error.toStdString();

  // A4 (8.27 x 11.69 in) with margins of 1, 1.25, 0.5 and 0.75 inch.
  const PageLayout l = d.layout();
  EXPECT_NEAR(l.width, 11909, 10);
  EXPECT_NEAR(l.height, 16834, 10);
  EXPECT_EQ(l.left, 1440);
  EXPECT_EQ(l.right, 1800);
  EXPECT_EQ(l.top, 720);
  EXPECT_EQ(l.bottom, 1080);

  EXPECT_TRUE(BlockOf(d, "Bold Italic Under Red").isValid());
  EXPECT_EQ(FormatOf(d, "Bold").fontWeight(), QFont::Bold);
  EXPECT_FALSE(FormatOf(d, "Italic").fontWeight() == QFont::Bold);
  EXPECT_TRUE(FormatOf(d, "Italic").fontItalic());
  EXPECT_TRUE(FormatOf(d, "Under").fontUnderline());
  const QTextCharFormat red = FormatOf(d, "Red");
  EXPECT_EQ(red.foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(red.fontPointSize(), 18.0);
  EXPECT_EQ(red.fontFamilies().toStringList().value(0), "Liberation Serif");
  EXPECT_EQ(FormatOf(d, "Bold").fontPointSize(), 12.0);

  const QTextBlock centred = BlockOf(d, "Centred");
  ASSERT_TRUE(centred.isValid());
  EXPECT_EQ(centred.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  const QTextBlock right = BlockOf(d, "Right");
  ASSERT_TRUE(right.isValid());
  EXPECT_EQ(right.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(right.blockFormat().leftMargin(), 720);
  const QTextBlock tabs = BlockOf(d, "A\tB");
  ASSERT_TRUE(tabs.isValid());
  ASSERT_EQ(tabs.blockFormat().tabPositions().size(), 1);
  EXPECT_EQ(qRound(tabs.blockFormat().tabPositions()[0].position * TwipsPerTabUnit()),
            4320);  // 3 in
  EXPECT_EQ(tabs.blockFormat().tabPositions()[0].type, QTextOption::RightTab);

  QTextTable* table = nullptr;
  for (QTextFrame* f : d.doc().rootFrame()->childFrames()) table = qobject_cast<QTextTable*>(f);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rows(), 2);
  EXPECT_EQ(table->columns(), 2);
  EXPECT_EQ(table->cellAt(1, 1).firstCursorPosition().block().text(), "c22");
  const QList<QTextLength> widths = table->format().columnWidthConstraints();
  ASSERT_EQ(widths.size(), 2);
  EXPECT_NEAR(widths[0].rawValue() * kTwipsPerLayoutPixel, 2160, 20);
  EXPECT_NEAR(widths[1].rawValue() * kTwipsPerLayoutPixel, 3600, 20);

  // The first cell has a half-point frame; the others none.
  const QTextTableCellFormat framed = table->cellAt(0, 0).format().toTableCellFormat();
  EXPECT_NEAR(framed.topBorder() * kTwipsPerLayoutPixel, 10, 1);
  EXPECT_NEAR(framed.rightBorder() * kTwipsPerLayoutPixel, 10, 1);
  EXPECT_EQ(table->cellAt(1, 1).format().toTableCellFormat().topBorder(), 0);

  // A bullet list and a numbered list, their markers not in the text.
  const struct {
    const char* text;
    QTextListFormat::Style style;
    int number;
  } items[] = {{"Apples", QTextListFormat::ListDisc, 0},
               {"Pears", QTextListFormat::ListDisc, 1},
               {"First step", QTextListFormat::ListDecimal, 0},
               {"Second step", QTextListFormat::ListDecimal, 1}};
  for (const auto& item : items) {
    const QTextBlock b = BlockOf(d, item.text);
    ASSERT_TRUE(b.isValid()) << item.text;
    ASSERT_NE(b.textList(), nullptr) << item.text;
    EXPECT_EQ(b.textList()->format().style(), item.style) << item.text;
    EXPECT_EQ(b.textList()->itemNumber(b), item.number) << item.text;
    EXPECT_EQ(b.blockFormat().leftMargin(), 720) << item.text;
  }

  const QTextBlock logo = BlockOf(d, QString("Logo ") + QChar(QChar::ObjectReplacementCharacter) + " end");
  ASSERT_TRUE(logo.isValid()) << d.doc().toPlainText().toStdString();
  const QTextCharFormat picture = FormatOf(d, QString(QChar(QChar::ObjectReplacementCharacter)));
  ASSERT_TRUE(picture.isImageFormat());
  EXPECT_NEAR(picture.toImageFormat().width(), 96, 1);  // an inch
  EXPECT_NEAR(picture.toImageFormat().height(), 48, 1);
}

// A length of an ODF attribute ("1in", "2.54cm", "25.4mm", "72pt") in twips.
double Twips(const QString& xml, const QString& attribute) {
  const QRegularExpression re(attribute + "=\"([0-9.]+)(in|cm|mm|pt)\"");
  const QRegularExpressionMatch m = re.match(xml);
  if (!m.hasMatch()) return -1;
  const double v = m.captured(1).toDouble();
  const QString unit = m.captured(2);
  if (unit == "in") return v * 1440;
  if (unit == "cm") return v * 1440 / 2.54;
  if (unit == "mm") return v * 144 / 2.54;
  return v * 20;
}

TEST(LibreOffice, OurRtfKeepsTextFormatsAndLayoutInWriter) {
  if (!HaveSoffice()) GTEST_SKIP() << "soffice (libreoffice-writer-nogui) is not installed";
  RichDocument d;
  ASSERT_TRUE(ReadRtf("{\\rtf1{\\fonttbl{\\f0 Liberation Sans;}}{\\colortbl;\\red255\\green0\\blue0;}"
                      "\\paperw12240\\paperh15840\\margl1440\\margr2160\\margt720\\margb1440"
                      "\\f0 Plain {\\b Strong} {\\cf1 Crimson}\\par\\pard\\qc Middle caf\\u233?\\par"
                      "{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}"
                      "{\\list{\\listlevel\\levelnfc0}\\listid2}}{\\*\\listoverridetable"
                      "{\\listoverride\\listid1\\ls1}{\\listoverride\\listid2\\ls2}}"
                      "\\pard\\ls1\\li720\\fi-360 Dotted\\par\\pard\\ls2\\li720\\fi-360 Counted\\par"
                      "\\pard\\ls2\\li720\\fi-360 Counted again\\par"
                      "\\trowd\\clbrdrb\\brdrs\\brdrw30\\cellx3000\\pard\\intbl Boxed\\cell\\row\\pard\\par}",
                      &d)
                  .ok);
  const QString ours = Scratch().path() + "/ours.rtf";
  QFile out(ours);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(WriteRtf(d));
  out.close();
  const QString fodt = Convert(ours, QStringLiteral("fodt"));
  ASSERT_FALSE(fodt.isEmpty()) << "soffice did not convert our RTF";
  QFile file(fodt);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString xml = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(xml.contains("Strong"));
  EXPECT_TRUE(xml.contains(QString::fromUtf8("Middle café")));
  EXPECT_TRUE(xml.contains("fo:font-weight=\"bold\""));
  EXPECT_TRUE(xml.contains("fo:color=\"#ff0000\""));
  EXPECT_TRUE(xml.contains("fo:text-align=\"center\""));
  EXPECT_TRUE(xml.contains("Liberation Sans"));
  // The lists as lists: a bullet style, a numbered style, and the two
  // numbered items in one list; the cell's bottom line.
  EXPECT_TRUE(xml.contains("text:list-level-style-bullet")) << "no bullet list";
  EXPECT_TRUE(xml.contains(QRegularExpression("text:list-level-style-number[^>]*style:num-format=\"1\"")))
      << "no numbered list";
  EXPECT_TRUE(xml.contains(QRegularExpression("<text:list [^>]*>\\s*<text:list-item>\\s*<text:p[^>]*>(<text:span[^>]*>)?"
                                              "Counted(</text:span>)?</text:p>\\s*</text:list-item>\\s*<text:list-item>")))
      << "the numbered items are not one list";
  EXPECT_TRUE(xml.contains(QRegularExpression("fo:border-bottom=\"0\\.0?2[0-9]*in solid")) ||
              xml.contains(QRegularExpression("fo:border-bottom=\"1\\.5pt solid")))
      << "the cell lost its bottom line";
  const QString page =
      QRegularExpression("<style:page-layout-properties [^>]*fo:page-width[^>]*>").match(xml).captured(0);
  EXPECT_NEAR(Twips(page, "fo:page-width"), 12240, 15);
  EXPECT_NEAR(Twips(page, "fo:page-height"), 15840, 15);
  EXPECT_NEAR(Twips(page, "fo:margin-left"), 1440, 15);
  EXPECT_NEAR(Twips(page, "fo:margin-right"), 2160, 15);
}

}  // namespace
}  // namespace qv
