// The text import's line reading: splitting and cleaning worked out by hand
// from the quote rules, and the reader over files with every line end,
// both encodings, cut lines and bytes no text holds.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "test_support.h"
#include "transfer/ascii_import.h"
#include "transfer/ascii_lines.h"

namespace qv {
namespace {

QStringList Cleaned(const QString& line) {
  QStringList values = SplitAsciiLine(line);
  for (QString& v : values) v = CleanAsciiValue(v);
  return values;
}

TEST(SplitAsciiLine, QuoteRulesWorkedByHand) {
  const QString x300(300, QLatin1Char('x'));
  struct Case {
    QString line;
    QStringList values;
  } cases[] = {
      {"a,\"b, c\",d", {"a", "b, c", "d"}},
      // A doubled quote followed by a comma ends the quoted value there;
      // the quote after "ok" then opens a new one that protects ",x".
      {"\"say \"\"hi\"\", ok\",x", {"say \"\"hi\"", " ok\",x"}},
      // A doubled quote inside, not before a comma, keeps the value whole.
      {"\"x \"\"y\"\" z, w\",b", {"x \"\"y\"\" z, w", "b"}},
      {"\"a\"\"\",b", {"a\"\"", "b"}},
      {"\"\",b", {"", "b"}},
      {"a,b,", {"a", "b", ""}},
      {"", {""}},
      {",", {"", ""}},
      // An unclosed quote protects every later comma; the lone quote stays.
      {"\"open, x,y", {"\"open, x,y"}},
      // One level of quotes only; a single quote is no pair.
      {"\"\"\"q\"\"\",\"", {"\"\"q\"\"", "\""}},
      // A character 127 in the file reads as a comma, like a protected one.
      {QStringLiteral("x\x7Fy,z"), {"x,y", "z"}},
      {x300 + ",b", {x300.left(255), "b"}},
      // Cut before the closing quote, so the opening one stays.
      {"\"" + x300 + "\"", {"\"" + x300.left(254)}},
      {" padded , kept ", {" padded ", " kept "}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cleaned(c.line), c.values) << c.line.toStdString();
  }
}

class Files : public ::testing::Test {
 protected:
  QString write(const std::string& name, const std::string& bytes) {
    const QString path = m_dir.path() + "/" + QString::fromStdString(name);
    qvtest::WriteAll(path.toStdString(), bytes);
    return path;
  }
  QStringList lines(const std::string& bytes, QString* error = nullptr) {
    AsciiLineReader reader;
    QString why;
    QStringList out;
    if (!reader.open(write("in.txt", bytes), &why)) return {"<open failed>"};
    QString line;
    while (reader.next(&line)) out << line;
    if (error != nullptr) *error = reader.error();
    return out;
  }
  QTemporaryDir m_dir;
};

TEST_F(Files, LineEndsEncodingsAndNulBytes) {
  const std::string x3000(3000, 'x');
  const std::string chunk(65535, 'y');  // its CR is the chunk's last byte
  struct Case {
    std::string bytes;
    QStringList lines;
  } cases[] = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"", {}},
      {"\n", {""}},
      {"\xEF\xBB\xBF" "\xC3\xA9t\xC3\xA9\n", {QStringLiteral(u"\u00e9t\u00e9")}},
      {"\xE9t\xE9\r\n\x80", {QStringLiteral(u"\u00e9t\u00e9"), QStringLiteral(u"\u20ac")}},
      {x3000 + "\nnext", {QString(2048, QLatin1Char('x')), "next"}},
      {std::string(1 << 20, 'z') + "\r\nafter", {QString(2048, QLatin1Char('z')), "after"}},
      {chunk + "\r\nz", {QString(2048, QLatin1Char('y')), "z"}},
  };
  for (const Case& c : cases) {
    QString error;
    EXPECT_EQ(lines(c.bytes, &error), c.lines) << c.bytes.substr(0, 20);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
  }
  // A NUL byte is no text: the reading stops before its line.
  QString error;
  EXPECT_EQ(lines(std::string("ok\na\0b\nc", 8), &error), QStringList{"ok"});
  EXPECT_TRUE(error.contains("Line 2")) << error.toStdString();
}

