// LibreOffice Writer as an outside client: RTF that Writer writes reads into
// the right text, formats and page layout, and RTF that we write keeps them
// when Writer reads it and writes it again. One soffice run (it takes
// seconds to start) converts both files; without soffice the tests skip.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>

#include "near.h"
#include "richtext/rtf.h"

namespace qv {
namespace {

const QByteArray kOurs =
    "{\\rtf1{\\fonttbl{\\f0 Liberation Sans;}{\\f1 Liberation Mono;}}"
    "{\\colortbl;\\red255\\green0\\blue0;}"
    "\\paperw15840\\paperh12240\\landscape\\margl1440\\margr2160\\margt720\\margb1440"
    "\\f0 Plain {\\b Strong} {\\cf1 Crimson}\\par\\pard\\qc Middle caf\\u233?\\par"
    "\\pard\\qr\\li100\\ri200\\fi300\\sb40\\sa80 {\\i Slanted} {\\ul Lined} {\\strike Struck} "
    "{\\fs20 Small} {\\f1\\highlight1 Marked} \\{\\}\\\\ \\u8364?\\par"
    "\\pard\\tqc\\tx3000\\tqr\\tx6000 x\\tab y\\tab z\\par"
    "\\pard\\sl300\\slmult0 Fixed\\par\\pard\\pagebb\\sl276\\slmult1 Broken\\par"
    "{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}"
    "{\\list{\\listlevel\\levelnfc0}\\listid2}{\\list{\\listlevel\\levelnfc2}\\listid3}}"
    "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}{\\listoverride\\listid2\\ls2}"
    "{\\listoverride\\listid3\\ls3}}"
    "\\pard\\ls1\\li720\\fi-360 Dotted\\par\\pard\\ls2\\li720\\fi-360 Counted\\par"
    "\\pard\\ls2\\li720\\fi-360 Counted again\\par\\pard\\ls3\\li720\\fi-360 Roman\\par"
    "\\trowd\\clbrdrb\\brdrs\\brdrw30\\clbrdrr\\brdrs\\brdrw25\\brdrcf1\\cellx3000\\cellx6000"
    "\\pard\\intbl Boxed\\cell more\\par lines\\cell\\row\\pard\\par}";

// Writer's RTF of its own sample and of ours, read by our reader; empty
// documents when soffice is missing or failed (`error` says which).
struct Converted {
  RichDocument writer, ours;
  QString error;
};

Converted Convert() {
  static QTemporaryDir scratch;
  Converted c;
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) return c.error = QStringLiteral("skip"), c;
  const QString in = scratch.filePath("in"), out = scratch.filePath("out");
  QDir().mkpath(in);
  QFile ours(in + "/ours.rtf");
  RichDocument source;
  if (!ReadRtf(kOurs, &source).ok || !ours.open(QIODevice::WriteOnly) ||
      ours.write(WriteRtf(source)) < 0) {
    return c.error = QStringLiteral("cannot write our RTF"), c;
  }
  ours.close();
  QProcess p;
  p.start(soffice, {"-env:UserInstallation=file://" + scratch.filePath("profile"), "--headless",
                    "--convert-to", "rtf", "--outdir", out,
                    QStringLiteral(QV_SOURCE_DIR "/tests/data/letter-sample.fodt"), ours.fileName()});
  if (!p.waitForFinished(120000)) return c.error = QStringLiteral("soffice did not finish"), c;
  for (auto [name, doc] : {std::pair{"letter-sample.rtf", &c.writer}, {"ours.rtf", &c.ours}}) {
    QFile f(out + "/" + name);
    const RtfReadResult r = f.open(QIODevice::ReadOnly) ? ReadRtf(f.readAll(), doc) : RtfReadResult{};
    if (!r.ok) c.error += QStringLiteral("%1 not converted or unreadable: %2; ").arg(name, r.error);
  }
  return c;
}

const Converted& Conversions() {
  static const Converted converted = Convert();
  return converted;
}

#define QV_NEED_CONVERSIONS()                                                              \
  if (Conversions().error == "skip") GTEST_SKIP() << "soffice (libreoffice-writer-nogui) is not installed"; \
  ASSERT_TRUE(Conversions().error.isEmpty()) << Conversions().error.toStdString()

QTextCharFormat FormatOf(const RichDocument& d, const QString& word) {
  QTextCursor at(const_cast<QTextDocument*>(&d.doc()));
  at.setPosition(d.doc().find(word).selectionStart() + 1);
  return at.charFormat();
}

QTextBlock BlockOf(const RichDocument& d, const QString& text) {
  for (QTextBlock b = d.doc().begin(); b.isValid(); b = b.next()) {
    if (b.text() == text) return b;
  }
  return {};
}

QTextTable* FirstTable(const RichDocument& d) {
  for (QTextFrame* f : d.doc().rootFrame()->childFrames()) {
    if (auto* t = qobject_cast<QTextTable*>(f)) return t;
  }
  return nullptr;
}

// The list kind of each named block and the list it is in: Writer must keep
// items of one list together and the kinds apart.
void ExpectLists(const RichDocument& d, const std::vector<std::pair<QString, int>>& items,
                 const std::vector<int>& sameListAsPrevious) {
  QTextList* previous = nullptr;
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(items[i].first.toStdString());
    const QTextBlock b = BlockOf(d, items[i].first);
    ASSERT_TRUE(b.isValid());
    ASSERT_NE(b.textList(), nullptr);
    EXPECT_EQ(b.textList()->format().style(), items[i].second);
    EXPECT_EQ(b.blockFormat().leftMargin(), 720);
    if (i > 0) {
      EXPECT_EQ(b.textList() == previous, bool(sameListAsPrevious[i]));
    }
    previous = b.textList();
  }
}

