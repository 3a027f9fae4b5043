// Page stream encoding, decoding and the readable dump.
#include "render/page_stream.h"

#include <QBuffer>
#include <QFileDevice>
#include <QHash>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

#include "render/bar_geometry.h"
#include "render/page_stream_format.h"

namespace qv {

namespace ps = pagestream;

namespace {

// Appends little-endian values to a byte array: its own, or the caller's
// when given one.
class Writer {
 public:
  Writer() : m_out(m_own) {}
  explicit Writer(QByteArray& out) : m_out(out) {}
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void u8(uint8_t v) { m_out.append(char(v)); }
  void u16(uint16_t v) {
    char b[2];
    qToLittleEndian(v, b);
    m_out.append(b, 2);
  }
  void u32(uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    m_out.append(b, 4);
  }
  void f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    char b[8];
    qToLittleEndian(bits, b);
    m_out.append(b, 8);
  }
  void bytes(const QByteArray& b) {
    u32(uint32_t(b.size()));
    m_out.append(b);
  }
  void string(const QString& s) { bytes(s.toUtf8()); }
  void rect(const QRectF& r) {
    f64(r.left());
    f64(r.top());
    f64(r.right());
    f64(r.bottom());
  }
  void pen(const Pen& p) {
    u32(p.color);
    u8(uint8_t(p.style));
    u8(uint8_t(p.mode));
    f64(p.width);
  }
  QByteArray& data() { return m_out; }

 private:
  QByteArray m_own;
  QByteArray& m_out;
};

void AppendRecord(QByteArray* out, uint8_t type, const QByteArray& payload) {
  Writer w(*out);
  w.u8(type);
  w.bytes(payload);
}

uint8_t TextFlags(const TextFont& font) {
  uint8_t flags = 0;
  if (font.bold) flags |= ps::kTextBold;
  if (font.italic) flags |= ps::kTextItalic;
  if (font.underline) flags |= ps::kTextUnderline;
  return flags;
}

// The two-bit code of a bar state letter, or -1 when `kind` has no such bar.
int BarCode(BarKind kind, char state) {
  if (kind == BarKind::Postnet) {
    return state == 'H' ? ps::kBarHalf : state == 'F' ? ps::kBarFull : -1;
  }
  switch (state) {
    case 'T':
      return ps::kImbTracker;
    case 'A':
      return ps::kImbAscender;
    case 'D':
      return ps::kImbDescender;
    case 'F':
      return ps::kImbFull;
  }
  return -1;
}

char BarLetter(BarKind kind, int code) {
  if (kind == BarKind::Postnet) return code == ps::kBarFull ? 'F' : 'H';
  static const char kImb[] = {'T', 'A', 'D', 'F'};
  return kImb[code & 3];
}

bool KnownBarKind(uint8_t kind) { return kind == ps::kBarPostnet || kind == ps::kBarImb; }

// Writes the records of one page. Fonts and strings are numbered as the page
// first uses them, so a repeated one costs a number; the numbers start again
// on every page, so any page reads without the ones before it.
class PageEncoder {
 public:
  explicit PageEncoder(QByteArray& out) : m_out(out) {}

  void op(const PageOp& op) {
    if (const auto* t = std::get_if<TextOp>(&op)) {
      text(*t);
    } else if (const auto* b = std::get_if<BarCodeOp>(&op)) {
      barCode(*b);
    } else {
      record(op);
    }
  }

 private:
  using FontKey = std::tuple<QString, double, uint8_t, QRgb>;

  // A record as versions 1 and 2 wrote it (version 3 keeps these layouts).
  void record(const PageOp& op) {
    const qsizetype start = open(0);
    Writer w(m_out);
    uint8_t type = 0;
    if (const auto* t = std::get_if<TextOp>(&op)) {
      type = ps::kRecText;
      w.f64(t->x);
      w.f64(t->y);
      w.string(t->font.name);
      w.f64(t->font.size);
      w.u8(TextFlags(t->font) | (t->clipped ? ps::kTextClipped : 0));
      w.u32(t->font.color);
      if (t->clipped) w.rect(t->clip);
      w.string(t->text);
    } else if (const auto* l = std::get_if<LineOp>(&op)) {
      type = ps::kRecLine;
      w.f64(l->x1);
      w.f64(l->y1);
      w.f64(l->x2);
      w.f64(l->y2);
      w.pen(l->pen);
    } else if (const auto* r = std::get_if<RectOp>(&op)) {
      type = ps::kRecRect;
      w.rect(r->rect);
      w.pen(r->pen);
      w.u8(r->filled ? 1 : 0);
      w.u32(r->fill);
    } else if (const auto* s = std::get_if<ShadeOp>(&op)) {
      type = ps::kRecShade;
      w.rect(s->rect);
      w.u8(uint8_t(s->percent));
    } else if (const auto* i = std::get_if<ImageOp>(&op)) {
      type = ps::kRecImage;
      w.rect(i->rect);
      w.bytes(i->png);
    }
    close(start, type);
  }

