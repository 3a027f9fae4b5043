// The label designer: screen arithmetic, stock width and bar code, text
// moves and their limits, the record round trip, the sample's lines, font
// controls, Save and the navigator, on the offscreen platform.
#include "labels/windows/label_designer.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "labels_test_util.h"
#include "scripted_dialogs.h"

namespace qv {
namespace {

using testing::ContactFixture;

const testing::Contact kMary = {{"FNAME", "Mary"},       {"MIDDLE", "K"},  {"LNAME", "O'Neil"},
                                {"STREET", "12 Elm St"}, {"CITY", "Troy"}, {"STATE", "NY"},
                                {"ZIP", "12180"}};

LabelRecord Stock(const char* description, float width, const char* printer = "LJ") {
  LabelRecord r;
  r.geometry = {description, 1.0f, width, 2, 10, 0.5f, 0.16f, width + 0.12f, 1.0f, 8.5f, 11.0f};
  r.printer = printer;
  r.paper_size = "LTR";
  return r;
}

// A designer on `setup` at `ppi` pixels per inch, activated as on showing.
std::unique_ptr<TDesignLabel> Open(TableObject* contacts, const LabelSetup& setup, int ppi = 96) {
  auto d = std::make_unique<TDesignLabel>(contacts);
  d->PixelsPerInch = ppi;
  d->Setup = setup;
  d->FormActivate();
  return d;
}

// A 4 x 1.5 inch label, with `change` made to it.
LabelSetup WideSetup(const std::function<void(LabelSetup&)>& change = {}) {
  LabelSetup s = DefaultLabelSetup();
  s.labelWidth = 4.0f;
  s.labelHeight = 1.5f;
  if (change) change(s);
  return s;
}

// A designer over a contact file holding Mary alone.
class LabelDesignerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fx.make({kMary})); }
  ContactFixture fx;
  testing::ScriptedDialogs dialogs;
};

int DarkPixels(const QImage& image, const QRect& area) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) n += qGray(image.pixel(x, y)) < 100;
  }
  return n;
}

void Click(QAbstractButton* button, int times) {
  for (int i = 0; i < times; ++i) button->click();
}

TEST(LabelDesignerArithmetic, InchesAndPixels) {
  // Offsets and clearances truncate; only the label size rounds.
  EXPECT_EQ(InchesToPixels(0.205, 96), 19);               // 19.68
  EXPECT_EQ(LabelSizeToPixels(2.66, 96), 255);            // 255.36
  EXPECT_EQ(LabelSizeToPixels(1.0 + 5.0 / 960, 96), 96);  // 96.5: halves to even
  // A damaged stock gives a drawable label, not a huge or empty picture.
  EXPECT_EQ(LabelSizeToPixels(1e12, 96), kMaxLabelPixels);
  EXPECT_EQ(LabelSizeToPixels(0, 96), 1);
  EXPECT_EQ(LabelSizeToPixels(std::nan(""), 96), 1);
  // Stored as pixels / P, read back by truncation: never more than a
  // pixel away, at any screen scale.
  for (int ppi : {72, 96, 120, 144}) {
    for (int px = 0; px <= 600; ++px) {
      ASSERT_LE(std::abs(InchesToPixels(PixelsToInches(px, ppi), ppi) - px), 1) << px << " " << ppi;
    }
  }
}

TEST(LabelDesignerArithmetic, FontInfoAndPrinterFonts) {
  // The font line with bold or italic alone is the font controls' test.
  EXPECT_EQ(FontInfoText("Times New Roman", 12, true, true),
            "Times New Roman,12 pt., Bold, Italic");
  // 0: no width to give.
  const std::pair<const char*, double> cpis[] = {
      {"Draft 12 cpi Bold", 12}, {"Roman 16.67CPI", 16.67}, {"CPI Sans", 0}, {"Odd 1CPI", 0}};
  for (const auto& [name, cpi] : cpis) EXPECT_DOUBLE_EQ(CpiOfFontName(name), cpi) << name;
  EXPECT_EQ(CpiCharWidth(96, 12), 9);  // 9.14
  // A 10 CPI printer font at 120 pixels per inch: 14 pixels a character,
  // narrow and wide letters alike; its height follows the point size.
  const QFont cpi = SampleFont("Courier 10CPI BOLD", 10, false, true, 120);
  EXPECT_EQ(cpi.pixelSize(), 16);
  const QFontMetricsF m(cpi);
  EXPECT_NEAR(m.horizontalAdvance(QString(10, 'i')) / 10, 14, 0.6);
  EXPECT_NEAR(m.horizontalAdvance(QString(10, 'W')) / 10, 14, 0.6);
}

