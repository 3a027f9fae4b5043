#include "preview/preview_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "preview/file_preview.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

struct HelpTopic {
  const char* caption;
  int topic;
};

// Help topics of the preview captions the jobs set.
constexpr HelpTopic kHelpTopics[] = {
    {"Preview Labels", 1032},
    {"Preview Envelope", 1031},
    {"Preview Zipcode Count", 4572},
    {"Preview Report", 1034},
};

QToolButton* SpeedButton(QWidget* parent, const QString& text, const QString& tip,
                         const QString& name) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setObjectName(name);
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoRaise(true);
  button->setMinimumWidth(32);
  return button;
}

}  // namespace

TPreviewForm::TPreviewForm(QWidget* parent) : QDialog(parent) { FormCreate(); }

void TPreviewForm::FormCreate() {
  setWindowTitle(QStringLiteral("Preview"));
  setModal(true);

  auto* bar = new QWidget(this);
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(4, 4, 4, 4);
  sbZoomIn = SpeedButton(bar, QStringLiteral("+"), tr("Zoom in (Ctrl++)"), "sbZoomIn");
  sbZoomOut = SpeedButton(bar, QStringLiteral("\u2212"), tr("Zoom out (Ctrl+-)"), "sbZoomOut");
  sbZoomPageWidth = SpeedButton(bar, tr("Width"), tr("Page width"), "sbZoomPageWidth");
  sbZoomPage = SpeedButton(bar, tr("Page"), tr("Whole page"), "sbZoomPage");
  sbFirstPage =
      SpeedButton(bar, QStringLiteral("|\u25C0"), tr("First page (Ctrl+Home)"), "sbFirstPage");
  sbPrevPage = SpeedButton(bar, QStringLiteral("\u25C0"), tr("Previous page (PgUp)"), "sbPrevPage");
  sbNextPage = SpeedButton(bar, QStringLiteral("\u25B6"), tr("Next page (PgDn)"), "sbNextPage");
  sbLastPage =
      SpeedButton(bar, QStringLiteral("\u25B6|"), tr("Last page (Ctrl+End)"), "sbLastPage");
  sbZoomIn->setShortcut(QKeySequence::ZoomIn);
  sbZoomOut->setShortcut(QKeySequence::ZoomOut);
  PageLabel = new QLabel(QStringLiteral("Page 1 of 1"), bar);
  PageLabel->setObjectName("PageLabel");
  PageLabel->setMinimumWidth(110);
  CloseButton = new QPushButton(tr("Close"), bar);
  CloseButton->setDefault(true);
  HelpButton = new QPushButton(tr("Help"), bar);
  CloseButton->setObjectName("CloseButton");
  HelpButton->setObjectName("HelpButton");
  for (QWidget* w : {static_cast<QWidget*>(sbZoomIn), static_cast<QWidget*>(sbZoomOut),
                     static_cast<QWidget*>(sbZoomPageWidth), static_cast<QWidget*>(sbZoomPage)}) {
    barLayout->addWidget(w);
  }
  barLayout->addSpacing(12);
  for (QWidget* w : {sbFirstPage, sbPrevPage, sbNextPage, sbLastPage}) barLayout->addWidget(w);
  barLayout->addSpacing(12);
  barLayout->addWidget(PageLabel);
  barLayout->addStretch(1);
  barLayout->addWidget(CloseButton);
  barLayout->addWidget(HelpButton);

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setFocusPolicy(Qt::NoFocus);
  ScrollBox1->setBackgroundRole(QPalette::Dark);
  FilePreview1 = new FilePreview(ScrollBox1);
  FilePreview1->setObjectName("FilePreview1");
  FilePreview1->setZoomFactor(100.0);
  FilePreview1->setMarginPercent(2.5);
  FilePreview1->setShadowDepth(0);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(ScrollBox1, 1);

  connect(sbZoomIn, &QToolButton::clicked, this, &TPreviewForm::SBZoomInClick);
  connect(sbZoomOut, &QToolButton::clicked, this, &TPreviewForm::SBZoomOutClick);
  connect(sbZoomPageWidth, &QToolButton::clicked, this, &TPreviewForm::SBZoomPageWidthClick);
  connect(sbZoomPage, &QToolButton::clicked, this, &TPreviewForm::SBZoomPageClick);
  connect(sbFirstPage, &QToolButton::clicked, this, &TPreviewForm::sbFirstPageClick);
  connect(sbPrevPage, &QToolButton::clicked, this, &TPreviewForm::SBPrevPageClick);
  connect(sbNextPage, &QToolButton::clicked, this, &TPreviewForm::SBNextPageClick);
  connect(sbLastPage, &QToolButton::clicked, this, &TPreviewForm::sbLastPageClick);
  connect(CloseButton, &QPushButton::clicked, this, &TPreviewForm::CloseButtonClick);
  connect(HelpButton, &QPushButton::clicked, this, &TPreviewForm::HelpButtonClick);
  connect(FilePreview1, &FilePreview::pageChanged, this, &TPreviewForm::FilePreview1PageChange);
  connect(FilePreview1, &FilePreview::pageFailed, this, &TPreviewForm::FilePreview1PageFail);
  connect(FilePreview1, &FilePreview::zoomChanged, this, &TPreviewForm::FilePreview1ZoomChange);

  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  // Most of the screen's height, a letter page's proportions.
  QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                               : QRect(0, 0, 1024, 768);
  int height = screen.height() * 9 / 10;
  resize(qMin(screen.width(), qMax(640, height * 8 / 10)), height);
}

