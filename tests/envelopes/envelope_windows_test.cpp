// The envelope windows on the offscreen platform: the size entry dialog's
// unit switching and Save checks, the size list's stock rows and user rows,
// Print Envelope's setup buttons, and the designer: dragging
// stored at pixels per inch, lines shown where the page prints them, the
// address following the Record buttons, texts asked through the dialog
// service.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "envelopes/envelope_print.h"
#include "envelopes/windows/envelope_designer.h"
#include "envelopes/windows/print_envelope.h"
#include "envelopes/windows/select_envelope.h"
#include "render/report_fonts.h"
#include "labels/imb.h"
#include "labels_test_util.h"
#include "near.h"
#include "scripted_dialogs.h"
#include "store/support_install.h"
#include "store/table_grid_model.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::ScriptedDialogs;

// The Save checks and their order are EnvelopeSizes.SaveChecksInTheirOrder;
// here sizes typed in millimetres reach them and a problem keeps the
// dialog open.
TEST(EnvelopeEdit, UnitsSwitchExactlyAndAProblemKeepsTheDialogOpen) {
  ScriptedDialogs dialogs;
  TEnvelopeEdit edit;
  edit.OrigWidth = kNewEnvelopeWidth;
  edit.OrigHeight = kNewEnvelopeHeight;
  edit.FormActivate();
  const auto shown = [&] { return std::pair(edit.WidthEdit->value(), edit.HeightEdit->value()); };
  EXPECT_EQ(shown(), std::pair(9.5, 4.13));
  edit.MMButton->setChecked(true);
  edit.MMButtonClick();
  // 9.5 x 25.4 = 241.3 and 4.13 x 25.4 = 104.902: whole millimetres.
  EXPECT_EQ(shown(), std::pair(241.0, 105.0));
  edit.Inchesbutton->setChecked(true);
  edit.InchesbuttonClick();
  // 241 / 25.4 = 9.488...
  EXPECT_NEAR(edit.OrigWidth, 9.48819, 1e-5);
  EXPECT_DOUBLE_EQ(edit.WidthEdit->value(), 9.49);
  edit.MMButton->setChecked(true);
  edit.MMButtonClick();
  edit.WidthEdit->setValue(50);
  edit.HeightEdit->setValue(51);
  edit.NameEdit->setText(QStringLiteral("Mine"));
  edit.DescEdit->setText(QStringLiteral("small"));
  edit.OKButtonClick();
  EXPECT_EQ(dialogs.notices(), QStringList{"Envelope Width must be at least 2 inches (50mm)"});
  EXPECT_NE(edit.result(), QDialog::Accepted);
}

// A size the boxes round (230 x 102 mm stored as 9.055 x 4.016 in) is
// saved as it was unless the user typed over it.
TEST(EnvelopeEdit, AnUntouchedSizeIsSavedAsItCame) {
  ScriptedDialogs dialogs;
  const struct {
    bool millimetres;
    double typedWidth;  // 0: left as shown
    double width, height;
  } cases[] = {{false, 0, 9.055, 4.016}, {true, 0, 9.055, 4.016}, {false, 9.1, 9.1, 4.016},
               {true, 231, 231 * kEnvelopeInchesPerMm, 4.016}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.millimetres << " " << c.typedWidth);
    TEnvelopeEdit edit;
    edit.OrigWidth = 9.055;
    edit.OrigHeight = 4.016;
    edit.FormActivate();
    if (c.millimetres) {
      edit.MMButton->setChecked(true);
      edit.MMButtonClick();
    }
    if (c.typedWidth > 0) edit.WidthEdit->setValue(c.typedWidth);
    edit.NameEdit->setText(QStringLiteral("C4 long"));
    edit.DescEdit->setText(QStringLiteral("230 x 102 mm"));
    edit.OKButtonClick();
    EXPECT_EQ(edit.result(), QDialog::Accepted) << dialogs.lastNotice().toStdString();
    EXPECT_DOUBLE_EQ(edit.OrigWidth, c.width);
    EXPECT_DOUBLE_EQ(edit.OrigHeight, c.height);
  }
}

