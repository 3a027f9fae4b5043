// The control words, as tables from a word to its handler: the
// destinations first, then one table per destination whose words it reads.
#include "richtext/rtf_reader_words.h"

#include <QHash>
#include <QSet>
#include <utility>

namespace qv::rtfread {

namespace {

using Handler = void (*)(Builder&, const Word&);
using WordTable = QHash<QByteArray, Handler>;

// A list level's \levelnfc number format.
ListKind KindOfNumberFormat(int nfc) {
  switch (nfc) {
    case 0:
      return ListKind::Decimal;
    case 1:
      return ListKind::UpperRoman;
    case 2:
      return ListKind::LowerRoman;
    case 3:
      return ListKind::UpperAlpha;
    case 4:
      return ListKind::LowerAlpha;
    case 23:
      return ListKind::Bullet;
    case 255:
      return ListKind::None;
    default:
      return ListKind::Decimal;
  }
}

// The destinations read; `start` readies what their words fill.
struct Destination {
  Dest dest;
  Handler start;
};

const QHash<QByteArray, Destination>& Destinations() {
  static const QHash<QByteArray, Destination> table = {
      {"fonttbl", {Dest::FontTable, [](Builder& b, const Word&) { b.fontEntry().name.clear(); }}},
      {"colortbl",
       {Dest::ColorTable, [](Builder& b, const Word&) { b.colorEntry() = ColorEntry(); }}},
      {"pict",
       {Dest::Picture,
        [](Builder& b, const Word&) {
          b.picture() = PictureDef();
          b.picture().kind = PictKind::Other;
        }}},
      {"listtable",
       {Dest::ListTable, [](Builder& b, const Word&) { b.top().para.numbering = ListKind::None; }}},
      {"listoverridetable",
       {Dest::ListOverrides,
        [](Builder& b, const Word&) { b.top().para.numbering = ListKind::None; }}},
      // A nested row's definition, read for the text some writers put in it;
      // the outer row keeps its own cells.
      {"nesttableprops", {Dest::Normal, [](Builder& b, const Word&) { b.keepRowDefinition(); }}},
      {"fldinst",
       {Dest::FieldInstruction, [](Builder& b, const Word&) { b.fieldInstruction().clear(); }}},
      {"pn",
       {Dest::Numbering, [](Builder& b, const Word&) { b.top().para.numbering = ListKind::None; }}},
  };
  return table;
}

// Destinations whose text is none of the letter's (or, for \nonesttables,
// what readers without nested tables show in their place: the nested
// cells are read themselves).
const QSet<QByteArray>& SkippedDestinations() {
  static const QSet<QByteArray> table = {
      "stylesheet",   "info",        "header",    "headerl",    "headerr",   "headerf",
      "footer",       "footerl",     "footerr",   "footerf",    "footnote",  "annotation",
      "pntext",       "revtbl",      "rsidtbl",   "xmlnstbl",   "themedata", "colorschememapping",
      "latentstyles", "datastore",   "generator", "nonshppict", "objdata",   "pgdsctbl",
      "xe",           "tc",          "txe",       "author",     "operator",  "title",
      "subject",      "doccomm",     "company",   "listtext",   "template",  "filetbl",
      "atnid",        "nonesttables"};
  return table;
}

// Words after \* that are read all the same: the picture inside \shppict
// and the list definitions.
const QSet<QByteArray>& ReadWhenStarred() {
  static const QSet<QByteArray> table = {"shppict",           "pn",      "listtable",
                                         "listoverridetable", "fldinst", "nesttableprops"};
  return table;
}

const WordTable& ListTableWords() {
  static const WordTable table = {
      {"list", [](Builder& b, const Word&) { b.lists().levels.clear(); }},
      {"listlevel",
       [](Builder& b, const Word&) {
         if (b.lists().levels.size() < 9) b.lists().levels.emplace_back();
       }},
      {"levelnfc",
       [](Builder& b, const Word& w) {
         if (!b.lists().levels.empty()) b.lists().levels.back().kind = KindOfNumberFormat(w.param);
       }},
      {"leveltext", [](Builder& b, const Word&) { b.top().dest = Dest::LevelText; }},
      {"levelnumbers", [](Builder& b, const Word&) { b.top().dest = Dest::LevelNumbers; }},
      {"listid",
       [](Builder& b, const Word& w) {
         b.lists().byId.insert(w.param, std::exchange(b.lists().levels, {}));
       }},
  };
  return table;
}

const WordTable& ListOverrideWords() {
  static const WordTable table = {
      {"listid", [](Builder& b, const Word& w) { b.lists().overrideListId = w.param; }},
      {"ls", [](Builder& b,
                const Word& w) { b.lists().overrides.insert(w.param, b.lists().overrideListId); }},
  };
  return table;
}

template <ListKind kKind>
void SetNumbering(Builder& b, const Word&) {
  b.top().para.numbering = kKind;
}

void NumberedLevel(Builder& b, const Word&) {
  if (b.top().para.numbering == ListKind::None) b.top().para.numbering = ListKind::Decimal;
}

const WordTable& NumberingWords() {
  static const WordTable table = {
      {"pnlvlblt", SetNumbering<ListKind::Bullet>},
      {"pndec", SetNumbering<ListKind::Decimal>},
      {"pnucrm", SetNumbering<ListKind::UpperRoman>},
      {"pnlcrm", SetNumbering<ListKind::LowerRoman>},
      {"pnucltr", SetNumbering<ListKind::UpperAlpha>},
      {"pnlcltr", SetNumbering<ListKind::LowerAlpha>},
      {"pnlvlbody", NumberedLevel},
      {"pnlvlcont", NumberedLevel},
  };
  return table;
}

const WordTable& FontTableWords() {
  static const WordTable table = {
      {"f", [](Builder& b, const Word& w) { b.fontEntry().number = w.param; }},
      {"fcharset", [](Builder& b, const Word& w) { b.fontEntry().charset = w.param; }},
  };
  return table;
}

template <int ColorEntry::*kMember>
void SetColorPart(Builder& b, const Word& w) {
  b.colorEntry().*kMember = Clamp(w.param, 0, 255);
  b.colorEntry().set = true;
}

const WordTable& ColorTableWords() {
  static const WordTable table = {
      {"red", SetColorPart<&ColorEntry::red>},
      {"green", SetColorPart<&ColorEntry::green>},
      {"blue", SetColorPart<&ColorEntry::blue>},
  };
  return table;
}

template <PictKind kKind>
void SetPictureKind(Builder& b, const Word&) {
  b.picture().kind = kKind;
}

const WordTable& PictureWords() {
  static const WordTable table = {
      {"pngblip", SetPictureKind<PictKind::Png>},
      {"jpegblip", SetPictureKind<PictKind::Jpeg>},
      {"wmetafile", SetPictureKind<PictKind::Other>},
      {"emfblip", SetPictureKind<PictKind::Other>},
      {"macpict", SetPictureKind<PictKind::Other>},
      {"dibitmap", SetPictureKind<PictKind::Other>},
      {"wbitmap", SetPictureKind<PictKind::Other>},
      {"pmmetafile", SetPictureKind<PictKind::Other>},
      {"picwgoal",
       [](Builder& b, const Word& w) { b.picture().goalWidth = Clamp(w.param, 0, kMaxLength); }},
      {"pichgoal",
       [](Builder& b, const Word& w) { b.picture().goalHeight = Clamp(w.param, 0, kMaxLength); }},
      {"picscalex",
       [](Builder& b, const Word& w) { b.picture().scaleX = Clamp(w.param, 1, 100000); }},
      {"picscaley",
       [](Builder& b, const Word& w) { b.picture().scaleY = Clamp(w.param, 1, 100000); }},
  };
  return table;
}

// Words that put one character into the text.
template <char16_t kChar>
void AddChar(Builder& b, const Word&) {
  b.addChar(QChar(kChar));
}

void AddUnicode(Builder& b, const Word& w) {
  int code = w.param;
  if (code < 0) code += 65536;
  // A control character is no text to keep (nor one we could write back),
  // and neither are the characters the text document takes as its own
  // marks: an object's place, a frame's ends, a line or paragraph break.
  const bool mark =
      code == 0xFFFC || code == 0xFDD0 || code == 0xFDD1 || code == 0x2028 || code == 0x2029;
  if (code >= 0x20 && code < 65536 && !mark) b.addChar(QChar(char16_t(code)));
  b.setSkipChars(b.top().uc);
}

// Page and margin lengths, by their PageLayout member.
template <int PageLayout::*kMember>
void SetPageLength(Builder& b, const Word& w) {
  b.pageLayout().*kMember = Clamp(w.param, 0, kMaxLength);
}

template <bool CharState::*kMember>
void SetToggle(Builder& b, const Word& w) {
  b.top().chr.*kMember = w.on();
}

// Paragraph indents (which may be negative) and spacing.
template <int ParaState::*kMember, int kLow>
void SetParaLength(Builder& b, const Word& w) {
  b.top().para.*kMember = Clamp(w.param, kLow, kMaxLength);
}

template <QTextOption::TabType kType>
void SetPendingTab(Builder& b, const Word&) {
  b.top().para.pendingTab = kType;
}

template <Qt::AlignmentFlag kAlign>
void SetAlign(Builder& b, const Word&) {
  b.top().para.align = kAlign;
}

template <int kSide>
void SetBorderSide(Builder& b, const Word&) {
  b.row().borderSide = kSide;
}

// A paragraph's or a whole row's border: not drawn.
void NoBorderSide(Builder& b, const Word&) { b.row().borderSide = -1; }

// \brdr... words of the cell side being described.
void SetCellBorder(Builder& b, const QByteArray& word, const Word& w) {
  BorderDef& side = b.row().pending.sides[b.row().borderSide];
  if (word == "brdrw")
    side.width = Clamp(w.param, 0, 1440);
  else if (word == "brdrcf")
    side.color = Clamp(w.param, 0, 100000);
  else if (word == "brdrnone" || word == "brdrnil")
    side.width = 0;
  else if (side.width == 0)
    side.width = 15;  // a style word alone: a hairline
}

const WordTable& BodyWords() {
  static const WordTable table = {
      // Document and section.
      {"ansicpg", [](Builder& b, const Word& w) { b.setDocCodePage(w.hasParam ? w.param : 1252); }},
      {"mac", [](Builder& b, const Word&) { b.setDocCodePage(10000); }},
      {"pc", [](Builder& b, const Word&) { b.setDocCodePage(437); }},
      {"pca", [](Builder& b, const Word&) { b.setDocCodePage(850); }},
      {"deff", [](Builder& b, const Word& w) { b.setDefaultFont(w.param); }},
      {"paperw", SetPageLength<&PageLayout::width>},
      {"pgwsxn", SetPageLength<&PageLayout::width>},
      {"paperh", SetPageLength<&PageLayout::height>},
      {"pghsxn", SetPageLength<&PageLayout::height>},
      {"margl", SetPageLength<&PageLayout::left>},
      {"marglsxn", SetPageLength<&PageLayout::left>},
      {"margr", SetPageLength<&PageLayout::right>},
      {"margrsxn", SetPageLength<&PageLayout::right>},
      {"margt", SetPageLength<&PageLayout::top>},
      {"margtsxn", SetPageLength<&PageLayout::top>},
      {"margb", SetPageLength<&PageLayout::bottom>},
      {"margbsxn", SetPageLength<&PageLayout::bottom>},
      {"landscape", [](Builder& b, const Word&) { b.pageLayout().landscape = true; }},
      {"lndscpsxn", [](Builder& b, const Word&) { b.pageLayout().landscape = true; }},
      {"uc", [](Builder& b, const Word& w) { b.top().uc = Clamp(w.param, 0, 10); }},
      // Characters.
      {"plain", [](Builder& b, const Word&) { b.top().chr = CharState(); }},
      {"b", SetToggle<&CharState::bold>},
      {"i", SetToggle<&CharState::italic>},
      {"strike", SetToggle<&CharState::strike>},
      {"ul", SetToggle<&CharState::underline>},
      {"uld", SetToggle<&CharState::underline>},
      {"uldb", SetToggle<&CharState::underline>},
      {"ulth", SetToggle<&CharState::underline>},
      {"ulw", SetToggle<&CharState::underline>},
      {"ulwave", SetToggle<&CharState::underline>},
      {"uldash", SetToggle<&CharState::underline>},
      {"ulhwave", SetToggle<&CharState::underline>},
      {"ulnone", [](Builder& b, const Word&) { b.top().chr.underline = false; }},
      {"fs",
       [](Builder& b, const Word& w) {
         b.top().chr.halfPoints = w.hasParam ? Clamp(w.param, 2, 3276) : 24;
       }},
      {"f", [](Builder& b, const Word& w) { b.top().chr.font = w.param; }},
      {"cf", [](Builder& b, const Word& w) { b.top().chr.color = Clamp(w.param, 0, 100000); }},
      {"highlight",
       [](Builder& b, const Word& w) { b.top().chr.highlight = Clamp(w.param, 0, 100000); }},
      {"cb", [](Builder& b, const Word& w) { b.top().chr.highlight = Clamp(w.param, 0, 100000); }},
      // Paragraphs.
      {"pard",
       [](Builder& b, const Word&) {
         b.top().para = ParaState();
         b.top().afterPar.reset();
       }},
      {"ql", SetAlign<Qt::AlignLeft>},
      {"qc", SetAlign<Qt::AlignHCenter>},
      {"qr", SetAlign<Qt::AlignRight>},
      {"qj", SetAlign<Qt::AlignJustify>},
      {"li", SetParaLength<&ParaState::left, -kMaxLength>},
      {"ri", SetParaLength<&ParaState::right, -kMaxLength>},
      {"fi", SetParaLength<&ParaState::first, -kMaxLength>},
      {"sb", SetParaLength<&ParaState::before, 0>},
      {"sa", SetParaLength<&ParaState::after, 0>},
      {"sl", SetParaLength<&ParaState::lineSpacing, -kMaxLength>},
      {"slmult", [](Builder& b, const Word& w) { b.top().para.lineMultiple = w.param != 0; }},
      {"tqr", SetPendingTab<QTextOption::RightTab>},
      {"tqc", SetPendingTab<QTextOption::CenterTab>},
      {"tqdec", SetPendingTab<QTextOption::DelimiterTab>},
      {"tx",
       [](Builder& b, const Word& w) {
         ParaState& p = b.top().para;
         if (int(p.tabs.size()) < kMaxTabs)
           p.tabs.push_back({Clamp(w.param, 0, kMaxLength), p.pendingTab});
         p.pendingTab = QTextOption::LeftTab;
       }},
      {"pagebb", [](Builder& b, const Word& w) { b.top().para.pageBreakBefore = w.on(); }},
      {"intbl", [](Builder& b, const Word&) { b.top().para.inTable = true; }},
      {"ls", [](Builder& b, const Word& w) { b.top().para.list = Clamp(w.param, 0, 100000); }},
      {"ilvl", [](Builder& b, const Word& w) { b.top().para.level = Clamp(w.param, 0, 8); }},
      {"par", [](Builder& b, const Word&) { b.endParagraph(); }},
      {"sect", [](Builder& b, const Word&) { b.endParagraph(); }},
      {"page", [](Builder& b, const Word&) { b.pageBreak(); }},
      // Characters by name.
      {"line", AddChar<char16_t(QChar::LineSeparator)>},
      {"tab", AddChar<u'\t'>},
      {"lquote", AddChar<0x2018>},
      {"rquote", AddChar<0x2019>},
      {"ldblquote", AddChar<0x201C>},
      {"rdblquote", AddChar<0x201D>},
      {"bullet", AddChar<0x2022>},
      {"endash", AddChar<0x2013>},
      {"emdash", AddChar<0x2014>},
      {"enspace", AddChar<u' '>},
      {"emspace", AddChar<u' '>},
      {"qmspace", AddChar<u' '>},
      {"u", AddUnicode},
      // A footnote's mark where it is referred to, numbered in order.
      {"chftn",
       [](Builder& b, const Word&) {
         for (const QChar c : QString::number(b.nextFootnote())) b.addChar(c);
       }},
      {"field", [](Builder& b, const Word&) { b.top().field = true; }},
      // Tables.
      {"trowd", [](Builder& b, const Word&) { b.row() = RowDef(); }},
      {"trgaph",
       [](Builder& b, const Word& w) {
         // Half the space between two cells' texts, on each side of every cell.
         b.row().padding[0] = b.row().padding[1] = Clamp(w.param, 0, 1440);
       }},
      {"trpaddl", [](Builder& b, const Word& w) { b.row().padding[0] = Clamp(w.param, 0, 1440); }},
      {"trpaddr", [](Builder& b, const Word& w) { b.row().padding[1] = Clamp(w.param, 0, 1440); }},
      // A nested table's cells go in their outer cell one after another.
      {"nestcell", AddChar<u'\t'>},
      {"cellx",
       [](Builder& b, const Word& w) {
         RowDef& row = b.row();
         row.pending.right = Clamp(w.param, 0, kMaxLength);
         if (int(row.cells.size()) < kMaxColumns) row.cells.push_back(row.pending);
         row.pending = CellDef();
         row.borderSide = -1;
       }},
      {"clbrdrt", SetBorderSide<0>},
      {"clbrdrl", SetBorderSide<1>},
      {"clbrdrb", SetBorderSide<2>},
      {"clbrdrr", SetBorderSide<3>},
      {"brdrt", NoBorderSide},
      {"brdrb", NoBorderSide},
      {"brdrl", NoBorderSide},
      {"brdrr", NoBorderSide},
      {"brdrbtw", NoBorderSide},
      {"brdrbar", NoBorderSide},
      {"box", NoBorderSide},
      {"cell", [](Builder& b, const Word&) { b.endCell(); }},
      {"row", [](Builder& b, const Word&) { b.endRow(); }},
  };
  return table;
}

const WordTable* WordsOf(Dest dest) {
  switch (dest) {
    case Dest::ListTable:
      return &ListTableWords();
    case Dest::ListOverrides:
      return &ListOverrideWords();
    case Dest::Numbering:
      return &NumberingWords();
    case Dest::FontTable:
      return &FontTableWords();
    case Dest::ColorTable:
      return &ColorTableWords();
    case Dest::Picture:
      return &PictureWords();
    case Dest::Normal:
      return &BodyWords();
    case Dest::LevelText:
    case Dest::LevelNumbers:
    case Dest::FieldInstruction:
    case Dest::Skip:
      break;
  }
  return nullptr;
}

}  // namespace

bool HandleWord(Builder& b, const QByteArray& word, const Word& w, bool star) {
  b.flushBytes();
  if (b.skipChars() > 0 && word != "u") b.setSkipChars(0);

  // A destination outside every brace has no group to skip: the word alone
  // is dropped, and the text after it read.
  Group& g = b.top();
  if (star && !ReadWhenStarred().contains(word)) {
    if (b.outermost()) return false;
    g.dest = Dest::Skip;
    return true;
  }
  if (SkippedDestinations().contains(word)) {
    if (b.outermost()) return false;
    b.flushText();
    g.dest = Dest::Skip;
    return true;
  }
  if (g.dest == Dest::Skip) return false;
  const auto destination = Destinations().constFind(word);
  if (destination != Destinations().constEnd()) {
    b.flushText();
    g.dest = destination->dest;
    destination->start(b, w);
    return false;
  }
  const WordTable* words = WordsOf(g.dest);
  if (!words) return false;
  const auto handler = words->constFind(word);
  if (handler != words->constEnd()) {
    (*handler)(b, w);
  } else if (g.dest == Dest::Normal) {
    if (word.startsWith("trbrdr"))
      NoBorderSide(b, w);
    else if (b.row().borderSide >= 0 && word.startsWith("brdr"))
      SetCellBorder(b, word, w);
  }
  return false;
}

bool HandleSymbol(Builder& b, char symbol, bool star) {
  switch (symbol) {
    case '\\':
    case '{':
    case '}':
      b.addByte(symbol);
      return false;
    case '~':
      b.flushBytes();
      b.addChar(QChar(0x00A0));
      return false;
    case '_':
      b.flushBytes();
      b.addChar(QChar(0x2011));
      return false;
    case '\r':
    case '\n':
      return HandleWord(b, "par", Word(), star);
    case '\t':
      return HandleWord(b, "tab", Word(), star);
    default:
      return false;  // \- optional hyphen, \: index entry, \| formula: nothing to show
  }
}

}  // namespace qv::rtfread
