// The list report of the contact file in one of four fixed layouts: a row
// of clipped cells per contact (three lines in layout 4), optionally its
// codes in a lightly shaded full-width cell and its memo wrapped in a
// shaded cell that continues over pages, under a header with the title,
// the page number, the date and the column headings between two rules.
//
// TUserReportPrint is the job of the report's "Print Status" window
// without the window, as TLabelPrint is for labels: it owns the page
// printer and the file report, walks the contact table from where the
// caller put it, and the window or the command line runs FormActivate.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

#include "labels/print_job.h"
#include "render/report_output.h"

namespace qv {

class JobHost;
class ReportCanvas;
class TableObject;

// The report's geometry, in inches.
namespace user_report {
constexpr double kLeftMargin = 1.0;
constexpr double kRightMargin = 0.5;
constexpr double kBottomMargin = 0.5;
constexpr double kBodyBelowTop = 1.0;
// The body starts this far below the rule under the headings, so that the
// first row's capitals do not touch it; its bottom (and the rule there)
// moves down as far, so a page holds the same number of lines.
constexpr double kBodyBelowRule = 0.04;
constexpr double kClipSlack = 0.2;
constexpr double kMemoSlack = 0.25;
constexpr double kTabMargin = 2.0;
constexpr int kCodesShade = 5;
constexpr int kMemoShade = 10;
// Screen pixels per inch of the hidden memo control the memo is wrapped in.
constexpr double kScreenPixelsPerInch = 96.0;
}  // namespace user_report

// The cell texts of a contact (fields by name, as the table shows them).
using FieldReader = std::function<QString(const QString& field)>;
QString RowName(const FieldReader& f);         // layouts 1 to 3
QString CityCell1(const FieldReader& f);       // layout 1
QString NameCell4(const FieldReader& f);       // layout 4, line 1
QString TitleOrgCell4(const FieldReader& f);   // layout 4, line 1
QString CityCell4(const FieldReader& f);       // layout 4, line 2
QString PhoneCell4(const FieldReader& f);      // layout 4, line 3

// Splits a memo into the lines a memo control `width` wide shows, words
// kept whole where they fit; a single blank line is no line at all.
QStringList WrapMemoLines(const QString& memo, double width,
                          const std::function<double(const QString&)>& measure);

// The layouts' choices as the dialog lists them.
QStringList ReportLayoutNames();
// The sort tag of a layout (1 to 4): LNAME, or ORG for layout 3.
QString ReportLayoutTag(int layout);

class TUserReportPrint : public PrintJob {
 public:
  // `table` is the contact table, positioned on the first record to print.
  TUserReportPrint(TableObject& table, JobHost& host);
  ~TUserReportPrint() override;

  // ---- Filled by the caller before the run
  void setLayout(int layout) { m_layout = layout < 1 || layout > 4 ? 1 : layout; }
  int layout() const { return m_layout; }
  void setTitle(const QString& title) { m_title = title; }
  void setPrintMemo(bool on) { m_printMemo = on; }
  void setPrintCodes(bool on) { m_printCodes = on; }
  // Both reports take it at once: the printer's page is set up before the
  // run's first event.
  void setOrientation(Orientation o);
  // The date in the header; today when not set.
  void setReportDate(const QDate& date) { m_date = date; }

  // ---- The report's events and page parts
  void BeforePrintReport(ReportCanvas& r);
  void PrintReport1(ReportCanvas& r) { PrintReport(r, 1); }
  void PrintReport2(ReportCanvas& r) { PrintReport(r, 2); }
  void PrintReport3(ReportCanvas& r) { PrintReport(r, 3); }
  void PrintReport4(ReportCanvas& r) { PrintReport(r, 4); }
  void HeaderFooter(ReportCanvas& r);
  // Prints `text` at the current tab's left edge, cut at width - 0.2 in.
  void DoTextRect(ReportCanvas& r, const QString& text, double width);
  void HandleCodesAndMemo(ReportCanvas& r);

  // Cancel asks "Cancel Report Printing?" before it aborts a print; Stop
  // ends a preview after the current record.
  QString OutcomeText() const override;

  long long RecordsPrinted() const { return m_records; }
  // Why the walk over the records ended early; empty when it did not.
  QString ReadError() const { return m_readError; }

 private:
  void PrintReport(ReportCanvas& r, int layout);
  void PageSetup(ReportCanvas& r);
  void NewPageWithHeader(ReportCanvas& r);
  void SetFullWidthTab(ReportCanvas& r, int shade);
  void PrintRow(ReportCanvas& r);
  QString Field(const QString& name) const;

  TableObject& m_table;
  int m_layout = 1;
  QString m_title;
  bool m_printMemo = false;
  bool m_printCodes = false;
  Orientation m_orientation = Orientation::Portrait;
  QDate m_date;
  double m_memoWidth = 0;
  long long m_records = 0;
  QString m_readError;
};

}  // namespace qv