  void text(const TextOp& t) {
    const FontKey key{t.font.name, t.font.size, TextFlags(t.font), t.font.color};
    auto font = m_fonts.find(key);
    if (font == m_fonts.end()) {
      if (m_fonts.size() >= size_t(ps::kMaxPageFonts)) return record(t);
      const qsizetype start = open(ps::kRecFont);
      Writer w(m_out);
      w.string(t.font.name);
      w.f64(t.font.size);
      w.u8(TextFlags(t.font));
      w.u32(t.font.color);
      close(start, ps::kRecFont);
      font = m_fonts.emplace(key, uint16_t(m_fonts.size())).first;
    }
    const qsizetype start = open(ps::kRecFontText);
    Writer w(m_out);
    w.f64(t.x);
    w.f64(t.y);
    w.u16(font->second);
    const auto seen = m_strings.constFind(t.text);
    w.u8((t.clipped ? ps::kTextClipped : 0) | (seen != m_strings.cend() ? ps::kTextByNumber : 0));
    if (t.clipped) w.rect(t.clip);
    if (seen != m_strings.cend()) {
      w.u32(*seen);
    } else {
      m_strings.insert(t.text, uint32_t(m_strings.size()));
      w.string(t.text);
    }
    close(start, ps::kRecFontText);
  }

  void barCode(const BarCodeOp& b) {
    // A code the record cannot hold goes as its lines.
    if (b.states.size() > 0xFFFF || !BarStatesValid(b.kind, b.states)) {
      for (const LineOp& line : BarCodeLines(b)) record(line);
      return;
    }
    const qsizetype start = open(ps::kRecBarCode);
    Writer w(m_out);
    w.f64(b.x);
    w.f64(b.y);
    w.u8(uint8_t(b.kind));
    w.u16(uint16_t(b.states.size()));
    QByteArray packed((b.states.size() + 3) / 4, '\0');
    for (qsizetype i = 0; i < b.states.size(); ++i) {
      packed[i / 4] = char(packed[i / 4] | BarCode(b.kind, b.states[i]) << (2 * (i % 4)));
    }
    m_out.append(packed);
    close(start, ps::kRecBarCode);
  }

  // The record's type and length are filled in once its payload is written.
  qsizetype open(uint8_t type) {
    const qsizetype start = m_out.size();
    m_out.append(char(type));
    m_out.append(4, char(0));
    return start;
  }
  void close(qsizetype start, uint8_t type) {
    m_out[start] = char(type);
    qToLittleEndian(uint32_t(m_out.size() - start - 5), m_out.data() + start + 1);
  }

  QByteArray& m_out;
  std::map<FontKey, uint16_t> m_fonts;
  QHash<QString, uint32_t> m_strings;
};

// Reads a payload with every access checked against its end.
class Reader {
 public:
  Reader(const char* p, size_t n) : m_p(p), m_end(p + n) {}
  bool ok() const { return m_ok; }
  bool atEnd() const { return m_p == m_end; }
  size_t left() const { return size_t(m_end - m_p); }