void TPreviewForm::setStream(QIODevice* stream) { FilePreview1->setStream(stream); }

int TPreviewForm::helpTopic() const {
  for (const HelpTopic& h : kHelpTopics) {
    if (windowTitle() == QLatin1String(h.caption)) return h.topic;
  }
  return 0;
}

bool TPreviewForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && m_firstActivation) FormActivate();
  return QDialog::event(event);
}

// Offscreen and some window managers never activate the window; showing it
// counts as its first activation too.
void TPreviewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_firstActivation) QTimer::singleShot(0, this, &TPreviewForm::FormActivate);
}

void TPreviewForm::FormActivate() {
  if (!m_firstActivation) return;
  m_firstActivation = false;
  QString error;
  if (!FilePreview1->start(&error)) {
    PageLabel->setText(tr("No pages"));
    Dialogs().information(this, tr("The preview cannot be shown.\r\n%1").arg(error));
    return;
  }
  if (FilePreview1->pageCount() < 2) {
    sbPrevPage->hide();
    sbNextPage->hide();
  }
  FilePreview1->setZoomFactor(FilePreview1->zoomPageWidthFactor());
  FilePreview1PageChange();
}

void TPreviewForm::FormClose() {
  if (FilePreview1->isRunning()) FilePreview1->finish();
}

void TPreviewForm::closeEvent(QCloseEvent* event) {
  FormClose();
  QDialog::closeEvent(event);
}

bool TPreviewForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  // Home and End, with Ctrl or without, go to the first and the last page.
  if (modifiers == Qt::ControlModifier || modifiers == Qt::NoModifier) {
    if (key == Qt::Key_Home) {
      sbFirstPageClick();
      return true;
    }
    if (key == Qt::Key_End) {
      sbLastPageClick();
      return true;
    }
  }
  if (modifiers != Qt::NoModifier) return false;
  QScrollBar* bar = ScrollBox1->verticalScrollBar();
  switch (key) {
    case Qt::Key_Up:
      bar->setValue(qMax(0, bar->value() - bar->singleStep()));
      return true;
    case Qt::Key_Down:
      bar->setValue(qMin(bar->maximum(), bar->value() + bar->singleStep()));
      return true;
    case Qt::Key_PageUp:
      SBPrevPageClick();
      return true;
    case Qt::Key_PageDown:
      SBNextPageClick();
      return true;
    default:
      return false;
  }
}

void TPreviewForm::keyPressEvent(QKeyEvent* event) {
  if (FormKeyDown(event->key(), event->modifiers())) return;
  QDialog::keyPressEvent(event);
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (FormKeyDown(key->key(), key->modifiers())) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TPreviewForm::FilePreview1PageFail(const QString& reason) {
  Dialogs().information(this, tr("This page cannot be shown.\r\n%1").arg(reason));
}

void TPreviewForm::FilePreview1PageChange() {
  PageLabel->setText(QStringLiteral("Page %1 of %2")
                         .arg(FilePreview1->currentPage() - FilePreview1->firstPage() + 1)
                         .arg(FilePreview1->pageCount()));
}

void TPreviewForm::FilePreview1ZoomChange() { FilePreview1->redraw(); }

void TPreviewForm::SBZoomInClick() { FilePreview1->zoomIn(); }
void TPreviewForm::SBZoomOutClick() { FilePreview1->zoomOut(); }

void TPreviewForm::SBZoomPageWidthClick() {
  FilePreview1->setZoomFactor(FilePreview1->zoomPageWidthFactor());
}

void TPreviewForm::SBZoomPageClick() {
  FilePreview1->setZoomFactor(FilePreview1->zoomPageFactor());
}

void TPreviewForm::sbFirstPageClick() { FilePreview1->showPage(FilePreview1->firstPage()); }
void TPreviewForm::SBPrevPageClick() { FilePreview1->prevPage(); }
void TPreviewForm::SBNextPageClick() { FilePreview1->nextPage(); }
void TPreviewForm::sbLastPageClick() { FilePreview1->showPage(FilePreview1->lastPage()); }

void TPreviewForm::CloseButtonClick() { close(); }

void TPreviewForm::HelpButtonClick() {
  int topic = helpTopic();
  if (topic != 0) Dialogs().showHelp(this, topic);
}

}  // namespace qv
