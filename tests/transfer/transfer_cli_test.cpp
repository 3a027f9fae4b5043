// The import and copy-out commands on bad input and bad usage, and an
// import killed at random points: the contact file must keep every record
// it posted whole, and its tags must come back with a reindex.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "transfer_fixture.h"

namespace qv::testing {
namespace {

size_t Records(const std::string& path) { return ReadContacts(path, {"LNAME"}).size(); }

std::string Lines(int first, int count) {
  std::string text;
  for (int i = first; i < first + count; ++i) {
    const std::string n = std::to_string(i);
    text += "L" + n + ",F" + n + ",memo " + n + ",Z" + n + "\r\n";
  }
  return text;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteContacts(m_contacts, {{{"LNAME", "Kept"}, {"CITY", "Boston"}}}));
  }
  qvtest::RunResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), QV_CLI);
    return qvtest::Run(args, qvtest::Stderr::kMerge);
  }
  LowerDir m_dir;
  std::string m_contacts = m_dir.path("contacts.dbf");
};

TEST_F(CliTest, BadInputAndBadUsage) {
  const std::string text = m_dir.path("in.txt");
  std::string wide;
  for (int i = 0; i < 300; ++i) wide += (i ? "," : "") + std::to_string(i);
  const std::string emptySource = m_dir.path("nothing.dbf");
  ASSERT_TRUE(WriteContacts(emptySource, {}));
  qvtest::WriteAll(m_dir.path("damaged.dbf"), "\x03\x7b\x01\x01garbage");
  struct Case {
    const char* what;
    std::string textBytes;  // written to in.txt first when not empty
    std::vector<std::string> args;
    int status;
    std::string says;
    size_t records;  // in the contact file afterwards (they add up case by case)
  } cases[] = {
      {"missing text", "", {"import-ascii", m_contacts, m_dir.path("none.txt"), "--match", "1=Last"},
       1, "Unable to import from this file", 1},
      {"empty text", "\n", {"import-ascii", m_contacts, text, "--match", "1=Last"}, 1,
       "Unable to import from this file", 1},
      {"binary", std::string("\x7f" "ELF\0\0\x01\n\0\0\n", 11),
       {"import-ascii", m_contacts, text, "--match", "1=Last"}, 1, "NUL byte", 1},
      // Past the ten sampled lines, so the import itself meets it.
      {"NUL after twelve lines", Lines(1, 12) + std::string("x\0y\r\n", 5) + Lines(13, 2),
       {"import-ascii", m_contacts, text, "--match", "1=Last"}, 1,
       "stopped after importing 12 records", 13},
      {"1 MB line", std::string(1 << 20, 'w') + "\n" + Lines(1, 1),
       {"import-ascii", m_contacts, text, "--match", "1=Last"}, 0,
       "Import complete. Imported 2 records.", 15},
      {"300 columns", wide + "\n" + wide + "\n",
       {"import-ascii", m_contacts, text, "--match", "255=Last"}, 0,
       "only the first 255 columns", 17},
      {"column past the file", Lines(1, 2), {"import-ascii", m_contacts, text, "--match", "5=Last"}, 1,
       "column 5 is not one of them", 17},
      {"contact file missing", Lines(1, 2),
       {"import-ascii", m_dir.path("gone.dbf"), text, "--match", "1=Last"}, 1, "not found", 17},
      {"no match", Lines(1, 2), {"import-ascii", m_contacts, text}, 2, "needs --match", 17},
      {"column 0", Lines(1, 2), {"import-ascii", m_contacts, text, "--match", "0=Last"}, 2,
       "column from 1 to 255", 17},
      {"unknown target", Lines(1, 2), {"import-ascii", m_contacts, text, "--match", "1=Nobody"}, 2,
       "no contact field is called \"Nobody\"", 17},
      {"target twice", Lines(1, 2), {"import-ascii", m_contacts, text, "--match", "1=Last,2=last"},
       2, "both matched to \"Last\"", 17},
      {"damaged source", "", {"import-dbf", m_contacts, m_dir.path("damaged.dbf")}, 1,
       "Unable to open the file", 17},
      {"empty source", "", {"import-dbf", m_contacts, emptySource}, 1, "There are no records in", 17},
      {"source field unknown", "", {"import-dbf", m_contacts, m_contacts, "--match", "NOPE=Last"},
       1, "no field NOPE", 17},
      {"memo into a name", "", {"import-dbf", m_contacts, m_contacts, "--match", "MEMO=Last"}, 1,
       "takes fields of type CNL", 17},
      {"into itself", "", {"import-dbf", m_contacts, m_contacts}, 1, "exclusively", 17},
      {"copy to a text name as DBF", "", {"copy-out", m_contacts, m_dir.path("o.txt"), "--dbf"}, 1,
       "Must have a .DBF extension", 17},
      {"copy to itself", "", {"copy-out", m_contacts, m_dir.path("CONTACTS.DBF"), "--dbf"}, 1,
       "Cannot copy a file to itself!", 17},
      {"copy nothing", "",
       {"copy-out", m_contacts, m_dir.path("o.txt"), "--ascii", "--filter", "CITY=\"Nowhere\""}, 1,
       "No active records for current filter. Nothing to copy", 17},
      {"copy without a format", "", {"copy-out", m_contacts, m_dir.path("o.txt")}, 2,
       "--dbf or --ascii", 17},
      {"copy with both formats", "", {"copy-out", m_contacts, m_dir.path("o.dbf"), "--dbf", "--ascii"},
       2, "--dbf or --ascii", 17},
  };
  for (const Case& c : cases) {
    if (!c.textBytes.empty()) qvtest::WriteAll(text, c.textBytes);
    const qvtest::RunResult r = cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.what << ": " << r.out;
    EXPECT_EQ(Records(m_contacts), c.records) << c.what;
    if (qvtest::HaveOracle()) {
      EXPECT_EQ(Verify(m_contacts).substr(0, 3), "ok ") << c.what;
    }
  }
}

