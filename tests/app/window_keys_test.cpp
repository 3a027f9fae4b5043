// Every dialog of the program, built over an open contact file, worked by
// keyboard: no accelerator letter is shared by two captions of one window
// (so each Alt+letter reaches the control it names), Enter presses the
// dialog's default button, and Escape closes it. One row per dialog: a new
// window is one more row.
#include <QApplication>
#include <QPrinter>
#include <QDialog>
#include <QFrame>
#include <QStackedWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "accelerators.h"
#include "app/preferences.h"
#include "app/reindex.h"
#include "app/edit_dialogs.h"
#include "app_fixture.h"
#include "cleanup/windows/dup_check_window.h"
#include "cleanup/windows/rewrite_windows.h"
#include "cleanup/windows/zip_check_window.h"
#include "dialer/windows/dialer_window.h"
#include "envelopes/windows/envelope_designer.h"
#include "envelopes/windows/print_envelope.h"
#include "envelopes/windows/select_envelope.h"
#include "labels/windows/label_designer.h"
#include "labels/windows/label_edit.h"
#include "labels/windows/print_labels.h"
#include "labels/windows/select_label.h"
#include "letters/windows/letter_windows.h"
#include "letters/windows/qvletters.h"
#include "preview/preview_form.h"
#include "reports/windows/user_report_dialog.h"
#include "transfer/windows/ascii_import_window.h"
#include "transfer/windows/copy_out_window.h"
#include "transfer/windows/csv_import_window.h"
#include "transfer/windows/dbf_import_window.h"
#include "transfer/windows/vcard_import_window.h"
#include "ui/printer_setup.h"
#include "zipcount/windows/count_zip_codes.h"

