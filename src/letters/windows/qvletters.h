// The Print Letters dialog: the letters of QVPLTRS.DBF in a grid, New /
// Modify in the designer, Delete, the record choice, copies, the printer,
// and Print Now / Preview of the merged letters.
#pragma once

#include <QDialog>
#include <functional>

#include "labels/windows/record_list.h"
#include "letters/letter_print.h"
#include "richtext/rich_document.h"
#include "store/apollo.h"
#include "store/owned_table.h"

#include "ui/qt_classes.h"

namespace qv {

class TableGridModel;
class TableObject;
class TLetterDesign;
class TRTFPreviewForm;
class TLetterPrintStatus;

class TqVLetters : public ContactPrintDialog {
 public:
  TqVLetters(TableObject* contacts, TApollo* contactApollo, QWidget* parent = nullptr);

  // Opens (or creates) QVPLTRS.DBF of `directory`; false after saying
  // "Unable to Open or Create QVPLTRS.DBF".
  bool OpenLettersTable(const QString& directory);

  OwnedTable m_letters;
  TApolloEnv& LettersEnv = m_letters.env;
  TableObject* const TableLetters = &m_letters.table;
  TApollo& ApolloLetters = m_letters.apollo;
  RichDocument WPRichText1;

  // ---- replaceable windows (tests script them; empty: the real ones)
  std::function<bool(TLetterDesign&)> RunDesigner;
  std::function<void(TRTFPreviewForm&)> RunPreview;
  std::function<void(TLetterPrintStatus&)> RunStatus;
  LetterRunResult LastRun;

  QTableView* LetterGrid;
  QPushButton* ModifyLetter;
  QPushButton* NewLetter;
  QPushButton* DeleteLetter;
  QRadioButton* rbQAll;
  QRadioButton* rbQFilter;
  QRadioButton* rbOnlyThis;
  QCheckBox* StartCurrentCheck;
  QLabel* PrinterLabel;
  QSpinBox* NumberofEachLabel;
  QPushButton* PrintNow;
  QPushButton* PreviewButton;
  QPushButton* PrinterSetup;
  QPushButton* HelpButton;
  QPushButton* CancelButton;

  bool LoadRichText();
  void SetLetterButtons();
  void ModifyLetterClick(bool isNew);
  void DeleteLetterClick();
  void PrintNowClick();
  void PreviewButtonClick();
  void PrinterSetupClick();
  // The dialog's choices as a letter run's options.
  LetterRunOptions ReadOptions() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void GridRowChanged();
  TableGridModel* m_model = nullptr;
  bool m_firstActivation = true;
};

}  // namespace qv