  uint8_t u8() {
    if (!need(1)) return 0;
    return uint8_t(*m_p++);
  }
  uint16_t u16() {
    if (!need(2)) return 0;
    uint16_t v = qFromLittleEndian<uint16_t>(m_p);
    m_p += 2;
    return v;
  }
  uint32_t u32() {
    if (!need(4)) return 0;
    uint32_t v = qFromLittleEndian<uint32_t>(m_p);
    m_p += 4;
    return v;
  }
  double f64() {
    if (!need(8)) return 0;
    uint64_t bits = qFromLittleEndian<uint64_t>(m_p);
    m_p += 8;
    double v;
    std::memcpy(&v, &bits, 8);
    if (!std::isfinite(v)) m_ok = false;
    return v;
  }
  QByteArray bytes() {
    uint32_t n = u32();
    if (!need(n)) return {};
    QByteArray b(m_p, qsizetype(n));
    m_p += n;
    return b;
  }
  QString string() {
    QByteArray b = bytes();
    return QString::fromUtf8(b);
  }
  QRectF rect() {
    double l = f64(), t = f64(), r = f64(), b = f64();
    return QRectF(QPointF(l, t), QPointF(r, b));
  }
  Pen pen() {
    Pen p;
    p.color = u32();
    uint8_t style = u8();
    uint8_t mode = u8();
    p.width = f64();
    if (style > ps::kPenClear || mode > ps::kModeXor || p.width < 0) m_ok = false;
    p.style = PenStyle(style);
    p.mode = PenMode(mode);
    return p;
  }
  const char* position() const { return m_p; }
  void skip(size_t n) {
    if (need(n)) m_p += n;
  }

