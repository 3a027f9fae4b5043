// The "Count Zip Codes" dialog: counts the current selection per ZIP code
// when it first shows, then offers Print, Preview, Print Setup, Close and
// Save as CSV on the counted lines; the report runs in its "Print Status" /
// "Preview Status" window and a preview opens as "Preview Zipcode Count".
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "labels/windows/label_windows.h"
#include "zipcount/zip_count.h"
#include "zipcount/zip_report.h"

#include "ui/qt_classes.h"

namespace qv {

class TableObject;
class TApollo;
class WindowJobHost;

// The ZIP report's status window; the job asks "Cancel Printing?".
using TZipReportStatus = TPrintJobStatus;

// Hooks that run the report in TZipReportStatus and show a finished
// preview in TPreviewForm captioned "Preview Zipcode Count", modal over
// `parent`.
ZipReportHooks ZipReportWindowHooks(QWidget* parent = nullptr);

class TCountZipCodes : public QDialog {
  Q_OBJECT

 public:
  // `contacts` and `contactApollo`: the open contact file under the main
  // window's query (not owned).
  TCountZipCodes(TableObject* contacts, TApollo* contactApollo, QWidget* parent = nullptr);
  ~TCountZipCodes() override;

  // ---- state
  bool PreviewFlag = false;
  bool FirstActivation = true;
  bool Done() const { return m_count.Done(); }
  bool Counting() const { return m_count.Counting(); }
  const QStringList& ReportLines() const { return m_count.ReportLines(); }

  // The windows a print run shows; empty: the status and preview windows.
  std::function<ZipReportHooks()> RunHooks;
  ZipReportResult LastRun;

  // ---- controls
  QLabel* HeadingLabel;
  QLabel* StatusLabel;
  QPushButton* CancelButton;
  QWidget* ButtonPanel;
  QPushButton* PrintButton;
  QPushButton* PreviewButton;
  QPushButton* PrintSetupButton;
  QPushButton* SaveCsvButton;
  QPushButton* CloseButton;
  QPushButton* HelpButton;

  // ---- handlers
  void FormActivate();
  void CancelButtonClick();
  void PrintButtonClick();
  void PreviewButtonClick();
  void PrintSetupButtonClick();
  void SaveCsvButtonClick();
  void HelpButtonClick();

  // ---- operations
  void DoTheSort();
  void DoThePrintJob();
  void SetStatusLabel(const QString& text);

  static constexpr int kHelpTopic = 1050;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;

 private:
  std::unique_ptr<WindowJobHost> m_host;
  TZipCount m_count;
  QString m_pdfFile;  // chosen in Print Setup for the "PDF file" printer
};

}  // namespace qv
