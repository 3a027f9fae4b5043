// The RTF reader: a tokenizer over the bytes, a stack of group states and a
// text cursor that builds the document as the groups unfold.
#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <optional>
#include <unordered_map>
#include <vector>

#include "richtext/rtf.h"
#include "store/codepage.h"

namespace qv {

namespace {

constexpr int kMaxLength = 1440 * 200;  // twips: no page is 200 inches
constexpr int kMaxTabs = 64;
constexpr int kMaxColumns = 63;  // Word's own limit for a table row

enum class Dest { Normal, FontTable, ColorTable, Picture, ListTable, ListOverrides, Numbering, Skip };
enum class PictKind { None, Png, Jpeg, Other };

struct CharState {
  int font = -1;  // -1: the default font
  int halfPoints = 24;
  bool bold = false, italic = false, underline = false, strike = false;
  int color = 0, highlight = 0;
  bool operator==(const CharState&) const = default;
};

// How a list paragraph is marked: a bullet, or numbers of one kind.
enum class ListKind { None, Bullet, Decimal, UpperRoman, LowerRoman, UpperAlpha, LowerAlpha };

// A list level's \levelnfc number format.
ListKind KindOfNumberFormat(int nfc) {
  switch (nfc) {
    case 0: return ListKind::Decimal;
    case 1: return ListKind::UpperRoman;
    case 2: return ListKind::LowerRoman;
    case 3: return ListKind::UpperAlpha;
    case 4: return ListKind::LowerAlpha;
    case 23: return ListKind::Bullet;
    case 255: return ListKind::None;
    default: return ListKind::Decimal;
  }
}

QTextListFormat::Style StyleOf(ListKind kind) {
  switch (kind) {
    case ListKind::Decimal: return QTextListFormat::ListDecimal;
    case ListKind::UpperRoman: return QTextListFormat::ListUpperRoman;
    case ListKind::LowerRoman: return QTextListFormat::ListLowerRoman;
    case ListKind::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case ListKind::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    default: return QTextListFormat::ListDisc;
  }
}

// One side of a table cell's border.
struct BorderDef {
  int width = 0;  // twips; 0: no line
  int color = 0;
};

struct CellDef {
  int right = 0;
  BorderDef sides[4];  // top, left, bottom, right
};

struct TabDef {
  int position = 0;
  QTextOption::TabType type = QTextOption::LeftTab;
};

struct ParaState {
  Qt::Alignment align = Qt::AlignLeft;
  int left = 0, right = 0, first = 0, before = 0, after = 0;
  int lineSpacing = 0;
  bool lineMultiple = false;
  std::vector<TabDef> tabs;
  QTextOption::TabType pendingTab = QTextOption::LeftTab;
  bool inTable = false;
  bool pageBreakBefore = false;
  int list = 0;   // \ls: the list override; 0 none
  int level = 0;  // \ilvl
  ListKind numbering = ListKind::None;  // from an old-style {\pn ...} group
};

struct Group {
  Dest dest = Dest::Normal;
  CharState chr;
  ParaState para;
  int uc = 1;
  long long parsAtOpen = 0;  // paragraphs ended before the group opened
  // The paragraph properties the next paragraph gets back: those from
  // before an inner group whose properties the open paragraph took.
  std::optional<ParaState> afterPar;
};

struct FontDef {
  QString name;
  int charset = -1;  // -1: none given
};

int Clamp(long long v, int low, int high) {
  return int(std::max<long long>(low, std::min<long long>(high, v)));
}

// The Windows code page of an RTF font character set; 0: the document's.
// ANSI_CHARSET (0) is Windows-1252 whatever \ansicpg says, as word
// processors read it; DEFAULT_CHARSET (1), a symbol font or none given
// take the document's.
int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0: return 1252;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 437;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 85: return 10006;
    case 88: return 10029;
    case 89: return 10007;
    case 130: return 1361;
    default: return 0;
  }
}

class Reader {
 public:
  explicit Reader(const QByteArray& data) : m_data(data) {}

  RtfReadResult run(RichDocument* out);

 private:
  // ---- tokens
  bool atEnd() const { return m_pos >= m_data.size(); }
  void readControl();
  void handleWord(const QByteArray& word, bool hasParam, int param);
  void handleSymbol(char c);
  void skipGroupRest();
  void skipBinary(long long count);

  // ---- groups
  bool openGroup();
  void closeGroup();
  Group& top() { return m_groups.back(); }

  // ---- text
  void addByte(char byte);
  void addChar(QChar c);
  void addText(const QString& text);
  void flushBytes();
  void flushText();
  QTextCharFormat charFormat() const;
  QTextBlockFormat blockFormat() const;
  void endParagraph();
  void pageBreak();
  void placeCursorForContent();
  void leaveTable();
  void endCell();
  void finishFont();
  void finishColor();
  void finishPicture();
  void joinList();
  ListKind listKindOf(const ParaState& p) const;
  void applyCellBorders();
  QTextCharFormat blockCharFormat() const;
  QStringDecoder* decoderFor(int codePage);
  int currentCodePage() const;

  const QByteArray& m_data;
  qsizetype m_pos = 0;
  std::vector<Group> m_groups;
  bool m_starPending = false;
  int m_skipChars = 0;  // characters after \uN still to step over
  bool m_ended = false;
  bool m_sawRtf = false;
  // A fragment (as pandoc writes) has no {\rtf1 group around it: the text
  // goes on after its first group closes, to the end of the file.
  bool m_fragment = false;
  bool m_atGroupStart = false;  // nothing read yet since the last '{'


  std::unique_ptr<QTextDocument> m_doc;
  QTextCursor m_cursor;
  PageLayout m_layout;
  QStringList m_warnings;
  QString m_error;

  QString m_text;
  QTextCharFormat m_textFormat;
  // The state m_textFormat was made from: text in the same state needs no
  // new format (making one per character was most of the reading time).
  CharState m_textState;
  bool m_textStateValid = false;
  QByteArray m_bytes;
  int m_bytesCodePage = 1252;
  bool m_blockHasContent = false;
  bool m_lastWasPar = false;
  bool m_pendingPageBreak = false;