namespace qv::testing {
namespace {

// What the rows build their windows over.
struct Over {
  TQVPMain& main;
  QString path;
  QString dir;
  TableObject* table() const { return main.TableQVW; }
  TApollo* apollo() const { return &main.Apollo1; }
};

using Make = std::function<QDialog*(Over&)>;
using Pick = std::function<QPushButton*(QDialog&)>;

template <typename W>
Pick Button(QPushButton* W::*member) {
  return [member](QDialog& d) { return static_cast<W&>(d).*member; };
}

// The button of `d` captioned `text`, for windows that keep no member.
Pick Captioned(const char* text) {
  return [text](QDialog& d) -> QPushButton* {
    for (QPushButton* b : d.findChildren<QPushButton*>()) {
      if (b->text() == QLatin1String(text)) return b;
    }
    ADD_FAILURE() << "no button " << text;
    return nullptr;
  };
}

template <typename W>
std::function<void(QDialog&)> Then(std::function<void(W&)> act) {
  return [act](QDialog& d) { act(static_cast<W&>(d)); };
}

// A window over its own table in the program directory, opened as the
// main window's command opens it.
template <typename W>
Make Opened(bool (W::*open)(const QString&)) {
  return [open](Over& o) -> QDialog* {
    auto* w = new W(o.table(), o.apollo());
    EXPECT_TRUE((w->*open)(o.dir)) << w->windowTitle().toStdString();
    return w;
  };
}

struct DialogRow {
  const char* name;
  Make make;
  // The button Enter presses once the dialog is up (and `ready` has run);
  // none where the focus starts in multi-line text, which takes Enter.
  Pick enter;
  std::function<void(QDialog&)> ready = {};
};

const QString kFilter = QStringLiteral("CITY=\"Troy\"");
AsciiSample Sample() {
  AsciiSample s;
  s.columnCount = 2;
  s.maxLen = {6, 4};
  s.rows = {{"Archer", "Troy"}, {"Baker", "Rome"}};
  s.linesRead = 2;
  return s;
}

std::vector<DialogRow> Rows() {
  return {
      {"Preferences", [](Over&) { return new TPreferences(SettingsFile()); },
       Button(&TPreferences::OKButton)},
      {"Rebuild Indexes",
       [](Over& o) { return new TQVReindex(o.table(), o.apollo(), o.dir); },
       Button(&TQVReindex::DoitButton)},
      {"Search", [](Over&) { return new TSearchBox(); }, Button(&TSearchBox::OkButton)},
      {"First, last and ZIP", [](Over&) { return new TGetFirstLastZip(true, true); },
       Button(&TGetFirstLastZip::OkButton)},
      {"Delete Records", [](Over& o) { return new TDeleteRecords(o.table(), kFilter); },
       Button(&TDeleteRecords::Doit),
       Then<TDeleteRecords>([](TDeleteRecords& w) { w.DeleteAll->setChecked(true); })},
      {"Recall Deleted Records", [](Over& o) { return new TRecallRecords(o.table(), kFilter); },
       Button(&TRecallRecords::Doit)},
      {"Convert to Uppercase", [](Over& o) { return new TConvertToUpper(o.table(), true); },
       Button(&TConvertToUpper::ConvertButton)},
      {"Search and Replace", [](Over& o) { return new TSearchAndReplace(o.table(), true); },
       Button(&TSearchAndReplace::Doit)},
      {"Duplicate check",
       [](Over& o) { return new TDupCheck(&o.main.ApolloEnv1, o.dir); },
       Button(&TDupCheck::CheckitButton)},
      {"State and ZIP check",
       [](Over& o) { return new TStateZipCheck(&o.main.ApolloEnv1, o.dir); },
       Button(&TStateZipCheck::CheckitButton)},
      {"Dialer", [](Over&) { return new TQVDialer(SettingsFile()); },
       Button(&TQVDialer::DialButton)},
      {"Count Zip Codes", [](Over& o) { return new TCountZipCodes(o.table(), o.apollo()); },
       Button(&TCountZipCodes::PrintButton),
       Then<TCountZipCodes>([](TCountZipCodes& w) {
         for (int i = 0; i < 200 && !w.Done(); ++i) QTest::qWait(10);
         ASSERT_TRUE(w.Done());
       })},
      {"Print Labels", Opened<TQVLabels>(&TQVLabels::OpenLabelSetupTable),
       Button(&TQVLabels::PrintNowButton)},
      {"Label designer", [](Over& o) { return new TDesignLabel(o.table()); },
       Button(&TDesignLabel::SaveButton)},
      {"Label definition", [](Over&) { return new TLabelEdit(); }, Captioned("Save")},
      {"Select Label", [](Over&) { return new TSelectLabel(); },
       Button(&TSelectLabel::OkButton)},
      {"Print Envelope", Opened<TQVEnvelopes>(&TQVEnvelopes::OpenEnvelopeSetupTable),
       Button(&TQVEnvelopes::PrintNowButton)},
      {"Envelope designer", [](Over& o) { return new TEnvelopeDesigner(o.table()); },
       Button(&TEnvelopeDesigner::OkButton)},
      {"Envelope size", [](Over&) { return new TEnvelopeEdit(); },
       Button(&TEnvelopeEdit::OKButton)},
      {"Select Envelope", [](Over&) { return new TSelectEnvelope(); },
       Button(&TSelectEnvelope::OkButton)},
      {"Print Letters", Opened<TqVLetters>(&TqVLetters::OpenLettersTable),
       Button(&TqVLetters::PrintNow)},
      // The letter's text has the keyboard: Enter starts a new paragraph.
      {"Letter designer", [](Over& o) { return new TLetterDesign(o.table(), o.apollo()); }, {}},
      {"Print Report",
       [](Over& o) { return new TUserDesignedReport(o.table(), o.apollo(), o.path); },
       Button(&TUserDesignedReport::PrintNowButton)},
      {"Preview", [](Over&) { return new TPreviewForm(); }, Button(&TPreviewForm::CloseButton)},
      {"ASCII import", [](Over& o) { return new TAsciiImport(&o.main.ApolloEnv1); },
       Button(&TAsciiImport::SelectButton)},
      {"ASCII match",
       [](Over&) { return new TAsciiMatch(Sample(), {QString(), QString()}); },
       Button(&TAsciiMatch::SaveButton)},
      {"DBF import", [](Over& o) { return new TDBFImport(&o.main.ApolloEnv1); },
       Button(&TDBFImport::SelectButton)},
      {"DBF match",
       [](Over& o) {
         return new TDBFMatch({{QChar('C'), "LNAME", 20, {}}}, false, o.table(), o.path);
       },
       Button(&TDBFMatch::SaveButton)},
      {"CSV import", [](Over& o) { return new TCsvImport(&o.main.ApolloEnv1); },
       Button(&TCsvImport::SelectButton)},
      {"vCard import", [](Over& o) { return new TVcardImport(&o.main.ApolloEnv1); },
       Button(&TVcardImport::SelectButton)},
      {"Select Import Field",
       [](Over&) { return new TGetImportField({"(None)", "LNAME"}, "LNAME"); },
       Button(&TGetImportField::OkButton)},
      {"Copy Records Out",
       [](Over& o) { return new TCopyOut(o.table(), kFilter, "LNAME", o.path, o.dir); },
       Button(&TCopyOut::SaveAsButton)},
      {"Printer Setup", [](Over&) {
         static QPrinter printer;
         return new PrinterSetupDialog(&printer);
       },
       Button(&PrinterSetupDialog::OkButton)},
  };
}

class WindowKeysTest : public AppTest {
 protected:
  Over OpenOver() {
    TQVPMain& m = OpenWithSupportTables({{{"LNAME", "Archer"}, {"CITY", "Troy"}}});
    return Over{m, path_, dir_};
  }
};

TEST_F(WindowKeysTest, NoTwoCaptionsOfAWindowShareALetter) {
  Over over = OpenOver();
  EXPECT_EQ(SharedAccelerators(&over.main), QStringList()) << "main window";
  for (const DialogRow& row : Rows()) {
    std::unique_ptr<QDialog> d(row.make(over));
    EXPECT_EQ(SharedAccelerators(d.get()), QStringList()) << row.name;
  }
}

TEST_F(WindowKeysTest, EnterPressesTheDefaultButtonAndEscapeCloses) {
  Over over = OpenOver();
  for (const DialogRow& row : Rows()) {
    SCOPED_TRACE(row.name);
    std::unique_ptr<QDialog> d(row.make(over));
    d->show();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    if (row.ready) row.ready(*d);
    dialogs_->clear();
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : d.get();
    if (row.enter) {
      QPushButton* button = row.enter(*d);
      ASSERT_NE(button, nullptr);
      // The key is what is tested here, not the buttons' work: a wrong
      // button pressed shows as the right one not pressed.
      for (QPushButton* b : d->findChildren<QPushButton*>()) {
        QObject::disconnect(b, &QAbstractButton::clicked, nullptr, nullptr);
      }
      QSignalSpy pressed(button, &QAbstractButton::clicked);
      QTest::keyClick(focus, Qt::Key_Return);
      EXPECT_EQ(pressed.count(), 1) << "Enter presses " << button->text().toStdString()
                                    << "; focus on " << focus->metaObject()->className() << " "
                                    << focus->objectName().toStdString() << " "
                                    << (qobject_cast<QPushButton*>(focus)
                                            ? qobject_cast<QPushButton*>(focus)->text().toStdString()
                                            : std::string());
      ASSERT_TRUE(d->isVisible());
      focus = QApplication::focusWidget() ? QApplication::focusWidget() : d.get();
    }
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible()) << "Escape closes it";
    EXPECT_EQ(d->result(), int(QDialog::Rejected));
  }
}

// The page buttons take no focus: Ctrl+1 to Ctrl+3 reach the pages.
TEST_F(WindowKeysTest, CtrlDigitsReachThePagesOfTheMainWindow) {
  TQVPMain& m = StartShownOn({{{"LNAME", "Archer"}}});
  const struct {
    Qt::Key key;
    QFrame* TQVPMain::*page;
  } cases[] = {{Qt::Key_3, &TQVPMain::FilterPage},
               {Qt::Key_2, &TQVPMain::BrowsePage},
               {Qt::Key_1, &TQVPMain::MainPage}};
  for (const auto& c : cases) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &m, c.key,
                    Qt::ControlModifier);
    EXPECT_EQ(m.Pages->currentWidget(), m.*c.page) << c.key;
  }
}

}  // namespace
}  // namespace qv::testing
