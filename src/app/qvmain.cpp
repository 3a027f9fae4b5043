// The main window itself: its pages and controls, the enabling rules of
// SetButtons, the page buttons, the keyboard, closing, help and the File
// menu's tool commands. Contact files and the recent-file list are in
// qvmain_files.cpp.
#include "app/qvmain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>

#include "app/browse_model.h"
#include "app/db_controls.h"
#include "app/preferences.h"
#include "app/reindex.h"
#include "app/shared.h"
#include "app/splash.h"
#include "store/contact_file.h"
#include "store/dates.h"
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

// Page layout: label and box columns, row pitch.
constexpr int kLabel1 = 8;
constexpr int kBox1 = 88;
constexpr int kLabel2 = 300;
constexpr int kBox2 = 380;
constexpr int kRow = 26;
constexpr int kTop = 8;
constexpr int kBoxHeight = 22;
constexpr int kButtonRow = 322;

int RowY(int row) { return kTop + row * kRow; }

// The Order menu's captions in menu order.
const char* const kOrderCaptions[] = {"&Last Name", "&First Name", "&Title",   "&Organization",
                                      "&Street",    "&City",       "&State",   "&Zip",
                                      "&Country",   "&Phone",      "&E-mail",  "&Fax",
                                      "&Date",      "&Codes"};

// The filter boxes in the order their conditions are joined: field name
// of the Main-page box they line up with, and label.
struct FilterField {
  const char* field;
  const char* label;
};
const FilterField kFilterFields[] = {
    {"LNAME", "Last"},          {"FNAME", "First"},   {"TITLE", "Title"},
    {"ORG", "Org"},             {"STREET", "Street"}, {"ZIP", "Zip or Postal"},
    {"CITY", "City"},           {"STATE", "State or Prov"}, {"COUNTRY", "Country"},
    {"PHONE", "Phone"},         {"FAX", "Fax"},       {"EMAIL", "E-mail"},
    {"DATE", "Date"},           {"NOTES", "Codes"}};

const QString kTeal = QStringLiteral(
    "QPushButton { background-color: #008080; color: white; font-weight: bold;"
    " border: 1px solid #004c4c; border-radius: 3px; }");
const QString kPurple = QStringLiteral(
    "QPushButton { background-color: #800080; color: white;"
    " border: 1px solid #4c004c; border-radius: 3px; }");

// A small funnel: the sign that a filter is in force.
QPixmap FilterPicture() {
  QPixmap pm(22, 22);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x4c, 0x00, 0x4c), 1.2));
  p.setBrush(QColor(0xd0, 0x40, 0xd0));
  const QPointF funnel[] = {{2, 3}, {20, 3}, {13, 11}, {13, 19}, {9, 17}, {9, 11}};
  p.drawPolygon(funnel, 6);
  return pm;
}

QFrame* NewPage(QWidget* parent) {
  auto* page = new QFrame(parent);
  page->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  return page;
}

