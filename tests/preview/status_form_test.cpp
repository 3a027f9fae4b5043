// The status window jobs run in: one run on first activation, progress and
// outcome texts, Cancel while printing, Stop while previewing, OK after.
#include "preview/status_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <deque>

#include "render/report_canvas.h"
#include "scripted_dialogs.h"

namespace qv {
namespace {

// A job that prints `records` lines, one per record, and presses the
// window's button (as a user would) before record `pressAt`.
class RecordJob : public TPrintStatusForm {
 public:
  RecordJob(int records, int pressAt) : m_records(records), m_pressAt(pressAt) {
    m_canvas.setOutputToStream(nullptr);
    setCanvas(&m_canvas);
    m_canvas.events().OnBeforePrint = [](ReportCanvas& r) {
      r.setStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
      r.addStatusLine(QString());
      r.addStatusLine(QString());
    };
    m_canvas.events().OnPrint = [this](ReportCanvas& r) {
      for (int i = 1; i <= m_records && !r.aborted() && !stopped(); ++i) {
        if (i == m_pressAt) {
          QMetaObject::invokeMethod(CancelButton, &QPushButton::click, Qt::QueuedConnection);
        }
        if (r.linesLeft() == 0) r.newPage();
        r.println(QStringLiteral("Record %1").arg(i));
        r.setStatusLine(0, QStringLiteral("Record %1").arg(i));
        if (i == 2) m_labelDuringRun = Label1->text();
        ++m_printed;
        processPendingEvents();
      }
    };
  }
  ReportCanvas m_canvas;
  int m_printed = 0;
  QString m_labelDuringRun;
  bool m_askOnCancel = false;

 protected:
  bool confirmCancel() override {
    return !m_askOnCancel || Dialogs().question(this, QStringLiteral("Cancel Printing?"), true);
  }

 private:
  int m_records;
  int m_pressAt;
};

void Activate(QDialog& form) {
  form.show();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
}

TEST(StatusForm, RunsOnceAndEndsWithOk) {
  RecordJob job(5, 0);
  Activate(job);
  // The outcome's carriage return shows as a line break.
  EXPECT_EQ(std::tuple(job.runCount(), job.m_printed, job.m_labelDuringRun, job.finished(),
                       job.CancelButton->text(), job.Label1->text()),
            std::tuple(1, 5, QStringLiteral("Printing Page 1\nRecord 2\n"), true,
                       QStringLiteral("OK"), QStringLiteral("\nPrint Completed!")));
  job.hide();
  Activate(job);  // shown and activated again: no second run
  job.FormActivate();
  EXPECT_EQ(job.runCount(), 1);
  EXPECT_EQ(job.m_printed, 5);
  job.CancelButton->click();
  EXPECT_EQ(job.result(), QDialog::Accepted);
  EXPECT_FALSE(job.isVisible());
}

// The button pressed during a run: Cancel while printing aborts the
// report unless the job's own question keeps it going; Stop ends a preview
// without asking and keeps its pages.
TEST(StatusForm, TheButtonDuringARun) {
  const struct {
    const char* what;
    int records, pressAt;
    bool print, ask;
    std::deque<bool> answers;
    bool aborted;
    int printed;
    size_t pages;
    const char* outcome;
    QStringList asked;
  } cases[] = {
      {"cancel", 50, 3, true, false, {}, true, 3, 1, "\nPrint Canceled!", {}},
      {"cancel answered No", 10, 3, true, true, {false}, false, 10, 1, "\nPrint Completed!",
       {"Cancel Printing?"}},
      // About 1.6 pages of 10 point lines.
      {"stop", 200, 100, false, false, {}, false, 100, 2, "\nPreview Stopped at page 2!", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::ScriptedDialogs dialogs;
    dialogs.questionAnswers = c.answers;
    RecordJob job(c.records, c.pressAt);
    job.m_askOnCancel = c.ask;
    if (!c.print) {
      job.setPrintMode(false);
      job.setButtonCaption(QStringLiteral("Stop"));
      EXPECT_EQ(job.CancelButton->text(), QStringLiteral("Stop"));
    }
    Activate(job);
    // The click is served after the record it came in.
    EXPECT_EQ(std::tuple(job.m_canvas.aborted(), job.stopped(), job.m_printed,
                         job.m_canvas.pages().pages.size(), job.Label1->text(),
                         job.CancelButton->text()),
              std::tuple(c.aborted, !c.print, c.printed, c.pages, QString(c.outcome), "OK"));
    EXPECT_EQ(dialogs.kinds(), c.asked.isEmpty() ? QStringList() : QStringList{"question"});
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("question")), c.asked);
  }
}

}  // namespace
}  // namespace qv
