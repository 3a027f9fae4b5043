// The letter windows on the offscreen platform: Print Letters' controls
// and enable rules; the designer's field list, Save and Cancel; Page
// Properties' units; the print status screen's copies, only-current choice
// and cancel question; the preview's record, page and zoom buttons.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableView>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QTest>
#include <QTextCursor>
#include <QTextList>
#include <QTimer>
#include <QToolBar>

#include "labels_test_util.h"
#include "letters/letter_store.h"
#include "letters/merge.h"
#include "letters/windows/letter_windows.h"
#include "letters/windows/qvletters.h"
#include "render/printers.h"
#include "richtext/rtf.h"
#include "store/output_file.h"
#include "letters_test_util.h"
#include "scripted_dialogs.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::Letter;
using testing::ScriptedDialogs;

class LetterWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx.make({{{"FNAME", "Ann"}, {"LNAME", "Adams"}},
                         {{"FNAME", "Bob"}, {"LNAME", "Baker"}},
                         {{"FNAME", "Cy"}, {"LNAME", "Cole"}}}));
    qputenv("QUORVANE_HOME", fx.dir().toLocal8Bit());
    SetCurrentPrinterName(PdfPrinterName());
    SetPdfFileQuestion([this](const QString&) { return fx.file(QStringLiteral("letters.pdf")); });
    ASSERT_TRUE(fx.table.first());
  }
  void TearDown() override {
    SetPdfFileQuestion({});
    qunsetenv("QUORVANE_HOME");
  }

  // A Print Letters dialog over the fixture, shown, with one stored letter
  // when `letter` is given.
  std::unique_ptr<TqVLetters> OpenLetters(const QByteArray& letter = {}) {
    auto letters = std::make_unique<TqVLetters>(&fx.table, &fx.apollo);
    EXPECT_TRUE(letters->OpenLettersTable(fx.dir()));
    if (!letter.isEmpty()) {
      QString error;
      EXPECT_TRUE(StoreLetter(*letters->TableLetters, QStringLiteral("Thanks"), Letter(letter),
                              &error))
          << error.toStdString();
    }
    letters->show();
    QApplication::processEvents();
    return letters;
  }

  ContactFixture fx;
  ScriptedDialogs dialogs;
};

// Whether the five letter controls are enabled; they go together.
bool LetterButtonsEnabled(const TqVLetters& l) {
  const QWidget* const controls[] = {l.ModifyLetter, l.PrintNow, l.PreviewButton, l.DeleteLetter,
                                     l.LetterGrid};
  int on = 0;
  for (const QWidget* w : controls) on += w->isEnabled();
  EXPECT_TRUE(on == 0 || on == 5) << "the five controls go together";
  return on == 5;
}

// The descriptions the grid shows.
QStringList GridTexts(const TqVLetters& l) {
  QStringList out;
  const QAbstractItemModel* m = l.LetterGrid->model();
  for (int r = 0; r < m->rowCount(); ++r) out << m->data(m->index(r, 0)).toString();
  return out;
}

TEST_F(LetterWindowsTest, PrintLettersDefaultsAndTheLetterButtons) {
  auto letters = OpenLetters();
  EXPECT_TRUE(letters->rbOnlyThis->isChecked());
  EXPECT_TRUE(letters->NewLetter->isEnabled());
  EXPECT_FALSE(LetterButtonsEnabled(*letters)) << "no letter yet";

  // New: the designer starts as "{untitled}" on an empty page; Cancel
  // stores nothing, Save stores the description and the text.
  QString started;
  const auto cancelled = [&](TLetterDesign& d) {
    started = d.Description->text() + QLatin1Char('|') + d.document().doc().toPlainText();
    d.Description->setText(QStringLiteral("Changed"));
    return false;
  };
  letters->RunDesigner = cancelled;
  letters->NewLetter->click();
  EXPECT_EQ(started, "{untitled}|");
  EXPECT_TRUE(GridTexts(*letters).isEmpty());
  letters->RunDesigner = [](TLetterDesign& d) {
    d.Description->setText(QStringLiteral("Renewal"));
    d.FieldClick(int(InsertFieldNames().indexOf(QStringLiteral("Last"))) + 1);
    return true;
  };
  letters->NewLetter->click();
  EXPECT_EQ(GridTexts(*letters), QStringList{"Renewal"});
  EXPECT_TRUE(LetterButtonsEnabled(*letters));

  // Modify opens the stored letter; Cancel leaves it as it was.
  letters->RunDesigner = cancelled;
  letters->ModifyLetter->click();
  EXPECT_EQ(started, "Renewal|[Last]");
  EXPECT_EQ(GridTexts(*letters), QStringList{"Renewal"});

  // Delete asks first; deleting the last letter disables the five again.
  dialogs.questionAnswers = {false, true};
  letters->DeleteLetter->click();
  EXPECT_TRUE(LetterButtonsEnabled(*letters));
  letters->DeleteLetter->click();
  EXPECT_EQ(dialogs.textsOf("question"), QStringList(2, "Delete this record?"));
  EXPECT_FALSE(LetterButtonsEnabled(*letters));
}