  int m_docCodePage = 1252;
  int m_defaultFont = 0;
  QHash<int, FontDef> m_fonts;
  int m_fontNumber = 0;
  int m_fontCharset = -1;
  long long m_parsEnded = 0;  // paragraphs ended so far
  QString m_fontName;
  std::vector<QColor> m_colors;
  int m_red = 0, m_green = 0, m_blue = 0;
  bool m_colorSet = false;
  std::unordered_map<int, std::unique_ptr<QStringDecoder>> m_decoders;

  // pictures
  PictKind m_pictKind = PictKind::None;
  QByteArray m_pictData;
  bool m_pictHighNibble = true;
  bool m_pictTooLarge = false;
  int m_picW = 0, m_picH = 0, m_picGoalW = 0, m_picGoalH = 0, m_scaleX = 100, m_scaleY = 100;
  int m_pictures = 0;

  // lists: the levels of the \list being read, the kinds by \listid and
  // the \ls numbers that point at them; the lists of the paragraphs just
  // read, by (list, level), so a run of items stays one list
  std::vector<ListKind> m_listLevels;
  QHash<int, std::vector<ListKind>> m_listsById;
  int m_overrideListId = 0;
  QHash<int, int> m_overrides;
  QHash<QPair<int, int>, QTextList*> m_openLists;

  // tables
  std::vector<CellDef> m_cells;
  CellDef m_pendingCell;
  int m_borderSide = -1;  // the cell side \brdr... words describe; -1 none
  int m_cellPadding[2] = {0, 0};  // left, right of each cell of the row, twips
  QTextTable* m_table = nullptr;
  int m_row = -1, m_col = 0;
  bool m_rowEnded = true;
};

// The names the converter may know a Windows or Mac code page by, best
// first; none for a code page read through DecodeAnsi.
std::vector<QByteArray> EncodingNames(int codePage) {
  switch (codePage) {
    case 437: return {"IBM437"};
    case 850: return {"IBM850"};
    case 932: case 10001: return {"windows-31j", "Shift_JIS"};
    case 936: case 10008: return {"GBK", "windows-936", "GB2312"};
    case 949: case 10003: return {"windows-949", "EUC-KR"};
    case 950: case 10002: return {"Big5", "windows-950"};
    case 1361: return {"johab"};
    case 10000: return {"macintosh", "x-mac-roman"};
    case 10006: return {"x-mac-greek"};
    case 10007: return {"x-mac-cyrillic"};
    case 10029: return {"x-mac-centraleurope"};
    case 20127: return {"US-ASCII"};
    case 20866: return {"KOI8-R"};
    case 65001: return {"UTF-8"};
    default: break;
  }
  if (codePage >= 28591 && codePage <= 28605) return {"ISO-8859-" + QByteArray::number(codePage - 28590)};
  if (codePage > 0) return {"windows-" + QByteArray::number(codePage)};
  return {};
}

// The decoder of a code page, made once; null for Windows-1252 and for a
// code page no converter here reads, whose bytes go through DecodeAnsi (a
// notice tells about the latter once).
QStringDecoder* Reader::decoderFor(int codePage) {
  auto it = m_decoders.find(codePage);
  if (it != m_decoders.end()) return it->second.get();
  std::unique_ptr<QStringDecoder> decoder;
  if (codePage != 1252) {
    for (const QByteArray& name : EncodingNames(codePage)) {
      auto candidate = std::make_unique<QStringDecoder>(name.constData());
      if (candidate->isValid()) {
        decoder = std::move(candidate);
        break;
      }
    }
    if (!decoder) {
      m_warnings << QStringLiteral("The RTF text uses code page %1, which cannot be read here; "
                                   "its letters outside ASCII were read as Windows-1252.")
                        .arg(codePage);
    }
  }
  QStringDecoder* raw = decoder.get();
  m_decoders.emplace(codePage, std::move(decoder));
  return raw;
}

int Reader::currentCodePage() const {
  const Group& g = m_groups.back();
  const int font = g.chr.font < 0 ? m_defaultFont : g.chr.font;
  auto it = m_fonts.find(font);
  if (it != m_fonts.end()) {
    const int cp = CodePageOfCharset(it->charset);
    if (cp != 0) return cp;
  }
  return m_docCodePage;
}

