// CSV and vCard import and export: the readers' edge cases in tables,
// address-book samples written by hand in the formats' published shape,
// hostile files and round trips through the writers. The commands are the
// transfer commands' test.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <map>

#include "test_support.h"
#include "transfer/csv.h"
#include "transfer/vcard.h"

namespace qv {
namespace {

using Records = std::vector<std::vector<std::string>>;
using Values = std::map<QString, QString>;  // caption -> value

Records ParseAll(const std::string& bytes, char delimiter, QString* error) {
  QByteArray data = QByteArray::fromStdString(bytes);
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  CsvParser parser(&buffer, delimiter);
  Records out;
  std::vector<QByteArray> values;
  while (parser.next(&values, error)) {
    out.emplace_back();
    for (const QByteArray& v : values) out.back().push_back(v.toStdString());
  }
  return out;
}

// A row as the post loop stores it: memo values as lines of one text.
Values AsValues(const ImportRow& row) {
  Values out;
  for (const auto& [target, value] : row.values) {
    QString& v = out[TargetInfoOf(target).caption];
    v = v.isEmpty() ? value : v + QStringLiteral("\r\n") + value;
  }
  return out;
}

QString Write(const qvtest::ScratchDir& dir, const std::string& name, const std::string& bytes) {
  qvtest::WriteAll(dir / name, bytes);
  return QString::fromStdString(dir / name);
}

TEST(CsvParser, ReadsRfc4180Records) {
  struct Case {
    const char* what;
    std::string in;
    char delimiter;
    Records want;
  };
  const Case cases[] = {
      {"quoted delimiter and doubled quote", "a,\"b, \"\"c\"\"\",d\r\n", ',', {{"a", "b, \"c\"", "d"}}},
      {"CR LF inside quotes", "\"x\r\ny\",z\r\n", ',', {{"x\r\ny", "z"}}},
      {"LF ends and a last line without end", "a,b\nc,d", ',', {{"a", "b"}, {"c", "d"}}},
      {"lone CR ends a line", "a\rb\r", ',', {{"a"}, {"b"}}},
      {"empty values", ",,\r\n", ',', {{"", "", ""}}},
      {"semicolon, comma kept", "M\xfcller;Main St, 1\r\n", ';', {{"M\xfcller", "Main St, 1"}}},
      {"tab", "a\tb c\r\n", '\t', {{"a", "b c"}}},
      {"quote inside a plain value kept", "5\" disk,x\r\n", ',', {{"5\" disk", "x"}}},
      {"text after a closing quote added", "\"ab\"c,d\r\n", ',', {{"abc", "d"}}},
      {"empty quoted value at the end", "a,\"\"", ',', {{"a", ""}}},
  };
  for (const Case& c : cases) {
    QString error;
    EXPECT_EQ(ParseAll(c.in, c.delimiter, &error), c.want) << c.what;
    EXPECT_TRUE(error.isEmpty()) << c.what << ": " << error.toStdString();
  }
}

TEST(CsvDelimiter, IsTheOneTheHeaderUsesMostOutsideQuotes) {
  const std::pair<const char*, char> cases[] = {
      {"a,b,c", ','},       {"a;b;c", ';'},    {"a\tb\tc", '\t'},   {"\"x;y;z\",b", ','},
      {"Name;Street, No;City", ';'}, {"single", ','}, {"a;b,c", ','},
      {"a,b\r\nc;d;e;f", ','},
  };
  for (const auto& [header, want] : cases) EXPECT_EQ(DetectCsvDelimiter(header), want) << header;
}

TEST(CsvMatch, ProposesOneColumnTargetsForAddressBookHeaders) {
  using T = ContactTarget;
  struct Case {
    const char* source;
    QStringList header;
    std::vector<std::optional<T>> want;  // by column
  };
  const std::nullopt_t no = std::nullopt;
  const Case cases[] = {
      {"Outlook: Title beside Job Title is the salutation; address, phones and mail go by rows",
       {"Title", "First Name", "Middle Name", "Last Name", "Company", "Job Title",
        "Business Street", "Business Fax", "Categories", "E-mail Address", "Initials", "Notes"},
       {T::Prefix, T::First, T::Middle, T::Last, T::Organization, T::Title, no, no, T::Codes, no,
        no, T::Memo}},
      {"our own captions, where the name rules would make Codes a ZIP",
       {"Prefix", "Codes", "Memo", "Date"}, {T::Prefix, T::Codes, T::Memo, T::Date}},
      {"the DBF rules for other names; the first of equals wins",
       {"SURNAME", "Addr", "Phonetic Last Name", "Connected On"}, {T::Last, no, no, no}},
      {"two memo columns both kept", {"Notes", "Comments", " last "}, {T::Memo, T::Memo, T::Last}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.want.size(), size_t(c.header.size())) << c.source;
    const CsvMatch got = ProposeCsvMatch(c.header);
    ASSERT_EQ(got.size(), c.want.size()) << c.source;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i], c.want[i]) << c.source << ": " << c.header[int(i)].toStdString();
    }
  }
}

