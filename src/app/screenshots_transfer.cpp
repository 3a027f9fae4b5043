// The import and copy-out windows for quorvane-screenshots, opened through
// the main window's commands over a sample text file, a sample table, an
// address book exported as CSV and a vCard file in the program directory. The file dialogs answer with those files; nothing
// is imported.
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <memory>

#include "app/qvmain.h"
#include "app/screenshots.h"
#include "app/shared.h"
#include "store/output_file.h"
#include "transfer/windows/ascii_import_window.h"
#include "transfer/windows/copy_out_window.h"
#include "transfer/windows/csv_import_window.h"
#include "transfer/windows/dbf_import_window.h"
#include "transfer/windows/vcard_import_window.h"
#include "ui/dialogs.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

// Answers the file dialogs with prepared names and keeps notices quiet.
class FixedFiles : public StandardDialogService {
 public:
  QString open;
  QString save;
  void information(QWidget*, const QString&) override {}
  QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return open;
  }
  QString saveFileName(QWidget*, const QString&, const QString&, const QString&, bool) override {
    return save;
  }
};

bool WriteSampleText(const QString& path) {
  OutputFile f(path);
  return f.open() &&
         f.put(std::string_view("Harper,Lena,\"Harbour St, 4\",Port Lewis,ME,04101,member since 2019\r\n"
                                "Okafor,Chidi,22 Mill Lane,Bangor,ME,04401,\r\n"
                                "Marsh,Tom,7 Quay Road,Portland,ME,04102,choir\r\n")) &&
         f.commit();
}

bool WriteFile(const QString& path, const QByteArray& text) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() && f.flush();
}

// Outlook's layout: a business and a home address, phones and a fax.
const char kSampleCsv[] =
    "Title,First Name,Last Name,Job Title,Company,Business Street,Business City,Business State,"
    "Business Postal Code,Home Street,Home City,Home State,Home Postal Code,Business Phone,"
    "Mobile Phone,Business Fax,E-mail Address,Notes\r\n"
    "Dr.,Lena,Harper,Harbour Master,Port Authority,4 Harbour St,Port Lewis,ME,04101,,,,,207-555-0101,,"
    "207-555-0102,lena@port.example,member since 2019\r\n"
    "Mr.,Chidi,Okafor,,,,,,,22 Mill Lane,Bangor,ME,04401,,207-555-0144,,chidi@mail.example,\r\n";

const char kSampleVcard[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Marsh;Tom;;Mr.;\r\nTEL;TYPE=CELL:207-555-0170\r\n"
    "ADR;TYPE=HOME:;;7 Quay Road;Portland;ME;04102;USA\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\nEND:VCARD\r\n";

bool WriteSampleTable(const QString& path) {
  const std::vector<xb::FieldDef> defs = {{"SURNAME", 'C', 20}, {"GIVEN", 'C', 15},
                                          {"ADDRESS", 'C', 30}, {"TOWN", 'C', 20},
                                          {"ST", 'C', 2},       {"POSTCODE", 'C', 10},
                                          {"PHONE", 'C', 14}};
  const std::vector<std::vector<std::string>> rows = {
      {"Harper", "Lena", "4 Harbour St", "Port Lewis", "ME", "04101", "207-555-0101"},
      {"Okafor", "Chidi", "22 Mill Lane", "Bangor", "ME", "04401", "207-555-0144"}};
  const std::string file = path.toStdString();
  if (!xb::Table::Create(file, defs).ok()) return false;
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  if (!xb::WorkArea::Open(file, xb::OpenOptions(), &settings, &area).ok()) return false;
  for (const auto& row : rows) {
    if (!area->Append().ok()) return false;
    for (size_t i = 0; i < row.size(); ++i) {
      if (!area->SetField(static_cast<int>(i), row[i]).ok()) return false;
    }
    if (!area->Commit().ok()) return false;
  }
  return true;
}

}  // namespace