 private:
  bool need(size_t n) {
    if (!m_ok || left() < n) {
      m_ok = false;
      return false;
    }
    return true;
  }
  const char* m_p;
  const char* m_end;
  bool m_ok = true;
};

// The records that belong to a page: its drawing and its numbered fonts.
bool PageContent(uint8_t type) {
  return (type >= ps::kRecText && type <= ps::kRecImage) ||
         (type >= ps::kRecFont && type <= ps::kRecBarCode);
}

// The fonts and strings a page has numbered so far (version 3).
struct PageNumbers {
  std::vector<TextFont> fonts;
  std::vector<QString> strings;
};

bool ValidFontSize(double size) { return size > 0 && size <= 1000; }

// A record that changes what the page numbers rather than drawing: false
// when it is damaged.
bool DecodeFont(Reader& r, PageNumbers* numbers) {
  TextFont font;
  font.name = r.string();
  font.size = r.f64();
  const uint8_t flags = r.u8();
  font.color = r.u32();
  font.bold = flags & ps::kTextBold;
  font.italic = flags & ps::kTextItalic;
  font.underline = flags & ps::kTextUnderline;
  if (!ValidFontSize(font.size) || (flags & ~ps::kFontStyleFlags) != 0 ||
      numbers->fonts.size() >= size_t(ps::kMaxPageFonts)) {
    return false;
  }
  numbers->fonts.push_back(std::move(font));
  return true;
}

bool DecodeOp(uint8_t type, Reader& r, PageNumbers* numbers, PageOp* op) {
  switch (type) {
    case ps::kRecFontText: {
      TextOp t;
      t.x = r.f64();
      t.y = r.f64();
      const uint16_t font = r.u16();
      const uint8_t flags = r.u8();
      if (font >= numbers->fonts.size() ||
          (flags & ~(ps::kTextClipped | ps::kTextByNumber)) != 0) {
        return false;
      }
      t.font = numbers->fonts[font];
      t.clipped = flags & ps::kTextClipped;
      if (t.clipped) t.clip = r.rect();
      if (flags & ps::kTextByNumber) {
        const uint32_t number = r.u32();
        if (number >= numbers->strings.size()) return false;
        t.text = numbers->strings[number];
      } else {
        t.text = r.string();
        if (r.ok()) numbers->strings.push_back(t.text);
      }
      *op = std::move(t);
      return true;
    }
    case ps::kRecBarCode: {
      BarCodeOp b;
      b.x = r.f64();
      b.y = r.f64();
      const uint8_t kind = r.u8();
      const uint16_t count = r.u16();
      if (!KnownBarKind(kind) || r.left() != size_t(count + 3) / 4) return false;
      b.kind = BarKind(kind);
      b.states.resize(count);
      const uint8_t* packed = reinterpret_cast<const uint8_t*>(r.position());
      for (int i = 0; i < count; ++i) {
        const int code = (packed[i / 4] >> (2 * (i % 4))) & 3;
        if (b.kind == BarKind::Postnet && code > ps::kBarFull) return false;
        b.states[i] = BarLetter(b.kind, code);
      }
      // The bits past the last bar are zero.
      if (count % 4 != 0 && (packed[count / 4] >> (2 * (count % 4))) != 0) return false;
      r.skip(r.left());
      *op = std::move(b);
      return true;
    }
    case ps::kRecText: {
      TextOp t;
      t.x = r.f64();
      t.y = r.f64();
      t.font.name = r.string();
      t.font.size = r.f64();
      uint8_t flags = r.u8();
      t.font.bold = flags & ps::kTextBold;
      t.font.italic = flags & ps::kTextItalic;
      t.font.underline = flags & ps::kTextUnderline;
      t.clipped = flags & ps::kTextClipped;
      t.font.color = r.u32();
      if (t.clipped) t.clip = r.rect();
      t.text = r.string();
      if (!ValidFontSize(t.font.size)) return false;
      *op = t;
      return true;
    }
    case ps::kRecLine: {
      LineOp l;
      l.x1 = r.f64();
      l.y1 = r.f64();
      l.x2 = r.f64();
      l.y2 = r.f64();
      l.pen = r.pen();
      *op = l;
      return true;
    }
    case ps::kRecRect: {
      RectOp rc;
      rc.rect = r.rect();
      rc.pen = r.pen();
      rc.filled = r.u8() != 0;
      rc.fill = r.u32();
      *op = rc;
      return true;
    }
    case ps::kRecShade: {
      ShadeOp s;
      s.rect = r.rect();
      s.percent = r.u8();
      if (s.percent > 100) return false;
      *op = s;
      return true;
    }
    case ps::kRecImage: {
      ImageOp i;
      i.rect = r.rect();
      i.png = r.bytes();
      *op = i;
      return true;
    }
    default:
      return false;
  }
}

QString Num(double v) { return QString::number(v, 'f', 3); }

QString RectText(const QRectF& r) {
  return Num(r.left()) + ' ' + Num(r.top()) + ' ' + Num(r.right()) + ' ' + Num(r.bottom());
}

QString ColorText(QRgb c) {
  return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

QString PenText(const Pen& p) {
  static const char* const kStyles[] = {"solid", "dash", "dot", "dashdot", "dashdotdot", "clear"};
  return QStringLiteral("pen %1 %2 %3 %4")
      .arg(ColorText(p.color), QLatin1String(kStyles[int(p.style)]), Num(p.width),
           p.mode == PenMode::Xor ? QStringLiteral("xor") : QStringLiteral("copy"));
}

}  // namespace

bool BarStatesValid(BarKind kind, const QByteArray& states) {
  if (kind != BarKind::Postnet && kind != BarKind::IntelligentMail) return false;
  for (char state : states) {
    if (BarCode(kind, state) < 0) return false;
  }
  return true;
}

std::vector<LineOp> BarCodeLines(const BarCodeOp& code) {
  std::vector<LineOp> lines;
  lines.reserve(size_t(code.states.size()));
  const bool postnet = code.kind == BarKind::Postnet;
  Pen pen;
  pen.width = postnet ? kPostnetPenInches : kImbBarWidth;
  const double pitch = postnet ? double(kBarPitch) : kImbBarPitch;
  const double left = code.x + (postnet ? 0.0 : kImbBarWidth / 2);
  const double trackerTop = (kImbFullHeight - kImbTrackerHeight) / 2;
  for (qsizetype i = 0; i < code.states.size(); ++i) {
    const int state = BarCode(code.kind, code.states[i]);
    if (state < 0) continue;
    double top = 0, bottom = 0;
    if (postnet) {
      top = state == ps::kBarFull ? 0.0 : double(kTallBarHeight - kShortBarHeight);
      bottom = double(kTallBarHeight);
    } else {
      const bool up = state == ps::kImbFull || state == ps::kImbAscender;
      const bool down = state == ps::kImbFull || state == ps::kImbDescender;
      top = up ? 0.0 : down ? kImbFullHeight - kImbAscenderHeight : trackerTop;
      bottom = down ? kImbFullHeight : up ? kImbAscenderHeight : trackerTop + kImbTrackerHeight;
    }
    const double x = left + double(i) * pitch;
    lines.push_back(LineOp{x, code.y + top, x, code.y + bottom, pen});
  }
  return lines;
}

QRgb ShadeColor(int percent) {
  int level = qBound(0, 255 - (255 * qBound(0, percent, 100) + 50) / 100, 255);
  return qRgb(level, level, level);
}

QByteArray EncodePageStream(const PageStream& stream) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  PageStreamWriter writer(&buffer);
  QString ignored;  // a buffer in memory does not fail
  writer.begin(&ignored);
  for (const Page& page : stream.pages) writer.writePage(page, &ignored);
  writer.finish(&ignored);
  return bytes;
}

