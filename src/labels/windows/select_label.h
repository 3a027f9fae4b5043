// The label stock selection dialog: the definitions of QVPLBLS.DBF for one
// printer type, with New, Edit and Delete through the edit dialog, a find
// box that jumps to a stock by its part number or description, and the list
// of stocks of the same size as the chosen one. The caller
// opens the table on the dialog's table object; OK leaves the chosen
// definition as the table's current record.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "labels/label_stocks.h"
#include "labels/windows/label_edit.h"
#include "labels/windows/record_list.h"
#include "store/apollo.h"
#include "store/owned_table.h"
#include "store/table_object.h"

#include "ui/qt_classes.h"

namespace qv {

class TableGridModel;

// A label definition row of QVPLBLS.DBF as the edit dialog's working record.
LabelRecord ReadLabelDefinition(const TableObject& table);
// REQUIRES: `table` in edit or insert state. Writes every field but USERDEF,
// lengths with the 3 decimals the table keeps.
// False when a value was refused.
[[nodiscard]] bool WriteLabelDefinition(TableObject& table, const LabelRecord& record);
// Whether the current row is a definition the user made (USERDEF true).
bool IsUserLabelDefinition(const TableObject& table);

class TSelectLabel : public RecordListDialog {
  Q_OBJECT

 public:
  explicit TSelectLabel(QWidget* parent = nullptr);

  OwnedTable m_labelStocks;
  TApolloEnv& LabelEnv = m_labelStocks.env;
  TableObject* const LabelTable = &m_labelStocks.table;
  TApollo& LabelApollo = m_labelStocks.apollo;

  // The description in use and the printer type ("LJ" or other).
  QString PassedDescription, PassedPrinterType;
  // How New and Edit show the edit dialog; empty: exec() it.
  std::function<bool(TLabelEdit&)> RunLabelEdit;

  QRadioButton* rbLaser;
  QRadioButton* rbDotMatrix;
  QLineEdit* FindEdit;
  // The stocks that match the find box, best first; a click goes there.
  QListWidget* FindMatches;
  // The other stocks of the chosen one's size and printer type: the maker's
  // look-alikes of a box the user holds. A click goes there.
  QListWidget* SameSizeList;

  // Selects the printer type, restricts the table to it and stands on the
  // passed description; runs once however often the window is activated.
  void FormActivate() override;
  void rbLaserClick();
  void rbDotMatrixClick();
  void NewButtonClick();
  void EditButtonClick();
  void DeleteButtonClick();
  // Jumps to the stock that matches `text` best: the product number itself,
  // then a word that starts so, then the text anywhere (grid order within
  // each), and lists the matches; beeps when none does.
  void FindEditChange(const QString& text);
  // Lists in SameSizeList the stocks of the current record's geometry.
  void ShowSameSize();
  // Closes with the current row as the choice; without one, says so and stays.
  void OkButtonClick();

  // The grid row of the table's current record; -1 at the end of the table.
  int currentGridRow() const;

 protected:
  // Return or Enter on a row is OK.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool runEdit(TLabelEdit& edit);
  // Every stock of the table, for ShowSameSize; read again after a change.
  void readStocks();
  // Makes the stock with `description` current; false when the grid lacks it.
  bool goToDescription(const QString& description);

  std::vector<LabelStock> m_stocks;
  QString m_stocksError;  // why m_stocks could not be read
  bool m_readingStocks = false;

  bool m_firstActivation = true;
};

// Opens QVPLBLS.DBF in `directory` (empty: the program directory) and shows
// TSelectLabel modally. False after an information box when the table cannot
// be opened, and on Cancel; true with *chosen filled from the current row on
// OK. `run` replaces exec() of the dialog; empty: exec().
bool ChooseLabelDefinition(QWidget* parent, const QString& directory, const QString& description,
                           const QString& printerType, LabelRecord* chosen,
                           const std::function<bool(TSelectLabel&)>& run = {});

}  // namespace qv
