// The print preview window: shows the page stream of a finished label,
// envelope, ZIP-count or report run, page by page, with zoom and page
// buttons. It only shows pages; printing goes through the job's own dialog.
// The caller sets the caption (which also picks the help topic), gives the
// stream, shows the window modally and frees it.
#pragma once

#include <QDialog>

#include "ui/qt_classes.h"

namespace qv {

class FilePreview;

class TPreviewForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPreviewForm(QWidget* parent = nullptr);

  // The finished run's pages (not owned); read on first activation.
  void setStream(QIODevice* stream);
  // The help topic of the current caption; 0 when it has none.
  int helpTopic() const;

  QScrollArea* ScrollBox1;
  FilePreview* FilePreview1;
  QLabel* PageLabel;
  QToolButton* sbZoomIn;
  QToolButton* sbZoomOut;
  QToolButton* sbZoomPageWidth;
  QToolButton* sbZoomPage;
  QToolButton* sbFirstPage;
  QToolButton* sbPrevPage;
  QToolButton* sbNextPage;
  QToolButton* sbLastPage;
  QPushButton* CloseButton;
  QPushButton* HelpButton;

  void FormCreate();
  void FormActivate();
  void FormClose();
  // True when the key was used here.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void FilePreview1PageChange();
  void FilePreview1PageFail(const QString& reason);
  void FilePreview1ZoomChange();
  void SBZoomInClick();
  void SBZoomOutClick();
  void SBZoomPageWidthClick();
  void SBZoomPageClick();
  void sbFirstPageClick();
  void SBPrevPageClick();
  void SBNextPageClick();
  void sbLastPageClick();
  void CloseButtonClick();
  void HelpButtonClick();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Arrow and page keys reach the window before the control with the focus.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool m_firstActivation = true;
};

}  // namespace qv
