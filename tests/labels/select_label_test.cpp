// The label stock selection dialog on the delivered QVPLBLS table, built
// into a scratch directory: where it stands on activation, the printer type
// queries, New/Edit/Delete with their questions, the find box and the open
// failure. Row counts and grid order are worked out from the CSV source.
#include "labels/windows/select_label.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <map>

#include "qstring_print.h"
#include "scripted_dialogs.h"
#include "store/support_data.h"
#include "store/support_install.h"
#include "store/table_grid_model.h"
#include "table_walk.h"
namespace qv {
namespace {

const QString k5160 = "Avery 5160  Address,   1.00 x 2.63";
const QString kAveryEdit =
    "This is a predefined Avery label.\rChanging it may result in incorrect output.\r"
    "Are you sure you wish to modify it?";
const QString kAveryDelete =
    "This is a predefined Avery label. Are you sure you wish to delete it?";
const QString kUserDelete = "Are you sure you wish to delete this label?";

// The descriptions of one printer type in the CSV source, in the grid's
// order: upper-cased and blank-padded to the field's 60 characters,
// compared byte by byte.
std::vector<std::string> GridOrder(const std::string& printer) {
  SupportTableData data;
  EXPECT_TRUE(ReadSupportCsv(QV_SOURCE_DIR "/data/support/QVPLBLS.csv", &data).ok());
  const int description = data.FieldIndex("USERDESC"), type = data.FieldIndex("PRINTER");
  std::vector<std::string> out;
  for (const auto& r : data.rows) {
    if (r[type].find(printer) != std::string::npos) out.push_back(r[description]);
  }
  auto key = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    s.resize(60, ' ');
    return s;
  };
  std::stable_sort(out.begin(), out.end(),
                   [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
  return out;
}

// The first of `rows` holding `part`, or "".
std::string FirstWith(const std::vector<std::string>& rows, const std::string& part) {
  auto it = std::find_if(rows.begin(), rows.end(),
                         [&](const std::string& s) { return s.find(part) != std::string::npos; });
  return it == rows.end() ? std::string() : *it;
}

class SelectLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    QString why;
    ASSERT_TRUE(BuildSupportTable("QVPLBLS", m_dir.path(), &why)) << why.toStdString();
  }

  // A dialog on the table, activated as the designer shows it.
  std::unique_ptr<TSelectLabel> Open(const QString& description, const QString& printer) {
    auto dialog = std::make_unique<TSelectLabel>();
    dialog->LabelTable->setDatabaseName(m_dir.path());
    dialog->LabelTable->setTableName("QVPLBLS.DBF");
    dialog->LabelTable->setIndexName("USERDESC");
    EXPECT_TRUE(dialog->LabelTable->open());
    dialog->PassedDescription = description;
    dialog->PassedPrinterType = printer;
    dialog->FormActivate();
    return dialog;
  }

  // The stored texts of every live row with `description`, read from a
  // fresh open of the file.
  std::vector<std::map<QString, QString>> StoredRows(const QString& description) {
    TApolloEnv env;
    env.SetDeleted(true);
    TableObject table(&env);
    table.setDatabaseName(m_dir.path());
    table.setTableName("QVPLBLS.DBF");
    EXPECT_TRUE(table.open());
    std::vector<std::map<QString, QString>> out;
    testing::ForEachRow(table, [&] {
      if (table.fieldText("USERDESC") != description) return;
      std::map<QString, QString>& row = out.emplace_back();
      for (int i = 0; i < table.fieldCount(); ++i) {
        row[table.fieldName(i)] = table.fieldText(table.fieldName(i));
      }
    });
    return out;
  }
  // Fields of the one stored row with `description`, joined by "|".
  QString Stored(const QString& description, const QStringList& fields) {
    const auto rows = StoredRows(description);
    EXPECT_EQ(rows.size(), 1u) << description.toStdString();
    QStringList out;
    for (const QString& f : fields) out << (rows.empty() ? "?" : rows[0].at(f));
    return out.join('|');
  }

  static QString Current(const TSelectLabel& d) {
    return d.LabelTable->eof() ? QString() : d.LabelTable->fieldText("USERDESC");
  }