// Each exporter's header with rows where the only number is in a later
// phone column, the address is in the second block, or the country is
// under Outlook 2003's "Business Country".
TEST(CsvFile, ImportsEachAddressBooksExportWithoutMatchingByHand) {
  qvtest::ScratchDir dir;
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<Values> want;
    std::int64_t skipped = 0;
  };
  const Case cases[] = {
      {"Google Contacts: phones by their labels, a fax from a label",
       "First Name,Middle Name,Last Name,Name Prefix,Organization Name,Organization Title,"
       "E-mail 1 - Label,E-mail 1 - Value,Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,"
       "Phone 2 - Value,Phone 3 - Label,Phone 3 - Value,Address 1 - Label,Address 1 - Street,"
       "Address 1 - City,Address 1 - Region,Address 1 - Postal Code,Address 1 - Country,Notes\n"
       "Ann,,Lee,Dr.,Acme,CEO,* Work,ann@acme.com,,,Work Fax,555-0199,Mobile,555-0100,Work,"
       "1 Main St,Springfield,IL,62701,USA,hi\n"
       "Al,,Ray,,,,,,,,Mobile,555-0102 ::: 555-0103,,,,,,,,,\n",
       {{{"First", "Ann"}, {"Last", "Lee"}, {"Prefix", "Dr."}, {"Organization", "Acme"},
         {"Title", "CEO"}, {"E-Mail", "ann@acme.com"}, {"Fax", "555-0199"}, {"Phone", "555-0100"},
         {"Street", "1 Main St"}, {"City", "Springfield"}, {"State/Province", "IL"},
         {"Zip/Post Code", "62701"}, {"Country", "USA"}, {"Memo", "hi"}},
        {{"First", "Al"}, {"Last", "Ray"}, {"Phone", "555-0102"}}}},
      {"Google, legacy: the address in the second block",
       "Name,Given Name,Additional Name,Family Name,E-mail 1 - Type,E-mail 1 - Value,"
       "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,"
       "Address 1 - Street,Address 1 - City,Address 2 - Type,Address 2 - Street,Address 2 - City,"
       "Organization 1 - Name,Organization 1 - Title\n"
       "Bob Ray,Bob,,Ray,* Home,bob@x.org,Home Fax,555-1,Mobile,555-2,Home,,,Work,2 Work Rd,"
       "Boston,Initech,Dev\n",
       {{{"First", "Bob"}, {"Last", "Ray"}, {"E-Mail", "bob@x.org"}, {"Fax", "555-1"},
         {"Phone", "555-2"}, {"Street", "2 Work Rd"}, {"City", "Boston"},
         {"Organization", "Initech"}, {"Title", "Dev"}}}},
      {"Outlook: the Home block when Business has no street, the second e-mail",
       "Title,First Name,Middle Name,Last Name,Company,Department,Job Title,Business Street,"
       "Business City,Business State,Business Postal Code,Business Country/Region,Home Street,"
       "Home City,Home State,Home Postal Code,Home Country/Region,Business Fax,Business Phone,"
       "Home Fax,Home Phone,Mobile Phone,Categories,E-mail Address,E-mail 2 Address,Notes\n"
       "Mr.,Carl,,Stone,Globex,Sales,Manager,,Dallas,,,,5 Home Ln,Austin,TX,73301,United States,,,"
       "555-9,,555-8,VIP,,carl@home.net,memo\n",
       {{{"Prefix", "Mr."}, {"First", "Carl"}, {"Last", "Stone"}, {"Organization", "Globex"},
         {"Title", "Manager"}, {"Street", "5 Home Ln"}, {"City", "Austin"},
         {"State/Province", "TX"}, {"Zip/Post Code", "73301"}, {"Country", "United States"},
         {"Fax", "555-9"}, {"Phone", "555-8"}, {"Codes", "VIP"}, {"E-Mail", "carl@home.net"},
         {"Memo", "memo"}}}},
      {"Outlook 2003: Business Country beside the business street, not Home Country",
       "First Name,Last Name,Business Street,Business Street 2,Business City,Business Postal Code,"
       "Business Country,Home Street,Home Country,Business Phone\n"
       "Dana,Voss,Am Markt 1,Hof,Bonn,53111,Germany,,France,0228 1\n",
       {{{"First", "Dana"}, {"Last", "Voss"}, {"Street", "Am Markt 1, Hof"}, {"City", "Bonn"},
         {"Zip/Post Code", "53111"}, {"Country", "Germany"}, {"Phone", "0228 1"}}}},
      {"Thunderbird: the Work block, Fax Number, Mobile Number, a comma at each line's end",
       "First Name,Last Name,Display Name,Primary Email,Work Phone,Home Phone,Fax Number,"
       "Mobile Number,Home Address,Home Address 2,Home City,Home State,Home ZipCode,Home Country,"
       "Work Address,Work Address 2,Work City,Work State,Work ZipCode,Work Country,Job Title,"
       "Department,Organization,Notes,\n"
       "Dee,Kay,Dee Kay,dee@k.org,,,555-7,555-6,,,,,,,9 Work St,Floor 2,Denver,CO,80201,USA,"
       "Chief,Ops,Umbrella,n,\n",
       {{{"First", "Dee"}, {"Last", "Kay"}, {"E-Mail", "dee@k.org"}, {"Fax", "555-7"},
         {"Phone", "555-6"}, {"Street", "9 Work St, Floor 2"}, {"City", "Denver"},
         {"State/Province", "CO"}, {"Zip/Post Code", "80201"}, {"Country", "USA"},
         {"Title", "Chief"}, {"Organization", "Umbrella"}, {"Memo", "n"}}}},
      {"LinkedIn: notes, a quoted paragraph and a blank line above the header",
       "Notes:\r\n\"When exporting your connection data, you may notice that some of the email "
       "addresses are missing, which is\r\nexpected.\"\r\n\r\n"
       "First Name,Last Name,URL,Email Address,Company,Position,Connected On\r\n"
       "Eve,Ng,https://www.linkedin.com/in/eve,,Hooli,Engineer,01 Jan 2024\r\n",
       {{{"First", "Eve"}, {"Last", "Ng"}, {"Organization", "Hooli"}, {"Title", "Engineer"}}},
       4},
  };
  for (const Case& c : cases) {
    const QString path = Write(dir, "in.csv", c.bytes);
    CsvFile file;
    QString error;
    ASSERT_TRUE(ScanCsvFile(path, &file, &error)) << c.what << ": " << error.toStdString();
    EXPECT_EQ(file.skippedLines, c.skipped) << c.what;
    CsvRowSource source(file, ProposeCsvPlan(file.header));
    ASSERT_TRUE(source.open(&error)) << c.what;
    std::vector<Values> got;
    ImportRow row;
    while (source.next(&row, &error)) got.push_back(AsValues(row));
    EXPECT_TRUE(error.isEmpty()) << c.what << ": " << error.toStdString();
    EXPECT_EQ(got, c.want) << c.what;
    EXPECT_EQ(source.notices().size(), c.skipped > 0 ? 1 : 0) << c.what;
  }
}

