// The import, copy-out and CSV and vCard commands: their exit codes and
// messages on bad input (one case a command; the readers' own refusals are
// their tests) and bad usage with nothing reaching the contact file, the
// DBF import's printed proposals, and a CSV column matched by name.
// The rebuilt tags are the import loop's test.
#include <gtest/gtest.h>

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
    ASSERT_TRUE(WriteContactRows(m_contacts, {{{"LNAME", "Kept"}, {"CITY", "Boston"}}}));
  }
  qvtest::RunResult cli(const std::vector<std::string>& args) {
    return qvtest::Cli()(args, qvtest::Stderr::kMerge);
  }
  Scratch m_dir;
  std::string m_contacts = m_dir.path("contacts.dbf");
};

TEST_F(CliTest, BadInputAndBadUsage) {
  const std::string& k = m_contacts;
  const std::string text = m_dir.path("in.txt"), out = m_dir.path("o.txt");
  std::string wide;
  for (int i = 0; i < 300; ++i) wide += (i ? "," : "") + std::to_string(i);
  const std::string emptySource = m_dir.path("nothing.dbf");
  ASSERT_TRUE(WriteContactRows(emptySource, {}));
  const std::string csv = m_dir.path("ok.csv"), bin = m_dir.path("bin.vcf");
  qvtest::WriteAll(csv, "Last,City\r\nLee,Rome\r\n");
  qvtest::WriteAll(bin, std::string("\0\1\2BEGIN:VCARD", 15));
  struct Case {
    const char* what;
    std::string textBytes;  // written to in.txt first when not empty
    std::vector<std::string> args;
    int status;
    std::string says;
    size_t records;  // in the contact file afterwards (they add up case by case)
  } cases[] = {
      // Past the ten sampled lines, so the import itself meets it.
      {"NUL after twelve lines", Lines(1, 12) + std::string("x\0y\r\n", 5) + Lines(13, 2),
       {"import-ascii", k, text, "--match", "1=Last"}, 1, "stopped after importing 12 records", 13},
      {"300 columns", wide + "\n" + wide + "\n", {"import-ascii", k, text, "--match", "255=Last"},
       0, "only the first 255 columns", 15},
      {"column past the file", Lines(1, 2), {"import-ascii", k, text, "--match", "5=Last"}, 1,
       "column 5 is not one of them", 15},
      {"no match", Lines(1, 2), {"import-ascii", k, text}, 2, "needs --match", 15},
      {"column 0", "", {"import-ascii", k, text, "--match", "0=Last"}, 2, "column from 1 to 255",
       15},
      {"unknown target", "", {"import-ascii", k, text, "--match", "1=Nobody"}, 2,
       "no contact field is called \"Nobody\"", 15},
      {"source field unknown", "", {"import-dbf", k, k, "--match", "NOPE=Last"}, 1, "no field NOPE",
       15},
      {"memo into a name", "", {"import-dbf", k, k, "--match", "MEMO=Last"}, 1,
       "takes fields of type CNL", 15},
      {"into itself", "", {"import-dbf", k, k}, 1, "exclusively", 15},
      {"copy to itself", "", {"copy-out", k, m_dir.path("CONTACTS.DBF"), "--dbf"}, 1,
       "Cannot copy a file to itself!", 15},
      {"copy without a format", "", {"copy-out", k, out}, 2, "--dbf or --ascii", 15},
      {"missing CSV", "", {"import-csv", k, m_dir.path("none.csv")}, 1, "Unable to open the file",
       15},
      {"no such column", "", {"import-csv", k, csv, "--match", "Street=Last"}, 1,
       "no column \"Street\"", 15},
      {"no such target", "", {"import-csv", k, csv, "--match", "Last=Nowhere"}, 2, "--match takes",
       15},
      {"a target twice", "", {"import-csv", k, csv, "--match", "Last=Last,City=Last"}, 1,
       "matched twice", 15},
      {"binary vCard", "", {"import-vcard", k, bin}, 1, "NUL bytes", 15},
      {"CSV of nothing", "", {"export-csv", emptySource, out}, 1, "Nothing to copy", 15},
      {"vCard to itself", "", {"export-vcard", k, k}, 1, "Cannot copy a file to itself!", 15},
      {"CSV export without a file", "", {"export-csv", k}, 2, "usage", 15},
      // Matched by a caption in any case: the city alone, no last name.
      {"CSV matched", "", {"import-csv", k, csv, "--match", "city=City"}, 0,
       "Import complete. Imported 1 records.\n", 16},
  };
  for (const Case& c : cases) {
    if (!c.textBytes.empty()) qvtest::WriteAll(text, c.textBytes);
    const qvtest::RunResult r = cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.what << ": " << r.out;
    EXPECT_EQ(Records(m_contacts), c.records) << c.what;
  }
  EXPECT_EQ(ReadContacts(m_contacts, {"LNAME", "CITY"}).back(), (Fields{{"CITY", "Rome"}}));
}

