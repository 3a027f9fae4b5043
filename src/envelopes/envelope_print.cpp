#include "envelopes/envelope_print.h"

#include <QPainter>
#include <cmath>

#include "labels/address_lines.h"
#include "labels/job_host.h"
#include "labels/imb.h"
#include "labels/postnet.h"
#include "render/report_canvas.h"
#include "store/table_object.h"

namespace qv {

namespace {

// Limits past which a setup row is taken to be damaged.
constexpr float kLargestEnvelope = 100.0f;
constexpr int kLargestFont = 500;
// The preview's outline stops short of the right edge, and the stamp sits
// in a 0.75 in square 0.25 in from the right and 0.125 in from the top.
constexpr double kOutlineShort = 0.1;
constexpr double kStampLeft = 1.0, kStampRight = 0.25;
constexpr double kStampTop = 0.125, kStampBottom = 0.875;
constexpr int kStampPixels = 72;

int TenthsOf(double inches) { return int(std::trunc(inches * 10.0)); }

float NotNegative(float v) { return v > 0 ? v : 0.0f; }

void SetUpReport(ReportCanvas& r) {
  r.setTitle(QStringLiteral("Envelope"));
  r.setMargins(0.5, 0.5, 0.5, 0.5);
  r.setOrientation(Orientation::Landscape);
  r.setStatusFormat(QStringLiteral("Printing Page %p"));
}

}  // namespace

bool PageIsEnvelopeSized(double pageWidth, double pageHeight, float envelopeWidth,
                         float envelopeHeight) {
  // The envelope's single-precision value is widened first: 4.1 is
  // 4.0999999 and gives 40 tenths, not 41.
  return TenthsOf(pageWidth) == TenthsOf(double(envelopeWidth)) &&
         TenthsOf(pageHeight) == TenthsOf(double(envelopeHeight));
}

EnvelopeOffsets FeedOffsets(int facing, int orientation, int position, bool clockwise,
                            double pageWidth, double pageHeight, float envelopeWidth,
                            float envelopeHeight) {
  EnvelopeOffsets o;
  if (PageIsEnvelopeSized(pageWidth, pageHeight, envelopeWidth, envelopeHeight)) return o;
  const float across = float(pageWidth) - envelopeWidth;
  const float down = float(pageHeight) - envelopeHeight;
  // Face down, the envelope's left edge goes in where the face-up one's
  // right edge would, so the position that takes the whole difference is
  // right face up and left face down; the other one takes none.
  const int full = facing == kFaceDown ? kFeedLeft : kFeedRight;
  auto byPosition = [&](float difference) {
    if (position == full) return difference;
    if (position == kFeedCenter) return difference * 0.5f;
    return 0.0f;
  };
  if (orientation == kEnvelopePortrait) {
    o.left = byPosition(across);
  } else {
    o.left = clockwise ? 0.0f : across;
    o.top = byPosition(down);
  }
  o.left = NotNegative(o.left);
  o.top = NotNegative(o.top);
  return o;
}

int FeedPosition(int stored, bool* clockwise) {
  *clockwise = stored >= kClockwiseAdded;
  if (!*clockwise) return stored;
  const int position = stored - kClockwiseAdded;
  if (position == kFeedLeft) return kFeedRight;
  if (position == kFeedRight) return kFeedLeft;
  return position;
}

TEnvelopeSetup PrintableEnvelopeSetup(const TEnvelopeSetup& setup) {
  const TEnvelopeSetup d = DefaultEnvelopeSetup();
  TEnvelopeSetup s = setup;
  if (!(s.envelopeWidth > 0) || !(s.envelopeHeight > 0) || s.envelopeWidth > kLargestEnvelope ||
      s.envelopeHeight > kLargestEnvelope) {
    s.envelopeWidth = d.envelopeWidth;
    s.envelopeHeight = d.envelopeHeight;
  }
  const auto printable = [](EnvelopeBlock* b, const EnvelopeBlock& byDefault) {
    for (float* place : {&b->top, &b->left}) {
      if (!(*place > 0)) *place = 0;
      if (*place > kLargestEnvelope) *place = kLargestEnvelope;
    }
    if (b->fontName.trimmed().isEmpty()) b->fontName = byDefault.fontName;
    if (b->fontSize < 1 || b->fontSize > kLargestFont) b->fontSize = byDefault.fontSize;
  };
  printable(&s.returnBlock, d.returnBlock);
  printable(&s.messageBlock, d.messageBlock);
  printable(&s.deliveryBlock, d.deliveryBlock);
  while (s.returnLines.size() < 5) s.returnLines << QString();
  if (s.orientation != kEnvelopePortrait && s.orientation != kEnvelopeLandscape) {
    s.orientation = d.orientation;
  }
  if (s.facing != kFaceUp && s.facing != kFaceDown) s.facing = d.facing;
  const int feed = s.position % kClockwiseAdded;
  if (s.position < 0 || s.position > kClockwiseAdded + kFeedCenter || feed > kFeedCenter) {
    s.position = d.position;
  }
  int& zipOption = s.address.zipOption;
  if (zipOption < 1 || zipOption > 4) zipOption = d.address.zipOption;
  return s;
}

QImage StampImage() {
  QImage image(kStampPixels, kStampPixels, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // A perforated edge, a frame and a flag-like field: enough to show where
  // the stamp goes without pretending to be postage.
  p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1.0));
  for (int i = 2; i < kStampPixels; i += 6) {
    p.drawEllipse(QPointF(i, 1.5), 1.5, 1.5);
    p.drawEllipse(QPointF(i, kStampPixels - 1.5), 1.5, 1.5);
    p.drawEllipse(QPointF(1.5, i), 1.5, 1.5);
    p.drawEllipse(QPointF(kStampPixels - 1.5, i), 1.5, 1.5);
  }
  const QRectF field(8, 8, kStampPixels - 16, kStampPixels - 16);
  p.fillRect(field, QColor(0xE8, 0xEE, 0xF8));
  p.setPen(QPen(QColor(0x20, 0x40, 0x90), 2.0));
  p.drawRect(field);
  for (int i = 0; i < 4; ++i) {
    p.fillRect(QRectF(12, 32 + i * 8, kStampPixels - 24, 4), QColor(0xC0, 0x30, 0x30));
  }
  p.setBrush(QColor(0x20, 0x40, 0x90));
  p.drawRect(QRectF(12, 12, 20, 16));
  p.end();
  return image;
}

