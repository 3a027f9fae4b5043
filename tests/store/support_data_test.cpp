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

// Field lists as the program reads them: "NAME:C50" (fixed width), "NAME:N.3"
// (numeric keeping at least 3 decimals), "NAME:N.0" (whole number), "NAME:L", "NAME:M".
const std::map<std::string, std::string> kStructures = {
    {"QVPLBLS",
     "USERDESC:C60 LBLHEIGHT:N.3 LBLWIDTH:N.3 NBRACROSS:N.0 NBRDOWN:N.0 TOPMARG:N.3 "
     "LEFTMARG:N.3 HORIZPITCH:N.3 VERTPITCH:N.3 SHEETWIDTH:N.3 SHEETDEPTH:N.3 "
     "PRINTER:C2 PAPERSIZE:C5 USERDEF:L"},
    {"QVPENVS", "NAME:C20 DESC:C20 WIDTH:N.2 HEIGHT:N.2 USERDEF:L"},
    {"QVPSZCK", "NAME:C20 STATE:C4 LOW_ZIP:C10 HIGH_ZIP:C10"},
    {"QVPLTRS", "DESCRIPT:C50 RTF:M"},
    {"QVPLSU",
     "DESCRIPT:C50 USERLABELN:C60 PRINTERTYP:C2 FONTNAME:C50 FONTSIZE:N.0 FONTBOLD:L "
     "FONTITALIC:L XOFFSET:N.3 YOFFSET:N.3 BARCODE:L NAME:L TITLE:L COMPANY:L STREET:L "
     "CITYSTATE:L ZIP:L PHONE:L COUNTRY:L ZIPOPTIONS:N.0 UPPERCASE:L LBLHEIGHT:N.3 "
     "LBLWIDTH:N.3 NBRACROSS:N.0 NBRDOWN:N.0 TOPMARG:N.3 LEFTMARG:N.3 HORIZPITCH:N.3 "
     "VERTPITCH:N.3 SHEETWIDTH:N.3 SHEETDEPTH:N.3 PAPERSIZE:C5 TRIMTEXT:L BARTYPE:N.0"},
    {"QVPESU",
     "DESCRIPT:C50 ENVNAME:C20 USERETURN:L USEMESSAGE:L RETTOP:N.3 RETLEFT:N.3 "
     "RETFNAME:C50 RETFSIZE:N.0 RETFBOLD:L RETFITALIC:L RETLINE1:C40 RETLINE2:C40 "
     "RETLINE3:C40 RETLINE4:C40 RETLINE5:C40 MESSTOP:N.3 MESSLEFT:N.3 MESSFNAME:C50 "
     "MESSFSIZE:N.0 MESSFBOLD:L MESSFITAL:L MESSTEXT:C50 DELTOP:N.3 DELLEFT:N.3 "
     "DELFNAME:C50 DELFSIZE:N.0 DELFBOLD:L DELFITAL:L BARCODE:L NAME:L TITLE:L "
     "COMPANY:L STREET:L CITYSTATE:L ZIP:L PHONE:L COUNTRY:L ZIPOPTIONS:N.0 UPPERCASE:L "
     "ENVWIDTH:N.3 ENVHEIGHT:N.3 ORIENT:N.0 FACING:N.0 POSITION:N.0 BARTYPE:N.0"},
};