  QTemporaryDir m_dir;
  testing::ScriptedDialogs dialogs;
};

TEST_F(SelectLabelTest, ActivationStandsOnThePassedDescriptionOrAtTheEnd) {
  {
    auto d = Open(k5160, "LJ");
    EXPECT_TRUE(d->rbLaser->isChecked());
    EXPECT_EQ(Current(*d), k5160);
    const std::vector<std::string> order = GridOrder("LJ");
    const int expected = static_cast<int>(
        std::find(order.begin(), order.end(), k5160.toStdString()) - order.begin());
    EXPECT_EQ(d->currentGridRow(), expected);
    EXPECT_EQ(d->Grid->currentIndex().row(), expected);
  }
  // No such stock, and a stock of the other printer type: both at the end
  // with nothing highlighted.
  for (const auto& [description, printer] :
       {std::pair<QString, QString>{"Avery 9999  Nothing", "LJ"}, {k5160, "DM"},
        {k5160.toUpper(), "LJ"}}) {
    auto d = Open(description, printer);
    EXPECT_TRUE(d->LabelTable->eof()) << description.toStdString();
    EXPECT_EQ(d->currentGridRow(), -1);
    EXPECT_FALSE(d->Grid->selectionModel()->hasSelection());
    EXPECT_GT(d->gridModel()->rowCount(), 0);
  }
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(SelectLabelTest, PrinterTypeQueriesRestrictTheRows) {
  const auto dm = GridOrder("DM");
  ASSERT_FALSE(dm.empty());
  auto d = Open("", "DM");
  EXPECT_TRUE(d->rbDotMatrix->isChecked());
  EXPECT_EQ(d->LabelApollo.Filter(), "\"DM\"$printer");
  ASSERT_EQ(d->gridModel()->rowCount(), static_cast<int>(dm.size()));
  for (int row = 0; row < d->gridModel()->rowCount(); ++row) {
    EXPECT_EQ(d->gridModel()->cell(row, 0).toStdString(), dm[row]);
  }
  d->rbLaser->click();
  EXPECT_EQ(d->LabelApollo.Filter(), "\"LJ\"$printer");
  EXPECT_EQ(d->gridModel()->rowCount(), static_cast<int>(GridOrder("LJ").size()));
  d->rbDotMatrix->click();
  EXPECT_EQ(d->gridModel()->rowCount(), static_cast<int>(dm.size()));
}

TEST_F(SelectLabelTest, NewAppendsAUserDefinitionFromTheHighlightedOne) {
  auto d = Open(k5160, "LJ");
  const int before = d->gridModel()->rowCount();
  int shown = 0;
  d->RunLabelEdit = [&](TLabelEdit& edit) {
    ++shown;
    const LabelGeometry& g = edit.record.geometry;
    EXPECT_EQ(edit.windowTitle(), "Add Label Definition");
    EXPECT_EQ(g.description, "[New] " + k5160.toStdString());
    EXPECT_FLOAT_EQ(g.width, 2.625f);
    EXPECT_EQ(g.across, 3);
    EXPECT_EQ(g.down, 10);
    EXPECT_EQ(edit.record.paper_size, "LTR");
    edit.record.geometry.height = 1.23456f;  // kept to 3 decimals
    return true;
  };
  d->NewButtonClick();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(d->gridModel()->rowCount(), before + 1);
  EXPECT_EQ(Current(*d), "[New] " + k5160);
  EXPECT_EQ(d->currentGridRow(), d->gridModel()->rowOfRecord(d->LabelTable->recNo()));
  EXPECT_GE(d->currentGridRow(), 0);

  // A user definition is edited without the question and stays one.
  d->RunLabelEdit = [&](TLabelEdit& edit) {
    EXPECT_EQ(edit.windowTitle(), "Edit Label Definition");
    edit.record.geometry.top_margin = 0.4f;
    return true;
  };
  d->EditButtonClick();
  EXPECT_TRUE(dialogs.callsOf("question").empty());
  EXPECT_TRUE(d->LabelTable->close());
  EXPECT_EQ(Stored("[New] " + k5160, {"USERDEF", "LBLHEIGHT", "LBLWIDTH", "TOPMARG", "SHEETDEPTH",
                                      "NBRACROSS", "PRINTER"}),
            "T|1.235|2.625|0.400|11.000|3|LJ");
  // The stock it came from is untouched.
  EXPECT_EQ(Stored(k5160, {"LBLHEIGHT"}), "1.000");
}

TEST_F(SelectLabelTest, EditOfAPredefinedStockAsksFirstAndKeepsItPredefined) {
  auto d = Open(k5160, "LJ");
  int shown = 0;
  d->RunLabelEdit = [&](TLabelEdit& edit) {
    ++shown;
    EXPECT_EQ(edit.windowTitle(), "Edit Label Definition");
    EXPECT_EQ(edit.record.geometry.description, k5160.toStdString());
    edit.record.geometry.width = 2.5f;
    edit.record.printer = "DM";
    return true;
  };
  dialogs.questionAnswers = {false};
  d->EditButtonClick();
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(dialogs.textsOf("question"), QStringList{kAveryEdit});

  dialogs.questionAnswers = {true};
  d->EditButtonClick();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(dialogs.callsOf("question").size(), 2u);
  // Now a dot-matrix stock: out of the laser rows.
  EXPECT_EQ(d->gridModel()->rowCount(), static_cast<int>(GridOrder("LJ").size()) - 1);
  EXPECT_TRUE(d->LabelTable->close());
  EXPECT_EQ(Stored(k5160, {"LBLWIDTH", "PRINTER", "USERDEF"}), "2.500|DM|F");
}

TEST_F(SelectLabelTest, DeleteAsksByKindOfStock) {
  auto d = Open(k5160, "LJ");
  const int before = d->gridModel()->rowCount();
  dialogs.questionAnswers = {false};
  d->DeleteButtonClick();
  EXPECT_EQ(Current(*d), k5160);
  EXPECT_EQ(d->gridModel()->rowCount(), before);

  dialogs.questionAnswers = {true};
  d->DeleteButtonClick();
  EXPECT_EQ(d->gridModel()->rowCount(), before - 1);
  EXPECT_NE(Current(*d), k5160);

  d->RunLabelEdit = [](TLabelEdit&) { return true; };
  d->NewButtonClick();
  const QString made = Current(*d);
  EXPECT_TRUE(made.startsWith("[New] "));
  dialogs.questionAnswers = {true};
  d->DeleteButtonClick();

  // Yes is their default button, as the dialog service checks of every question.
  EXPECT_EQ(dialogs.textsOf("question"), QStringList({kAveryDelete, kAveryDelete, kUserDelete}));
  EXPECT_TRUE(d->LabelTable->close());
  EXPECT_TRUE(StoredRows(k5160).empty());
  EXPECT_TRUE(StoredRows(made).empty());
}

TEST_F(SelectLabelTest, AnEmptyListMakesNewStartEmptyAndEditDeleteIdle) {
  auto d = Open(k5160, "DM");
  const int records = d->LabelTable->recordCount();
  EXPECT_TRUE(d->LabelApollo.Query(".F."));
  ASSERT_EQ(d->gridModel()->rowCount(), 0);
  int shown = 0;
  d->RunLabelEdit = [&](TLabelEdit& edit) {
    ++shown;
    EXPECT_EQ(edit.record.geometry.description, "");
    EXPECT_EQ(edit.record.geometry.across, 0);
    EXPECT_EQ(edit.record.geometry.width, 0.0f);
    return false;
  };
  d->NewButtonClick();
  d->EditButtonClick();
  d->DeleteButtonClick();
  d->OkButtonClick();
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(dialogs.callsOf("question").empty());
  EXPECT_EQ(d->LabelTable->recordCount(), records);
  // OK without a row says why and leaves the dialog open.
  EXPECT_EQ(dialogs.callsOf("information").size(), 1u);
  EXPECT_NE(d->result(), QDialog::Accepted);
}

TEST_F(SelectLabelTest, FindPrefersTheProductNumberThenWordStartsThenSubstrings) {
  auto d = Open("", "LJ");
  const auto lj = GridOrder("LJ");
  // "15160" comes before "5160" in the grid: a plain substring search took it.
  ASSERT_NE(FirstWith(lj, "5160"), k5160.toStdString());
  ASSERT_NE(FirstWith(lj, "Avery 5"), "");
  const std::string inside = FirstWith(lj, "160");
  const std::pair<const char*, std::string> cases[] = {
      {"5160", k5160.toStdString()},
      {"avery 5160", k5160.toStdString()},
      {"AVERY  5160 address", k5160.toStdString()},
      {"516", k5160.toStdString()},  // No product number 516: the word that starts so, not "15160".
      {"160 ", inside},              // Only inside words: the first in grid order.
  };
  for (const auto& [typed, chosen] : cases) {
    d->FindEditChange(typed);
    EXPECT_EQ(Current(*d).toStdString(), chosen) << typed;
    EXPECT_EQ(d->Grid->currentIndex().row(), d->currentGridRow()) << typed;
    ASSERT_GT(d->FindMatches->count(), 0) << typed;
    EXPECT_EQ(d->FindMatches->item(0)->text().toStdString(), chosen) << typed;
  }
  // Every row holding 5160 is listed, the exact one first.
  d->FindEditChange("5160");
  const int holding5160 = int(std::count_if(lj.begin(), lj.end(), [](const std::string& s) {
    return s.find("5160") != std::string::npos;
  }));
  EXPECT_EQ(d->FindMatches->count(), holding5160);
  // A click on a listed stock goes there.
  QListWidgetItem* second = d->FindMatches->item(1);
  ASSERT_NE(second, nullptr);
  emit d->FindMatches->itemClicked(second);
  EXPECT_EQ(Current(*d), second->text());
  EXPECT_TRUE(dialogs.callsOf("beep").empty());

  // A dot-matrix stock is not among the laser rows: beep, stay, no list.
  const QString before = Current(*d);
  d->FindEditChange("continuous");
  EXPECT_EQ(Current(*d), before);
  EXPECT_EQ(dialogs.callsOf("beep").size(), 1u);
  EXPECT_EQ(d->FindMatches->count(), 0);

  d->rbDotMatrix->click();
  d->FindEditChange("CONTINUOUS 2-UP");
  const std::string twoUp = FirstWith(GridOrder("DM"), "Continuous 2-up");
  ASSERT_NE(twoUp, "");
  EXPECT_EQ(Current(*d).toStdString(), twoUp);
  EXPECT_EQ(dialogs.callsOf("beep").size(), 1u);
}

TEST_F(SelectLabelTest, SameSizeListsTheLookAlikesAndGoesThere) {
  auto d = Open(k5160, "LJ");
  std::vector<QString> shown;
  for (int i = 0; i < d->SameSizeList->count(); ++i)
    shown.push_back(d->SameSizeList->item(i)->text());
  EXPECT_NE(std::find(shown.begin(), shown.end(), "Maco LL5805  Address,   1.00 x 2.63"),
            shown.end());
  EXPECT_EQ(std::find(shown.begin(), shown.end(), k5160), shown.end()) << "not the stock itself";
  ASSERT_GT(d->SameSizeList->count(), 1) << d->SameSizeList->item(0)->text().toStdString();
  // A click goes there.
  QListWidgetItem* other = d->SameSizeList->item(1);
  const QString otherText = other->text();
  emit d->SameSizeList->itemClicked(other);
  EXPECT_EQ(Current(*d), otherText);
}

TEST_F(SelectLabelTest, GridKeysSwallowInsertAndTakeEnterAsOk) {
  auto d = Open(k5160, "LJ");
  // Swallowed: the key does not travel on to the dialog.
  QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
  QCoreApplication::sendEvent(d->Grid, &insert);
  EXPECT_TRUE(insert.isAccepted());
  EXPECT_EQ(d->result(), 0);
  // Choosing a row in the grid moves the table with it.
  d->Grid->setCurrentIndex(d->gridModel()->index(2, 0));
  EXPECT_EQ(Current(*d), d->gridModel()->cell(2, 0));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(d->Grid, &enter);
  EXPECT_EQ(d->result(), QDialog::Accepted);
}

TEST_F(SelectLabelTest, ChooseReadsTheCurrentRowInTheGivenOrProgramDirectoryOrSaysWhyNot) {
  LabelRecord chosen;
  bool ran = false;
  QString title;
  auto choose = [&](const QString& dir, const QString& description, bool ok) {
    return ChooseLabelDefinition(nullptr, dir, description, "LJ", &chosen, [&](TSelectLabel& d) {
      ran = true;
      title = d.windowTitle();
      return ok;
    });
  };
  ASSERT_TRUE(choose(m_dir.path(), k5160, true));
  EXPECT_TRUE(ran);
  EXPECT_EQ(title, "Select Label Definition");
  // The row is read as New reads it (its test checks the other fields).
  EXPECT_EQ(chosen.geometry.description, k5160.toStdString());
  EXPECT_FLOAT_EQ(chosen.geometry.height, 1.0f);
  EXPECT_FLOAT_EQ(chosen.geometry.left_margin, 0.188f);
  EXPECT_EQ(chosen.printer, "LJ");
  // No directory given: the program's.
  qputenv("QUORVANE_HOME", m_dir.path().toLocal8Bit());
  chosen = LabelRecord();
  EXPECT_TRUE(choose(QString(), k5160, true));
  qunsetenv("QUORVANE_HOME");
  EXPECT_EQ(chosen.geometry.description, k5160.toStdString());
  // Cancel, and OK without a current row, choose nothing.
  EXPECT_FALSE(choose(m_dir.path(), k5160, false));
  EXPECT_FALSE(choose(m_dir.path(), "no such stock", true));
  EXPECT_TRUE(dialogs.calls.empty());

  // A directory without the table, and a file that is no table.
  QTemporaryDir empty, damaged;
  QFile junk(damaged.filePath("QVPLBLS.DBF"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("this is not a dBase table");
  junk.close();
  for (const QString& dir : {empty.path(), damaged.path()}) {
    ran = false;
    dialogs.calls.clear();
    EXPECT_FALSE(choose(dir, k5160, true));
    EXPECT_FALSE(ran);
    EXPECT_EQ(dialogs.notices(),
              QStringList{"We were unable to open the label definition file: QVPLBLS.DBF"});
  }
}

}  // namespace
}  // namespace qv
