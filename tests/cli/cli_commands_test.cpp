// quorvane-cli's commands as a script runs them: what each prints, the
// options reaching the jobs, and exit 1 for bad input and 2 for bad usage
// with nothing written. What a job itself lays out, counts or rewrites is
// that job's test; here the command line around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "damaged_index.h"
#include "engine_tables.h"
#include "fake_modem.h"
#include "test_support.h"
#include "xbase/workarea.h"

namespace {

using qvtest::ReadAll;
using qvtest::RunResult;
using qvtest::SplitLines;
using qvtest::Stderr;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CliCommands : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(cli({"init"}).status, 0); }

  // A contact file `name`.dbf made from `rows` as `make` takes them.
  std::string Make(const std::string& name, const std::string& rows) {
    qvtest::WriteAll(dir / (name + ".tsv"), rows);
    EXPECT_EQ(cli({"make", dir / (name + ".dbf"), dir / (name + ".tsv")}).status, 0);
    return dir / (name + ".dbf");
  }

  qvtest::ScratchDir dir;
  qvtest::Cli cli = qvtest::Cli::At(dir / "home");
};

// ---- zipcount, report and count ----------------------------------------------

// The commands see what the main window shows: a record carrying the
// deletion flag is neither counted, reported nor taken as the current
// record; count takes its condition as given and --all shows the flag.
TEST_F(CliCommands, OptionsReachTheJobsAndFlaggedRecordsAreHidden) {
  const std::string tabs8(8, '\t');
  const std::string file =
      Make("c", "Kept" + tabs8 + "11111\nJones" + tabs8 + "12345\n" + "Flagged" + tabs8 + "22222" +
                    std::string(12, '\t') + "*\n");
  EXPECT_EQ(cli({"zipcount", file, "--lines"}).out, "11111     1\n12345     1\n\n\n");
  EXPECT_EQ(cli({"zipcount", file, "--filter", "ZIP = \"12\"", "--lines"}).out,
            "12345     1\n\n\n");
  ASSERT_EQ(cli({"zipcount", file, "--csv", dir / "z.csv"}).status, 0);
  EXPECT_EQ(ReadAll(dir / "z.csv"), "ZIP,Count\r\n11111,1\r\n12345,1\r\n");
  EXPECT_EQ(cli({"count", file, ".T."}).out, "2\n");
  EXPECT_EQ(cli({"count", file, ".T.", "--all"}).out, "3\n");
  const RunResult r = cli({"report", file, "--layout", "2", "--stream", dir / "r.qvs"});
  EXPECT_EQ(r.out.rfind("report 2 records on 1 pages to ", 0), 0u) << r.out;
  for (const char* recno : {"1", "3"}) {
    const RunResult c = cli({"report", file, "--current", recno, "--stream", dir / "m.qvs"});
    EXPECT_EQ(c.status, std::string(recno) == "1" ? 0 : 1) << "record " << recno;
  }
}

// ---- the data-quality commands -----------------------------------------------

// LNAME FNAME MIDDLE TITLE ORG STREET CITY STATE ZIP
const char kCleanupRows[] =
    "Smith\tJohn\t\t\t\t12 Main St\tAlbany\tNY\t12207\n"
    "SMITH\tjohn\t\t\t\t 9 Oak Ave\tTroy\tny\t12180\n"
    "Brown\tAl\t\t\t\t12 Main St\tAlbany\tNY\t99999\n";

