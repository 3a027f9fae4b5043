// The four print jobs through a real CUPS server (a private cupsd with a
// CUPS-PDF queue), chosen by name as the Print dialogs choose it. The PDF
// CUPS-PDF writes must have the pages, the paper and the words, at their
// places, of the same run written by the built-in PDF printer. A queue that
// goes away or stops taking jobs while a job is drawn, or refuses from the
// start, fails the run with the program's message; a paused queue keeps the
// job and the user is told.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <functional>

#include "envelopes/envelope_run.h"
#include "labels/label_run.h"
#include "labels_test_util.h"
#include "letters/letter_print.h"
#include "private_cups.h"
#include "reports/report_run.h"
#include "richtext/rtf.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::TestHost;

const QString kQueue = QStringLiteral("QvPdf");

std::vector<testing::Contact> Contacts() {
  return {{{"LNAME", "Archer"},
           {"FNAME", "Ann"},
           {"STREET", "1 Elm St"},
           {"CITY", "Albany"},
           {"STATE", "NY"},
           {"ZIP", "12207"}},
          {{"LNAME", "Baxter"},
           {"FNAME", "Bob"},
           {"STREET", "2 Oak Ave"},
           {"CITY", "Boston"},
           {"STATE", "MA"},
           {"ZIP", "02108"}},
          {{"LNAME", "Cole"},
           {"FNAME", "Cy"},
           {"STREET", "3 Pine Rd"},
           {"CITY", "Chicago"},
           {"STATE", "IL"},
           {"ZIP", "60601"}}};
}

struct Ran {
  bool completed = false;
  QString error;
};

template <typename Options>
Options Aimed(const PrintTarget& target) {
  Options options;
  static_cast<PrintTarget&>(options) = target;
  return options;
}

struct Job {
  const char* name;
  int pages;
  const char* paper;  // pdfinfo's "Page size:" of what CUPS-PDF wrote
  // Landscape pages go on portrait paper turned (an envelope fed upright).
  bool turned = false;
  std::function<Ran(ContactFixture&, const PrintTarget&, TestHost&)> run;
};

const std::vector<Job>& Jobs() {
  static const std::vector<Job> jobs = {
      {"labels", 1, "612 x 792 pts (letter)", false,
       [](ContactFixture& fx, const PrintTarget& t, TestHost& host) {
         auto options = Aimed<LabelRunOptions>(t);
         options.selection = RecordSelection::All;
         bool presorted = false;
         const LabelRunResult r = DoPrint(fx.table, fx.apollo, options, &presorted, host);
         return Ran{r.outcome == LabelRunOutcome::Completed, r.errorText};
       }},
      {"envelopes", 3, "297 x 684 pts", true,
       [](ContactFixture& fx, const PrintTarget& t, TestHost& host) {
         auto options = Aimed<EnvelopeRunOptions>(t);
         options.selection = RecordSelection::All;
         options.paper = EnvelopePaper::Envelope;
         const EnvelopeRunResult r = DoPrintEnvelopes(fx.table, fx.apollo, options, host);
         return Ran{r.outcome == EnvelopeRunOutcome::Completed, r.errorText};
       }},
      {"letters", 3, "612 x 792 pts (letter)", false,
       [](ContactFixture& fx, const PrintTarget& t, TestHost& host) {
         RichDocument letter;
         EXPECT_TRUE(
             ReadRtf("{\\rtf1 Dear [First] [Last]\\par [Name and Address]\\par}", &letter).ok);
         auto options = Aimed<LetterRunOptions>(t);
         options.selection = RecordSelection::All;
         const LetterRunResult r = PrintLetters(fx.table, fx.apollo, letter, options, host);
         return Ran{r.outcome == LetterRunOutcome::Completed, r.errorText};
       }},
      {"report", 1, "612 x 792 pts (letter)", false,
       [](ContactFixture& fx, const PrintTarget& t, TestHost& host) {
         auto options = Aimed<UserReportOptions>(t);
         options.title = QStringLiteral("Members");
         options.selection = RecordSelection::All;
         const UserReportResult r = RunUserReport(fx.table, fx.apollo, options, host);
         return Ran{r.outcome == UserReportOutcome::Completed, r.errorText};
       }},
  };
  return jobs;
}

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000)) p.kill();
  return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// A word and its box on its page, in points from the top left.
