// The RTF reader on hand-written snippets, expected documents worked out by
// hand: the cases a word processor's own files do not show (what Writer
// writes, and what it makes of what we write, is rtf_libreoffice_test's).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include "near.h"
#include "richtext/rtf.h"

namespace qv {
namespace {

RichDocument Read(const QByteArray& rtf, QStringList* warnings = nullptr) {
  RichDocument doc;
  const RtfReadResult r = ReadRtf(rtf, &doc);
  EXPECT_TRUE(r.ok) << r.error.toStdString();
  if (warnings) *warnings = r.warnings;
  return doc;
}

QTextCharFormat FormatAt(const RichDocument& doc, int position) {
  QTextCursor c(const_cast<QTextDocument*>(&doc.doc()));
  c.setPosition(position + 1);
  return c.charFormat();
}

QString Family(const QTextCharFormat& f) { return f.fontFamilies().toStringList().value(0); }

struct TextCase {
  const char* name;
  QByteArray rtf;
  QString text;  // blocks joined by '\n'
};

QString PlainText(const RichDocument& d) {
  QStringList blocks;
  for (QTextBlock b = d.doc().begin(); b.isValid(); b = b.next()) blocks << b.text();
  return blocks.join(QLatin1Char('\n'));
}

TEST(RtfReader, TextAndEscapes) {
  const TextCase cases[] = {
      {"plain", "{\\rtf1 Hello}", "Hello"},
      {"two paragraphs, final par ends the last", "{\\rtf1 One\\par Two\\par}", "One\nTwo"},
      {"escaped braces and backslash", "{\\rtf1 a\\{b\\}c\\\\d}", "a{b}c\\d"},
      {"hex in Windows-1252", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80}", QString::fromUtf8("café €")},
      {"hex in Windows-1251 by font charset",
       "{\\rtf1{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 \\'cf\\'f0}", QString::fromUtf8("Пр")},
      {"unicode with one skipped fallback", "{\\rtf1\\uc1 x\\u8364?y}", QString::fromUtf8("x€y")},
      {"unicode negative and two-char fallback", "{\\rtf1\\uc2 \\u-3913\\'3f\\'3fz}",
       QString(QChar(char16_t(61623))) + QLatin1Char('z')},
      {"tab, line break, nbsp", "{\\rtf1 a\\tab b\\line c\\~d}",
       QStringLiteral("a\tb") + QChar(QChar::LineSeparator) + QStringLiteral("c") + QChar(0xA0) +
           QStringLiteral("d")},
      {"quotes and dashes", "{\\rtf1 \\lquote x\\rquote \\emdash}",
       QString::fromUtf8("\u2018x\u2019\u2014")},
      {"unknown words and star destinations skipped",
       "{\\rtf1\\foo12 a{\\*\\generator Writer;}{\\*\\unknown {deep {x}}}b\\bar c}", "abc"},
      {"info, stylesheet, header skipped",
       "{\\rtf1{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}{\\header H}Body}", "Body"},
      {"field result kept, instruction dropped",
       "{\\rtf1{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}", "link"},
      {"binary data stepped over", "{\\rtf1 a{\\*\\blob\\bin2 {}}b}", "ab"},
      {"line breaks in the file are not text", "{\\rtf1 a\r\nb\n}", "ab"},
      {"\\* inside a group is no destination", "{\\rtf1{\\b a\\*\\cs7 b}{\\*\\cs8 c}d}", "abd"},
      {"a break between { and \\rtf1", "{\r\n \\rtf1 a\\par b}", "a\nb"},
      {"a fragment of groups, as pandoc writes", "{\\pard a\\par}\n{\\pard b\\par}\n", "a\nb"},
      {"a SYMBOL field without a result prints its character",
       "{\\rtf1 a{\\field{\\*\\fldinst SYMBOL 253 \\\\f \"Wingdings\" \\\\s 5}{\\fldrslt}}b}",
       QString::fromUtf8("a\u00fdb")},
      {"a SYMBOL field's result stands alone",
       "{\\rtf1{\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\"}{\\fldrslt x}}}", "x"},
      {"footnote marks in order, their notes not in the text",
       "{\\rtf1 a{\\super\\chftn}{\\footnote{\\super\\chftn} n} b{\\super\\chftn}{\\footnote m}}",
       "a1 b2"},
      {"nesting deeper than 5000", "{\\rtf1 " + QByteArray(6000, '{') + "x" + QByteArray(6000, '}') + "}", "x"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(PlainText(Read(c.rtf)), c.text) << c.name;
  }
}

TEST(RtfReader, CharacterFormats) {
  const RichDocument d = Read(
      "{\\rtf1\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "a{\\b b}{\\i i}{\\ul u\\ulnone n}{\\strike s}{\\fs36 L}{\\f0 T}{\\cf1 R}{\\highlight2 H}"
      "\\b\\i x\\plain y}");
  // Each character's format as family/size/bold, italic, underline, strike/colours.
  QStringList formats;
  for (int i = 0; i < 12; ++i) {
    const QTextCharFormat f = FormatAt(d, i);
    formats << QStringLiteral("%1/%2/%3%4%5%6/%7/%8")
                   .arg(Family(f)).arg(f.fontPointSize())
                   .arg(f.fontWeight() == QFont::Bold ? "b" : "").arg(f.fontItalic() ? "i" : "")
                   .arg(f.fontUnderline() ? "u" : "").arg(f.fontStrikeOut() ? "s" : "")
                   .arg(f.foreground().style() == Qt::NoBrush ? "-" : f.foreground().color().name())
                   .arg(f.background().style() == Qt::NoBrush ? "-" : f.background().color().name());
  }
  // \deff1 makes Arial the default; \plain ends the last bold italic.
  EXPECT_EQ(formats, QStringList({"Arial/12//-/-", "Arial/12/b/-/-", "Arial/12/i/-/-",
                                  "Arial/12/u/-/-", "Arial/12//-/-", "Arial/12/s/-/-",
                                  "Arial/18//-/-", "Times New Roman/12//-/-",
                                  "Arial/12//#ff0000/-", "Arial/12//-/#0000ff",
                                  "Arial/12/bi/-/-", "Arial/12//-/-"}));
}

TEST(RtfReader, ParagraphFormatsAndPage) {
  const RichDocument d = Read(
      "{\\rtf1\\paperw11906\\paperh16838\\margl1134\\margr567\\margt851\\margb425"
      "\\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa240\\sl360\\slmult1 one\\par"
      "\\pard\\tqr\\tx8000\\tqc\\tx4000\\tx1000\\sl-300\\slmult0 two\\par"
      "\\pard\\qj\\pagebb three\\par{\\ri8000 four\\par}{\\li1670 five\\par}{\\qc six}\\par seven\\par}");
  const PageLayout l = d.layout();
  EXPECT_EQ(l, (PageLayout{11906, 16838, 1134, 567, 851, 425, false}));
  const QTextBlock one = d.doc().begin();
  const auto paragraph = [](const QTextBlockFormat& f) {
    const double k = TwipsPerScaledUnit();
    const bool scaled = f.lineHeightType() != QTextBlockFormat::ProportionalHeight;
    return std::vector<double>{double(f.alignment() & Qt::AlignHorizontal_Mask), f.leftMargin(),
                               f.rightMargin(), f.textIndent(), f.topMargin() * k,
                               f.bottomMargin() * k, double(f.lineHeightType()),
                               f.lineHeight() * (scaled ? k : 1)};
  };
  // 360 / 240 lines is 150 %; \pard resets the second paragraph.
  EXPECT_EQ(paragraph(one.blockFormat()),
            (std::vector<double>{Qt::AlignHCenter, 720, 360, -360, 120, 240,
                                 QTextBlockFormat::ProportionalHeight, 150}));
  const QTextBlockFormat f2 = one.next().blockFormat();
  EXPECT_EQ(paragraph(f2), (std::vector<double>{Qt::AlignLeft, 0, 0, 0, 0, 0,
                                                QTextBlockFormat::FixedHeight, 300}));
  const QList<QTextOption::Tab> tabs = f2.tabPositions();
  ASSERT_EQ(tabs.size(), 3);
  EXPECT_EQ(qRound(tabs[0].position * TwipsPerTabUnit()), 8000);
  EXPECT_EQ(QList({tabs[0].type, tabs[1].type, tabs[2].type}),
            QList({QTextOption::RightTab, QTextOption::CenterTab, QTextOption::LeftTab}));
  const QTextBlockFormat f3 = one.next().next().blockFormat();
  EXPECT_EQ(f3.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
  EXPECT_TRUE(f3.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
  // A group's paragraph properties end with it.
  const QTextBlock five = one.next().next().next().next();
  EXPECT_EQ(five.text(), "five");
  EXPECT_EQ(paragraph(five.blockFormat())[2], 0);
  EXPECT_EQ(paragraph(five.blockFormat())[1], 1670);
  // One begun in a group and ended after it keeps the group's; the next
  // one has the outer ones again.
  EXPECT_EQ(five.next().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(five.next().next().text(), "seven");
  EXPECT_EQ(five.next().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignJustify);  // the outer \qj
}

// The list style of each block, -1 outside a list, and the list it is in.
struct ListCase {
  const char* name;
  QByteArray rtf;
  std::vector<int> styles;    // per block
  std::vector<int> listOf;    // per block: which list (0, 1, ...), -1 none
};

TEST(RtfReader, BulletAndNumberedLists) {
  const QByteArray tables =
      "{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}"
      "{\\listlevel\\levelnfc4}\\listid7}{\\list{\\listlevel\\levelnfc0}\\listid8}"
      "{\\list{\\listlevel\\levelnfc255}\\listid9}}"
      "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}{\\listoverride\\listid8\\ls2}"
      "{\\listoverride\\listid9\\ls3}}";
  const int none = -1, disc = QTextListFormat::ListDisc, dec = QTextListFormat::ListDecimal;
  const ListCase cases[] = {
      {"second level of a list has its own kind",
       "{\\rtf1" + tables + "\\pard\\ls1 a\\par\\pard\\ls1\\ilvl1 b\\par\\pard\\ls1 c\\par}",
       {disc, QTextListFormat::ListLowerAlpha, disc}, {0, 1, 0}},
      {"a list level without numbers is no list", "{\\rtf1" + tables + "\\pard\\ls3 plain\\par}",
       {none}, {-1}},
      {"a list missing from the table still shows as a bullet list", "{\\rtf1\\pard\\ls5 x\\par}",
       {disc}, {0}},
      {"old-style paragraph numbering",
       "{\\rtf1{\\pntext\\'b7\\tab}\\pard{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}\\fi-360\\li360 b1\\par"
       "{\\pntext 1.\\tab}\\pard{\\*\\pn\\pnlvlbody\\pndec} n1\\par}",
       {disc, dec}, {0, 1}},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RichDocument d = Read(c.rtf);
    std::vector<QTextList*> lists;
    std::vector<int> styles, listOf;
    for (QTextBlock b = d.doc().begin(); b.isValid(); b = b.next()) {
      EXPECT_FALSE(b.text().contains(QChar(0x2022)) || b.text().contains("1.")) << b.text().toStdString();
      QTextList* l = b.textList();
      styles.push_back(l ? l->format().style() : none);
      auto it = std::find(lists.begin(), lists.end(), l);
      if (l && it == lists.end()) lists.push_back(l), it = lists.end() - 1;
      listOf.push_back(l ? int(it - lists.begin()) : -1);
    }
    EXPECT_EQ(styles, c.styles);
    EXPECT_EQ(listOf, c.listOf);
  }
  // The hanging indent: the text at the left indent, the marker before it.
  const QTextBlock item = Read("{\\rtf1" + tables + "\\pard\\ls2\\li720\\fi-360 x\\par}").doc().begin();
  EXPECT_EQ(item.blockFormat().leftMargin(), 720);
  EXPECT_EQ(item.blockFormat().textIndent(), 0);
  EXPECT_EQ(item.blockFormat().intProperty(kListMarkerIndent), -360);
}

// The marker each list item prints, blocks joined by '|'.
TEST(RtfReader, ListMarkers) {
  const QByteArray tables =
      "{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
      "{\\listlevel\\levelnfc0{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}}"
      "{\\listlevel\\levelnfc2{\\leveltext\\'05(\\'00-\\'02);}{\\levelnumbers\\'02\\'04;}}\\listid5}}"
      "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}{\\listoverride\\listid5\\ls2}}";
  const struct {
    const char* name;
    QByteArray body;
    QString markers;
  } cases[] = {
      {"parent numbers before the level's own",
       "\\ls1 a\\par\\ilvl1 b\\par c\\par\\ilvl0 d\\par\\ilvl1 e\\par",
       "1.|1.1.|1.2.|2.|2.1."},
      {"a level's text around its number, roman", "\\ls1 a\\par\\ilvl2 b\\par c\\par",
       "1.|(1-i)|(1-ii)"},
      {"numbers go on after other paragraphs and in another \\ls of the list",
       "\\ls1 a\\par\\pard b\\par\\ls2 c\\par", "1.||2."},
      {"an item that ends with its cell",
       "\\trowd\\cellx2000\\cellx4000\\pard\\intbl\\ls1 a\\cell b\\cell\\row", "|1.|2.|"},
  };
  for (const auto& c : cases) {
    const RichDocument d = Read("{\\rtf1" + tables + "\\pard " + c.body + "}");
    QStringList markers;
    for (QTextBlock b = d.doc().begin(); b.isValid(); b = b.next()) {
      markers << (b.textList() ? b.textList()->itemText(b) : QString());
    }
    EXPECT_EQ(markers.join(QLatin1Char('|')), c.markers) << c.name;
  }
}

TEST(RtfReader, CellBorders) {
  const RichDocument d = Read(
      "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\trowd\\clbrdrt\\brdrs\\brdrw10"
      "\\clbrdrb\\brdrdb\\brdrw20\\brdrcf1\\cellx2000\\brdrt\\brdrs\\brdrw30\\clbrdrl\\brdrs"
      "\\cellx4000\\pard\\intbl A\\cell B\\cell\\row"
      "\\trowd\\cellx2000\\cellx4000\\pard\\intbl C\\cell D\\cell\\row"
      "\\trowd\\clbrdrb\\brdrs\\brdrw30\\cellx2000\\cellx4000\\pard\\intbl two\\par lines\\cell\\row"
      "\\pard\\intbl x{\\*\\nesttableprops\\trowd\\cellx500 y\\nestrow}\\cell z\\cell\\row"
      "\\pard\\intbl u\\cell v\\cell\\row}");
  QTextTable* table = nullptr;
  for (QTextFrame* f : d.doc().rootFrame()->childFrames()) table = qobject_cast<QTextTable*>(f);
  ASSERT_NE(table, nullptr);
  struct Expect { int row, col; double top, left, bottom, right; };
  const Expect expected[] = {
      {0, 0, 10, 0, 20, 0},  // a paragraph's \brdrt before the next cell is not the cell's
      {0, 1, 0, 15, 0, 0},   // a style word without a width: a hairline
      {1, 0, 0, 0, 0, 0},    // each row has its own borders
      {2, 0, 0, 0, 30, 0},   // a cell of two paragraphs keeps its own
      {4, 0, 0, 0, 30, 0},   // a nested row's definition leaves the row's alone
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(::testing::Message() << "cell " << e.row << "," << e.col);
    const QTextTableCellFormat f = table->cellAt(e.row, e.col).format().toTableCellFormat();
    const double k = kTwipsPerLayoutPixel;
    EXPECT_TRUE(testing::Near({f.topBorder() * k, f.leftBorder() * k, f.bottomBorder() * k,
                               f.rightBorder() * k},
                              {e.top, e.left, e.bottom, e.right}, 1e-9));
  }
  EXPECT_EQ(table->cellAt(0, 0).format().toTableCellFormat().bottomBorderBrush().color(), QColor(255, 0, 0));
  // Text some writers put in the nested row's definition is kept.
  EXPECT_EQ(table->cellAt(3, 0).firstCursorPosition().block().text(), "xy");
}

QByteArray TinyPng() {
  QImage image(4, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

TEST(RtfReader, RefusedAndSteppedOver) {
  RichDocument d = Read("{\\rtf1 keep}");
  RtfReadResult r = ReadRtf(QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), &d);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "This is not an RTF file: it does not begin with {\\rtf.");
  EXPECT_EQ(PlainText(d), "keep");  // unchanged

  QStringList warnings;
  d = Read("Hello, not RTF\r\ncaf\xc3\xa9", &warnings);
  EXPECT_EQ(PlainText(d), QString::fromUtf8("Hello, not RTF\ncaf\u00e9"));
  EXPECT_EQ(warnings, QStringList{"The file holds no RTF; it was read as plain text."});

  r = ReadRtf("{\\rtf1 " + QByteArray(20000, '{') + "x" + QByteArray(20000, '}') + "}", &d);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.error.contains("more than 10000 deep")) << r.error.toStdString();

  d = Read("{\\rtf1 cut {\\b off", &warnings);
  EXPECT_EQ(PlainText(d), "cut off");
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings[0].startsWith("The RTF text ends before"));


  d = Read("{\\rtf1 a{\\pict\\pngblip 0011223344}b}", &warnings);
  EXPECT_EQ(PlainText(d), "ab");
  EXPECT_EQ(warnings, QStringList{"A damaged picture was left out."});
}

// A destination word outside every brace once skipped the outermost group
// away, and the next word read a group that was no more.
TEST(RtfReader, DestinationOutsideEveryGroupIsDropped) {
  QStringList warnings;
  const RichDocument d = Read("{\\Rtf1 a}\\*\\generator x;}b\\info c", &warnings);
  EXPECT_EQ(PlainText(d).right(1), "c");
}

// A code page the converters lack read as Windows-1252 with one notice;
// the reader once kept a null decoder for it and crashed at its next text.
TEST(RtfReader, UnknownCodePageFallsBackToWindows1252) {
  const QString cafe = QString::fromUtf8("café\ncafé");
  const char* const unknown[] = {"\\ansicpg0", "\\ansicpg99999"};
  for (const char* cp : unknown) {
    SCOPED_TRACE(cp);
    QStringList warnings;
    const RichDocument d =
        Read(QByteArray("{\\rtf1") + cp + " caf\\'e9\\par caf\\'e9\\par}", &warnings);
    EXPECT_EQ(PlainText(d), cafe);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("read as Windows-1252")) << warnings[0].toStdString();
  }
}

TEST(RtfReader, CodePagesAndCharacterSets) {
  const TextCase cases[] = {
      {"ISO 8859-1", "{\\rtf1\\ansicpg28591 caf\\'e9\\par caf\\'e9}", QString::fromUtf8("café\ncafé")},
      {"Mac Japanese pairs", "{\\rtf1\\ansicpg10001 \\'82\\'a0\\'8a\\'bf}", QString::fromUtf8("あ漢")},
      {"Shift_JIS pair with an ASCII trail byte", "{\\rtf1\\ansicpg932 \\'83\\'41}", QString::fromUtf8("ア")},
      {"GBK", "{\\rtf1\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}", QString::fromUtf8("中文")},
      {"Korean", "{\\rtf1\\ansicpg949 \\'c7\\'d1}", QString::fromUtf8("한")},
      {"Big5", "{\\rtf1\\ansicpg950 \\'a4\\'a4}", QString::fromUtf8("中")},
      {"a font's character set over the document's",
       "{\\rtf1\\ansicpg1252{\\fonttbl{\\f0 A;}{\\f1\\fcharset128 M;}{\\f2\\fcharset161 G;}}"
       "\\f0\\'e9{\\f1\\'82\\'a0}{\\f2\\'e1}}", QString::fromUtf8("éあα")},
      {"an ANSI font is Windows-1252 under another document code page",
       "{\\rtf1\\ansicpg932{\\fonttbl{\\f0\\fcharset0 C;}{\\f1 D;}}\\f0 J\\'e4rvi {\\f1\\'82\\'a0}}",
       QString::fromUtf8("Järvi あ")},
      {"\\uc2 skips a pair after \\u", "{\\rtf1\\ansicpg932\\uc2 \\u12354\\'82\\'a0x}", QString::fromUtf8("あx")},
      {"\\uc0 skips nothing", "{\\rtf1\\uc0\\u8364 x}", QString::fromUtf8("€x")},
      {"a control character by number is dropped", "{\\rtf1\\uc1 a\\u8?b}", QString::fromUtf8("ab")},
      {"so is the document's own mark for an object", "{\\rtf1 a\\u-4?b\\u8233?c}", QString::fromUtf8("abc")},
      {"\\uc in a group ends with it", "{\\rtf1{\\uc2\\u8364 ab}\\u8364 ab}", QString::fromUtf8("€€b")},
  };
  for (const TextCase& c : cases) {
    QStringList warnings;
    EXPECT_EQ(PlainText(Read(c.rtf, &warnings)), c.text) << c.name;
    EXPECT_TRUE(warnings.isEmpty()) << c.name << ": " << warnings.join(' ').toStdString();
  }
}

// ---- the writer: what it writes is read back through Writer in
// rtf_libreoffice_test; here what no word processor shows ----------------

TEST(RtfWriter, WritesAsciiOnlyAndKeepsPictureBytes) {
  const QByteArray png = TinyPng();
  const RichDocument d =
      Read("{\\rtf1 \\u20320?\\u22909? {\\pict\\pngblip\\picwgoal300\\pichgoal150 " + png.toHex() + "}}");
  const QByteArray out = WriteRtf(d);
  for (char c : out) EXPECT_LT(uchar(c), 0x80);
  EXPECT_TRUE(out.contains("\\u20320?\\u22909?"));  // no Windows-1252 byte for these
  const QByteArray latin = WriteRtf(Read("{\\rtf1 caf\\'e9 \\'80 \\u-10179?\\u-8704?}"));
  EXPECT_TRUE(latin.contains("caf\\u233\\'e9 \\u8364\\'80 \\u-10179?\\u-8704?")) << latin.toStdString();
  EXPECT_EQ(WriteRtf(Read(latin)), latin);
  EXPECT_TRUE(out.contains(png.toHex().left(64)));
  EXPECT_TRUE(out.contains("\\picwgoal300\\pichgoal150"));
  EXPECT_EQ(WriteRtf(Read(out)), out);  // what it reads back it writes the same
}

}  // namespace
}  // namespace qv
