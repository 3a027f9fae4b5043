// Tables other programs wrote, built byte by byte as their writers lay them
// out: values read as those writers meant them, and tables once refused
// open.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "test_support.h"
#include "xbase/expr.h"
#include "xbase/index_check.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::ScratchDir;
using qvtest::WriteAll;

struct RawField {
  std::string name;
  char type;
  int len;
  int dec = 0;
  uint8_t flags = 0;  // Visual FoxPro: 0x01 system, 0x02 nullable
};

void Put32(std::string* s, size_t at, uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = char(v >> (big ? 24 - 8 * i : 8 * i));
}

std::string Le(uint32_t v) { std::string s(4, '\0'); Put32(&s, 0, v, false); return s; }
std::string Be(uint32_t v) { std::string s(4, '\0'); Put32(&s, 0, v, true); return s; }

// A table as FoxPro, dBASE III/IV or (signature 0x04) dBASE 7 lays it out;
// each record is the bytes after the deletion flag.
std::string RawTable(uint8_t sig, const std::vector<RawField>& fields,
                     const std::vector<std::string>& records) {
  const bool db7 = sig == 0x04 || sig == 0x8C;
  const size_t start = db7 ? 68 : 32, desc = db7 ? 48 : 32;
  std::string h(start + fields.size() * desc + 1, '\0');
  h[0] = char(sig);
  size_t rl = 1;
  for (const RawField& f : fields) rl += f.len;
  Put32(&h, 4, static_cast<uint32_t>(records.size()), false);
  h[8] = char(h.size() & 0xFF), h[9] = char(h.size() >> 8);
  h[10] = char(rl & 0xFF), h[11] = char(rl >> 8);
  for (size_t i = 0; i < fields.size(); ++i) {
    char* d = &h[start + i * desc];
    std::memcpy(d, fields[i].name.data(), fields[i].name.size());
    d[db7 ? 32 : 11] = fields[i].type;
    d[db7 ? 33 : 16] = char(fields[i].len);
    d[db7 ? 34 : 17] = char(fields[i].dec);
    if (!db7) d[18] = char(fields[i].flags);
  }
  h.back() = 0x0D;
  for (const std::string& r : records) {
    EXPECT_EQ(r.size() + 1, rl);
    h += ' ' + r;
  }
  return h + '\x1A';
}

class ForeignTableTest : public ::testing::Test {
 protected:
  std::unique_ptr<Table> Open(const std::string& bytes, const std::string& name = "t.dbf") {
    WriteAll(dir / name, bytes);
    std::unique_ptr<Table> t;
    OpenOptions o;
    o.read_only = true;
    Status s = Table::Open(dir / name, o, &t);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return t;
  }
  // Field `name` of record `recno` as dump shows it.
  static std::string Shown(Table& t, uint32_t recno, const std::string& name) {
    EXPECT_TRUE(t.Go(recno).ok());
    const FieldInfo& f = t.fields()[t.FieldIndex(name)];
    Value v;
    Status s = FieldValue(f, t.current().field(f), &t, &v);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return ShowValue(v);
  }
  static std::string Eval(Table& t, uint32_t recno, const std::string& expr) {
    std::unique_ptr<Expression> e;
    Status s = Expression::Compile(expr, t.fields(), &e);
    EXPECT_TRUE(s.ok()) << expr << ": " << s.ToString();
    if (!s.ok()) return "";
    EXPECT_TRUE(t.Go(recno).ok());
    Value v;
    EXPECT_TRUE(e->Evaluate(t.current(), EvalSettings(), &v).ok());
    return ShowValue(v);
  }
  ScratchDir dir;
};

TEST_F(ForeignTableTest, NumbersInENotationReadAsTheirValues) {
  auto num = [](std::string area, std::string len) {
    return std::string(19 - area.size(), ' ') + area + std::string(12 - len.size(), ' ') + len;
  };
  auto t = Open(RawTable(0x03, {{"AREA", 'N', 19, 11}, {"LEN", 'F', 12, 3}},
                         {num("1.111049000E-01", "1.429E+03"), num("-2.500000000e-02", "12.5")}));
  ASSERT_TRUE(t);
  EXPECT_EQ(Shown(*t, 1, "AREA"), "0.11110490000");
  EXPECT_EQ(Shown(*t, 1, "LEN"), "1429.000");
  EXPECT_EQ(Shown(*t, 2, "AREA"), "-0.02500000000");
  EXPECT_EQ(Eval(*t, 1, "AREA < 1 .AND. LEN > 1000"), "T");
  EXPECT_EQ(Eval(*t, 2, "STR(LEN, 6, 1)"), "  12.5");
}

