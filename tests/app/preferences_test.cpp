// The Preferences dialog against a real settings file in a scratch folder.
#include "app/preferences.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "scripted_dialogs.h"
#include "render/printers.h"

namespace qv {
namespace {

class PreferencesTest : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  QString path_ = dir_.filePath(QStringLiteral("QUORVA.INI"));
  IniFile ini_{path_};
  testing::ScriptedDialogs dialogs_;
};

// OK without a change writes back the date settings it read: the
// defaults of a first start, shown as the main window's format, and a
// stored format the list does not hold, which selects nothing.
TEST_F(PreferencesTest, OkWithoutAChangeKeepsTheDateSettings) {
  const struct {
    bool stored;
    const char* shown;
  } cases[] = {{false, "mm/dd/yyyy"}, {true, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    QFile::remove(path_);
    if (c.stored) {
      ASSERT_TRUE(WriteDateSettings(ini_, DateSettings{QStringLiteral("-"), QStringLiteral("yyyy-mm-dd"),
                                                       QStringLiteral("!9999-99-99;1;_")}));
    }
    auto read = [this] {
      const DateSettings d = ReadDateSettings(IniFile(path_));
      return QStringList({d.shortDateFmt, d.editMask, d.separator});
    };
    const QStringList before = read();
    TPreferences dialog(ini_);
    EXPECT_EQ(dialog.DateFormat->currentText(), QString::fromLatin1(c.shown));
    dialog.OKButtonClick();
    EXPECT_EQ(read(), before);
  }
}

TEST_F(PreferencesTest, CancelWritesNothingAndOkWritesTheChosenFormatsThreeValues) {
  {
    TPreferences cancelled(ini_);
    cancelled.DateFormatClick(3);
    cancelled.PlugDate->setChecked(true);
    cancelled.CancelButton->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(path_));
  }
  TPreferences dialog(ini_);
  const int index = dialog.DateFormat->findText(QStringLiteral("dd.mm.yyyy"));
  ASSERT_GE(index, 0);
  dialog.DateFormat->setCurrentIndex(index);
  dialog.DateFormatClick(index);
  dialog.PlugCityState->setChecked(true);
  dialog.DefaultCountry->setText(QStringLiteral("Canada"));
  dialog.OKButtonClick();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  const DateSettings date = ReadDateSettings(ini_);
  EXPECT_EQ(QStringList({date.shortDateFmt, date.separator, date.editMask}),
            QStringList({"dd.mm.yyyy", ".", "!99.99.9999;1;_"}));
  const AddingSettings adding = ReadAddingSettings(ini_);
  EXPECT_TRUE(adding.plugCityState);
  EXPECT_EQ(adding.defaultCountry, QStringLiteral("Canada"));
  EXPECT_EQ(TPreferences(ini_).DateFormat->currentText(), QStringLiteral("dd.mm.yyyy"));
}

TEST_F(PreferencesTest, UntickedCarryBoxesReachTheStoredSettings) {
  ASSERT_TRUE(ini_.writeBool(QStringLiteral("Adding"), QStringLiteral("CarryOrg"), true));
  ASSERT_TRUE(ini_.writeBool(QStringLiteral("Adding"), QStringLiteral("CarrySA1"), true));
  TPreferences dialog(ini_);
  for (QCheckBox* box : {dialog.CarryOrg, dialog.CarryStreet}) {
    EXPECT_TRUE(box->isChecked());
    box->setChecked(false);
  }
  dialog.OKButtonClick();
  // How each flag is stored is the settings' test.
  const AddingSettings adding = ReadAddingSettings(ini_);
  EXPECT_FALSE(adding.carryOrg || adding.carryStreet);
}

TEST_F(PreferencesTest, PrinterOffsetsAreKeptPerPrinterInInches) {
  const struct {
    bool millimetres;
    const char *x, *y;
    bool saved;
    PrinterOffset stored;
  } cases[] = {
      {false, "0.05", "-0.03", true, {0.05, -0.03}},
      {true, "1.5", "-2.54", true, {0.059, -0.1}},  // 1.5 mm is 0.0591 in, kept to 3 places
      {false, "1.2", "0", false, {}},     // more than an inch is a slip
      {true, "30", "0", false, {}},       // 30 mm likewise
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    QFile::remove(path_);
    dialogs_.calls.clear();
    TPreferences dialog(ini_);
    const int pdf = dialog.OffsetPrinter->findText(PdfPrinterName());
    ASSERT_GE(pdf, 0);
    dialog.OffsetPrinter->setCurrentIndex(pdf);
    dialog.OffsetPrinterChange(pdf);
    if (c.millimetres) dialog.OffsetMillimetres->click();
    dialog.OffsetX->setText(c.x);
    dialog.OffsetY->setText(c.y);
    dialog.OKButtonClick();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.saved);
    EXPECT_EQ(dialogs_.callsOf("information").size(), c.saved ? 0u : 1u);
    const PrinterOffset got = ReadPrinterOffset(ini_, PdfPrinterName());
    EXPECT_NEAR(got.x, c.stored.x, 1e-9);
    EXPECT_NEAR(got.y, c.stored.y, 1e-9);
    if (!c.saved) continue;
    // Shown again in the unit picked, and only for that printer.
    TPreferences again(ini_);
    again.OffsetPrinter->setCurrentIndex(pdf);
    again.OffsetPrinterChange(pdf);
    EXPECT_EQ(again.OffsetX->text().toDouble(), c.stored.x);
    EXPECT_EQ(ReadPrinterOffset(ini_, QStringLiteral("Another Printer")), PrinterOffset{});
  }
  // A damaged value reads as no offset.
  ASSERT_TRUE(ini_.writeString(QStringLiteral("PrinterOffsets"), PdfPrinterName(),
                               QStringLiteral("0.1;0.2")));
  EXPECT_EQ(ReadPrinterOffset(ini_, PdfPrinterName()), PrinterOffset{});
}

}  // namespace
}  // namespace qv
