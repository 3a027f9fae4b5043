// The page viewer: shows one page of a page stream at a zoom factor inside
// a scroll box, drawn from the recorded operations at the zoom's resolution
// so text and lines stay sharp at every zoom. Only the page shown is read
// from the stream, so a stream of any length opens at once.
#pragma once

#include <QWidget>

#include "render/page_stream.h"

class QIODevice;
class QScrollArea;

namespace qv {

class FilePreview : public QWidget {
  Q_OBJECT

 public:
  // The viewer puts itself into `scrollBox` and measures zooms against it.
  explicit FilePreview(QScrollArea* scrollBox);

  // The stream to show (not owned); read by start().
  void setStream(QIODevice* device) { m_device = device; }
  // Opens the stream and shows its first page. False with a plain-words
  // reason when the stream cannot be read.
  bool start(QString* error);
  // Stops showing the stream; the pages are dropped.
  void finish();
  bool isRunning() const { return m_running; }

  int pageCount() const { return m_running ? m_reader.pageCount() : 0; }
  int currentPage() const { return m_current; }
  int firstPage() const { return pageCount() > 0 ? 1 : 0; }
  int lastPage() const { return pageCount(); }
  void showPage(int page);
  // The page on show, read from the stream; null when there is none.
  const Page* shownPage() const;
  void prevPage() { showPage(m_current - 1); }
  void nextPage() { showPage(m_current + 1); }

  // 100 is the page's real size on the screen.
  double zoomFactor() const { return m_zoom; }
  void setZoomFactor(double zoom);
  void zoomIn() { setZoomFactor(m_zoom + kZoomStep); }
  void zoomOut() { setZoomFactor(m_zoom - kZoomStep); }
  // The zoom at which the page (with its margin) fills the scroll box's
  // width, and the zoom at which the whole page fits in it.
  double zoomPageWidthFactor() const;
  double zoomPageFactor() const;
  // Margin around the page, in percent of the page's width.
  double marginPercent() const { return m_marginPercent; }
  void setMarginPercent(double percent);
  int shadowDepth() const { return m_shadowDepth; }
  void setShadowDepth(int pixels);
  void redraw();

  static constexpr double kZoomStep = 10.0;
  static constexpr double kMinZoom = 10.0;
  static constexpr double kMaxZoom = 1000.0;

 signals:
  void pageChanged();
  void zoomChanged();
  // A page of the stream could not be read; `reason` in plain words.
  void pageFailed(const QString& reason);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double screenDpi() const;
  double pixelsPerInch() const { return screenDpi() * m_zoom / 100.0; }
  void resizeToPage();

  QScrollArea* m_scrollBox;
  QIODevice* m_device = nullptr;
  PageStreamReader m_reader;
  Page m_page;  // the page shown, read from the stream
  bool m_pageRead = false;
  bool m_running = false;
  int m_current = 0;
  double m_zoom = 100.0;
  double m_marginPercent = 2.5;
  int m_shadowDepth = 0;
};

}  // namespace qv
