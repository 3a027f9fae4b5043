// The RTF document builder: group states to QTextDocument paragraphs, runs,
// tables, lists and pictures.
#include "richtext/rtf_reader_builder.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QUrl>

#include "store/codepage.h"

namespace qv::rtfread {

namespace {

// The Windows code page of an RTF font character set; 0: the document's.
// ANSI_CHARSET (0) is Windows-1252 whatever \ansicpg says, as word
// processors read it; DEFAULT_CHARSET (1), a symbol font or none given
// take the document's.
int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 255:
      return 437;
    case 77:
      return 10000;
    case 78:
      return 10001;
    case 79:
      return 10003;
    case 80:
      return 10008;
    case 81:
      return 10002;
    case 85:
      return 10006;
    case 88:
      return 10029;
    case 89:
      return 10007;
    case 130:
      return 1361;
    default:
      return 0;
  }
}

QTextListFormat::Style StyleOf(ListKind kind) {
  switch (kind) {
    case ListKind::Decimal:
      return QTextListFormat::ListDecimal;
    case ListKind::UpperRoman:
      return QTextListFormat::ListUpperRoman;
    case ListKind::LowerRoman:
      return QTextListFormat::ListLowerRoman;
    case ListKind::UpperAlpha:
      return QTextListFormat::ListUpperAlpha;
    case ListKind::LowerAlpha:
      return QTextListFormat::ListLowerAlpha;
    default:
      return QTextListFormat::ListDisc;
  }
}

// A number as a list level of `kind` shows it.
QString NumberText(ListKind kind, int n) {
  switch (kind) {
    case ListKind::UpperRoman:
    case ListKind::LowerRoman: {
      static const std::pair<int, const char*> kRoman[] = {
          {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
          {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
      QString text;
      for (const auto& [value, letters] : kRoman) {
        for (; n >= value && text.size() < 32; n -= value) text += QLatin1String(letters);
      }
      return kind == ListKind::UpperRoman ? text.toUpper() : text;
    }
    case ListKind::UpperAlpha:
    case ListKind::LowerAlpha: {
      QString text;
      for (; n > 0; n = (n - 1) / 26) text.prepend(QChar(u'a' + (n - 1) % 26));
      return kind == ListKind::UpperAlpha ? text.toUpper() : text;
    }
    default:
      return QString::number(n);
  }
}

// Splits the \leveltext of `level` at its own number into what goes before
// and after it, with the numbers of the levels above filled in ("1.3." and
// "." around the 2 of "1.3.2."). False when the text has no own number.
bool SplitLevelText(const std::vector<LevelDef>& levels, int level,
                    const std::array<int, 9>& counters, QString* prefix, QString* suffix) {
  const LevelDef& def = levels[size_t(level)];
  if (def.text.isEmpty() || def.numbers.isEmpty()) return false;
  const qsizetype length = std::min<qsizetype>(uchar(def.text[0]), def.text.size() - 1);
  QString* out = prefix;
  for (qsizetype pos = 1; pos <= length; ++pos) {
    const uchar c = uchar(def.text[pos]);
    if (c < 9 && def.numbers.contains(char(pos))) {
      if (c == level && out == prefix) {
        out = suffix;
      } else if (size_t(c) < levels.size()) {
        *out += NumberText(levels[c].kind, counters[c]);
      }
    } else if (c >= 0x20) {
      *out += QChar(c);
    }
  }
  return out == suffix;
}

// The names the converter may know a Windows or Mac code page by, best
// first; none for a code page read through DecodeAnsi.
std::vector<QByteArray> EncodingNames(int codePage) {
  switch (codePage) {
    case 437:
      return {"IBM437"};
    case 850:
      return {"IBM850"};
    case 932:
    case 10001:
      return {"windows-31j", "Shift_JIS"};
    case 936:
    case 10008:
      return {"GBK", "windows-936", "GB2312"};
    case 949:
    case 10003:
      return {"windows-949", "EUC-KR"};
    case 950:
    case 10002:
      return {"Big5", "windows-950"};
    case 1361:
      return {"johab"};
    case 10000:
      return {"macintosh", "x-mac-roman"};
    case 10006:
      return {"x-mac-greek"};
    case 10007:
      return {"x-mac-cyrillic"};
    case 10029:
      return {"x-mac-centraleurope"};
    case 20127:
      return {"US-ASCII"};
    case 20866:
      return {"KOI8-R"};
    case 65001:
      return {"UTF-8"};
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28605)
    return {"ISO-8859-" + QByteArray::number(codePage - 28590)};
  if (codePage > 0) return {"windows-" + QByteArray::number(codePage)};
  return {};
}

}  // namespace

// The decoder of a code page, made once; null for Windows-1252 and for a
// code page no converter here reads, whose bytes go through DecodeAnsi (a
// notice tells about the latter once).
QStringDecoder* Builder::decoderFor(int codePage) {
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
      m_warnings << QStringLiteral(
                        "The RTF text uses code page %1, which cannot be read here; "
                        "its letters outside ASCII were read as Windows-1252.")
                        .arg(codePage);
    }
  }
  QStringDecoder* raw = decoder.get();
  m_decoders.emplace(codePage, std::move(decoder));
  return raw;
}

