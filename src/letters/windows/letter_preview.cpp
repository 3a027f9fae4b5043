// The print status screen and the letter preview.
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "labels/job_host.h"
#include "letters/merge.h"
#include "letters/windows/letter_windows.h"
#include "richtext/page_paint.h"
#include "store/apollo.h"
#include "store/messages.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

// Questions through the dialog service, progress into the status label and
// window events once per record, so Cancel reaches the job.
class StatusHost : public JobHost {
 public:
  explicit StatusHost(TLetterPrintStatus* form) : m_form(form) {}
  void information(const QString& text) override { Dialogs().information(m_form, text); }
  bool question(const QString& text, bool defaultYes) override {
    return Dialogs().question(m_form, text, defaultYes);
  }
  void progress(const QString& text) override { m_form->StatusLabel->setText(text); }
  void processPendingEvents() override { QApplication::processEvents(); }

 private:
  TLetterPrintStatus* m_form;
};

// The page of the preview, painted by the rich-text engine.
class PaintBoxWidget : public QWidget {
 public:
  PaintBoxWidget(TRTFPreviewForm* form, QWidget* parent) : QWidget(parent), m_form(form) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    m_form->PaintBoxPaint(p);
  }

 private:
  TRTFPreviewForm* m_form;
};

}  // namespace

// ---- status screen -----------------------------------------------------------------

TLetterPrintStatus::TLetterPrintStatus(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Print Status Screen"));
  StatusLabel = new QLabel(QStringLiteral("Printing page 0"));
  StatusLabel->setMinimumWidth(260);
  CancelButton = new QPushButton(QStringLiteral("Cancel"));
  auto* v = new QVBoxLayout(this);
  v->addWidget(StatusLabel);
  v->addWidget(CancelButton, 0, Qt::AlignHCenter);
  connect(CancelButton, &QPushButton::clicked, this, &TLetterPrintStatus::CancelButtonClick);
}

void TLetterPrintStatus::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_first) {
    m_first = false;
    QMetaObject::invokeMethod(this, &TLetterPrintStatus::FormActivate, Qt::QueuedConnection);
  }
}

void TLetterPrintStatus::FormActivate() {
  StatusHost host(this);
  if (run) {
    run(host, [this](TLetterPrint& job) {
      m_job = &job;
      job.FormActivate();
      m_job = nullptr;
    });
  }
  m_done = true;
  CancelButton->setText(QStringLiteral("OK"));
}

void TLetterPrintStatus::CancelButtonClick() {
  if (m_done) {
    accept();
  } else if (m_job) {
    m_job->CancelButtonClick();
  }
}

void TLetterPrintStatus::reject() {
  if (m_done) QDialog::reject();
  else if (m_job) m_job->CancelButtonClick();
}

// ---- preview -----------------------------------------------------------------------

TRTFPreviewForm::TRTFPreviewForm(TableObject* contacts, TApollo* apollo, QWidget* parent)
    : QDialog(parent), m_contacts(contacts), m_apollo(apollo) {
  setWindowTitle(QStringLiteral("Preview Letters"));
  resize(820, 700);
  m_ppi = screen() ? int(screen()->logicalDotsPerInchX()) : 96;
  ScrollBox = new QScrollArea;
  ScrollBox->setBackgroundRole(QPalette::Dark);
  ScrollBox->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Panel = new QWidget;
  Panel->setAutoFillBackground(true);
  QPalette white = Panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel->setPalette(white);
  // The program's window background would otherwise show through the page.
  Panel->setStyleSheet(QStringLiteral("background-color: white;"));
  PaintBox = new PaintBoxWidget(this, Panel);
  ScrollBox->setWidget(Panel);
  PageLabel = new QLabel(QStringLiteral("Page 1 "));
  auto button = [](const QString& text, const QString& tip) {
    auto* b = new QPushButton(text);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
  };
  FirstButton = button(QStringLiteral("|<"), QStringLiteral("First record"));
  PriorButton = button(QStringLiteral("<"), QStringLiteral("Prior record"));
  NextButton = button(QStringLiteral(">"), QStringLiteral("Next record"));
  LastButton = button(QStringLiteral(">|"), QStringLiteral("Last record"));
  ZoomInButton = button(QStringLiteral("Zoom In"), QStringLiteral("Zoom in"));
  ZoomOutButton = button(QStringLiteral("Zoom Out"), QStringLiteral("Zoom out"));
  PageWidthButton = button(QStringLiteral("Page Width"), QStringLiteral("Page width"));
  WholePageButton = button(QStringLiteral("Whole Page"), QStringLiteral("Whole page"));
  sbPrevPage = button(QStringLiteral("Prev Page"), QStringLiteral("Previous page"));
  sbNextPage = button(QStringLiteral("Next Page"), QStringLiteral("Next page"));
  auto* close = button(QStringLiteral("Close"), QString());
  auto* help = button(QStringLiteral("Help"), QString());
  auto* bar = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{FirstButton, PriorButton, NextButton, LastButton,
                                                    ZoomInButton, ZoomOutButton, PageWidthButton,
                                                    WholePageButton, sbPrevPage, sbNextPage,
                                                    PageLabel}) {
    bar->addWidget(w);
  }
  bar->addStretch();
  bar->addWidget(help);
  bar->addWidget(close);
  auto* v = new QVBoxLayout(this);
  v->addLayout(bar);
  v->addWidget(ScrollBox, 1);

  connect(FirstButton, &QPushButton::clicked, this, [this] { MoveRecord(0); });
  connect(PriorButton, &QPushButton::clicked, this, [this] { MoveRecord(1); });
  connect(NextButton, &QPushButton::clicked, this, [this] { MoveRecord(2); });
  connect(LastButton, &QPushButton::clicked, this, [this] { MoveRecord(3); });
  connect(ZoomInButton, &QPushButton::clicked, this, [this] {
    if (Pager.zoomIn()) LayoutPage();
  });
  connect(ZoomOutButton, &QPushButton::clicked, this, [this] {
    if (Pager.zoomOut()) LayoutPage();
  });
  connect(PageWidthButton, &QPushButton::clicked, this, [this] {
    Pager.zoom = FillZoom(ScrollBox->viewport()->width(), RTFFinal.layout().width, m_ppi);
    LayoutPage();
  });
  connect(WholePageButton, &QPushButton::clicked, this, [this] {
    Pager.zoom = FillZoom(ScrollBox->viewport()->height(), RTFFinal.layout().height, m_ppi);
    LayoutPage();
  });
  connect(sbNextPage, &QPushButton::clicked, this, &TRTFPreviewForm::sbNextPageClick);
  connect(sbPrevPage, &QPushButton::clicked, this, &TRTFPreviewForm::sbPrevPageClick);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(help, &QPushButton::clicked, this, [this] { Dialogs().showHelp(this, kHelpPreviewLetters); });
  Timer1.setSingleShot(true);
  Timer1.setInterval(1);
  connect(&Timer1, &QTimer::timeout, this, &TRTFPreviewForm::Timer1Timer);
}

void TRTFPreviewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_first) {
    m_first = false;
    FormActivate();
  }
}

void TRTFPreviewForm::FormActivate() {
  // The page fills the window's width.
  Pager.zoom = FillZoom(width(), RTFTemplate.layout().width, m_ppi);
  RTFFinal.setLayout(RTFTemplate.layout());
  ReadyToPaint = true;
  LayoutPage();
  Timer1.start();
}

void TRTFPreviewForm::Timer1Timer() {
  Timer1.stop();
  Remerge();
}

void TRTFPreviewForm::Remerge() {
  RTFFinal = RTFTemplate;
  if (m_contacts && m_contacts->active() && !m_contacts->eof()) ReplaceTokens(RTFFinal, *m_contacts);
  RTFFinal.reformat();
  LayoutPage();
  PaintBox->update();
}

void TRTFPreviewForm::LayoutPage() {
  const PreviewGeometry g = PreviewLayout(RTFFinal.layout(), Pager.zoom, m_ppi);
  Panel->setFixedSize(std::max(1, g.pageWidth), std::max(1, g.pageHeight));
  PaintBox->setGeometry(g.left, g.top, std::max(1, g.boxWidth()), std::max(1, g.boxHeight()));
  PaintBox->update();
}

void TRTFPreviewForm::PaintBoxPaint(QPainter& painter) {
  if (!ReadyToPaint) return;
  const double ppi = double(m_ppi) * Pager.zoom / 100.0;
  Pager.nextIndex = PaintRichPage(painter, RTFFinal, Pager.pageIndex,
                                  QRectF(0, 0, PaintBox->width(), PaintBox->height()), ppi);
}

void TRTFPreviewForm::MoveRecord(int how) {
  if (!m_contacts || !m_contacts->active()) return;
  bool moved = true;
  switch (how) {
    case 0: moved = m_contacts->first(); break;
    case 1: moved = m_contacts->prior(); break;
    case 2:
      moved = m_contacts->next();
      if (moved && m_contacts->eof()) moved = m_contacts->last();
      break;
    default: moved = m_contacts->last(); break;
  }
  if (!moved) Messages().information(m_contacts->failureMessage());
  Pager.firstPage();
  PageLabel->setText(Pager.pageLabel());
  Remerge();
}

void TRTFPreviewForm::sbNextPageClick() {
  if (!Pager.nextPage()) return;
  PageLabel->setText(Pager.pageLabel());
  PaintBox->update();
}

void TRTFPreviewForm::sbPrevPageClick() {
  if (!Pager.previousPage()) return;
  PageLabel->setText(Pager.pageLabel());
  PaintBox->update();
}

void TRTFPreviewForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (ReadyToPaint) LayoutPage();
}

void TRTFPreviewForm::keyPressEvent(QKeyEvent* event) {
  QScrollBar* bar = ScrollBox->verticalScrollBar();
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    const int step = event->key() == Qt::Key_Up ? -bar->singleStep() : bar->singleStep();
    bar->setValue(std::clamp(bar->value() + step, bar->minimum(), bar->maximum()));
    return;
  }
  if (event->key() == Qt::Key_F1) {
    Dialogs().showHelp(this, kHelpPreviewLetters);
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace qv
