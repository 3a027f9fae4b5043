// The main window's Dial button: shown with a current record, and opening
// the dialer with that record's phone number.
#include <QLineEdit>
#include <QPushButton>

#include "app_fixture.h"
#include "dialer/windows/dialer_window.h"

namespace qv::testing {
namespace {

class DialCommandTest : public AppTest {};

TEST_F(DialCommandTest, DialOpensTheDialerWithTheCurrentPhone) {
  TQVPMain& m =
      OpenOn({{{"LNAME", "Archer"}, {"PHONE", "(555) 010-0100"}}, {{"LNAME", "Baker"}, {"PHONE", ""}}});
  m.SetButtons();
  ASSERT_NE(m.DialButton, nullptr);
  EXPECT_FALSE(m.DialButton->isHidden());
  QStringList numbers;
  m.RunDialerWindow = [&](TQVDialer& dialer) {
    numbers << dialer.NumberToDial->text();
  };
  m.DialButton->click();
  m.RecordNextClick();
  m.DialButton->click();
  EXPECT_EQ(numbers, (QStringList{QStringLiteral("(555) 010-0100"), QString()}));
  // While editing there is nothing to dial from.
  m.EditButtonClick();
  EXPECT_TRUE(m.DialButton->isHidden());
}

}  // namespace
}  // namespace qv::testing