QToolButton* NewArrow(Qt::ArrowType arrow, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setArrowType(arrow);
  b->setAutoRepeat(true);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

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
  TableQVW = new TableObject(&ApolloEnv1, this);
  Apollo1.SetDataSource(TableQVW);
  GridModel = new BrowseModel(TableQVW, this);
  setWindowTitle(QApplication::applicationDisplayName());

  BuildMenus();
  auto* central = new QWidget(this);
  setCentralWidget(central);
  MainButton = new QPushButton(QStringLiteral("Main"), central);
  BrowseButton = new QPushButton(QStringLiteral("Browse"), central);
  FilterButton = new QPushButton(QStringLiteral("Filter"), central);
  int x = 8;
  for (QPushButton* b : {MainButton, BrowseButton, FilterButton}) {
    b->setGeometry(x, 5, 84, 26);
    b->setFocusPolicy(Qt::NoFocus);
    x += 88;
  }
  FilterIndicator = new QLabel(central);
  FilterIndicator->setPixmap(FilterPicture());
  FilterIndicator->setGeometry(x + 4, 7, 22, 22);
  FilterIndicator->setToolTip(QStringLiteral("A filter is in force"));
  FilterIndicator->hide();

  Pages = new QStackedWidget(central);
  Pages->setGeometry(8, 36, 594, 358);
  MainPage = NewPage(Pages);
  BrowsePage = NewPage(Pages);
  FilterPage = NewPage(Pages);
  Pages->addWidget(MainPage);
  Pages->addWidget(BrowsePage);
  Pages->addWidget(FilterPage);
  BuildMainPage();
  BuildBrowsePage();
  BuildFilterPage();

  ExitButton = new QPushButton(QStringLiteral("E&xit"), central);
  HelpButton = new QPushButton(QStringLiteral("&Help"), central);
  WhatsThisButton = new QPushButton(QStringLiteral("What's this?"), central);
  ExitButton->setGeometry(8, 398, 84, 25);
  HelpButton->setGeometry(96, 398, 84, 25);
  WhatsThisButton->setGeometry(184, 398, 96, 25);
  for (QPushButton* b : {ExitButton, HelpButton, WhatsThisButton}) b->setFocusPolicy(Qt::NoFocus);

  connect(MainButton, &QPushButton::clicked, this, &TQVPMain::MainButtonClick);
  connect(BrowseButton, &QPushButton::clicked, this, &TQVPMain::BrowseButtonClick);
  connect(FilterButton, &QPushButton::clicked, this, &TQVPMain::FilterButtonClick);
  connect(ExitButton, &QPushButton::clicked, this, &TQVPMain::ExitClick);
  connect(HelpButton, &QPushButton::clicked, this, &TQVPMain::HelpButtonClick);
  connect(WhatsThisButton, &QPushButton::clicked, this, &TQVPMain::HelpButtonClick);

  connect(TableQVW, &TableObject::afterEdit, this, &TQVPMain::TableQVWAfterEdit);
  connect(TableQVW, &TableObject::afterPost, this, &TQVPMain::TableQVWAfterPost);
  connect(TableQVW, &TableObject::afterCancel, this, &TQVPMain::TableQVWAfterCancel);
  connect(TableQVW, &TableObject::recordChanged, this, &TQVPMain::SyncGridRow);
  connect(GridModel, &BrowseModel::reloaded, this, &TQVPMain::SyncGridRow);

  // Key preview: the window sees keys before the focused control does.
  qApp->installEventFilter(this);
  FormCreate(options);
}

TQVPMain::~TQVPMain() {
  qApp->removeEventFilter(this);
  if (MainWindow() == this) SetMainWindow(nullptr);
}

// ---- building ---------------------------------------------------------------

void TQVPMain::BuildMenus() {
  FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
  mnuOpen = FileMenu->addAction(QStringLiteral("&Open"), this, &TQVPMain::OpenFileMenuClick);
  mnuNew = FileMenu->addAction(QStringLiteral("&New"), this, &TQVPMain::NewFileMenuClick);
  mnuClone = FileMenu->addAction(QStringLiteral("&Clone"), this, &TQVPMain::mnuCloneClick);
  FileMenu->addSeparator();
  mnuPreferences =
      FileMenu->addAction(QStringLiteral("&Preferences"), this, &TQVPMain::PreferencesClick);
  mnuRebuildIndexes = FileMenu->addAction(QStringLiteral("&Rebuild Indexes"), this,
                                          &TQVPMain::RebuildIndexesClick);
  FileMenu->addSeparator();
  mnuExit = FileMenu->addAction(QStringLiteral("E&xit"), this, &TQVPMain::ExitClick);
  StartOfMRU = FileMenu->addSeparator();

  OrderMenu = menuBar()->addMenu(QStringLiteral("&Order"));
  auto* group = new QActionGroup(this);
  group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  for (const char* caption : kOrderCaptions) {
    QAction* item = OrderMenu->addAction(QString::fromLatin1(caption));
    item->setCheckable(true);
    group->addAction(item);
    OrderItems << item;
    connect(item, &QAction::triggered, this, [this, item] { SetMenuOrder(item); });
  }

  HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
  mnuContents = HelpMenu->addAction(QStringLiteral("&Contents"), this, &TQVPMain::ContentsClick);
  mnuAbout = HelpMenu->addAction(QStringLiteral("&About"), this, &TQVPMain::AboutClick);
}

