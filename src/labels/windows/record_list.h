// What the setup and stock list dialogs of labels and envelopes share: a
// read-only grid over a small table whose highlighted row follows the
// table's current record, the rows of buttons around it, the table opened
// on its index (or in file order when the index will not open), the walk to
// the row the dialog starts on, the delete question; and what every print
// dialog over the contact file (labels, envelopes, letters, the report)
// shares: the Print and Printer Setup dialogs that choose the printer a run
// prints on, and where the run goes.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QTableView>
#include <functional>
#include <initializer_list>

#include "render/run_output.h"
#include "store/owned_table.h"

class QHBoxLayout;
class QPrinter;

namespace qv {

class TableGridModel;
enum class Orientation;

// A grid showing `model` a whole row at a time, read-only, one row
// highlighted, in compact rows without row numbers.
QTableView* NewRecordGrid(QWidget* parent, TableGridModel* model);

struct ButtonSpec {
  QPushButton** button;
  const char* caption;
};
// A row of new buttons: `left` at its left, then a stretch, then `right`.
QHBoxLayout* NewButtonRow(QWidget* parent, std::initializer_list<ButtonSpec> left,
                          std::initializer_list<ButtonSpec> right = {});

// Keeps a grid's highlighted row on its table's current record and tells a
// row the user chose from one it set itself.
class RecordGridLink {
 public:
  void attach(QTableView* grid, TableGridModel* model, const TableObject* table);
  // The grid row of the table's current record; -1 at the end of the table.
  int currentRow() const;
  // Highlights the row of the table's current record (none at its end)
  // without moving the table; a record being edited or added is no move.
  void showCurrent();
  // A row the user highlighted: its record becomes the table's current one.
  void goToRow(int row);
  // True while showCurrent() moves the highlight: the change is not the user's.
  bool following() const { return m_following; }

 private:
  QTableView* m_grid = nullptr;
  TableGridModel* m_model = nullptr;
  const TableObject* m_table = nullptr;
  bool m_following = false;
};

// What the stock list dialogs (label definitions, envelope sizes) share: a
// grid over their table whose highlighted row and current record follow
// each other, New, Edit and Delete at its left and OK and Cancel at its
// right, FormActivate when it first shows, and no row added from the
// keyboard: rows come only through New.
class RecordListDialog : public QDialog {
  Q_OBJECT

 public:
  QTableView* Grid = nullptr;
  QPushButton* NewButton = nullptr;
  QPushButton* EditButton = nullptr;
  QPushButton* DeleteButton = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

  virtual void FormActivate() = 0;
  TableGridModel* gridModel() const { return m_model; }

 protected:
  explicit RecordListDialog(QWidget* parent) : QDialog(parent) {}
  // Makes Grid over `model`, a view of `table`, and returns the row of
  // buttons that goes under it.
  QHBoxLayout* buildList(TableGridModel* model, const TableObject* table);
  // Connects the buttons to the dialog's handlers and Cancel to reject; a
  // double-click on a row is OK.
  template <class Dialog>
  void connectList(void (Dialog::*onNew)(), void (Dialog::*onEdit)(), void (Dialog::*onDelete)(),
                   void (Dialog::*onOk)()) {
    auto* self = static_cast<Dialog*>(this);
    connect(NewButton, &QPushButton::clicked, self, onNew);
    connect(EditButton, &QPushButton::clicked, self, onEdit);
    connect(DeleteButton, &QPushButton::clicked, self, onDelete);
    connect(OkButton, &QPushButton::clicked, self, onOk);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Grid, &QTableView::doubleClicked, self, [self, onOk](const QModelIndex& index) {
      if (index.isValid()) (self->*onOk)();
    });
  }
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  TableGridModel* m_model = nullptr;
  RecordGridLink m_link;
};

// A setup table from before the Intelligent Mail barcode keeps POSTNET only:
// says so, naming `fileName`, and turns the choice off.
void KeepToBarCodesTableHolds(QWidget* parent, const TableObject& table, const QString& fileName,
                              bool* intelligentMail);

// What every print dialog over the contact file holds: the file it prints
// from (not owned) and the PDF file the Print dialog chose for the next run
// only.
class ContactPrintDialog : public QDialog {
 protected:
  ContactPrintDialog(TableObject* contacts, TApollo* contactApollo, QWidget* parent)
      : QDialog(parent), m_contacts(contacts), m_contactApollo(contactApollo) {}
  // Where a run goes: printed (to the PDF file when one was chosen) on the
  // current printer, or previewed.
  void SetRunTarget(PrintTarget* target, bool print) const;

  TableObject* m_contacts;
  TApollo* m_contactApollo;
  QString m_pdfFile;
};

// What Print Labels and Print Envelope share besides: their table of setups
// (deleted ones leave the list at once) in a grid with Modify, New and
// Delete under it, the run buttons, and FormActivate when it first shows.
class SetupPrintDialog : public ContactPrintDialog {
  Q_OBJECT

 public:
  bool PrintFlag = true;
  bool NewSetup = false;
  bool FirstActivation = true;

