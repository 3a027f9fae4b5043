// The sample report written as a PDF file: page count and page size as
// pdfinfo (poppler-utils) reads them. Also the "PDF file" printer's question.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "render/printers.h"
#include "render/report_canvas.h"
#include "store/output_file.h"
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

// A PDF cut short at any of a spread of points (its first byte, within it,
// its last, the final flush) is told, and the older file of its name stays.
TEST(PdfOutput, AFailedWriteIsToldAndKeepsTheOldFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath(QStringLiteral("report.pdf"));
  auto run = [&](qint64 budget) {
    OutputFile::FailAfter(budget);
    ReportCanvas canvas;
    canvas.setOutputToPdf(file);
    testing::WireSampleReport(canvas, 3);
    const bool ok = canvas.execute();
    OutputFile::FailAfter(-1);
    return std::pair(ok, canvas.errorText());
  };
  ASSERT_TRUE(run(-1).first);
  const qint64 size = QFileInfo(file).size();
  QFile old(file);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
  old.close();
  for (const qint64 budget : {qint64(0), qint64(1), size / 3, size / 2, size - 1, size}) {
    SCOPED_TRACE(budget);
    const auto [ok, error] = run(budget);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, QStringLiteral("Unable to write the PDF file %1: No space left on device").arg(file));
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("report.pdf")});
  }
}

}  // namespace
}  // namespace qv