void TQVPMain::BuildMainPage() {
  auto label = [this](const char* text, int x, int y, int width) {
    auto* l = new QLabel(QString::fromLatin1(text), MainPage);
    l->setGeometry(x, y, width, kBoxHeight);
    return l;
  };
  auto box = [this, &label](const char* text, const char* field, int lx, int bx, int y,
                            int width) {
    QLabel* l = label(text, lx, y, bx - lx - 4);
    auto* e = new DBEdit(TableQVW, QString::fromLatin1(field), MainPage);
    e->setGeometry(bx, y, width, kBoxHeight);
    l->setBuddy(e);
    l->setObjectName(QString::fromLatin1(field));
    m_mainLabels << l;
    connect(e, &DBEdit::doubleClicked, this, &TQVPMain::EditFieldClick);
    return e;
  };

  DBLName = box("Last", "LNAME", kLabel1, kBox1, RowY(0), 200);
  DBFName = box("First", "FNAME", kLabel2, kBox2, RowY(0), 134);
  DBMiddle = box("MI", "MIDDLE", 520, 542, RowY(0), 32);
  DBMiddle->setUpperCase(true);
  DBPrefix = box("Prefix", "PREFIX", kLabel1, kBox1, RowY(1), 110);
  DBTitle = box("Title", "TITLE", kLabel2, kBox2, RowY(1), 194);
  DBOrg = box("Org", "ORG", kLabel1, kBox1, RowY(2), 486);
  DBStreet = box("Street", "STREET", kLabel1, kBox1, RowY(3), 486);
  DBCity = box("City", "CITY", kLabel1, kBox1, RowY(4), 200);
  DBState = box("State or Prov", "STATE", kLabel2, kBox2, RowY(4), 194);
  DBZip = box("Zip or Postal", "ZIP", kLabel1, kBox1, RowY(5), 110);
  DBCountry = box("Country", "COUNTRY", kLabel2, kBox2, RowY(5), 194);

  DateLabel = label("Date", kLabel1, RowY(6), kBox1 - kLabel1 - 4);
  DateLabel->setObjectName(QStringLiteral("DATE"));
  m_mainLabels << DateLabel;
  DBDate = new DBDateEdit(TableQVW, QStringLiteral("DATE"), MainPage);
  DBDate->setGeometry(kBox1, RowY(6), 96, kBoxHeight);
  DateLabel->setBuddy(DBDate);
  connect(DBDate, &DBEdit::doubleClicked, this, &TQVPMain::EditFieldClick);
  DateFormatLabel = label("", kBox1 + 102, RowY(6), 104);

  DBPhone = box("Phone", "PHONE", kLabel2, kBox2, RowY(6), 194);
  DBFax = box("Fax", "FAX", kLabel1, kBox1, RowY(7), 200);
  DBEmail = box("E-mail", "EMAIL", kLabel2, kBox2, RowY(7), 194);
  DBNotes = box("Codes", "NOTES", kLabel1, kBox1, RowY(8), 200);

  QLabel* memoLabel = label("Memo", kLabel1, RowY(9), 60);
  DBMemoBox = new DBMemo(TableQVW, QStringLiteral("MEMO"), MainPage);
  DBMemoBox->setGeometry(kBox1, RowY(9), 486, kButtonRow - RowY(9) - 8);
  memoLabel->setBuddy(DBMemoBox);
  connect(DBMemoBox, &DBMemo::doubleClicked, this, &TQVPMain::EditFieldClick);

  // The tab order of the fields as the user fills a record in.
  QWidget* order[] = {DBLName, DBFName, DBMiddle,  DBPrefix, DBTitle, DBOrg,
                      DBStreet, DBCity, DBState,   DBZip,    DBCountry, DBDate,
                      DBPhone,  DBFax,  DBEmail,   DBNotes,  DBMemoBox};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  AddButton = new QPushButton(QStringLiteral("&Add"), MainPage);
  EditButton = new QPushButton(QStringLiteral("&Edit"), MainPage);
  SaveButton = new QPushButton(QStringLiteral("Save"), MainPage);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), MainPage);
  AddButton->setGeometry(kBox1, kButtonRow, 80, 26);
  EditButton->setGeometry(kBox1 + 84, kButtonRow, 80, 26);
  RecordPrev = NewArrow(Qt::LeftArrow, MainPage);
  RecordNext = NewArrow(Qt::RightArrow, MainPage);
  RecordPrev->setGeometry(kBox1 + 350, kButtonRow, 34, 26);
  RecordNext->setGeometry(kBox1 + 386, kButtonRow, 34, 26);
  RecordPrev->setToolTip(QStringLiteral("Previous record (PgUp)"));
  RecordNext->setToolTip(QStringLiteral("Next record (PgDn)"));
  for (QPushButton* b : {AddButton, EditButton, SaveButton, CancelButton}) {
    b->setFocusPolicy(Qt::TabFocus);
  }
  connect(EditButton, &QPushButton::clicked, this, &TQVPMain::EditButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &TQVPMain::SaveButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TQVPMain::CancelButtonClick);
  connect(RecordPrev, &QToolButton::clicked, this, &TQVPMain::RecordPrevClick);
  connect(RecordNext, &QToolButton::clicked, this, &TQVPMain::RecordNextClick);

  NoFilePanel = new QLabel(QStringLiteral("Please Open or Create a Quorvane file"), MainPage);
  NoFilePanel->setAlignment(Qt::AlignCenter);
  NoFilePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  NoFilePanel->setAutoFillBackground(true);
  QFont big = NoFilePanel->font();
  big.setPointSize(big.pointSize() + 4);
  big.setBold(true);
  NoFilePanel->setFont(big);
  NoFilePanel->hide();
}