  QTableView* SetupGrid = nullptr;
  QPushButton* ModifyButton = nullptr;
  QPushButton* NewButton = nullptr;
  QPushButton* DeleteButton = nullptr;
  QPushButton* PrintNowButton = nullptr;
  QPushButton* PreviewButton = nullptr;
  QPushButton* PrinterSetupButton = nullptr;
  QPushButton* CancelButton = nullptr;

  virtual void FormActivate() = 0;

 protected:
  SetupPrintDialog(TableObject* contacts, TApollo* contactApollo, QWidget* parent);
  // Makes SetupGrid in `box` over `model`, its first column `firstColumn`
  // average characters wide and the whole at least `minWidth` characters
  // by `minHeight` pixels, and returns the Modify, New and Delete row.
  QHBoxLayout* buildSetupGrid(QWidget* box, TableGridModel* model, int firstColumn, int minWidth,
                              int minHeight);
  // Connects the grid's buttons, the run buttons and a row the user
  // highlights to the dialog's handlers, Cancel to reject; a double-click
  // on a row is Modify.
  template <class Dialog>
  void connectSetupGrid(void (Dialog::*onModify)(), void (Dialog::*onNew)(),
                        void (Dialog::*onDelete)(), void (Dialog::*onPrintNow)(),
                        void (Dialog::*onPreview)(), void (Dialog::*onPrinterSetup)(),
                        void (Dialog::*onRowChange)()) {
    auto* self = static_cast<Dialog*>(this);
    connect(ModifyButton, &QPushButton::clicked, self, onModify);
    connect(NewButton, &QPushButton::clicked, self, onNew);
    connect(DeleteButton, &QPushButton::clicked, self, onDelete);
    connect(PrintNowButton, &QPushButton::clicked, self, onPrintNow);
    connect(PreviewButton, &QPushButton::clicked, self, onPreview);
    connect(PrinterSetupButton, &QPushButton::clicked, self, onPrinterSetup);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(SetupGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, self,
            onRowChange);
    connect(SetupGrid, &QTableView::doubleClicked, self, onModify);
  }
  // Opens `fileName` of `directory` and goes to its first row; false after
  // telling the user `openFailure` when it cannot be opened.
  bool OpenSetupTable(const QString& directory, const QString& fileName,
                      const QString& openFailure);
  // The grid after the table changed, its row on the current record.
  void ReloadGrid();
  // A row the user highlighted: its setup becomes the table's current one
  // (a failed move is told). False when the highlight was not the user's
  // or there is none.
  bool FollowGridRow();
  // Asks and deletes the highlighted setup; true when it was deleted.
  bool DeleteSetupRow();
  // Writes `setup`, accepted in the designer, as a new row (NewSetup) or
  // over the current one, after KeepToBarCodesTableHolds; a row that will
  // not write is dropped (the table has said why).
  template <class Setup>
  void StoreEditedSetup(Setup* setup, const QString& fileName,
                        bool (*write)(TableObject&, const Setup&)) {
    KeepToBarCodesTableHolds(this, m_setups.table, fileName, &setup->intelligentMail);
    if (NewSetup) m_setups.table.insert();
    if (write(m_setups.table, *setup)) {
      ReloadGrid();
    } else {
      m_setups.table.cancel();
    }
  }
  void showEvent(QShowEvent* event) override;

  OwnedTable m_setups;
  TableGridModel* m_gridModel = nullptr;
  RecordGridLink m_gridLink;
};

// Opens `fileName` of `directory` in the order of `tag`; a table whose
// index will not open still lists its rows in file order. False when the
// table itself will not open (the caller says so in its own words).
bool OpenListTable(TableObject* table, const QString& directory, const QString& fileName,
                   const QString& tag);

// Walks from the first row to the first one `isRow` accepts, or to the end,
// redrawing once; a failed move is told over `parent`.
void GoToFirstRow(QWidget* parent, TableObject* table,
                  const std::function<bool(const TableObject&)>& isRow);

// Asks `question` and deletes the current row on Yes (the table says why
// when it cannot); false when there was no row, the answer was No or the
// delete failed.
bool DeleteCurrentRow(QWidget* parent, TableObject* table, const QString& question);

// The printer the user chose in a Print or Printer Setup dialog becomes the
// current printer; the PDF printer's file goes to *pdfFile (else cleared).
void TakePrinterFromDialog(const QPrinter& printer, QString* pdfFile);

// In the two dialogs below, a given `orientation` is the page's: the dialog
// starts from it and the user's choice comes back in it.

// Printer Setup on the current printer; what the user chose becomes current.
void AskPrinterSetup(QWidget* parent, QString* pdfFile, Orientation* orientation = nullptr);

enum class PrintDialogAnswer { PrinterGone, Cancelled, Chosen };
// The Print dialog on the current printer; tells the user when that
// printer is not there.
PrintDialogAnswer AskPrintDialog(QWidget* parent, QString* pdfFile,
                                 Orientation* orientation = nullptr);

// Edits `*setup` in `Designer` over the contact file `contacts`, modally
// over `parent`; true, with the edited setup, when the designer was accepted.
template <class Designer, class Setup>
bool EditInDesigner(QWidget* parent, TableObject* contacts, Setup* setup) {
  Designer designer(contacts, parent);
  designer.Setup = *setup;
  if (designer.exec() != Designer::Accepted) return false;
  *setup = designer.Setup;
  return true;
}

}  // namespace qv