bool DecodePageStream(const QByteArray& bytes, PageStream* out, QString* error) {
  QByteArray copy = bytes;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  PageStreamReader reader;
  QString why;
  if (!reader.open(&buffer, &why)) {
    if (error) *error = why;
    return false;
  }
  PageStream result;
  result.pages.resize(size_t(reader.pageCount()));
  for (int i = 0; i < reader.pageCount(); ++i) {
    if (!reader.readPage(i, &result.pages[size_t(i)], &why)) {
      if (error) *error = why;
      return false;
    }
  }
  *out = std::move(result);
  return true;
}

// ---- Writing page by page

PageStreamWriter::PageStreamWriter(QIODevice* device) : m_device(device) {}

bool PageStreamWriter::begin(QString* error) {
  m_size = 0;
  m_offsets.clear();
  if (m_device->isSequential()) {
    *error = QStringLiteral("The preview stream must go to a file.");
    return false;
  }
  m_start = m_device->pos();
  Writer header;
  header.data().append(ps::kMagic, sizeof ps::kMagic);
  header.u16(ps::kVersion);
  header.u16(ps::kHeaderSize);
  header.u32(0);  // page count and index offset, filled in by finish()
  header.u32(0);
  header.u32(0);
  return put(header.data(), error);
}

bool PageStreamWriter::writePage(const Page& page, QString* error) {
  QByteArray bytes;
  Writer w(bytes);
  w.u8(ps::kRecPage);
  w.u32(16);
  w.f64(page.width);
  w.f64(page.height);
  PageEncoder records(bytes);
  for (const PageOp& op : page.ops) records.op(op);
  m_offsets.push_back(uint64_t(m_size));
  return put(bytes, error);
}

bool PageStreamWriter::finish(QString* error) {
  const uint64_t indexOffset = uint64_t(m_size);
  QByteArray tail;
  Writer w(tail);
  w.u8(ps::kRecIndex);
  w.u32(uint32_t(8 * m_offsets.size()));
  for (uint64_t offset : m_offsets) {
    w.u32(uint32_t(offset & 0xFFFFFFFFu));
    w.u32(uint32_t(offset >> 32));
  }
  AppendRecord(&tail, ps::kRecEnd, {});
  if (!put(tail, error)) return false;

  char fields[12];
  qToLittleEndian(uint32_t(m_offsets.size()), fields);
  qToLittleEndian(indexOffset, fields + 4);
  const qint64 end = m_device->pos();
  // A full disk shows only when buffered bytes reach the file.
  auto* file = qobject_cast<QFileDevice*>(m_device);
  if (!m_device->seek(m_start + ps::kOffPageCount) || m_device->write(fields, 12) != 12 ||
      !m_device->seek(end) || (file && !file->flush())) {
    *error = QStringLiteral("The preview stream could not be written (%1).")
                 .arg(m_device->errorString());
    return false;
  }
  return true;
}

bool PageStreamWriter::put(const QByteArray& bytes, QString* error) {
  m_size += bytes.size();
  if (m_device->write(bytes) != bytes.size()) {
    *error = QStringLiteral("The preview stream could not be written (%1).")
                 .arg(m_device->errorString());
    return false;
  }
  return true;
}

// ---- Reading page by page

namespace {

// Reads exactly `n` bytes at `offset`; false when the device holds fewer.
bool ReadAt(QIODevice* device, uint64_t offset, qint64 n, QByteArray* out) {
  if (!device->seek(qint64(offset))) return false;
  *out = device->read(n);
  return out->size() == n;
}

QString CutShortAt(uint64_t offset) {
  return QStringLiteral("The page stream is cut short at byte %1.").arg(offset);
}

}  // namespace

