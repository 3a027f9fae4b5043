// The main window's behaviour: start-up, the enabling rules of
// SetButtons, the page buttons, the grid following the table, editing,
// the keyboard, closing, the Order menu, help and the File menu's tool
// commands. The controls are built in qvmain_layout.cpp; contact files and
// the recent-file list are in qvmain_files.cpp.
#include "app/qvmain.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>

#include "store/table_grid_model.h"
#include "app/db_controls.h"
#include "app/preferences.h"
#include "app/reindex.h"
#include "app/shared.h"
#include "app/splash.h"
#include "store/contact_file.h"
#include "store/dates.h"
#include "store/messages.h"
#include "store/settings.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

// The window's size at design; the placement rule works on it.
constexpr int kFormWidth = 610;
constexpr int kFormHeight = 450;

// Help topics of the pages and of the contents.
constexpr int kTopicMain = 1027;
constexpr int kTopicBrowse = 1005;
constexpr int kTopicFilter = 1020;
constexpr int kTopicContents = 1010;

const QString kTeal = QStringLiteral(
    "QPushButton { background-color: #008080; color: white; font-weight: bold;"
    " border: 1px solid #004c4c; border-radius: 3px; }");
const QString kPurple = QStringLiteral(
    "QPushButton { background-color: #800080; color: white;"
    " border: 1px solid #4c004c; border-radius: 3px; }");

}  // namespace

QString& CurrentFileName() {
  static QString name;
  return name;
}

QPoint MainWindowPosition(const QSize& screen, const QSize& window) {
  if (screen == QSize(640, 480)) return QPoint(0, 0);
  return QPoint((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2);
}

TQVPMain::TQVPMain(const StartOptions& options, QWidget* parent) : QMainWindow(parent) {
  SetMainWindow(this);
  ApolloEnv1.SetCentury(true);
  setWindowTitle(QString::fromLatin1(kApplicationTitle));

  BuildWindow();

  connect(TableQVW, &TableObject::beforeInsert, this, &TQVPMain::TableQVWBeforeInsert);
  connect(TableQVW, &TableObject::afterInsert, this, &TQVPMain::TableQVWAfterInsert);
  connect(TableQVW, &TableObject::afterEdit, this, &TQVPMain::TableQVWAfterEdit);
  connect(TableQVW, &TableObject::afterPost, this, &TQVPMain::TableQVWAfterPost);
  connect(TableQVW, &TableObject::afterCancel, this, &TQVPMain::TableQVWAfterCancel);
  connect(TableQVW, &TableObject::recordChanged, this, &TQVPMain::SyncGridRow);
  connect(TableQVW, &TableObject::indexRebuildProgress, this,
          &TQVPMain::TableQVWIndexRebuildProgress);
  connect(GridModel, &TableGridModel::reloaded, this, &TQVPMain::SyncGridRow);

  // Key preview: the window sees keys before the focused control does.
  qApp->installEventFilter(this);
  FormCreate(options);
}

TQVPMain::~TQVPMain() {
  qApp->removeEventFilter(this);
  if (MainWindow() == this) SetMainWindow(nullptr);
}

// ---- start-up -----------------------------------------------------------------

void TQVPMain::FormCreate(const StartOptions& options) {
  ShowPage(Page::Main);
  resize(kFormWidth, kFormHeight);
  QSize screen = options.screenSize;
  if (screen.isEmpty() && QGuiApplication::primaryScreen() != nullptr) {
    screen = QGuiApplication::primaryScreen()->geometry().size();
  }

  DateLabel->setText(QStringLiteral("Date"));
  DateFormatLabel->clear();
  SaveButton->setGeometry(AddButton->geometry());
  CancelButton->setGeometry(EditButton->geometry());
  qSetFilterButton->setGeometry(AddButton->geometry());
  qClearButton->setGeometry(DeleteButton->geometry());
  BrowsePrev->setGeometry(RecordPrev->geometry());
  BrowseNext->setGeometry(RecordNext->geometry());
  NoFilePanel->setGeometry(MainPage->contentsRect());
  PlaceFilterBoxes();
  RecordStretch();
  setMinimumSize(kFormWidth, kFormHeight);
  RestoreWindowPlace(screen);

  TrackTableEvents = true;
  FirstActivate = true;
  CurrentFilter.clear();
  qMatchCount->clear();
  if (options.splash) options.splash->close();

  LoadPreferences();
  ApolloEnv1.SetDeleted(true);

  const QString directory = ProgramDirectory();
  const QString recent = options.file.isEmpty() ? GetMRUFile() : options.file;
  if (!recent.isEmpty()) {
    OpenQVWDBF(recent);
  } else {
    const QString fallback = directory + QStringLiteral("QUORVA1.DBF");
    if (!QFileInfo::exists(fallback)) {
      TableObject creation(&ApolloEnv1);
      TApollo creationApollo;
      const bool made = CreateContactFile(fallback, creation, creationApollo);
      // Freshly made and tagged: the close has nothing left to write.
      (void)creation.close();
      if (made) OpenQVWDBF(fallback);
    } else {
      OpenQVWDBF(fallback);
    }
  }
  // Opening applied the empty filter.
  if (!TableQVW->active()) OnOpenQVWFile(false);

  UpdateMenuMRUList();
  ShowPage(Page::Main);
  SetTopButtons();
  SetButtons();
}

void TQVPMain::FormActivate() {
  if (!FirstActivate) return;
  FirstActivate = false;
  PlaceFilterBoxes();
}

void TQVPMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormActivate();
}