RtfReadResult Reader::run(RichDocument* out) {
  RtfReadResult result;
  qsizetype start = 0;
  while (start < m_data.size() && (m_data[start] == ' ' || m_data[start] == '\r' ||
                                   m_data[start] == '\n' || m_data[start] == '\t')) {
    ++start;
  }
  // Some writers break the line between '{' and \rtf1.
  qsizetype word = start + 1;
  while (word < m_data.size() && (m_data[word] == ' ' || m_data[word] == '\r' ||
                                  m_data[word] == '\n' || m_data[word] == '\t')) {
    ++word;
  }
  const bool header = start < m_data.size() && m_data[start] == '{' && m_data.mid(word, 4) == "\\rtf";
  const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  m_fragment = !header && start < m_data.size() && m_data[start] == '{' &&
               word + 1 < m_data.size() && m_data[word] == '\\' && isLetter(m_data[word + 1]);
  if (!header && !m_fragment) {
    result.error = QStringLiteral("This is not an RTF file: it does not begin with {\\rtf.");
    return result;
  }
  m_doc = RichDocument::BareDocument();
  m_cursor = QTextCursor(m_doc.get());
  // Inside an edit block no cursor move asks for a layout.
  QTextCursor editBlock(m_doc.get());
  editBlock.beginEditBlock();
  m_groups.push_back(Group());  // outside every brace
  m_colors.clear();
  if (header) {
    m_pos = start + 1;
    openGroup();
    m_pos = word;
  } else {
    m_pos = start;
  }

  while (!atEnd() && !m_ended && m_error.isEmpty()) {
    const char c = m_data[m_pos];
    if (c != '{' && c != '\\' && c != '\r' && c != '\n') m_atGroupStart = false;
    if (c == '{') {
      ++m_pos;
      if (!openGroup()) break;
    } else if (c == '}') {
      ++m_pos;
      closeGroup();
    } else if (c == '\\') {
      readControl();
    } else if (c == '\r' || c == '\n') {
      ++m_pos;
    } else {
      ++m_pos;
      if (c == '\t') {
        flushBytes();
        addChar(QLatin1Char('\t'));
      } else {
        addByte(c);
      }
    }
  }
  if (!m_error.isEmpty()) {
    editBlock.endEditBlock();
    result.error = m_error;
    return result;
  }
  if (!m_ended && (!m_fragment || m_groups.size() > 1)) {
    m_warnings << QStringLiteral("The RTF text ends before all its groups are closed; "
                                 "the text up to there was read.");
    while (m_groups.size() > 1) closeGroup();
  }
  flushBytes();
  flushText();
  if (m_lastWasPar && !m_blockHasContent && m_doc->blockCount() > 1) {
    // The final \par ends the last paragraph; it does not start another.
    QTextCursor last(m_doc.get());
    last.movePosition(QTextCursor::End);
    last.deletePreviousChar();
  } else {
    m_cursor.setBlockFormat(blockFormat());
    joinList();
  }
  editBlock.endEditBlock();
  PageLayout layout = m_layout;
  layout.width = Clamp(layout.width, 720, kMaxLength);
  layout.height = Clamp(layout.height, 720, kMaxLength);
  result.ok = true;
  result.warnings = m_warnings;
  out->adopt(std::move(m_doc), layout);
  return result;
}

bool Reader::openGroup() {
  flushBytes();
  flushText();
  m_skipChars = 0;
  if (int(m_groups.size()) > kRtfMaxDepth) {
    m_error = QStringLiteral("The RTF text nests its groups more than %1 deep; "
                             "it is damaged or was not written by a word processor.")
                  .arg(kRtfMaxDepth);
    return false;
  }
  Group g = m_groups.back();
  g.para.tabs.reserve(0);
  g.parsAtOpen = m_parsEnded;
  m_groups.push_back(std::move(g));
  m_starPending = false;
  m_atGroupStart = true;
  if (m_groups.back().dest == Dest::Skip) skipGroupRest();
  return true;
}

void Reader::closeGroup() {
  flushBytes();
  flushText();
  m_skipChars = 0;
  m_starPending = false;
  m_atGroupStart = false;
  if (m_groups.size() <= 1) {
    m_ended = !m_fragment;  // the closing brace of the document (or a stray one)
    return;
  }
  const Group closing = m_groups.back();
  m_groups.pop_back();
  const Dest parent = m_groups.back().dest;
  if (closing.dest == Dest::Picture && parent != Dest::Picture) finishPicture();
  if (closing.dest == Dest::FontTable && parent == Dest::FontTable && !m_fontName.isEmpty()) {
    finishFont();
  }
  if (m_groups.size() == 1 && !m_fragment) m_ended = true;
  // A paragraph begun in a group and ended after it keeps the group's
  // paragraph properties, as word processors read it; a group that ended
  // its paragraphs itself gives the outer ones back ({\ri8000 a\par} b).
  // Table membership stays: \cell and \row often follow the group.
  if (closing.dest == Dest::Normal && parent == Dest::Normal) {
    if (m_parsEnded == closing.parsAtOpen) {
      Group& outer = m_groups.back();
      if (!outer.afterPar) outer.afterPar = closing.afterPar ? *closing.afterPar : outer.para;
      outer.para = closing.para;
    } else {
      m_groups.back().para.inTable = closing.para.inTable;
    }
  }
  if (closing.dest == Dest::Numbering && parent == Dest::Normal) {
    m_groups.back().para.numbering = closing.para.numbering;
  }
}

// Steps over the rest of an ignored group without building any state, so
// its size and nesting cost nothing but the scan.
void Reader::skipGroupRest() {
  long long depth = 1;
  while (!atEnd()) {
    const char c = m_data[m_pos++];
    if (c == '\\') {
      if (atEnd()) break;
      const char n = m_data[m_pos];
      if (n == '{' || n == '}' || n == '\\') {
        ++m_pos;
      } else if (m_data.mid(m_pos, 3) == "bin") {
        qsizetype p = m_pos + 3;
        long long count = 0;
        int digits = 0;
        while (p < m_data.size() && m_data[p] >= '0' && m_data[p] <= '9' && digits < 10) {
          count = count * 10 + (m_data[p] - '0');
          ++p;
          ++digits;
        }
        if (p < m_data.size() && m_data[p] == ' ') ++p;
        m_pos = p;
        skipBinary(count);
      }
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth == 0) {
        m_groups.pop_back();
        if (m_groups.size() == 1 && !m_fragment) m_ended = true;
        return;
      }
    }
  }
}

void Reader::skipBinary(long long count) {
  m_pos = qsizetype(std::min<long long>(m_data.size(), m_pos + count));
}

