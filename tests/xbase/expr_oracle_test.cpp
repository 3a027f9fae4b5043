// Checks the expression layer against the Harbour-based oracle: counts of
// records matching a condition (SET EXACT on and off, deleted records shown
// and hidden) and the printed value of expressions on single records.
#include <gtest/gtest.h>

#include <fstream>

#include "dbf_test_reader.h"
#include "xbase/expr.h"

namespace {

using qvtest::EscapeTsv;
using qvtest::Oracle;

struct Row {
  const char* lname;
  const char* fname;
  const char* city;
  const char* state;
  const char* zip;
  const char* fax;
  const char* prefix;
  const char* date;
  const char* begin;
  int seqno;
  const char* memo;
  bool deleted;
};

// Names vary in case, length and blanks so that the SET EXACT rules, UPPER
// and the `-` join all get exercised.
const Row kRows[] = {
    {"Brown", "Ann", "Denver", "CO", "80202", "", "", "20200115", "T", 12, "first\\nnote", false},
    {"BROWN", "Bob", "denver", "CO", "80203", "555-0101", "", "20191231", "F", 7, "", false},
    {"brown", "Cy", "Boulder", "CO", "80301", "", "DELETED", "", "F", 3, "", true},
    {"Browning", "Dee", "Denver", "CO", "80202", "", "", "20200101", "T", 44, "", false},
    {"Jones", "Ed", "New York", "NY", "10001", "555-0199", "Dr", "19991231", "F", 5, "", false},
    {"jones", "Flo", "Albany", "NY", "12207", "", "", "20210704", "T", 100, "", false},
    {"Smith", "Gus", "Denver", "co", "80202", "", "deleted", "20200229", "F", 0, "", false},
    {"Miller", "Hal", "Miami", "FL", "33101", "", "", "20050505", "T", 99999, "x", false},
    {"M", "Ivy", "Mesa", "AZ", "85201", "", "", "", "F", 1, "", false},
    {"O'Brien", "Jo", "Boston", "MA", "02101", "", "", "20221111", "T", 17, "", false},
    {"Johnson", "Kay", "Denver", "CO", "80204", "555-0123", "DELETED", "19800101", "F", 23, "", true},
    {"Anderson", "Lu", "Austin", "TX", "73301", "", "", "20200102", "T", 8, "", false},
    {"", "Max", "", "", "", "", "", "", "F", 0, "", false},
    {"  Leading", "Ned", "Denver", "CO", "80202", "", "", "20000101", "T", 9, "", false},
    {"Mason", "Ola", "Denver", "CO", "80205", "", "", "20200615", "F", 31, "a\\tb", false},
    {"Brownson", "Pat", "DENVER", "CO", "80202", "", "", "20190101", "T", 2, "", false},
    {"Zeta", "Quin", "Zion", "IL", "60099", "555-0000", "", "20301231", "F", 55, "", false},
    {"brownie", "Rae", "Denver", "CO", "80202", "", "", "20200101", "T", 6, "", false},
    {"Brown", "Sam", "Denver", "CO", "80206", "", "DELETED", "20201010", "T", 66, "", true},
    {"Jones", "Tia", "Denver", "CO", "80207", "", "", "20111111", "F", 77, "", false},
};

// The checker's answer without its line end.
std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

class ExprOracleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!qvtest::HaveOracle()) return;
    scratch_ = new qvtest::ScratchDir;
    dir_ = new std::string(scratch_->path());
    // Three passes over the rows with small changes give about 60 records.
    std::ofstream tsv(*dir_ + "/rows.tsv");
    for (int pass = 0; pass < 3; ++pass) {
      for (const Row& r : kRows) {
        std::string fname = r.fname;
        if (pass == 1) fname = "x" + fname;
        tsv << r.lname << '\t' << fname << "\t\t\t\t\t" << r.city << '\t' << r.state << '\t'
            << r.zip << "\t\t\t\t" << r.fax << "\t\t" << r.prefix << "\t\t" << r.date << '\t'
            << r.begin << '\t' << r.seqno + pass * 1000 << '\t' << r.memo << '\t'
            << (r.deleted ? "*" : "") << '\n';
      }
    }
    tsv.close();
    dbf_ = new std::string(*dir_ + "/c.dbf");
    Oracle({"make", *dbf_, *dir_ + "/rows.tsv"});
    file_ = new xbtest::DbfFile();
    if (!xbtest::ReadDbf(*dbf_, file_)) file_->records.clear();
    std::string fpt = *dbf_;
    fpt.replace(fpt.size() - 3, 3, "fpt");
    memo_ = new xbtest::FptReader(qvtest::ReadAll(fpt));
  }

  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
    delete dir_;
    delete dbf_;
    delete file_;
    delete memo_;
    dir_ = dbf_ = nullptr;
    file_ = nullptr;
    memo_ = nullptr;
  }

  void SetUp() override {
    QV_SKIP_WITHOUT_ORACLE();
    ASSERT_NE(file_, nullptr);
    ASSERT_GE(file_->records.size(), 60u) << "oracle did not make the contact file";
  }

  xb::RecordRef Ref(size_t i) const {
    xb::RecordRef r;
    r.data = file_->records[i].data();
    r.recno = static_cast<uint32_t>(i + 1);
    r.memo = memo_;
    return r;
  }

  int OurCount(const std::string& text, bool exact, bool hide_deleted) {
    std::unique_ptr<xb::Expression> e;
    xb::Status s = xb::Expression::Compile(text, file_->fields, &e);
    EXPECT_TRUE(s.ok()) << text << ": " << s.ToString();
    if (!s.ok()) return -1;
    xb::EvalSettings set;
    set.exact = exact;
    int n = 0;
    for (size_t i = 0; i < file_->records.size(); ++i) {
      if (hide_deleted && file_->records[i][0] == '*') continue;
      xb::Status err;
      if (e->EvaluateLogical(Ref(i), set, &err)) ++n;
      EXPECT_TRUE(err.ok()) << text << ": " << err.ToString();
    }
    return n;
  }

  static qvtest::ScratchDir* scratch_;
  static std::string* dir_;
  static std::string* dbf_;
  static xbtest::DbfFile* file_;
  static xbtest::FptReader* memo_;
};

