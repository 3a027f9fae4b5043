// Letter print runs on page streams: pages per copy and letter, the
// selections, the start record, and the table put back; cancelling is
// checked through the print status window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "labels_test_util.h"
#include "letters/letter_print.h"
#include "letters_test_util.h"
#include "richtext/rtf.h"
#include "store/output_file.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::Letter;
using testing::TestHost;

const QByteArray kTwoPages = "{\\rtf1 Dear [First]\\page page two\\par}";
const QByteArray kOnePage = "{\\rtf1 Dear [First] [Last]\\par}";

// The first text of each page.
QStringList FirstTexts(const PageStream& s) {
  QStringList out;
  for (const Page& p : s.pages) out << testing::TextsOf(p).at(0).text;
  return out;
}

// Copies of a two-page letter, then merged RTF files one per record (the
// PDF path is the print status window's test).
TEST(LetterPrint, CopiesTimesPagesWithoutABlankPageAndMergedRtfFilesPerRecord) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"FNAME", "Ann"}, {"LNAME", "A"}}, {{"FNAME", "Bob"}, {"LNAME", "B"}}}));
  TestHost host;
  LetterRunOptions o;
  o.print = false;
  o.copies = 3;
  o.selection = RecordSelection::Current;
  LetterRunResult r = PrintLetters(fx.table, fx.apollo, Letter(kTwoPages), o, host);
  EXPECT_EQ(r.outcome, LetterRunOutcome::Completed);
  EXPECT_EQ(r.pages, 6);
  EXPECT_EQ(r.letters, 1);
  EXPECT_EQ(FirstTexts(r.stream),
            (QStringList{"Dear Ann", "page two", "Dear Ann", "page two", "Dear Ann", "page two"}));
  EXPECT_EQ(r.statusText, "Letter Print Completed!");
  EXPECT_DOUBLE_EQ(r.stream.pages.at(0).width, 8.5);

  LetterRunOptions files;
  files.selection = RecordSelection::All;
  files.rtfDirectory = fx.file("out");
  r = PrintLetters(fx.table, fx.apollo, Letter(kOnePage), files, host);
  ASSERT_EQ(r.outcome, LetterRunOutcome::Completed) << r.errorText.toStdString();
  EXPECT_EQ(QDir(files.rtfDirectory).entryList(QDir::Files), (QStringList{"0001.rtf", "0002.rtf"}));
  QFile f(fx.file("out/0002.rtf"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  RichDocument back;
  ASSERT_TRUE(ReadRtf(f.readAll(), &back).ok);
  EXPECT_EQ(back.doc().toPlainText(), "Dear Bob B");
}

// A merged file cut short at any of a spread of points is told; the files
// before it are whole and the one it was writing is not there.
TEST(LetterPrint, AFailedMergedFileIsToldAndLeftOut) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"FNAME", "Ann"}, {"LNAME", "A"}}, {{"FNAME", "Bob"}, {"LNAME", "B"}}}));
  TestHost host;
  LetterRunOptions files;
  files.selection = RecordSelection::All;
  files.rtfDirectory = fx.file("out");
  const QByteArray one = WriteRtf(Letter(kOnePage));  // about the size of each merged file
  for (const qint64 budget : {qint64(0), qint64(10), qint64(one.size()), qint64(one.size() + 30)}) {
    SCOPED_TRACE(budget);
    QDir(files.rtfDirectory).removeRecursively();
    OutputFile::FailAfter(budget);
    const LetterRunResult r = PrintLetters(fx.table, fx.apollo, Letter(kOnePage), files, host);
    OutputFile::FailAfter(-1);
    EXPECT_EQ(r.outcome, LetterRunOutcome::Failed);
    const QStringList written = QDir(files.rtfDirectory).entryList(QDir::Files | QDir::Hidden);
    ASSERT_LT(written.size(), 2);
    const QString failing = fx.file(QStringLiteral("out/%1.rtf").arg(written.size() + 1, 4, 10, QLatin1Char('0')));
    EXPECT_EQ(r.errorText, QStringLiteral("Unable to write %1: No space left on device").arg(failing));
    for (const QString& name : written) {
      QFile f(fx.file("out/" + name));
      RichDocument back;
      EXPECT_TRUE(f.open(QIODevice::ReadOnly) && ReadRtf(f.readAll(), &back).ok && back.doc().toPlainText() == "Dear Ann A");
    }
  }
}

TEST(LetterPrint, SelectionsAndStartRecord) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"FNAME", "Ann"}, {"LNAME", "A"}},
                       {{"FNAME", "Del"}, {"LNAME", "D"}, {"PREFIX", "deleted"}},
                       {{"FNAME", "Cy"}, {"LNAME", "C"}}}));
  struct Case {
    const char* name;
    RecordSelection selection;
    bool start;
    int current;
    int letters;
    QString notice;
  };
  const Case cases[] = {
      {"all skips the deleted marker", RecordSelection::All, false, 3, 2, ""},
      {"only current prints one", RecordSelection::Current, false, 3, 1, ""},
      {"start from current", RecordSelection::All, true, 3, 1, ""},
      {"start outside the selection", RecordSelection::All, true, 2, 2,
       "Current record is out of range. Starting with first record"},
  };
  for (const Case& c : cases) {
    TestHost host;
    ASSERT_TRUE(fx.apollo.Query(QString()));
    ASSERT_TRUE(fx.apollo.Go(c.current));
    LetterRunOptions o;
    o.print = false;
    o.selection = c.selection;
    o.startFromCurrent = c.start;
    const LetterRunResult r = PrintLetters(fx.table, fx.apollo, Letter(kOnePage), o, host);
    // The table is put back afterwards.
    EXPECT_EQ(std::tuple(r.letters, int(r.stream.pages.size()), host.notices.join("|"),
                         fx.apollo.RecNo(), fx.apollo.DBFilter()),
              std::tuple(c.letters, c.letters, c.notice, c.current, QString()))
        << c.name;
  }
}

}  // namespace
}  // namespace qv