Builder::Builder(bool fragment) : m_fragment(fragment) {
  m_doc = RichDocument::BareDocument();
  m_cursor = QTextCursor(m_doc.get());
  m_editBlock = QTextCursor(m_doc.get());
  m_editBlock.beginEditBlock();
  m_groups.push_back(Group());  // outside every brace
}

Builder::~Builder() = default;

RtfReadResult Builder::finish(RichDocument* out) {
  RtfReadResult result;
  if (!m_error.isEmpty()) {
    m_editBlock.endEditBlock();
    result.error = m_error;
    return result;
  }
  if (!m_ended && (!m_fragment || m_groups.size() > 1)) {
    m_warnings << QStringLiteral(
        "The RTF text ends before all its groups are closed; "
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
  m_editBlock.endEditBlock();
  PageLayout layout = m_layout;
  layout.width = Clamp(layout.width, 720, kMaxLength);
  layout.height = Clamp(layout.height, 720, kMaxLength);
  result.ok = true;
  result.warnings = m_warnings;
  out->adopt(std::move(m_doc), layout);
  return result;
}

void Builder::setDefaultFont(int font) {
  m_defaultFont = font;
  m_textStateValid = false;
}

int Builder::currentCodePage() const {
  const Group& g = m_groups.back();
  const int font = g.chr.font < 0 ? m_defaultFont : g.chr.font;
  auto it = m_fonts.find(font);
  if (it != m_fonts.end()) {
    const int cp = CodePageOfCharset(it->charset);
    if (cp != 0) return cp;
  }
  return m_docCodePage;
}

bool Builder::openGroup() {
  flushBytes();
  flushText();
  m_skipChars = 0;
  if (int(m_groups.size()) > kRtfMaxDepth) {
    m_error = QStringLiteral(
                  "The RTF text nests its groups more than %1 deep; "
                  "it is damaged or was not written by a word processor.")
                  .arg(kRtfMaxDepth);
    return false;
  }
  Group g = m_groups.back();
  g.para.tabs.reserve(0);
  g.parsAtOpen = m_parsEnded;
  g.field = false;
  g.savedRow.reset();
  m_groups.push_back(std::move(g));
  return true;
}

void Builder::closeGroup() {
  flushBytes();
  flushText();
  m_skipChars = 0;
  if (m_groups.size() <= 1) {
    m_ended = !m_fragment;  // the closing brace of the document (or a stray one)
    return;
  }
  const Group closing = m_groups.back();
  m_groups.pop_back();
  const Dest parent = m_groups.back().dest;
  if (closing.dest == Dest::Picture && parent != Dest::Picture) finishPicture();
  if (closing.dest == Dest::FieldInstruction && parent != Dest::FieldInstruction) {
    finishFieldInstruction();
  }
  if (closing.savedRow) m_row = *closing.savedRow;
  if (closing.field && !m_symbol.isNull()) {
    if (m_texts == m_symbolTexts && m_groups.back().dest == Dest::Normal) {
      QTextCharFormat format = charFormat();
      if (!m_symbolFont.isEmpty()) format.setFontFamilies(QStringList{m_symbolFont});
      placeCursorForContent();
      m_cursor.insertText(QString(m_symbol), format);
      m_blockHasContent = true;
      m_lastWasPar = false;
    }
    m_symbol = QChar();
  }
  if (closing.dest == Dest::FontTable && parent == Dest::FontTable && !m_fontEntry.name.isEmpty()) {
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

void Builder::closeSkippedGroup() {
  m_groups.pop_back();
  if (m_groups.size() == 1 && !m_fragment) m_ended = true;
}

void Builder::addByte(char byte) {
  const Dest d = top().dest;
  if (d == Dest::Picture) {
    int v = -1;
    if (byte >= '0' && byte <= '9')
      v = byte - '0';
    else if (byte >= 'a' && byte <= 'f')
      v = byte - 'a' + 10;
    else if (byte >= 'A' && byte <= 'F')
      v = byte - 'A' + 10;
    if (v < 0 || m_picture.tooLarge) return;
    if (m_picture.highNibble) {
      if (m_picture.data.size() >= kRtfMaxPictureBytes) {
        m_picture.tooLarge = true;
        m_picture.data.clear();
        return;
      }
      m_picture.data.append(char(v << 4));
    } else {
      m_picture.data.back() = char(m_picture.data.back() | v);
    }
    m_picture.highNibble = !m_picture.highNibble;
    return;
  }
  if (d == Dest::ColorTable) {
    if (byte == ';') finishColor();
    return;
  }
  if (d == Dest::FieldInstruction) {
    m_fieldInstruction += QLatin1Char(byte);
    return;
  }
  if (d == Dest::LevelText || d == Dest::LevelNumbers) {
    if (!m_lists.levels.empty()) {
      LevelDef& level = m_lists.levels.back();
      (d == Dest::LevelText ? level.text : level.numbers).append(byte);
    }
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
      m_fontEntry.name +=
          QChar(uchar(byte) < 0x80 ? QLatin1Char(byte) : DecodeAnsi({&byte, 1}).at(0));
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

void Builder::flushBytes() {
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

void Builder::addChar(QChar c) {
  if (top().dest != Dest::Normal) return;
  if (m_skipChars > 0) {
    --m_skipChars;
    return;
  }
  addText(QString(c));
}

void Builder::addText(const QString& text) {
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

QTextCharFormat Builder::charFormat() const {
  const CharState& c = m_groups.back().chr;
  QTextCharFormat f;
  const int font = c.font < 0 ? m_defaultFont : c.font;
  auto it = m_fonts.find(font);
  const QString family =
      it != m_fonts.end() && !it->name.isEmpty() ? it->name : m_doc->defaultFont().family();
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

QTextBlockFormat Builder::blockFormat() const {
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

const std::vector<LevelDef>* Builder::listLevelsOf(const ParaState& p) const {
  auto o = m_lists.overrides.find(p.list);
  if (o == m_lists.overrides.end()) return nullptr;
  auto l = m_lists.byId.find(*o);
  return l != m_lists.byId.end() && !l->empty() ? &*l : nullptr;
}

ListKind Builder::listKindOf(const ParaState& p) const {
  if (p.list > 0) {
    if (const std::vector<LevelDef>* levels = listLevelsOf(p)) {
      return (*levels)[std::min<size_t>(size_t(p.level), levels->size() - 1)].kind;
    }
    return ListKind::Bullet;  // a list whose definition is missing still shows as one
  }
  return p.numbering;
}

// Makes the paragraph at the cursor an item of its list: the list of the
// items just before it with the same list and level, or a new one.
void Builder::joinList() {
  const ParaState& p = m_groups.back().para;
  const ListKind kind = listKindOf(p);
  if (kind == ListKind::None) {
    if (!m_cursor.currentTable()) {
      for (auto it = m_openLists.begin(); it != m_openLists.end();) {
        it = it.key().startsWith(QLatin1String("pn")) ? m_openLists.erase(it) : std::next(it);
      }
    }
    return;
  }
  QTextListFormat f;
  f.setStyle(StyleOf(kind));
  f.setIndent(0);
  f.setProperty(kListLevel, p.level);
  QString key;
  if (p.list > 0) {
    // The \ls numbers of one list count on from each other.
    auto o = m_lists.overrides.find(p.list);
    const QString list = o != m_lists.overrides.end() ? QStringLiteral("id%1").arg(*o)
                                                      : QStringLiteral("ls%1").arg(p.list);
    std::array<int, 9>& counters = m_listCounters[list];
    ++counters[size_t(p.level)];
    std::fill(counters.begin() + p.level + 1, counters.end(), 0);
    key = QStringLiteral("%1/%2/").arg(list).arg(p.level);
    for (int l = 0; l < p.level; ++l)
      key += QString::number(counters[size_t(l)]) + QLatin1Char('.');
    const std::vector<LevelDef>* levels = listLevelsOf(p);
    QString prefix, suffix;
    if (kind != ListKind::Bullet && levels && size_t(p.level) < levels->size() &&
        SplitLevelText(*levels, p.level, counters, &prefix, &suffix)) {
      f.setNumberPrefix(prefix);
      f.setNumberSuffix(suffix);
    }
  } else {
    key = QStringLiteral("pn%1/%2").arg(int(kind)).arg(p.level);
  }
  auto it = m_openLists.find(key);
  if (it != m_openLists.end() && (*it)->format().style() == StyleOf(kind)) {
    (*it)->add(m_cursor.block());
    return;
  }
  m_openLists.insert(key, m_cursor.createList(f));
}

// Gives the cells of the row just made the borders its \trowd defined.
void Builder::applyCellBorders() {
  for (int c = 0; c < m_table->columns() && c < int(m_row.cells.size()); ++c) {
    QTextTableCell cell = m_table->cellAt(m_tableRow, c);
    QTextTableCellFormat f = cell.format().toTableCellFormat();
    const BorderDef* sides = m_row.cells[size_t(c)].sides;
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
    f.setLeftPadding(m_row.padding[0] / kTwipsPerLayoutPixel);
    f.setRightPadding(m_row.padding[1] / kTwipsPerLayoutPixel);
    for (int side = 0; side < 4; ++side) {
      f.setProperty(kSides[side][0], sides[side].width / kTwipsPerLayoutPixel);
      f.setProperty(kSides[side][1], int(style(sides[side].width)));
      f.setProperty(kSides[side][2], brush(sides[side].color));
    }
    cell.setFormat(f);
  }
}

void Builder::leaveTable() {
  if (!m_table) return;
  m_cursor = m_table->lastCursorPosition();
  m_cursor.movePosition(QTextCursor::NextBlock);
  m_table = nullptr;
  m_tableRow = -1;
  m_rowEnded = true;
  m_blockHasContent = false;
}

// Puts the cursor where the next text belongs: a table cell for text of a
// table row, the body otherwise.
void Builder::placeCursorForContent() {
  const bool inTable = m_groups.back().para.inTable;
  if (!inTable) {
    leaveTable();
    return;
  }
  const int columns = std::max<int>(1, int(m_row.cells.size()));
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
    for (const CellDef& cell : m_row.cells) {
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
    m_tableRow = 0;
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
    ++m_tableRow;
    m_col = 0;
    m_rowEnded = false;
    applyCellBorders();
    m_cursor = m_table->cellAt(m_tableRow, 0).firstCursorPosition();
    m_blockHasContent = false;
  }
}

void Builder::flushText() {
  if (m_text.isEmpty()) return;
  ++m_texts;
  placeCursorForContent();
  m_cursor.insertText(m_text, m_textFormat);
  m_text.clear();
  m_blockHasContent = true;
  m_lastWasPar = false;
}

void Builder::endParagraph() {
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
QTextCharFormat Builder::blockCharFormat() const {
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

void Builder::pageBreak() {
  flushText();
  if (m_blockHasContent) endParagraph();
  m_pendingPageBreak = true;
}

void Builder::endCell() {
  flushText();
  placeCursorForContent();
  if (!m_table) return;
  m_cursor.setBlockFormat(blockFormat());
  joinList();
  // Cells beyond the row's definition add their text to the last cell.
  if (m_col + 1 < m_table->columns()) {
    ++m_col;
    m_cursor = m_table->cellAt(m_tableRow, m_col).firstCursorPosition();
  }
  m_blockHasContent = false;
  m_lastWasPar = false;
}

void Builder::endRow() {
  flushText();
  if (m_table) m_rowEnded = true;
}

void Builder::finishFont() {
  m_textStateValid = false;
  FontDef def;
  def.name = m_fontEntry.name.trimmed();
  def.charset = m_fontEntry.charset;
  m_fonts.insert(m_fontEntry.number, def);
  m_fontEntry.name.clear();
  m_fontEntry.charset = -1;
}

void Builder::finishColor() {
  m_textStateValid = false;
  m_colors.push_back(m_colorEntry.set
                         ? QColor(m_colorEntry.red, m_colorEntry.green, m_colorEntry.blue)
                         : QColor());
  m_colorEntry.red = m_colorEntry.green = m_colorEntry.blue = 0;
  m_colorEntry.set = false;
}

// SYMBOL 183 \\f "Symbol": a character by its number in a font.
void Builder::finishFieldInstruction() {
  const QStringList words = m_fieldInstruction.simplified().split(QLatin1Char(' '));
  m_fieldInstruction.clear();
  if (words.size() < 2 || words[0].compare(QLatin1String("SYMBOL"), Qt::CaseInsensitive) != 0) {
    return;
  }
  bool ok = false;
  const uint code = words[1].toUInt(&ok, 0);
  if (!ok || code < 0x20 || code > 0xFFFF || (code >= 0xD800 && code < 0xE000)) return;
  m_symbol = QChar(char16_t(code));
  m_symbolFont.clear();
  const int font = int(words.indexOf(QLatin1String("\\f")));
  if (font > 0 && font + 1 < words.size()) {
    m_symbolFont = words.mid(font + 1).join(QLatin1Char(' ')).section(QLatin1Char('"'), 1, 1);
  }
  flushBytes();
  flushText();
  m_symbolTexts = m_texts;
}

void Builder::finishPicture() {
  if (m_picture.tooLarge) {
    m_warnings << QStringLiteral("A picture larger than %1 MB was left out.")
                      .arg(kRtfMaxPictureBytes / (1024 * 1024));
    return;
  }
  if (m_picture.kind != PictKind::Png && m_picture.kind != PictKind::Jpeg) {
    m_warnings << QStringLiteral("A picture in a format other than PNG or JPEG was left out.");
    return;
  }
  QBuffer buffer(&m_picture.data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, m_picture.kind == PictKind::Png ? "png" : "jpeg");
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
  double w = m_picture.goalWidth > 0 ? m_picture.goalWidth : size.width() * 15.0;
  double h = m_picture.goalHeight > 0 ? m_picture.goalHeight : size.height() * 15.0;
  w = std::min<double>(w * m_picture.scaleX / 100.0, kMaxLength);
  h = std::min<double>(h * m_picture.scaleY / 100.0, kMaxLength);
  const QString name =
      QStringLiteral("%1://%2").arg(QLatin1String(kPictureScheme)).arg(++m_pictures);
  m_doc->addResource(QTextDocument::ImageResource, QUrl(name), m_picture.data);
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

}  // namespace qv::rtfread