void TQVPMain::BuildBrowsePage() {
  BrowseGrid = new QTableView(BrowsePage);
  BrowseGrid->setGeometry(4, 4, 586, kButtonRow - 10);
  BrowseGrid->setModel(GridModel);
  BrowseGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  BrowseGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  BrowseGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  BrowseGrid->setAlternatingRowColors(true);
  BrowseGrid->setWordWrap(false);
  // Every row has one height: the view then never measures rows, which
  // keeps a million of them cheap.
  BrowseGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  BrowseGrid->verticalHeader()->setDefaultSectionSize(20);
  BrowseGrid->verticalHeader()->hide();
  BrowseGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  BrowseGrid->horizontalHeader()->setHighlightSections(false);
  BrowseGrid->setStyleSheet(QStringLiteral(
      "QTableView { selection-background-color: #000080; selection-color: white; }"
      " QTableView:!focus { selection-background-color: #000080; }"));
  const auto& columns = BrowseModel::Columns();
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    BrowseGrid->setColumnHidden(c, columns[c].hidden);
  }
  const int widths[] = {130, 110, 50, 150, 110, 90, 160, 70, 90, 120, 90, 100, 90, 150, 100, 80};
  for (int c = 0; c < static_cast<int>(std::size(widths)); ++c) {
    BrowseGrid->setColumnWidth(c, widths[c]);
  }
  connect(BrowseGrid, &QTableView::doubleClicked, this, &TQVPMain::ChangeToRecord);
  connect(BrowseGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { GridRowChosen(current.row()); });

  BrowsePrev = NewArrow(Qt::LeftArrow, BrowsePage);
  BrowseNext = NewArrow(Qt::RightArrow, BrowsePage);
  connect(BrowsePrev, &QToolButton::clicked, this, &TQVPMain::RecordPrevClick);
  connect(BrowseNext, &QToolButton::clicked, this, &TQVPMain::RecordNextClick);
}