TEST_F(LabelDesignerTest, StockWidthDecidesTheBarCode) {
  auto d = Open(&fx.table, WideSetup([](LabelSetup& s) { s.address.barCode = true; }));
  EXPECT_TRUE(d->BarCodeCheck->isEnabled() && d->BarCodeCheck->isChecked());
  EXPECT_EQ(d->LabelWidth, 384);

  d->ChangeLabelDef(Stock("Avery 5160  Address,   1.00 x 2.63", 2.63f, "DM"));
  EXPECT_FALSE(d->BarCodeCheck->isEnabled() || d->BarCodeCheck->isChecked() || d->Content.barCode);
  EXPECT_EQ(d->LabelWidth, 252);
  EXPECT_EQ(d->LabelImage().size(), QSize(252, 96));
  EXPECT_EQ(d->LabelDefinitionLabel->text(), "Avery 5160  Address,   1.00 x 2.63");
  EXPECT_EQ(d->Setup.printerType, "DM");
  EXPECT_EQ(d->Setup.across, 2);

  d->ChangeLabelDef(Stock("Shipping 4 in", 4.0f));
  EXPECT_TRUE(d->BarCodeCheck->isEnabled());
  EXPECT_FALSE(d->BarCodeCheck->isChecked());
  d->UpDateLabelSetupRecord();
  EXPECT_FALSE(d->Setup.address.barCode);

  // A narrow record that claims a bar code opens without one.
  LabelSetup narrow = DefaultLabelSetup();
  narrow.address.barCode = true;
  auto n = Open(&fx.table, narrow);
  EXPECT_FALSE(n->BarCodeCheck->isEnabled() || n->Content.barCode);
}

TEST_F(LabelDesignerTest, BarCodeKeepsTheTextDownAndHomeFindsTheLimit) {
  auto d = Open(&fx.table, WideSetup([](LabelSetup& s) {
    s.address.barCode = true;
    s.yOffset = 0.5f;
  }),
                120);
  d->HomeButtonClick();
  EXPECT_EQ(QList<int>({d->TextX, d->TextY, d->BarCodeX, d->BarCodeY}),
            QList<int>({5, 26, 5, 26 - 19}));
  Click(d->DownButton, 3);
  EXPECT_EQ(d->TextY, 32);
  Click(d->UpButton, 5);
  EXPECT_EQ(d->TextY, 26);

  // The bars are drawn above the text, and only with the bar code on.
  const QRect bars(d->BarCodeX, d->BarCodeY, kBarCodePictureWidth, kBarCodePictureHeight);
  EXPECT_GT(DarkPixels(d->LabelImage(), bars), 100);
  d->BarCodeCheck->setChecked(false);
  EXPECT_EQ(DarkPixels(d->LabelImage(), bars), 0);

  // Without it the text may go up to 3 pixels from the top.
  d->HomeButtonClick();
  EXPECT_EQ(d->TextY, 7);
  for (int i = 0; i < 4; ++i) d->UpButtonClick();
  EXPECT_EQ(d->TextY, 3);
  // Ticking the bar code with the text that high makes room for the bars.
  d->BarCodeCheck->setChecked(true);
  EXPECT_EQ(d->TextY, 24);
  EXPECT_EQ(d->BarCodeY, 24 - 19);
}