TEST_F(ForeignTableTest, DateTimesKeepTheirTimeInDumpAndExpressions) {
  const uint32_t day = static_cast<uint32_t>(JulianFromYmd(2026, 12, 9));
  const uint32_t ms = ((15 * 60 + 56) * 60 + 27) * 1000;
  auto t = Open(RawTable(0x30, {{"AT", 'T', 8}},
                         {Le(day) + Le(ms + 123), Le(day) + Le(ms), std::string(8, '\0')}));
  ASSERT_TRUE(t);
  struct Case {
    uint32_t recno;
    std::string expr, want;
  } cases[] = {
      {1, "AT", "2026-12-09 15:56:27.123"},
      {2, "AT", "2026-12-09 15:56:27"},
      {3, "AT", ""},
      {2, "TTOC(AT)", "12/09/2026 03:56:27 PM"},
      {2, "TTOC(AT, 1)", "20261209155627"},
      {2, "DTOS(AT)", "20261209"},
      {2, "TTOD(AT) = STOD(\"20261209\")", "T"},
      {2, "AT > STOD(\"20261209\")", "T"},
      {2, "EMPTY(AT)", "F"},
      {3, "EMPTY(AT)", "T"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(*t, c.recno, c.expr), c.want) << c.expr;
  EXPECT_EQ(Shown(*t, 1, "AT"), "2026-12-09 15:56:27.123");
}

TEST_F(ForeignTableTest, VarcharVarbinaryAndNullsFollowNullFlags) {
  // Bits: NAME's length bit 0, DATA's length bit 1, CODE's null bit 2.
  auto record = [](std::string name, std::string data, std::string code, char flags) {
    return name + data + code + std::string(1, flags);
  };
  auto t = Open(RawTable(0x32,
                         {{"NAME", 'V', 10}, {"DATA", 'Q', 4}, {"CODE", 'C', 3, 0, 0x02},
                          {"_NullFlags", '0', 1, 0, 0x05}},
                         {record("Test      " , std::string("\x01\x02\x03\x04", 4), "ABC", 0),
                          record(std::string("Test\0\0\0\0\0\x04", 10),
                                 std::string("\x07\0\0\x01", 4), "   ", 0x07)}));
  ASSERT_TRUE(t);
  ASSERT_EQ(t->fields().size(), 3u);  // _NullFlags is not a field to offer
  EXPECT_EQ(Eval(*t, 1, "NAME"), "Test      ");
  EXPECT_EQ(Eval(*t, 2, "NAME + \"|\""), "Test|");
  EXPECT_EQ(Shown(*t, 2, "DATA"), "\x07");
  EXPECT_EQ(Eval(*t, 1, "ISNULL(CODE)"), "F");
  EXPECT_EQ(Eval(*t, 2, "ISNULL(CODE)"), "T");
  EXPECT_EQ(Eval(*t, 2, "ISNULL(NAME)"), "F");
  EXPECT_EQ(Shown(*t, 2, "CODE"), "");
}

TEST_F(ForeignTableTest, BlobsReadAsBytesAndPointersIntoTheHeaderReadEmpty) {
  // FPT: 512-byte header, 64-byte blocks; one binary value in block 8.
  std::string fpt(512, '\0');
  Put32(&fpt, 0, 9, true);
  fpt[7] = 64;
  std::string blob("\x00\x01\xFF" "bin", 6);
  std::string block = Be(2) + Be(static_cast<uint32_t>(blob.size())) + blob;
  fpt += block + std::string(64 - block.size(), '\0');
  WriteAll(dir / "t.fpt", fpt);
  auto t = Open(RawTable(0x30, {{"PIC", 'G', 4}, {"RAW", 'W', 4}},
                         {Le(8) + Le(8), Le(0) + Le(0), Le(1) + Le(8)}));
  ASSERT_TRUE(t);
  EXPECT_EQ(Shown(*t, 1, "PIC"), blob);
  EXPECT_EQ(Shown(*t, 1, "RAW"), blob);
  EXPECT_EQ(Shown(*t, 2, "RAW"), "");
  EXPECT_EQ(t->memo_notice(), "");
  EXPECT_EQ(Shown(*t, 3, "PIC"), "");
  EXPECT_EQ(Shown(*t, 3, "RAW"), blob);
  EXPECT_NE(t->memo_notice().find("(block 1)"), std::string::npos) << t->memo_notice();
}

TEST_F(ForeignTableTest, TablesOnceRefusedOpen) {
  auto none = Open(RawTable(0x03, {}, {"", "", ""}));
  ASSERT_TRUE(none);
  EXPECT_EQ(none->record_count(), 3u);
  EXPECT_TRUE(none->fields().empty());

  auto twice = Open(RawTable(0x03, {{"POINT_ID", 'N', 3}, {"POINT_ID", 'N', 3}, {"X", '7', 2}},
                             {"  1  2ab"}),
                    "twice.dbf");
  ASSERT_TRUE(twice);
  ASSERT_EQ(twice->fields().size(), 3u);
  EXPECT_EQ(twice->fields()[1].name, "POINT_ID (2)");
  EXPECT_EQ(twice->FieldIndex("point_id"), 0);
  EXPECT_EQ(Eval(*twice, 1, "POINT_ID"), "1");
  EXPECT_EQ(Shown(*twice, 1, "POINT_ID (2)"), "2");
  EXPECT_FALSE(KnownFieldType(twice->fields()[2].type));
  EXPECT_EQ(Shown(*twice, 1, "X"), "ab");  // an unknown type: its bytes

  std::vector<RawField> many;
  for (int i = 0; i < 282; ++i) many.push_back({"F" + std::to_string(i), 'N', 1});
  auto wide = Open(RawTable(0x03, many, {std::string(281, ' ') + "7"}), "wide.dbf");
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->fields().size(), 282u);
  EXPECT_EQ(Shown(*wide, 1, "F281"), "7");
}