void TQVPMain::BuildFilterPage() {
  int row = 0;
  for (const FilterField& f : kFilterFields) {
    auto* l = new QLabel(QString::fromLatin1(f.label), FilterPage);
    auto* e = new QLineEdit(FilterPage);
    // Laid over the Main page's boxes on the first activation; until then
    // in one column.
    l->setGeometry(kLabel1, RowY(row % 12), 76, kBoxHeight);
    e->setGeometry(kBox1, RowY(row % 12), 200, kBoxHeight);
    e->setObjectName(QString::fromLatin1(f.field));
    l->setBuddy(e);
    FilterLabels << l;
    FilterBoxes << e;
    ++row;
  }
  qMatchCount = new QLabel(FilterPage);
  qMatchCount->setGeometry(kBox1, kButtonRow + 2, 300, kBoxHeight);
}

QList<QWidget*> TQVPMain::MainBoxesForFilter() const {
  QList<QWidget*> boxes;
  const QList<DBEdit*> all = MainPage->findChildren<DBEdit*>();
  for (const FilterField& f : kFilterFields) {
    for (DBEdit* e : all) {
      if (e->field() == QLatin1String(f.field)) boxes << e;
    }
  }
  return boxes;
}

QList<QLabel*> TQVPMain::MainLabelsForFilter() const {
  QList<QLabel*> labels;
  for (const FilterField& f : kFilterFields) {
    for (QLabel* l : m_mainLabels) {
      if (l->objectName() == QLatin1String(f.field)) labels << l;
    }
  }
  return labels;
}

// ---- start-up -----------------------------------------------------------------

void TQVPMain::FormCreate(const StartOptions& options) {
  ShowPage(Page::Main);
  resize(kFormWidth, kFormHeight);
  QSize screen = options.screenSize;
  if (screen.isEmpty() && QGuiApplication::primaryScreen() != nullptr) {
    screen = QGuiApplication::primaryScreen()->geometry().size();
  }
  move(MainWindowPosition(screen, QSize(kFormWidth, kFormHeight)));

  DateLabel->setText(QStringLiteral("Date"));
  DateFormatLabel->clear();
  SaveButton->setGeometry(AddButton->geometry());
  CancelButton->setGeometry(EditButton->geometry());
  BrowsePrev->setGeometry(RecordPrev->geometry());
  BrowseNext->setGeometry(RecordNext->geometry());
  NoFilePanel->setGeometry(MainPage->contentsRect());

  TrackTableEvents = true;
  FirstActivate = true;
  CurrentFilter.clear();
  qMatchCount->clear();
  if (options.splash) options.splash->close();

  LoadPreferences();
  ApolloEnv1.SetDeleted(true);

  const QString directory = ProgramDirectory();
  const QString recent = GetMRUFile();
  if (!recent.isEmpty()) {
    OpenQVWDBF(recent);
  } else {
    const QString fallback = directory + QStringLiteral("QUORVA1.DBF");
    if (!QFileInfo::exists(fallback)) {
      TableObject creation(&ApolloEnv1);
      TApollo creationApollo;
      const bool made = CreateContactFile(fallback, creation, creationApollo);
      creation.close();
      if (made) OpenQVWDBF(fallback);
    } else {
      OpenQVWDBF(fallback);
    }
  }
  if (!TableQVW->active()) OnOpenQVWFile(false);

  UpdateMenuMRUList();
  ShowPage(Page::Main);
  SetTopButtons();
  SetButtons();
}

void TQVPMain::FormActivate() {
  if (!FirstActivate) return;
  FirstActivate = false;
  const QList<QWidget*> boxes = MainBoxesForFilter();
  const QList<QLabel*> labels = MainLabelsForFilter();
  for (int i = 0; i < FilterBoxes.size() && i < boxes.size() && i < labels.size(); ++i) {
    const QRect b = boxes[i]->geometry();
    FilterBoxes[i]->setGeometry(b.left(), b.top(), b.width(), FilterBoxes[i]->height());
    const QRect l = labels[i]->geometry();
    FilterLabels[i]->setGeometry(l.left(), l.top(), l.width(), FilterLabels[i]->height());
  }
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
}