qvtest::ScratchDir* ExprOracleTest::scratch_ = nullptr;
std::string* ExprOracleTest::dir_ = nullptr;
std::string* ExprOracleTest::dbf_ = nullptr;
xbtest::DbfFile* ExprOracleTest::file_ = nullptr;
xbtest::FptReader* ExprOracleTest::memo_ = nullptr;

TEST_F(ExprOracleTest, CountsMatchUnderExactAndDeletedSettings) {
  // Each condition as sent to the oracle, and optionally the same condition
  // written with bare " and " the way a filter joins conditions.
  const std::vector<std::pair<std::string, std::string>> conditions = {
      {R"(UPPER(LNAME)="BROWN")", ""},
      {R"(UPPER(LNAME)>"M")", ""},
      {R"(UPPER(LNAME)>="M")", ""},
      {R"(UPPER(LNAME)<"BROWN")", ""},
      {R"(UPPER(LNAME)<="M")", ""},
      {R"(UPPER(LNAME)=="BROWN")", ""},
      {R"(UPPER(LNAME)<>"BROWN")", ""},
      {R"(LNAME="Brown")", ""},
      {R"(LNAME="")", ""},
      {R"(LNAME=" ")", ""},
      {R"("SON"$UPPER(LNAME))", ""},
      {R"(((UPPER(LNAME)="BROWN").or.(UPPER(LNAME)="JONES")))", ""},
      {R"(((UPPER(LNAME)="B").and..not.(UPPER(LNAME)="BROWN")))", ""},
      {R"(DTOS(DATE)>="20200101")", ""},
      {R"(DATE>=CTOD("01/01/2020"))", ""},
      {R"(EMPTY(DATE))", ""},
      {R"(UPPER(PREFIX)<>"DELETED")", ""},
      {R"(EMPTY(FAX))", ""},
      {R"(Recno()=5)", ""},
      {R"(DELETED())", ""},
      {R"(BEGIN)", ""},
      {R"(.not. BEGIN .and. SEQNO > 10)", R"(not BEGIN and SEQNO > 10)"},
      {R"(SEQNO%2=0 .or. SEQNO/7>10)", ""},
      {R"("note"$MEMO)", ""},
      {R"(LEN(TRIM(MEMO))>0)", ""},
      {R"(UPPER(LNAME)="BROWN" .and. UPPER(CITY+STATE)="DENVER" .and. UPPER(PREFIX)<>"DELETED")",
       R"(UPPER(LNAME)="BROWN" and UPPER(CITY+STATE)="DENVER" and UPPER(PREFIX)<>"DELETED")"},
      {R"(UPPER(CITY)="DENVER" .and. STATE="CO" .or. UPPER(LNAME)="JONES")",
       R"(UPPER(CITY)="DENVER" and STATE="CO" or UPPER(LNAME)="JONES")"},
      {R"(LNAME-FNAME="Brown")", ""},
      {R"(UPPER(LNAME-FNAME)>"BROWNB")", ""},
      {R"(STR(SEQNO,6,0)+STATE+ZIP>"   100")", ""},
      {R"(ALLTRIM(LNAME)=="Brown")", ""},
      {R"(SUBSTR(UPPER(LNAME),2,3)="ROW")", ""},
      {R"(LEFT(ZIP,3)="802" .and. YEAR(DATE)=2020)", ""},
  };
  for (const auto& [oracle_text, bare] : conditions) {
    for (int mode = 0; mode < 4; ++mode) {
      bool exact = (mode & 1) != 0;
      bool hide = (mode & 2) != 0;
      std::vector<std::string> args = {"count", *dbf_, oracle_text};
      if (exact) args.push_back("exact");
      if (hide) args.push_back("deleted");
      const std::string want = Trimmed(Oracle(args));
      SCOPED_TRACE(oracle_text + (exact ? " [exact]" : "") + (hide ? " [deleted]" : ""));
      EXPECT_EQ(std::to_string(OurCount(oracle_text, exact, hide)), want);
      if (!bare.empty()) {
        EXPECT_EQ(std::to_string(OurCount(bare, exact, hide)), want) << bare;
      }
    }
  }
}