TEST(CsvMatch, DescribesTheRowRulesItProposes) {
  const QStringList header = {"Last Name", "Business Street", "Business City", "Home Street",
                              "Business Fax", "Business Phone", "Mobile Phone", "E-mail Address"};
  EXPECT_EQ(DescribeCsvPlan(ProposeCsvPlan(header), header),
            QStringList({"Last Name -> Last",
                         "Business: Business Street -> Street; Business City -> City",
                         "Home: Home Street -> Street",
                         "Address: each row takes the first of Business, Home that holds a street",
                         "Phone: the first of Business Phone, Mobile Phone that is not a fax",
                         "Business Fax -> Fax", "E-mail Address -> E-Mail"}));
}

TEST(CsvFile, ImportsAnOutlookFileAndASemicolonFile) {
  qvtest::ScratchDir dir;
  struct Case {
    const char* what;
    std::string bytes;
    char delimiter;
    TextEncoding encoding;
    std::int64_t records;
    std::vector<Values> want;
  };
  const Case cases[] = {
      {"Outlook, UTF-8 with a byte-order mark",
       "\xEF\xBB\xBF\"First Name\",\"Last Name\",\"Company\",\"Business Street\",\"E-mail Address\","
       "\"Notes\"\r\n"
       "\"Jos\xC3\xA9\",\"M\xC3\xBCller\",\"ACME, Inc.\",\"1 Main St\r\nSuite 2\",\"jm@x.de\","
       "\"say \"\"hi\"\"\"\r\n"
       ",,,,,\r\n"
       "Ann,Lee,,,,\r\n",
       ',', TextEncoding::Utf8WithBom, 2,
       {{{"First", "Jos\u00e9"}, {"Last", "M\u00fcller"}, {"Organization", "ACME, Inc."},
         {"Street", "1 Main St\r\nSuite 2"}, {"E-Mail", "jm@x.de"}, {"Memo", "say \"hi\""}},
        {{"First", "Ann"}, {"Last", "Lee"}}}},
      {"a byte-order mark before bytes that are not UTF-8: the mark is no data",
       "\xEF\xBB\xBF" "Last Name,First Name\nM\xFCller,Ann\n",
       ',', TextEncoding::Windows1252, 1,
       {{{"Last", "M\u00fcller"}, {"First", "Ann"}}}},
      {"semicolon, Windows-1252, short and long lines",
       "Last Name;First Name;Street;ZIP;City\n"
       "M\xFCller;J\xFCrgen;Hauptstr. 1;80331;M\xFCnchen;extra\n"
       "Weiss\n",
       ';', TextEncoding::Windows1252, 2,
       {{{"Last", "M\u00fcller"}, {"First", "J\u00fcrgen"}, {"Street", "Hauptstr. 1"},
         {"Zip/Post Code", "80331"}, {"City", "M\u00fcnchen"}},
        {{"Last", "Weiss"}}}},
  };
  for (const Case& c : cases) {
    const QString path = Write(dir, "in.csv", c.bytes);
    CsvFile file;
    QString error;
    ASSERT_TRUE(ScanCsvFile(path, &file, &error)) << c.what << ": " << error.toStdString();
    EXPECT_EQ(file.delimiter, c.delimiter) << c.what;
    EXPECT_EQ(file.encoding, c.encoding) << c.what;
    EXPECT_EQ(file.records, c.records) << c.what;
    CsvRowSource source(file, ProposeCsvPlan(file.header));
    ASSERT_TRUE(source.open(&error)) << c.what;
    std::vector<Values> got;
    ImportRow row;
    while (source.next(&row, &error)) got.push_back(AsValues(row));
    EXPECT_TRUE(error.isEmpty()) << c.what << ": " << error.toStdString();
    EXPECT_EQ(got, c.want) << c.what;
  }
}

