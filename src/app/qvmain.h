// The main window: it owns the open contact file (TableQVW with its access
// object Apollo1 and the engine settings ApolloEnv1), shows one contact on
// the Main page or a grid of them on the Browse page, holds the Filter
// page, and starts every other function from its menus.
//
// qvmain.cpp: the window, its pages, SetButtons, keyboard and closing.
// qvmain_layout.cpp: building the controls.
// qvmain_files.cpp: opening, creating and cloning contact files and the
// recent-file list.
// qvmain_edit.cpp: adding, deleting, the date box and the memo search.
// qvmain_filter.cpp: search in the current order, the Filter page and
// Count Records.
#pragma once

#include <QDate>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QRect>
#include <functional>
#include <vector>

#include "store/apollo.h"
#include "store/settings.h"
#include "store/owned_table.h"

#include "ui/qt_classes.h"

namespace qv {

class TableGridModel;
class DBDateEdit;
class DBEdit;
class DBMemo;
class TableObject;
class TQVLabels;
class TCountZipCodes;
class TUserDesignedReport;
class TQVEnvelopes;
class TqVLetters;
class TQVDialer;

// The full path of the open contact file; empty when none is open. Windows
// that reopen the file after exclusive work read it.
QString& CurrentFileName();

// Where the main window goes on a screen: the top-left corner of a 640 by
// 480 screen, else centred.
QPoint MainWindowPosition(const QSize& screen, const QSize& window);

class TQVPMain : public QMainWindow {
  Q_OBJECT

 public:
  struct StartOptions {
    // The screen's size; empty: the primary screen.
    QSize screenSize;
    // Closed once the window is set up.
    QPointer<QWidget> splash;
    // The contact file to open instead of the most recent one (the file
    // given on the command line, as a file manager opens one).
    QString file;
  };

  explicit TQVPMain(const StartOptions& options = StartOptions(), QWidget* parent = nullptr);
  ~TQVPMain() override;

  enum class Page { Main, Browse, Filter };

  // ---- operations other windows use ----
  bool OpenQVWDBF(const QString& fileName);
  void SetButtons();
  void SetCurrentOrder(const QString& tag);
  void SetMenuOrder(QAction* item);
  void ChangeToRecord();
  void ChangeToBrowse();
  void ChangeToFilter();
  void LoadPreferences();
  QString GetDatabasePath() const;

  // ---- handlers ----
  void FormCreate(const StartOptions& options);
  void FormActivate();
  void FormResize();
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void ResetFilter();
  void OnOpenQVWFile(bool opened);
  void SetTopButtons();
  void MainButtonClick();
  void BrowseButtonClick();
  void FilterButtonClick();
  void EditButtonClick();
  void SaveButtonClick();
  void CancelButtonClick();
  void RecordPrevClick();
  void RecordNextClick();
  void EditFieldClick();
  void HelpButtonClick();
  void WhatsThisButtonClick();
  void SetWhatsThisTexts();
  void ContentsClick();
  void AboutClick();
  void PreferencesClick();
  void RebuildIndexesClick();
  void ExitClick();
  void ClearOrderMenuItems();
  void TableQVWAfterEdit();
  void TableQVWAfterPost();
  void TableQVWAfterCancel();
  void TableQVWIndexRebuildProgress(int percent);
  void GridDeleteRecord();

  // ---- editing (qvmain_edit.cpp) ----
  void AddButtonClick();
  void DeleteButtonClick();
  bool CheckDupName(const QString& firstName, const QString& lastName);
  void FillCityState(const QString& zip, QString& city, QString& state);
  void TableQVWBeforeInsert();
  void TableQVWAfterInsert();
  void DateEnter();
  void DateChange(const QString& text);
  bool DateKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void DateDblClick();
  void SearchMemoButtonClick();
  void SearchMemoNextButtonClick();
  void FindTextInMemo(bool fromStart);

  // ---- search and filter (qvmain_filter.cpp) ----
  void SearchButtonClick();
  void BuildFilterExpression();
  int ApplyFilter();
  void qSetFilterButtonClick();
  void qClearButtonClick();
  void CountRecords1Click();

  // ---- print jobs and ZIP code counts (qvmain_jobs.cpp) ----
  void mnuLabelsClick();
  // Runs the Print Labels dialog once it is set up; empty: exec() it.
  // Tests script the dialog through it.
  std::function<void(TQVLabels&)> RunLabelsWindow;
  // Envelopes; tests script the dialog through RunEnvelopesWindow, empty:
  // exec() it.
  void mnuEnvelopesClick();
  std::function<void(TQVEnvelopes&)> RunEnvelopesWindow;

