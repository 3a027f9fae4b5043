// The main window's Envelopes command: it opens "Print Envelope" on the
// main window's contact table at its current record, with the setups of
// the program directory (the table put back is every print job's, checked
// with the Labels command); the real windows one inside the other show the
// current contact in the designer.
#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <variant>

#include "app_fixture.h"
#include "page_ops.h"
#include "envelopes/windows/envelope_designer.h"
#include "envelopes/windows/print_envelope.h"
#include "render/page_stream.h"
#include "store/support_install.h"

namespace qv::testing {
namespace {

const Contact kAnn = {{"FNAME", "Ann"}, {"LNAME", "Archer"}, {"CITY", "Albany"},
                      {"STATE", "NY"},  {"ZIP", "12207"}};
const Contact kBob = {{"FNAME", "Bob"}, {"LNAME", "Baker"}, {"CITY", "Boston"},
                      {"STATE", "MA"},  {"ZIP", "02110"}};
const Contact kCy = {{"FNAME", "Cy"}, {"LNAME", "Cole"}, {"CITY", "Troy"},
                     {"STATE", "NY"}, {"ZIP", "12180"}};

class EnvelopesCommandTest : public AppTest {};

// The texts of a previewed run's pages, page after page.
QStringList PreviewTexts(TQVEnvelopes& envelopes) {
  QStringList texts;
  envelopes.RunHooks = [&texts] {
    EnvelopeRunHooks hooks;
    hooks.preview = [&texts](QIODevice& stream) {
      PageStream pages;
      DecodeInto(&pages)(stream);
      for (const Page& page : pages.pages) {
        for (const TextOp& t : TextsOf(page)) texts << t.text;
      }
    };
    return hooks;
  };
  envelopes.PreviewButtonClick();
  return texts;
}

TEST_F(EnvelopesCommandTest, OpensPrintEnvelopeOnTheCurrentRecord) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy});
  ASSERT_TRUE(m.mnuEnvelopes->isEnabled());
  EXPECT_TRUE(m.Apollo1.Go(2));
  bool ran = false;
  QStringList current, all;
  m.RunEnvelopesWindow = [&](TQVEnvelopes& envelopes) {
    ran = true;
    envelopes.FormActivate();
    EXPECT_TRUE(envelopes.rbQCurrent->isChecked());
    current = PreviewTexts(envelopes);
    envelopes.rbQAll->setChecked(true);
    all = PreviewTexts(envelopes);
    EXPECT_EQ(envelopes.LastRun.envelopes, 3);
  };
  m.mnuEnvelopesClick();
  ASSERT_TRUE(ran);
  EXPECT_TRUE(current.contains("Bob Baker ")) << current.join('|').toStdString();
  EXPECT_FALSE(current.contains("Ann Archer "));
  EXPECT_TRUE(all.contains("Cy Cole "));
}

// The real windows: the command shows Print Envelope modally, its Modify
// opens the designer on the main window's table, whose Record buttons
// move it.
TEST_F(EnvelopesCommandTest, ModifyOpensTheDesignerOnTheMainWindowsContact) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy});
  EXPECT_TRUE(m.Apollo1.Go(2));
  QStringList shown;
  WhenShown<TQVEnvelopes>([&](TQVEnvelopes* envelopes) {
    WhenShown<TEnvelopeDesigner>([&](TEnvelopeDesigner* designer) {
      shown << designer->AddressLines.value(0);
      designer->NextButton->click();
      shown << designer->AddressLines.value(0);
      designer->CancelButton->click();
    });
    envelopes->ModifyButton->click();
    envelopes->reject();
  });
  m.mnuEnvelopesClick();
  EXPECT_EQ(shown, QStringList({"Bob Baker ", "Cy Cole "}));
  EXPECT_TRUE(dialogs_->notices().isEmpty()) << dialogs_->notices().join('|').toStdString();
}

}  // namespace
}  // namespace qv::testing