void Reader::readControl() {
  const bool groupStart = std::exchange(m_atGroupStart, false);
  ++m_pos;  // the backslash
  if (atEnd()) return;
  const char c = m_data[m_pos];
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (!letter) {
    ++m_pos;
    if (c == '\'') {
      int value = 0;
      int digits = 0;
      while (digits < 2 && !atEnd()) {
        const char h = m_data[m_pos];
        int v = -1;
        if (h >= '0' && h <= '9') v = h - '0';
        else if (h >= 'a' && h <= 'f') v = h - 'a' + 10;
        else if (h >= 'A' && h <= 'F') v = h - 'A' + 10;
        if (v < 0) break;
        value = value * 16 + v;
        ++m_pos;
        ++digits;
      }
      if (digits == 0) return;
      if (top().dest == Dest::Normal || top().dest == Dest::FontTable) {
        addByte(char(value));
      }
      return;
    }
    // \* marks a destination to ignore only as a group's first word; word
    // processors write it elsewhere too (\*\cs7 inside a run of text).
    if (c == '*') {
      m_starPending = groupStart;
      return;
    }
    handleSymbol(c);
    return;
  }
  const qsizetype wordStart = m_pos;
  while (!atEnd() && m_pos - wordStart < 32) {
    const char l = m_data[m_pos];
    if (!((l >= 'a' && l <= 'z') || (l >= 'A' && l <= 'Z'))) break;
    ++m_pos;
  }
  const QByteArray word = m_data.mid(wordStart, m_pos - wordStart);
  bool hasParam = false;
  bool negative = false;
  long long value = 0;
  if (!atEnd() && m_data[m_pos] == '-') {
    negative = true;
    ++m_pos;
  }
  int digits = 0;
  while (!atEnd() && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
    if (digits < 10) value = value * 10 + (m_data[m_pos] - '0');
    ++digits;
    ++m_pos;
    hasParam = true;
  }
  if (!atEnd() && m_data[m_pos] == ' ') ++m_pos;
  if (negative) value = -value;
  const int param = Clamp(value, -2147483647, 2147483647);
  if (word == "bin") {
    skipBinary(hasParam ? std::max<long long>(0, value) : 0);
    return;
  }
  handleWord(word, hasParam, param);
}

void Reader::handleSymbol(char c) {
  switch (c) {
    case '\\':
    case '{':
    case '}':
      addByte(c);
      return;
    case '~':
      flushBytes();
      addChar(QChar(0x00A0));
      return;
    case '_':
      flushBytes();
      addChar(QChar(0x2011));
      return;
    case '\r':
    case '\n':
      handleWord("par", false, 0);
      return;
    case '\t':
      handleWord("tab", false, 0);
      return;
    default:
      return;  // \- optional hyphen, \: index entry, \| formula: nothing to show
  }
}