TEST(CsvFile, RefusesBadFilesWithAReason) {
  qvtest::ScratchDir dir;
  std::string wide = "a";
  for (int i = 0; i < 300; ++i) wide += ",h" + std::to_string(i);
  std::string bigRecord = "a\r\n";
  for (int i = 0; i < 100; ++i) bigRecord += std::string(50000, 'v') + ",";
  const std::pair<std::string, const char*> cases[] = {
      {"", "is empty"},
      {"a\r\n\"" + std::string(2 << 20, 'v') + "\"\r\n", "a value longer than 1 MB"},
      {bigRecord, "a record longer than 4 MB"},
      {"First,Last\r\n", "no records below its header line"},
      {"First,Last\r\n,\r\n\r\n", "no records below its header line"},
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "NUL byte"},
      {"\x01\x02\x03,x\r\ny,z\r\n", "no header line of names"},
      {std::string("\xFF\xFEL\0a\0s\0t\0", 10), "is in UTF-16"},
      {wide + "\r\n1\r\n", "more than 255 values"},
      {"First\r\n\"never closed\r\nx\r\n", "Line 2: a quoted value does not end"},
  };
  for (const auto& [bytes, says] : cases) {
    CsvFile file;
    QString error;
    EXPECT_FALSE(ScanCsvFile(Write(dir, "bad.csv", bytes), &file, &error)) << says;
    EXPECT_TRUE(error.contains(QLatin1String(says))) << says << ": " << error.toStdString();
  }
  CsvFile file;
  QString error;
  EXPECT_FALSE(ScanCsvFile(QString::fromStdString(dir / "missing.csv"), &file, &error));
  EXPECT_TRUE(error.startsWith(QLatin1String("Unable to open the file"))) << error.toStdString();
}