TEST_F(LetterWindowsTest, DesignerFieldListSaveAndCancel) {
  TLetterDesign designer(&fx.table, &fx.apollo);
  // Each choice types its token at the cursor and puts the list back.
  designer.show();
  for (const int i : {3, 20, 2}) {
    designer.InsertFieldCombo->setCurrentIndex(i);
    designer.FieldClick(i);
    EXPECT_EQ(designer.InsertFieldCombo->currentIndex(), 0);
  }
  EXPECT_EQ(designer.document().doc().toPlainText(), "[First][Today's Date][Name and Address]");

  // The bullet button makes the paragraph a list item; again undoes it.
  QAction* bullets = nullptr;
  for (QAction* action : designer.ToolBar->actions()) {
    if (action->toolTip() == "Bullet List" || action->text() == "Bullet List") bullets = action;
  }
  ASSERT_NE(bullets, nullptr);
  bullets->trigger();
  ASSERT_NE(designer.document().doc().begin().textList(), nullptr);
  EXPECT_EQ(designer.document().doc().begin().textList()->format().style(), QTextListFormat::ListDisc);
  bullets->trigger();
  EXPECT_EQ(designer.document().doc().begin().textList(), nullptr);
  // Cancel on edits asks first (No the default); No keeps the designer open.
  dialogs.questionAnswers = {false, true};
  for (auto [button, result] : {std::pair{designer.CancelButton, int(QDialog::Rejected)},
                                {designer.CancelButton, int(QDialog::Rejected)},
                                {designer.SaveButton, int(QDialog::Accepted)}}) {
    designer.show();
    button->click();
    const bool stays = dialogs.textsOf("question").size() == 1 && button == designer.CancelButton;
    EXPECT_EQ(designer.isVisible(), stays) << button->text().toStdString();
    if (!stays) EXPECT_EQ(designer.result(), result) << button->text().toStdString();
  }
  EXPECT_EQ(dialogs.textsOf("question"), QStringList(2, "Discard the changes to this letter?"));
  // A letter as it came in closes without a question.
  TLetterDesign untouched(&fx.table, &fx.apollo);
  untouched.show();
  untouched.CancelButton->click();
  EXPECT_EQ(dialogs.textsOf("question").size(), 2);
}

// The keys the help page promises, the text keeping the keyboard after
// Insert field, and a click on the top margin placing the cursor.
TEST_F(LetterWindowsTest, DesignerKeysFocusAndMarginClicks) {
  TLetterDesign d(&fx.table, &fx.apollo);
  d.show();
  d.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  d.FieldClick(int(InsertFieldNames().indexOf(QStringLiteral("Last"))) + 1);
  EXPECT_TRUE(d.PageView->hasFocus());
  QTest::keyClicks(d.PageView, QStringLiteral("xy"));
  EXPECT_EQ(d.document().doc().toPlainText(), "[Last]xy");
  QTextCursor all = d.WPRichText1->textCursor();
  all.select(QTextCursor::Document);
  d.WPRichText1->setTextCursor(all);
  const struct {
    Qt::Key key;
    std::function<bool(const QTextCharFormat&)> on;
  } keys[] = {{Qt::Key_B, [](const QTextCharFormat& f) { return f.fontWeight() >= QFont::Bold; }},
              {Qt::Key_I, [](const QTextCharFormat& f) { return f.fontItalic(); }},
              {Qt::Key_U, [](const QTextCharFormat& f) { return f.fontUnderline(); }}};
  for (const auto& k : keys) {
    QTest::keyClick(d.PageView, k.key, Qt::ControlModifier);
    EXPECT_TRUE(k.on(d.WPRichText1->textCursor().charFormat())) << k.key;
  }
  // Above the first line, over its start: the cursor goes to the start.
  const PageLayout l = d.document().layout();
  const QPoint margin = d.PageView->mapFromScene(QPointF(l.left + 20, l.top / 2));
  QTest::mouseClick(d.PageView->viewport(), Qt::LeftButton, {}, margin);
  QTest::keyClicks(d.PageView, QStringLiteral("Q"));
  EXPECT_EQ(d.document().doc().toPlainText(), "Q[Last]xy");
}