void Reader::handleWord(const QByteArray& w, bool hasParam, int param) {
  Group& g = top();
  const bool star = m_starPending;
  m_starPending = false;
  flushBytes();
  if (m_skipChars > 0 && w != "u") m_skipChars = 0;

  // Destinations.
  // A destination outside every brace has no group to skip: the word alone
  // is dropped, and the text after it read.
  const bool outermost = m_groups.size() <= 1;
  if (star && w != "shppict" && w != "pn" && w != "listtable" && w != "listoverridetable") {
    if (outermost) return;
    g.dest = Dest::Skip;
    skipGroupRest();
    return;
  }
  static const QSet<QByteArray> kSkipped = {
      "stylesheet", "info",      "header",    "headerl",     "headerr",    "headerf",
      "footer",     "footerl",   "footerr",   "footerf",     "footnote",   "annotation",
      "pntext",     "revtbl",      "rsidtbl",    "xmlnstbl",
      "themedata",  "colorschememapping",     "latentstyles", "datastore", "generator",
      "nonshppict", "objdata",   "pgdsctbl",  "xe",          "tc",         "txe",
      "fldinst",    "author",    "operator",  "title",       "subject",    "doccomm",
      "company",    "listtext",  "template",  "filetbl",     "atnid",
      // What readers without nested tables show in their place: the nested
      // cells are read themselves.
      "nonesttables"};
  if (kSkipped.contains(w)) {
    if (outermost) return;
    flushText();
    g.dest = Dest::Skip;
    skipGroupRest();
    return;
  }
  if (g.dest == Dest::Skip) return;
  if (w == "fonttbl") {
    flushText();
    g.dest = Dest::FontTable;
    m_fontName.clear();
    return;
  }
  if (w == "colortbl") {
    flushText();
    g.dest = Dest::ColorTable;
    m_colorSet = false;
    m_red = m_green = m_blue = 0;
    return;
  }
  if (w == "pict") {
    flushText();
    g.dest = Dest::Picture;
    m_pictKind = PictKind::Other;
    m_pictData.clear();
    m_pictHighNibble = true;
    m_pictTooLarge = false;
    m_picW = m_picH = m_picGoalW = m_picGoalH = 0;
    m_scaleX = m_scaleY = 100;
    return;
  }

  if (w == "listtable" || w == "listoverridetable" || w == "pn") {
    flushText();
    g.dest = w == "pn" ? Dest::Numbering
                       : w == "listtable" ? Dest::ListTable : Dest::ListOverrides;
    g.para.numbering = ListKind::None;
    return;
  }
  if (g.dest == Dest::ListTable) {
    if (w == "list") m_listLevels.clear();
    else if (w == "listlevel" && m_listLevels.size() < 9) m_listLevels.push_back(ListKind::Decimal);
    else if (w == "levelnfc" && !m_listLevels.empty()) m_listLevels.back() = KindOfNumberFormat(param);
    else if (w == "listid") m_listsById.insert(param, std::exchange(m_listLevels, {}));
    return;
  }
  if (g.dest == Dest::ListOverrides) {
    if (w == "listid") m_overrideListId = param;
    else if (w == "ls") m_overrides.insert(param, m_overrideListId);
    return;
  }
  if (g.dest == Dest::Numbering) {
    ListKind& n = g.para.numbering;
    if (w == "pnlvlblt") n = ListKind::Bullet;
    else if (w == "pndec") n = ListKind::Decimal;
    else if (w == "pnucrm") n = ListKind::UpperRoman;
    else if (w == "pnlcrm") n = ListKind::LowerRoman;
    else if (w == "pnucltr") n = ListKind::UpperAlpha;
    else if (w == "pnlcltr") n = ListKind::LowerAlpha;
    else if ((w == "pnlvlbody" || w == "pnlvlcont") && n == ListKind::None) n = ListKind::Decimal;
    return;
  }
  if (g.dest == Dest::FontTable) {
    if (w == "f") m_fontNumber = param;
    else if (w == "fcharset") m_fontCharset = param;
    return;
  }
  if (g.dest == Dest::ColorTable) {
    if (w == "red") m_red = Clamp(param, 0, 255), m_colorSet = true;
    else if (w == "green") m_green = Clamp(param, 0, 255), m_colorSet = true;
    else if (w == "blue") m_blue = Clamp(param, 0, 255), m_colorSet = true;
    return;
  }
  if (g.dest == Dest::Picture) {
    if (w == "pngblip") m_pictKind = PictKind::Png;
    else if (w == "jpegblip") m_pictKind = PictKind::Jpeg;
    else if (w == "picw") m_picW = param;
    else if (w == "pich") m_picH = param;
    else if (w == "picwgoal") m_picGoalW = Clamp(param, 0, kMaxLength);
    else if (w == "pichgoal") m_picGoalH = Clamp(param, 0, kMaxLength);
    else if (w == "picscalex") m_scaleX = Clamp(param, 1, 100000);
    else if (w == "picscaley") m_scaleY = Clamp(param, 1, 100000);
    else if (w == "wmetafile" || w == "emfblip" || w == "macpict" || w == "dibitmap" ||
             w == "wbitmap" || w == "pmmetafile")
      m_pictKind = PictKind::Other;
    return;
  }

  CharState& ch = g.chr;
  ParaState& p = g.para;
  const bool on = !hasParam || param != 0;
  // Document and section.
  if (w == "rtf") m_sawRtf = true;
  else if (w == "ansicpg") m_docCodePage = hasParam ? param : 1252;
  else if (w == "mac") m_docCodePage = 10000;
  else if (w == "pc") m_docCodePage = 437;
  else if (w == "pca") m_docCodePage = 850;
  else if (w == "deff") m_defaultFont = param, m_textStateValid = false;
  else if (w == "paperw" || w == "pgwsxn") m_layout.width = Clamp(param, 0, kMaxLength);
  else if (w == "paperh" || w == "pghsxn") m_layout.height = Clamp(param, 0, kMaxLength);
  else if (w == "margl" || w == "marglsxn") m_layout.left = Clamp(param, 0, kMaxLength);
  else if (w == "margr" || w == "margrsxn") m_layout.right = Clamp(param, 0, kMaxLength);
  else if (w == "margt" || w == "margtsxn") m_layout.top = Clamp(param, 0, kMaxLength);
  else if (w == "margb" || w == "margbsxn") m_layout.bottom = Clamp(param, 0, kMaxLength);
  else if (w == "landscape" || w == "lndscpsxn") m_layout.landscape = true;
  else if (w == "uc") g.uc = Clamp(param, 0, 10);
  // Characters.
  else if (w == "plain") ch = CharState();
  else if (w == "b") ch.bold = on;
  else if (w == "i") ch.italic = on;
  else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulth" || w == "ulw" || w == "ulwave" ||
           w == "uldash" || w == "ulhwave")
    ch.underline = on;
  else if (w == "ulnone") ch.underline = false;
  else if (w == "strike") ch.strike = on;
  else if (w == "fs") ch.halfPoints = hasParam ? Clamp(param, 2, 3276) : 24;
  else if (w == "f") ch.font = param;
  else if (w == "cf") ch.color = Clamp(param, 0, 100000);
  else if (w == "highlight" || w == "cb") ch.highlight = Clamp(param, 0, 100000);
  // Paragraphs.
  else if (w == "pard") {
    p = ParaState();
    m_groups.back().afterPar.reset();
  }
  else if (w == "ql") p.align = Qt::AlignLeft;
  else if (w == "qc") p.align = Qt::AlignHCenter;
  else if (w == "qr") p.align = Qt::AlignRight;
  else if (w == "qj") p.align = Qt::AlignJustify;
  else if (w == "li") p.left = Clamp(param, -kMaxLength, kMaxLength);
  else if (w == "ri") p.right = Clamp(param, -kMaxLength, kMaxLength);
  else if (w == "fi") p.first = Clamp(param, -kMaxLength, kMaxLength);
  else if (w == "sb") p.before = Clamp(param, 0, kMaxLength);
  else if (w == "sa") p.after = Clamp(param, 0, kMaxLength);
  else if (w == "sl") p.lineSpacing = Clamp(param, -kMaxLength, kMaxLength);
  else if (w == "slmult") p.lineMultiple = param != 0;
  else if (w == "tqr") p.pendingTab = QTextOption::RightTab;
  else if (w == "tqc") p.pendingTab = QTextOption::CenterTab;
  else if (w == "tqdec") p.pendingTab = QTextOption::DelimiterTab;
  else if (w == "tx") {
    if (int(p.tabs.size()) < kMaxTabs) p.tabs.push_back({Clamp(param, 0, kMaxLength), p.pendingTab});
    p.pendingTab = QTextOption::LeftTab;
  } else if (w == "pagebb") p.pageBreakBefore = on;
  else if (w == "intbl") p.inTable = true;
  else if (w == "ls") p.list = Clamp(param, 0, 100000);
  else if (w == "ilvl") p.level = Clamp(param, 0, 8);
  else if (w == "par" || w == "sect") endParagraph();
  else if (w == "page") pageBreak();
  else if (w == "line") addChar(QChar(QChar::LineSeparator));
  else if (w == "tab") addChar(QLatin1Char('\t'));
  else if (w == "lquote") addChar(QChar(0x2018));
  else if (w == "rquote") addChar(QChar(0x2019));
  else if (w == "ldblquote") addChar(QChar(0x201C));
  else if (w == "rdblquote") addChar(QChar(0x201D));
  else if (w == "bullet") addChar(QChar(0x2022));
  else if (w == "endash") addChar(QChar(0x2013));
  else if (w == "emdash") addChar(QChar(0x2014));
  else if (w == "enspace" || w == "emspace" || w == "qmspace") addChar(QLatin1Char(' '));
  else if (w == "u") {
    int code = param;
    if (code < 0) code += 65536;
    // A control character is no text to keep (nor one we could write back),
    // and neither are the characters the text document takes as its own
    // marks: an object's place, a frame's ends, a line or paragraph break.
    const bool mark = code == 0xFFFC || code == 0xFDD0 || code == 0xFDD1 || code == 0x2028 ||
                      code == 0x2029;
    if (code >= 0x20 && code < 65536 && !mark) addChar(QChar(char16_t(code)));
    m_skipChars = g.uc;
  }
  // Tables.
  else if (w == "trowd") {
    m_cells.clear();
    m_pendingCell = CellDef();
    m_borderSide = -1;
    m_cellPadding[0] = m_cellPadding[1] = 0;
  } else if (w == "trgaph") {
    // Half the space between two cells' texts, on each side of every cell.
    m_cellPadding[0] = m_cellPadding[1] = Clamp(param, 0, 1440);
  } else if (w == "trpaddl") m_cellPadding[0] = Clamp(param, 0, 1440);
  else if (w == "trpaddr") m_cellPadding[1] = Clamp(param, 0, 1440);
  else if (w == "nestcell") {
    // A nested table's cells go in their outer cell one after another.
    addChar(QLatin1Char('\t'));
  } else if (w == "cellx") {
    m_pendingCell.right = Clamp(param, 0, kMaxLength);
    if (int(m_cells.size()) < kMaxColumns) m_cells.push_back(m_pendingCell);
    m_pendingCell = CellDef();
    m_borderSide = -1;
  } else if (w == "clbrdrt") m_borderSide = 0;
  else if (w == "clbrdrl") m_borderSide = 1;
  else if (w == "clbrdrb") m_borderSide = 2;
  else if (w == "clbrdrr") m_borderSide = 3;
  else if (w == "brdrt" || w == "brdrb" || w == "brdrl" || w == "brdrr" || w == "brdrbtw" ||
           w == "brdrbar" || w == "box" || w.startsWith("trbrdr")) {
    m_borderSide = -1;  // a paragraph's or a whole row's border: not drawn
  } else if (m_borderSide >= 0 && w.startsWith("brdr")) {
    BorderDef& side = m_pendingCell.sides[m_borderSide];
    if (w == "brdrw") side.width = Clamp(param, 0, 1440);
    else if (w == "brdrcf") side.color = Clamp(param, 0, 100000);
    else if (w == "brdrnone" || w == "brdrnil") side.width = 0;
    else if (side.width == 0) side.width = 15;  // a style word alone: a hairline
  } else if (w == "cell") endCell();
  else if (w == "row") {
    flushText();
    if (m_table) m_rowEnded = true;
  }
  // Everything else: stepped over.
}

