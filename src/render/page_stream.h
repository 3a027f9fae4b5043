// The recorded pages of a report run: each page's size and its drawing
// operations in inches. A run sends the same operations to the printer, to a
// PDF file or into this stream; the preview window reads the stream back.
// Byte layout: docs/formats/page-stream.md.
#pragma once

#include <QByteArray>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <variant>
#include <vector>

class QIODevice;

namespace qv {

// Stored as one byte each; the values are the format's (page_stream_format.h).
enum class PenStyle : uint8_t {
  Solid = 0,
  Dash = 1,
  Dot = 2,
  DashDot = 3,
  DashDotDot = 4,
  Clear = 5
};
// Copy paints the pen's colour; Xor inverts what is below, on screens only
// (printers and PDF draw it as Copy).
enum class PenMode : uint8_t { Copy = 0, Xor = 1 };

struct Pen {
  QRgb color = 0xFF000000;
  PenStyle style = PenStyle::Solid;
  // Inches; 0 is the thinnest line the device draws. Every line is at least
  // one device pixel wide.
  double width = 0.0;
  PenMode mode = PenMode::Copy;
  bool operator==(const Pen&) const = default;
};

struct TextFont {
  QString name = QStringLiteral("Arial");  // as the report names it
  double size = 10.0;                      // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  QRgb color = 0xFF000000;
  bool operator==(const TextFont&) const = default;
};

// Text with its baseline starting at (x, y).
struct TextOp {
  double x = 0, y = 0;
  TextFont font;
  QString text;
  bool clipped = false;
  QRectF clip;  // inches, when clipped
  bool operator==(const TextOp&) const = default;
};

struct LineOp {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  Pen pen;
  bool operator==(const LineOp&) const = default;
};

struct RectOp {
  QRectF rect;
  Pen pen;
  bool filled = false;
  QRgb fill = 0xFFFFFFFF;
  bool operator==(const RectOp&) const = default;
};

// A grey cell: percent 0 is white, 100 black.
struct ShadeOp {
  QRectF rect;
  int percent = 0;
  bool operator==(const ShadeOp&) const = default;
};

// A picture stretched into rect; the bytes are PNG.
struct ImageOp {
  QRectF rect;
  QByteArray png;
  bool operator==(const ImageOp&) const = default;
};

// The postal bar codes a stream records whole; stored as one byte, the
// format's values.
enum class BarKind : uint8_t { Postnet = 1, IntelligentMail = 2 };

// A whole bar code, one letter per bar from left to right: POSTNET 'F'
// (full, tall) or 'H' (half, short); Intelligent Mail 'F' (full), 'A'
// (ascender), 'D' (descender) or 'T' (tracker). (x, y) is where the drawing
// pen stood: the top of the bars, and for POSTNET the first bar's centre,
// for Intelligent Mail its left edge. The bars' sizes and pens are the
// kind's (bar_geometry.h), so a label's 62 bars take one record.
struct BarCodeOp {
  double x = 0, y = 0;
  BarKind kind = BarKind::Postnet;
  QByteArray states;
  bool operator==(const BarCodeOp&) const = default;
};

using PageOp = std::variant<TextOp, LineOp, RectOp, ShadeOp, ImageOp, BarCodeOp>;

// The bars of `code` as the lines they are drawn with, left to right; a
// letter the kind does not have (BarStatesValid) leaves its place empty.
std::vector<LineOp> BarCodeLines(const BarCodeOp& code);
// Whether every letter of `states` is one of `kind`'s bar states.
bool BarStatesValid(BarKind kind, const QByteArray& states);

struct Page {
  double width = 8.5;  // inches, as printed (after orientation)
  double height = 11.0;
  std::vector<PageOp> ops;
  bool operator==(const Page&) const = default;
};

struct PageStream {
  std::vector<Page> pages;
  bool operator==(const PageStream&) const = default;
};

QByteArray EncodePageStream(const PageStream& stream);

// Writes a stream page by page, so a long run never holds more than the page
// it is drawing: each page as it is finished, then the page index, and the
// header's page count and index offset last. The device must be seekable.
class PageStreamWriter {
 public:
  // `device` is not owned and must be open for writing.
  explicit PageStreamWriter(QIODevice* device);
  bool begin(QString* error);
  bool writePage(const Page& page, QString* error);
  // The page index, the end mark and the header's page count.
  bool finish(QString* error);
  int pageCount() const { return int(m_offsets.size()); }

 private:
  bool put(const QByteArray& bytes, QString* error);

  QIODevice* m_device;
  qint64 m_start = 0;   // the device position of the header
  qint64 m_size = 0;    // bytes of the stream so far
  std::vector<uint64_t> m_offsets;
};

// Reads one page at a time from a stream on a random-access device: open()
// finds where every page starts (from the page index, or by walking the
// records of a stream that has none), readPage() decodes just that page.
class PageStreamReader {
 public:
  // `device` is not owned, open for reading, and holds the stream from
  // byte 0. On false, `*error` says what is wrong in plain words.
  bool open(QIODevice* device, QString* error);
  int pageCount() const { return int(m_offsets.size()); }
  // `index` counts from 0.
  bool readPage(int index, Page* page, QString* error) const;

 private:
  bool indexFromRecords(uint32_t pageCount, QString* error);

  QIODevice* m_device = nullptr;
  uint32_t m_headerSize = 0;
  std::vector<uint64_t> m_offsets;
  uint64_t m_recordsEnd = 0;  // where the last page's records end
};

// Reads `bytes` into `*out`. On damage returns false with a plain-words
// reason in `*error` and leaves `*out` unchanged.
bool DecodePageStream(const QByteArray& bytes, PageStream* out, QString* error);

// One line per page and per operation, positions in inches with three
// decimals, for tests and for looking at a run by eye.
QString DumpPageStream(const PageStream& stream);

// The grey of a shade percentage (0 white, 100 black).
QRgb ShadeColor(int percent);

}  // namespace qv
