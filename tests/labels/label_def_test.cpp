// The label definition edit dialog: validation order, units and the sheet
// and pitch fills, on the offscreen platform.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>

#include "labels/windows/label_edit.h"
#include "qstring_print.h"
#include "scripted_dialogs.h"

namespace qv {
namespace {

// Avery 5160: 1 x 2.63 in, 3 across, 10 down on Letter.
LabelRecord Avery5160() {
  LabelRecord r;
  r.geometry = {"Avery 5160", 1.0f, 2.63f, 3, 10, 0.5f, 0.19f, 2.75f, 1.0f, 8.5f, 11.0f};
  r.printer = "LJ";
  r.paper_size = "LTR";
  return r;
}

class LabelDefTest : public ::testing::Test {
 protected:
  // A dialog on Avery 5160 with `change` made to it, activated, in millimetres or inches.
  std::unique_ptr<TLabelEdit> Open(bool millimetres = false,
                                   const std::function<void(LabelRecord&)>& change = {}) {
    auto edit = std::make_unique<TLabelEdit>();
    edit->record = Avery5160();
    if (change) change(edit->record);
    edit->activate();
    if (millimetres) edit->setMillimetres(true);
    return edit;
  }
  testing::ScriptedDialogs dialogs;
};

// The checks and their order are the geometry's own test; here the
// dialog shows the first failing check's message and passes a stock that
// holds.
TEST_F(LabelDefTest, ValidLabelSaysTheFirstFailingCheck) {
  TLabelEdit edit;
  edit.record = Avery5160();
  edit.record.geometry.width = 0.99f;
  edit.record.geometry.description.clear();
  EXPECT_FALSE(edit.ValidLabel());
  EXPECT_EQ(dialogs.notices(), QStringList{"Label Width must be at least 1 inch (or 25mm)"});
  edit.record = Avery5160();
  dialogs.calls.clear();
  EXPECT_TRUE(edit.ValidLabel());
  EXPECT_TRUE(dialogs.notices().isEmpty());
}

TEST_F(LabelDefTest, MillimetreSaveStoresInchesToThreeDecimals) {
  auto edit = Open(true);
  // 210 / 25.4 = 8.26771...; the table keeps 8.268.
  edit->lengthField(TLabelEdit::PaperWidth)->setValue(210);
  edit->lengthField(TLabelEdit::PaperHeight)->setValue(297);
  edit->tractorBox()->setChecked(true);
  edit->save();
  // Three 2.63 in columns do not fit 210 mm: said, and saved all the same.
  ASSERT_EQ(dialogs.notices().size(), 1);
  EXPECT_TRUE(dialogs.notices()[0].startsWith("The labels run off the sheet: the last column"));
  EXPECT_EQ(edit->result(), QDialog::Accepted);
  EXPECT_FLOAT_EQ(edit->record.geometry.sheet_width, 8.268f);
  EXPECT_FLOAT_EQ(edit->record.geometry.sheet_height, 11.693f);
  EXPECT_FLOAT_EQ(edit->record.geometry.width, 2.63f);  // 2.63 in = 66.802 mm, back to 2.630
  EXPECT_EQ(edit->record.printer, "DM");
}

TEST_F(LabelDefTest, UnitRoundTripKeepsInches) {
  auto edit = Open(true, [](LabelRecord& r) {
    r.geometry.left_margin = 0.1875f;  // more places than the inch mask shows
  });
  EXPECT_EQ(edit->lengthField(TLabelEdit::Width)->text(), "66.8");  // 66.802 under "###.#"
  EXPECT_NEAR(edit->lengthField(TLabelEdit::LeftMargin)->value(), 4.7625, 1e-5);
  edit->setMillimetres(false);
  EXPECT_EQ(edit->lengthField(TLabelEdit::LeftMargin)->text(), "0.188");
  EXPECT_NEAR(edit->record.geometry.left_margin, 0.1875f, 1e-6);
  EXPECT_NEAR(edit->record.geometry.width, 2.63f, 1e-6);
}

TEST_F(LabelDefTest, PaperListFillsTheSheetInTheCurrentUnit) {
  auto edit = Open(false, [](LabelRecord& r) { r.paper_size = "B5"; });  // unknown: Other
  EXPECT_EQ(edit->paperList()->currentIndex(), 5);
  EXPECT_FALSE(edit->tractorBox()->isChecked());
  auto sheet = [&] {
    return std::pair(edit->lengthField(TLabelEdit::PaperWidth)->value(),
                     edit->lengthField(TLabelEdit::PaperHeight)->value());
  };
  edit->setMillimetres(true);
  emit edit->paperList()->activated(2);
  EXPECT_NEAR(sheet().first, 210.058, 1e-9);
  EXPECT_NEAR(sheet().second, 296.926, 1e-9);
  edit->setMillimetres(false);
  emit edit->paperList()->activated(1);
  EXPECT_EQ(sheet(), std::pair(11.0, 8.5));
}

TEST_F(LabelDefTest, LeavingWidthOrHeightRaisesAShortPitch) {
  auto edit = Open();
  // Each length typed and left, then the pitch it may raise.
  const struct {
    TLabelEdit::Length typed, pitch;
    double value, after;
  } steps[] = {{TLabelEdit::Width, TLabelEdit::HorizPitch, 3.0, 3.0},
               {TLabelEdit::Width, TLabelEdit::HorizPitch, 1.5, 3.0},  // never lowered
               {TLabelEdit::Height, TLabelEdit::VertPitch, 1.25, 1.25}};
  for (const auto& s : steps) {
    edit->lengthField(s.typed)->setValue(s.value);
    emit edit->lengthField(s.typed)->editingFinished();
    EXPECT_EQ(edit->lengthField(s.pitch)->value(), s.after) << s.value;
  }
}

TEST_F(LabelDefTest, FieldsTakeThreeDecimalsInInchesAndOneInMillimetres) {
  const struct {
    bool millimetres;
    const char* typed;
    float inches;  // what Save stores; -1: the field's validator refuses it
  } cases[] = {
      {false, "0.1875", -1},  // four places: more than the table keeps
      {false, "10.5", 10.5f},
      {false, "100.5", -1},
      {true, "4.8", 0.189f},
      {true, "63.55", -1},
  };
  for (const auto& c : cases) {
    auto edit = Open(c.millimetres);
    LengthEdit* field = edit->lengthField(TLabelEdit::LeftMargin);
    int pos = 0;
    QString text = c.typed;
    const bool ok = field->validator()->validate(text, pos) == QValidator::Acceptable;
    EXPECT_EQ(ok, c.inches >= 0) << c.typed;
    if (!ok) continue;
    field->setText(c.typed);
    emit field->textEdited(c.typed);
    // Wide sheet, so no overhang warning gets in the way.
    edit->lengthField(TLabelEdit::PaperWidth)->setValue(c.millimetres ? 1100 : 45);
    edit->save();
    EXPECT_EQ(edit->result(), QDialog::Accepted) << c.typed;
    EXPECT_NEAR(edit->record.geometry.left_margin, c.inches, 1e-6) << c.typed;
  }
}

TEST_F(LabelDefTest, LabelsRunningOffTheSheetAreWarnedAboutNotRefused) {
  const struct {
    const char* what;
    void (*change)(LabelRecord&);
    QStringList notices;
  } cases[] = {
      {"exactly to the edge", [](LabelRecord& r) { r.geometry.left_margin = 0.37f; }, {}},
      {"one thousandth too wide", [](LabelRecord& r) { r.geometry.left_margin = 0.371f; },
       {"The labels run off the sheet: the last column ends at 8.501 in, on a sheet 8.500 in "
        "wide. Labels that run off will not print whole."}},
      {"both ways", [](LabelRecord& r) { r.geometry.across = 4, r.geometry.top_margin = 1.1f; },
       {"The labels run off the sheet: the last column ends at 11.070 in, on a sheet 8.500 in "
        "wide; the last row ends at 11.100 in, on a sheet 11.000 in high. Labels that run off "
        "will not print whole."}},
  };
  for (const auto& c : cases) {
    dialogs.clear();
    auto edit = Open(false, c.change);
    edit->save();
    EXPECT_EQ(dialogs.notices(), c.notices) << c.what;
    EXPECT_EQ(edit->result(), QDialog::Accepted) << c.what;
  }
}

}  // namespace
}  // namespace qv