void Reader::addByte(char byte) {
  const Dest d = top().dest;
  if (d == Dest::Picture) {
    int v = -1;
    if (byte >= '0' && byte <= '9') v = byte - '0';
    else if (byte >= 'a' && byte <= 'f') v = byte - 'a' + 10;
    else if (byte >= 'A' && byte <= 'F') v = byte - 'A' + 10;
    if (v < 0 || m_pictTooLarge) return;
    if (m_pictHighNibble) {
      if (m_pictData.size() >= kRtfMaxPictureBytes) {
        m_pictTooLarge = true;
        m_pictData.clear();
        return;
      }
      m_pictData.append(char(v << 4));
    } else {
      m_pictData.back() = char(m_pictData.back() | v);
    }
    m_pictHighNibble = !m_pictHighNibble;
    return;
  }
  if (d == Dest::ColorTable) {
    if (byte == ';') finishColor();
    return;
  }
  if (d == Dest::Skip || d == Dest::ListTable || d == Dest::ListOverrides || d == Dest::Numbering) {
    return;
  }
  if (m_skipChars > 0) {
    --m_skipChars;
    return;
  }
  if (d == Dest::FontTable) {
    if (byte == ';') {
      finishFont();
    } else {
      m_fontName += QChar(uchar(byte) < 0x80 ? QLatin1Char(byte) : DecodeAnsi({&byte, 1}).at(0));
    }
    return;
  }
  const unsigned char u = uchar(byte);
  if (u < 0x80 && m_bytes.isEmpty()) {
    if (u >= 0x20) addChar(QLatin1Char(byte));
    return;
  }
  const int cp = currentCodePage();
  if (!m_bytes.isEmpty() && cp != m_bytesCodePage) flushBytes();
  m_bytesCodePage = cp;
  m_bytes.append(byte);
}

void Reader::flushBytes() {
  if (m_bytes.isEmpty()) return;
  QByteArray bytes;
  std::swap(bytes, m_bytes);
  QString text;
  if (QStringDecoder* decoder = decoderFor(m_bytesCodePage)) {
    decoder->resetState();  // a pair cut short by a control word does not join the next text
    text = decoder->decode(bytes);
  } else {
    text = DecodeAnsi(std::string_view(bytes.constData(), size_t(bytes.size())));
  }
  for (QChar c : text) {
    if (c.unicode() >= 0x20 || c == QLatin1Char('\t')) addText(QString(c));
  }
}

void Reader::addChar(QChar c) {
  if (top().dest != Dest::Normal) return;
  if (m_skipChars > 0) {
    --m_skipChars;
    return;
  }
  addText(QString(c));
}

void Reader::addText(const QString& text) {
  if (top().dest != Dest::Normal) return;
  const CharState& state = top().chr;
  if (!m_textStateValid || !(state == m_textState)) {
    const QTextCharFormat format = charFormat();
    if (!m_text.isEmpty() && format != m_textFormat) flushText();
    m_textFormat = format;
    m_textState = state;
    m_textStateValid = true;
  }
  m_text += text;
}