// A contact file cut off after its third whole record (its header still
// counts five): the whole records copy out, and a reindex sets the count.
TEST_F(CliTest, CutOffFileCopiesItsWholeRecordsAndReindexRepairsIt) {
  const std::string cut = m_dir.path("cut.dbf");
  ASSERT_TRUE(WriteContacts(cut, {{{"LNAME", "L1"}}, {{"LNAME", "L2"}}, {{"LNAME", "L3"}},
                                  {{"LNAME", "L4"}}, {{"LNAME", "L5"}}}));
  const std::string whole = qvtest::ReadAll(cut);
  const size_t header = qvtest::Le16(whole, 8), length = qvtest::Le16(whole, 10);
  qvtest::WriteAll(cut, whole.substr(0, header + 3 * length + 100));
  qvtest::RunResult r = cli({"copy-out", cut, m_dir.path("o.txt"), "--ascii"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "Copied 3 records\n");
  r = cli({"reindex", cut});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("reindex 3 records"), std::string::npos) << r.out;
  const std::string repaired = qvtest::ReadAll(cut);
  EXPECT_EQ(qvtest::Le32(repaired, 4), 3u);
  EXPECT_EQ(repaired, whole.substr(0, header + 3 * length).replace(4, 1, "\x03") + "\x1A");
  if (qvtest::HaveOracle()) {
    EXPECT_EQ(Verify(cut), "ok 21 tags, 3 records\n");
  }
}