// Records as the copy walk hands them, with what the writers must carry.
std::vector<ContactValues> TrickyRecords() {
  auto record = [](std::initializer_list<std::pair<const char*, QString>> fields) {
    ContactValues v;
    for (const auto& [name, text] : fields) v.fields.emplace_back(QLatin1String(name), text);
    return v;
  };
  return {
      record({{"PREFIX", "Dr."}, {"FNAME", "Jos\u00e9"}, {"MIDDLE", "Q"}, {"LNAME", "M\u00fcller"},
              {"TITLE", "Head; R&D"}, {"ORG", "ACME, Inc. \\ \"Works\""},
              {"STREET", " 1 Main St "}, {"CITY", "K\u00f6ln"}, {"STATE", "NRW"},
              {"ZIP", "50667"}, {"COUNTRY", "Germany"}, {"PHONE", "+49 221 1"},
              {"EMAIL", "jm@example.de"}, {"FAX", "+49 221 2"}, {"DATE", "01/31/2024"},
              {"NOTES", "VIP,XMAS"},
              {"MEMO", "First line\r\nSecond, with \"quotes\"; and a very long line that goes on "
                       "past seventy-five octets with \u00e9\u00e9\u00e9\u00e9\u00e9 in it"}}),
      record({{"LNAME", "Lee"}}),
      record({{"ORG", "Only Org Ltd"}, {"CITY", "Paris"}}),
  };
}

// What the import should give back for a record: its non-empty values.
Values Expected(const ContactValues& record) {
  Values out;
  for (const TargetInfo& info : ContactTargets()) {
    const QString v = record.value(info.field);
    if (!v.isEmpty()) out[info.caption] = v;
  }
  return out;
}

TEST(CsvRoundTrip, ExportThenImportGivesTheSameRecords) {
  qvtest::ScratchDir dir;
  const QString path = QString::fromStdString(dir / "out.csv");
  CsvWriter writer;
  ASSERT_TRUE(writer.open(path).ok());
  for (const ContactValues& r : TrickyRecords()) ASSERT_TRUE(writer.write(r).ok());
  ASSERT_TRUE(writer.finish().ok());
  CsvFile file;
  QString error;
  ASSERT_TRUE(ScanCsvFile(path, &file, &error)) << error.toStdString();
  EXPECT_EQ(file.encoding, TextEncoding::Utf8WithBom);
  CsvRowSource source(file, ProposeCsvPlan(file.header));
  ASSERT_TRUE(source.open(&error));
  ImportRow row;
  for (const ContactValues& r : TrickyRecords()) {
    ASSERT_TRUE(source.next(&row, &error)) << error.toStdString();
    EXPECT_EQ(AsValues(row), Expected(r));
  }
  EXPECT_FALSE(source.next(&row, &error));
  EXPECT_TRUE(error.isEmpty());
}

