// Page stream encoding, decoding and the readable dump.
#include "render/page_stream.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

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

// Appends the payload of `op` to `w` and gives its record type.
void EncodeOp(const PageOp& op, Writer& w, uint8_t* type) {
  if (const auto* t = std::get_if<TextOp>(&op)) {
    *type = ps::kRecText;
    w.f64(t->x);
    w.f64(t->y);
    w.string(t->font.name);
    w.f64(t->font.size);
    uint8_t flags = 0;
    if (t->font.bold) flags |= ps::kTextBold;
    if (t->font.italic) flags |= ps::kTextItalic;
    if (t->font.underline) flags |= ps::kTextUnderline;
    if (t->clipped) flags |= ps::kTextClipped;
    w.u8(flags);
    w.u32(t->font.color);
    if (t->clipped) w.rect(t->clip);
    w.string(t->text);
  } else if (const auto* l = std::get_if<LineOp>(&op)) {
    *type = ps::kRecLine;
    w.f64(l->x1);
    w.f64(l->y1);
    w.f64(l->x2);
    w.f64(l->y2);
    w.pen(l->pen);
  } else if (const auto* r = std::get_if<RectOp>(&op)) {
    *type = ps::kRecRect;
    w.rect(r->rect);
    w.pen(r->pen);
    w.u8(r->filled ? 1 : 0);
    w.u32(r->fill);
  } else if (const auto* s = std::get_if<ShadeOp>(&op)) {
    *type = ps::kRecShade;
    w.rect(s->rect);
    w.u8(uint8_t(s->percent));
  } else if (const auto* i = std::get_if<ImageOp>(&op)) {
    *type = ps::kRecImage;
    w.rect(i->rect);
    w.bytes(i->png);
  }
}

// One record straight into `out`: the type, the payload's length (filled
// in once the payload is written) and the payload.
void AppendOpRecord(QByteArray* out, const PageOp& op) {
  const qsizetype start = out->size();
  out->append(char(0));
  out->append(4, char(0));
  Writer w(*out);
  uint8_t type = 0;
  EncodeOp(op, w, &type);
  (*out)[start] = char(type);
  qToLittleEndian(uint32_t(out->size() - start - 5), out->data() + start + 1);
}

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

bool DecodeOp(uint8_t type, Reader& r, PageOp* op) {
  switch (type) {
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
      if (t.font.size <= 0 || t.font.size > 1000) return false;
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

QRgb ShadeColor(int percent) {
  int level = qBound(0, 255 - (255 * qBound(0, percent, 100) + 50) / 100, 255);
  return qRgb(level, level, level);
}

QByteArray EncodePageStream(const PageStream& stream) {
  Writer header;
  header.data().append(ps::kMagic, sizeof ps::kMagic);
  header.u16(ps::kVersion);
  header.u16(ps::kHeaderSize);
  header.u32(uint32_t(stream.pages.size()));
  QByteArray out = header.data();
  for (const Page& page : stream.pages) {
    Writer p;
    p.f64(page.width);
    p.f64(page.height);
    AppendRecord(&out, ps::kRecPage, p.data());
    for (const PageOp& op : page.ops) AppendOpRecord(&out, op);
  }
  AppendRecord(&out, ps::kRecEnd, {});
  return out;
}

bool DecodePageStream(const QByteArray& bytes, PageStream* out, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  if (bytes.size() < ps::kHeaderSize ||
      std::memcmp(bytes.constData(), ps::kMagic, sizeof ps::kMagic) != 0) {
    return fail(QStringLiteral("This is not a page stream (the header is missing)."));
  }
  Reader header(bytes.constData() + ps::kOffVersion, ps::kHeaderSize - ps::kOffVersion);
  uint16_t version = header.u16();
  uint16_t headerSize = header.u16();
  uint32_t pageCount = header.u32();
  if (version == 0 || version > ps::kVersion) {
    return fail(QStringLiteral("The page stream has version %1; this program reads up to %2.")
                    .arg(version)
                    .arg(ps::kVersion));
  }
  if (headerSize < ps::kHeaderSize || headerSize > bytes.size()) {
    return fail(QStringLiteral("The page stream header is damaged."));
  }

  PageStream result;
  Reader records(bytes.constData() + headerSize, size_t(bytes.size() - headerSize));
  bool ended = false;
  while (!records.atEnd()) {
    size_t offset = size_t(records.position() - bytes.constData());
    uint8_t type = records.u8();
    QByteArray payload = records.bytes();
    if (!records.ok()) {
      return fail(QStringLiteral("The page stream is cut short at byte %1.").arg(offset));
    }
    if (type == ps::kRecEnd) {
      ended = true;
      break;
    }
    Reader r(payload.constData(), size_t(payload.size()));
    if (type == ps::kRecPage) {
      Page page;
      page.width = r.f64();
      page.height = r.f64();
      if (!r.ok() || page.width <= 0 || page.height <= 0 || page.width > ps::kMaxPageInches ||
          page.height > ps::kMaxPageInches) {
        return fail(QStringLiteral("Page %1 of the page stream has a damaged size (byte %2).")
                        .arg(result.pages.size() + 1)
                        .arg(offset));
      }
      result.pages.push_back(std::move(page));
      continue;
    }
    if (type < ps::kRecText || type > ps::kRecImage) continue;  // a later version's record
    if (result.pages.empty()) {
      return fail(
          QStringLiteral("The page stream draws before its first page (byte %1).").arg(offset));
    }
    PageOp op;
    if (!DecodeOp(type, r, &op) || !r.ok() || !r.atEnd()) {
      return fail(QStringLiteral("A drawing record of page %1 is damaged (byte %2).")
                      .arg(result.pages.size())
                      .arg(offset));
    }
    result.pages.back().ops.push_back(std::move(op));
  }
  if (!ended)
    return fail(QStringLiteral("The page stream is cut short (its end mark is missing)."));
  if (result.pages.size() != pageCount) {
    return fail(QStringLiteral("The page stream should hold %1 pages but holds %2.")
                    .arg(pageCount)
                    .arg(result.pages.size()));
  }
  *out = std::move(result);
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
      }
    }
  }
  return out;
}

}  // namespace qv
