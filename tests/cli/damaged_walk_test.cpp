// Every walk of the contact file ends when the file fails under it. Swept
// over the operation at which the file layer starts failing, a label run, a
// presort, a report, the ZIP count, the memo search, the command line's
// dump, an envelope run and a letter run each either finish with their
// whole output, or stop, say why in one message in the program's words,
// and leave no half output standing as finished.
#include <gtest/gtest.h>

#include <QFile>
#include <functional>

#include "cli/dump.h"
#include "envelopes/envelope_run.h"
#include "failing_files.h"
#include "labels/label_run.h"
#include "labels/sort_bulk_mail.h"
#include "labels_test_util.h"
#include "letters/letter_print.h"
#include "reports/report_run.h"
#include "richtext/rtf.h"
#include "store/memo_search.h"
#include "test_support.h"
#include "zipcount/zip_count.h"

namespace qv {
namespace {

using testing::Contact;
using testing::ContactFixture;
using testing::TestHost;

constexpr int kRecords = 12;
// More rounds than a finished walk of kRecords takes: the walk went round.
constexpr int kStepBudget = 4 * kRecords + 20;
const char kOldPresort[] = "** old list\r\n";

// Two ZIP codes, for the presort and the count; the needle in the last memo.
std::vector<Contact> Contacts() {
  std::vector<Contact> out = testing::NumberedContacts(kRecords);
  for (int i = 0; i < kRecords; ++i) {
    out[i]["ZIP"] = i % 2 ? "12207" : "12208";
    out[i]["MEMO"] = i == kRecords - 1 ? "the needle is here" : "hay";
  }
  return out;
}

// What a job did: whether it says it finished, whether what it left behind
// fits that (the whole output when finished, none when not), what the user
// was told, and how many record steps it took.
struct Outcome {
  bool finished = false;
  bool outputFits = false;
  QStringList told;
  int steps = 0;
};

struct Job {
  const char* name;
  std::function<Outcome(ContactFixture&)> run;
};

// The reference output of each job, taken once without failures.
struct Reference {
  std::string presort;
  std::vector<std::string> dump;
  RichDocument letter;
};

// Runs `body` with a host that counts the record steps and keeps what the
// user was told.
Outcome Hosted(const std::function<void(TestHost&, Outcome&)>& body) {
  TestHost host;
  Outcome o;
  host.onEvents = [&](int round) { o.steps = round; };
  body(host, o);
  o.told = host.notices;
  return o;
}

// A run that previews what it lays out: finished, it previewed every
// record; stopped, nothing. `run` gives whether it completed and how many
// records it laid out.
template <typename Hooks, typename Options, typename Run>
std::function<Outcome(ContactFixture&)> Previewed(Options options, Run run) {
  return [options, run](ContactFixture& fx) mutable {
    return Hosted([&](TestHost& host, Outcome& o) {
      options.selection = RecordSelection::All;
      options.print = false;
      bool previewed = false;
      Hooks hooks;
      hooks.preview = [&](QIODevice&) { previewed = true; };
      const auto [completed, records] = run(fx, options, host, hooks);
      o.finished = completed;
      o.outputFits = completed ? previewed && records == kRecords : !previewed;
    });
  };
}

std::vector<Job> Jobs(const Reference& ref) {
  const auto labels = [](ContactFixture& fx, LabelRunOptions& options, TestHost& host,
                         LabelRunHooks& hooks) {
    options.programDirectory = fx.dir();
    bool presortDone = false;
    const LabelRunResult r = DoPrint(fx.table, fx.apollo, options, &presortDone, host, hooks);
    return std::pair(r.outcome == LabelRunOutcome::Completed, r.labels);
  };
  UserReportOptions report;
  report.layout = 4;
  const auto reports = [](ContactFixture& fx, UserReportOptions& options, TestHost& host,
                          UserReportHooks& hooks) {
    const UserReportResult r = RunUserReport(fx.table, fx.apollo, options, host, hooks);
    return std::pair(r.outcome == UserReportOutcome::Completed, r.records);
  };
  const auto envelopes = [](ContactFixture& fx, EnvelopeRunOptions& options, TestHost& host,
                            EnvelopeRunHooks& hooks) {
    options.programDirectory = fx.dir();
    const EnvelopeRunResult r = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
    return std::pair(r.outcome == EnvelopeRunOutcome::Completed, r.envelopes);
  };
  return {
      {"label run", Previewed<LabelRunHooks>(LabelRunOptions(), labels)},
      {"presort",
       [&ref](ContactFixture& fx) {
         return Hosted([&](TestHost& host, Outcome& o) {
           const QString path = PresortFilePath(fx.dir());
           qvtest::WriteAll(path.toStdString(), kOldPresort);
           TSortBulkMail sorter(fx.table, fx.apollo, host, fx.dir());
           o.finished = sorter.DoTheSort();
           o.outputFits = qvtest::ReadAll(path.toStdString()) ==
                          (o.finished ? ref.presort : std::string(kOldPresort));
         });
       }},
      {"report", Previewed<UserReportHooks>(report, reports)},
      {"zip count",
       [](ContactFixture& fx) {
         return Hosted([&](TestHost& host, Outcome& o) {
           TZipCount count(fx.table, fx.apollo, host);
           o.finished = count.DoTheSort();
           o.outputFits = o.finished ? count.RecordsRead() == kRecords : count.Tallies().empty();
         });
       }},
      {"memo search",
       [](ContactFixture& fx) {
         Outcome o;
         const MemoSearchOutcome found =
             FindTextInMemo(fx.table, fx.apollo, QStringLiteral("NEEDLE"), true,
                            [&] { return ++o.steps > kStepBudget; });
         o.finished = found == MemoSearchOutcome::Found;
         o.outputFits = o.finished ? fx.apollo.RecNo() == kRecords
                                   : found == MemoSearchOutcome::Failed;
         // What the main window shows for a failed search.
         if (found == MemoSearchOutcome::Failed) o.told << fx.table.failureMessage();
         return o;
       }},
      {"dump",
       [&ref](ContactFixture& fx) {
         Outcome o;
         std::vector<std::string> lines;
         o.finished = cli::DumpRecords(fx.table, [&](const std::string& line) {
           lines.push_back(line);
           ++o.steps;
         });
         // The lines before a failure are out; the exit code says they are not all.
         o.outputFits = o.finished ? lines == ref.dump : lines.size() < ref.dump.size();
         if (!o.finished) o.told << fx.table.failureMessage();
         return o;
       }},
      {"envelope run", Previewed<EnvelopeRunHooks>(EnvelopeRunOptions(), envelopes)},
      {"letter run",
       [&ref](ContactFixture& fx) {
         return Hosted([&](TestHost& host, Outcome& o) {
           LetterRunOptions options;
           options.selection = RecordSelection::All;
           options.pdfFile = fx.file("LETTERS.PDF");
           QFile::remove(options.pdfFile);
           const LetterRunResult r = PrintLetters(fx.table, fx.apollo, ref.letter, options, host);
           o.finished = r.outcome == LetterRunOutcome::Completed;
           const bool written = QFile::exists(options.pdfFile);
           o.outputFits = o.finished ? written && r.letters == kRecords : !written;
         });
       }},
  };
}

TEST(DamagedWalk, EveryWalkEndsAndSaysWhyWhenTheFileFailsUnderIt) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(Contacts()));
  const QString path = fx.file("CONTACTS.DBF");
  Reference ref;
  {
    TestHost host;
    TSortBulkMail sorter(fx.table, fx.apollo, host, fx.dir());
    ASSERT_TRUE(sorter.DoTheSort());
    ref.presort = qvtest::ReadAll(PresortFilePath(fx.dir()).toStdString());
    ASSERT_FALSE(ref.presort.empty());
    ASSERT_TRUE(cli::DumpRecords(fx.table, [&](const std::string& line) {
      ref.dump.push_back(line);
    }));
    ASSERT_EQ(ref.dump.size(), size_t(kRecords));
    ASSERT_TRUE(
        ReadRtf("{\\rtf1 Dear [First] [Last]\\par [Name and Address]\\par}", &ref.letter).ok);
  }