struct Word {
  int page;
  QString text;
  double x0, y0, x1, y1;
};

std::vector<Word> Words(const QString& pdf) {
  const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, "-"});
  static const QRegularExpression tag(
      QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                     "yMax=\"([0-9.]+)\">([^<]*)</word>"));
  std::vector<Word> words;
  int page = 0;
  for (auto m = tag.globalMatch(html); m.hasNext();) {
    const auto found = m.next();
    if (found.captured(0) == QLatin1String("<page ")) {
      ++page;
    } else {
      words.push_back({page, found.captured(5), found.captured(1).toDouble(),
                       found.captured(2).toDouble(), found.captured(3).toDouble(),
                       found.captured(4).toDouble()});
    }
  }
  return words;
}

// `w`, from a portrait page that CUPS turned a quarter to the left to put
// a landscape page on it, back on the landscape page `width` points wide.
Word TurnedBack(const Word& w, double width) {
  return {w.page, w.text, width - w.y1, w.x0, width - w.y0, w.x1};
}

QString Info(const QString& pdf, const char* key) {
  const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
  const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(QLatin1String(key)),
                                QRegularExpression::MultilineOption);
  return line.match(info).captured(1).trimmed();
}

class CupsPrint : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_skip = qvtest::PrivateCups::missing();
    if (s_skip.isEmpty() &&
        (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
         QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())) {
      s_skip = QStringLiteral("pdfinfo and pdftotext (poppler-utils) are not installed");
    }
    if (!s_skip.isEmpty()) return;
    s_cups = new qvtest::PrivateCups;
    QString why;
    if (!s_cups->start(&why) || !s_cups->addPdfQueue(kQueue, &why)) s_failed = why;
    // Before anything here asks CUPS, which reads it once.
    qputenv("CUPS_SERVER", s_cups->server().toLocal8Bit());
  }
  static void TearDownTestSuite() {
    delete s_cups;
    s_cups = nullptr;
  }
  void SetUp() override {
    if (!s_skip.isEmpty()) GTEST_SKIP() << "no private CUPS server: " << s_skip.toStdString();
    ASSERT_TRUE(s_failed.isEmpty()) << s_failed.toStdString();
    ASSERT_TRUE(fx.make(Contacts()));
  }

  static QString s_skip, s_failed;
  static qvtest::PrivateCups* s_cups;
  ContactFixture fx;
};

QString CupsPrint::s_skip, CupsPrint::s_failed;
qvtest::PrivateCups* CupsPrint::s_cups = nullptr;

TEST_F(CupsPrint, EveryJobPrintsThroughCupsAsItWritesItsPdf) {
  for (const Job& job : Jobs()) {
    SCOPED_TRACE(job.name);
    TestHost host;
    PrintTarget direct;
    direct.pdfFile = fx.file(QStringLiteral("direct.pdf"));
    ASSERT_TRUE(job.run(fx, direct, host).completed);

    PrintTarget queued;
    queued.printerName = kQueue;
    const Ran ran = job.run(fx, queued, host);
    ASSERT_TRUE(ran.completed) << ran.error.toStdString();
    EXPECT_TRUE(host.notices.isEmpty()) << host.notices.join('|').toStdString();
    const QStringList pdfs = s_cups->takePdfs(kQueue);
    ASSERT_EQ(pdfs.size(), 1) << s_cups->log().toStdString();

    EXPECT_EQ(Info(pdfs[0], "Pages").toInt(), job.pages);
    EXPECT_EQ(Info(pdfs[0], "Page size"), QLatin1String(job.paper));
    const std::vector<Word> want = Words(direct.pdfFile), got = Words(pdfs[0]);
    const double width =
        Info(direct.pdfFile, "Page size").section(QLatin1Char(' '), 0, 0).toDouble();
    ASSERT_FALSE(want.empty());
    ASSERT_EQ(got.size(), want.size());
    // The words' tops follow the fonts' ascent, which differs a little
    // between the two; their left, right and bottom edges do not.
    for (size_t i = 0; i < want.size(); ++i) {
      const Word& w = want[i];
      const Word g = job.turned ? TurnedBack(got[i], width) : got[i];
      EXPECT_EQ(std::tuple(g.page, g.text), std::tuple(w.page, w.text));
      for (auto [a, b] : {std::pair(g.x0, w.x0), {g.x1, w.x1}, {g.y1, w.y1}}) {
        EXPECT_NEAR(a, b, 1.0) << w.text.toStdString();
      }
    }
  }
}

