// The sample report written as a PDF file: page count and page size as
// pdfinfo (poppler-utils) reads them. Also the "PDF file" printer's question.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "render/printers.h"
#include "render/report_canvas.h"
#include "sample_report.h"

namespace qv {
namespace {

struct PdfInfo {
  int pages = -1;
  double width = 0, height = 0;  // points
};

// Skips the test (returns nullopt) when pdfinfo is not installed.
std::optional<PdfInfo> ReadPdfInfo(const QString& file) {
  QString tool = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
  if (tool.isEmpty()) return std::nullopt;
  QProcess process;
  process.start(tool, {file});
  process.waitForFinished(-1);
  QString out = QString::fromUtf8(process.readAllStandardOutput());
  PdfInfo info;
  auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
  if (pages.hasMatch()) info.pages = pages.captured(1).toInt();
  auto size =
      QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(out);
  if (size.hasMatch()) {
    info.width = size.captured(1).toDouble();
    info.height = size.captured(2).toDouble();
  }
  return info;
}

TEST(PdfOutput, SampleReportHasItsPagesAndPaper) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
    GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    int paperCode;
    Orientation orientation;
    int rows;
    int pages;
    double width, height;  // points: letter 612 x 792, A4 595.28 x 841.89
  } cases[] = {
      {1, Orientation::Portrait, 2 * testing::kSampleRowsPerPage + 2, 3, 612, 792},
      {9, Orientation::Landscape, 3, 1, 841.89, 595.28},
  };
  int n = 0;
  for (const Case& c : cases) {
    QString file = dir.filePath(QStringLiteral("sample%1.pdf").arg(++n));
    ReportCanvas canvas;
    canvas.setPaperCode(c.paperCode);
    canvas.setOrientation(c.orientation);
    canvas.setOutputToPdf(file);
    testing::WireSampleReport(canvas, c.rows);
    ASSERT_TRUE(canvas.execute()) << canvas.errorText().toStdString();
    std::optional<PdfInfo> info = ReadPdfInfo(file);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->pages, c.pages);
    EXPECT_NEAR(info->width, c.width, 1.0);
    EXPECT_NEAR(info->height, c.height, 1.0);
  }
}

TEST(PdfOutput, PdfPrinterAsksForTheFileAndRemembersTheFolder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QStringList suggested;
  QStringList answers = {dir.filePath(QStringLiteral("first")), QString()};
  SetPdfFileQuestion([&](const QString& path) {
    suggested << path;
    return answers.takeFirst();
  });

  ReportCanvas canvas;
  ASSERT_TRUE(canvas.selectPrinter(PdfPrinterName()));
  canvas.setOutputToPrinter();
  canvas.setTitle(QStringLiteral("Zip Code Count Report"));
  canvas.events().OnPrint = [](ReportCanvas& r) { r.printXY(1, 1, QStringLiteral("x")); };
  ASSERT_TRUE(canvas.execute()) << canvas.errorText().toStdString();
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("first.pdf"))));  // extension added
  EXPECT_TRUE(suggested[0].endsWith(QStringLiteral("/Zip Code Count Report.pdf")));

  // Cancelling the question aborts the run without an error; the next
  // question starts in the folder of the last answer.
  EXPECT_FALSE(canvas.execute());
  EXPECT_TRUE(canvas.aborted());
  EXPECT_TRUE(canvas.errorText().isEmpty());
  EXPECT_EQ(QFileInfo(suggested[1]).absolutePath(), QDir(dir.path()).absolutePath());

  // An aborted PDF run leaves no file behind.
  QString aborted = dir.filePath(QStringLiteral("aborted.pdf"));
  canvas.setOutputToPdf(aborted);
  canvas.events().OnPrint = [](ReportCanvas& r) {
    r.printXY(1, 1, QStringLiteral("x"));
    r.abort();
  };
  EXPECT_FALSE(canvas.execute());
  EXPECT_FALSE(QFile::exists(aborted));
  SetPdfFileQuestion(nullptr);
}

}  // namespace
}  // namespace qv