void TQVPMain::FormResize() {
  if (!isMaximized() || screen() == nullptr) return;
  const QRect full = screen()->availableGeometry();
  if (full.height() < height()) {
    setGeometry(x(), 0, width(), full.height());
  } else if (full.width() < width()) {
    setGeometry(0, y(), full.width(), height());
  }
}

void TQVPMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
  if (QLayout* l = layout()) l->activate();
  ApplyStretch();
}

// The size and place the window had when it was last closed; on the first
// start the designed size, centred (at the corner of a 640 x 480 screen).
void TQVPMain::RestoreWindowPlace(const QSize& screen) {
  const IniFile ini = SettingsFile();
  const QString section = QStringLiteral("Window");
  const int w = ini.readInteger(section, QStringLiteral("Width"), 0);
  const int h = ini.readInteger(section, QStringLiteral("Height"), 0);
  if (w < kFormWidth || h < kFormHeight || w > screen.width() || h > screen.height()) {
    move(MainWindowPosition(screen, QSize(kFormWidth, kFormHeight)));
    return;
  }
  const int left = std::clamp(ini.readInteger(section, QStringLiteral("Left"), 0), 0, screen.width() - w);
  const int top = std::clamp(ini.readInteger(section, QStringLiteral("Top"), 0), 0, screen.height() - h);
  resize(w, h);
  move(left, top);
  if (ini.readInteger(section, QStringLiteral("Maximized"), 0) != 0) setWindowState(Qt::WindowMaximized);
}

void TQVPMain::SaveWindowPlace() {
  IniFile ini = SettingsFile();
  const QString section = QStringLiteral("Window");
  const QRect r = isMaximized() ? normalGeometry() : geometry();
  const QPoint place = isMaximized() ? r.topLeft() : pos();
  // A place that cannot be stored is not worth a message at exit.
  (void)(ini.writeInteger(section, QStringLiteral("Left"), place.x()) &&
         ini.writeInteger(section, QStringLiteral("Top"), place.y()) &&
         ini.writeInteger(section, QStringLiteral("Width"), r.width()) &&
         ini.writeInteger(section, QStringLiteral("Height"), r.height()) &&
         ini.writeInteger(section, QStringLiteral("Maximized"), isMaximized() ? 1 : 0));
}

void TQVPMain::LoadPreferences() {
  const IniFile ini = SettingsFile();
  const DateSettings date = ReadDateSettings(ini);
  DateSeparator = date.separator;
  ShortDateFmt = date.shortDateFmt;
  DateEditMask = date.editMask;
  Adding = ReadAddingSettings(ini);
  BlankDate = BlankDateText(DateEditMask);
  DateConvention& dates = ProgramDates();
  dates.separator = DateSeparator.isEmpty() ? QLatin1Char('/') : DateSeparator.at(0);
  dates.shortDateFmt = ShortDateFmt;
  DBDate->setEditMask(DateEditMask);
  DateFormatLabel->setText(QStringLiteral("(") + ShortDateFmt + QStringLiteral(")"));
  // Dates already on screen follow the new format.
  DBDate->load();
  GridModel->refreshCells();
}

// ---- buttons and pages ------------------------------------------------------

void TQVPMain::ReturnToRecord(int recno) {
  if (recno > 0 && !Apollo1.Go(recno)) ShowInformation(Apollo1.LastFailureMessage());
}

void TQVPMain::SetQuery(const QString& condition) {
  if (!Apollo1.Query(condition)) ShowInformation(Apollo1.LastFailureMessage());
}

bool TQVPMain::CountQueryRecords(int* count) {
  if (Apollo1.QueryRecCount(count)) return true;
  ShowInformation(Apollo1.LastFailureMessage());
  return false;
}

