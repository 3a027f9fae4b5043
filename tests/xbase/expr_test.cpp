// Expression semantics on hand-built records where the checker cannot be
// asked: fields with decimals and binary types, bare-word operators,
// compile errors and their positions, limits, allocations and nesting.
// Values, dates and SET EXACT rules are compared with the checker.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <tuple>

#include "xbase/expr.h"

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Counts heap allocations so a test can show that evaluating record after
// record allocates nothing once the scratch buffers have grown.
static long g_allocations = 0;

void* operator new(size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

// Fields laid out one after another from byte 1, as a table would.
std::vector<xb::FieldInfo> Layout(const std::vector<std::tuple<std::string, char, int, int>>& defs) {
  std::vector<xb::FieldInfo> fields;
  uint32_t offset = 1;
  for (const auto& [name, type, width, decimals] : defs) {
    xb::FieldInfo f;
    f.name = name;
    f.type = type;
    f.width = static_cast<uint16_t>(width);
    f.decimals = static_cast<uint8_t>(decimals);
    f.offset = offset;
    offset += f.width;
    fields.push_back(f);
  }
  return fields;
}

// A blank record with `values` stored by field name, numbers right-aligned.
std::string MakeRecord(const std::vector<xb::FieldInfo>& fields,
                       const std::map<std::string, std::string>& values) {
  std::string rec(fields.back().offset + fields.back().width, ' ');
  for (const xb::FieldInfo& f : fields) {
    auto it = values.find(f.name);
    if (it == values.end()) continue;
    std::string v = it->second.substr(0, f.width);
    if (f.type == 'N') v.insert(0, f.width - v.size(), ' ');
    rec.replace(f.offset, v.size(), v);
  }
  return rec;
}

class FakeMemo : public xb::MemoReader {
 public:
  xb::Status ReadMemo(std::string_view field_bytes, std::string* out) override {
    if (field_bytes.find('9') != std::string_view::npos) return xb::Status::Corruption("bad block");
    out->assign(field_bytes.find('1') != std::string_view::npos ? "memo text" : "");
    return xb::Status::OK();
  }
};

class ExprTest : public ::testing::Test {
 protected:
  ExprTest()
      : fields_(Layout({{"LNAME", 'C', 30, 0}, {"FNAME", 'C', 20, 0}, {"CITY", 'C', 15, 0},
                        {"STATE", 'C', 2, 0}, {"SEQNO", 'N', 6, 0}, {"AMOUNT", 'N', 8, 2},
                        {"BDAY", 'D', 8, 0}, {"ACTIVE", 'L', 1, 0}, {"NOTES", 'C', 10, 0},
                        {"ORG", 'C', 10, 0}, {"MEMO", 'M', 10, 0}})),
        rec_(MakeRecord(fields_, {{"LNAME", "Smith"}, {"FNAME", "John"}, {"CITY", "Denver"},
                                  {"STATE", "CO"}, {"SEQNO", "12"}, {"AMOUNT", "12.50"},
                                  {"BDAY", "20200115"}, {"ACTIVE", "T"}, {"NOTES", "hello"},
                                  {"ORG", "Acme"}, {"MEMO", "         1"}})) {}

  xb::RecordRef Ref() {
    xb::RecordRef r;
    r.data = rec_.data();
    r.recno = 5;
    r.memo = &memo_;
    return r;
  }

  // "T<tab>value" as the oracle prints it, or "error: message".
  std::string Eval(const std::string& text, bool exact = false) {
    std::unique_ptr<xb::Expression> e;
    xb::Status s = xb::Expression::Compile(text, fields_, &e);
    if (!s.ok()) return "error: " + s.message();
    xb::Value v;
    xb::EvalSettings set;
    set.exact = exact;
    s = e->Evaluate(Ref(), set, &v);
    if (!s.ok()) return "error: " + s.message();
    return std::string(1, static_cast<char>(v.type)) + "\t" + xb::ShowValue(v);
  }

  std::vector<xb::FieldInfo> fields_;
  std::string rec_;
  FakeMemo memo_;
};

TEST_F(ExprTest, OperatorsFunctionsAndBareWords) {
  // The rest of the operators and functions are compared with the checker.
  const std::vector<std::pair<std::string, std::string>> cases = {
      // A field with decimals: products add decimals, sums keep the larger count.
      {"AMOUNT*2", "N\t25.00"}, {"AMOUNT+1", "N\t13.50"}, {"-AMOUNT", "N\t-12.50"},
      {"STR(AMOUNT)", "C\t   12.50"},
      // Only a-z change case; the checker has no PADC.
      {"UPPER(\"a\xc3\x9f" "b\")", "C\tA\xc3\x9f" "B"}, {"LOWER(\"ABC\xc3\x84\")", "C\tabc\xc3\x84"},
      {"PADC(\"ab\",5)", "C\t ab  "}, {"DATE()>=CTOD(\"01/01/2024\")", "L\tT"},
      // Bare-word operators, between blanks only.
      {"NOTES=\"hello\" and ORG=\"Acme\"", "L\tT"}, {"ORG=\"X\" or NOTES=\"hello\"", "L\tT"},
      {"not ORG=\"X\"", "L\tT"}, {"UPPER(NOTES)=\"HELLO\" AND not (ORG = \"X\")", "L\tT"},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(Eval(text), want) << text;
  EXPECT_EQ(Eval("ORG=\"Acme\"and NOTES=\"x\"").rfind("error: syntax error", 0), 0u);
}

TEST_F(ExprTest, CompileErrorsNameThePosition) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"UPPER(LNAME)=ZAP", "unknown field ZAP at position 14"},
      {"FOO(1)", "unknown function FOO at position 1"},
      {"SUBSTR(LNAME)", "SUBSTR takes 2 to 3 arguments, not 1, at position 1"},
      {"UPPER(SEQNO)", "UPPER argument 1 must not be numeric at position 7"},
      {"LNAME+SEQNO", "operator + cannot combine character and numeric at position 6"},
      {"(LNAME", "syntax error at position 7: ')' expected"},
      {"UPPER(LNAME)=\"O\"BRIEN\"", "syntax error at position 22: string is not closed"},
      {"'abc", "syntax error at position 1: string is not closed"},
      {"1 +", "syntax error at position 4: value expected"},
      {"SEQNO & 1", "syntax error at position 7: unexpected character '&'"},
      {".NOT. SEQNO", ".NOT. needs a logical operand, not numeric at position 1"},
      {"IIF(.T.,1,\"a\")", "IIF needs both branches of one type"},
      {"  ", "empty"},
      {"SEQNO^--SEQNO", "syntax error at position 7: '--' is not allowed"},
  };
  for (const auto& [text, want] : cases) {
    std::unique_ptr<xb::Expression> e;
    xb::Status s = xb::Expression::Compile(text, fields_, &e);
    EXPECT_TRUE(s.IsInvalidArgument()) << text;
    EXPECT_NE(s.message().find(want), std::string::npos) << text << " gave " << s.message();
  }
}

