// The support-table reader on malformed text, and the delivered tables
// against the rules the program relies on.
#include "store/support_data.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "store/label_geometry.h"

namespace qv {
namespace {

// ---- the reader -----------------------------------------------------------

TEST(SupportCsv, MalformedInputNamesTheLineAndTheFault) {
  struct Case {
    const char* text;
    const char* message;  // expected within the error
  } cases[] = {
      {"", "t.csv line 1: no header line"},
      {"A:C:10", "line 1: header cell 1 (\"A:C:10\") is not NAME:TYPE:WIDTH:DECIMALS"},
      {"A:C:5:0,B:X:1:0", "header cell 2 (\"B:X:1:0\"): the type must be"},
      {"abc:C:5:0", "capital letters"},
      {"ABCDEFGHIJK:C:1:0", "capital letters"},
      {"A:L:2:0", "width or decimals do not suit type L"},
      {"A:N:5:4", "width or decimals do not suit type N"},
      {"A:C:5:0,A:N:5:0", "field A appears twice"},
      {"A:C:5:0,B:C:5:0\nx,y\nx\n", "line 3: expected 2 values, found 1"},
      {"A:C:5:0,B:M:10:0\nx,\"one\ntwo\nthree\"\nx,y,z\n", "line 5: expected 2 values"},
      {"A:C:5:0\nx\n\"never\nclosed\n", "line 3: quoted value is never closed"},
      {"A:C:5:0\n\"ab\"c\n", "line 2: unexpected text after a closing quote"},
      {"A:C:5:0\nab\"c\n", "line 2: a quote inside an unquoted value"},
      {"A:C:3:0\nabcd\n", "line 2: value of A is 4 characters long, the field holds 3"},
      {"A:C:3:0\n\"a\nb\"\n", "value of A holds a line break"},
      {"A:C:5:0\n\xE4\xB8\xAD\n", "character U+4E2D at offset 0 has no Windows-1252 code"},
      {"A:C:5:0\nx\xC3(\n", "byte 0xC3 at offset 1 is not valid UTF-8"},
      {"N:N:7:3\n1.2.3\n", "value of N (\"1.2.3\") is not a number"},
      {"N:N:7:3\n1e3\n", "is not a number"},
      {"N:N:7:3\n-\n", "is not a number"},
      {"N:N:7:3\n 1\n", "is not a number"},
      {"N:N:7:3\n1.\n", "is not a number"},
      {"N:N:7:2\n1.234\n", "has 3 decimals, the field keeps 2"},
      {"N:N:7:3\n1234.5\n", "needs 8 characters, the field holds 7"},
      {"N:N:7:3\n-123\n", "needs 8 characters"},
      {"L:L:1:0\nY\n", "value of L (\"Y\") is not T or F"},
      {"D:D:8:0\n20241301\n", "is not a date YYYYMMDD"},
  };
  for (const Case& c : cases) {
    SupportTableData data;
    const xb::Status s = ParseSupportCsv(c.text, "t.csv", &data);
    EXPECT_TRUE(s.IsInvalidArgument()) << c.text;
    EXPECT_NE(s.message().find(c.message), std::string::npos) << s.ToString();
  }
}

TEST(SupportCsv, QuotingLineEndsAndCodePage) {
  const std::string lf =
      "\xEF\xBB\xBFNAME:C:4:0,N:N:7:3,NOTE:M:10:0,OK:L:1:0\n"
      "\"a,\"\"b\",-12,\"x\ny\",T\n"
      "\xC3\xA9\xE2\x82\xAC\xE2\x80\x94\xC3\xBF,,,F\n\n\n";
  std::string crlf;
  for (char ch : lf) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  for (const std::string& text : {lf, crlf}) {
    SupportTableData data;
    ASSERT_TRUE(ParseSupportCsv(text, "", &data).ok());
    ASSERT_EQ(data.fields.size(), 4u);
    EXPECT_EQ(data.fields[0].name, "NAME");  // the byte-order mark is not part of it
    EXPECT_EQ(data.fields[1].width, 7);
    EXPECT_EQ(data.fields[1].decimals, 3);
    EXPECT_EQ(data.FieldIndex("note"), 2);
    EXPECT_EQ(data.FieldIndex("NOPE"), -1);
    ASSERT_EQ(data.rows.size(), 2u);  // trailing blank lines are no records
    EXPECT_EQ(data.rows[0], (std::vector<std::string>{"a,\"b", "-12", "x\r\ny", "T"}));
    // Four characters fill C:4 although they take nine UTF-8 bytes.
    EXPECT_EQ(data.rows[1][0], "\xC3\xA9\xE2\x82\xAC\xE2\x80\x94\xC3\xBF");
  }
}

TEST(SupportCsv, Windows1252Conversion) {
  std::string out;
  ASSERT_TRUE(Utf8ToWindows1252("A\xC3\xA9\xE2\x82\xAC\xE2\x80\x99\xC5\xB8", &out).ok());
  EXPECT_EQ(out, "A\xE9\x80\x92\x9F");
  for (const char* bad :
       {"\xC2\x81", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "\xFF"}) {
    EXPECT_FALSE(Utf8ToWindows1252(bad, &out).ok()) << bad;
  }
  SupportTableData data;
  EXPECT_TRUE(ReadSupportCsv("/nonexistent/QVPLBLS.csv", &data).IsIOError());
}

// ---- label geometry -------------------------------------------------------

LabelGeometry Avery5160() {
  return {"5160", 1.0f, 2.625f, 3, 10, 0.5f, 0.188f, 2.75f, 1.0f, 8.5f, 11.0f};
}

TEST(LabelGeometry, FirstFailingCheckGivesItsMessage) {
  struct Case {
    void (*change)(LabelGeometry*);
    const char* message;
  } cases[] = {
      {[](LabelGeometry* g) { g->height = 7 * 0.03937007874015748f; },  // 7 mm
       "Label Height must be at least .3 inches (or 7mm)"},
      {[](LabelGeometry* g) { g->width = 0.999f; },
       "Label Width must be at least 1 inch (or 25mm)"},
      {[](LabelGeometry* g) { g->horizontal_pitch = 2.6f; },
       "Horizontal Pitch must be at least = Label Width"},
      {[](LabelGeometry* g) { g->vertical_pitch = 0.99f; },
       "Vertical Pitch must be at least = Label Height"},
      {[](LabelGeometry* g) { g->sheet_width = 0.29f; }, "Page Width must be at least .3 inch"},
      {[](LabelGeometry* g) { g->sheet_height = 0.0f; }, "Page Height must be at least .3 inches"},
      {[](LabelGeometry* g) { g->description.clear(); }, "You must provide a description"},
      // Two faults: the earlier check speaks.
      {[](LabelGeometry* g) { g->description.clear(), g->width = 0.5f; },
       "Label Width must be at least 1 inch (or 25mm)"},
      // Limits themselves pass, and a single column or row needs no pitch.
      {[](LabelGeometry* g) { g->height = 0.3f, g->vertical_pitch = 0.3f, g->width = 1.0f; }, ""},
      {[](LabelGeometry* g) { g->across = 1, g->horizontal_pitch = 0; }, ""},
      {[](LabelGeometry* g) { g->down = 1, g->vertical_pitch = 0; }, ""},
  };
  for (const Case& c : cases) {
    LabelGeometry g = Avery5160();
    c.change(&g);
    EXPECT_EQ(ValidLabelGeometry(g), c.message);
  }
}

TEST(LabelGeometry, FitsSheetToTheThousandth) {
  LabelGeometry g = Avery5160();
  EXPECT_TRUE(LabelFitsSheet(g));
  g.left_margin = 8.5f - 2 * 2.75f - 2.625f;  // last column touches the edge
  g.top_margin = 1.0f;                        // last row ends at 11.0
  EXPECT_TRUE(LabelFitsSheet(g));
  g.left_margin += 0.001f;
  EXPECT_FALSE(LabelFitsSheet(g));
  g = Avery5160();
  g.top_margin = 1.001f;
  EXPECT_FALSE(LabelFitsSheet(g));
}

}  // namespace
}  // namespace qv
