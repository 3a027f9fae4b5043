// The label run in its windows, offscreen, with scripted answers: Cancel
// in the status window asks and only Yes aborts (no PDF left behind), Stop
// in a preview keeps the pages so far, the presort window's Cancel leaves
// no presort file, and a finished preview opens as "Preview Labels".
#include "labels/windows/label_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "labels/label_print.h"
#include "labels/sort_bulk_mail.h"
#include "labels_test_util.h"
#include "preview/file_preview.h"
#include "preview/preview_form.h"
#include "scripted_dialogs.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::NumberedContacts;
using testing::ScriptedDialogs;

// Plays the user: on every pass of the event loop it looks at the visible
// windows of the run and acts on them. A run's own event rounds (once per
// record) give it its turns while a job is running.
class User {
 public:
  // Press Cancel/Stop once when this many labels are on the pages (0:
  // never).
  long long pressStatusAt = 0;
  // Press the presort window's Cancel once, on its first turn.
  bool cancelPresort = false;

  long long labelsAtPress = -1;
  QString statusCaption, statusButton, statusOutcome;
  int presortShown = 0;
  QString presortCaption;
  QString previewCaption;
  int previewPages = -1;

  User() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { turn(); });
    m_timer.start(0);
  }

 private:
  void turn() {
    // A guard against a run that never ends: the test fails instead of
    // hanging.
    if (++m_turns > 2000000) {
      ADD_FAILURE() << "a window of the run never closed";
      if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->done(0);
      return;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      if (auto* presort = qobject_cast<TSortBulkMailForm*>(w)) {
        if (presort->running() && presortShown++ == 0) {
          presortCaption = presort->windowTitle();
          if (cancelPresort) presort->CancelButton->click();
        }
      } else if (auto* status = qobject_cast<TLabelPrintStatus*>(w)) {
        status_(*status);
      } else if (auto* preview = qobject_cast<TPreviewForm*>(w)) {
        if (preview->FilePreview1->pageCount() > 0) {
          previewCaption = preview->windowTitle();
          previewPages = preview->FilePreview1->pageCount();
          preview->CloseButton->click();
        }
      }
    }
  }

  void status_(TLabelPrintStatus& status) {
    if (status.running()) {
      if (statusCaption.isEmpty()) {
        statusCaption = status.windowTitle();
        statusButton = status.CancelButton->text();
      }
      if (pressStatusAt > 0 && labelsAtPress < 0 && status.job().LabelsPrinted() >= pressStatusAt) {
        labelsAtPress = status.job().LabelsPrinted();
        status.CancelButton->click();
      }
    } else if (status.finished()) {
      statusOutcome = status.Label1->text();
      EXPECT_EQ(status.CancelButton->text(), "OK");
      status.CancelButton->click();
    }
  }

  QTimer m_timer;
  long long m_turns = 0;
};

LabelRunResult RunInWindows(ContactFixture& fx, LabelRunOptions options,
                            bool* presortDone = nullptr) {
  options.selection = RecordSelection::All;
  options.programDirectory = fx.dir();
  WindowJobHost host;
  bool done = false;
  return DoPrint(fx.table, fx.apollo, options, presortDone ? presortDone : &done, host,
                 LabelWindowHooks(host));
}

TEST(LabelWindows, CancelWhilePrintingAsksAndOnlyYesAborts) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(70)));
  LabelRunOptions options;
  options.pdfFile = fx.file("labels.pdf");

  const struct {
    bool answer;
    LabelRunOutcome outcome;
    const char* line;
  } cases[] = {{false, LabelRunOutcome::Completed, "\nLabel Print Completed!"},
               {true, LabelRunOutcome::Cancelled, "\nLabel Print Canceled!"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer ? "Yes" : "No");
    QFile::remove(options.pdfFile);
    ScriptedDialogs dialogs;
    dialogs.questionAnswers = {c.answer};
    User user;
    user.pressStatusAt = 40;
    LabelRunResult result = RunInWindows(fx, options);
    EXPECT_EQ(user.statusCaption, "Print Status");
    EXPECT_EQ(user.statusButton, "Cancel");
    EXPECT_EQ(user.labelsAtPress, 40);
    EXPECT_EQ(dialogs.kinds(), QStringList({"question"}));
    EXPECT_EQ(dialogs.textsOf("question"), QStringList{"Cancel Label Printing?"});
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(user.statusOutcome, c.line);
    // No keeps printing to the last of the 70 labels.
    if (!c.answer) EXPECT_EQ(result.labels, 70);
    EXPECT_EQ(QFile::exists(options.pdfFile), !c.answer);
    EXPECT_EQ(user.previewPages, -1);
  }
}

// Stop in a preview keeps the pages so far (30 labels to a sheet) and
// opens them; a preview let run is the label run's test.
TEST(LabelWindows, PreviewStoppedOpensWithThePagesSoFar) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(70)));
  ScriptedDialogs dialogs;
  User user;
  user.pressStatusAt = 40;
  LabelRunOptions options;
  options.print = false;
  LabelRunResult result = RunInWindows(fx, options);
  EXPECT_EQ(user.statusCaption, "Preview Status");
  EXPECT_EQ(user.statusButton, "Stop");
  EXPECT_TRUE(dialogs.calls.empty());  // Stop never asks
  EXPECT_EQ(user.previewCaption, "Preview Labels");
  EXPECT_EQ(result.outcome, LabelRunOutcome::Stopped);
  ASSERT_GT(user.labelsAtPress, 0);
  EXPECT_EQ(result.labels, user.labelsAtPress);
  const int pages = int((user.labelsAtPress + 29) / 30);
  EXPECT_EQ(user.statusOutcome, QStringLiteral("\nPreview Stopped at page %1!").arg(pages));
  EXPECT_EQ(user.previewPages, pages);
}

TEST(LabelWindows, PresortWindowCancelWritesNoPresortFile) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(70)));
  const QString psl = PresortFilePath(fx.dir());
  LabelRunOptions options;
  options.print = false;
  options.presort = true;

  // Yes: nothing written, nothing printed, the flag stays clear. No: the
  // presort goes on, writes the file and the run follows.
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    ScriptedDialogs dialogs;
    dialogs.questionAnswers = {yes};
    User user;
    user.cancelPresort = true;
    bool done = false;
    LabelRunResult result = RunInWindows(fx, options, &done);
    EXPECT_EQ(done, !yes);
    EXPECT_EQ(QFile::exists(psl), !yes);
    if (!yes) {
      EXPECT_EQ(dialogs.kinds(), QStringList({"question", "information"}));
      EXPECT_EQ(result.outcome, LabelRunOutcome::Completed);
      continue;
    }
    EXPECT_EQ(user.presortCaption, "Bulk Mail Presorting");
    EXPECT_EQ(dialogs.kinds(), QStringList({"question"}));
    EXPECT_EQ(result.outcome, LabelRunOutcome::PresortCancelled);
    EXPECT_TRUE(user.statusCaption.isEmpty());
    EXPECT_EQ(user.previewPages, -1);
  }
}

}  // namespace
}  // namespace qv