QTextCharFormat Reader::charFormat() const {
  const CharState& c = m_groups.back().chr;
  QTextCharFormat f;
  const int font = c.font < 0 ? m_defaultFont : c.font;
  auto it = m_fonts.find(font);
  const QString family = it != m_fonts.end() && !it->name.isEmpty()
                             ? it->name
                             : m_doc->defaultFont().family();
  f.setFontFamilies(QStringList{family});
  f.setFontPointSize(c.halfPoints / 2.0);
  f.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(c.italic);
  f.setFontUnderline(c.underline);
  f.setFontStrikeOut(c.strike);
  if (c.color > 0 && size_t(c.color) < m_colors.size() && m_colors[size_t(c.color)].isValid()) {
    f.setForeground(m_colors[size_t(c.color)]);
  }
  if (c.highlight > 0 && size_t(c.highlight) < m_colors.size() &&
      m_colors[size_t(c.highlight)].isValid()) {
    f.setBackground(m_colors[size_t(c.highlight)]);
  }
  return f;
}

QTextBlockFormat Reader::blockFormat() const {
  const ParaState& p = m_groups.back().para;
  QTextBlockFormat f;
  f.setAlignment(p.align);
  f.setLeftMargin(p.left);
  f.setRightMargin(p.right);
  f.setTextIndent(p.first);
  const double unit = TwipsPerScaledUnit();
  f.setTopMargin(p.before / unit);
  f.setBottomMargin(p.after / unit);
  if (p.lineSpacing != 0) {
    if (p.lineMultiple && p.lineSpacing > 0) {
      f.setLineHeight(qRound(p.lineSpacing * 100.0 / 240.0), QTextBlockFormat::ProportionalHeight);
    } else if (p.lineSpacing > 0) {
      f.setLineHeight(p.lineSpacing / unit, QTextBlockFormat::MinimumHeight);
    } else {
      f.setLineHeight(-p.lineSpacing / unit, QTextBlockFormat::FixedHeight);
    }
  }
  if (!p.tabs.empty()) {
    QList<QTextOption::Tab> tabs;
    for (const TabDef& t : p.tabs) tabs << QTextOption::Tab(t.position / unit, t.type);
    f.setTabPositions(tabs);
  }
  if (p.pageBreakBefore) f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  if (listKindOf(p) != ListKind::None) {
    // A word processor puts the marker at the first-line indent and the
    // text at the left indent; the layout puts the marker before the text.
    f.setTextIndent(0);
    f.setProperty(kListMarkerIndent, p.first);
  }
  return f;
}

ListKind Reader::listKindOf(const ParaState& p) const {
  if (p.list > 0) {
    auto o = m_overrides.find(p.list);
    if (o != m_overrides.end()) {
      auto l = m_listsById.find(*o);
      if (l != m_listsById.end() && !l->empty()) {
        return (*l)[std::min<size_t>(size_t(p.level), l->size() - 1)];
      }
    }
    return ListKind::Bullet;  // a list whose definition is missing still shows as one
  }
  return p.numbering;
}

// Makes the paragraph at the cursor an item of its list: the list of the
// items just before it with the same list and level, or a new one.
void Reader::joinList() {
  const ParaState& p = m_groups.back().para;
  const ListKind kind = listKindOf(p);
  if (kind == ListKind::None) {
    if (!m_cursor.currentTable()) m_openLists.clear();
    return;
  }
  const QPair<int, int> key(p.list > 0 ? p.list : -1 - int(kind), p.level);
  auto it = m_openLists.find(key);
  if (it != m_openLists.end() && (*it)->format().style() == StyleOf(kind)) {
    (*it)->add(m_cursor.block());
    return;
  }
  QTextListFormat f;
  f.setStyle(StyleOf(kind));
  f.setIndent(0);
  f.setProperty(kListLevel, p.level);
  m_openLists.insert(key, m_cursor.createList(f));
}

// Gives the cells of the row just made the borders its \trowd defined.
void Reader::applyCellBorders() {
  for (int c = 0; c < m_table->columns() && c < int(m_cells.size()); ++c) {
    QTextTableCell cell = m_table->cellAt(m_row, c);
    QTextTableCellFormat f = cell.format().toTableCellFormat();
    const BorderDef* sides = m_cells[size_t(c)].sides;
    auto brush = [this](int color) {
      return color > 0 && size_t(color) < m_colors.size() && m_colors[size_t(color)].isValid()
                 ? QBrush(m_colors[size_t(color)])
                 : QBrush(Qt::black);
    };
    auto style = [](int width) {
      return width > 0 ? QTextFrameFormat::BorderStyle_Solid : QTextFrameFormat::BorderStyle_None;
    };
    // Width, style and brush of each side, in the order of `sides`.
    static const int kSides[4][3] = {
        {QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle,
         QTextFormat::TableCellTopBorderBrush},
        {QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle,
         QTextFormat::TableCellLeftBorderBrush},
        {QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle,
         QTextFormat::TableCellBottomBorderBrush},
        {QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle,
         QTextFormat::TableCellRightBorderBrush},
    };
    f.setLeftPadding(m_cellPadding[0] / kTwipsPerLayoutPixel);
    f.setRightPadding(m_cellPadding[1] / kTwipsPerLayoutPixel);
    for (int side = 0; side < 4; ++side) {
      f.setProperty(kSides[side][0], sides[side].width / kTwipsPerLayoutPixel);
      f.setProperty(kSides[side][1], int(style(sides[side].width)));
      f.setProperty(kSides[side][2], brush(sides[side].color));
    }
    cell.setFormat(f);
  }
}

void Reader::leaveTable() {
  if (!m_table) return;
  m_cursor = m_table->lastCursorPosition();
  m_cursor.movePosition(QTextCursor::NextBlock);
  m_table = nullptr;
  m_row = -1;
  m_rowEnded = true;
  m_blockHasContent = false;
}