TEST(Vcard, ReadsCardsAsAddressBooksWriteThem) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<Values> want;
  };
  const Case cases[] = {
      {"2.1, quoted-printable with soft breaks and CHARSET=UTF-8, bare types",
       "BEGIN:VCARD\r\nVERSION:2.1\r\n"
       "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;Jos=C3=A9;;Herr\r\n"
       "TEL;WORK;FAX:+49 2\r\nTEL;WORK;VOICE:+49 1\r\n"
       "ADR;WORK;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:;;Hauptstra=C3=9Fe 1=0D=0A=\r\n"
       "Hinterhaus;K=C3=B6ln;;50667;Deutschland\r\n"
       "NOTE;ENCODING=QUOTED-PRINTABLE:Line one=0D=0ALine =\r\ntwo\r\n"
       "PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n /9j/4AAQSkZJRgABAQ\r\n\r\n"
       "END:VCARD\r\n",
       {{{"Last", "M\u00fcller"}, {"First", "Jos\u00e9"}, {"Prefix", "Herr"},
         {"Phone", "+49 1"}, {"Fax", "+49 2"}, {"Street", "Hauptstra\u00dfe 1, Hinterhaus"},
         {"City", "K\u00f6ln"}, {"Zip/Post Code", "50667"}, {"Country", "Deutschland"},
         {"Memo", "Line one\r\nLine two"}}}},
      {"3.0 from Apple: folded lines, groups, the preferred address and mail, escapes",
       "BEGIN:VCARD\nVERSION:3.0\nN:Appleseed;John;Q.;Mr.;Jr.\nFN:Mr. John Q. Appleseed\n"
       "ORG:Apple\\, Inc.;Engineering\nTITLE:Engineer\n"
       "EMAIL;type=INTERNET;type=HOME:home@example.com\n"
       "EMAIL;type=INTERNET;type=WORK;type=pref:work@exa\n mple.com\n"
       "item1.ADR;type=HOME:;;2 Home Rd;Springfield;IL;62701;USA\n"
       "item2.ADR;type=WORK;type=pref:;;1 Infinite Loop;Cupertino;CA;95014;USA\n"
       "TEL;type=CELL;type=VOICE:555-0100\nTEL;type=WORK;type=FAX:555-0199\n"
       "CATEGORIES:Friends,Work\\,Team\nNOTE:a\\nb\\; c\\\\\nEND:VCARD\n",
       {{{"Last", "Appleseed"}, {"First", "John"}, {"Middle", "Q."}, {"Prefix", "Mr."},
         {"Organization", "Apple, Inc."}, {"Title", "Engineer"}, {"E-Mail", "work@example.com"},
         {"Street", "1 Infinite Loop"}, {"City", "Cupertino"}, {"State/Province", "CA"},
         {"Zip/Post Code", "95014"}, {"Country", "USA"}, {"Phone", "555-0100"},
         {"Fax", "555-0199"}, {"Codes", "Friends,Work,Team"}, {"Memo", "a\r\nb; c\\"}}}},
      {"4.0: tel URIs, PREF numbers, a card without N, garbage and blank cards between",
       "junk line\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann Marie Lee\r\n"
       "TEL;VALUE=uri;TYPE=\"voice,work\";PREF=2:tel:+1-555-0002\r\n"
       "TEL;VALUE=uri;TYPE=voice;PREF=1:tel:+1-555-0001\r\n"
       "EMAIL;PREF=1:ann@example.org\r\nEND:VCARD\r\n"
       "more junk\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nEND:VCARD\r\n"
       "begin:vcard\r\nversion:4.0\r\norg:Shop\r\nfn:Shop\r\nend:vcard\r\n",
       {{{"First", "Ann Marie"}, {"Last", "Lee"}, {"Phone", "+1-555-0001"},
         {"E-Mail", "ann@example.org"}},
        {{"Organization", "Shop"}}}},
  };
  for (const Case& c : cases) {
    std::vector<ImportRow> rows;
    QString error;
    ASSERT_TRUE(ParseVcards(QByteArray::fromStdString(c.bytes), DateConvention(), &rows, &error))
        << c.what << ": " << error.toStdString();
    std::vector<Values> got;
    for (const ImportRow& r : rows) got.push_back(AsValues(r));
    EXPECT_EQ(got, c.want) << c.what;
  }
}

