// The ZIP count report on its page stream: the frame, the column lines,
// title and page number, the key and count cells with odd rows shaded,
// the next column and the next page, and stop and cancel.
#include "zipcount/zip_report.h"

#include <gtest/gtest.h>

#include <QIODevice>

#include "labels_test_util.h"
#include "near.h"
#include "render/report_canvas.h"

namespace qv {
namespace {

using testing::LinesOf;
using testing::Near;
using testing::TestHost;
using testing::TextsOf;

constexpr double kEps = 1e-6;

using RunPages = testing::RunPages<ZipReportResult>;

RunPages Preview(const QStringList& lines, TestHost& host, ZipReportHooks hooks = {}) {
  RunPages run;
  ZipReportOptions options;
  options.print = false;
  hooks.preview = testing::DecodeInto(&run.pages);
  run.result = DoThePrintJob(lines, options, host, hooks);
  return run;
}

const auto ShadesOf = testing::OpsOf<ShadeOp>;
const auto RectsOf = testing::OpsOf<RectOp>;

// Rows in a column: the 9 inches of the list at Arial 10's line height.
int RowsPerColumn() {
  ReportCanvas probe;
  probe.setFont(QStringLiteral("Arial"), 10);
  return int(9.0 / probe.lineHeight() + 1e-6);
}

QStringList NumberedLines(int n) {
  QStringList out;
  for (int i = 0; i < n; ++i) {
    out << QStringLiteral("%1     %2").arg(10000 + i).arg(i + 1);
  }
  return out;
}

TEST(ZipReport, FirstPageHasTitleFrameColumnLinesAndPageNumber) {
  TestHost host;
  RunPages run = Preview({"12345     5", "", "", "BLANK     2"}, host);
  EXPECT_EQ(std::tuple(run.result.outcome, run.result.statusText),
            std::tuple(ZipReportOutcome::Completed, "\rPreview Ready!"));
  ASSERT_EQ(run.pages.pages.size(), 1u);
  const Page& page = run.pages.pages[0];

  // The frame from (0.5, 1) to (8, 10) and the three column lines down it.
  std::vector<RectOp> rects = RectsOf(page);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].rect, QRectF(0.5, 1.0, 7.5, 9.0));
  std::vector<LineOp> lines = LinesOf(page);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(Near({lines[0].x1, lines[1].x1, lines[2].x1, lines[0].y2, lines[1].y2, lines[2].y2},
                   {2.375, 4.25, 6.125, 10.0, 10.0, 10.0}, kEps));

  // The title above the frame, the page number below it.
  std::vector<TextOp> texts = TextsOf(page);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(QStringList({texts[0].text, texts[1].text}),
            QStringList({"Zip Code Count Report", "Page 1"}));
  EXPECT_TRUE(texts[0].y < 1.0 && texts[1].y > 10.0) << texts[0].y << " " << texts[1].y;

  // Key cells at the tab's left plus its margin; counts in the right-aligned
  // second tab; the empty lines take rows of their own.
  QStringList cells;
  for (size_t i = 2; i < texts.size(); ++i) cells << texts[i].text;
  EXPECT_EQ(cells, QStringList({"12345", "     5", "", "", "", "", "", "", "", "BLANK", "     2", ""}));
  const double lineHeight = texts[5].y - texts[2].y;
  EXPECT_TRUE(Near({texts[2].x, texts[3].clip.left(), texts[3].clip.right(),
                    texts[11].y - texts[2].y},
                   {0.52, 1.125, 1.75, 3 * lineHeight}, kEps));

  // Rows 1 and 3 shaded 5 % over the three cells of the column.
  std::vector<ShadeOp> shades = ShadesOf(page);
  ASSERT_EQ(shades.size(), 6u);
  for (const ShadeOp& s : shades) EXPECT_EQ(s.percent, 5);
  EXPECT_TRUE(Near({shades[2].rect.right(), shades[3].rect.top() - shades[0].rect.top()},
                   {2.375, 2 * lineHeight}, kEps));
  // The frame and its lines come after the shading, which would cover them.
  ASSERT_GE(page.ops.size(), 4u);
  for (size_t i = page.ops.size() - 4; i < page.ops.size(); ++i) {
    EXPECT_FALSE(std::holds_alternative<ShadeOp>(page.ops[i]) ||
                 std::holds_alternative<TextOp>(page.ops[i]))
        << i;
  }
}

TEST(ZipReport, FullColumnsMoveRightThenToANewPageWithItsOwnFrame) {
  const int rows = RowsPerColumn();
  ASSERT_GT(rows, 40);
  TestHost host;
  RunPages run = Preview(NumberedLines(4 * rows + 1), host);
  ASSERT_EQ(run.pages.pages.size(), 2u);
  std::vector<TextOp> first = TextsOf(run.pages.pages[0]);
  // Title, page number, then three cells per line.
  ASSERT_EQ(first.size(), size_t(2 + 3 * 4 * rows));
  for (int column = 0; column < 4; ++column) {
    const TextOp& key = first[size_t(2 + 3 * column * rows)];
    EXPECT_EQ(key.text, QString::number(10000 + column * rows));
    EXPECT_TRUE(Near({key.x, key.y}, {0.52 + column * 1.875, first[2].y}, kEps)) << column;
  }
  // The row counter starts again in each column: its first row is shaded.
  std::vector<ShadeOp> shades = ShadesOf(run.pages.pages[0]);
  const size_t perColumn = size_t(3 * ((rows + 1) / 2));
  EXPECT_TRUE(Near({shades[perColumn].rect.left(), shades[perColumn].rect.top()},
                   {2.375, shades[0].rect.top()}, kEps));

  const Page& second = run.pages.pages[1];
  std::vector<TextOp> texts = TextsOf(second);
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(QStringList({texts[1].text, texts[2].text}),
            QStringList({"Page 2", QString::number(10000 + 4 * rows)}));
  EXPECT_NEAR(texts[2].x, 0.52, kEps);
  EXPECT_EQ(std::pair(RectsOf(second).size(), LinesOf(second).size()), std::pair(1ul, 3ul));
}

TEST(ZipReport, StopEndsAPreviewEarlyAndCancelAsksBeforeAbortingAPrint) {
  const int rows = RowsPerColumn();
  TestHost host;
  ZipReportHooks hooks;
  TZipReport* running = nullptr;
  hooks.printReport = [&running](TZipReport& job) {
    running = &job;
    job.FormActivate();
  };
  host.onEvents = [&](int round) {
    if (round == 4 * rows + 3 && running) running->CancelButtonClick();
  };
  RunPages run = Preview(NumberedLines(12 * rows), host, hooks);
  EXPECT_EQ(std::tuple(run.result.outcome, run.pages.pages.size(), host.asked,
                       run.result.statusText),
            std::tuple(ZipReportOutcome::Stopped, 2u, QStringList(),
                       "\rPreview Stopped at page 2!"));

  TestHost printHost;
  printHost.answers = {true};
  QStringList lines = NumberedLines(10);
  TZipReport job(lines, printHost);
  job.setPrintMode(true);
  job.Report().setOutputToStream(nullptr);
  printHost.onEvents = [&job](int round) {
    if (round == 3) job.CancelButtonClick();
  };
  job.FormActivate();
  EXPECT_EQ(printHost.asked, QStringList({"Cancel Printing?"}));
  EXPECT_TRUE(job.Aborted());
  EXPECT_EQ(job.OutcomeText(), "\rPrint Canceled!");
}

}  // namespace
}  // namespace qv
