// The RTF reader's document builder: the state of every open group and a
// text cursor that puts paragraphs, runs, tables, lists and pictures into
// a RichDocument as the groups unfold. The control-word table sets the
// state; the builder turns it into formats.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QPair>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextOption>
#include <QTextTable>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "richtext/rtf.h"

namespace qv::rtfread {

constexpr int kMaxLength = 1440 * 200;  // twips: no page is 200 inches
constexpr int kMaxTabs = 64;
constexpr int kMaxColumns = 63;  // Word's own limit for a table row

inline int Clamp(long long v, int low, int high) {
  return int(std::max<long long>(low, std::min<long long>(high, v)));
}

enum class Dest {
  Normal,
  FontTable,
  ColorTable,
  Picture,
  ListTable,
  LevelText,
  LevelNumbers,
  FieldInstruction,
  ListOverrides,
  Numbering,
  Skip
};
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
  int list = 0;                         // \ls: the list override; 0 none
  int level = 0;                        // \ilvl
  ListKind numbering = ListKind::None;  // from an old-style {\pn ...} group
};

struct RowDef;

struct Group {
  Dest dest = Dest::Normal;
  CharState chr;
  ParaState para;
  int uc = 1;
  long long parsAtOpen = 0;  // paragraphs ended before the group opened
  // The paragraph properties the next paragraph gets back: those from
  // before an inner group whose properties the open paragraph took.
  std::optional<ParaState> afterPar;
  bool field = false;  // a \field group
  // The row definition to take back when the group closes.
  std::shared_ptr<const RowDef> savedRow;
};

struct FontDef {
  QString name;
  int charset = -1;  // -1: none given
};

// The font table entry being read.
struct FontEntry {
  int number = 0;
  int charset = -1;
  QString name;
};

// The colour table entry being read.
struct ColorEntry {
  int red = 0, green = 0, blue = 0;
  bool set = false;
};

// The picture being read.
struct PictureDef {
  PictKind kind = PictKind::None;
  QByteArray data;
  bool highNibble = true;
  bool tooLarge = false;
  int goalWidth = 0, goalHeight = 0, scaleX = 100, scaleY = 100;
};

// The row \trowd defines: its cells and the cell border being read.
struct RowDef {
  std::vector<CellDef> cells;
  CellDef pending;
  int borderSide = -1;      // the cell side \brdr... words describe; -1 none
  int padding[2] = {0, 0};  // left, right of each cell of the row, twips
};

// One level of a list definition: its number format and its \leveltext
// as written (a length byte, then the text, level numbers as bytes 0-8 at
// the offsets \levelnumbers gives).
struct LevelDef {
  ListKind kind = ListKind::Decimal;
  QByteArray text;
  QByteArray numbers;
};

// The levels of the \list being read, the levels by \listid and the \ls
// numbers that point at them.
struct ListTables {
  std::vector<LevelDef> levels;
  QHash<int, std::vector<LevelDef>> byId;
  int overrideListId = 0;
  QHash<int, int> overrides;
};

class Builder {
 public:
  // `fragment`: the file has no {\rtf1 group around it, so its text goes on
  // after its first group closes, to the end of the file.
  explicit Builder(bool fragment);
  ~Builder();

  bool ended() const { return m_ended; }
  bool failed() const { return !m_error.isEmpty(); }
  // Hands the document to `out` (or tells why not).
  RtfReadResult finish(RichDocument* out);

  // ---- groups
  // False when the nesting is too deep (the reading fails).
  bool openGroup();
  void closeGroup();
  // The group whose rest the tokenizer stepped over has closed.
  void closeSkippedGroup();
  Group& top() { return m_groups.back(); }
  bool outermost() const { return m_groups.size() <= 1; }

  // ---- text
  void addByte(char byte);
  void addChar(QChar c);
  void flushBytes();
  void flushText();
  // Characters after \uN still to step over.
  int skipChars() const { return m_skipChars; }
  void setSkipChars(int count) { m_skipChars = count; }

  // ---- paragraphs, tables, pictures
  void endParagraph();
  void pageBreak();
  void endCell();
  void endRow();

  // ---- document-wide state the control words set
  PageLayout& pageLayout() { return m_layout; }
  void setDocCodePage(int codePage) { m_docCodePage = codePage; }
  void setDefaultFont(int font);
  FontEntry& fontEntry() { return m_fontEntry; }
  ColorEntry& colorEntry() { return m_colorEntry; }
  PictureDef& picture() { return m_picture; }
  RowDef& row() { return m_row; }
  // The row definition from before the current group comes back when it
  // closes.
  void keepRowDefinition() { top().savedRow = std::make_shared<const RowDef>(m_row); }
  ListTables& lists() { return m_lists; }
  QString& fieldInstruction() { return m_fieldInstruction; }
  int nextFootnote() { return ++m_footnotes; }

 private:
  void addText(const QString& text);
  QTextCharFormat charFormat() const;
  QTextBlockFormat blockFormat() const;
  QTextCharFormat blockCharFormat() const;
  void placeCursorForContent();
  void leaveTable();
  void finishFont();
  void finishColor();
  void finishPicture();
  void finishFieldInstruction();
  void joinList();
  const std::vector<LevelDef>* listLevelsOf(const ParaState& p) const;
  ListKind listKindOf(const ParaState& p) const;
  void applyCellBorders();
  QStringDecoder* decoderFor(int codePage);
  int currentCodePage() const;

  std::vector<Group> m_groups;
  int m_skipChars = 0;
  bool m_ended = false;
  const bool m_fragment;

  std::unique_ptr<QTextDocument> m_doc;
  QTextCursor m_cursor;
  // Inside an edit block no cursor move asks for a layout.
  QTextCursor m_editBlock;
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
  FontEntry m_fontEntry;
  long long m_parsEnded = 0;  // paragraphs ended so far
  std::vector<QColor> m_colors;
  ColorEntry m_colorEntry;
  std::unordered_map<int, std::unique_ptr<QStringDecoder>> m_decoders;

  PictureDef m_picture;
  int m_pictures = 0;

  ListTables m_lists;
  // The lists items join: an \ls list's levels by list, level and the
  // numbers of the items above (an item's number goes on through other
  // paragraphs, as word processors count); the old paragraph numbering's
  // by kind and level, until a paragraph without numbering.
  QHash<QString, QTextList*> m_openLists;
  // The item numbers a list has reached, by level.
  QHash<QString, std::array<int, 9>> m_listCounters;

  int m_footnotes = 0;
  QString m_fieldInstruction;
  // The character of a SYMBOL field and its font, printed when the field
  // closes without a result of its own (m_texts counts the runs added, so
  // its result added none when it is still m_symbolTexts).
  QChar m_symbol;
  QString m_symbolFont;
  long long m_texts = 0, m_symbolTexts = 0;

  RowDef m_row;
  QTextTable* m_table = nullptr;
  int m_tableRow = -1, m_col = 0;
  bool m_rowEnded = true;
};

}  // namespace qv::rtfread