void TQVPMain::LoadPreferences() {
  const IniFile ini = SettingsFile();
  const DateSettings date = ReadDateSettings(ini, DateDefaults::kMainWindow);
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

void TQVPMain::SetButtons() {
  const bool active = TableQVW->active();
  const TableObject::State state = TableQVW->state();
  const bool editing =
      active && (state == TableObject::State::Edit || state == TableObject::State::Insert);
  IsEditing = editing;
  const bool current = active && TableQVW->recNo() != TableQVW->recordCount() + 1;
  const bool browsing = active && !editing;

  mnuRebuildIndexes->setEnabled(active);

  // The accelerators move to Save and Cancel while editing.
  SaveButton->setText(editing ? QStringLiteral("&Save") : QStringLiteral("Save"));
  CancelButton->setText(editing ? QStringLiteral("&Cancel") : QStringLiteral("Cancel"));
  AddButton->setText(editing ? QStringLiteral("Add") : QStringLiteral("&Add"));
  EditButton->setText(editing ? QStringLiteral("Edit") : QStringLiteral("&Edit"));
  if (DeleteButton) DeleteButton->setText(editing ? QStringLiteral("Delete") : QStringLiteral("&Delete"));
  if (SearchButton) SearchButton->setText(editing ? QStringLiteral("Search") : QStringLiteral("Searc&h"));

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
  FileMenu->menuAction()->setEnabled(!editing);

  if (editing && !IsBoundBox(QApplication::focusWidget())) DBLName->setFocus();
  FilterIndicator->setVisible(active && !CurrentFilter.isEmpty());
}

bool TQVPMain::IsBoundBox(QWidget* w) const {
  return w != nullptr && (qobject_cast<DBEdit*>(w) != nullptr || w == DBMemoBox ||
                          DBMemoBox->isAncestorOf(w));
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
    case Page::Browse: return kTopicBrowse;
    case Page::Filter: return kTopicFilter;
    default: return kTopicMain;
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
  TableQVW->area()->Go(static_cast<uint32_t>(recno));
  TableQVW->refresh();
  SetButtons();
}

void TQVPMain::GridDeleteRecord() {
  if (!TableQVW->active() || IsEditing || TableQVW->recNo() == TableQVW->recordCount() + 1) {
    return;
  }
  if (!AskYesNo(QStringLiteral("Delete record?"))) return;
  // Deleted from the main window: the deletion flag and the marker in
  // PREFIX that every selection excludes.
  TrackTableEvents = false;
  TableQVW->edit();
  TableQVW->setFieldText(QStringLiteral("PREFIX"), QStringLiteral("DELETED"));
  if (TableQVW->post()) TableQVW->deleteRecord();
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
  TableQVW->post();
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
  TableQVW->prior();
  if (TableQVW->bof()) Dialogs().beep();
  SetButtons();
}

void TQVPMain::RecordNextClick() {
  if (!TableQVW->active()) return;
  TableQVW->next();
  if (TableQVW->eof()) {
    // The end is not a record: stay on the last one.
    TableQVW->last();
    Dialogs().beep();
  }
  SetButtons();
}

void TQVPMain::TableQVWAfterEdit() {
  if (TrackTableEvents) SetButtons();
}

void TQVPMain::TableQVWAfterPost() {
  if (TrackTableEvents) SetButtons();
}

void TQVPMain::TableQVWAfterCancel() { SetButtons(); }

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
  if (FormKeyDown(key->key(), key->modifiers())) return true;
  return QMainWindow::eventFilter(watched, event);
}

void TQVPMain::closeEvent(QCloseEvent* event) {
  if (!AskYesNo(QStringLiteral("Exit now?"))) {
    event->ignore();
    return;
  }
  TableQVW->cancel();
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
  const QString caption = item->text().mid(1, 30).toUpper();
  QString tag = caption;
  if (caption == QLatin1String("LAST NAME")) {
    tag = QStringLiteral("LNAME");
  } else if (caption == QLatin1String("FIRST NAME")) {
    tag = QStringLiteral("FNAME");
  } else if (caption == QLatin1String("ORGANIZATION")) {
    tag = QStringLiteral("ORG");
  } else if (caption == QLatin1String("E-MAIL")) {
    tag = QStringLiteral("EMAIL");
  } else if (caption == QLatin1String("CODES")) {
    tag = QStringLiteral("NOTES");
  }
  SetCurrentOrder(tag);
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
