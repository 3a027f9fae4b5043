// The shared routines, the date box's mask and the help pages.
#include "app/shared.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QRegularExpression>
#include <QTextBrowser>

#include "scripted_dialogs.h"
#include "app/db_controls.h"
#include "ui/help_window.h"

namespace qv::testing {
namespace {

TEST(SharedTest, TextHelpers) {
  // The text, then its left, right and both-sided trims.
  const QStringList trims[] = {{"   ", "", "", ""},
                               {"  a b  ", "a b  ", "  a b", "a b"},
                               {"\t x\r\n", "x\r\n", "\t x", "x"},
                               {"ab", "ab", "ab", "ab"}};
  for (const QStringList& t : trims) {
    EXPECT_EQ(QStringList({t[0], TrimLeft(t[0]), TrimRight(t[0]), TrimBoth(t[0])}), t);
  }
  EXPECT_EQ(DigitsOnly(QStringLiteral("(303) 555-0199 x12")), QStringLiteral("303555019912"));
  EXPECT_EQ(DigitsOnly(QStringLiteral("١٢")), QString()) << "only the digits 0-9";
  EXPECT_EQ(SplitText(QStringLiteral("a;;b;"), QLatin1Char(';')), (QStringList{"a", "", "b", ""}));
  EXPECT_EQ(SplitText(QString(), QLatin1Char(';')), QStringList{QString()});
}

TEST(SharedTest, PrinterNameStopsBeforeOnFoundInCapitals) {
  const std::pair<const char*, const char*> cases[] = {
      {"HP LaserJet on LPT1:", "HP LaserJet"},
      {"Office ON ne02:", "Office"},
      {"Monitor on on port", "Monitor"},
      {"Epson onyx", "Epson onyx"},  // " ON " needs the blanks on both sides
      {"", ""}};
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(CurrentPrinterName(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
  }
}

TEST(SharedTest, CenteredOnUsesIntegerHalves) {
  EXPECT_EQ(CenteredOn(QRect(0, 0, 611, 451), QSize(300, 200)), QPoint(155, 125));
  EXPECT_EQ(CenteredOn(QRect(10, 10, 200, 100), QSize(400, 300)), QPoint(-90, -90))
      << "a larger window overhangs on both sides";
}

TEST(SharedTest, HeldInformationWaitsAndKeepsItsOrder) {
  ScriptedDialogs dialogs;
  HoldInformation(true);
  ShowInformation(QStringLiteral("first"));
  ShowInformation(QStringLiteral("second"));
  EXPECT_TRUE(dialogs.notices().isEmpty());
  HoldInformation(false);
  EXPECT_EQ(dialogs.notices(), (QStringList{"first", "second"}));
  ShowInformation(QStringLiteral("third"));
  EXPECT_EQ(dialogs.notices().size(), 3) << "shown at once when nothing is held";
}

TEST(SharedTest, EditMasksBecomeQtInputMasks) {
  const std::pair<const char*, const char*> cases[] = {
      {"!99/99/9999;1;_", "00/00/0000;_"},
      {"!99/99/99;1;", "00/00/00;_"},  // no blank character given: "_"
      {"!9999-99-99;0;*", "0000-00-00;*"},
      {"00/00/00;1;_", "99/99/99;_"},  // "0" is a required digit
      {"", ""}};
  for (const auto& [mask, qt] : cases) {
    EXPECT_EQ(QtInputMask(QString::fromLatin1(mask)), QString::fromLatin1(qt)) << mask;
  }
}

TEST(HelpTest, EveryTopicTheWindowsOpenHasAPageLinkedFromTheContents) {
  // Main, Browse, Filter, Contents, Preferences, Rebuild Indexes and the
  // four print previews, the two imports with their matching and Copy
  // Records Out, the CSV import with its matching and the vCard import,
  // Print Labels, Delete and Recall Records.
  const int topics[] = {1027, 1005, 1020, 1010, 1040, 1041, 1031, 1032, 1034, 4572, 1100,
                        1101, 1102, 1103, 1104, 1105, 1106, 1107, 1030, 1084, 1085};
  auto read = [](int topic) {
    QFile page(QStringLiteral(":/help/%1.html").arg(topic));
    EXPECT_TRUE(page.open(QIODevice::ReadOnly)) << topic;
    return QString::fromUtf8(page.readAll());
  };
  const QString index = read(1010);
  for (int topic : topics) {
    ASSERT_TRUE(HelpWindow::HasTopic(topic)) << topic;
    const QString html = read(topic);
    EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << topic;
    if (topic != 1010) {
      EXPECT_TRUE(index.contains(QStringLiteral("%1.html").arg(topic))) << topic;
      EXPECT_TRUE(html.contains(QStringLiteral("1010.html"))) << topic << " links back";
    }
    // Every link goes to a page that exists.
    static const QRegularExpression link(QStringLiteral("href=\"(\\d+)\\.html"));
    for (auto m = link.globalMatch(html); m.hasNext();) {
      EXPECT_TRUE(HelpWindow::HasTopic(m.next().captured(1).toInt())) << topic;
    }
  }
  HelpWindow* help = HelpWindow::Instance();
  help->showTopic(1005);
  EXPECT_EQ(help->currentTopic(), 1005);
  EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("Browse page")));
  help->showTopic(9999);
  EXPECT_EQ(help->currentTopic(), 1010) << "a topic without a page shows the contents";
  help->close();
}

// Help asked for from a modal dialog belongs to it, so the dialog does not
// block it, and stays open on its own once the dialog closes.
TEST(HelpWindowTest, OpensAboveAModalDialogAndOutlivesIt) {
  QDialog dialog;
  dialog.setModal(true);
  dialog.open();
  ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
  HelpWindow* help = HelpWindow::Instance();
  help->showTopic(1005);
  EXPECT_EQ(help->parentWidget(), &dialog);
  EXPECT_TRUE(help->isWindow() && help->isVisible());
  dialog.accept();
  EXPECT_EQ(help->parentWidget(), nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->currentTopic(), 1005);
  help->close();
}

}  // namespace
}  // namespace qv::testing