void TQVPMain::SetButtons() {
  const bool active = TableQVW->active();
  const TableObject::State state = TableQVW->state();
  const bool editing =
      active && (state == TableObject::State::Edit || state == TableObject::State::Insert);
  IsEditing = editing;
  const bool current = active && TableQVW->recNo() != TableQVW->recordCount() + 1;
  const bool browsing = active && !editing;

  mnuRebuildIndexes->setEnabled(active);
  mnuImportAscii->setEnabled(active);
  mnuImportDbf->setEnabled(active);
  mnuImportCsv->setEnabled(active);
  mnuImportVcard->setEnabled(active);

  // The accelerators move to Save and Cancel while editing.
  SaveButton->setText(editing ? QStringLiteral("&Save") : QStringLiteral("Save"));
  CancelButton->setText(editing ? QStringLiteral("&Cancel") : QStringLiteral("Cancel"));
  AddButton->setText(editing ? QStringLiteral("Add") : QStringLiteral("&Add"));
  EditButton->setText(editing ? QStringLiteral("Edit") : QStringLiteral("Ed&it"));
  if (DeleteButton)
    DeleteButton->setText(editing ? QStringLiteral("Delete") : QStringLiteral("&Delete"));
  if (SearchButton)
    SearchButton->setText(editing ? QStringLiteral("Search") : QStringLiteral("&Search"));

  AddButton->setVisible(browsing);
  AddButton->setEnabled(browsing);
  EditButton->setVisible(browsing && current);
  EditButton->setEnabled(browsing && current);
  if (DeleteButton) {
    DeleteButton->setVisible(browsing && current);
    DeleteButton->setEnabled(browsing && current);
  }
  if (SearchButton) SearchButton->setVisible(browsing && current);
  SaveButton->setVisible(editing);
  CancelButton->setVisible(editing);
  for (QToolButton* arrow : {RecordPrev, RecordNext, BrowsePrev, BrowseNext}) {
    arrow->setVisible(browsing && current);
  }
  if (DialButton) DialButton->setVisible(browsing && current);
  if (SearchMemoButton) SearchMemoButton->setVisible(browsing && current);
  if (SearchMemoNextButton && editing) SearchMemoNextButton->hide();

  mnuClone->setEnabled(browsing && current);
  OrderMenu->menuAction()->setEnabled(browsing && current);
  UtilitiesMenu->menuAction()->setEnabled(browsing && current);
  mnuLabels->setEnabled(browsing && current);
  mnuEnvelopes->setEnabled(browsing && current);
  mnuLetters->setEnabled(browsing && current);
  FileMenu->menuAction()->setEnabled(!editing);

  if (editing && !IsBoundBox(QApplication::focusWidget())) DBLName->setFocus();
  FilterIndicator->setVisible(active && !CurrentFilter.isEmpty());
}

bool TQVPMain::IsBoundBox(QWidget* w) const {
  return w != nullptr &&
         (qobject_cast<DBEdit*>(w) != nullptr || w == DBMemoBox || DBMemoBox->isAncestorOf(w));
}

void TQVPMain::SetTopButtons() {
  MainButton->setStyleSheet(m_page == Page::Main ? kTeal : kPurple);
  BrowseButton->setStyleSheet(m_page == Page::Browse ? kTeal : kPurple);
  FilterButton->setStyleSheet(m_page == Page::Filter ? kTeal : kPurple);
}

void TQVPMain::ShowPage(Page page) {
  m_page = page;
  Pages->setCurrentWidget(page == Page::Main     ? static_cast<QWidget*>(MainPage)
                          : page == Page::Browse ? static_cast<QWidget*>(BrowsePage)
                                                 : static_cast<QWidget*>(FilterPage));
  GridModel->setActive(page == Page::Browse);
  if (page == Page::Browse) {
    SyncGridRow();
    BrowseGrid->setFocus();
  }
}

int TQVPMain::HelpTopic() const {
  switch (m_page) {
    case Page::Browse:
      return kTopicBrowse;
    case Page::Filter:
      return kTopicFilter;
    default:
      return kTopicMain;
  }
}

void TQVPMain::MainButtonClick() {
  // No page change in the middle of an edit.
  if (IsEditing) {
    Dialogs().beep();
    return;
  }
  ChangeToRecord();
}

void TQVPMain::BrowseButtonClick() {
  if (IsEditing) {
    Dialogs().beep();
    return;
  }
  ChangeToBrowse();
}

void TQVPMain::FilterButtonClick() {
  if (IsEditing) {
    Dialogs().beep();
    return;
  }
  ChangeToFilter();
}