bool PageStreamReader::open(QIODevice* device, QString* error) {
  m_device = device;
  m_offsets.clear();
  m_recordsEnd = 0;
  const uint64_t size = uint64_t(device->size());
  QByteArray head;
  device->seek(0);
  head = device->read(ps::kHeaderSize);
  if (head.size() < ps::kHeaderSizeV1 ||
      std::memcmp(head.constData(), ps::kMagic, sizeof ps::kMagic) != 0) {
    *error = QStringLiteral("This is not a page stream (the header is missing).");
    return false;
  }
  Reader header(head.constData() + ps::kOffVersion, size_t(head.size() - ps::kOffVersion));
  const uint16_t version = header.u16();
  const uint16_t headerSize = header.u16();
  const uint32_t pageCount = header.u32();
  if (version == 0 || version > ps::kVersion) {
    *error = QStringLiteral("The page stream has version %1; this program reads up to %2.")
                 .arg(version)
                 .arg(ps::kVersion);
    return false;
  }
  const int least = version >= 2 ? ps::kHeaderSize : ps::kHeaderSizeV1;
  if (headerSize < least || headerSize > size || head.size() < least) {
    *error = QStringLiteral("The page stream header is damaged.");
    return false;
  }
  m_headerSize = headerSize;
  uint64_t indexOffset = 0;
  if (version >= 2) indexOffset = qFromLittleEndian<uint64_t>(head.constData() + ps::kOffIndexOffset);
  if (indexOffset == 0) return indexFromRecords(pageCount, error);

  QByteArray record;
  if (indexOffset < headerSize || indexOffset > size || !ReadAt(device, indexOffset, 5, &record)) {
    *error = QStringLiteral("The page stream is cut short (its page index is missing).");
    return false;
  }
  const uint32_t length = qFromLittleEndian<uint32_t>(record.constData() + 1);
  if (uint8_t(record[0]) != ps::kRecIndex || length % 8 != 0) {
    *error = QStringLiteral("The page index of the page stream is damaged.");
    return false;
  }
  if (length / 8 != pageCount) {
    *error = QStringLiteral("The page stream should hold %1 pages but its index lists %2.")
                 .arg(pageCount)
                 .arg(length / 8);
    return false;
  }
  QByteArray offsets, endMark;
  if (!ReadAt(device, indexOffset + 5, qint64(length), &offsets) ||
      !ReadAt(device, indexOffset + 5 + length, 5, &endMark) ||
      endMark != QByteArray("\xFF\0\0\0\0", 5)) {
    *error = QStringLiteral("The page stream is cut short (its end mark is missing).");
    return false;
  }
  std::vector<uint64_t> found(pageCount);
  for (uint32_t i = 0; i < pageCount; ++i) {
    found[i] = qFromLittleEndian<uint64_t>(offsets.constData() + 8 * i);
    const uint64_t least = i == 0 ? headerSize : found[i - 1] + 5;
    if ((i == 0 && found[i] != headerSize) || found[i] < least || found[i] + 5 > indexOffset) {
      *error = QStringLiteral("The page index of the page stream is damaged.");
      return false;
    }
  }
  if (pageCount == 0 && indexOffset != headerSize) {
    *error = QStringLiteral("The page stream draws before its first page (byte %1).").arg(headerSize);
    return false;
  }
  m_offsets = std::move(found);
  m_recordsEnd = indexOffset;
  return true;
}

// A stream without an index (version 1, or one whose writer stopped before
// the end) is walked record by record, reading only the record headers.
bool PageStreamReader::indexFromRecords(uint32_t pageCount, QString* error) {
  const uint64_t size = uint64_t(m_device->size());
  uint64_t position = m_headerSize;
  std::vector<uint64_t> found;
  QByteArray record;
  while (true) {
    if (position >= size) {
      *error = QStringLiteral("The page stream is cut short (its end mark is missing).");
      return false;
    }
    if (!ReadAt(m_device, position, 5, &record)) {
      *error = CutShortAt(position);
      return false;
    }
    const uint8_t type = uint8_t(record[0]);
    const uint64_t length = qFromLittleEndian<uint32_t>(record.constData() + 1);
    if (position + 5 + length > size) {
      *error = CutShortAt(position);
      return false;
    }
    if (type == ps::kRecEnd) break;
    if (type == ps::kRecPage) {
      found.push_back(position);
    } else if (PageContent(type) && found.empty()) {
      *error = QStringLiteral("The page stream draws before its first page (byte %1).").arg(position);
      return false;
    }
    position += 5 + length;
  }
  if (found.size() != pageCount) {
    *error = QStringLiteral("The page stream should hold %1 pages but holds %2.")
                 .arg(pageCount)
                 .arg(found.size());
    return false;
  }
  m_offsets = std::move(found);
  m_recordsEnd = position;
  return true;
}

