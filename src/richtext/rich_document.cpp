#include "richtext/rich_document.h"

#include <algorithm>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QImage>
#include <QTextBlock>
#include <QTextFrame>

namespace qv {

namespace {

// A paint device of 1440 dots per inch: laid out on it, one document unit
// is one twip and font sizes in points become twips at 20 per point.
QPaintDevice* TwipsDevice() {
  static QImage* device = [] {
    auto* image = new QImage(1, 1, QImage::Format_ARGB32);
    const int dotsPerMeter = qRound(kTwipsPerInch / 0.0254);
    image->setDotsPerMeterX(dotsPerMeter);
    image->setDotsPerMeterY(dotsPerMeter);
    return image;
  }();
  return device;
}

void Prepare(QTextDocument& doc) {
  doc.setDocumentMargin(0);
  doc.setUndoRedoEnabled(false);
  doc.documentLayout()->setPaintDevice(TwipsDevice());
}

}  // namespace

double TwipsPerScaledUnit() {
  // The screen resolution Qt's text layout divides by.
  int dpi = 100;
  if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi)) {
    dpi = 96;
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dpi = qRound(screen->logicalDotsPerInchY());
  }
  return double(kTwipsPerInch) / std::max(dpi, 1);
}

std::unique_ptr<QTextDocument> RichDocument::NewDocument() {
  auto doc = BareDocument();
  Prepare(*doc);
  return doc;
}

std::unique_ptr<QTextDocument> RichDocument::BareDocument() {
  auto doc = std::make_unique<QTextDocument>();
  QFont font(QStringLiteral("Times New Roman"));
  font.setPointSizeF(12);
  doc->setDefaultFont(font);
  doc->setDocumentMargin(0);
  doc->setUndoRedoEnabled(false);
  return doc;
}

RichDocument::RichDocument() : m_doc(NewDocument()) { applyPageSize(); }

RichDocument::~RichDocument() = default;

RichDocument::RichDocument(const RichDocument& other)
    : m_doc(other.m_doc->clone()), m_layout(other.m_layout) {
  Prepare(*m_doc);
  applyPageSize();
}

RichDocument& RichDocument::operator=(const RichDocument& other) {
  if (this != &other) {
    m_doc.reset(other.m_doc->clone());
    m_layout = other.m_layout;
    Prepare(*m_doc);
    applyPageSize();
  }
  return *this;
}

void RichDocument::setLayout(const PageLayout& layout) {
  m_layout = layout;
  applyPageSize();
}

void RichDocument::clear() {
  m_doc = NewDocument();
  applyPageSize();
}

void RichDocument::adopt(std::unique_ptr<QTextDocument> doc, const PageLayout& layout) {
  m_doc = std::move(doc);
  Prepare(*m_doc);
  m_layout = layout;
  applyPageSize();
}

void RichDocument::applyPageSize() {
  m_pageStarts.clear();
  // Damaged files may give silly sizes; a page keeps at least an inch of text.
  const int w = qMax(m_layout.textWidth(), kTwipsPerInch);
  const int h = qMax(m_layout.textHeight(), kTwipsPerInch);
  m_doc->setPageSize(QSizeF(w, h));
}

void RichDocument::reformat() {
  applyPageSize();
  m_doc->documentLayout()->documentSize();
}

int RichDocument::pageCount() const { return qMax(1, m_doc->pageCount()); }

int RichDocument::firstBlockOfPage(int index) const {
  if (m_pageStarts.empty()) {
    const int pages = pageCount();
    m_pageStarts.assign(size_t(pages), -1);
    QAbstractTextDocumentLayout* layout = m_doc->documentLayout();
    const double pageHeight = std::max(1.0, m_doc->pageSize().height());
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
      const QRectF r = layout->blockBoundingRect(b);
      const int first = std::clamp(int(r.top() / pageHeight), 0, pages - 1);
      const int last = std::clamp(int(r.bottom() / pageHeight), first, pages - 1);
      for (int p = first; p <= last; ++p) {
        if (m_pageStarts[size_t(p)] < 0) m_pageStarts[size_t(p)] = b.blockNumber();
      }
    }
    // A page no block reaches (all of it a picture's height) starts where the next one does.
    int next = m_doc->blockCount();
    for (int p = pages - 1; p >= 0; --p) {
      if (m_pageStarts[size_t(p)] < 0) m_pageStarts[size_t(p)] = next;
      next = m_pageStarts[size_t(p)];
    }
  }
  if (index < 0 || size_t(index) >= m_pageStarts.size()) return m_doc->blockCount();
  return m_pageStarts[size_t(index)];
}

}  // namespace qv