TEST_F(Files, CountsLinesAnEmptyFileAsOne) {
  struct Case {
    std::string bytes;
    std::int64_t count;
  } cases[] = {{"", 1}, {"a", 1}, {"a\nb", 2}, {"a\nb\n", 2}, {"a\r\n\r\n", 2}};
  for (const Case& c : cases) {
    std::int64_t n = -1;
    QString error;
    ASSERT_TRUE(CountAsciiLines(write("c.txt", c.bytes), &n, &error));
    EXPECT_EQ(n, c.count) << c.bytes;
  }
  std::int64_t n = 0;
  QString error;
  EXPECT_FALSE(CountAsciiLines(m_dir.path() + "/missing.txt", &n, &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST_F(Files, SampleTakesTenLinesAndTheFirstLinesColumns) {
  std::string text = "a,bb,\"c,c\"\n";
  for (int i = 0; i < 11; ++i) text += "12345,x," + std::string(i, 'z') + ",extra\n";
  AsciiSample s;
  QString error;
  ASSERT_TRUE(SampleAsciiFile(write("s.txt", text), &s, &error));
  EXPECT_EQ(std::tuple(s.linesRead, s.accepted(), s.columnCount, s.columnsCut),
            std::tuple(10, true, 3, false));
  // The longest raw value: "c,c" with its quotes is 5; line 10 has 8 z's.
  EXPECT_EQ(s.maxLen, (std::vector<int>{5, 2, 8}));
  ASSERT_EQ(s.rows.size(), 10u);
  EXPECT_EQ(s.rows[0], (QStringList{"a", "bb", "c,c"}));
  EXPECT_EQ(s.rows[1].size(), 3);  // values beyond the columns are left out
}

TEST_F(Files, SampleEdges) {
  std::string wide;
  for (int i = 0; i < 300; ++i) wide += (i ? "," : "") + std::to_string(i);
  struct Case {
    std::string bytes;
    bool ok, accepted;
    int columns;
    bool cut;
  } cases[] = {
      {"", true, false, 0, false},
      {"only,one line\n", true, false, 2, false},
      {"a\nb", true, true, 1, false},
      {wide + "\n" + wide + "\n", true, true, 255, true},
      {std::string("a\nb\0", 4), false, false, 1, false},
  };
  for (const Case& c : cases) {
    AsciiSample s;
    QString error;
    EXPECT_EQ(SampleAsciiFile(write("e.txt", c.bytes), &s, &error), c.ok) << c.bytes.substr(0, 10);
    if (!c.ok) continue;
    EXPECT_EQ(std::tuple(s.accepted(), s.columnCount, s.columnsCut),
              std::tuple(c.accepted, c.columns, c.cut));
  }
}

TEST_F(Files, ImportSkipsBlankLinesAndTellsEveryLineItCutOrRepaired) {
  using T = ContactTarget;
  const std::string bytes = "A,1\r\n\r\n  \r\nB,2,3\r\n\"C,4\r\nD\x01,5\r\n" +
                            std::string(3000, 'x') + "\r\nE," + std::string(300, 'v') + "\r\n";
  AsciiRowSource source(write("in.txt", bytes), 2, {T::Last, T::Zip});
  QString error;
  ASSERT_TRUE(source.open(&error)) << error.toStdString();
  QStringList lasts;
  ImportRow row;
  while (source.next(&row, &error)) lasts << (row.values.empty() ? "" : row.values[0].second);
  EXPECT_EQ(lasts, QStringList({"A", "B", "\"C,4", "D ", QString(255, 'x'), "E"}));
  EXPECT_EQ(source.notices(),
            QStringList({"2 blank lines were skipped (lines 2, 3).",
                         "2 lines were longer than 2048 characters or held a value longer than 255 "
                         "and were cut (lines 7, 8).",
                         "1 line held more values than the file's 2 columns; the values beyond "
                         "them were not imported (line 4).",
                         "1 line held a quote that does not close; it was imported as read "
                         "(line 5).",
                         "1 line held control characters, imported as blanks (line 6)."}));
}

TEST(CheckAsciiMatch, MemoMayRepeatOthersNotDateNever) {
  using T = ContactTarget;
  struct Case {
    AsciiMatch match;
    bool ok;
  } cases[] = {
      {{T::Last, T::Memo, std::nullopt, T::Memo}, true},
      {{T::Last, T::First, T::Last}, false},
      {{T::Date}, false},
      {{}, true},
  };
  for (const Case& c : cases) {
    QString error;
    EXPECT_EQ(CheckAsciiMatch(c.match, &error), c.ok);
    EXPECT_EQ(error.isEmpty(), c.ok);
  }
  EXPECT_FALSE(AnyMatched({std::nullopt, std::nullopt}));
  EXPECT_TRUE(AnyMatched({std::nullopt, T::Zip}));
}

}  // namespace
}  // namespace qv