bool SaveTransferWindows(TQVPMain& main, const QString& dir) {
  const QString text = ProgramDirectory() + QStringLiteral("members.txt");
  const QString table = ProgramDirectory() + QStringLiteral("members.dbf");
  const QString csv = ProgramDirectory() + QStringLiteral("contacts.csv");
  const QString vcf = ProgramDirectory() + QStringLiteral("contacts.vcf");
  bool ok = WriteSampleText(text) && WriteSampleTable(table) && WriteFile(csv, kSampleCsv) &&
            WriteFile(vcf, kSampleVcard);
  FixedFiles files;
  DialogService* previous = InstallDialogService(&files);

  main.RunTransferWindow = [&](QDialog& window) {
    if (auto* ascii = qobject_cast<TAsciiImport*>(&window)) {
      files.open = text;
      ascii->SelectButtonClick();
      ascii->RunMatchWindow = [&](TAsciiMatch& match) {
        for (const char* target : {"Last", "First", "Street", "City", "State/Province",
                                   "Zip/Post Code", "Memo"}) {
          match.FieldButtonClick(match.fieldButton(QString::fromLatin1(target)));
        }
        match.ASCIIGrid->setCurrentCell(0, 1);
        ok &= SaveScreenshot(&match, dir, QStringLiteral("ascii-import-match"));
        match.hide();
        return static_cast<int>(QDialog::Accepted);
      };
      ascii->MatchButtonClick();
      ok &= SaveScreenshot(ascii, dir, QStringLiteral("ascii-import"));
    } else if (auto* dbf = qobject_cast<TDBFImport*>(&window)) {
      files.open = table;
      dbf->SelectButtonClick();
      dbf->RunMatchWindow = [&](TDBFMatch& match) {
        match.RunSelectWindow = [&](TGetImportField& pick) {
          const auto found = pick.ListOfFields->findItems(QStringLiteral("ST"), Qt::MatchExactly);
          if (!found.isEmpty()) pick.ListOfFields->setCurrentItem(found[0]);
          ok &= SaveScreenshot(&pick, dir, QStringLiteral("dbf-import-select-field"));
          pick.hide();
          return static_cast<int>(QDialog::Accepted);
        };
        match.ImportGrid->setCurrentCell(8, 1);  // State/Province
        match.SelectField();
        ok &= SaveScreenshot(&match, dir, QStringLiteral("dbf-import-match"));
        match.hide();
        return static_cast<int>(QDialog::Accepted);
      };
      dbf->MatchButtonClick();
      ok &= SaveScreenshot(dbf, dir, QStringLiteral("dbf-import"));
    } else if (auto* csvImport = qobject_cast<TCsvImport*>(&window)) {
      files.open = csv;
      csvImport->SelectButtonClick();
      csvImport->RunMatchWindow = [&](TCsvMatch& match) {
        match.BlockList->setCurrentRow(1);
        match.MoveUpButtonClick();
        ok &= SaveScreenshot(&match, dir, QStringLiteral("csv-import-match"));
        match.hide();
        return static_cast<int>(QDialog::Accepted);
      };
      csvImport->MatchButtonClick();
      ok &= SaveScreenshot(csvImport, dir, QStringLiteral("csv-import"));
    } else if (auto* vcard = qobject_cast<TVcardImport*>(&window)) {
      files.open = vcf;
      vcard->SelectButtonClick();
      ok &= SaveScreenshot(vcard, dir, QStringLiteral("vcard-import"));
    } else if (auto* copy = qobject_cast<TCopyOut*>(&window)) {
      copy->ToAscii->setChecked(true);
      files.save = ProgramDirectory() + QStringLiteral("export.txt");
      copy->SaveAsButtonClick();
      ok &= SaveScreenshot(copy, dir, QStringLiteral("copy-records-out"));
    }
    window.hide();
  };
  main.mnuImportAsciiClick();
  main.mnuImportDbfClick();
  main.mnuImportCsvClick();
  main.mnuImportVcardClick();
  main.mnuCopyOutClick();
  main.RunTransferWindow = nullptr;
  InstallDialogService(previous);
  QFile::remove(text);
  QFile::remove(table);
  QFile::remove(csv);
  QFile::remove(vcf);
  return ok;
}

}  // namespace qv
