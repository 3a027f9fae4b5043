// The print preview window on page streams of one and seven pages: page
// label, page buttons, zoom buttons, scrolling keys and a damaged stream.
#include "preview/preview_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QtEndian>

#include "preview/file_preview.h"
#include "render/report_canvas.h"
#include "scripted_dialogs.h"

namespace qv {
namespace {

// A stream of `pages` letter pages, each with its number in big type.
QByteArray MakeStream(int pages) {
  QBuffer buffer;
  ReportCanvas canvas;
  canvas.setOutputToStream(&buffer);
  canvas.events().OnPrint = [pages](ReportCanvas& r) {
    for (int p = 1; p <= pages; ++p) {
      if (p > 1) r.newPage();
      r.setFont(QStringLiteral("Arial"), 36);
      r.home();
      r.println(QStringLiteral("Page %1").arg(p));
    }
  };
  EXPECT_TRUE(canvas.execute());
  return buffer.data();
}

class PreviewTest : public ::testing::Test {
 protected:
  // Shows the window on `bytes` and lets its first activation run.
  void Open(const QByteArray& bytes, const QString& caption = QStringLiteral("Preview Labels")) {
    m_data = bytes;
    m_buffer.setBuffer(&m_data);
    m_form = std::make_unique<TPreviewForm>();
    m_form->setWindowTitle(caption);
    m_form->resize(700, 600);
    m_form->setStream(&m_buffer);
    m_form->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }
  QString Label() const { return m_form->PageLabel->text(); }
  FilePreview* Viewer() const { return m_form->FilePreview1; }

