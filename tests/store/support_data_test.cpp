// The support-table reader on malformed text, and the delivered tables
// against the rules the program relies on.
#include "store/support_data.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

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
      {"A:L:2:0", "width or decimals do not suit type L"},
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
      {"N:N:7:3\n1.\n", "is not a number"},
      {"N:N:7:2\n1.234\n", "has 3 decimals, the field keeps 2"},
      {"N:N:7:3\n1234.5\n", "needs 8 characters, the field holds 7"},
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

TEST(LabelGeometry, FindRanksThePartNumberThenItsStartThenTheText) {
  const std::vector<std::string> stocks = {
      "Avery 15160  Address,   1.00 x 2.63",          // 0
      "Avery 51600  Address,   1.00 x 2.63",          // 1
      "Herma 4226  Address,   1.42 x 2.76",           // 2
      "Avery 5160  Address,   1.00 x 2.63",           // 3
      "Avery 3274.1  Square,   2.50 x 2.50",          // 4
      "Online Labels OL875  Address,   1.00 x 2.59",  // 5
      "Avery 55160  Address,   1.00 x 2.63",          // 6
  };
  const std::pair<const char*, std::vector<size_t>> cases[] = {
      {"5160", {3, 1, 0, 6}},  // exact, then begins so, then inside a number
      {"516", {1, 3, 0, 6}},   // no part 516: those beginning so in list order
      {"herma 4226", {2}},
      {"herma 42", {2}},
      {"3274.1", {4}},
      {"ol875", {5}},
      {"2.63", {0, 1, 3, 6}},  // sizes are text of the description
      {"avery 5160 address", {3}},
      {"", {}},
      {"4227", {}},
  };
  for (const auto& [text, ranked] : cases) {
    EXPECT_EQ(RankStockMatches(stocks, text), ranked) << text;
  }
}

// ---- the delivered tables -------------------------------------------------

SupportTableData Load(std::string_view table) {
  SupportTableData data;
  for (const SupportTable& t : SupportTables()) {
    if (t.name != table) continue;
    const xb::Status s = ReadSupportCsv(
        std::string(QV_SOURCE_DIR "/data/support/") + std::string(t.csv_file), &data);
    EXPECT_TRUE(s.ok()) << s.ToString();
  }
  return data;
}

std::string Get(const SupportTableData& d, size_t row, const char* field) {
  const int i = d.FieldIndex(field);
  EXPECT_GE(i, 0) << field;
  return i < 0 ? std::string() : d.rows[row][i];
}
double Num(const SupportTableData& d, size_t row, const char* field) {
  return std::stod(Get(d, row, field));
}

// The field lists themselves are what the label, envelope, letter and ZIP
// check tests read; here every table parses and keys a field it has.
TEST(SupportTables, EveryTableParsesWithItsTagField) {
  for (const SupportTable& t : SupportTables()) {
    SCOPED_TRACE(std::string(t.name));
    const SupportTableData d = Load(t.name);
    EXPECT_GE(d.rows.size(), 1u);
    // The key expression indexes a field of the table: UPPER(<tag field>).
    EXPECT_EQ(d.FieldIndex(t.tag), d.FieldIndex(t.key.substr(6, t.key.size() - 7)));
    EXPECT_GE(d.FieldIndex(t.tag), 0);
  }
}

std::string Hundredths(double inches) {  // half up, as the stock names round 2.625 to 2.63
  const long long h = (std::llround(inches * 1000) + 5) / 10;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld.%02lld", h / 100, h % 100);
  return buf;
}