// Puts the cursor where the next text belongs: a table cell for text of a
// table row, the body otherwise.
void Reader::placeCursorForContent() {
  const bool inTable = m_groups.back().para.inTable;
  if (!inTable) {
    leaveTable();
    return;
  }
  const int columns = std::max<int>(1, int(m_cells.size()));
  if (!m_table) {
    if (m_blockHasContent) {
      m_cursor.setBlockFormat(QTextBlockFormat());
      m_cursor.insertBlock();
    }
    const bool emptyBefore =
        m_cursor.block().length() == 1 && m_cursor.block().previous().isValid();
    QTextTableFormat tf;
    tf.setBorder(0);
    tf.setCellPadding(0);
    tf.setCellSpacing(0);
    tf.setBorderCollapse(true);
    QList<QTextLength> widths;
    int left = 0;
    for (const CellDef& cell : m_cells) {
      widths << QTextLength(QTextLength::FixedLength,
                            std::max(1, cell.right - left) / kTwipsPerLayoutPixel);
      left = cell.right;
    }
    if (!widths.isEmpty()) tf.setColumnWidthConstraints(widths);
    m_table = m_cursor.insertTable(1, columns, tf);
    if (emptyBefore) {
      // The table follows the paragraph before it, not the empty one the
      // last \par opened.
      QTextCursor before(m_doc.get());
      before.setPosition(m_table->firstPosition() - 1);
      before.deletePreviousChar();
    }
    m_row = 0;
    m_col = 0;
    m_rowEnded = false;
    applyCellBorders();
    m_cursor = m_table->cellAt(0, 0).firstCursorPosition();
    m_blockHasContent = false;
    return;
  }
  if (m_rowEnded) {
    m_table->appendRows(1);
    if (columns > m_table->columns()) m_table->appendColumns(columns - m_table->columns());
    ++m_row;
    m_col = 0;
    m_rowEnded = false;
    applyCellBorders();
    m_cursor = m_table->cellAt(m_row, 0).firstCursorPosition();
    m_blockHasContent = false;
  }
}

void Reader::flushText() {
  if (m_text.isEmpty()) return;
  placeCursorForContent();
  m_cursor.insertText(m_text, m_textFormat);
  m_text.clear();
  m_blockHasContent = true;
  m_lastWasPar = false;
}

void Reader::endParagraph() {
  flushText();
  placeCursorForContent();
  QTextBlockFormat format = blockFormat();
  if (m_pendingPageBreak) format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  m_pendingPageBreak = false;
  m_cursor.setBlockFormat(format);
  m_cursor.setBlockCharFormat(blockCharFormat());
  joinList();
  m_cursor.insertBlock(QTextBlockFormat(), charFormat());
  m_blockHasContent = false;
  m_lastWasPar = true;
  ++m_parsEnded;
  Group& g = m_groups.back();
  if (g.afterPar) {
    const bool inTable = g.para.inTable;
    g.para = *g.afterPar;
    g.para.inTable = inTable;
    g.afterPar.reset();
  }
}

// The character format a paragraph's end gives its block. The first block
// of a table cell also holds the cell's own format (its borders), which
// must outlive the paragraph.
QTextCharFormat Reader::blockCharFormat() const {
  if (m_table) {
    const QTextTableCell cell = m_table->cellAt(m_cursor);
    if (cell.isValid() && cell.firstPosition() == m_cursor.block().position()) {
      QTextCharFormat f = cell.format();
      f.merge(charFormat());
      return f;
    }
  }
  return charFormat();
}

void Reader::pageBreak() {
  flushText();
  if (m_blockHasContent) endParagraph();
  m_pendingPageBreak = true;
}

void Reader::endCell() {
  flushText();
  placeCursorForContent();
  if (!m_table) return;
  m_cursor.setBlockFormat(blockFormat());
  // Cells beyond the row's definition add their text to the last cell.
  if (m_col + 1 < m_table->columns()) {
    ++m_col;
    m_cursor = m_table->cellAt(m_row, m_col).firstCursorPosition();
  }
  m_blockHasContent = false;
  m_lastWasPar = false;
}

void Reader::finishFont() {
  m_textStateValid = false;
  FontDef def;
  def.name = m_fontName.trimmed();
  def.charset = m_fontCharset;
  m_fonts.insert(m_fontNumber, def);
  m_fontName.clear();
  m_fontCharset = -1;
}

void Reader::finishColor() {
  m_textStateValid = false;
  m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
  m_red = m_green = m_blue = 0;
  m_colorSet = false;
}

void Reader::finishPicture() {
  if (m_pictTooLarge) {
    m_warnings << QStringLiteral("A picture larger than %1 MB was left out.")
                      .arg(kRtfMaxPictureBytes / (1024 * 1024));
    return;
  }
  if (m_pictKind != PictKind::Png && m_pictKind != PictKind::Jpeg) {
    m_warnings << QStringLiteral("A picture in a format other than PNG or JPEG was left out.");
    return;
  }
  QBuffer buffer(&m_pictData);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, m_pictKind == PictKind::Png ? "png" : "jpeg");
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > 20000 || size.height() > 20000) {
    m_warnings << QStringLiteral("A damaged picture was left out.");
    return;
  }
  QImage check;
  if (!reader.read(&check)) {
    m_warnings << QStringLiteral("A damaged picture was left out.");
    return;
  }
  // Sizes: the goal in twips, else the picture at 96 pixels per inch.
  double w = m_picGoalW > 0 ? m_picGoalW : size.width() * 15.0;
  double h = m_picGoalH > 0 ? m_picGoalH : size.height() * 15.0;
  w = std::min<double>(w * m_scaleX / 100.0, kMaxLength);
  h = std::min<double>(h * m_scaleY / 100.0, kMaxLength);
  const QString name = QStringLiteral("%1://%2").arg(QLatin1String(kPictureScheme)).arg(++m_pictures);
  m_doc->addResource(QTextDocument::ImageResource, QUrl(name), m_pictData);
  placeCursorForContent();
  QTextImageFormat f;
  f.setName(name);
  // Image sizes in a document count 96-dpi pixels; the twips device scales
  // them by 1440 / 96, so a twips length goes in divided by 15.
  f.setWidth(w / 15.0);
  f.setHeight(h / 15.0);
  m_cursor.insertImage(f);
  m_blockHasContent = true;
  m_lastWasPar = false;
}

}  // namespace

RtfReadResult ReadRtf(const QByteArray& rtf, RichDocument* out) {
  Reader reader(rtf);
  return reader.run(out);
}

}  // namespace qv
