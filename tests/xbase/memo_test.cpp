// Memo files and tables from other writers: dBASE III/IV with DBT, Visual
// FoxPro with binary memo pointers and hidden fields, Clipper wide
// character fields, and damaged memo pointers and lengths. The files are
// built byte by byte here from the published layouts, not by our writer,
// but for a LibreOffice export kept under tests/data.
#include <gtest/gtest.h>

#include "test_support.h"
#include "xbase/expr.h"
#include "xbase/table.h"

namespace xb {
namespace {

using qvtest::ReadAll;
using qvtest::ScratchDir;
using qvtest::WriteAll;

struct RawField {
  std::string name;
  char type;
  uint8_t len;
  uint8_t dec = 0;
  uint8_t flags = 0;
};

std::string LE(uint32_t v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}
std::string BE(uint32_t v, int n) {
  const std::string le = LE(v, n);
  return std::string(le.rbegin(), le.rend());
}

std::string RawDbf(uint8_t sig, const std::vector<RawField>& fields,
                   const std::vector<std::string>& records, size_t after_terminator = 0) {
  uint32_t rl = 1;
  for (const RawField& f : fields) rl += f.len + (f.type == 'C' ? f.dec * 256 : 0);
  uint32_t hl = static_cast<uint32_t>(32 + 32 * fields.size() + 1 + after_terminator);
  std::string h(32, '\0');
  h[0] = static_cast<char>(sig);
  h[1] = 99, h[2] = 12, h[3] = 31;
  h.replace(4, 4, LE(static_cast<uint32_t>(records.size()), 4));
  h.replace(8, 2, LE(hl, 2));
  h.replace(10, 2, LE(rl, 2));
  for (const RawField& f : fields) {
    std::string d(32, '\0');
    d.replace(0, f.name.size(), f.name);
    d[11] = f.type;
    d[16] = static_cast<char>(f.len);
    d[17] = static_cast<char>(f.dec);
    d[18] = static_cast<char>(f.flags);
    h += d;
  }
  h += '\x0D';
  h += std::string(after_terminator, '\0');
  for (const std::string& r : records) h += r;
  return h + '\x1A';
}

std::string MemoOf(Table* t, uint32_t recno, int field) {
  std::string text;
  EXPECT_TRUE(t->Go(recno).ok());
  Status s = t->GetMemo(field, &text);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return text;
}

TEST(ForeignTables, DbaseThreeWithDbtMemos) {
  ScratchDir dir;
  WriteAll(dir / "D3.DBF",
           RawDbf(0x83, {{"NAME", 'C', 4}, {"NOTES", 'M', 10}},
                  {" ann          1", " bob          2", "*cy  " + std::string(10, ' ')}));
  std::string dbt = LE(3, 4) + std::string(508, '\0');
  dbt += "first memo\x1A\x1A" + std::string(500, '\0');
  dbt += "last memo runs to the end";  // some writers leave out the terminator
  WriteAll(dir / "d3.dbt", dbt);
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir / "D3.DBF", {}, &t).ok());
  EXPECT_EQ(MemoOf(t.get(), 1, 1), "first memo");
  EXPECT_EQ(MemoOf(t.get(), 2, 1), "last memo runs to the end");
  EXPECT_EQ(MemoOf(t.get(), 3, 1), "");
  ASSERT_TRUE(t->Go(3).ok() && t->SetMemo(1, "written by us").ok());
  t.reset();
  ASSERT_TRUE(Table::Open(dir / "D3.DBF", {}, &t).ok());
  EXPECT_EQ(MemoOf(t.get(), 3, 1), "written by us");
  EXPECT_EQ(MemoOf(t.get(), 1, 1), "first memo");
}

TEST(ForeignTables, DbaseFourDbtWithBlockHeaders) {
  ScratchDir dir;
  WriteAll(dir / "d4.dbf", RawDbf(0x8B, {{"NOTES", 'M', 10}}, {"          1"}));
  std::string dbt = LE(2, 4) + std::string(16, '\0') + LE(512, 2) + std::string(490, '\0');
  std::string text = "dBASE IV keeps \x1A inside";
  dbt += std::string("\xFF\xFF\x08\x00", 4) + LE(static_cast<uint32_t>(text.size() + 8), 4) + text;
  dbt += std::string(1024 - dbt.size(), '\0');
  WriteAll(dir / "d4.dbt", dbt);
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir / "d4.dbf", {}, &t).ok());
  EXPECT_EQ(MemoOf(t.get(), 1, 0), text);
  ASSERT_TRUE(t->SetMemo(0, "short").ok());  // fits: stays in block 1
  EXPECT_EQ(std::string(t->current_data() + 1, 10), "         1");
  EXPECT_EQ(MemoOf(t.get(), 1, 0), "short");
}