TEST(SupportTables, LabelStocksAreValidAndFitTheirSheets) {
  const SupportTableData d = Load("QVPLBLS");
  const std::map<std::string, std::pair<double, double>> sheets = {
      {"LTR", {8.5, 11}}, {"LTRL", {11, 8.5}}, {"A4", {8.27, 11.69}}, {"A4L", {11.69, 8.27}},
      {"A5", {5.82, 8.27}}};
  std::set<std::string> keys;
  int predefined = 0, dot_matrix = 0;
  for (size_t r = 0; r < d.rows.size(); ++r) {
    auto n = [&](const char* field) { return float(Num(d, r, field)); };
    const LabelGeometry g{Get(d, r, "USERDESC"), n("LBLHEIGHT"), n("LBLWIDTH"), int(n("NBRACROSS")),
                          int(n("NBRDOWN")), n("TOPMARG"), n("LEFTMARG"), n("HORIZPITCH"),
                          n("VERTPITCH"), n("SHEETWIDTH"), n("SHEETDEPTH")};
    SCOPED_TRACE(g.description);
    EXPECT_EQ(ValidLabelGeometry(g), "");
    EXPECT_TRUE(LabelFitsSheet(g));
    EXPECT_TRUE(keys.insert(g.description).second) << "duplicate key";
    // "<brand> <stock>  <kind>,   <height> x <width>", sizes to the hundredth.
    const size_t number_end = g.description.find("  ");
    EXPECT_TRUE(number_end != std::string::npos && g.description.find(' ') < number_end);
    EXPECT_TRUE(
        g.description.ends_with(",   " + Hundredths(g.height) + " x " + Hundredths(g.width)));
    predefined += Get(d, r, "USERDEF") == "F";
    const std::string printer = Get(d, r, "PRINTER"), paper = Get(d, r, "PAPERSIZE");
    EXPECT_TRUE(printer == "LJ" || printer == "DM");
    dot_matrix += printer == "DM";
    if (paper != "USER") {
      ASSERT_TRUE(sheets.count(paper)) << paper;
      EXPECT_DOUBLE_EQ(g.sheet_width, float(sheets.at(paper).first));
      EXPECT_DOUBLE_EQ(g.sheet_height, float(sheets.at(paper).second));
    }
  }
  EXPECT_GE(predefined, 1000);
  EXPECT_GE(dot_matrix, 3);

  // The stock the default label setup names is one of them.
  const SupportTableData setup = Load("QVPLSU");
  ASSERT_EQ(setup.rows.size(), 1u);
  EXPECT_TRUE(keys.count(Get(setup, 0, "USERLABELN"))) << Get(setup, 0, "USERLABELN");
}

// Rows the template converter made, worked out by hand from the template
// files (at 25.4 mm and 72 pt to the inch, half up to the thousandth), and
// one the templates also have where our own row was kept.
TEST(SupportTables, LabelStocksFromTheTemplatesAreWorkedOut) {
  const SupportTableData d = Load("QVPLBLS");
  const std::pair<const char*, const char*> cases[] = {
      // Avery L4770 (J8654 is its equivalent): 45.7 x 25.4 mm, 4 x 10,
      // x0 10 mm, y0 22 mm, dx 48.5 mm, dy 25.4 mm.
      {"Avery J8654", "1,1.799,4,10,0.866,0.394,1.909,1,8.27,11.69,LJ,A4,F"},
      // 2.5935 x 1 in, 3 x 10, x0 0.21975 in, y0 0.5, dx 2.7335, dy 1.
      {"Online Labels OL875", "1,2.594,3,10,0.5,0.22,2.734,1,8.5,11,LJ,LTR,F"},
      // 280.8 x 191.991 pt, 2 x 4, x0 13.2378, y0 36.9638, dx 288.113, dy 191.991.
      {"Avery 7165", "2.667,3.9,2,4,0.513,0.184,4.002,2.667,8.27,11.69,LJ,A4,F"},
      // The templates give L7165 the 7165 sizes; ours are kept.
      {"Avery L7165", "2.665,3.902,2,4,0.516,0.183,4,2.665,8.27,11.69,LJ,A4,F"},
  };
  for (const auto& [product, values] : cases) {
    std::vector<std::string> found;
    for (size_t r = 0; r < d.rows.size(); ++r) {
      if (!d.rows[r][0].starts_with(std::string(product) + "  ")) continue;
      std::string line;
      for (size_t i = 1; i < d.rows[r].size(); ++i) line += (i > 1 ? "," : "") + d.rows[r][i];
      found.push_back(line);
    }
    EXPECT_EQ(found, std::vector<std::string>{values}) << product;
  }
}

// The envelope sizes are the envelope setup's test.

// "A9A 9A9": A a capital letter, 9 a digit, anything else itself.
bool HasForm(const std::string& s, std::string_view form) {
  if (s.size() != form.size()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = s[i];
    if (form[i] == 'A' ? !std::isupper(c) : form[i] == '9' ? !std::isdigit(c) : c != form[i]) {
      return false;
    }
  }
  return true;
}

