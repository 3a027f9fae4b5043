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

TEST(PdfOutput, SampleReportHasItsPagesAndPaper) {
  const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
  if (pdfinfo.isEmpty()) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    int paperCode;
    Orientation orientation;
    int rows;
    const char* info;  // pdfinfo's page count and size in points
  } cases[] = {
      {1, Orientation::Portrait, 2 * testing::kSampleRowsPerPage + 2, "3 612 x 792"},
      {9, Orientation::Landscape, 3, "1 842 x 595"},  // A4 841.89 x 595.28
  };
  for (const Case& c : cases) {
    QString file = dir.filePath(QStringLiteral("sample%1.pdf").arg(c.paperCode));
    ReportCanvas canvas;
    ASSERT_TRUE(canvas.setPaperCode(c.paperCode));
    canvas.setOrientation(c.orientation);
    canvas.setOutputToPdf(file);
    testing::WireSampleReport(canvas, c.rows);
    ASSERT_TRUE(canvas.execute()) << canvas.errorText().toStdString();
    QProcess process;
    process.start(pdfinfo, {file});
    ASSERT_TRUE(process.waitForFinished(-1));
    auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+).*Page size:\\s+([\\d.]+) x ([\\d.]+)"),
                                QRegularExpression::DotMatchesEverythingOption)
                 .match(QString::fromUtf8(process.readAllStandardOutput()));
    ASSERT_TRUE(m.hasMatch());
    EXPECT_EQ(QStringLiteral("%1 %2 x %3")
                  .arg(m.captured(1))
                  .arg(qRound(m.captured(2).toDouble()))
                  .arg(qRound(m.captured(3).toDouble())),
              QString::fromLatin1(c.info));
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