bool DrawEnvelopeBarCode(ReportCanvas& canvas, const QString& zip, const QString& street,
                         const QString& country, double left, double top) {
  if (!AddressGetsUsBarCode(zip, country)) return false;
  canvas.moveTo(left, top);
  BarSection(canvas, BarCodeText(zip, street));
  return true;
}

TEnvelopePrint::TEnvelopePrint(TableObject& table, JobHost& host)
    : PrintJob(host, QString()), m_table(table), m_setup(DefaultEnvelopeSetup()) {
  SetUpReport(*m_printReport);
  SetUpReport(*m_fileReport);
}

TEnvelopePrint::~TEnvelopePrint() = default;

void TEnvelopePrint::setSetup(const TEnvelopeSetup& setup) {
  m_setup = PrintableEnvelopeSetup(setup);
  m_setup.position = FeedPosition(m_setup.position, &m_clockwise);
}

QString TEnvelopePrint::OutcomeText() const {
  const QString line =
      OutcomeLine(QStringLiteral("Envelope "), QStringLiteral("\rPreview Stopped!"));
  // An error or a cancel says only that.
  if (Aborted() || !Report().errorText().isEmpty()) return line;
  return line + BarCodeWarningLines(m_barCodeWarnings, QStringLiteral("envelopes"));
}

void TEnvelopePrint::BeforePrintEnvelope(ReportCanvas& sender) {
  m_offsets = EnvelopeOffsets();
  sender.setOrientation(m_setup.orientation == kEnvelopePortrait ? Orientation::Portrait
                                                                 : Orientation::Landscape);
  StartStatusLines(sender);
}