TEST_F(LabelDesignerTest, HorizontalStepsGrowWhileAutoRepeating) {
  auto d = Open(&fx.table, WideSetup());
  d->TextX = 10;
  d->RightButton->setDown(true);  // clicks while down are auto-repeats
  for (int i = 0; i < 3; ++i) d->RightButtonClick();
  EXPECT_EQ(d->TextX, 10 + 1 + 4 + 4);
  d->RightButton->setDown(false);
  d->RightButtonClick();  // the release ends the run at the fast step
  EXPECT_EQ(d->TextX, 23);
  d->RightButtonClick();
  EXPECT_EQ(d->TextX, 24);
  EXPECT_EQ(d->BarCodeX, 24);

  d->TextX = 9;
  d->LeftButton->setDown(true);
  for (int i = 0; i < 4; ++i) d->LeftButtonClick();  // 9 -> 8 -> 4 -> (0 refused)
  EXPECT_EQ(d->TextX, 4);
  d->LeftButton->setDown(false);
  for (int i = 0; i < 4; ++i) d->LeftButtonClick();
  EXPECT_EQ(d->TextX, 1);
}

TEST_F(LabelDesignerTest, OffsetsSurviveSaveAndReopen) {
  for (int ppi : {96, 120}) {
    SCOPED_TRACE(ppi);
    auto d = Open(&fx.table, WideSetup([](LabelSetup& s) {
      s.xOffset = 0.3f;
      s.yOffset = 0.4f;
    }),
                  ppi);
    d->RightButton->click();
    Click(d->DownButton, 3);
    const int x = d->TextX, y = d->TextY;
    EXPECT_EQ(x, int(0.3 * ppi) + 1);
    EXPECT_EQ(y, int(0.4 * ppi) + 6);
    d->SaveButton->click();
    ASSERT_EQ(d->result(), QDialog::Accepted);
    EXPECT_NEAR(d->Setup.xOffset, double(x) / ppi, 1e-6);
    auto again = Open(&fx.table, d->Setup, ppi);
    EXPECT_LE(std::abs(again->TextX - x), 1);
    EXPECT_LE(std::abs(again->TextY - y), 1);
  }
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(LabelDesignerTest, SampleHasNoBlankLines) {
  auto d =
      Open(&fx.table, WideSetup([](LabelSetup& s) { s.address.title = s.address.company = true; }));
  // Title and organisation are asked for but empty: they leave no line.
  EXPECT_EQ(d->DrawnLines(), QStringList({"Mary K. O'Neil ", "12 Elm St", "Troy  NY 12180"}));
  // The ZIP radio buttons follow the ZIP box and move the ZIP.
  d->BeforeCityRadio->setChecked(true);
  EXPECT_EQ(d->DrawnLines().last(), "12180 Troy NY ");
  d->ZipCheck->setChecked(false);
  EXPECT_FALSE(d->AfterStateRadio->isEnabled());
  d->ZipCheck->setChecked(true);
  d->UpperCaseCheck->setChecked(true);
  EXPECT_EQ(d->DrawnLines().first(), "MARY K. O'NEIL ");

  // Three lines of ink, one line height apart, starting at the text
  // position: nothing printed above the first line's top.
  const QImage image = d->LabelImage();
  EXPECT_EQ(DarkPixels(image, QRect(12, 2, image.width() - 24, d->TextY - 4)), 0);
  const int lineHeight = SampleLineHeight(d->FontSize, 96);
  auto line = [&](int i, int dy = 0) {
    return DarkPixels(image, QRect(d->TextX, d->TextY + i * lineHeight + dy, 200, lineHeight));
  };
  for (int i = 0; i < 3; ++i) EXPECT_GT(line(i), 20) << i;
  EXPECT_EQ(line(3, 2), 0);
}

TEST_F(LabelDesignerTest, FontControls) {
  auto d = Open(&fx.table, WideSetup([](LabelSetup& s) { s.bold = true; }));
  EXPECT_EQ(d->FontLabel->text(), "Arial,10 pt., Bold");

  QFont times("Times New Roman");
  times.setPointSize(12);
  times.setItalic(true);
  dialogs.fontAnswers = {std::nullopt, times};
  Click(d->ChooseFontButton, 2);  // the first cancelled
  EXPECT_EQ(d->FontLabel->text(), "Times New Roman,12 pt., Italic");
  EXPECT_EQ(d->DrawnFont().pixelSize(), 16);  // 12 x 96 / 72, truncated
  // The dialog's sizes are held to 8 to 24 points, with a word.
  for (auto [chosen, kept] : {std::pair{40, 24}, std::pair{6, 8}}) {
    times.setPointSize(chosen);
    dialogs.fontAnswers = {times};
    d->ChooseFontButton->click();
    EXPECT_EQ(d->FontSize, kept);
    EXPECT_TRUE(dialogs.calls.back().text.contains(QStringLiteral("from 8 to 24"))) << chosen;
  }

  // The buttons go down to 6 and up to 36 points, and beep past either end.
  d->FontSize = 7;
  Click(d->SmallerButton, 2);
  EXPECT_EQ(d->FontLabel->text(), "Times New Roman,6 pt., Italic");
  d->FontSize = 35;
  Click(d->BiggerButton, 2);
  EXPECT_EQ(d->FontSize, 36);
  EXPECT_EQ(dialogs.beeps(), 2);

  d->FontName = QString(60, 'F');
  d->DescriptionEdit->setText("Big labels");
  d->SaveButton->click();
  EXPECT_EQ(d->Setup.fontName.size(), 50);
  EXPECT_EQ(d->Setup.fontSize, 36);
  EXPECT_TRUE(d->Setup.italic);
}

TEST_F(LabelDesignerTest, SaveNeedsADescriptionAndCancelKeepsTheRecord) {
  const LabelSetup s = WideSetup([](LabelSetup& s) { s.description = "Club mailing"; });
  auto d = Open(&fx.table, s);
  d->DescriptionEdit->setText("   ");
  d->DownButton->click();
  d->SaveButton->click();
  EXPECT_EQ(dialogs.notices(),
            QStringList{"Please enter a description for this Label Setup record"});
  EXPECT_NE(d->result(), QDialog::Accepted);
  EXPECT_EQ(d->Setup.description, "Club mailing");
  EXPECT_FLOAT_EQ(d->Setup.yOffset, 0.25f);

  // The stock chooser gets the record's stock and printer type; Cancel
  // then undoes the stock it chose.
  QStringList asked;
  d->ChooseDefinition = [&](const QString& description, const QString& printer,
                            LabelRecord* chosen) {
    asked << description << printer;
    *chosen = Stock("Avery 5163  Shipping,  2.00 x 4.00", 4.0f);
    return true;
  };
  d->ChooseLabelButton->click();
  EXPECT_EQ(asked, QStringList({s.stockDescription, "LJ"}));
  EXPECT_EQ(d->Setup.stockDescription, "Avery 5163  Shipping,  2.00 x 4.00");
  d->CancelButton->click();
  EXPECT_EQ(d->result(), QDialog::Rejected);
  EXPECT_EQ(d->Setup.stockDescription, s.stockDescription);
  EXPECT_FLOAT_EQ(d->Setup.yOffset, 0.25f);
}

// Past either end the label keeps showing a contact; an empty or missing
// contact file draws a blank label.
TEST(LabelDesigner, NavigatorMovesTheContactFile) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({kMary,
                       {{"FNAME", "Bob"}, {"LNAME", "Wright"}, {"CITY", "Albany"}},
                       {{"FNAME", "Ann"}, {"LNAME", "Zeller"}, {"CITY", "Utica"}}}));
  EXPECT_TRUE(fx.table.first());
  auto d = Open(&fx.table, WideSetup());
  auto shown = [&] { return d->DrawnLines().first(); };
  const QString first = shown();
  const QImage firstImage = d->LabelImage();
  d->NextButton->click();
  const QString second = shown();
  EXPECT_NE(second, first);
  EXPECT_NE(d->LabelImage(), firstImage);
  d->LastButton->click();
  const QString last = shown();
  EXPECT_NE(last, second);
  d->NextButton->click();
  EXPECT_EQ(shown(), last);
  d->FirstButton->click();
  d->PriorButton->click();
  EXPECT_EQ(shown(), first);
  EXPECT_EQ(d->LabelImage(), firstImage);

  ContactFixture none;
  ASSERT_TRUE(none.make({}));
  for (TableObject* contacts : {&none.table, static_cast<TableObject*>(nullptr)}) {
    auto blank = Open(contacts, WideSetup());
    for (QAbstractButton* b : {blank->NextButton, blank->PriorButton, blank->LastButton})
      b->click();
    EXPECT_TRUE(blank->DrawnLines().isEmpty());
    EXPECT_EQ(blank->LabelImage().size(), QSize(384, 144));
  }
}

}  // namespace
}  // namespace qv