std::string ManyLines(int n) {
  std::string lines;
  for (int i = 0; i < n; ++i) lines += "TEL:" + std::to_string(i) + "\r\n";
  return lines;
}

// Character sets, an encoding per card, damaged cards and cards with
// nothing to import: the good cards come in and each fault is told.
TEST(Vcard, ReadsEachCardInItsOwnEncodingAndTellsWhatItPassesOver) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<Values> want;
    const char* says;  // in the notices; nullptr for none
  };
  const Case cases[] = {
      {"Shift_JIS decoded before its 0x5C bytes are read as escapes",
       "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:"
       "=88=C9=94=5C=3B=8C=5C=88=EA=3B=88=C9=97=5C\r\nEND:VCARD\r\n",
       {{{"Last", "\u4f0a\u80fd"}, {"First", "\u572d\u4e00"}, {"Middle", "\u4f0a\u4e88"}}}, nullptr},
      {"KOI8-R in 8 bits",
       "BEGIN:VCARD\r\nN;CHARSET=KOI8-R:\xe9\xd7\xc1\xce\xcf\xd7;\xe9\xd7\xc1\xce\r\nEND:VCARD\r\n",
       {{{"Last", "\u0418\u0432\u0430\u043d\u043e\u0432"}, {"First", "\u0418\u0432\u0430\u043d"}}},
       nullptr},
      {"one Latin-1 card does not spoil the UTF-8 one",
       "BEGIN:VCARD\r\nN:M\xc3\xbcller;J\r\nEND:VCARD\r\n"
       "BEGIN:VCARD\r\nN:Roux;A\r\nNOTE:caf\xe9\r\nEND:VCARD\r\n",
       {{{"Last", "M\u00fcller"}, {"First", "J"}}, {{"Last", "Roux"}, {"First", "A"}, {"Memo", "caf\u00e9"}}},
       "The card that begins on line 4 is not in UTF-8; it was read as Windows-1252."},
      {"a card without END ends where the next begins",
       "BEGIN:VCARD\r\nN:A;B\r\nBEGIN:VCARD\r\nN:C;D\r\nEND:VCARD\r\n",
       {{{"Last", "A"}, {"First", "B"}}, {{"Last", "C"}, {"First", "D"}}},
       "The card that begins on line 1 has no END:VCARD; it was read up to the card on line 3."},
      {"the last card without END",
       "BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:C;D\r\n",
       {{{"Last", "A"}, {"First", "B"}}, {{"Last", "C"}, {"First", "D"}}},
       "line 4 has no END:VCARD; it was read up to the end of the file."},
      {"an AGENT's card is part of its outer card; grouped BEGIN and END",
       "BEGIN:VCARD\r\nN:Boss;Ann\r\nAGENT:\r\nBEGIN:VCARD\r\nN:Agent;Bo\r\nEND:VCARD\r\n"
       "TEL:555\r\nEND:VCARD\r\nitem1.BEGIN:VCARD\r\nitem1.N:Doe;John\r\nitem1.END:VCARD\r\n",
       {{{"Last", "Boss"}, {"First", "Ann"}, {"Phone", "555"}}, {{"Last", "Doe"}, {"First", "John"}}},
       nullptr},
      {"cards with nothing to import are counted",
       "BEGIN:VCARD\r\nPHOTO;ENCODING=b:AAAA\r\nEND:VCARD\r\nBEGIN:VCARD\r\nX-A:1\r\nEND:VCARD\r\n"
       "BEGIN:VCARD\r\nFN:Jo Bell\r\nEND:VCARD\r\n",
       {{{"Last", "Bell"}, {"First", "Jo"}}},
       "2 cards held no name, organization, address, phone or e-mail and were skipped."},
      {"a LABEL without ADR gives the address; leading blanks stay",
       "BEGIN:VCARD\r\nN:  Lead;\r\nLABEL;QUOTED-PRINTABLE;WORK:401 Park Drive=0ABoston, MA 02215=0AUSA\r\n"
       "END:VCARD\r\nBEGIN:VCARD\r\nN:Ulm\r\nLABEL:M\xc3\xbcnsterplatz 21\\n89073 Ulm\r\nEND:VCARD\r\n",
       {{{"Last", "  Lead"}, {"Street", "401 Park Drive"}, {"City", "Boston"},
         {"State/Province", "MA"}, {"Zip/Post Code", "02215"}, {"Country", "USA"}},
        {{"Last", "Ulm"}, {"Street", "M\u00fcnsterplatz 21"}, {"Zip/Post Code", "89073"}, {"City", "Ulm"}}},
       nullptr},
      {"a card over the bounds of one card is skipped, the next one read",
       "BEGIN:VCARD\r\nN:Big\r\n" + ManyLines(2001) + "END:VCARD\r\nBEGIN:VCARD\r\nN:Small\r\nEND:VCARD\r\n",
       {{{"Last", "Small"}}}, "holds more than 2000 properties or 4 MB of text and was skipped."},
  };
  for (const Case& c : cases) {
    std::vector<ImportRow> rows;
    QString error;
    QStringList notices;
    ASSERT_TRUE(ParseVcards(QByteArray::fromStdString(c.bytes), DateConvention(), &rows, &error, &notices))
        << c.what << ": " << error.toStdString();
    std::vector<Values> got;
    for (const ImportRow& r : rows) got.push_back(AsValues(r));
    EXPECT_EQ(got, c.want) << c.what;
    const QString told = notices.join(QLatin1Char('\n'));
    EXPECT_EQ(notices.size(), c.says ? 1 : 0) << c.what << ": " << told.toStdString();
    if (c.says) EXPECT_TRUE(told.contains(QString::fromUtf8(c.says))) << c.what << ": " << told.toStdString();
  }
}

