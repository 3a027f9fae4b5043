// The "Print Report" dialog: picks one of the four report layouts, the
// title, codes and memo, and the records (all, those matching the filter,
// or the current one, optionally from the current record on), then prints
// or previews the report on the open contact file. The report runs in its
// status window; a preview opens as "Preview Report". The title, layout,
// codes and memo choices are kept in QUORVA.INI when the dialog closes,
// whichever way.
#pragma once

#include <QDialog>
#include <functional>

#include "labels/windows/label_windows.h"
#include "labels/windows/record_list.h"
#include "reports/report_run.h"
#include "reports/user_report.h"

#include "ui/qt_classes.h"

namespace qv {

// The report's status window. Cancel (printing) goes to the job, which
// asks "Cancel Report Printing?"; Stop (previewing) ends the run after the
// current record and keeps its pages.
using TUserReportPrintStatus = TPrintJobStatus;

// Hooks that run the report in TUserReportPrintStatus and show a finished
// preview in TPreviewForm captioned "Preview Report", modal over `parent`.
UserReportHooks UserReportWindowHooks(QWidget* parent = nullptr);

class TUserDesignedReport : public ContactPrintDialog {
  Q_OBJECT

 public:
  // `contacts` and `contactApollo`: the open contact file (not owned);
  // `contactFilePath` names it in the default title.
  TUserDesignedReport(TableObject* contacts, TApollo* contactApollo,
                      const QString& contactFilePath, QWidget* parent = nullptr);

  // ---- state
  bool PrintMode = true;
  Orientation NotedOrientation = Orientation::Portrait;
  // The windows a run shows; empty: the status and preview windows.
  std::function<UserReportHooks()> RunHooks;
  UserReportResult LastRun;

  // ---- controls
  QListWidget* ReportList;
  QLineEdit* TitleField;
  QCheckBox* PrintCodesBox;
  QCheckBox* PrintMemoBox;
  QRadioButton* rbQAll;
  QRadioButton* rbQFilter;
  QRadioButton* rbOnlyThis;
  QCheckBox* StartCurrentCheck;
  QPushButton* PrintNowButton;
  QPushButton* PreviewButton;
  QPushButton* PrintSetupButton;
  QPushButton* HelpButton;
  QPushButton* CancelButton;

  // ---- handlers
  void PrintNowClick();
  void PreviewButtonClick();
  void PrintSetupClick();
  void HelpButtonClick();
  void ReportListChange();

  // ---- operations
  void LoadPreferences();
  void SavePreferences();
  void DoPrint();
  // The controls read into the run's options.
  UserReportOptions Options() const;
  int Layout() const;

  static constexpr int kHelpTopic = 1051;

 protected:
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString m_contactFilePath;
  bool m_saved = false;
};

}  // namespace qv