struct SizeTable {
  SizeTable() {
    QString why;
    EXPECT_TRUE(BuildSupportTable(QStringLiteral("QVPENVS"), dir.path(), &why)) << why.toStdString();
    dialog.EnvelopeTable->setDatabaseName(dir.path() + QLatin1Char('/'));
    dialog.EnvelopeTable->setTableName(EnvelopeSizeFileName());
    EXPECT_TRUE(dialog.EnvelopeTable->open());
  }
  QTemporaryDir dir;
  TSelectEnvelope dialog;
};

TEST(SelectEnvelope, StockRowsStayUserRowsChangeAndUnknownNamesStandAtTheEnd) {
  ScriptedDialogs dialogs;
  SizeTable fx;
  TSelectEnvelope& d = fx.dialog;
  d.LocateName = QStringLiteral("Envelope #10");
  d.FormActivate();
  EXPECT_EQ(d.EnvelopeTable->fieldText(QStringLiteral("NAME")), "Envelope #10");
  const int stock = d.gridModel()->rowCount();

  d.EditEnvelopeClick();
  EXPECT_EQ(dialogs.lastNotice(), "You may only edit User Defined envelopes");
  d.DeleteEnvelopeClick();
  EXPECT_EQ(dialogs.lastNotice(), "You may only delete User Defined envelopes");
  EXPECT_EQ(d.gridModel()->rowCount(), stock);

  // New: 60 x 30 cm entered in millimetres, stored in inches; Edit keeps
  // USERDEF; Delete asks first.
  bool editing = false;
  d.RunEnvelopeEdit = [&editing](TEnvelopeEdit& edit) {
    if (editing) EXPECT_EQ(edit.NameEdit->text(), "Poster");
    edit.FormActivate();
    if (!editing) {
      edit.MMButton->setChecked(true);
      edit.MMButtonClick();
      edit.WidthEdit->setValue(600);
      edit.HeightEdit->setValue(300);
      edit.NameEdit->setText(QStringLiteral("Poster"));
    }
    edit.DescEdit->setText(editing ? "big" : "300 x 600 mm");
    edit.OKButtonClick();
    return edit.result() == QDialog::Accepted;
  };
  d.NewEnvelopeClick();
  ASSERT_EQ(d.gridModel()->rowCount(), stock + 1);
  EXPECT_EQ(d.EnvelopeTable->fieldText(QStringLiteral("NAME")), "Poster");
  EXPECT_NEAR(d.EnvelopeTable->fieldText(QStringLiteral("WIDTH")).toDouble(), 23.622, 1e-9);
  editing = true;
  d.EditEnvelopeClick();
  EXPECT_EQ(d.EnvelopeTable->fieldText("DESC") + d.EnvelopeTable->fieldText("USERDEF"), "bigT");
  dialogs.questionAnswers = {false, true};
  d.DeleteEnvelopeClick();
  EXPECT_EQ(d.gridModel()->rowCount(), stock + 1);
  d.DeleteEnvelopeClick();
  EXPECT_EQ(d.gridModel()->rowCount(), stock);
  EXPECT_EQ(dialogs.callsOf(QStringLiteral("question")).at(0).text, "Delete this envelope?");

  // A name not in the table (letter case counts) stands at the end.
  SizeTable other;
  other.dialog.LocateName = QStringLiteral("envelope #10");
  other.dialog.FormActivate();
  EXPECT_TRUE(other.dialog.EnvelopeTable->eof());
  // A missing table is said.
  QTemporaryDir empty;
  EnvelopeSizeChoice choice;
  EXPECT_FALSE(ChooseEnvelopeSize(nullptr, empty.path() + QLatin1Char('/'), QString(), &choice));
  EXPECT_EQ(dialogs.lastNotice(),
            "We were unable to open the envelope definition file: QVPENVS.DBF");
}