TEST_F(CliCommands, ChecksPrintTheGridAndRewritesTheirCounts) {
  const std::string file = Make("c", kCleanupRows);
  EXPECT_EQ(cli({"dups", file, "--by", "name"}).out,
            "1\tSmith\tJohn\t12 Main St\n2\tSMITH\tjohn\t9 Oak Ave\nFound 1 possible duplicates\n");
  EXPECT_EQ(cli({"dups", file, "--by", "street", "--chars", "4"}).out,
            "1\tSmith\tJohn\t12 Main St\n3\tBrown\tAl\t12 Main St\nFound 1 possible duplicates\n");
  EXPECT_EQ(cli({"check-zip", file}).out,
            "3\tNY\t99999\tBrown\tAl\n2\tny\t12180\tSMITH\tjohn\n"
            "Found 2 records with questionable state or zipcodes\n");
  // The work indexes do not stay behind.
  EXPECT_FALSE(std::filesystem::exists(dir / "_chkdup.idx"));
  EXPECT_FALSE(std::filesystem::exists(dir / "_chksz.idx"));

  EXPECT_EQ(cli({"replace", file, "--field", "CITY", "--equals", "albany", "--ignore-case",
                 "--with", "Colonie"})
                .out,
            "Replaced 2 records\n");
  EXPECT_EQ(cli({"upper", file, "--fields", "LNAME,CITY", "--filter", "CITY=\"Colonie\""}).out,
            "Converted 2 records\n");
  EXPECT_EQ(cli({"delete", file, "--not-filter", "CITY=\"COLONIE\""}).out, "Deleted 1 records\n");
  EXPECT_EQ(cli({"count", file, "UPPER(PREFIX)<>\"DELETED\" .and. LNAME=\"BROWN\""}).out, "1\n");
  EXPECT_EQ(cli({"recall", file, "--filter", "CITY=\"COLONIE\""}).out, "Recalled 0 records\n");
  EXPECT_EQ(cli({"recall", file, "--record", "1"}).out, "Recalled 0 records\n");
  EXPECT_EQ(cli({"recall", file, "--all"}).out, "Recalled 1 records\n");
  EXPECT_EQ(cli({"count", file, "UPPER(PREFIX)<>\"DELETED\""}).out, "3\n");
}

TEST_F(CliCommands, ChecksRefuseAFileHeldElsewhere) {
  const std::string file = Make("c", kCleanupRows);
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> held;
  ASSERT_TRUE(xb::WorkArea::Open(file, xb::OpenOptions{false, false}, &settings, &held).ok());
  // Each command opens the file itself.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"dups", file, "--by", "name"}, {"check-zip", file}}) {
    const RunResult r = cli(args, Stderr::kMerge);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_TRUE(Has(r.out, "Unable to open this file exclusively. Possibly in use by another "
                           "program or user"))
        << r.out;
  }
}

// ---- barcodes and the dialer --------------------------------------------------

// The bars themselves are the bar code tests'; here the letters and the
// street's delivery point reaching them (9 ZIP digits, 2 delivery point
// digits and a check digit make 62 bars).
TEST_F(CliCommands, BarcodeBarsAsLetters) {
  EXPECT_EQ(cli({"barcode", "imb", "01234567094987654321", "01234"}).out,
            "DTTAFADDTTFTDTFTFDTDDADADAFADFATDDFTAAAFDTTADFAAATDFDTDFADDDTDFFT\n");
  EXPECT_EQ(cli({"barcode", "postnet", "12345-6789", "123 MAIN ST"}).out.size(), 63u);
}

TEST_F(CliCommands, DialsTheRecordsPhoneOnTheGivenDevice) {
  const std::string file =
      Make("people", "Archer\tAnn\t\t\t\t1 Elm St\tAlbany\tNY\t12207\t\t555-0100\n");
  qv::testing::FakeModem modem;
  ASSERT_TRUE(modem.ok);
  const std::string name = modem.device.toStdString();
  EXPECT_EQ(
      cli({"dial", file, "1", "--port", name, "--prefix", "9", "--pulse", "--no-wait"}).status, 0);
  EXPECT_EQ(modem.Received(), QByteArray("AT\rATDP9555-0100\r\nATH\r\n"));
}

// ---- labels -------------------------------------------------------------------

const char k5160[] = "Avery 5160  Address,   1.00 x 2.63";
const char kLabelRow[] =
    "Smith\tAnn\t\tDirector of Purchasing\tAcme Widget Company\t30100 Avenida de las Banderas\t"
    "Rancho Santa Margarita\tCA\t92688-1234\t\t949-555-0100\n";