TEST(SupportTables, EveryTableParsesWithItsStructureAndTagField) {
  ASSERT_EQ(SupportTables().size(), kStructures.size());
  for (const SupportTable& t : SupportTables()) {
    SCOPED_TRACE(std::string(t.name));
    const SupportTableData d = Load(t.name);
    std::istringstream want(kStructures.at(std::string(t.name)));
    std::string expected;
    size_t i = 0;
    for (; want >> expected; ++i) {
      ASSERT_LT(i, d.fields.size()) << expected;
      const xb::FieldDef& f = d.fields[i];
      const size_t colon = expected.find(':');
      EXPECT_EQ(f.name, expected.substr(0, colon));
      EXPECT_EQ(f.type, expected[colon + 1]) << f.name;
      if (expected[colon + 1] == 'C') {
        EXPECT_EQ(f.width, std::stoi(expected.substr(colon + 2))) << f.name;
      }
      if (expected[colon + 1] == 'N') {
        const int min_decimals = expected.back() - '0';
        EXPECT_TRUE(min_decimals == 0 ? f.decimals == 0 : f.decimals >= min_decimals) << f.name;
      }
    }
    EXPECT_EQ(i, d.fields.size());
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
  const std::map<std::string, std::pair<double, double>> sheets = {{"LTR", {8.5, 11}},
                                                                   {"LTRL", {11, 8.5}},
                                                                   {"A4", {8.27, 11.69}},
                                                                   {"A4L", {11.69, 8.27}},
                                                                   {"A5", {5.82, 8.27}}};
  std::set<std::string> keys;
  int predefined = 0, dot_matrix = 0;
  for (size_t r = 0; r < d.rows.size(); ++r) {
    const LabelGeometry g{Get(d, r, "USERDESC"),         float(Num(d, r, "LBLHEIGHT")),
                          float(Num(d, r, "LBLWIDTH")),  int(Num(d, r, "NBRACROSS")),
                          int(Num(d, r, "NBRDOWN")),     float(Num(d, r, "TOPMARG")),
                          float(Num(d, r, "LEFTMARG")),  float(Num(d, r, "HORIZPITCH")),
                          float(Num(d, r, "VERTPITCH")), float(Num(d, r, "SHEETWIDTH")),
                          float(Num(d, r, "SHEETDEPTH"))};
    SCOPED_TRACE(g.description);
    EXPECT_EQ(ValidLabelGeometry(g), "");
    EXPECT_TRUE(LabelFitsSheet(g));
    EXPECT_TRUE(keys.insert(g.description).second) << "duplicate key";
    // "Avery <stock>  <kind>,   <height> x <width>", sizes to the hundredth.
    const size_t number_end = g.description.find("  ");
    EXPECT_EQ(g.description.rfind("Avery ", 0), 0u);
    EXPECT_TRUE(number_end > 6 && number_end != std::string::npos);
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
  EXPECT_GE(predefined, 150);
  EXPECT_GE(dot_matrix, 3);

  // The stock the default label setup names, with the default geometry.
  const SupportTableData setup = Load("QVPLSU");
  ASSERT_EQ(setup.rows.size(), 1u);
  const std::string stock = Get(setup, 0, "USERLABELN");
  size_t row = 0;
  while (row < d.rows.size() && Get(d, row, "USERDESC") != stock) ++row;
  ASSERT_LT(row, d.rows.size()) << stock;
  for (const auto& [field, value] : std::map<const char*, double>{{"LBLHEIGHT", 1.0},
                                                                  {"LBLWIDTH", 2.625},
                                                                  {"NBRACROSS", 3},
                                                                  {"NBRDOWN", 10},
                                                                  {"TOPMARG", 0.5},
                                                                  {"LEFTMARG", 0.188},
                                                                  {"HORIZPITCH", 2.75},
                                                                  {"VERTPITCH", 1.0},
                                                                  {"SHEETWIDTH", 8.5},
                                                                  {"SHEETDEPTH", 11}}) {
    EXPECT_DOUBLE_EQ(Num(d, row, field), value) << field;
    EXPECT_DOUBLE_EQ(Num(setup, 0, field), value) << field;
  }
  EXPECT_EQ(Get(d, row, "PAPERSIZE"), "LTR");
  EXPECT_EQ(Get(d, row, "PRINTER"), "LJ");
}

// Compares a setup row with the defaults given as "FIELD=value;...": numbers
// to the decimals the field keeps, everything else exactly.
void ExpectRow(const SupportTableData& d, const std::string& want) {
  ASSERT_EQ(d.rows.size(), 1u);
  std::istringstream in(want);
  size_t count = 0;
  for (std::string item; std::getline(in, item, ';'); ++count) {
    const std::string field = item.substr(0, item.find('=')), value = item.substr(field.size() + 1);
    const int i = d.FieldIndex(field);
    ASSERT_GE(i, 0) << field;
    if (d.fields[i].type == 'N') {
      EXPECT_LE(std::fabs(std::stod(d.rows[0][i]) - std::stod(value)),
                0.5 * std::pow(10.0, -d.fields[i].decimals) + 1e-9)
          << field;
    } else {
      EXPECT_EQ(d.rows[0][i], value) << field;
    }
  }
  EXPECT_EQ(count, d.fields.size());
}

TEST(SupportTables, SetupTablesHoldTheDefaultSetups) {
  ExpectRow(Load("QVPLSU"),
            "DESCRIPT=Default Label Setup;USERLABELN=Avery 5160  Address,   1.00 x 2.63;"
            "PRINTERTYP=LJ;FONTNAME=Arial;FONTSIZE=10;FONTBOLD=F;FONTITALIC=F;XOFFSET=0.25;"
            "YOFFSET=0.25;BARCODE=F;NAME=T;TITLE=F;COMPANY=F;STREET=T;CITYSTATE=T;ZIP=T;"
            "PHONE=F;COUNTRY=F;ZIPOPTIONS=1;UPPERCASE=F;LBLHEIGHT=1;LBLWIDTH=2.625;"
            "NBRACROSS=3;NBRDOWN=10;TOPMARG=0.5;LEFTMARG=0.188;HORIZPITCH=2.75;VERTPITCH=1;"
            "SHEETWIDTH=8.5;SHEETDEPTH=11;PAPERSIZE=LTR;TRIMTEXT=T;BARTYPE=0");
  ExpectRow(Load("QVPESU"),
            "DESCRIPT=Default Envelope Setup;ENVNAME=Envelope #10;USERETURN=T;USEMESSAGE=F;"
            "RETTOP=0.25;RETLEFT=0.25;RETFNAME=Arial;RETFSIZE=8;RETFBOLD=F;RETFITALIC=F;"
            "RETLINE1=John Q Public;RETLINE2=123 N West St;RETLINE3=LA, CA  90024;"
            "RETLINE4=;RETLINE5=;MESSTOP=3.125;MESSLEFT=0.25;MESSFNAME=Arial;MESSFSIZE=10;"
            "MESSFBOLD=T;MESSFITAL=T;MESSTEXT=Handle with Care;DELTOP=2.0625;"
            "DELLEFT=3.16666666666666667;DELFNAME=Arial;DELFSIZE=10;DELFBOLD=T;DELFITAL=F;"
            "BARCODE=F;NAME=T;TITLE=T;COMPANY=T;STREET=T;CITYSTATE=T;ZIP=T;PHONE=F;"
            "COUNTRY=F;ZIPOPTIONS=1;UPPERCASE=F;ENVWIDTH=9.5;ENVHEIGHT=4.125;ORIENT=1;"
            "FACING=1;POSITION=2;BARTYPE=0");
}

TEST(SupportTables, EnvelopeSizes) {
  const SupportTableData d = Load("QVPENVS");
  std::map<std::string, std::pair<double, double>> sizes;
  for (size_t r = 0; r < d.rows.size(); ++r) {
    const std::string n = Get(d, r, "NAME");
    EXPECT_TRUE(sizes.emplace(n, std::make_pair(Num(d, r, "WIDTH"), Num(d, r, "HEIGHT"))).second);
    EXPECT_GE(sizes[n].second, 2.0) << n;  // what the entry dialog demands of any size
    EXPECT_GE(sizes[n].first, sizes[n].second) << n << ": the width is the long side";
    EXPECT_FALSE(Get(d, r, "DESC").empty());
    EXPECT_EQ(Get(d, r, "USERDEF"), "F");
  }
  for (const char* n : {"#6 3/4", "Monarch", "#9", "#10", "#11", "#12", "#14", "A2", "A7", "6x9",
                        "9x12", "10x13", "DL", "C6", "C5", "C4", "B5"}) {
    EXPECT_TRUE(sizes.count(std::string("Envelope ") + n)) << n;
  }
  EXPECT_EQ(sizes["Envelope #10"], std::make_pair(9.5, 4.125));
  EXPECT_NEAR(sizes["Envelope DL"].first, 220 / 25.4, 0.0005);
  EXPECT_NEAR(sizes["Envelope C4"].second, 229 / 25.4, 0.0005);
}

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
  struct Case {
    const char* state;
    const char* zip;
    bool fits;
  } cases[] = {
      {"CA", "90024", true},       {"NY", "10001", true},      {"DC", "20500", true},
      {"FL", "33101", true},       {"FL", "34102", true},      {"TX", "78701", true},
      {"MA", "02108", true},       {"PR", "00901", true},      {"VI", "00802", true},
      {"GU", "96910", true},       {"AS", "96799", true},      {"AE", "09021", true},
      {"AP", "96349", true},       {"AA", "34001", true},      {"AK", "99501", true},
      {"HI", "96813", true},       {"ON", "K1A 0B1", true},    {"QC", "H2X 1Y4", true},
      {"BC", "V6B 1A1", true},     {"NU", "X0A 0H0", true},    {"NT", "X1A 2L9", true},
      {"YT", "Y1A 1A1", true},     {"NL", "A1C 5M2", true},    {"AB", "T2P 1A1", true},
      {"NY", "90024", false},      {"ON", "V6B 1A1", false},   {"NU", "X1A 2L9", false},
      {"CA", "96199-1234", false}, {"CA", "96198-1234", true},
  };
  for (const Case& c : cases) {
    const auto& [lo, hi] = first[c.state];
    EXPECT_EQ(c.zip >= lo && c.zip <= hi, c.fits) << c.state << " " << c.zip;
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