TEST_F(CliTest, ImportCsvPrintsItsRowRulesAndTellsWhatItCut) {
  const std::string csv = m_dir.path("outlook.csv");
  qvtest::WriteAll(csv,
                   "Last Name,Business Street,Home Street,Home City,E-mail Address\r\n"
                   "Lee,,\"12 Main St\r\nApt 4\",Rome,lee@a-very-long-domain-name.example.com\r\n");
  const qvtest::RunResult r = cli({"import-csv", m_contacts, csv});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out,
            "Last Name -> Last\nBusiness: Business Street -> Street\n"
            "Home: Home Street -> Street; Home City -> City\n"
            "Address: each row takes the first of Business, Home that holds a street\n"
            "E-mail Address -> E-Mail\n"
            "1 value was longer than its field and was cut (EMAIL of record 2, 39 characters into 30).\n"
            "Import complete. Imported 1 records.\n");
  // The line break of a one-line field reads as ", "; the cut value is kept in the memo.
  EXPECT_EQ(ReadContacts(m_contacts, {"STREET", "CITY", "EMAIL", "MEMO"}).back(),
            (Fields{{"STREET", "12 Main St, Apt 4"}, {"CITY", "Rome"},
                    {"EMAIL", "lee@a-very-long-domain-name.ex"},
                    {"MEMO", "EMAIL: lee@a-very-long-domain-name.example.com"}}));
}

TEST_F(CliTest, ImportDbfPrintsTheProposalsOrTakesTheMatchGiven) {
  const std::string source = m_dir.path("source.dbf");
  ASSERT_TRUE(qvtest::MakeTable(source, {{"SURNAME", 'C', 20, 0}, {"PHONE1", 'C', 12, 0},
                                         {"PHONE2", 'C', 12, 0}, {"CODES", 'C', 8, 0},
                                         {"ST", 'C', 2, 0}},
                                {{"v1", "v2", "v3", "v4", "v5"}})
                  .ok());
  qvtest::RunResult r = cli({"import-dbf", m_contacts, source});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out,
            "SURNAME -> Last\nPHONE1 -> Phone\nCODES -> Codes\nST -> State/Province\n"
            "Import complete. Imported 1 records.\n");
  const std::vector<Fields> expected = {{{"LNAME", "Kept"}},
                                        {{"LNAME", "v1"}, {"PHONE", "v2"}, {"STATE", "v5"}}};
  EXPECT_EQ(ReadContacts(m_contacts, {"LNAME", "PHONE", "ZIP", "STATE"}), expected);
  r = cli({"import-dbf", m_contacts, source, "--match", "st=state/province,phone1=Phone"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "Import complete. Imported 1 records.\n");
  EXPECT_EQ(ReadContacts(m_contacts, {"STATE", "PHONE"}).back(),
            (Fields{{"STATE", "v5"}, {"PHONE", "v2"}}));
}


// Under a file-size limit the text copy kept 175 of 3,000 lines and still
// said "Copied 3000 records".
TEST_F(CliTest, CopyOutAsciiShortWriteIsAnError) {
  ASSERT_TRUE(WriteContactRows(m_contacts, std::vector<Fields>(3000, {{"LNAME", "Someone"}})));
  const std::string out = m_dir.path("short.txt");
  qvtest::WriteAll(out, "old");
  const qvtest::RunResult r = qvtest::Cli{"ulimit -f 32; trap '' XFSZ; "}(
      {"copy-out", m_contacts, out, "--ascii"}, qvtest::Stderr::kMerge);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("cannot write " + out + ": File too large"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Copied"), std::string::npos) << r.out;
  EXPECT_EQ(qvtest::ReadAll(out), "old");
}

}  // namespace
}  // namespace qv::testing