TEST(PrintEnvelope, SetupsAreMadeChangedAndDeleted) {
  ScriptedDialogs dialogs;
  ContactFixture contacts;
  ASSERT_TRUE(contacts.make({{{"LNAME", "Public"}, {"FNAME", "John"}, {"ZIP", "12207"}}}));
  EXPECT_TRUE(contacts.apollo.GoTop());
  QString why;
  ASSERT_TRUE(BuildSupportTable(QStringLiteral("QVPESU"), contacts.dir(), &why));
  TQVEnvelopes w(&contacts.table, &contacts.apollo);
  ASSERT_TRUE(w.OpenEnvelopeSetupTable(contacts.dir()));
  w.FormActivate();
  EXPECT_TRUE(w.ModifyButton->isEnabled());

  // New starts from the row under the cursor with the untitled description.
  QString seen;
  w.EditSetup = [&seen](TEnvelopeSetup* s) {
    seen = s->description;
    s->position = 10;
    return true;
  };
  w.NewButtonClick();
  EXPECT_EQ(seen, "{Untitled Envelope Setup Record}");
  EXPECT_EQ(w.EnvelopeSetupTable->recordCount(), 2);
  EXPECT_EQ(w.CurrentSetup.position, 10);

  // Deleting both rows leaves New, Printer Setup, Help and Cancel.
  dialogs.questionAnswers = {true, true};
  w.DeleteButtonClick();
  w.DeleteButtonClick();
  EXPECT_EQ(dialogs.callsOf(QStringLiteral("question")).at(0).text, "Delete this record?");
  for (QWidget* off : std::initializer_list<QWidget*>{w.ModifyButton, w.PrintNowButton,
                                                      w.PreviewButton, w.DeleteButton}) {
    EXPECT_FALSE(off->isEnabled());
  }
  EXPECT_TRUE(w.NewButton->isEnabled());
}

// A drag stores the delivery block's new place at pixels per inch, and
// every line the designer then shows, turned into inches from the
// envelope's corner, is where the printed page puts it, in the same font.
// At 100% the saved places are the shown ones exactly; at other zooms a
// place is shown to the whole pixel, so it may lie a pixel off.
TEST(EnvelopeDesigner, DraggedAndShownLinesStandWhereThePagePrintsThem) {
  ContactFixture contacts;
  ASSERT_TRUE(contacts.make({{{"FNAME", "John"}, {"LNAME", "Public"}, {"STREET", "123 Main St"},
                              {"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12207"}}}));
  EXPECT_TRUE(contacts.table.first());
  for (int zoom : {100, 75, 50}) {
    SCOPED_TRACE(::testing::Message() << zoom << "%");
    ScriptedDialogs dialogs;
    TEnvelopeDesigner d(&contacts.table);
    d.Setup = DefaultEnvelopeSetup();
    d.Setup.useMessage = true;
    d.Setup.returnBlock.fontSize = 9;
    d.Setup.deliveryBlock.fontSize = 13;
    d.Setup.returnLines = {"Ann Sender", "9 Oak Rd", "Troy NY 12180", "", ""};
    d.FormActivate();
    if (zoom != 100) {
      (zoom == 75 ? d.Zoom75 : d.Zoom50)->setChecked(true);
      d.PercChoiceClick();
    }
    const double P = d.P;
    const int baseLeft = int(P * d.Setup.deliveryBlock.left), baseTop = int(P * d.Setup.deliveryBlock.top);
    const QPoint from = d.EnvelopeImage->itemRect(EnvelopeItem::Delivery).center();
    const QPoint to = from + QPoint(30, 15);
    QTest::mousePress(d.EnvelopeImage, Qt::LeftButton, {}, from);
    QTest::mouseRelease(d.EnvelopeImage, Qt::LeftButton, {}, to);
    d.OkButtonClick();
    ASSERT_EQ(d.result(), QDialog::Accepted);
    // Base pixels: the shown place plus the drag, divided by the zoom.
    const int newLeft = int((int(baseLeft * zoom * 0.01) + 30) / (zoom * 0.01));
    const int newTop = int((int(baseTop * zoom * 0.01) + 15) / (zoom * 0.01));
    EXPECT_FLOAT_EQ(d.Setup.deliveryBlock.left, float(newLeft / P));
    EXPECT_FLOAT_EQ(d.Setup.deliveryBlock.top, float(newTop / P));

    testing::TestHost host;
    EnvelopeRunOptions options;
    options.setup = d.Setup;
    options.paper = EnvelopePaper::Envelope;
    options.print = false;
    PageStream pages;
    EnvelopeRunHooks hooks;
    hooks.preview = testing::DecodeInto(&pages);
    DoPrintEnvelopes(contacts.table, contacts.apollo, options, host, hooks);
    ASSERT_EQ(pages.pages.size(), 1u);
    const std::vector<TextOp> printed = testing::TextsOf(pages.pages[0]);
    const double tolerance = zoom == 100 ? 1e-5 : 1.0 / (P * zoom * 0.01);
    int compared = 0;
    for (EnvelopeItem item :
         {EnvelopeItem::Return, EnvelopeItem::Message, EnvelopeItem::Delivery}) {
      const QStringList lines = d.LinesOf(item);
      for (int i = 0; i < lines.size(); ++i, ++compared) {
        SCOPED_TRACE(lines[i].toStdString());
        auto t = std::find_if(printed.begin(), printed.end(),
                              [&](const TextOp& op) { return op.text == lines[i]; });
        ASSERT_NE(t, printed.end());
        EXPECT_EQ(d.ScreenFont(item), ReportFont(t->font));
        const QPointF shown = d.InchesOf(d.EnvelopeImage->lineOrigin(item, i));
        EXPECT_TRUE(testing::Near({shown.x(), shown.y()}, {t->x, t->y}, tolerance));
      }
    }
    EXPECT_EQ(compared, 3 + 1 + 3);
  }
}