// The ranking itself is the stock list window's test.
TEST_F(CliCommands, StocksListsEveryStockAndFindPutsTheProductNumberFirst) {
  const std::vector<std::string> all = SplitLines(cli({"stocks"}).out);
  ASSERT_GT(all.size(), 100u);
  EXPECT_NE(std::find(all.begin(), all.end(), k5160), all.end());
  const RunResult found = cli({"stocks", "--find", "5160"});
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(SplitLines(found.out).front(), k5160);
  const RunResult none = cli({"stocks", "--find", "no such stock"});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(none.out.empty());
  // The sizes as the table stores them, tab-separated.
  EXPECT_EQ(SplitLines(cli({"stocks", "--find", "5160", "--geometry"}).out).front(),
            std::string(k5160) +
                "\t1.000\t2.625\t3\t10\t0.500\t0.188\t2.750\t1.000\t8.500\t11.000"
                "\tLJ\tLTR");
  // The look-alikes of 5160: other makers' numbers, not 5160 itself.
  const std::vector<std::string> same = SplitLines(cli({"stocks", "--same-as", k5160}).out);
  EXPECT_NE(std::find(same.begin(), same.end(), "Avery 5260  Address,   1.00 x 2.63"), same.end());
  EXPECT_EQ(std::find(same.begin(), same.end(), k5160), same.end());
  EXPECT_TRUE(std::any_of(same.begin(), same.end(),
                          [](const std::string& s) { return !s.starts_with("Avery "); }));
  EXPECT_EQ(cli({"stocks", "--same-as", k5160, "--find", "5160"}).status, 2);
}

TEST_F(CliCommands, LabelOptionsShapeTheRunOrAreRefused) {
  const std::string file = Make("people", kLabelRow), out = dir / "out.qvs";
  // Avery 5163 is 2 x 4 in, two across: label 3 is the first of row two.
  ASSERT_EQ(cli({"labels", file, "--stream", out, "--stock", "Avery 5163", "--lines",
                 "name,city,zip", "--font", "Courier New", "--size", "12", "--start-label", "3"})
                .status,
            0);
  std::vector<std::string> texts;
  for (const std::string& line : SplitLines(cli({"stream-dump", out}).out)) {
    if (line.rfind("text ", 0) == 0) texts.push_back(line);
  }
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_TRUE(Has(texts[0], "\"Courier New\" 12")) << texts[0];
  EXPECT_TRUE(Has(texts[0], "\"Ann Smith \"")) << texts[0];
  EXPECT_TRUE(Has(texts[1], "\"Rancho Santa Margarita  CA 92688-1234\"")) << texts[1];
  // x = left margin + text offset; y below the top of row two (top margin
  // 0.5 in + pitch 2 in + offset 0.25 in).
  double x = 0, y = 0;
  ASSERT_EQ(std::sscanf(texts[0].c_str(), "text %lf %lf", &x, &y), 2);
  EXPECT_LT(x, 1.0);
  EXPECT_GT(y, 2.75);
  EXPECT_LT(y, 2.95);
  // One record, a whole sheet: the alignment page (its outlines are the run's test).
  EXPECT_EQ(cli({"labels", file, "--stock", "5160", "--alignment-page", "--stream", out})
                .out.rfind("labels 30 on 1 pages", 0),
            0u);
}

// ---- make, reindex and check ----------------------------------------------------

std::string IndexRows() {
  std::string rows;
  for (int i = 0; i < 50; ++i) {
    rows += "Last" + std::to_string((i * 7) % 50) + "\tFirst" + std::to_string(i % 4) + "\n";
  }
  return rows;
}

TEST_F(CliCommands, CheckNamesTheDamagedTagAndReindexReportsItThenRebuilds) {
  const std::string file = Make("c", IndexRows());
  const RunResult sound = cli({"check", file});
  EXPECT_EQ(sound.status, 0);
  EXPECT_TRUE(Has(sound.out, "tag LNAME ok 50 entries\n")) << sound.out;
  EXPECT_TRUE(Has(sound.out, "\nok 21 tags\n")) << sound.out;

  ASSERT_TRUE(qvtest::DropFirstKey(dir / "c.cdx", "LNAME"));
  const RunResult damaged = cli({"check", file});
  EXPECT_EQ(damaged.status, 1);
  const size_t from = damaged.out.find("tag LNAME damaged: ");
  ASSERT_NE(from, std::string::npos) << damaged.out;
  EXPECT_TRUE(Has(damaged.out, "tag FNAME ok 50 entries\n")) << damaged.out;
  EXPECT_TRUE(Has(damaged.out, "\ndamaged 1 of 21 tags\n")) << damaged.out;

  // Reindex checks the old tags beside the new ones, check on their own:
  // the same words either way.
  const std::string line = damaged.out.substr(from, damaged.out.find('\n', from) + 1 - from);
  const RunResult rebuilt = cli({"reindex", file});
  EXPECT_EQ(rebuilt.status, 0);
  EXPECT_EQ(rebuilt.out.rfind(line, 0), 0u) << rebuilt.out;
  EXPECT_TRUE(Has(rebuilt.out, "reindex 50 records, 21 tags")) << rebuilt.out;
  EXPECT_EQ(cli({"check", file}).status, 0);
}