TEST_F(ExprTest, RuntimeLimitsGiveErrorsNotGiantStrings) {
  for (const char* text : {"SPACE(1000000000000)", "REPLICATE(LNAME,100000)", "STR(1,1000000000)",
                           "PADR(\"a\",70000)", "LNAME+SPACE(65535)", "STUFF(LNAME,1,0,SPACE(65530))",
                           "LEN(REPLICATE(SPACE(2306),4000000000000000))"}) {
    EXPECT_EQ(Eval(text).rfind("error: ", 0), 0u) << text;
  }
  // A long chain of joins is refused when run, having reserved nothing.
  std::string chain = "SPACE(65535)";
  for (int i = 1; i < 999; ++i) chain += "-SPACE(65535)";
  EXPECT_EQ(Eval(chain).rfind("error: ", 0), 0u);
  EXPECT_EQ(Eval("SUBSTR(LNAME,1,1000000000000)"), "C\tSmith" + std::string(25, ' '));
  EXPECT_EQ(Eval("LEFT(LNAME,-(10^300))"), "C\t");
  // A memo that cannot be read fails the evaluation instead of matching.
  std::string bad = rec_;
  std::memcpy(&bad[fields_[10].offset], "         9", 10);
  std::unique_ptr<xb::Expression> e;
  ASSERT_TRUE(xb::Expression::Compile("\"memo\"$MEMO", fields_, &e).ok());
  xb::RecordRef r = Ref();
  r.data = bad.data();
  xb::Status err;
  EXPECT_FALSE(e->EvaluateLogical(r, xb::EvalSettings(), &err));
  EXPECT_TRUE(err.IsInvalidArgument());
}