  qvtest::FailingFiles files;
  for (const Job& job : Jobs(ref)) {
    int failedRuns = 0;
    bool finishedClean = false;
    for (int64_t budget = 0; budget < 2000 && !finishedClean; ++budget) {
      SCOPED_TRACE(::testing::Message() << job.name << ", failing after " << budget
                                        << " operations");
      files.never();
      ASSERT_TRUE(OpenContactFile(path, fx.table));
      files.failAfter(budget);
      const Outcome o = job.run(fx);
      files.never();
      EXPECT_LE(o.steps, kStepBudget) << "the walk went round";
      EXPECT_TRUE(o.outputFits) << (o.finished ? "finished without its whole output"
                                               : "stopped, leaving output as if finished");
      if (o.finished) {
        EXPECT_TRUE(o.told.isEmpty()) << o.told.join('|').toStdString();
        finishedClean = files.failures() == 0;
        continue;
      }
      ++failedRuns;
      ASSERT_EQ(o.told.size(), 1) << o.told.join('|').toStdString();
      EXPECT_TRUE(o.told[0].startsWith(QLatin1String("The contact file is damaged: ")) &&
                  o.told[0].endsWith(QLatin1String(". Rebuild Indexes may repair it.")))
          << o.told[0].toStdString();
    }
    EXPECT_TRUE(finishedClean) << job.name << " never finished";
    EXPECT_GT(failedRuns, 0) << job.name << " never met the failure";
  }
}

}  // namespace
}  // namespace qv