// A table that is not a contact file refused with its index untouched, and
// a file open elsewhere never replaced. The companions' names on a rebuild
// are the contact file's test.
TEST_F(CliCommands, IndexRefusalsLeaveEveryFileAsItWas) {
  const std::string file = Make("c", IndexRows()), rows = dir / "c.tsv";
  // A support table with its own index, not a contact file.
  const std::string other = dir / "QVPLTRS.DBF";
  ASSERT_TRUE(qvtest::MakeTable(other, {{"DESCRIPT", 'C', 40, 0}}, {{""}},
                                {{"DESCRIPT", "UPPER(DESCRIPT)"}})
                  .ok());
  const auto files = [&] {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
      if (e.is_regular_file()) out[e.path().string()] = ReadAll(e.path().string());
    }
    return out;
  };
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string message;  // in the error line
    bool held = false;    // the contact file is open elsewhere, shared
  } cases[] = {
      {"reindex of a table without the contact fields", {"reindex", other}, "not a contact file"},
      {"make over a contact file open elsewhere", {"make", file, rows}, "is in use", true},
      {"reindex of a contact file open elsewhere", {"reindex", file}, "is in use", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto before = files();
    std::unique_ptr<xb::Table> held;
    if (c.held) {
      ASSERT_TRUE(xb::Table::Open(file, {false, false}, &held).ok());
    }
    const RunResult r = cli(c.args, Stderr::kMerge);
    held.reset();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has(r.out, c.message)) << r.out;
    EXPECT_TRUE(files() == before) << "a file changed, appeared or went";
  }
}

// ---- failures in the program's words ----------------------------------------

// create never overwrites; init installs the program directory.
TEST_F(CliCommands, CreateAndInit) {
  const std::string path = dir / "NEW.DBF";
  EXPECT_EQ(cli({"create", path}).out, "created " + path + ", 21 tags\n");
  const std::string bytes = ReadAll(path);
  EXPECT_EQ(cli({"create", path}).status, 1);
  EXPECT_EQ(ReadAll(path), bytes);
  EXPECT_EQ(cli({"init"}).out, dir / "home" + "/\n");
  EXPECT_TRUE(std::filesystem::exists(dir / "home/QUORVA1.DBF"));
}