TEST_F(CliTest, ImportDbfPrintsTheProposalsThenCopiesBack) {
  const std::string source = m_dir.path("source.dbf");
  ASSERT_TRUE(xb::Table::Create(source, {{"SURNAME", 'C', 20, 0}, {"PHONE1", 'C', 12, 0},
                                         {"PHONE2", 'C', 12, 0}, {"CODES", 'C', 8, 0},
                                         {"ST", 'C', 2, 0}}).ok());
  {
    std::unique_ptr<xb::Table> t;
    ASSERT_TRUE(xb::Table::Open(source, xb::OpenOptions(), &t).ok());
    ASSERT_TRUE(t->Append().ok());
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(t->SetFieldBytes(i, std::string("v") + char('1' + i)).ok());
    ASSERT_TRUE(t->Close().ok());
  }
  qvtest::RunResult r = cli({"import-dbf", m_contacts, source});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out,
            "SURNAME -> Last\nPHONE2 -> Phone\nCODES -> Zip/Post Code\n"
            "Import complete. Imported 1 records.\n");
  const std::vector<Fields> expected = {{{"LNAME", "Kept"}},
                                        {{"LNAME", "v1"}, {"PHONE", "v3"}, {"ZIP", "v4"}}};
  EXPECT_EQ(ReadContacts(m_contacts, {"LNAME", "PHONE", "ZIP", "STATE"}), expected);
  r = cli({"import-dbf", m_contacts, source, "--match", "st=state/province,phone1=Phone"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "Import complete. Imported 1 records.\n");
  EXPECT_EQ(ReadContacts(m_contacts, {"STATE", "PHONE"}).back(),
            (Fields{{"STATE", "v5"}, {"PHONE", "v2"}}));
  r = cli({"copy-out", m_contacts, m_dir.path("back.txt"), "--ascii", "--order", "LNAME"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "Copied 3 records\n");
  EXPECT_EQ(qvtest::SplitLines(qvtest::ReadAll(m_dir.path("back.txt"))).size(), 3u);
}

// The record numbers posted before a kill must read back whole, in order.
void ExpectWholeRecords(const std::string& path, size_t* count) {
  const std::vector<Fields> records = ReadContacts(path, {"LNAME", "FNAME", "ZIP", "MEMO"});
  *count = records.size();
  for (size_t r = 0; r < records.size(); ++r) {
    const std::string n = std::to_string(r + 1);
    const Fields whole = {{"LNAME", "L" + n}, {"FNAME", "F" + n}, {"ZIP", "Z" + n},
                          {"MEMO", "memo " + n}};
    if (records[r] != whole) {
      ADD_FAILURE() << "record " << r + 1 << " of " << records.size() << " is not whole";
      return;
    }
  }
}

TEST(KilledImport, KeepsWholeRecordsAndReindexes) {
  LowerDir dir;
  const std::string text = dir.path("big.txt");
  constexpr int kLines = 20000;
  qvtest::WriteAll(text, Lines(1, kLines));
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> delay(5, 400);
  for (int round = 0; round < 5; ++round) {
    const std::string contacts = dir.path("killed" + std::to_string(round) + ".dbf");
    ASSERT_TRUE(WriteContacts(contacts, {}));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execl(QV_CLI, QV_CLI, "import-ascii", contacts.c_str(), text.c_str(), "--match",
            "1=Last,2=First,3=Memo,4=Zip/Post Code", static_cast<char*>(nullptr));
      _exit(127);
    }
    const int ms = delay(random);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    size_t count = 0;
    ExpectWholeRecords(contacts, &count);
    SCOPED_TRACE("killed after " + std::to_string(ms) + " ms with " + std::to_string(count) +
                 " records");
    if (finished) {
      EXPECT_EQ(count, static_cast<size_t>(kLines));
    }
    xb::Settings settings;
    std::unique_ptr<xb::WorkArea> area;
    ASSERT_TRUE(xb::WorkArea::Open(contacts, xb::OpenOptions(), &settings, &area).ok());
    // Killed anywhere, the import's marker has the next open rebuild the tags.
    EXPECT_TRUE(area->index_status().ok() && area->TagArea("DELETED") != 0 &&
                area->TagArea("STATEZIP") != 0)
        << area->index_status().ToString();
    area.reset();
    const qvtest::RunResult r = qvtest::Run({QV_CLI, "reindex", contacts});
    EXPECT_EQ(r.status, 0);
    if (qvtest::HaveOracle()) {
      EXPECT_EQ(Verify(contacts).substr(0, 3), "ok ") << Verify(contacts);
    }
    std::remove(contacts.c_str());
  }
}

}  // namespace
}  // namespace qv::testing