TEST_F(ForeignTableTest, Dbase7FieldsReadByThePublishedLayout) {
  // I and + big-endian with the sign bit flipped ("0 negative"), O a
  // double kept sortable the same way, @ two longs: Julian day, ms.
  auto sortable = [](double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    bits = (bits >> 63) ? ~bits : bits ^ (1ull << 63);
    return Be(static_cast<uint32_t>(bits >> 32)) + Be(static_cast<uint32_t>(bits));
  };
  const std::string name = "A_FIELD_NAME_OF_THIRTY_ONE_CHRS";
  const uint32_t day = static_cast<uint32_t>(JulianFromYmd(1999, 12, 31));
  auto t = Open(RawTable(0x04,
                         {{name, 'C', 3}, {"Count", 'I', 4}, {"ID", '+', 4}, {"Ratio", 'O', 8},
                          {"Stamp", '@', 8}},
                         {"abc" + Be(0x80000000u - 5) + Be(0x80000002u) + sortable(-2.5) +
                              Be(day) + Be(((23 * 60 + 59) * 60 + 58) * 1000),
                          "   " + Be(0x80000000u + 70000) + Be(0x80000003u) + sortable(0.125) +
                              std::string(8, '\0')}));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->fields()[0].name, name);
  EXPECT_EQ(Shown(*t, 1, name), "abc");
  EXPECT_EQ(Shown(*t, 1, "COUNT"), "-5");
  EXPECT_EQ(Shown(*t, 2, "COUNT"), "70000");
  EXPECT_EQ(Shown(*t, 2, "ID"), "3");
  EXPECT_EQ(Eval(*t, 1, "RATIO = -2.5"), "T");
  EXPECT_EQ(Eval(*t, 2, "RATIO = 0.125"), "T");
  EXPECT_EQ(Shown(*t, 1, "STAMP"), "1999-12-31 23:59:58");
  EXPECT_EQ(Shown(*t, 2, "STAMP"), "");
}

// FoxPro's integer keys and node flags: a tag xbcheck verifies is sound.
TEST_F(ForeignTableTest, VisualFoxProIntegerTagsCheckSound) {
  std::string corpus = QV_XBCHECK;
  corpus.resize(corpus.size() - std::strlen("tools/xbcheck/xbcheck"));
  const std::string from = corpus + "data/foreign-dbf/70/";
  if (!std::filesystem::exists(from + "setup.dbf")) GTEST_SKIP() << "no " << from;
  std::filesystem::copy_file(from + "setup.dbf", dir / "setup.dbf");
  std::filesystem::copy_file(from + "setup.CDX", dir / "setup.CDX");
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir / "setup.dbf", OpenOptions(), &t).ok());
  std::vector<TagCheck> tags;
  ASSERT_TRUE(CheckIndex(*t, dir / "setup.CDX", &tags).ok());
  ASSERT_FALSE(tags.empty());
  for (const TagCheck& c : tags) EXPECT_TRUE(c.ok) << c.name << ": " << c.problem;
}

}  // namespace
}  // namespace xb