TEST(Vcard, RefusesOnlyAFileThatHoldsNoCard) {
  const std::pair<std::string, const char*> cases[] = {
      {std::string("B\0E\0G\0I\0N\0:\0", 12), "NUL bytes"},
      {"Name,Phone\r\nA,1\r\n", "no card"},
      {"", "no card"},
  };
  for (const auto& [bytes, says] : cases) {
    std::vector<ImportRow> rows;
    QString error;
    EXPECT_FALSE(ParseVcards(QByteArray::fromStdString(bytes), DateConvention(), &rows, &error));
    EXPECT_TRUE(error.contains(QLatin1String(says))) << says << ": " << error.toStdString();
  }
}

TEST(VcardRoundTrip, WrittenCardsFoldAt75OctetsAndReadBackTheSame) {
  DateConvention dates;
  dates.shortDateFmt = QStringLiteral("dd/mm/yyyy");
  std::vector<ContactValues> records = TrickyRecords();
  for (auto& [field, text] : records[0].fields) {
    if (field == QLatin1String("DATE")) text = QStringLiteral("31/01/2024");
  }
  QByteArray file;
  for (const ContactValues& r : records) file += VcardCard(r, dates);
  EXPECT_TRUE(file.contains("\r\nX-QUORVANE-DATE:2024-01-31\r\n"));
  // Codes are separate categories, not one with an escaped comma.
  EXPECT_TRUE(file.contains("\r\nCATEGORIES:VIP,XMAS\r\n"));
  for (const QByteArray& line : file.split('\n')) {
    EXPECT_LE(line.size(), 76) << line.toStdString();  // 75 octets and the CR
    EXPECT_TRUE(line.isEmpty() || line.endsWith('\r')) << line.toStdString();
    EXPECT_TRUE(QString::fromUtf8(line).toUtf8() == line) << "a UTF-8 sequence cut";
  }
  std::vector<ImportRow> rows;
  QString error;
  ASSERT_TRUE(ParseVcards(file, dates, &rows, &error)) << error.toStdString();
  ASSERT_EQ(rows.size(), records.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    Values want = Expected(records[i]);
    // The trailing blank goes, the leading one stays.
    if (want.count("Street")) want["Street"].chop(want["Street"].endsWith(QLatin1Char(' ')) ? 1 : 0);
    EXPECT_EQ(AsValues(rows[i]), want) << i;
  }
}

}  // namespace
}  // namespace qv