// Open takes an RTF file's text (asking when the letter has text); Save as
// RTF writes the letter out.
TEST_F(LetterWindowsTest, DesignerOpensAndSavesRtfFiles) {
  RichDocument source;
  QTextCursor(&source.doc()).insertText(QStringLiteral("From the file"));
  const QString in = fx.file(QStringLiteral("in.rtf")), out = fx.file(QStringLiteral("out.rtf"));
  QFile file(in);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(WriteRtf(source)) > 0);
  file.close();
  TLetterDesign d(&fx.table, &fx.apollo);
  d.FieldClick(1);
  const QString typed = d.document().doc().toPlainText();
  dialogs.openFileAnswers = {in, in};
  dialogs.questionAnswers = {false, true};
  for (const QString& expected : {typed, QStringLiteral("From the file")}) {
    d.OpenRtfClick();
    EXPECT_EQ(d.document().doc().toPlainText(), expected);
  }
  EXPECT_EQ(dialogs.textsOf("question"),
            QStringList(2, "Replace the text of this letter with the file's?"));
  EXPECT_TRUE(d.changed());
  dialogs.saveFileAnswers = {out};
  d.SaveRtfClick();
  QFile saved(out);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  RichDocument back;
  ASSERT_TRUE(ReadRtf(saved.readAll(), &back).ok);
  EXPECT_EQ(back.doc().toPlainText(), "From the file");
  EXPECT_TRUE(dialogs.notices().isEmpty());
  // A short write is told, and leaves no part of a file.
  const QString cut = fx.file(QStringLiteral("cut.rtf"));
  dialogs.saveFileAnswers = {cut};
  OutputFile::FailAfter(10);
  d.SaveRtfClick();
  OutputFile::FailAfter(-1);
  EXPECT_EQ(dialogs.notices(),
            QStringList{QStringLiteral("Unable to write %1: No space left on device").arg(cut)});
  EXPECT_FALSE(QFileInfo::exists(cut));
}

TEST_F(LetterWindowsTest, PagePropertiesUnitsAndOk) {
  RichDocument doc;  // letter paper, 1.25 in left and right, 1 in top and bottom
  TWPPageProp properties(&doc);
  const QList<QLineEdit*> edits = {properties.WidthEdit, properties.HeightEdit,
                                   properties.TopEdit,   properties.BottomEdit,
                                   properties.LeftEdit,  properties.RightEdit};
  auto shown = [&] {
    QStringList out;
    for (QLineEdit* e : edits) out << e->text();
    return out;
  };
  EXPECT_EQ(shown(), QStringList({"8.50", "11.00", "1.00", "1.00", "1.25", "1.25"}));
  properties.UnitCombo->setCurrentIndex(1);
  EXPECT_EQ(shown(), QStringList({"21.59", "27.94", "2.54", "2.54", "3.18", "3.18"}));

  // A left margin typed as 2 cm is 1134 twips, shown again in every unit.
  properties.LeftEdit->setText(QStringLiteral("2"));
  emit properties.LeftEdit->textEdited(QStringLiteral("2"));
  for (const auto& [unit, shown] : {std::pair{2, "1134"}, {0, "0.79"}}) {
    properties.UnitCombo->setCurrentIndex(unit);
    EXPECT_EQ(properties.LeftEdit->text(), shown);
  }

  // Margins that leave no room are refused with a message; OK otherwise
  // writes all six values.
  const auto type = [](QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->textEdited(text);
  };
  type(properties.RightEdit, "8");
  properties.OkButtonClick();
  EXPECT_EQ(dialogs.callsOf(QStringLiteral("information")).size(), 1u);
  EXPECT_EQ(doc.layout(), PageLayout{}) << "nothing written";
  type(properties.RightEdit, "1");
  properties.OkButtonClick();
  EXPECT_EQ(properties.result(), QDialog::Accepted);
  PageLayout want;
  want.left = 1134;
  want.right = 1440;
  EXPECT_EQ(doc.layout(), want);
}