TEST_F(CupsPrint, AQueueThatGoesRefusesOrPausesIsToldAndNothingPassesForPrinted) {
  const QString gone =
      QStringLiteral("The printer QvPdf is no longer available; nothing was printed.");
  const QString refused =
      QStringLiteral("The printer QvPdf is not accepting jobs; nothing was printed.");
  const QString paused = QStringLiteral(
      "The printer QvPdf is paused; the job waits in its queue until the printer is resumed.");
  struct Case {
    const char* name;
    bool midJob;  // else before the run
    QStringList command;
    QString error, notice;
  };
  const Case cases[] = {
      {"deleted mid-job", true, {"lpadmin", "-x", kQueue}, gone, {}},
      {"rejecting mid-job", true, {"cupsreject", kQueue}, refused, {}},
      {"rejecting", false, {"cupsreject", kQueue}, refused, {}},
      {"paused", false, {"cupsdisable", kQueue}, {}, paused},
  };
  for (const Case& c : cases) {
    for (const Job& job : Jobs()) {
      SCOPED_TRACE(::testing::Message() << c.name << ", " << job.name);
      QString why;
      s_cups->admin({"lpadmin", "-x", kQueue});
      ASSERT_TRUE(s_cups->addPdfQueue(kQueue, &why)) << why.toStdString();
      TestHost host;
      bool acted = false;
      if (c.midJob) {
        // The second record: the first one's page is under way.
        host.onEvents = [&](int round) {
          if (round == 2) acted = s_cups->admin(c.command, &why);
        };
      } else {
        acted = s_cups->admin(c.command, &why);
      }
      PrintTarget target;
      target.printerName = kQueue;
      const Ran ran = job.run(fx, target, host);
      ASSERT_TRUE(acted) << why.toStdString();
      EXPECT_EQ(std::tuple(ran.completed, ran.error, host.notices),
                std::tuple(c.error.isEmpty(), c.error,
                           c.notice.isEmpty() ? QStringList() : QStringList{c.notice}));
      if (c.notice.isEmpty()) continue;
      // The held job is real: it prints once the queue is resumed.
      ASSERT_TRUE(s_cups->admin({"cupsenable", kQueue}, &why)) << why.toStdString();
      EXPECT_EQ(s_cups->takePdfs(kQueue).size(), 1);
    }
  }
  EXPECT_TRUE(s_cups->takePdfs(kQueue, 0).isEmpty()) << "a refused job was printed";
}

TEST_F(CupsPrint, TheCommandLinePrintsOnTheNamedPrinterOrSaysWhyNot) {
  const QString file = fx.file(QStringLiteral("CLI.DBF"));
  ASSERT_TRUE(testing::WriteContactRows(file.toStdString(), Contacts()));
  struct Case {
    QString printer;
    int exit;
    QString said;  // the start of standard output, or of standard error
    int pdfs;
  };
  const Case cases[] = {
      {kQueue, 0, QStringLiteral("labels 3 on 1 pages to QvPdf in "), 1},
      {QStringLiteral("Gone"), 1,
       QStringLiteral("quorvane-cli: The printer Gone is not available.\n"), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printer.toStdString());
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), s_cups->server());
    env.insert(QStringLiteral("QUORVANE_HOME"), fx.dir());
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(QV_CLI), {QStringLiteral("labels"), file, QStringLiteral("--printer"),
                                       c.printer, QStringLiteral("--quiet")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    EXPECT_EQ(cli.exitCode(), c.exit) << err.toStdString();
    EXPECT_TRUE((c.exit == 0 ? out : err).startsWith(c.said)) << (out + err).toStdString();
    EXPECT_EQ(s_cups->takePdfs(kQueue, c.pdfs ? 60 : 0).size(), c.pdfs);
  }
}

}  // namespace
}  // namespace qv