  void mnuReportsClick();
  void mnuCountZipCodesClick();
  // Run the dialogs once they are set up; empty: exec() them.
  std::function<void(TUserDesignedReport&)> RunReportWindow;
  std::function<void(TCountZipCodes&)> RunZipCountWindow;
  // Letters: the Print Letters dialog; tests script it.
  void mnuLettersClick();
  std::function<void(TqVLetters&)> RunLettersWindow;
  // ---- data-quality utilities (qvmain_cleanup.cpp) ----
  void mnuDupCheckClick();
  void mnuStateZipCheckClick();
  void mnuConvertUpperClick();
  void mnuSearchReplaceClick();
  void mnuDeleteRecordsClick();
  void mnuRecallRecordsClick();
  // Runs a utility window once it is set up; empty: exec() it. Tests
  // script the windows through it.
  std::function<void(QDialog&)> RunCleanupWindow;

  // ---- import and copy out (qvmain_transfer.cpp) ----
  void mnuImportAsciiClick();
  void mnuImportDbfClick();
  void mnuImportCsvClick();
  void mnuImportVcardClick();
  void mnuCopyOutClick();
  // Runs an import or copy-out window once it is set up; empty: exec() it.
  // Tests script the windows through it.
  std::function<void(QDialog&)> RunTransferWindow;

  // ---- phone dialer (qvmain_dial.cpp) ----
  void DialButtonClick();
  // Runs the Dial Phone Number window; empty: exec() it. Tests script it.
  std::function<void(TQVDialer&)> RunDialerWindow;

  // ---- contact files (qvmain_files.cpp) ----
  void OpenFileMenuClick();
  void NewFileMenuClick();
  void mnuCloneClick();
  void MRUITemClick(QAction* item);
  QStringList GetMRUList() const;
  void PutMRUList(const QStringList& list);
  void UpdateMRUList(const QString& fileName);
  void UpdateMenuMRUList();
  QString GetMRUFile() const;

  Page currentPage() const { return m_page; }
  int HelpTopic() const;

  // ---- state, as the window's own code keeps it ----
  bool firstActivate() const { return FirstActivate; }
  // Off while a job has the table, so its moves and posts are not the user's.
  bool tracksTableEvents() const { return TrackTableEvents; }
  bool isEditing() const { return IsEditing; }
  const QString& currentOrder() const { return CurrentOrder; }
  const QString& currentFilter() const { return CurrentFilter; }
  const QString& shortDateFormat() const { return ShortDateFmt; }
  const QString& blankDate() const { return BlankDate; }
  bool memoFound() const { return MemoFound; }
  // The rules for adding records until Preferences are read again.
  void setAddingRules(const AddingSettings& rules) { Adding = rules; }

  // ---- the open file ----
  OwnedTable m_contacts;
  TApolloEnv& ApolloEnv1 = m_contacts.env;
  TableObject* const TableQVW = &m_contacts.table;
  TApollo& Apollo1 = m_contacts.apollo;
  TableGridModel* GridModel;

  // ---- controls ----
  QPushButton* MainButton;
  QPushButton* BrowseButton;
  QPushButton* FilterButton;
  QLabel* FilterIndicator;
  QStackedWidget* Pages;
  QFrame* MainPage;
  QFrame* BrowsePage;
  QFrame* FilterPage;
  QLabel* NoFilePanel;
  QPushButton* ExitButton;
  QPushButton* HelpButton;
  QPushButton* WhatsThisButton;

  DBEdit* DBLName;
  DBEdit* DBFName;
  DBEdit* DBMiddle;
  DBEdit* DBPrefix;
  DBEdit* DBTitle;
  DBEdit* DBOrg;
  DBEdit* DBStreet;
  DBEdit* DBCity;
  DBEdit* DBState;
  DBEdit* DBZip;
  DBEdit* DBCountry;
  DBDateEdit* DBDate;
  DBEdit* DBPhone;
  DBEdit* DBFax;
  DBEdit* DBEmail;
  DBEdit* DBNotes;
  DBMemo* DBMemoBox;
  QLabel* DateLabel;
  QLabel* DateFormatLabel;

  QPushButton* AddButton;
  QPushButton* EditButton;
  QPushButton* SaveButton;
  QPushButton* CancelButton;
  QToolButton* RecordPrev;
  QToolButton* RecordNext;
  // Added by the pieces that bring their functions; SetButtons already
  // knows their rules.
  QPushButton* DeleteButton = nullptr;
  QPushButton* SearchButton = nullptr;
  QPushButton* DialButton = nullptr;
  QPushButton* SearchMemoButton = nullptr;
  QPushButton* SearchMemoNextButton = nullptr;
  // Shown while an open rebuilds an index left out of date.
  QProgressDialog* RebuildGauge = nullptr;

  QTableView* BrowseGrid;
  QToolButton* BrowsePrev;
  QToolButton* BrowseNext;

  // The 14 filter boxes in the order their conditions are joined, and
  // their labels.
  QList<QLineEdit*> FilterBoxes;
  QList<QLabel*> FilterLabels;
  QLabel* qMatchCount;
  QPushButton* qSetFilterButton;
  QPushButton* qClearButton;