TEST_F(ExprTest, SteadyStateEvaluationDoesNotAllocate) {
  const char* texts[] = {
      "UPPER(LNAME)=\"SMITH\" .and. UPPER(NOTES)<>\"DELETED\"",
      "UPPER(LNAME)+UPPER(FNAME)",
      "STR(SEQNO,6,0)+STATE+DTOS(BDAY)+LNAME-FNAME",
      "PADL(SEQNO/7,12)+STRTRAN(CITY,\"e\",\"EE\")+UPPER(MEMO)",
      "VAL(STATE)+AMOUNT*2 > 3 .or. \"x\"$LOWER(TRIM(CITY))",
  };
  std::string other = MakeRecord(fields_, {{"LNAME", "Jones"}, {"SEQNO", "7"}});
  for (const char* text : texts) {
    std::unique_ptr<xb::Expression> e;
    ASSERT_TRUE(xb::Expression::Compile(text, fields_, &e).ok()) << text;
    xb::Value v;
    xb::EvalSettings set;
    xb::RecordRef a = Ref(), b = Ref();
    b.data = other.data();
    ASSERT_TRUE(e->Evaluate(a, set, &v).ok());  // warm-up grows the buffers
    ASSERT_TRUE(e->Evaluate(b, set, &v).ok());
    long before = g_allocations;
    for (int i = 0; i < 100; ++i) {
      ASSERT_TRUE(e->Evaluate(i % 2 ? a : b, set, &v).ok());
      if (e->type() == xb::ValueType::kLogical) {
        xb::Status err;
        e->EvaluateLogical(a, set, &err);
        ASSERT_TRUE(err.ok());
      }
    }
    EXPECT_EQ(g_allocations, before) << text;
  }
}

TEST(FieldValueTest, DecodesEveryFieldType) {
  // Plain C, N, D, L and M fields are compared with the checker on its file.
  double two_and_half = 2.5;
  std::string dbl(8, '\0');
  std::memcpy(dbl.data(), &two_and_half, 8);
  FakeMemo memo;
  const struct {
    char type;
    int width, decimals;
    std::string bytes;
    const char* want;  // type letter and text, or "error" when it cannot be read
    xb::MemoReader* memo = nullptr;
  } cases[] = {
      {'N', 8, 2, "   -3.25", "N-3.25"},
      {'N', 6, 0, "      ", "N0"},
      {'F', 10, 3, "     1.500", "N1.500"},
      {'D', 8, 0, "2020x115", "D        "},
      {'L', 1, 0, "y", "LT"},
      {'L', 1, 0, "?", "LF"},
      {'M', 10, 0, "         9", "error", &memo},  // an unreadable memo is no blank
      {'M', 10, 0, "         1", "C"},
      {'I', 4, 0, std::string("\xD6\xFF\xFF\xFF", 4), "N-42"},
      {'Y', 8, 4, std::string("\x40\xE2\x01\0\0\0\0\0", 8), "N12.3456"},
      // JD 2451545 is 2000-01-01; 256 days later.
      {'T', 8, 0, std::string("\x59\x69\x25\0\x01\0\0\0", 8), "T2000-09-13 00:00:00.001"},
      {'B', 8, 2, dbl, "N2.50"},
      {'I', 4, 0, "ab", "N0"},  // short bytes: no overread
  };
  for (const auto& c : cases) {
    xb::FieldInfo f;
    f.type = c.type;
    f.width = static_cast<uint16_t>(c.width);
    f.decimals = static_cast<uint8_t>(c.decimals);
    xb::Value v;
    const bool ok = xb::FieldValue(f, c.bytes, c.memo, &v).ok();
    EXPECT_EQ(ok ? std::string(1, static_cast<char>(v.type)) + xb::ShowValue(v) : "error", c.want)
        << c.type << " [" << c.bytes << "]";
    if (c.type == 'N' && ok) {
      EXPECT_EQ(v.width, c.width);
    }
  }
}

// Mutated and random conditions go through the fuzz driver (tests/fuzz).
TEST_F(ExprTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  const std::vector<std::string> deep = {
      std::string(10000, '(') + "1" + std::string(10000, ')'),
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "- "; return s + "1"; }(),
      [] { std::string s; for (int i = 0; i < 5000; ++i) s += ".NOT."; return s + ".T."; }(),
      [] { std::string s; for (int i = 0; i < 5000; ++i) s += "not "; return s + ".T."; }(),
      [] { std::string s = "1"; for (int i = 0; i < 5000; ++i) s += "+1"; return s; }(),
      [] { std::string s; for (int i = 0; i < 10000; ++i) s += "UPPER("; return s + "LNAME"; }(),
  };
  for (const std::string& text : deep) {
    std::unique_ptr<xb::Expression> e;
    xb::Status s = xb::Expression::Compile(text, fields_, &e);
    EXPECT_TRUE(s.IsInvalidArgument()) << text.substr(0, 20);
    EXPECT_NE(s.message().find("nested too deeply"), std::string::npos) << s.message();
  }
}

}  // namespace