TEST_F(ExprOracleTest, ValuesPrintAsTheOraclePrintsThem) {
  const std::vector<std::string> exprs = {
      "LNAME-FNAME", "UPPER(LNAME-FNAME)", "STR(SEQNO,6,0)+STATE+ZIP", "UPPER(CITY+STATE)",
      "SEQNO", "SEQNO/7", "SEQNO*1.5", "SEQNO%5", "SEQNO+1", "-SEQNO", "SEQNO/4", "24/SEQNO",
      "SEQNO*SEQNO", "SEQNO*0.1", "SEQNO+0.25", "SEQNO/7*7", "SEQNO^2", "-SEQNO^2", "SEQNO-1.5",
      "STR(SEQNO)", "STR(SEQNO+1)", "STR(SEQNO/7)", "STR(SEQNO*1.5)", "STR(-SEQNO)",
      "STR(SEQNO,3)", "STR(SEQNO,8,2)", "STR(SEQNO/7,5)", "STR(SEQNO/7,6,3)", "STR(SEQNO,0)",
      "STR(INT(SEQNO))", "STR(ABS(SEQNO/7))", "STR(ROUND(SEQNO/7,1))", "ROUND(SEQNO/7,3)",
      "INT(SEQNO/7)", "MAX(SEQNO,3.5)", "MIN(SEQNO,3.5)", "STR(MAX(SEQNO,3.5))",
      "DATE", "DATE+1", "DATE-1", "1+DATE", "DATE-DATE", "DATE-CTOD(\"01/01/2020\")",
      "STR(DATE-CTOD(\"01/01/2020\"))", "DTOS(DATE)", "DTOC(DATE)", "YEAR(DATE)", "MONTH(DATE)",
      "DAY(DATE)", "STR(YEAR(DATE))", "STR(DAY(DATE))", "EMPTY(DATE)", "DATE+1.5",
      "MAX(DATE,CTOD(\"06/30/2020\"))", "BEGIN", ".NOT. BEGIN", "MEMO", "LEN(MEMO)", "UPPER(MEMO)",
      "DELETED()", "RECNO()", "STR(RECNO())", "TRIM(LNAME)+\"|\"", "LTRIM(LNAME)+\"|\"",
      "ALLTRIM(LNAME)+\"|\"", "SUBSTR(LNAME,2,3)", "SUBSTR(LNAME,-3)", "SUBSTR(LNAME,0,2)",
      "LEFT(LNAME,3)", "RIGHT(TRIM(LNAME),2)", "LEN(TRIM(LNAME))", "AT(\"o\",LNAME)",
      "RAT(\"n\",LNAME)", "PADR(TRIM(LNAME),8,\"*\")", "PADL(TRIM(FNAME),6)",
"PADL(SEQNO/7,8)", "PADR(DATE,12)", "REPLICATE(STATE,2)",
      "STRTRAN(LNAME,\"o\",\"0\")", "STRTRAN(LNAME,\"o\",\"<>\",2)", "STUFF(LNAME,2,3,\"XY\")", "CTOD(\"\")+1", "DTOC(CTOD(\"\")+1)",
      "STOD(\"99991231\")+1", "STOD(\"00010101\")-1", "DATE-1 < CTOD(\"\")",
      "ISALPHA(LNAME)", "ISDIGIT(ZIP)", "VAL(ZIP)", "VAL(ZIP)/1000", "STR(VAL(ZIP))",
      "VAL(\"1.50\")", "VAL(\"-1.5x\")", "STR(VAL(\"  1.5\"))", "IIF(SEQNO>10,\"big\",\"small\")",
      "IIF(BEGIN,SEQNO,SEQNO/3)", "LOWER(CITY)", "UPPER(LNAME)>\"M\"", "UPPER(LNAME)>=\"M\"",
      "LNAME=\"Brown \"", "TRIM(LNAME)==\"Brown\"", "\"ow\"$LNAME", "EMPTY(FAX)", "EMPTY(SEQNO)",
      "CTOD(\"1/2/49\")", "CTOD(\"13/01/2020\")", "DTOS(STOD(\"20200230\"))",
      "SPACE(3)+STATE", "STR(3.14159,8,2)", "STR(2.675,6,2)", "STR(-1.5,4,2)", "0.1+0.2",
      "ROUND(1.005,2)", "ROUND(-2.5,0)", "ROUND(1234.5678,-2)", "12/4", "7%2", "-7%2", "1/3*3",
      "99999*99999", "SEQNO*1000000000", "CHR(65)+STATE", "ASC(LNAME)", "FIELD->ZIP", "T->CITY",
  };
  const size_t recnos[] = {1, 3, 9, 13, 14};
  for (const std::string& text : exprs) {
    std::unique_ptr<xb::Expression> e;
    xb::Status s = xb::Expression::Compile(text, file_->fields, &e);
    ASSERT_TRUE(s.ok()) << text << ": " << s.ToString();
    for (size_t recno : recnos) {
      for (bool exact : {false, true}) {
        if (exact && e->type() != xb::ValueType::kLogical) continue;
        std::vector<std::string> args = {"eval", *dbf_, std::to_string(recno), text};
        if (exact) args.push_back("exact");
        const std::string want = Trimmed(Oracle(args));
        xb::Value v;
        xb::EvalSettings set;
        set.exact = exact;
        s = e->Evaluate(Ref(recno - 1), set, &v);
        if (want.rfind("error:", 0) == 0) {  // e.g. a division by a zero SEQNO
          EXPECT_FALSE(s.ok()) << text << " on record " << recno << ": oracle says " << want;
          continue;
        }
        ASSERT_TRUE(s.ok()) << text << ": " << s.ToString();
        std::string got = std::string(1, static_cast<char>(v.type)) + "\t" + EscapeTsv(xb::ShowValue(v));
        EXPECT_EQ(got, want) << text << " on record " << recno << (exact ? " [exact]" : "");
      }
    }
  }
}

}  // namespace
