// Checks the expression layer against the checker: the printed value of
// expressions on single records of a contact file it made. The count
// shortcut's test counts conditions through an index against this layer's
// own evaluation, record by record.
#include <gtest/gtest.h>

#include "test_support.h"
#include "xbase/expr.h"
#include "xbase/table.h"

namespace {

using qvtest::EscapeTsv;
using qvtest::Oracle;

// LNAME FNAME CITY STATE ZIP FAX PREFIX DATE BEGIN SEQNO MEMO. Names vary in
// case, length and blanks for UPPER and the `-` join; a zero SEQNO makes the
// divisions fail.
const char* const kRows[][11] = {
    {"Brown", "Ann", "Denver", "CO", "80202", "", "", "20200115", "T", "12", "first\\nnote"},
    {"BROWN", "Bob", "denver", "CO", "80203", "555-0101", "", "20191231", "F", "7", ""},
    {"brown", "Cy", "Boulder", "CO", "80301", "", "DELETED", "", "F", "3", ""},
    {"M", "Ivy", "Mesa", "AZ", "85201", "", "", "", "F", "1", ""},
    {"", "Max", "", "", "", "", "", "", "F", "0", ""},
    {"  Leading", "Ned", "Denver", "CO", "80202", "", "", "20000101", "T", "9", ""},
    {"Mason", "Ola", "Denver", "CO", "80205", "", "", "20200615", "F", "31", "a\\tb"},
};

// The checker's answer without its line end.
std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

class ExprOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QV_SKIP_WITHOUT_ORACLE();
    std::string tsv;
    for (const auto& r : kRows) {
      // Into the contact layout: CITY is field 7, FAX 13, PREFIX 15, DATE 17.
      tsv += std::string(r[0]) + '\t' + r[1] + "\t\t\t\t\t" + r[2] + '\t' + r[3] + '\t' + r[4] +
             "\t\t\t\t" + r[5] + "\t\t" + r[6] + "\t\t" + r[7] + '\t' + r[8] + '\t' + r[9] +
             '\t' + r[10] + (r[6][0] == 'D' ? "\t*" : "") + '\n';
    }
    qvtest::WriteAll(dir_ / "rows.tsv", tsv);
    dbf_ = dir_ / "c.dbf";
    Oracle({"make", dbf_, dir_ / "rows.tsv"});
    xb::Status s = xb::Table::Open(dbf_, xb::OpenOptions{false, true}, &table_);
    ASSERT_TRUE(s.ok()) << s.ToString();
    ASSERT_EQ(table_->record_count(), std::size(kRows));
  }

  qvtest::ScratchDir dir_;
  std::string dbf_;
  std::unique_ptr<xb::Table> table_;
};

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
      // Operators, functions and SET EXACT comparisons on literals.
      "\"ab  \"-\"cd \"", "TRIM(LNAME)+\", \"+TRIM(FNAME)", "[abc]+'x'", "10/4", "2^10", "-2^2",
      "2**3", "1+2*3", "(1+2)*3", "8/2/2", "SEQNO/0", "VAL(\"abc\")", "STR(123456,3)",
      "STR(-0.001,6,2)", "STR(1.5)", "ROUND(2.5,0)", "INT(-7.5)", "ABS(-SEQNO)", "DATE-1.5",
      "DTOS(CTOD(\"\"))", "CTOD(\"1/2/50\")", "CTOD(\"02/30/2020\")", "STOD(\"20000229\")",
      "STOD(\"19000229\")", "SUBSTR(\"hello\",2,-1)", "SUBSTR(\"hello\",9)", "LEFT(\"hello\",9)",
      "SPACE(-3)", "STRTRAN(\"aXbXcX\",\"X\",\"-\",2,1)", "STRTRAN(\"aXbXc\",\"X\")",
      "STUFF(\"abc\",9,1,\"X\")", "STUFF(\"abcdef\",2,-1,\"X\")", "AT(\"\",\"abc\")",
      "LTRIM(CHR(9)+\"a\")", "ISALPHA(\"\")", ".T. .AND. .F. .OR. .T.", "!1=2 .and. .f.",
      "\"A\" $ \"ABC\" = .T.", ".Y. = .T.", ".T. > .F.", "EMPTY(\"  \")", "EMPTY(0)",
      "EMPTY(CHR(0))", "EMPTY(\" \"+CHR(13)+CHR(10))", "\"MILLER\" > \"M\"", "\"MILLER\" >= \"M\"",
      "\"M\" < \"MILLER\"", "\"A  \" = \"A\"", "\"A\" = \"A  \"", "\"\" = \"A\"", "\"A\" = \"\"",
      "\"  \" = \"\"", "\"A \" == \"A\"", "\"AB\" <> \"A\"", "\"AB\" # \"A\"", "\"AB\" != \"A\"",
      "\"a\" < \"B\"", "CHR(200) > \"a\"", "\"Brown\" $ \"Browning\"", "\"\" $ \"abc\"",
      "LNAME = \"Brown\"", "LNAME == \"Brown\"", "UPPER(LNAME) = \"BROWN  \"",
      "UPPER(LNAME) <= \"BROWN\"", "\"BROWN\" < UPPER(LNAME)", "UPPER(LNAME) == \"BROWN\"",
      "UPPER(LNAME) > \"B\"",
  };
  const uint32_t recnos[] = {1, 3, 4, 5, 6};
  for (const std::string& text : exprs) {
    std::unique_ptr<xb::Expression> e;
    xb::Status s = xb::Expression::Compile(text, table_->fields(), &e);
    ASSERT_TRUE(s.ok()) << text << ": " << s.ToString();
    for (uint32_t recno : recnos) {
      ASSERT_TRUE(table_->Go(recno).ok());
      for (bool exact : {false, true}) {
        if (exact && e->type() != xb::ValueType::kLogical) continue;
        std::vector<std::string> args = {"eval", dbf_, std::to_string(recno), text};
        if (exact) args.push_back("exact");
        const std::string want = Trimmed(Oracle(args));
        xb::Value v;
        xb::EvalSettings set;
        set.exact = exact;
        s = e->Evaluate(table_->current(), set, &v);
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
