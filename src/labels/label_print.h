// The label printer: walks the selected contact records (in the table's
// order or in presort order), composes each record's address lines, places
// them on the next label of the sheet with the POSTNET bars above them, and
// starts a new page when the sheet is full.
//
// TLabelPrint is the job of the "Print Status" / "Preview Status" window
// without the window: it owns the two report objects (page printer and
// file report), and the window or the command line runs FormActivate.
// Clicks reach it through CancelButtonClick (or Stop) from the host's
// processPendingEvents(), which the loop calls once per record.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

#include "labels/label_setup.h"
#include "labels/print_job.h"

namespace qv {

class ImbNumbering;
class ReportCanvas;
class TableObject;
class TApollo;

class TLabelPrint : public PrintJob {
 public:
  // `table` is the contact table under the run's selection; `apollo` is
  // bound to it.
  TLabelPrint(TableObject& table, TApollo& apollo, JobHost& host);
  ~TLabelPrint() override;

  // ---- Filled by the caller before the run
  void setSetup(const LabelSetup& setup) { m_setup = setup; }
  const LabelSetup& setup() const { return m_setup; }
  // Copies of each label; below 1 counts as 1.
  void setCopies(int copies) { m_copies = copies < 1 ? 1 : copies; }
  int copies() const { return m_copies; }
  // Presorted run: the groups come from `presortFile` (PRESORT.PSL).
  void setPresort(bool on, const QString& presortFile);
  // On a partly used sheet: the first label goes on position `label`
  // (1 is the top left, counted across the rows); the ones before it stay
  // empty. Only the first sheet of a run starts there.
  void setStartLabel(int label) { m_startLabel = label < 1 ? 1 : label; }
  int startLabel() const { return m_startLabel; }
  // The run prints one sheet with the outline of every label instead of
  // the records, to check how the printer meets the stock.
  void setAlignmentPage(bool on) { m_alignment = on; }

  // ---- The report's events
  void BeforePrintLabels(ReportCanvas& sender);
  void PrintLabels(ReportCanvas& sender);
  void AfterPrintLabels(ReportCanvas&) {}
  // Positions the table on the next group of the presort list.
  void GetNextSortedZip();

  // Cancel asks "Cancel Label Printing?" before it aborts a print.
  // The contact file failed under the run (the table object's failure):
  // the output was dropped, as after a cancel.
  bool TableFailed() const;
  QString OutcomeText() const override;

  // Labels placed by the last run, header labels included.
  long long LabelsPrinted() const { return m_labels; }

  // The serial numbers of an Intelligent Mail run (not owned).
  void setImbNumbering(ImbNumbering* numbering) { m_imb = numbering; }
  // One line per label that got no bar code, and why.
  const QStringList& BarCodeWarnings() const { return m_barCodeWarnings; }

 private:
  void PrintContactLabel(ReportCanvas& r, int column, int row);
  QString BaseOutcomeText() const;
  void AdvanceRecord();
  QString CurrentZipKey() const;
  // Steps over the records of the current key that print in another
  // group; false when the key has none left for this one.
  bool SkipToGroupRecord();
  void PrintAlignmentPage(ReportCanvas& r);

  TableObject& m_table;
  TApollo& m_apollo;
  LabelSetup m_setup;
  int m_copies = 1;
  bool m_presort = false;
  QString m_presortFile;
  QStringList m_presortList;
  QString m_presortLine;
  bool m_header = false;
  bool m_unknownGroup = false;     // the current group is "** Unknown"
  QSet<QString> m_groupedKeys;     // keys listed in the US groups
  int m_startLabel = 1;
  bool m_alignment = false;
  long long m_labels = 0;
  QStringList m_lines;
  ImbNumbering* m_imb = nullptr;
  QStringList m_barCodeWarnings;
};

}  // namespace qv