  testing::ScriptedDialogs m_dialogs;
  QByteArray m_data;
  QBuffer m_buffer;
  std::unique_ptr<TPreviewForm> m_form;
};

TEST_F(PreviewTest, OnePageHidesPreviousAndNextAndScrollsWithinRange) {
  Open(MakeStream(1));
  EXPECT_EQ(Label(), QStringLiteral("Page 1 of 1"));
  EXPECT_TRUE(m_form->sbPrevPage->isHidden() && m_form->sbNextPage->isHidden());
  m_form->sbLastPage->click();
  EXPECT_EQ(Label(), QStringLiteral("Page 1 of 1"));
  EXPECT_EQ(Viewer()->currentPage(), 1);
  // A second activation does not start the viewer again.
  m_form->FormActivate();
  EXPECT_EQ(Viewer()->currentPage(), 1);

  // Up and Down scroll within range, whichever control has the focus.
  m_form->FilePreview1->setZoomFactor(300);
  QCoreApplication::processEvents();
  QScrollBar* bar = m_form->ScrollBox1->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  QTest::keyClick(m_form.get(), Qt::Key_Up);
  EXPECT_EQ(bar->value(), 0);
  QTest::keyClick(m_form.get(), Qt::Key_Down);
  EXPECT_EQ(bar->value(), bar->singleStep());
  bar->setValue(bar->maximum() - 1);
  QTest::keyClick(m_form.get(), Qt::Key_Down);
  EXPECT_EQ(bar->value(), bar->maximum());
  QTest::keyClick(m_form->HelpButton, Qt::Key_Down);
  EXPECT_EQ(bar->value(), bar->maximum());
  QTest::keyClick(m_form.get(), Qt::Key_Up);
  EXPECT_EQ(bar->value(), bar->maximum() - bar->singleStep());
}

TEST_F(PreviewTest, SevenPagesStepFirstLastStayInRangeAndClose) {
  Open(MakeStream(7));
  EXPECT_FALSE(m_form->sbPrevPage->isHidden() || m_form->sbNextPage->isHidden());
  EXPECT_EQ(Label(), QStringLiteral("Page 1 of 7"));
  struct Step {
    QToolButton* TPreviewForm::*button;
    const char* label;
  } steps[] = {
      {&TPreviewForm::sbPrevPage, "Page 1 of 7"},  // nothing before the first
      {&TPreviewForm::sbNextPage, "Page 2 of 7"},
      {&TPreviewForm::sbNextPage, "Page 3 of 7"},
      {&TPreviewForm::sbLastPage, "Page 7 of 7"},
      {&TPreviewForm::sbNextPage, "Page 7 of 7"},  // nothing after the last
      {&TPreviewForm::sbPrevPage, "Page 6 of 7"},
      {&TPreviewForm::sbFirstPage, "Page 1 of 7"},
  };
  for (const Step& s : steps) {
    (m_form.get()->*s.button)->click();
    EXPECT_EQ(Label(), QString::fromLatin1(s.label));
  }
  QTest::keyClick(m_form.get(), Qt::Key_PageDown);
  EXPECT_EQ(Label(), QStringLiteral("Page 2 of 7"));
  QTest::keyClick(m_form->CloseButton, Qt::Key_PageUp);  // keys reach the window first
  EXPECT_EQ(Label(), QStringLiteral("Page 1 of 7"));
  // Home and End with Ctrl or without, wherever the focus is.
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* label;
  } ends[] = {{Qt::Key_End, Qt::ControlModifier, "Page 7 of 7"},
              {Qt::Key_Home, Qt::NoModifier, "Page 1 of 7"},
              {Qt::Key_End, Qt::NoModifier, "Page 7 of 7"},
              {Qt::Key_Home, Qt::ControlModifier, "Page 1 of 7"}};
  for (QWidget* target : {static_cast<QWidget*>(m_form.get()), m_form->ScrollBox1->viewport()}) {
    for (const auto& e : ends) {
      QTest::keyClick(target, e.key, e.modifiers);
      EXPECT_EQ(Label(), QString::fromLatin1(e.label)) << e.key << " " << int(e.modifiers);
    }
  }
  QTest::keyClick(m_form.get(), Qt::Key_End, Qt::ControlModifier);
  // Close finishes the viewer.
  EXPECT_TRUE(Viewer()->isRunning());
  m_form->CloseButton->click();
  EXPECT_FALSE(Viewer()->isRunning());
  EXPECT_FALSE(m_form->isVisible());
}

TEST_F(PreviewTest, ZoomButtons) {
  Open(MakeStream(2));
  QScrollArea* box = m_form->ScrollBox1;
  // First activation: the page fills the box's width, beside the scroll bar.
  double width = Viewer()->zoomPageWidthFactor();
  EXPECT_DOUBLE_EQ(Viewer()->zoomFactor(), width);
  int room = box->maximumViewportSize().width() - box->verticalScrollBar()->sizeHint().width();
  EXPECT_NEAR(Viewer()->width(), room, 2);

  m_form->sbZoomIn->click();
  EXPECT_DOUBLE_EQ(Viewer()->zoomFactor(), width + FilePreview::kZoomStep);
  m_form->sbZoomOut->click();
  m_form->sbZoomOut->click();
  EXPECT_DOUBLE_EQ(Viewer()->zoomFactor(), width - FilePreview::kZoomStep);

  m_form->sbZoomPage->click();
  EXPECT_DOUBLE_EQ(Viewer()->zoomFactor(), Viewer()->zoomPageFactor());
  EXPECT_LT(Viewer()->zoomFactor(), width);  // a letter page is taller than the box
  EXPECT_LE(Viewer()->height(), box->maximumViewportSize().height() + 1);

  m_form->sbZoomPageWidth->click();
  EXPECT_DOUBLE_EQ(Viewer()->zoomFactor(), width);

  for (int i = 0; i < 200; ++i) m_form->sbZoomOut->click();
  EXPECT_DOUBLE_EQ(Viewer()->zoomFactor(), FilePreview::kMinZoom);
  for (int i = 0; i < 200; ++i) m_form->sbZoomIn->click();
  EXPECT_DOUBLE_EQ(Viewer()->zoomFactor(), FilePreview::kMaxZoom);
}

TEST_F(PreviewTest, DamagedStreamIsReportedNotShown) {
  QByteArray stream = MakeStream(2);
  Open(stream.left(stream.size() / 2));
  ASSERT_EQ(m_dialogs.callsOf(QStringLiteral("information")).size(), 1u);
  EXPECT_TRUE(m_dialogs.calls[0].text.contains(QStringLiteral("cut short")));
  EXPECT_EQ(std::tuple(Label(), Viewer()->pageCount()), std::tuple("No pages", 0));
  m_form->sbNextPage->click();  // nothing to show, nothing breaks
  EXPECT_EQ(Viewer()->currentPage(), 0);
}

// Regression: the buffer a run has just written is still open for writing
// only; the viewer used to fail reading it.
TEST_F(PreviewTest, ShowsTheBufferARunJustWrote) {
  QBuffer written;
  ReportCanvas canvas;
  canvas.setOutputToStream(&written);
  canvas.events().OnPrint = [](ReportCanvas& r) {
    r.println(QStringLiteral("one"));
    r.newPage();
    r.println(QStringLiteral("two"));
  };
  ASSERT_TRUE(canvas.execute());
  ASSERT_TRUE(written.isOpen());
  TPreviewForm form;
  form.setStream(&written);
  form.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(m_dialogs.calls.empty());
  EXPECT_EQ(form.PageLabel->text(), QStringLiteral("Page 1 of 2"));
}

// A page damaged after the stream opened is reported when it is shown.
TEST_F(PreviewTest, DamagedPageIsReportedWhenShown) {
  QByteArray stream = MakeStream(3);
  // The page index (its offset at byte 16) gives where page 3 starts; the
  // last byte of its width makes the width not a number.
  const quint64 index = qFromLittleEndian<quint64>(stream.constData() + 16);
  const quint64 third = qFromLittleEndian<quint64>(stream.constData() + index + 5 + 16);
  stream[qsizetype(third) + 5 + 7] = char(0xFF);
  Open(stream);
  EXPECT_EQ(Label(), QStringLiteral("Page 1 of 3"));
  m_form->sbLastPage->click();
  ASSERT_EQ(m_dialogs.callsOf(QStringLiteral("information")).size(), 1u);
  EXPECT_TRUE(m_dialogs.calls[0].text.contains(QStringLiteral("Page 3 of the page stream")));
}

}  // namespace
}  // namespace qv