void TQVPMain::ChangeToRecord() {
  if (m_page != Page::Main) {
    ShowPage(Page::Main);
    QApplication::processEvents();
    SetButtons();
  }
  SetTopButtons();
}

void TQVPMain::ChangeToBrowse() {
  if (m_page != Page::Browse) ShowPage(Page::Browse);
  SetTopButtons();
}

void TQVPMain::ChangeToFilter() {
  if (m_page != Page::Filter) ShowPage(Page::Filter);
  SetTopButtons();
}

// ---- the grid ---------------------------------------------------------------

void TQVPMain::SyncGridRow() {
  if (m_page != Page::Browse || GridModel->stale()) return;
  const int recno = TableQVW->recNo();
  const QModelIndex at = BrowseGrid->currentIndex();
  if (at.isValid() && GridModel->recordOfRow(at.row()) == recno) return;
  const int row = GridModel->rowOfRecord(recno);
  if (row < 0) return;
  m_syncingGrid = true;
  const int column = at.isValid() ? at.column() : 0;
  BrowseGrid->setCurrentIndex(GridModel->index(row, column));
  BrowseGrid->scrollTo(GridModel->index(row, column));
  m_syncingGrid = false;
}

void TQVPMain::GridRowChosen(int row) {
  if (m_syncingGrid || row < 0 || !TableQVW->active()) return;
  const int recno = GridModel->recordOfRow(row);
  if (recno <= 0 || recno == TableQVW->recNo()) return;
  // A move without a new layout: the rows stay as they are.
  if (!TableQVW->goToRecord(recno)) Messages().information(TableQVW->failureMessage());
  SetButtons();
}

void TQVPMain::GridDeleteRecord() { DeleteCurrentRecord(QStringLiteral("Delete record?")); }

void TQVPMain::DeleteCurrentRecord(const QString& question) {
  if (!TableQVW->active() || IsEditing || TableQVW->recNo() == TableQVW->recordCount() + 1) {
    return;
  }
  if (!AskYesNo(question)) return;
  QApplication::processEvents();
  // The record keeps its data: the deletion flag and the marker in PREFIX,
  // which every selection leaves out, hide it.
  TrackTableEvents = false;
  TableQVW->edit();
  // post and deleteRecord say why themselves when they fail.
  if (TableQVW->setFieldText(QStringLiteral("PREFIX"), QStringLiteral("DELETED")) &&
      TableQVW->post()) {
    (void)TableQVW->deleteRecord();
  } else {
    TableQVW->cancel();
  }
  TrackTableEvents = true;
  SetButtons();
}

// ---- editing ----------------------------------------------------------------

void TQVPMain::EditButtonClick() {
  if (m_page != Page::Main) return;
  TableQVW->edit();
  SetButtons();
}

void TQVPMain::SaveButtonClick() {
  if (m_page != Page::Main) return;
  if (IsEditing && DBDate->holdsInvalidDate()) {
    // The edit stays open with what the user typed, to be put right.
    ShowInformation(QStringLiteral("Invalid date. Must be in the format:") + ShortDateFmt);
    DBDate->setFocus();
    return;
  }
  (void)TableQVW->post();  // says why itself and keeps the edit
  SetButtons();
}

void TQVPMain::CancelButtonClick() {
  if (m_page != Page::Main) return;
  TableQVW->cancel();
  SetButtons();
}

void TQVPMain::EditFieldClick() {
  if (!IsEditing && !EditButton->isHidden() && EditButton->isEnabled()) EditButtonClick();
}

void TQVPMain::RecordPrevClick() {
  if (!TableQVW->active()) return;
  if (!TableQVW->prior()) {
    ShowInformation(TableQVW->failureMessage());
  } else if (TableQVW->bof()) {
    Dialogs().beep();
  }
  SetButtons();
}

void TQVPMain::RecordNextClick() {
  if (!TableQVW->active()) return;
  bool moved = TableQVW->next();
  if (moved && TableQVW->eof()) {
    // The end is not a record: stay on the last one.
    moved = TableQVW->last();
    Dialogs().beep();
  }
  if (!moved) ShowInformation(TableQVW->failureMessage());
  SetButtons();
}

void TQVPMain::TableQVWAfterEdit() {
  if (TrackTableEvents) SetButtons();
}

void TQVPMain::TableQVWAfterPost() {
  if (TrackTableEvents) SetButtons();
}

void TQVPMain::TableQVWAfterCancel() { SetButtons(); }

