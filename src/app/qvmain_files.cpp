// The main window's contact files: opening one (from the Open dialog, the
// recent-file list or at start-up), creating one, cloning the current
// record, and the recent-file list kept in the settings file.
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/qvmain.h"
#include "app/shared.h"
#include "store/contact_file.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

const QString kCaption = QStringLiteral("Quorvane for Windows - ");

// The dialogs offer these; the check after them decides.
const QString kOpenFilter = QStringLiteral("Quorvane Files (*.dbf *.DBF)");
const QString kNewFilter = QStringLiteral("Quorvane Files (*.DBF *.dbf)");

// The extension as the old checks saw it: ".DBF" for "list.dbf".
QString UpperExtension(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix();
  return suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix.toUpper();
}

}  // namespace

bool TQVPMain::OpenQVWDBF(const QString& fileName) {
  if (fileName.isEmpty()) return false;
  // A file that did not open has been reported by the opener.
  const bool opened = OpenContactFile(fileName, *TableQVW) && TableQVW->active();
  OnOpenQVWFile(opened);
  if (opened) {
    UpdateMRUList(fileName);
    CurrentFileName() = fileName;
    ResetFilter();
  } else {
    CurrentFileName().clear();
  }
  setWindowTitle(kCaption + fileName);
  MemoFound = false;
  if (SearchMemoNextButton) SearchMemoNextButton->hide();
  return opened;
}

// A filter typed for another file does not carry over: the Filter page,
// the indicator, Browse, the counts and every job start from the empty
// filter, which keeps records carrying the deleted marker out of sight.
void TQVPMain::ResetFilter() {
  for (QLineEdit* box : FilterBoxes) box->clear();
  qMatchCount->clear();
  ApplyFilter();
  FilterIndicator->setVisible(!CurrentFilter.isEmpty());
  if (!TableQVW->first()) ShowInformation(TableQVW->failureMessage());
}

void TQVPMain::OnOpenQVWFile(bool opened) {
  if (!opened) {
    if (!TableQVW->close()) ShowInformation(TableQVW->failureMessage());
    NoFilePanel->setGeometry(MainPage->contentsRect());
    NoFilePanel->show();
    NoFilePanel->raise();
    CurrentOrder.clear();
    return;
  }
  NoFilePanel->hide();
  SetMenuOrder(OrderItems.first());
  if (Apollo1.RecCount() == 0) {
    ShowInformation(QStringLiteral(
        "There are no records in this file\nPress Alt-A to add a new record OR\n"
        "From the File menu select\nImport from DBF File  or\nImport from ASCII File"));
  }
}

QString TQVPMain::GetDatabasePath() const {
  if (!TableQVW->active()) return QString();
  QString dir = QFileInfo(TableQVW->fullPath()).absolutePath();
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir;
}

// ---- Open, New, Clone ---------------------------------------------------------

void TQVPMain::OpenFileMenuClick() {
  const QString name =
      Dialogs().openFileName(this, QStringLiteral("Open"), ProgramDirectory(), kOpenFilter);
  if (!name.isEmpty()) {
    if (UpperExtension(name) != QLatin1String(".DBF")) {
      ShowInformation(QStringLiteral("Must be a DBF file"));
    } else {
      OpenQVWDBF(name);
    }
  }
  SetButtons();
}

void TQVPMain::NewFileMenuClick() {
  QString name = Dialogs().saveFileName(
      this, QStringLiteral("New"), ProgramDirectory() + QStringLiteral("QUORVA1.DBF"), kNewFilter,
      false);
  if (!name.isEmpty()) {
    // The dialog's default extension: a bare name becomes NAME.DBF.
    if (QFileInfo(name).suffix().isEmpty() && !name.endsWith(QLatin1Char('.'))) {
      name += QStringLiteral(".DBF");
    }
    if (UpperExtension(name) != QLatin1String(".DBF")) {
      ShowInformation(QStringLiteral("Must have a .DBF extension"));
    } else if (QFileInfo::exists(name)) {
      ShowInformation(QStringLiteral("That file already exists.Please select another name"));
    } else {
      TableObject creation(&ApolloEnv1);
      TApollo creationApollo;
      if (CreateContactFile(name, creation, creationApollo)) {
        // Freshly made and tagged: the close has nothing left to write.
        (void)creation.close();
        if (!TableQVW->close()) ShowInformation(TableQVW->failureMessage());
        OpenQVWDBF(name);
      }
    }
  }
  SetButtons();
}

void TQVPMain::mnuCloneClick() {
  if (currentPage() != Page::Main || !TableQVW->active() || IsEditing ||
      TableQVW->recNo() == TableQVW->recordCount() + 1) {
    return;
  }
  // CARRIER, BEGIN and SEQNO belong to the original alone.
  static const char* const kCopied[] = {"LNAME",   "FNAME",  "MIDDLE", "PREFIX", "TITLE",
                                        "ORG",     "STREET", "CITY",   "STATE",  "ZIP",
                                        "COUNTRY", "PHONE",  "EMAIL",  "FAX",    "NOTES"};
  QStringList values;
  TableQVW->clearFailure();
  for (const char* field : kCopied) values << TableQVW->fieldText(QString::fromLatin1(field));
  const QDate date = TableQVW->fieldDate(QStringLiteral("DATE"));
  const QString memo = TableQVW->fieldText(QStringLiteral("MEMO"));
  // An unreadable memo reads as blank: no copy that silently lacks it.
  if (TableQVW->failed()) {
    ShowInformation(TableQVW->failureMessage());
    return;
  }

  TableQVW->insert();
  // The values come from fields of the same kind: every one is taken.
  bool taken = true;
  for (int i = 0; i < values.size(); ++i) {
    taken = TableQVW->setFieldText(QString::fromLatin1(kCopied[i]), values[i]) && taken;
  }
  taken = TableQVW->setFieldDate(QStringLiteral("DATE"), date) && taken;
  taken = TableQVW->setFieldText(QStringLiteral("MEMO"), memo) && taken;
  // post says why itself when it fails and keeps the copy open.
  if (taken) (void)TableQVW->post();
  SetButtons();
}

// ---- recent files -------------------------------------------------------------

QStringList TQVPMain::GetMRUList() const { return ReadRecentFiles(SettingsFile()); }

QString TQVPMain::GetMRUFile() const { return GetMRUList().value(0); }

void TQVPMain::PutMRUList(const QStringList& list) {
  IniFile ini = SettingsFile();
  WriteRecentFiles(ini, list.mid(0, kRecentFileCount));
}

void TQVPMain::UpdateMRUList(const QString& fileName) {
  QStringList list{fileName};
  for (const QString& entry : GetMRUList()) {
    if (list.size() >= kRecentFileCount) break;
    // Exact text: the same path in other letters is another entry.
    if (entry != fileName) list << entry;
  }
  PutMRUList(list);
  UpdateMenuMRUList();
}

void TQVPMain::UpdateMenuMRUList() {
  for (QAction* item : m_mruItems) {
    FileMenu->removeAction(item);
    item->deleteLater();
  }
  m_mruItems.clear();
  for (const QString& path : GetMRUList()) {
    QString caption = path;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* item = FileMenu->addAction(caption);
    item->setData(path);
    connect(item, &QAction::triggered, this, [this, item] { MRUITemClick(item); });
    m_mruItems << item;
  }
}

void TQVPMain::MRUITemClick(QAction* item) {
  OpenQVWDBF(item->data().toString());
  SetButtons();
}

}  // namespace qv