// The shown address and bars follow the Record buttons; the bars are the
// ones the contact gets when printed, of the kind chosen, and none where
// printing gives none.
TEST(EnvelopeDesigner, RecordButtonsShowEachContactsAddressAndBars) {
  ScriptedDialogs dialogs;
  ContactFixture contacts;
  ASSERT_TRUE(contacts.make({{{"FNAME", "Ann"}, {"LNAME", "Adams"}, {"STREET", "1 Elm St"},
                              {"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12207-1234"}},
                             {{"FNAME", "Bob"}, {"LNAME", "Baker"}, {"CITY", "Ottawa"},
                              {"STATE", "ON"}, {"ZIP", "K1A 0B1"}}}));
  EXPECT_TRUE(contacts.table.first());
  TEnvelopeDesigner d(&contacts.table);
  d.Setup = DefaultEnvelopeSetup();
  d.Setup.address.barCode = true;
  d.FormActivate();
  ASSERT_TRUE(d.BarCodeKindBox->isEnabled());
  auto shown = [&d] { return d.AddressLines.value(0) + QStringLiteral(" / ") +
                             QString::number(d.AddressLines.size()); };
  EXPECT_EQ(shown(), "Ann Adams  / 3");
  struct Step {
    int kind;
    QPushButton* button;
    const char* expected;  // first line / line count: Baker has no street
    int bars;  // POSTNET: 2 frame bars and 5 per digit of ZIP+4, delivery point and check
  } steps[] = {{0, d.NextButton, "Bob Baker  / 2", 0},
               {0, d.NextButton, "Bob Baker  / 2", 0},
               {0, d.FirstButton, "Ann Adams  / 3", 62},
               {0, d.PriorButton, "Ann Adams  / 3", 62},
               {1, d.NextButton, "Bob Baker  / 2", 0},
               {1, d.FirstButton, "Ann Adams  / 3", kImbBarCount}};
  for (const Step& s : steps) {
    SCOPED_TRACE(::testing::Message() << s.kind << " " << s.button->text().toStdString());
    d.BarCodeKindBox->setCurrentIndex(s.kind);
    s.button->click();
    EXPECT_EQ(shown(), s.expected);
    EXPECT_FALSE(d.AddressLines.contains(QString()));
    EXPECT_EQ(d.AddressBars.size(), s.bars);
  }
  // The contents switches recompose the shown address at once.
  d.NameCheck->click();
  EXPECT_EQ(shown(), "1 Elm St / 2");
  d.OkButtonClick();
  EXPECT_FALSE(d.Setup.address.name);
  EXPECT_TRUE(d.Setup.address.barCode);
  EXPECT_TRUE(d.Setup.intelligentMail);
}

