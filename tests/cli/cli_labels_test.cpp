// quorvane-cli's label stocks and the label options that need no setup made
// in the windows: the stock list and its search, a stock, lines, font and
// start label reaching the run, the alignment page, and the exit codes of
// bad input (1) and bad usage (2). What a run lays out is the label run's test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using qvtest::Stderr;

class CliLabels : public ::testing::Test {
 protected:
  void SetUp() override {
    home = "QUORVANE_HOME=" + qvtest::ShellQuote(dir.path()) + " ";
    ASSERT_EQ(Cli({"init"}).status, 0);
    const std::string rows = dir.path() + "/rows.tsv";
    std::ofstream(rows) << "Smith\tAnn\t\tDirector of Purchasing\tAcme Widget Company\t30100 "
                           "Avenida de las Banderas\t"
                           "Rancho Santa Margarita\tCA\t92688-1234\t\t949-555-0100\n";
    file = dir.path() + "/people.dbf";
    ASSERT_EQ(Cli({"make", file, rows}).status, 0);
  }

  qvtest::RunResult Cli(std::vector<std::string> args, Stderr err = Stderr::kDiscard) {
    args.insert(args.begin(), QV_CLI);
    return qvtest::Run(args, err, home);
  }

  // The text lines of the page stream a labels run wrote.
  std::vector<std::string> Texts(std::vector<std::string> options) {
    const std::string out = dir.path() + "/out.qvs";
    std::vector<std::string> args = {"labels", file, "--stream", out};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(Cli(args).status, 0);
    std::vector<std::string> texts;
    std::istringstream dump(Cli({"stream-dump", out}).out);
    for (std::string line; std::getline(dump, line);) {
      if (line.rfind("text ", 0) == 0) texts.push_back(line);
    }
    return texts;
  }

  qvtest::ScratchDir dir;
  std::string home, file;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

const char k5160[] = "Avery 5160  Address,   1.00 x 2.63";

// The ranking itself is the stock list window's test.
TEST_F(CliLabels, StocksListsEveryStockAndFindPutsTheProductNumberFirst) {
  const std::vector<std::string> all = Lines(Cli({"stocks"}).out);
  ASSERT_GT(all.size(), 100u);
  EXPECT_NE(std::find(all.begin(), all.end(), k5160), all.end());
  const qvtest::RunResult found = Cli({"stocks", "--find", "5160"});
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(Lines(found.out).front(), k5160);
  const qvtest::RunResult none = Cli({"stocks", "--find", "no such stock"});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(none.out.empty());
}

TEST_F(CliLabels, StockLinesFontAndStartLabelShapeTheRun) {
  // Avery 5163 is 2 x 4 in, two across: label 3 is the first of row two.
  const std::vector<std::string> texts =
      Texts({"--stock", "Avery 5163", "--lines", "name,city,zip", "--font", "Courier New", "--size",
             "12", "--start-label", "3"});
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[0].find("\"Courier New\" 12"), std::string::npos) << texts[0];
  EXPECT_NE(texts[0].find("\"Ann Smith \""), std::string::npos) << texts[0];
  EXPECT_NE(texts[1].find("\"Rancho Santa Margarita  CA 92688-1234\""), std::string::npos)
      << texts[1];
  // x = left margin + text offset; y below the top of row two (top margin
  // 0.5 in + pitch 2 in + offset 0.25 in).
  double x = 0, y = 0;
  ASSERT_EQ(std::sscanf(texts[0].c_str(), "text %lf %lf", &x, &y), 2);
  EXPECT_LT(x, 1.0);
  EXPECT_GT(y, 2.75);
  EXPECT_LT(y, 2.95);
}

TEST_F(CliLabels, AlignmentPageOutlinesTheSheet) {
  const std::string out = dir.path() + "/align.qvs";
  const qvtest::RunResult r =
      Cli({"labels", file, "--stock", "5160", "--alignment-page", "--stream", out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("labels 30 on 1 pages", 0), 0u) << r.out;
  int rects = 0;
  for (const std::string& line : Lines(Cli({"stream-dump", out}).out)) {
    if (line.rfind("rect ", 0) == 0) ++rects;
  }
  EXPECT_EQ(rects, 30);
}

TEST_F(CliLabels, BadStockAndStartLabelAreInputErrorsBadLinesAUsageError) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* says;
  } cases[] = {
      {{"--stock", "Avery 99999"}, 1, "there is no label stock \"Avery 99999\""},
      {{"--stock", "Avery 516"}, 1, "Avery 5160"},  // a suggestion, not a choice
      {{"--start-label", "31"}, 1, "from 1 to 30"},
      {{"--start-label", "0"}, 1, "from 1 to 30"},
      {{"--stock", "Avery 5163", "--start-label", "11"}, 1, "from 1 to 10"},
      {{"--size", "99"}, 1, "from 6 to 36"},
      {{"--lines", "name,fax"}, 2, "WORD is one of name, title, org"},
      {{"--lines", ""}, 2, "--lines has no line"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"labels", file, "--stream", dir.path() + "/bad.qvs"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const qvtest::RunResult r = Cli(args, Stderr::kMerge);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
  }
}

}  // namespace