  QMenu* FileMenu;
  QAction* mnuOpen;
  QAction* mnuNew;
  QAction* mnuClone;
  QAction* mnuPreferences;
  QAction* mnuRebuildIndexes;
  QAction* mnuExit;
  QAction* StartOfMRU;
  QMenu* OrderMenu;
  QList<QAction*> OrderItems;
  QMenu* UtilitiesMenu;
  QAction* mnuCountRecords;
  QAction* mnuLabels;
  // Reports and ZIP code counts.
  QAction* mnuCountZipCodes;
  QAction* mnuReports;
  QAction* mnuEnvelopes;  // envelopes
  QAction* mnuLetters;  // letters
  // data-quality utilities
  QAction* mnuStateZipCheck = nullptr;
  QAction* mnuDupCheck = nullptr;
  QAction* mnuConvertUpper = nullptr;
  QAction* mnuSearchReplace = nullptr;
  QAction* mnuDeleteRecords = nullptr;
  QAction* mnuRecallRecords = nullptr;
  // import and copy out
  QAction* mnuImportAscii = nullptr;
  QAction* mnuImportDbf = nullptr;
  QMenu* ImportMenu = nullptr;  // "CSV File...", "vCard File..."
  QAction* mnuImportCsv = nullptr;
  QAction* mnuImportVcard = nullptr;
  QAction* mnuCopyOut = nullptr;
  QMenu* HelpMenu;
  QAction* mnuContents;
  QAction* mnuAbout;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ---- state ----
  bool FirstActivate = true;
  bool TrackTableEvents = true;
  bool IsEditing = false;
  QString CurrentOrder;
  QString CurrentFilter;
  // Date settings and the blank-date text of the mask.
  QString DateSeparator;
  QString ShortDateFmt;
  QString DateEditMask;
  QString BlankDate;
  // Rules for adding records, read now for the editing that uses them.
  AddingSettings Adding;
  // Memo search.
  QString MemoSearchText;
  bool MemoFound = false;
  // Carried from the record shown when an insert began.
  QString CarryOrg, CarryStreet, CarryCity, CarryState, CarryZip, CarryCountry;
  // The date when the date box was entered.
  QDate SavedDate;

  // A clean-up window on the contact file opened exclusively, the main
  // table closed meanwhile and brought back as it was.
  template <typename Window>
  void RunExclusiveCheck(const QString& workIndex);
  // An import window on the contact file opened exclusively; the main
  // table reopened afterwards in every case.
  template <typename Window>
  void RunImportWindow();
  // A print job's dialog made by `make`, set up by `open` (none: nothing to
  // open), run by `run` (empty: exec()) over the contact file.
  template <typename Window>
  void RunPrintJob(const QString& what, const std::function<Window*()>& make,
                   const std::function<bool(Window&)>& open,
                   const std::function<void(Window&)>& run);
  // A clean-up window on the filter alone.
  template <typename Window>
  void RunOnFilterAlone(const std::function<Window*()>& make);
  // Back on record `recno` after a search or a job (nothing for 0); a
  // failure is shown, and the table then stands at its end.
  void ReturnToRecord(int recno);
  // Sets the record query; a refusal or a failure is shown.
  void SetQuery(const QString& condition);
  // The records the query shows; false (after saying why) when the count
  // failed, so no caller mistakes a damaged file for an empty one.
  bool CountQueryRecords(int* count);
  // Asks `question`, then hides the current record as every delete from
  // this window does; nothing while editing or on the blank new row.
  void DeleteCurrentRecord(const QString& question);
  void BuildWindow();
  void BuildMenus();
  void BuildMainPage();
  void BuildBrowsePage();
  void BuildFilterPage();
  void BuildEditControls();
  void ShowPage(Page page);
  void SyncGridRow();
  void GridRowChosen(int row);
  bool IsBoundBox(QWidget* w) const;
  QList<QLabel*> MainLabelsForFilter() const;
  QList<QWidget*> MainBoxesForFilter() const;
  // The window grows from its designed size: the pages, the Browse grid,
  // the memo and the full-width boxes take the extra room, the button rows
  // move down with the bottom edge.
  void PlaceFilterBoxes();  // over the Main page's boxes of the same fields
  void RecordStretch();
  void ApplyStretch();
  void RestoreWindowPlace(const QSize& screen);
  void SaveWindowPlace();

  struct Stretch {
    QPointer<QWidget> widget;
    QRect base;
    bool moveDown, moveRight, growWidth, growHeight;
  };
  std::vector<Stretch> m_stretch;
  QSize m_baseCentral;

  Page m_page = Page::Main;
  bool m_syncingGrid = false;
  QList<QAction*> m_mruItems;
  QList<QLabel*> m_mainLabels;  // by field, for the filter page's alignment
};

}  // namespace qv