// On a large file the rebuild takes many seconds: the user sees why the
// open waits instead of a window that seems to hang.
void TQVPMain::TableQVWIndexRebuildProgress(int percent) {
  if (RebuildGauge == nullptr) {
    RebuildGauge = new QProgressDialog(
        QStringLiteral("The program stopped before the indexes of this file were brought up to "
                       "date. Rebuilding indexes"),
        QString(), 0, 100, this);
    RebuildGauge->setWindowTitle(QStringLiteral("Rebuilding indexes"));
    RebuildGauge->setWindowModality(Qt::WindowModal);
    RebuildGauge->setAutoReset(false);
    RebuildGauge->setAutoClose(false);
  }
  if (percent >= 100) {
    RebuildGauge->hide();
    return;
  }
  RebuildGauge->setValue(percent);
  RebuildGauge->show();
  // The rebuild runs on this thread: let the gauge paint.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- keyboard and closing ----------------------------------------------------

bool TQVPMain::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (m_page != Page::Main || (modifiers & (Qt::ControlModifier | Qt::AltModifier))) return false;
  switch (key) {
    case Qt::Key_PageDown:
      if (IsEditing) {
        if (AskYesNo(QStringLiteral("Save changes?"))) SaveButtonClick();
      } else {
        RecordNextClick();
      }
      return true;
    case Qt::Key_PageUp:
      if (!IsEditing) RecordPrevClick();
      return true;
    case Qt::Key_Escape:
      if (!IsEditing) return false;
      if (AskYesNo(QStringLiteral("Cancel changes?"))) CancelButtonClick();
      return true;
    default:
      return false;
  }
}

bool TQVPMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DBDate && event->type() == QEvent::FocusIn) DateEnter();
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  // Each key once, where it starts: at the focused control of this window.
  if (widget == nullptr || widget->window() != this ||
      (widget != QApplication::focusWidget() && widget != this)) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (widget == BrowseGrid) {
    switch (key->key()) {
      case Qt::Key_Insert:
        return true;  // no new rows from the grid
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape:
        ChangeToRecord();
        return true;
      case Qt::Key_Delete:
        if (key->modifiers() & Qt::ControlModifier) {
          GridDeleteRecord();
          return true;
        }
        return false;
      default:
        return false;
    }
  }
  if (FormKeyDown(key->key(), key->modifiers())) {
    // Esc answered No leaves the edit on: the date box then takes back its date.
    if (widget == DBDate && key->key() == Qt::Key_Escape) DateKeyDown(key->key(), key->modifiers());
    return true;
  }
  if (widget == DBDate && DateKeyDown(key->key(), key->modifiers())) return true;
  return QMainWindow::eventFilter(watched, event);
}

void TQVPMain::closeEvent(QCloseEvent* event) {
  if (!AskYesNo(QStringLiteral("Exit now?"))) {
    event->ignore();
    return;
  }
  TableQVW->cancel();
  SaveWindowPlace();
  event->accept();
}

void TQVPMain::ExitClick() { close(); }

// ---- menus ------------------------------------------------------------------

void TQVPMain::ClearOrderMenuItems() {
  for (QAction* item : OrderItems) item->setChecked(false);
}

void TQVPMain::SetMenuOrder(QAction* item) {
  ClearOrderMenuItems();
  item->setChecked(true);
  SetCurrentOrder(item->data().toString());
}

void TQVPMain::SetCurrentOrder(const QString& tag) {
  CurrentOrder = tag;
  if (!tag.isEmpty()) Apollo1.SetOrder(Apollo1.TagArea(tag));
}

void TQVPMain::HelpButtonClick() { Dialogs().showHelp(this, HelpTopic()); }

void TQVPMain::ContentsClick() { Dialogs().showHelp(this, kTopicContents); }

void TQVPMain::AboutClick() {
  TSplash about(TSplash::Mode::About, this);
  CenterOnMainWindow(&about);
  about.exec();
}

void TQVPMain::PreferencesClick() {
  TPreferences preferences(SettingsFile(), this);
  CenterOnMainWindow(&preferences);
  preferences.exec();
  LoadPreferences();
}

void TQVPMain::RebuildIndexesClick() {
  if (!TableQVW->active()) {
    ShowInformation(QStringLiteral("You need to have a QVW file open first"));
    return;
  }
  TrackTableEvents = false;
  TableQVW->disableControls();
  {
    TQVReindex reindex(TableQVW, &Apollo1, ProgramDirectory(), this);
    CenterOnMainWindow(&reindex);
    reindex.exec();
  }
  TableQVW->enableControls();
  TrackTableEvents = true;
  SetMenuOrder(OrderItems.first());
  SetButtons();
}

}  // namespace qv
