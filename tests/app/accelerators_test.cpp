// Every window the user reaches from the main window, built over an open
// contact file: no accelerator letter is shared by two captions of one
// window, so each Alt+letter reaches the control it names.
#include <QDialog>
#include <QLineEdit>

#include "accelerators.h"
#include "app_fixture.h"
#include "cleanup/windows/rewrite_windows.h"
#include "dialer/windows/dialer_window.h"
#include "envelopes/windows/envelope_designer.h"
#include "envelopes/windows/print_envelope.h"
#include "labels/windows/print_labels.h"
#include "letters/windows/letter_windows.h"
#include "letters/windows/qvletters.h"
#include "reports/windows/user_report_dialog.h"
#include "zipcount/windows/count_zip_codes.h"

namespace qv::testing {
namespace {

class AcceleratorTest : public AppTest {};

TEST_F(AcceleratorTest, NoTwoCaptionsOfAWindowShareALetter) {
  TQVPMain& m = OpenWithSupportTables({{{"LNAME", "Archer"}, {"CITY", "Troy"}}});
  TableObject* t = m.TableQVW;
  TApollo* a = &m.Apollo1;
  const QString filter = QStringLiteral("CITY=\"Troy\"");
  std::vector<std::unique_ptr<QWidget>> windows;
  windows.emplace_back(new TDeleteRecords(t, filter));
  windows.emplace_back(new TRecallRecords(t, filter));
  windows.emplace_back(new TConvertToUpper(t, true));
  windows.emplace_back(new TSearchAndReplace(t, true));
  windows.emplace_back(new TQVDialer(SettingsFile()));
  windows.emplace_back(new TCountZipCodes(t, a));
  windows.emplace_back(new TLetterDesign(t, a));
  windows.emplace_back(new TqVLetters(t, a));
  windows.emplace_back(new TQVLabels(t, a));
  windows.emplace_back(new TQVEnvelopes(t, a));
  windows.emplace_back(new TEnvelopeDesigner(t));
  windows.emplace_back(new TUserDesignedReport(t, a, path_));
  EXPECT_EQ(SharedAccelerators(&m), QStringList()) << "main window";
  for (const auto& w : windows) {
    EXPECT_EQ(SharedAccelerators(w.get()), QStringList()) << w->windowTitle().toStdString();
  }
}

}  // namespace
}  // namespace qv::testing