void TEnvelopePrint::PrintBlock(ReportCanvas& r, double left, double top,
                                const QStringList& lines) {
  r.setSectionLeft(left);
  r.setSectionTop(top);
  r.home();
  for (const QString& line : lines) r.println(line);
}

void TEnvelopePrint::PrintOneEnvelope(ReportCanvas& r) {
  const TEnvelopeSetup& s = m_setup;
  const double left = m_offsets.left, top = m_offsets.top;
  const double ew = s.envelopeWidth, eh = s.envelopeHeight;
  const bool fits = PageIsEnvelopeSized(r.pageWidth(), r.pageHeight(), s.envelopeWidth,
                                        s.envelopeHeight);
  if (!m_printMode && m_decorate && !fits) {
    r.resetPen();
    r.clearBrush();
    r.rectangle(left, top, left + ew - kOutlineShort, top + eh);
    if (m_stamp.isNull()) m_stamp = StampImage();
    r.stretchDraw(QRectF(QPointF(left + ew - kStampLeft, top + kStampTop),
                         QPointF(left + ew - kStampRight, top + kStampBottom)),
                  m_stamp);
  }
  // The block's font, then its lines from its top left corner.
  auto print = [&](const EnvelopeBlock& b, const QStringList& lines) {
    r.setFont(b.fontName, b.fontSize);
    r.setBold(b.bold);
    r.setItalic(b.italic);
    PrintBlock(r, double(b.left) + left, double(b.top) + top, lines);
  };
  // Empty lines stay: the user spaced the return address that way.
  if (s.useReturn) print(s.returnBlock, s.returnLines.mid(0, 5));
  if (s.useMessage) print(s.messageBlock, {s.messageText});
  ComposeAddressLines(m_table, s.address, &m_lines);
  print(s.deliveryBlock, m_lines);
  if (!s.address.barCode) return;
  const QString zip = m_table.fieldText(QStringLiteral("ZIP"));
  const QString street = m_table.fieldText(QStringLiteral("STREET"));
  const QString country = m_table.fieldText(QStringLiteral("COUNTRY"));
  const double barLeft = double(s.deliveryBlock.left) + left;
  const double barTop = double(s.deliveryBlock.top) - double(kBarCodeAboveText) + top;
  if (!s.intelligentMail) {
    DrawEnvelopeBarCode(r, zip, street, country, barLeft, barTop);
    return;
  }
  if (IsForeignCountry(country)) return;
  const QString bars = ImbPieceBars(
      m_imb, zip, street, double(s.envelopeWidth) - double(s.deliveryBlock.left),
      QStringLiteral("the delivery address is too near the right edge"), m_table.recNo(),
      &m_barCodeWarnings);
  if (bars.isEmpty()) return;
  r.moveTo(barLeft, barTop);
  ImbSection(r, bars);
}

void TEnvelopePrint::PrintEnvelope(ReportCanvas& r) {
  const TEnvelopeSetup& s = m_setup;
  m_envelopes = 0;
  m_barCodeWarnings.clear();
  m_offsets = FeedOffsets(s.facing, s.orientation, s.position, m_clockwise, r.pageWidth(),
                          r.pageHeight(), s.envelopeWidth, s.envelopeHeight);
  // Offsets are measured from the page's corner.
  r.setMargins(0, 0, 0, 0);
  r.setOrigin(0, 0);
  r.setSectionRight(r.pageWidth());
  r.setSectionBottom(r.pageHeight());
  while (!m_table.eof() && !m_stop && !r.aborted() && r.errorText().isEmpty()) {
    if (m_envelopes > 0) r.newPage();
    PrintOneEnvelope(r);
    ++m_envelopes;
    if (m_single) break;
    // A failed move is kept by the table; the run reports it.
    if (!m_table.next()) break;
    m_host.processPendingEvents();
  }
  m_lines.clear();
}

}  // namespace qv