// Each refusal says what went wrong on the error stream and writes
// nothing, with exit 1 for bad input (one line in the program's name) and
// 2 for bad usage.
TEST_F(CliCommands, BadInputOrUsageExitsOneOrTwoWithItsMessageOnTheErrorStream) {
  const std::string junk = dir / "junk.dbf", good = dir / "good.dbf", cut = dir / "cut.dbf";
  const std::string x = dir / "x";
  qvtest::WriteAll(junk, "this is not a table");
  ASSERT_EQ(cli({"make", good, std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv"}).status,
            0);
  // The same file with its memo file cut after the header.
  for (const char* ext : {".dbf", ".fpt", ".cdx"}) {
    std::filesystem::copy_file(dir / (std::string("good") + ext), dir / (std::string("cut") + ext));
  }
  std::filesystem::resize_file(dir / "cut.fpt", 512);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;  // a part of what it prints on the error stream
    // A job tells its own failure as the window would, without the
    // program's name; it is not told again.
    bool toldByTheJob = false;
    bool oneLine = true;  // false: more lines follow, not checked
  } cases[] = {
      {{"count", good, "1/0 > 0"}, 1, "the condition fails on record 1: division by zero"},
      {{"dump", cut}, 1, "The table cut.dbf cannot be read: record 7: "},
      {{"report", cut, "--layout", "2", "--memo", "--stream", x},
       1,
       "The contact file is damaged: ",
       true},
      {{"info", junk}, 1, "junk.dbf is too short to be a table"},
      {{"dump", dir / "missing.dbf"}, 1, "cannot open " + dir / "missing.dbf"},
      {{"count", good, "UPPER(LNAME"}, 1, "syntax error at position 12"},
      {{"eval", good, "x", "LNAME"}, 1, "not a record number: x"},
      {{"bogus"}, 2, "usage: quorvane-cli COMMAND ARGS\n"},
      {{"count"}, 2, "usage: quorvane-cli count FILE EXPR"},
      {{"count", good, "SEQNO > 0", "--exactly"}, 2, "count does not take --exactly\n"},
      // report and zipcount
      {{"report", good, "--filter", "LNAME = ", "--stream", x},
       1,
       "the filter cannot be used: syntax"},
      {{"report", good, "--layout", "5", "--stream", x}, 1, "--layout takes 1, 2, 3 or 4, not 5"},
      {{"report", good, "--stream", x, "--pdf", x + ".pdf"},
       1,
       "needs one of --pdf OUT.pdf, --stream OUT or --printer NAME"},
      {{"report", good, "--filter", "1=1", "--current", "1", "--stream", x},
       1,
       "--filter and --current choose the records in two ways"},
      {{"report", good, "--current", "99", "--stream", x}, 1, "from 1 to 40, not 99"},
      {{"report", good, "--colour", "--stream", x}, 2, "report does not take --colour"},
      {{"report", dir / "missing.dbf", "--stream", x},
       1,
       "File " + dir / "missing.dbf" + " not found",
       true},
      {{"zipcount", good, "--filter", "ZIP = ", "--csv", x},
       1,
       "the filter cannot be used: syntax"},
      {{"zipcount", good}, 1, "zipcount needs one of --pdf OUT.pdf, --stream OUT, --printer NAME,"},
      {{"zipcount", good, "--lines", "--csv", x}, 1, "zipcount needs one of"},
      {{"zipcount"}, 2, "usage: quorvane-cli zipcount FILE"},
      // the data-quality commands
      {{"dups", good}, 2, "dups needs --by name, --by initial, --by street or --by similar"},
      {{"dups", good, "--by", "name", "--chars", "3"}, 2, "--chars goes with --by street"},
      {{"delete", good, "--all", "--filter", "CITY=\"Troy\""},
       2,
       "delete needs one of --all, --filter EXPR or --not-filter EXPR"},
      {{"replace", good, "--field", "LNAME", "--equals", "x"}, 2, "one of --with or --delete"},
      {{"recall", good}, 2, "recall needs one of --all, --filter EXPR or --record N"},
      {{"recall", good, "--record", "x"}, 1, "--record takes a record number from 1, not x"},
      {{"upper", good, "--all", "--fields", "EMAIL"},
       1,
       "EMAIL is not one of the fields converted"},
      {{"dups", good, "--by", "street", "--chars", "31"}, 1, "--chars takes a number from 1 to 30"},
      // an engine failure in the program's words, not the engine's
      {{"upper", good, "--filter", "SEQNO/0 > 1"},
       1,
       "quorvane-cli: The condition fails on record"},
      {{"copy-out", good, x, "--ascii", "--filter", "SEQNO/0 > 1"},
       1,
       "quorvane-cli: The condition fails on record 1: division by zero"},
      // barcodes and the dialer
      {{"barcode", "imb", "0123456709498765432"}, 1, "is not 20 digits with the second 0 to 4"},
      {{"barcode", "imb", "01234567094987654321", "1234"},
       1,
       "routing code \"1234\" is not 5, 9 or 11 digits"},
      {{"barcode", "postnet", "K1A 0B1"}, 1, "ZIP \"K1A 0B1\" gets no POSTNET bar code"},
      {{"barcode", "code39", "12345"}, 2, "barcode takes imb or postnet, not code39"},
      {{"barcode", "imb"}, 2, "usage: quorvane-cli barcode imb"},
      {{"dial", good, "1", "--port", dir / "ttyS9", "--no-wait"},
       1,
       "Unable to open " + dir / "ttyS9"},
      {{"dial", good, "99", "--no-wait"}, 1, "RECNO takes a record number from 1 to 40, not 99"},
      {{"dial", good}, 2, "usage: quorvane-cli dial FILE RECNO"},
      {{"dial", dir / "missing.dbf", "1", "--no-wait"},
       1,
       "File " + dir / "missing.dbf" + " not found",
       true},
      // label runs
      {{"labels", good, "--stream", x, "--stock", "Avery 99999"},
       1,
       "there is no label stock \"Avery 99999\""},
      {{"labels", good, "--stream", x, "--stock", "Avery 516"},
       1,  // a suggestion, not a choice
       "there is no label stock \"Avery 516\"; the nearest are:\n  Avery 5160  Address",
       false,
       false},
      {{"labels", good, "--stream", x, "--start-label", "31"}, 1, "from 1 to 30"},
      {{"labels", good, "--stream", x, "--stock", "Avery 5163", "--start-label", "11"},
       1,
       "from 1 to 10"},
      {{"labels", good, "--stream", x, "--size", "99"}, 1, "from 6 to 36"},
      {{"labels", good, "--stream", x, "--lines", "name,fax"}, 2, "--lines has no line \"fax\""},
      {{"labels", good, "--stream", x, "--lines", ""}, 2, "--lines has no line \"\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.args[0] << " " << (c.args.size() > 1 ? c.args.back() : ""));
    // The error stream alone: what a dump wrote before failing is thrown away.
    std::string cmd = cli.env + qvtest::ShellQuote(QV_CLI) + " ";
    for (const auto& a : c.args) cmd += qvtest::ShellQuote(a) + " ";
    const RunResult r = qvtest::RunShell(cmd + "2>&1 >/dev/null");
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_TRUE(Has(r.out, c.says)) << r.out;
    if (c.status == 1) {
      EXPECT_EQ(r.out.compare(0, 14, "quorvane-cli: ") == 0, !c.toldByTheJob) << r.out;
      if (c.oneLine) {
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
      }
    }
    EXPECT_FALSE(std::filesystem::exists(x) || std::filesystem::exists(x + ".pdf"));
  }
}

}  // namespace

// A program directory that cannot be made, or whose settings file cannot be
// read, stops each command that keeps files or reads settings there with
// the words the window shows at its start; a command that needs neither
// runs as before.
TEST_F(CliCommands, AnUnusableProgramDirectoryStopsTheCommandsThatNeedIt) {
  const std::string file = Make("c", "Smith\tAnn\n");
  qvtest::WriteAll(dir / "plain", "a file, not a folder\n");
  std::filesystem::create_directories(dir / "badini/QUORVA.INI");  // a folder: unreadable
  const struct {
    std::string home, says;
  } homes[] = {{dir / "plain/home", "Unable to create the program folder"},
               {dir / "badini", "Unable to read the settings file"}};
  const std::vector<std::vector<std::string>> needing = {
      {"init"},
      {"stocks"},
      {"presort", file},
      {"letter-list"},
      {"dups", file, "--by", "name"},
      {"check-zip", file},
      {"dial", file, "1"},
      {"labels", file, "--stock", "Avery 5160", "--stream", dir / "x"},
      {"labels", file, "--barcode", "imb", "--stream", dir / "x"},
      {"envelope", file, "--all", "--setup", "Default", "--stream", dir / "x"},
  };
  for (const auto& h : homes) {
    const qvtest::Cli there = qvtest::Cli::At(h.home);
    for (const auto& args : needing) {
      SCOPED_TRACE(h.home + ": " + args[0] + " " + args.back());
      const RunResult r = there(args, Stderr::kMerge);
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_TRUE(Has(r.out, "quorvane-cli: " + h.says)) << r.out;
      EXPECT_FALSE(Has(r.out, "standard settings are used")) << r.out;  // they are not
    }
    const RunResult count = there({"count", file, ".T."});
    EXPECT_EQ(count.status, 0);
    EXPECT_EQ(count.out, "1\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
  }
}