TEST(SupportTables, StateRangesListEveryCodeWithItsMainRangeFirst) {
  const SupportTableData d = Load("QVPSZCK");
  std::vector<std::string> order;  // codes in file order, one entry per run of rows
  std::map<std::string, std::pair<std::string, std::string>> first;
  for (size_t r = 0; r < d.rows.size(); ++r) {
    const std::string code = Get(d, r, "STATE"), lo = Get(d, r, "LOW_ZIP"),
                      hi = Get(d, r, "HIGH_ZIP");
    SCOPED_TRACE(code + " " + lo);
    EXPECT_LE(lo, hi);
    const bool canadian = std::isalpha(static_cast<unsigned char>(lo[0]));
    const char* form = canadian ? "A9A 9A9" : "99999";
    EXPECT_TRUE(HasForm(lo, form) && HasForm(hi, form));
    if (order.empty() || order.back() != code) {
      EXPECT_FALSE(first.count(code)) << "rows of a code must stand together";
      order.push_back(code);
      first[code] = {lo, hi};
    } else if (!canadian) {
      EXPECT_GE(std::stol(first[code].second) - std::stol(first[code].first),
                std::stol(hi) - std::stol(lo))
          << "a later row is wider than the main range";
    }
  }
  for (const char* code :
       {"AL", "AK", "AZ", "AR", "CA", "CO", "CT", "DE", "FL", "GA", "HI", "ID", "IL", "IN", "IA",
        "KS", "KY", "LA", "ME", "MD", "MA", "MI", "MN", "MS", "MO", "MT", "NE", "NV", "NH", "NJ",
        "NM", "NY", "NC", "ND", "OH", "OK", "OR", "PA", "RI", "SC", "SD", "TN", "TX", "UT", "VT",
        "VA", "WA", "WV", "WI", "WY", "DC", "PR", "VI", "GU", "AS", "MP", "AA", "AE", "AP", "AB",
        "BC", "MB", "NB", "NL", "NS", "NT", "NU", "ON", "PE", "QC", "SK", "YT"}) {
    EXPECT_TRUE(first.count(code)) << code;
  }
  // Known addresses against the first row of their code, compared as text the
  // way the check does it.
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"CA", "90024", true},    {"MA", "02108", true},    {"PR", "00901", true},
      {"AE", "09021", true},    {"ON", "K1A 0B1", true},  {"NU", "X0A 0H0", true},
      {"NT", "X1A 2L9", true},  {"NY", "90024", false},   {"ON", "V6B 1A1", false},
      {"NU", "X1A 2L9", false}, {"CA", "96199-1234", false}, {"CA", "96198-1234", true},
  };
  for (const auto& [state, zip, fits] : cases) {
    const auto& [lo, hi] = first[state];
    EXPECT_EQ(zip >= lo && zip <= hi, fits) << state << " " << zip;
  }
}

TEST(SupportTables, SampleLetterUsesOnlyMergeTokens) {
  const std::set<std::string> tokens = {
      "Full Name", "First",        "Last",   "Middle",         "Prefix",
      "Title",     "Organization", "Street", "City+State+Zip", "City",
      "State",     "Province",     "Zip",    "Postal Code",    "Country",
      "Phone",     "Fax",          "E-Mail", "Today's Date",   "Name and Address"};
  const SupportTableData d = Load("QVPLTRS");
  for (size_t r = 0; r < d.rows.size(); ++r) {
    const std::string rtf = Get(d, r, "RTF");
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    int depth = 0;
    for (char c : rtf) depth += (c == '{') - (c == '}');
    EXPECT_EQ(depth, 0);
    std::set<std::string> used;
    for (size_t open = rtf.find('['); open != std::string::npos; open = rtf.find('[', open + 1)) {
      const std::string name = rtf.substr(open + 1, rtf.find(']', open) - open - 1);
      EXPECT_TRUE(tokens.count(name)) << "unknown token [" << name << "]";
      used.insert(name);
    }
    EXPECT_GE(used.size(), 5u);
    for (size_t i = 0; i < rtf.size(); ++i) {
      EXPECT_FALSE(rtf[i] == '\n' && (i == 0 || rtf[i - 1] != '\r')) << "bare line feed at " << i;
    }
  }
}

}  // namespace
}  // namespace qv