// Right-click texts are asked through the dialog service; Save needs a
// description, keeps five return lines and compacts the empty ones away.
TEST(EnvelopeDesigner, TextsAreAskedThroughTheDialogServiceAndSaveKeepsFiveReturnLines) {
  ScriptedDialogs dialogs;
  TEnvelopeDesigner d(nullptr);
  d.Setup = DefaultEnvelopeSetup();
  d.Setup.useMessage = true;
  d.Setup.messageText = QStringLiteral("Handle with Care");
  d.Setup.returnLines = {"One", "", "Three", "", ""};
  d.FormActivate();
  EXPECT_EQ(d.ReturnLines, QStringList({"One", "", "Three"}));
  // Seven lines, or a line too long, are refused and offered again.
  const QStringList seven = {"1", "2", "3", "4", "5", "6", "7"};
  dialogs.lineAnswers = {seven, QStringList{QString(41, 'x')},
                         QStringList{"Ann Sender", "", "Troy NY 12180", ""}, std::nullopt};
  dialogs.textAnswers = {QStringLiteral("Fragile"), std::nullopt};
  for (int round = 0; round < 2; ++round) {  // answered, then cancelled
    d.ChooseText(EnvelopeItem::Return);
    d.ChooseText(EnvelopeItem::Message);
  }
  QStringList asked;  // caption/prompt: the text offered
  for (const auto& c : dialogs.calls) {
    if (c.kind.startsWith(QLatin1String("input"))) asked << c.caption + "/" + c.text + ": " + c.start;
  }
  EXPECT_EQ(asked, QStringList({"Return Address/: One||Three", "Return Address/: 1|2|3|4|5|6|7",
                                "Return Address/: " + QString(41, 'x'),
                                "Message/Message Text: Handle with Care",
                                "Return Address/: Ann Sender||Troy NY 12180",
                                "Message/Message Text: Fragile"}));
  EXPECT_EQ(dialogs.notices(),
            QStringList({ReturnAddressProblem(seven), ReturnAddressProblem({QString(41, 'x')})}));
  EXPECT_EQ(dialogs.unscripted, 0);
  d.DescriptionEdit->setText(QStringLiteral("   "));
  d.OkButtonClick();
  EXPECT_EQ(dialogs.lastNotice(), "Please enter a description for this Envelope Setup record");
  EXPECT_NE(d.result(), QDialog::Accepted);
  d.DescriptionEdit->setText(QStringLiteral("Mine"));
  d.OkButtonClick();
  EXPECT_EQ(d.Setup.returnLines, QStringList({"Ann Sender", "", "Troy NY 12180", "", ""}));
  EXPECT_EQ(d.Setup.messageText, "Fragile");
  d.ReturnLines = {"1", "2", "3", "4", "5", "6", "7"};
  d.OkButtonClick();
  EXPECT_EQ(d.Setup.returnLines, QStringList({"1", "2", "3", "4", "5"}));
  // Landscape shows the clockwise box; portrait hides it.
  d.PortraitButton->setChecked(true);
  d.FeedMethodClick();
  EXPECT_TRUE(d.ClockwiseCheck->isHidden());
}

// The arrow keys move the selected item a base pixel, Shift+arrow ten,
// never past the envelope's top or left edge; with nothing selected nothing moves.
TEST(EnvelopeDesigner, ArrowKeysMoveTheSelectedItem) {
  ScriptedDialogs dialogs;
  TEnvelopeDesigner d(nullptr);
  d.Setup = DefaultEnvelopeSetup();
  d.FormActivate();
  const QPoint start = d.ReturnPlace;
  ASSERT_LT(start.x(), 29);
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int times;
    QPoint place;
  } steps[] = {{Qt::Key_Right, Qt::NoModifier, 1, start + QPoint(1, 0)},
               {Qt::Key_Down, Qt::ShiftModifier, 1, start + QPoint(1, 10)},
               {Qt::Key_Up, Qt::NoModifier, 1, start + QPoint(1, 9)},
               {Qt::Key_Left, Qt::ShiftModifier, 3, QPoint(0, start.y() + 9)}};
  d.Selected = EnvelopeItem::Return;
  for (const auto& s : steps) {
    for (int i = 0; i < s.times; ++i) QTest::keyClick(d.EnvelopeImage, s.key, s.modifiers);
    EXPECT_EQ(d.ReturnPlace, s.place) << s.key;
  }
  d.Selected = EnvelopeItem::None;
  const QPoint delivery = d.DeliveryPlace;
  QTest::keyClick(d.EnvelopeImage, Qt::Key_Right);
  EXPECT_EQ(std::pair(d.DeliveryPlace, d.ReturnPlace), std::pair(delivery, steps[3].place));
}

}  // namespace
}  // namespace qv