bool PageStreamReader::readPage(int index, Page* page, QString* error) const {
  if (index < 0 || index >= pageCount()) {
    *error = QStringLiteral("The page stream has no page %1.").arg(index + 1);
    return false;
  }
  const uint64_t start = m_offsets[size_t(index)];
  const uint64_t end = index + 1 < pageCount() ? m_offsets[size_t(index) + 1] : m_recordsEnd;
  QByteArray bytes;
  if (!ReadAt(m_device, start, qint64(end - start), &bytes)) {
    *error = CutShortAt(start);
    return false;
  }
  const int number = index + 1;
  Page result;
  PageNumbers numbers;
  Reader records(bytes.constData(), size_t(bytes.size()));
  bool first = true;
  while (!records.atEnd()) {
    const uint64_t offset = start + uint64_t(records.position() - bytes.constData());
    const uint8_t type = records.u8();
    const uint32_t length = records.u32();
    const char* payload = records.position();
    records.skip(length);
    if (!records.ok()) {
      *error = CutShortAt(offset);
      return false;
    }
    Reader r(payload, length);
    if (first) {
      result.width = r.f64();
      result.height = r.f64();
      if (type != ps::kRecPage || !r.ok() || !r.atEnd() || result.width <= 0 ||
          result.height <= 0 || result.width > ps::kMaxPageInches ||
          result.height > ps::kMaxPageInches) {
        *error = QStringLiteral("Page %1 of the page stream has a damaged size (byte %2).")
                     .arg(number)
                     .arg(offset);
        return false;
      }
      first = false;
      continue;
    }
    if (type == ps::kRecPage || type == ps::kRecEnd || type == ps::kRecIndex) {
      *error = QStringLiteral("The page index of the page stream is damaged.");
      return false;
    }
    if (!PageContent(type)) continue;  // a later version's record
    if (type == ps::kRecFont) {
      if (DecodeFont(r, &numbers) && r.ok() && r.atEnd()) continue;
      *error = QStringLiteral("A font record of page %1 is damaged (byte %2).")
                   .arg(number)
                   .arg(offset);
      return false;
    }
    PageOp op;
    if (!DecodeOp(type, r, &numbers, &op) || !r.ok() || !r.atEnd()) {
      *error = QStringLiteral("A drawing record of page %1 is damaged (byte %2).")
                   .arg(number)
                   .arg(offset);
      return false;
    }
    result.ops.push_back(std::move(op));
  }
  *page = std::move(result);
  return true;
}

QString DumpPageStream(const PageStream& stream) {
  QString out;
  int number = 0;
  for (const Page& page : stream.pages) {
    out += QStringLiteral("page %1 %2 x %3\n").arg(++number).arg(Num(page.width), Num(page.height));
    for (const PageOp& op : page.ops) {
      if (const auto* t = std::get_if<TextOp>(&op)) {
        QString style;
        if (t->font.bold) style += QStringLiteral(" bold");
        if (t->font.italic) style += QStringLiteral(" italic");
        if (t->font.underline) style += QStringLiteral(" underline");
        out += QStringLiteral("text %1 %2 \"%3\" %4%5 %6")
                   .arg(Num(t->x), Num(t->y), t->font.name)
                   .arg(t->font.size)
                   .arg(style, ColorText(t->font.color));
        if (t->clipped) out += QStringLiteral(" clip ") + RectText(t->clip);
        out += QStringLiteral(" \"%1\"\n").arg(t->text);
      } else if (const auto* l = std::get_if<LineOp>(&op)) {
        out += QStringLiteral("line %1 %2 %3 %4 %5\n")
                   .arg(Num(l->x1), Num(l->y1), Num(l->x2), Num(l->y2), PenText(l->pen));
      } else if (const auto* r = std::get_if<RectOp>(&op)) {
        out += QStringLiteral("rect %1 %2 fill %3\n")
                   .arg(RectText(r->rect), PenText(r->pen),
                        r->filled ? ColorText(r->fill) : QStringLiteral("none"));
      } else if (const auto* s = std::get_if<ShadeOp>(&op)) {
        out += QStringLiteral("shade %1 %2%\n").arg(RectText(s->rect)).arg(s->percent);
      } else if (const auto* i = std::get_if<ImageOp>(&op)) {
        out += QStringLiteral("image %1 %2 bytes\n").arg(RectText(i->rect)).arg(i->png.size());
      } else if (const auto* b = std::get_if<BarCodeOp>(&op)) {
        out += QStringLiteral("barcode %1 %2 %3 %4\n")
                   .arg(b->kind == BarKind::Postnet ? QStringLiteral("postnet")
                                                    : QStringLiteral("imb"),
                        Num(b->x), Num(b->y), QString::fromLatin1(b->states));
      }
    }
  }
  return out;
}

}  // namespace qv