TEST_F(LetterWindowsTest, PrintStatusCopiesOnlyCurrentAndCancel) {
  enum class Cancel { None, No, Yes };
  const struct {
    const char* name;
    QRadioButton* TqVLetters::*choice;
    int copies;
    Cancel cancel;
    int letters, pages;
    const char* status;
  } cases[] = {
      {"three copies of the current", &TqVLetters::rbOnlyThis, 3, Cancel::None, 1, 3,
       "Letter Print Completed!"},
      {"cancel answered No", &TqVLetters::rbQAll, 2, Cancel::No, 3, 6, "Letter Print Completed!"},
      {"cancel answered Yes", &TqVLetters::rbQAll, 2, Cancel::Yes, 1, 2, "Letter Print Canceled!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(fx.file(QStringLiteral("letters.pdf")));
    dialogs.calls.clear();
    auto letters = OpenLetters("{\\rtf1 Dear [First]\\par}");
    (letters.get()->*c.choice)->setChecked(true);
    letters->NumberofEachLabel->setValue(c.copies);
    dialogs.printAnswers = {true};
    if (c.cancel != Cancel::None) dialogs.questionAnswers = {c.cancel == Cancel::Yes};
    QString shownAtEnd, buttonAtEnd;
    letters->RunStatus = [&](TLetterPrintStatus& status) {
      if (c.cancel != Cancel::None) {
        // Cancel pressed while the first letter is being made.
        auto inner = status.run;
        status.run = [&status, inner](JobHost& host, std::function<void(TLetterPrint&)> job) {
          QTimer::singleShot(0, status.CancelButton, &QPushButton::click);
          inner(host, job);
        };
      }
      status.show();
      QApplication::processEvents();
      shownAtEnd = status.StatusLabel->text();
      buttonAtEnd = status.CancelButton->text();
      EXPECT_TRUE(status.isVisible()) << "stays open until OK";
      status.CancelButton->click();
      EXPECT_FALSE(status.isVisible());
    };
    letters->PrintNow->click();
    EXPECT_EQ(std::tuple(letters->LastRun.letters, letters->LastRun.pages, shownAtEnd, buttonAtEnd),
              std::tuple(c.letters, c.pages, QString(c.status), QStringLiteral("OK")));
    EXPECT_EQ(dialogs.textsOf("question"),
              c.cancel == Cancel::None ? QStringList() : QStringList{"Cancel print job?"});
    EXPECT_EQ(QFile::exists(fx.file(QStringLiteral("letters.pdf"))), c.cancel != Cancel::Yes);
  }
}

TEST_F(LetterWindowsTest, PreviewRecordsPagesAndZoom) {
  TRTFPreviewForm preview(&fx.table, &fx.apollo);
  preview.RTFTemplate = Letter("{\\rtf1 Dear [First]\\page page two\\par}");
  preview.show();
  QApplication::processEvents();
  preview.Timer1Timer();
  auto paint = [&] { preview.PaintBox->grab(); };
  auto shows = [&] { return preview.RTFFinal.doc().toPlainText().section(QLatin1Char('\n'), 0, 0); };
  EXPECT_EQ(shows() + "|" + preview.PageLabel->text(), "Dear Ann|Page 1 ");

  // Pages: previous on the first and next on the last do nothing.
  for (auto [button, label] : {std::pair{preview.sbPrevPage, "Page 1 "},
                               {preview.sbNextPage, "Page 2"}, {preview.sbNextPage, "Page 2"}}) {
    paint();
    button->click();
    EXPECT_EQ(preview.PageLabel->text(), label);
    EXPECT_EQ(preview.Pager.pageIndex > 0, label != QLatin1String("Page 1 "));
  }

  // Records: each move merges its record and starts at page 1 again.
  const struct {
    QPushButton* button;
    const char* text;
  } moves[] = {{preview.NextButton, "Dear Bob"}, {preview.LastButton, "Dear Cy"},
               {preview.NextButton, "Dear Cy"}, {preview.FirstButton, "Dear Ann"}};
  for (const auto& m : moves) {
    m.button->click();
    EXPECT_EQ(shows() + "|" + preview.PageLabel->text(), m.text + QStringLiteral("|Page 1"));
    EXPECT_EQ(preview.Pager.pageIndex, 0);
  }

  // Zoom: in only below 150 %, out only above 50 %; each change lays the
  // page out again.
  const int ppi = int(preview.screen()->logicalDotsPerInchX());
  const struct {
    int from;
    QPushButton* button;
    int to;
  } zooms[] = {{146, preview.ZoomInButton, 182}, {182, preview.ZoomInButton, 182},
               {50, preview.ZoomOutButton, 50}, {51, preview.ZoomOutButton, 38}};
  for (const auto& z : zooms) {
    preview.Pager.zoom = z.from;
    preview.LayoutPage();
    z.button->click();
    EXPECT_EQ(preview.Pager.zoom, z.to) << z.from;
    EXPECT_EQ(preview.Panel->width(), PreviewLayout(preview.RTFFinal.layout(), z.to, ppi).pageWidth);
  }
  preview.PageWidthButton->click();
  const int view = preview.ScrollBox->viewport()->width();
  EXPECT_LE(preview.Panel->width(), view);
  EXPECT_GT(preview.Panel->width(), view * 95 / 100);
}

}  // namespace
}  // namespace qv
