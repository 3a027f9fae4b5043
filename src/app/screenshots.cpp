// Saves pictures of the main window's pages and of its dialogs, drawn
// without a screen, for looking at the layout: quorvane-screenshots DIR.
// It starts like the program (on the program directory's recent or
// default contact file) but answers every message box itself.
#include <QApplication>
#include <QBuffer>
#include <QRegularExpression>
#include <QCheckBox>
#include <QToolButton>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTextStream>
#include <cstdio>

#include "app/app_setup.h"
#include "app/background.h"
#include "app/preferences.h"
#include "app/screenshots.h"
#include "app/qvmain.h"
#include "dialer/windows/dialer_window.h"
#include "app/reindex.h"
#include "app/splash.h"
#include "cleanup/windows/dup_check_window.h"
#include "cleanup/windows/rewrite_windows.h"
#include "cleanup/windows/zip_check_window.h"
#include "labels/job_host.h"
#include "labels/label_run.h"
#include "labels/label_setup.h"
#include "labels/windows/label_designer.h"
#include "labels/windows/label_edit.h"
#include "labels/windows/print_labels.h"
#include "labels/windows/select_label.h"
#include "preview/preview_form.h"
#include "reports/report_run.h"
#include "reports/user_report.h"
#include "reports/windows/user_report_dialog.h"
#include "envelopes/envelope_run.h"
#include "envelopes/windows/envelope_designer.h"
#include "envelopes/windows/print_envelope.h"
#include "envelopes/windows/select_envelope.h"
#include <QTabWidget>
#include "store/settings.h"
#include "ui/dialogs.h"
#include "ui/help_window.h"
#include "zipcount/windows/count_zip_codes.h"

