#include "preview/file_preview.h"

#include <QIODevice>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include "render/page_painter.h"

namespace qv {

namespace {
const QColor kBackground(128, 128, 128);
}

FilePreview::FilePreview(QScrollArea* scrollBox) : m_scrollBox(scrollBox) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  scrollBox->setWidget(this);
  scrollBox->setWidgetResizable(false);
  scrollBox->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  resizeToPage();
}

bool FilePreview::start(QString* error) {
  if (m_device == nullptr) {
    *error = QStringLiteral("There is nothing to preview.");
    return false;
  }
  // The run may have left the stream open for writing only.
  if (m_device->isOpen() && !m_device->isReadable()) m_device->close();
  if (!m_device->isOpen() && !m_device->open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("The preview could not be opened.");
    return false;
  }
  if (!m_reader.open(m_device, error)) return false;
  m_running = true;
  m_current = 0;
  showPage(firstPage());
  return true;
}

void FilePreview::finish() {
  m_running = false;
  m_page = Page();
  m_pageRead = false;
  m_current = 0;
  resizeToPage();
  update();
}

const Page* FilePreview::shownPage() const {
  if (m_current < 1 || m_current > pageCount() || !m_pageRead) return nullptr;
  return &m_page;
}

void FilePreview::showPage(int number) {
  if (pageCount() == 0) return;
  number = qBound(1, number, pageCount());
  if (number == m_current) return;
  m_current = number;
  QString error;
  m_pageRead = m_reader.readPage(number - 1, &m_page, &error);
  if (!m_pageRead) {
    m_page = Page();
    emit pageFailed(error);
  }
  resizeToPage();
  update();
  emit pageChanged();
}

void FilePreview::setZoomFactor(double zoom) {
  zoom = qBound(kMinZoom, zoom, kMaxZoom);
  if (qFuzzyCompare(zoom, m_zoom)) return;
  m_zoom = zoom;
  resizeToPage();
  emit zoomChanged();
}

double FilePreview::screenDpi() const { return logicalDpiX() > 0 ? logicalDpiX() : 96.0; }

double FilePreview::zoomPageWidthFactor() const {
  const Page* p = shownPage();
  double width = p ? p->width : 8.5;
  // The page is taller than the box at this zoom, so leave room for the
  // vertical scroll bar.
  int available = m_scrollBox->maximumViewportSize().width() -
                  m_scrollBox->verticalScrollBar()->sizeHint().width();
  double inches = width * (1.0 + 2.0 * m_marginPercent / 100.0);
  return qBound(kMinZoom, 100.0 * available / (inches * screenDpi()), kMaxZoom);
}

double FilePreview::zoomPageFactor() const {
  const Page* p = shownPage();
  double width = p ? p->width : 8.5, height = p ? p->height : 11.0;
  QSize box = m_scrollBox->maximumViewportSize();
  double margin = 2.0 * width * m_marginPercent / 100.0;
  double byWidth = box.width() / ((width + margin) * screenDpi());
  double byHeight = box.height() / ((height + margin) * screenDpi());
  return qBound(kMinZoom, 100.0 * qMin(byWidth, byHeight), kMaxZoom);
}

void FilePreview::setMarginPercent(double percent) {
  m_marginPercent = qMax(0.0, percent);
  resizeToPage();
}

void FilePreview::setShadowDepth(int pixels) {
  m_shadowDepth = qMax(0, pixels);
  resizeToPage();
}

void FilePreview::redraw() { update(); }

void FilePreview::resizeToPage() {
  const Page* p = shownPage();
  double width = p ? p->width : 8.5, height = p ? p->height : 11.0;
  double ppi = pixelsPerInch();
  int margin = qRound(width * ppi * m_marginPercent / 100.0);
  resize(qRound(width * ppi) + 2 * margin + m_shadowDepth,
         qRound(height * ppi) + 2 * margin + m_shadowDepth);
  update();
}

void FilePreview::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), kBackground);
  const Page* p = shownPage();
  if (p == nullptr) return;
  double ppi = pixelsPerInch();
  int margin = qRound(p->width * ppi * m_marginPercent / 100.0);
  QRect paper(margin, margin, qRound(p->width * ppi), qRound(p->height * ppi));
  if (m_shadowDepth > 0) {
    painter.fillRect(paper.translated(m_shadowDepth, m_shadowDepth), Qt::black);
  }
  painter.fillRect(paper, Qt::white);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setClipRect(paper);
  painter.translate(paper.topLeft());
  PaintPage(painter, *p, ppi);
}

}  // namespace qv