TEST(LibreOffice, WriterRtfReadsIntoTextFormatsAndLayout) {
  QV_NEED_CONVERSIONS();
  const RichDocument& d = Conversions().writer;
  // A4 (8.27 x 11.69 in) with margins of 1, 1.25, 0.5 and 0.75 inch.
  const PageLayout l = d.layout();
  EXPECT_NEAR(l.width, 11909, 10);
  EXPECT_NEAR(l.height, 16834, 10);
  EXPECT_EQ(QList<int>({l.left, l.right, l.top, l.bottom}), QList<int>({1440, 1800, 720, 1080}));

  EXPECT_TRUE(BlockOf(d, "Bold Italic Under Red").isValid());
  const QTextCharFormat red = FormatOf(d, "Red");
  EXPECT_EQ(std::tuple(FormatOf(d, "Bold").fontWeight(), FormatOf(d, "Italic").fontItalic(),
                       FormatOf(d, "Under").fontUnderline(), red.foreground().color(),
                       red.fontPointSize(), red.fontFamilies().toStringList().value(0)),
            std::tuple(int(QFont::Bold), true, true, QColor(255, 0, 0), 18.0, "Liberation Serif"));
  EXPECT_EQ(BlockOf(d, "Centred").blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(BlockOf(d, "Right").blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  const QList<QTextOption::Tab> tabs = BlockOf(d, "A\tB").blockFormat().tabPositions();
  ASSERT_EQ(tabs.size(), 1);
  EXPECT_EQ(qRound(tabs[0].position * TwipsPerTabUnit()), 4320);  // 3 in
  EXPECT_EQ(tabs[0].type, QTextOption::RightTab);

  QTextTable* table = FirstTable(d);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->cellAt(1, 1).firstCursorPosition().block().text(), "c22");
  const QList<QTextLength> widths = table->format().columnWidthConstraints();
  ASSERT_EQ(widths.size(), 2);
  EXPECT_NEAR(widths[1].rawValue() * kTwipsPerLayoutPixel, 3600, 20);
  EXPECT_NEAR(table->cellAt(0, 0).format().toTableCellFormat().topBorder() * kTwipsPerLayoutPixel, 10, 1);

  // The list markers Writer writes are not in the text.
  ExpectLists(d, {{"Apples", QTextListFormat::ListDisc}, {"Pears", QTextListFormat::ListDisc},
                  {"First step", QTextListFormat::ListDecimal},
                  {"Second step", QTextListFormat::ListDecimal}},
              {0, 1, 0, 1});

  const QChar object(QChar::ObjectReplacementCharacter);
  ASSERT_TRUE(BlockOf(d, QString("Logo ") + object + " end").isValid()) << d.doc().toPlainText().toStdString();
  const QTextCharFormat picture = FormatOf(d, QString(object));
  ASSERT_TRUE(picture.isImageFormat());
  // An inch by half an inch.
  EXPECT_TRUE(testing::Near({picture.toImageFormat().width(), picture.toImageFormat().height()},
                            {96, 48}, 1));
}

TEST(LibreOffice, OurRtfKeepsTextFormatsAndLayoutInWriter) {
  QV_NEED_CONVERSIONS();
  const RichDocument& d = Conversions().ours;
  const PageLayout l = d.layout();
  EXPECT_EQ(QList<int>({l.width, l.height, l.left, l.right, l.top, l.bottom, l.landscape}),
            QList<int>({15840, 12240, 1440, 2160, 720, 1440, true}));
  EXPECT_TRUE(BlockOf(d, "Plain Strong Crimson").isValid()) << d.doc().toPlainText().toStdString();
  EXPECT_EQ(std::tuple(FormatOf(d, "Strong").fontWeight(),
                       FormatOf(d, "Crimson").foreground().color(),
                       FormatOf(d, "Plain").fontFamilies().toStringList().value(0)),
            std::tuple(int(QFont::Bold), QColor(255, 0, 0), "Liberation Sans"));
  EXPECT_EQ(BlockOf(d, QString::fromUtf8("Middle café")).blockFormat().alignment() &
                Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
  // Paragraph spacing and indents in twips, line heights, tab stops.
  const QTextBlock right =
      BlockOf(d, QString::fromUtf8("Slanted Lined Struck Small Marked {}\\ €"));
  ASSERT_TRUE(right.isValid()) << d.doc().toPlainText().toStdString();
  const QTextBlockFormat r = right.blockFormat();
  EXPECT_EQ(std::vector<double>({double(r.alignment() & Qt::AlignHorizontal_Mask), r.leftMargin(),
                                 r.rightMargin(), r.textIndent(), r.topMargin() * TwipsPerScaledUnit(),
                                 r.bottomMargin() * TwipsPerScaledUnit()}),
            std::vector<double>({Qt::AlignRight, 100, 200, 300, 40, 80}));
  const QTextCharFormat marked = FormatOf(d, "Marked");
  EXPECT_EQ(std::tuple(FormatOf(d, "Slanted").fontItalic(), FormatOf(d, "Lined").fontUnderline(),
                       FormatOf(d, "Struck").fontStrikeOut(), FormatOf(d, "Small").fontPointSize(),
                       marked.background().color(), marked.fontFamilies().toStringList().value(0)),
            std::tuple(true, true, true, 10.0, QColor(255, 0, 0), "Liberation Mono"));
  const QList<QTextOption::Tab> tabs = BlockOf(d, "x\ty\tz").blockFormat().tabPositions();
  ASSERT_EQ(tabs.size(), 2);
  EXPECT_EQ(std::tuple(tabs[0].type, qRound(tabs[0].position * TwipsPerTabUnit()), tabs[1].type,
                       qRound(tabs[1].position * TwipsPerTabUnit())),
            std::tuple(QTextOption::CenterTab, 3000, QTextOption::RightTab, 6000));
  const QTextBlockFormat fixed = BlockOf(d, "Fixed").blockFormat();
  const QTextBlockFormat broken = BlockOf(d, "Broken").blockFormat();
  EXPECT_EQ(std::tuple(fixed.lineHeightType(), fixed.lineHeight() * TwipsPerScaledUnit(), broken.lineHeightType(),
                       qRound(broken.lineHeight()),
                       bool(broken.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)),
            std::tuple(int(QTextBlockFormat::MinimumHeight), 300.0,
                       int(QTextBlockFormat::ProportionalHeight), 115, true));
  ExpectLists(d, {{"Dotted", QTextListFormat::ListDisc}, {"Counted", QTextListFormat::ListDecimal},
                  {"Counted again", QTextListFormat::ListDecimal},
                  {"Roman", QTextListFormat::ListLowerRoman}},
              {0, 0, 1, 0});
  // A cell keeps its bottom line and its red right line; the next its two paragraphs.
  QTextTable* table = FirstTable(d);
  ASSERT_NE(table, nullptr);
  const QTextTableCell cell = table->cellAt(0, 1);
  const QTextTableCellFormat f = table->cellAt(0, 0).format().toTableCellFormat();
  EXPECT_EQ(std::tuple(cell.firstCursorPosition().block().text(),
                       cell.lastCursorPosition().block().text(), f.bottomBorder() > 0,
                       qRound(f.rightBorder() * kTwipsPerLayoutPixel),
                       f.rightBorderBrush().color()),
            std::tuple("more", "lines", true, 25, QColor(255, 0, 0)));
}

}  // namespace
}  // namespace qv