namespace {

// Notices are printed instead of shown; questions are answered No, so
// nothing is changed or closed by accident.
class QuietDialogs : public qv::StandardDialogService {
 public:
  void information(QWidget*, const QString& text) override {
    std::fprintf(stderr, "notice: %s\n", qPrintable(text));
  }
  bool question(QWidget*, const QString& text, bool) override {
    std::fprintf(stderr, "question (answered No): %s\n", qPrintable(text));
    return false;
  }
  void beep() override {}
};

bool Save(QWidget* window, const QString& dir, const QString& name) {
  return qv::SaveScreenshot(window, dir, name);
}

// Shown windows as they stand on the screen, the later ones above the
// earlier: there is no window manager to draw them together offscreen.
bool SaveStacked(const QList<QWidget*>& windows, const QString& dir, const QString& name) {
  QRect area;
  for (QWidget* window : windows) area |= window->frameGeometry();
  QImage picture(area.size(), QImage::Format_RGB32);
  picture.fill(Qt::darkGray);
  QPainter painter(&picture);
  for (QWidget* window : windows) {
    painter.drawPixmap(window->geometry().topLeft() - area.topLeft(), window->grab());
    painter.setPen(Qt::black);
    painter.drawRect(QRect(window->geometry().topLeft() - area.topLeft(), window->size())
                         .adjusted(0, 0, -1, -1));
  }
  painter.end();
  const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
  if (!picture.save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// A finished preview's pages in the preview window, whole page in view.
bool SavePreview(QWidget* parent, const QByteArray& pages, const QString& caption,
                 const QString& dir, const QString& name) {
  QBuffer stream;
  stream.setData(pages);
  stream.open(QIODevice::ReadOnly);
  qv::TPreviewForm preview(parent);
  preview.setWindowTitle(caption);
  preview.resize(760, 900);
  preview.setStream(&stream);
  preview.show();
  QApplication::processEvents();
  QApplication::processEvents();
  preview.sbZoomPageWidth->click();
  return Save(&preview, dir, name);
}

// A previewed label run on the sample contacts in the preview window.
bool SaveLabelPreview(qv::TQVPMain& main, const qv::LabelRunOptions& options, const QString& dir,
                      const QString& name) {
  QByteArray pages;
  qv::LabelRunHooks hooks;
  hooks.preview = [&pages](QIODevice& stream) { pages = stream.readAll(); };
  qv::MessageServiceHost host;
  bool presorted = false;
  qv::DoPrint(*main.TableQVW, main.Apollo1, options, &presorted, host, hooks);
  return SavePreview(&main, pages, QStringLiteral("Preview Labels"), dir, name);
}

// The report windows on the sample contacts: the two dialogs and a preview
// of each report layout and of the ZIP count.
bool SaveReportWindows(qv::TQVPMain& main, const QString& dir) {
  bool ok = true;
  {
    qv::TUserDesignedReport report(main.TableQVW, &main.Apollo1, qv::CurrentFileName(), &main);
    ok &= Save(&report, dir, QStringLiteral("print-report"));
  }
  for (int layout = 1; layout <= 4; ++layout) {
    qv::UserReportOptions options;
    options.layout = layout;
    options.title = QStringLiteral("Report for: sample contacts");
    options.printCodes = options.printMemo = layout >= 2;
    options.selection = qv::RecordSelection::All;
    options.print = false;
    QByteArray pages;
    qv::UserReportHooks hooks;
    hooks.preview = [&pages](QIODevice& stream) { pages = stream.readAll(); };
    qv::MessageServiceHost host;
    qv::RunUserReport(*main.TableQVW, main.Apollo1, options, host, hooks);
    ok &= SavePreview(&main, pages, QStringLiteral("Preview Report"), dir,
                      QStringLiteral("preview-report-%1").arg(layout));
  }
  {
    qv::TCountZipCodes count(main.TableQVW, &main.Apollo1, &main);
    count.FirstActivation = false;
    count.DoTheSort();
    ok &= Save(&count, dir, QStringLiteral("count-zip-codes"));
    QByteArray pages;
    qv::ZipReportHooks hooks;
    hooks.preview = [&pages](QIODevice& stream) { pages = stream.readAll(); };
    qv::MessageServiceHost host;
    qv::ZipReportOptions options;
    options.print = false;
    qv::DoThePrintJob(count.ReportLines(), options, host, hooks);
    ok &= SavePreview(&main, pages, QStringLiteral("Preview Zipcode Count"), dir,
                      QStringLiteral("preview-zipcount"));
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: quorvane-screenshots DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  std::unique_ptr<qv::TBackground> background = qv::SetUpApplication(app);
  QuietDialogs dialogs;
  qv::InstallDialogService(&dialogs);

  bool ok = true;
  qv::TQVPMain main;
  ok &= Save(&main, dir, QStringLiteral("main"));
  main.EditButtonClick();
  ok &= Save(&main, dir, QStringLiteral("main-editing"));
  main.CancelButtonClick();
  main.BrowseButtonClick();
  ok &= Save(&main, dir, QStringLiteral("browse"));
  main.FilterButtonClick();
  ok &= Save(&main, dir, QStringLiteral("filter"));
  {
    // Grown by the user: the grid, the memo and the wide fields take the room.
    const QRect first = main.geometry();
    main.resize(1024, 720);
    main.BrowseButtonClick();
    ok &= Save(&main, dir, QStringLiteral("browse-resized"));
    main.MainButtonClick();
    ok &= Save(&main, dir, QStringLiteral("main-resized"));
    main.setGeometry(first);
  }
  main.MainButtonClick();

  {
    qv::TPreferences preferences(qv::SettingsFile(), &main);
    ok &= Save(&preferences, dir, QStringLiteral("preferences"));
  }
  {
    qv::TQVReindex reindex(main.TableQVW, &main.Apollo1, qv::ProgramDirectory(), &main);
    ok &= Save(&reindex, dir, QStringLiteral("rebuild-indexes"));
  }
  {
    // Help asked for from a modal dialog opens above it, usable while the
    // dialog stays open.
    qv::TPreferences preferences(qv::SettingsFile(), &main);
    preferences.setWindowModality(Qt::ApplicationModal);
    preferences.show();
    QApplication::processEvents();
    qv::HelpWindow* help = qv::HelpWindow::Instance();
    help->resize(560, 420);
    help->move(preferences.geometry().topLeft() + QPoint(160, 120));
    preferences.HelpButton->click();
    QApplication::processEvents();
    ok &= help->parentWidget() == &preferences && help->isVisible() && !help->isHidden();
    ok &= SaveStacked({&main, &preferences, help}, dir, QStringLiteral("help-over-dialog"));
    help->close();
    preferences.close();
  }
  {
    qv::TSplash about(qv::TSplash::Mode::About, &main);
    ok &= Save(&about, dir, QStringLiteral("about"));
  }
  {
    // The dialer with the first contact's number, as the Dial button opens it.
    qv::TQVDialer::HasPhoneApp = [] { return true; };
    qv::TQVDialer dialer(qv::SettingsFile(), &main);
    dialer.FormActivate();
    dialer.NumberToDial->setText(main.TableQVW->fieldText(QStringLiteral("PHONE")).trimmed());
    ok &= Save(&dialer, dir, QStringLiteral("dial-phone-number"));
  }
  qv::HelpWindow::Instance()->showTopic(1027);
  ok &= Save(qv::HelpWindow::Instance(), dir, QStringLiteral("help"));
  qv::HelpWindow::Instance()->close();

  // The label windows on the program directory's tables and the sample
  // contacts.
  {
    qv::TQVLabels labels(main.TableQVW, &main.Apollo1, &main);
    if (labels.OpenLabelSetupTable(qv::ProgramDirectory())) {
      ok &= Save(&labels, dir, QStringLiteral("print-labels"));
    } else {
      ok = false;
    }
  }
  {
    qv::TDesignLabel designer(main.TableQVW, &main);
    designer.Setup = qv::DefaultLabelSetup();
    ok &= Save(&designer, dir, QStringLiteral("label-designer"));
  }
  {
    // A 4-inch shipping label with the bar code and every line.
    qv::TDesignLabel designer(main.TableQVW, &main);
    qv::LabelSetup setup = qv::DefaultLabelSetup();
    setup.stockDescription = QStringLiteral("Avery 5163  Shipping,   2.00 x 4.00");
    setup.labelWidth = 4.0f;
    setup.labelHeight = 2.0f;
    setup.address.barCode = setup.address.title = setup.address.company = setup.address.phone = true;
    setup.yOffset = 0.3f;
    setup.fontSize = 12;
    setup.bold = true;
    designer.Setup = setup;
    ok &= Save(&designer, dir, QStringLiteral("label-designer-barcode"));
  }
  {
    // The same label with the Intelligent Mail barcode chosen.
    qv::TDesignLabel designer(main.TableQVW, &main);
    qv::LabelSetup setup = qv::DefaultLabelSetup();
    setup.stockDescription = QStringLiteral("Avery 5163  Shipping,   2.00 x 4.00");
    setup.labelWidth = 4.0f;
    setup.labelHeight = 2.0f;
    setup.address.barCode = setup.intelligentMail = true;
    setup.yOffset = 0.3f;
    designer.Setup = setup;
    ok &= Save(&designer, dir, QStringLiteral("label-designer-imb"));
  }
  {
    qv::TSelectLabel select(&main);
    select.LabelTable->setDatabaseName(qv::ProgramDirectory());
    select.LabelTable->setTableName(QStringLiteral("QVPLBLS.DBF"));
    if (select.LabelTable->open()) {
      select.PassedDescription = qv::DefaultLabelSetup().stockDescription;
      select.PassedPrinterType = QStringLiteral("LJ");
      ok &= Save(&select, dir, QStringLiteral("select-label"));
      // A part number that begins others and is inside others.
      select.FindEdit->setText(QStringLiteral("5160"));
      select.FindEditChange(select.FindEdit->text());
      ok &= Save(&select, dir, QStringLiteral("select-label-find"));
      qv::TLabelEdit edit(&main);
      edit.record = qv::ReadLabelDefinition(*select.LabelTable);
      edit.setWindowTitle(QStringLiteral("Edit Label Definition"));
      ok &= Save(&edit, dir, QStringLiteral("label-edit"));
    } else {
      ok = false;
    }
  }

  ok &= SaveReportWindows(main, dir);
  {
    // A sheet of two-across 4 in labels with the Intelligent Mail barcode.
    qv::LabelRunOptions options;
    options.setup.address.barCode = true;
    options.setup.intelligentMail = true;
    options.setup.labelWidth = 4.0f;
    options.setup.horizontalPitch = 4.188f;
    options.setup.across = 2;
    options.selection = qv::RecordSelection::All;
    options.print = false;
    options.imbGiven = true;
    options.imb.mailerId = QStringLiteral("567094");
    options.imb.nextSerial = 987654321;
    ok &= SaveLabelPreview(main, options, dir, QStringLiteral("preview-labels-imb"));
  }
  {
    // The alignment page of Avery 5160: every label's outline, numbered.
    qv::LabelRunOptions options;
    options.alignmentPage = true;
    options.print = false;
    ok &= SaveLabelPreview(main, options, dir, QStringLiteral("preview-labels-alignment"));
  }
  // The envelope windows, and a preview of one envelope on letter paper
  // (outline and stamp) for the current sample contact.
  {
    qv::TQVEnvelopes envelopes(main.TableQVW, &main.Apollo1, &main);
    if (envelopes.OpenEnvelopeSetupTable(qv::ProgramDirectory())) {
      ok &= Save(&envelopes, dir, QStringLiteral("print-envelope"));
    } else {
      ok = false;
    }
  }
  {
    qv::TEnvelopeDesigner designer(main.TableQVW, &main);
    qv::TEnvelopeSetup setup = qv::DefaultEnvelopeSetup();
    setup.useMessage = true;
    setup.address.barCode = true;
    designer.Setup = setup;
    ok &= Save(&designer, dir, QStringLiteral("envelope-designer"));
    designer.Pages->setCurrentIndex(1);
    ok &= Save(&designer, dir, QStringLiteral("envelope-designer-options"));
  }
  {
    qv::TSelectEnvelope select(&main);
    select.EnvelopeTable->setDatabaseName(qv::ProgramDirectory());
    select.EnvelopeTable->setTableName(QStringLiteral("QVPENVS.DBF"));
    if (select.EnvelopeTable->open()) {
      select.LocateName = QStringLiteral("Envelope #10");
      select.FormActivate();
      ok &= Save(&select, dir, QStringLiteral("select-envelope"));
      qv::TEnvelopeEdit edit(&main);
      edit.OrigWidth = 9.5;
      edit.OrigHeight = 4.13;
      ok &= Save(&edit, dir, QStringLiteral("envelope-edit"));
    } else {
      ok = false;
    }
  }
  // An envelope preview with POSTNET on letter paper, and one with the
  // Intelligent Mail barcode on an envelope-sized page.
  for (const bool imb : {false, true}) {
    qv::MessageServiceHost host;
    qv::EnvelopeRunOptions options;
    options.setup.useMessage = true;
    options.setup.address.barCode = true;
    options.setup.intelligentMail = imb;
    options.paper = imb ? qv::EnvelopePaper::Envelope : qv::EnvelopePaper::Letter;
    options.print = false;
    if (imb) {
      // A contact with a US ZIP code, which the bars route to.
      bool moved = main.TableQVW->first();
      while (moved && !main.TableQVW->eof() &&
             !QRegularExpression(QStringLiteral("^\\d{5}"))
                  .match(main.TableQVW->fieldText(QStringLiteral("ZIP")))
                  .hasMatch()) {
        moved = main.TableQVW->next();
      }
      if (!moved) {
        ok = false;
        continue;
      }
      options.imbGiven = true;
      options.imb.mailerId = QStringLiteral("567094");
      options.imb.nextSerial = 987654321;
    }
    QByteArray bytes;
    qv::EnvelopeRunHooks hooks;
    hooks.preview = [&bytes](QIODevice& stream) { bytes = stream.readAll(); };
    qv::DoPrintEnvelopes(*main.TableQVW, main.Apollo1, options, host, hooks);
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    qv::TPreviewForm preview(&main);
    preview.setWindowTitle(QStringLiteral("Preview Envelope"));
    preview.setStream(&stream);
    preview.resize(1000, 800);
    ok &= Save(&preview, dir, imb ? QStringLiteral("envelope-preview-imb")
                                  : QStringLiteral("envelope-preview"));
  }

  // The data-quality windows as the Utilities menu opens them; the two
  // checks also with their results on the sample contacts.
  main.RunCleanupWindow = [&](QDialog& window) {
    if (auto* dup = qobject_cast<qv::TDupCheck*>(&window)) {
      ok &= Save(dup, dir, QStringLiteral("check-duplicates"));
      dup->CheckitButtonClick();
      ok &= Save(dup, dir, QStringLiteral("check-duplicates-result"));
    } else if (auto* zip = qobject_cast<qv::TStateZipCheck*>(&window)) {
      ok &= Save(zip, dir, QStringLiteral("check-state-zip"));
      zip->CheckBlanks->setChecked(true);
      zip->CheckitButtonClick();
      ok &= Save(zip, dir, QStringLiteral("check-state-zip-result"));
      zip->EditStateButtonClick();
      ok &= Save(zip, dir, QStringLiteral("check-state-zip-states"));
      zip->EditStateButtonClick();
    } else if (qobject_cast<qv::TConvertToUpper*>(&window) != nullptr) {
      ok &= Save(&window, dir, QStringLiteral("convert-uppercase"));
    } else if (qobject_cast<qv::TSearchAndReplace*>(&window) != nullptr) {
      ok &= Save(&window, dir, QStringLiteral("search-replace"));
    } else if (qobject_cast<qv::TDeleteRecords*>(&window) != nullptr) {
      ok &= Save(&window, dir, QStringLiteral("delete-records"));
    }
    window.hide();
  };
  main.mnuDupCheckClick();
  main.mnuStateZipCheckClick();
  main.mnuConvertUpperClick();
  main.mnuSearchReplaceClick();
  main.mnuDeleteRecordsClick();
  main.RunCleanupWindow = nullptr;

  ok &= qv::SaveLetterWindows(main, dir);
  ok &= qv::SaveTransferWindows(main, dir);

  // Last, as it closes the file: the panel shown when no file is open.
  main.OpenQVWDBF(qv::ProgramDirectory() + QStringLiteral("NO-SUCH-FILE.DBF"));
  main.SetButtons();
  ok &= Save(&main, dir, QStringLiteral("no-file"));
  main.hide();
  return ok ? 0 : 1;
}

bool qv::SaveScreenshot(QWidget* window, const QString& dir, const QString& name) {
  window->show();
  QApplication::processEvents();
  QApplication::processEvents();
  const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
  if (!window->grab().save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}
