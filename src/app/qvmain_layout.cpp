// The main window's controls: the menus, the page buttons, the three pages
// with their boxes laid out as the window was designed (the Filter page is
// lined up with the Main page on the first activation), and the buttons
// below.
#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>

#include "store/table_grid_model.h"
#include "app/db_controls.h"
#include "app/qvmain.h"

namespace qv {

namespace {

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
// The Browse grid's columns in grid order, the hidden ones last, with
// their first widths.
struct BrowseColumn {
  const char* field;
  const char* title;
  bool hidden;
  int width;
};
const BrowseColumn kBrowseColumns[] = {
    {"LNAME", "Last Name", false, 130},  {"FNAME", "First Name", false, 110},
    {"MIDDLE", "Middle", false, 50},     {"ORG", "Organization", false, 150},
    {"CITY", "City", false, 110},        {"ZIP", "Zip/Postal Code", false, 90},
    {"STREET", "Street Address", false, 160}, {"PREFIX", "PREFIX", false, 70},
    {"STATE", "State", false, 90},       {"TITLE", "Title", false, 120},
    {"COUNTRY", "Country", false, 90},   {"PHONE", "Phone", false, 100},
    {"NOTES", "Codes", false, 90},       {"EMAIL", "Email", false, 150},
    {"FAX", "Fax", false, 100},          {"DATE", "DATE", false, 80},
    {"CARRIER", "CARRIER", true, 0},     {"MEMO", "MEMO", true, 0},
    {"SEQNO", "SEQNO", true, 0},
};

// The Order menu: caption and the tag it sets.
struct OrderChoice {
  const char* caption;
  const char* tag;
};
const OrderChoice kOrderChoices[] = {
    {"&Last Name", "LNAME"}, {"&First Name", "FNAME"}, {"&Title", "TITLE"},
    {"&Organization", "ORG"}, {"&Street", "STREET"},   {"&City", "CITY"},
    {"&State", "STATE"},      {"&Zip", "ZIP"},          {"&Country", "COUNTRY"},
    {"&Phone", "PHONE"},      {"&E-mail", "EMAIL"},     {"&Fax", "FAX"},
    {"&Date", "DATE"},        {"&Codes", "NOTES"}};

// The filter boxes in the order their conditions are joined: field name
// of the Main-page box they line up with, and label.
struct FilterField {
  const char* field;
  const char* label;
};
const FilterField kFilterFields[] = {{"LNAME", "Last"},      {"FNAME", "First"},
                                     {"TITLE", "Title"},     {"ORG", "Org"},
                                     {"STREET", "Street"},   {"ZIP", "Zip or Postal"},
                                     {"CITY", "City"},       {"STATE", "State or Prov"},
                                     {"COUNTRY", "Country"}, {"PHONE", "Phone"},
                                     {"FAX", "Fax"},         {"EMAIL", "E-mail"},
                                     {"DATE", "Date"},       {"NOTES", "Codes"}};

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

void TQVPMain::BuildWindow() {
  BuildMenus();
  auto* central = new QWidget(this);
  setCentralWidget(central);
  MainButton = new QPushButton(QStringLiteral("Main"), central);
  BrowseButton = new QPushButton(QStringLiteral("Browse"), central);
  FilterButton = new QPushButton(QStringLiteral("Filter"), central);
  int x = 8;
  int page = 1;
  for (QPushButton* b : {MainButton, BrowseButton, FilterButton}) {
    b->setGeometry(x, 5, 84, 26);
    b->setFocusPolicy(Qt::NoFocus);
    // The page buttons take no focus (Tab stays among the page's boxes)
    // and their captions no accelerator, whose letters the menus hold:
    // Ctrl+1, Ctrl+2 and Ctrl+3 reach the pages from the keyboard.
    const QKeySequence key(QStringLiteral("Ctrl+%1").arg(page++));
    b->setToolTip(b->text() + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                  QLatin1Char(')'));
    connect(new QShortcut(key, this), &QShortcut::activated, b, &QPushButton::click);
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
  HelpButton = new QPushButton(QStringLiteral("Hel&p"), central);
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
  connect(WhatsThisButton, &QPushButton::clicked, this, &TQVPMain::WhatsThisButtonClick);
  SetWhatsThisTexts();
}

void TQVPMain::BuildMenus() {
  FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
  mnuOpen = FileMenu->addAction(QStringLiteral("&Open"), this, &TQVPMain::OpenFileMenuClick);
  mnuNew = FileMenu->addAction(QStringLiteral("&New"), this, &TQVPMain::NewFileMenuClick);
  mnuClone = FileMenu->addAction(QStringLiteral("&Clone"), this, &TQVPMain::mnuCloneClick);
  FileMenu->addSeparator();
  mnuImportDbf = FileMenu->addAction(QStringLiteral("Import from &DBF File"), this,
                                     &TQVPMain::mnuImportDbfClick);
  mnuImportAscii = FileMenu->addAction(QStringLiteral("Import from &ASCII File"), this,
                                       &TQVPMain::mnuImportAsciiClick);
  // The formats address books and spreadsheets export.
  ImportMenu = FileMenu->addMenu(QStringLiteral("&Import"));
  mnuImportCsv =
      ImportMenu->addAction(QStringLiteral("&CSV File..."), this, &TQVPMain::mnuImportCsvClick);
  mnuImportVcard =
      ImportMenu->addAction(QStringLiteral("&vCard File..."), this, &TQVPMain::mnuImportVcardClick);
  FileMenu->addSeparator();
  mnuPreferences =
      FileMenu->addAction(QStringLiteral("&Preferences"), this, &TQVPMain::PreferencesClick);
  mnuRebuildIndexes =
      FileMenu->addAction(QStringLiteral("&Rebuild Indexes"), this, &TQVPMain::RebuildIndexesClick);
  FileMenu->addSeparator();
  mnuExit = FileMenu->addAction(QStringLiteral("E&xit"), this, &TQVPMain::ExitClick);
  StartOfMRU = FileMenu->addSeparator();

  OrderMenu = menuBar()->addMenu(QStringLiteral("&Order"));
  auto* group = new QActionGroup(this);
  group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  for (const OrderChoice& choice : kOrderChoices) {
    QAction* item = OrderMenu->addAction(QString::fromLatin1(choice.caption));
    item->setData(QString::fromLatin1(choice.tag));
    item->setCheckable(true);
    group->addAction(item);
    OrderItems << item;
    connect(item, &QAction::triggered, this, [this, item] { SetMenuOrder(item); });
  }

  UtilitiesMenu = menuBar()->addMenu(QStringLiteral("&Utilities"));
  mnuCountRecords = UtilitiesMenu->addAction(QStringLiteral("&Count Records"), this,
                                             &TQVPMain::CountRecords1Click);
  // data-quality utilities (qvmain_cleanup.cpp)
  mnuStateZipCheck = UtilitiesMenu->addAction(QStringLiteral("Check && Repair S&tate and Zip Codes"),
                                              this, &TQVPMain::mnuStateZipCheckClick);
  mnuDupCheck = UtilitiesMenu->addAction(QStringLiteral("Check && Repair &Duplicates"), this,
                                         &TQVPMain::mnuDupCheckClick);
  mnuConvertUpper = UtilitiesMenu->addAction(QStringLiteral("Convert to &Uppercase"), this,
                                             &TQVPMain::mnuConvertUpperClick);
  mnuSearchReplace = UtilitiesMenu->addAction(QStringLiteral("&Search && Replace Field Values"),
                                              this, &TQVPMain::mnuSearchReplaceClick);
  mnuDeleteRecords = UtilitiesMenu->addAction(QStringLiteral("Delete &Records"), this,
                                              &TQVPMain::mnuDeleteRecordsClick);
  mnuRecallRecords = UtilitiesMenu->addAction(QStringLiteral("R&ecall Deleted Records"), this,
                                              &TQVPMain::mnuRecallRecordsClick);
  mnuCopyOut = UtilitiesMenu->addAction(QStringLiteral("Copy Records &Out"), this,
                                        &TQVPMain::mnuCopyOutClick);

  // Reports and ZIP code counts: the Reports item follows the Labels item's rule.
  mnuCountZipCodes = UtilitiesMenu->addAction(QStringLiteral("Count &Zip Codes"), this,
                                              &TQVPMain::mnuCountZipCodesClick);

  mnuLabels = menuBar()->addAction(QStringLiteral("&Labels"), this, &TQVPMain::mnuLabelsClick);
  mnuReports = menuBar()->addAction(QStringLiteral("&Reports"), this, &TQVPMain::mnuReportsClick);
  connect(mnuLabels, &QAction::enabledChanged, mnuReports, &QAction::setEnabled);
  // Envelopes.
  mnuEnvelopes =
      menuBar()->addAction(QStringLiteral("&Envelopes"), this, &TQVPMain::mnuEnvelopesClick);
  // Letters
  mnuLetters = menuBar()->addAction(QStringLiteral("Le&tters"), this, &TQVPMain::mnuLettersClick);

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
  auto box = [this, &label](const char* text, const char* field, int lx, int bx, int y, int width) {
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
  connect(DBDate, &DBEdit::doubleClicked, this, &TQVPMain::DateDblClick);
  DateFormatLabel = label("", kBox1 + 102, RowY(6), 104);

  DBPhone = box("Phone", "PHONE", kLabel2, kBox2, RowY(6), 194);
  // Phone dialer: the Dial button beside the phone box.
  DBPhone->resize(DBPhone->width() - 44, DBPhone->height());
  DialButton = new QPushButton(QStringLiteral("Dial"), MainPage);
  DialButton->setGeometry(kBox2 + 194 - 40, RowY(6), 40, kBoxHeight);
  DialButton->setFocusPolicy(Qt::NoFocus);
  connect(DialButton, &QPushButton::clicked, this, &TQVPMain::DialButtonClick);
  DBFax = box("Fax", "FAX", kLabel1, kBox1, RowY(7), 200);
  DBEmail = box("E-mail", "EMAIL", kLabel2, kBox2, RowY(7), 194);
  DBNotes = box("Codes", "NOTES", kLabel1, kBox1, RowY(8), 200);

  QLabel* memoLabel = label("Memo", kLabel1, RowY(9), 60);
  DBMemoBox = new DBMemo(TableQVW, QStringLiteral("MEMO"), MainPage);
  DBMemoBox->setGeometry(kBox1, RowY(9), 486, kButtonRow - RowY(9) - 8);
  memoLabel->setBuddy(DBMemoBox);
  connect(DBMemoBox, &DBMemo::doubleClicked, this, &TQVPMain::EditFieldClick);

  // The tab order of the fields as the user fills a record in.
  QWidget* order[] = {DBLName,  DBFName, DBMiddle, DBPrefix, DBTitle,   DBOrg,
                      DBStreet, DBCity,  DBState,  DBZip,    DBCountry, DBDate,
                      DBPhone,  DBFax,   DBEmail,  DBNotes,  DBMemoBox};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  AddButton = new QPushButton(QStringLiteral("&Add"), MainPage);
  EditButton = new QPushButton(QStringLiteral("Ed&it"), MainPage);
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
  DeleteButton = new QPushButton(QStringLiteral("&Delete"), MainPage);
  SearchButton = new QPushButton(QStringLiteral("&Search"), MainPage);
  DeleteButton->setGeometry(kBox1 + 168, kButtonRow, 80, 26);
  SearchButton->setGeometry(kBox1 + 252, kButtonRow, 80, 26);
  for (QPushButton* b : {DeleteButton, SearchButton}) b->setFocusPolicy(Qt::TabFocus);
  SearchMemoButton = new QPushButton(QStringLiteral("Search Memo"), MainPage);
  SearchMemoNextButton = new QPushButton(QStringLiteral("Find Next"), MainPage);
  SearchMemoButton->setGeometry(kLabel1 - 4, RowY(10), kBox1 - kLabel1, 24);
  SearchMemoNextButton->setGeometry(kLabel1 - 4, RowY(11), kBox1 - kLabel1, 24);
  for (QPushButton* b : {SearchMemoButton, SearchMemoNextButton}) b->setFocusPolicy(Qt::NoFocus);
  SearchMemoNextButton->hide();
  connect(AddButton, &QPushButton::clicked, this, &TQVPMain::AddButtonClick);
  connect(DeleteButton, &QPushButton::clicked, this, &TQVPMain::DeleteButtonClick);
  connect(SearchButton, &QPushButton::clicked, this, &TQVPMain::SearchButtonClick);
  connect(SearchMemoButton, &QPushButton::clicked, this, &TQVPMain::SearchMemoButtonClick);
  connect(SearchMemoNextButton, &QPushButton::clicked, this,
          &TQVPMain::SearchMemoNextButtonClick);
  connect(DBDate, &QLineEdit::textChanged, this, &TQVPMain::DateChange);
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
  std::vector<TableGridColumn> columns;
  for (const BrowseColumn& c : kBrowseColumns) {
    columns.push_back({QString::fromLatin1(c.field), QString::fromLatin1(c.title)});
  }
  // Rebuilt only while Browse is shown: a million contacts take a pass.
  GridModel = new TableGridModel(TableQVW, std::move(columns), this,
                                 TableGridModel::Follow::WhenActive);
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
  BrowseGrid->setStyleSheet(
      QStringLiteral("QTableView { selection-background-color: #000080; selection-color: white; }"
                     " QTableView:!focus { selection-background-color: #000080; }"));
  for (int c = 0; c < static_cast<int>(std::size(kBrowseColumns)); ++c) {
    BrowseGrid->setColumnHidden(c, kBrowseColumns[c].hidden);
    if (!kBrowseColumns[c].hidden) BrowseGrid->setColumnWidth(c, kBrowseColumns[c].width);
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
    // Placed over the Main page's boxes by PlaceFilterBoxes; until then
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
  qMatchCount->setGeometry(kBox1 + 260, kButtonRow + 2, 240, kBoxHeight);
  // Placed at Add's and Delete's places when the window is created.
  qSetFilterButton = new QPushButton(QStringLiteral("Set &Now"), FilterPage);
  qClearButton = new QPushButton(QStringLiteral("C&lear"), FilterPage);
  connect(qSetFilterButton, &QPushButton::clicked, this, &TQVPMain::qSetFilterButtonClick);
  connect(qClearButton, &QPushButton::clicked, this, &TQVPMain::qClearButtonClick);
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

void TQVPMain::PlaceFilterBoxes() {
  const QList<QWidget*> boxes = MainBoxesForFilter();
  const QList<QLabel*> labels = MainLabelsForFilter();
  for (int i = 0; i < FilterBoxes.size() && i < boxes.size() && i < labels.size(); ++i) {
    const QRect b = boxes[i]->geometry();
    FilterBoxes[i]->setGeometry(b.left(), b.top(), b.width(), FilterBoxes[i]->height());
    const QRect l = labels[i]->geometry();
    FilterLabels[i]->setGeometry(l.left(), l.top(), l.width(), FilterLabels[i]->height());
  }
}

void TQVPMain::RecordStretch() {
  m_stretch.clear();
  if (QLayout* l = layout()) l->activate();
  m_baseCentral = centralWidget()->size();
  // The boxes of the right-hand column grow with the window as the full-width
  // ones do; what stands right of them moves along.
  QWidget* middleLabel = MainPage->findChild<QLabel*>(QStringLiteral("MIDDLE"));
  const QList<QWidget*> wide = {Pages,   DBOrg,   DBStreet,  DBMemoBox, BrowseGrid,
                                DBFName, DBTitle, DBState,   DBCountry, DBPhone,
                                DBEmail};
  const QList<QWidget*> right = {DBMiddle, middleLabel, DialButton};
  const QList<QWidget*> tall = {Pages, DBMemoBox, BrowseGrid};
  auto add = [&](QWidget* w, bool moveDown) {
    m_stretch.push_back({w, w->geometry(), moveDown && !tall.contains(w), right.contains(w),
                         wide.contains(w), tall.contains(w)});
  };
  add(Pages, false);
  for (QWidget* b : {ExitButton, HelpButton, WhatsThisButton}) add(b, true);
  for (QFrame* page : {MainPage, BrowsePage, FilterPage}) {
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      // The Filter page's boxes follow the Main page's (PlaceFilterBoxes).
      if (w == NoFilePanel || FilterBoxes.contains(qobject_cast<QLineEdit*>(w)) ||
          FilterLabels.contains(qobject_cast<QLabel*>(w))) {
        continue;
      }
      add(w, w->geometry().top() >= kButtonRow - 2);
    }
  }
}

void TQVPMain::ApplyStretch() {
  if (m_stretch.empty() || centralWidget() == nullptr) return;
  const int dx = std::max(0, centralWidget()->width() - m_baseCentral.width());
  const int dy = std::max(0, centralWidget()->height() - m_baseCentral.height());
  for (const Stretch& s : m_stretch) {
    if (!s.widget) continue;
    QRect r = s.base;
    r.translate(s.moveRight ? dx : 0, s.moveDown ? dy : 0);
    if (s.growWidth) r.setWidth(r.width() + dx);
    if (s.growHeight) r.setHeight(r.height() + dy);
    s.widget->setGeometry(r);
  }
  // Buttons that stand in for others share their places.
  SaveButton->setGeometry(AddButton->geometry());
  CancelButton->setGeometry(EditButton->geometry());
  NoFilePanel->setGeometry(MainPage->contentsRect());
  PlaceFilterBoxes();
}

}  // namespace qv