TEST(ForeignTables, VisualFoxProWithBinaryPointersAndHiddenFields) {
  ScratchDir dir;
  const std::vector<RawField> fields = {
      {"ID", 'I', 4},   {"PRICE", 'Y', 8}, {"WHEN", 'T', 8}, {"RATE", 'B', 8, 2},
      {"NAME", 'V', 6}, {"NOTE", 'M', 4},  {"PIC", 'G', 4},  {"_NullFlags", '0', 1, 0, 0x07}};
  std::string rec = " " + LE(42, 4) + std::string(8, '\1') + std::string(8, '\2') +
                    std::string(8, '\3') + "vfp   " + LE(8, 4) + LE(0, 4) + std::string(1, '\0');
  WriteAll(dir / "V.DBF", RawDbf(0x30, fields, {rec}, 263));
  std::string fpt = BE(9, 4) + BE(0, 2) + BE(64, 2) + std::string(504, '\0');
  fpt += BE(1, 4) + BE(11, 4) + "vfp memo!!!" + std::string(64 - 19, '\0');
  WriteAll(dir / "V.FPT", fpt);

  std::unique_ptr<Table> t;
  Status s = Table::Open(dir / "V.DBF", {}, &t);
  ASSERT_TRUE(s.ok()) << s.ToString();
  ASSERT_EQ(t->fields().size(), 7u);  // _NullFlags stays hidden
  EXPECT_EQ(t->FieldIndex("_NULLFLAGS"), -1);
  EXPECT_EQ(t->header_length(), 32 + 8 * 32 + 1 + 263);
  EXPECT_EQ(t->fields()[4].offset, 1u + 4 + 8 + 8 + 8);
  EXPECT_EQ(MemoOf(t.get(), 1, 5), "vfp memo!!!");
  ASSERT_TRUE(t->SetMemo(6, "general").ok());
  EXPECT_EQ(std::string(t->current_data() + 39, 4), LE(9, 4));
  ASSERT_TRUE(t->Append().ok());  // binary fields of a blank record are zeros
  EXPECT_EQ(std::string(t->current_data() + 1, 4), std::string(4, '\0'));
  EXPECT_EQ(std::string(t->current_data() + 29, 6), std::string(6, ' '));
  t.reset();
  ASSERT_TRUE(Table::Open(dir / "V.DBF", {}, &t).ok());
  EXPECT_EQ(MemoOf(t.get(), 1, 6), "general");
}

TEST(ForeignTables, ClipperWideCharacterAndPaddedHeader) {
  ScratchDir dir;
  // Width 300 = 44 + 1 * 256 in the decimals byte; header padded after 0x0D.
  std::string rec = " " + std::string(300, 'w') + "7";
  WriteAll(dir / "w.dbf", RawDbf(0x03, {{"WIDE", 'C', 44, 1}, {"N", 'N', 1}}, {rec}, 1));
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir / "w.dbf", {}, &t).ok());
  ASSERT_EQ(t->fields()[0].width, 300);
  EXPECT_EQ(t->fields()[1].offset, 301u);
  ASSERT_TRUE(t->Go(1).ok());
  EXPECT_EQ(t->current().field(t->fields()[1]), "7");
}

TEST(MemoDamage, BadPointersAndLengthsAreCorruption) {
  ScratchDir dir;
  std::string path = dir / "m.dbf";
  ASSERT_TRUE(Table::Create(path, {{"NOTES", 'M', 10, 0}}).ok());
  {
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(path, {}, &t).ok() && t->Append().ok());
    ASSERT_TRUE(t->SetMemo(0, "ok").ok());
  }
  const std::string table = ReadAll(path), memo = ReadAll(dir / "m.fpt");
  const size_t rec = 32 + 32 + 1;
  struct Case {
    std::string pointer;
    uint32_t length;
    const char* message;
  };
  const Case cases[] = {{"      1000", 2, "past the end"},
                        {"        8x", 2, "not a block number"},
                        {"         8", 0xFFFFFFFF, "runs past the end"},
                        {"         8", 64, "runs past the end"}};
  for (const Case& c : cases) {
    std::string b = table, m = memo;
    b.replace(rec + 1, 10, c.pointer);
    m.replace(516, 4, BE(c.length, 4));
    WriteAll(path, b);
    WriteAll(dir / "m.fpt", m);
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(path, {}, &t).ok() && t->Go(1).ok());
    std::string text;
    Status s = t->GetMemo(0, &text);
    EXPECT_TRUE(s.IsCorruption()) << c.pointer << ": " << s.ToString();
    EXPECT_NE(s.message().find(c.message), std::string::npos) << s.ToString();
    EXPECT_TRUE(t->SetMemo(0, "replaces the damaged one").ok());
    EXPECT_EQ(MemoOf(t.get(), 1, 0), "replaces the damaged one");
  }
}


std::string Show(Table& t, const char* field) {
  const FieldInfo& f = t.fields()[t.FieldIndex(field)];
  Value v;
  Status s = FieldValue(f, t.current().field(f), &t, &v);
  return s.ok() ? ShowValue(v) : "error: " + s.message();
}

// LibreOffice Calc's dBase export of a small sheet (no memo).
TEST(ForeignFiles, LibreOfficeCalcExportReadsAsWritten) {
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(std::string(QV_SOURCE_DIR) + "/tests/data/libreoffice-people.dbf",
                          OpenOptions{false, true}, &t)
                  .ok());
  EXPECT_EQ(t->signature(), 0x03);
  ASSERT_EQ(t->record_count(), 3u);
  ASSERT_EQ(t->fields().size(), 5u);
  EXPECT_EQ(t->fields()[3].type, 'N');
  EXPECT_EQ(t->fields()[3].decimals, 1);
  EXPECT_EQ(t->fields()[4].type, 'D');

  // Bytes come back exactly as LibreOffice wrote them (its own code page).
  const struct {
    uint32_t recno;
    const char *field, *shown;
  } cells[] = {{1, "LNAME", "Smith  "},       {1, "AMOUNT", "12.5"},    {1, "JOINED", "20200115"},
               {2, "CITY", "K\xC7\xF4ln     "}, {2, "AMOUNT", "-3.0"},    {3, "LNAME", "O'Brien"},
               {3, "CITY", "Boston, MA"},     {3, "JOINED", "        "}};  // an empty date
  for (const auto& c : cells) {
    ASSERT_TRUE(t->Go(c.recno).ok());
    EXPECT_EQ(Show(*t, c.field), c.shown) << c.recno << " " << c.field;
  }
}

}  // namespace
}  // namespace xb
