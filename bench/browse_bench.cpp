// Opening a large contact file in the main window and scrolling its Browse
// grid: browse_bench FILE.DBF. Prints milliseconds for
//  - the store's open (OpenContactFile) and the first record's fields,
//  - the main window started on the file up to its first record shown,
//  - building the grid's rows, with and without the deleted-marker query,
//  - scrolling the grid to several rows and painting it there,
//  - "Set &Now" on the Filter page with a last name (QV_BENCH_LNAME, else
//    the start of the first one) and with alternatives, up to the count
//    shown, and the Browse grid filtered after it; "C&lear".
// Runs without a screen (offscreen platform).
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "app/app_setup.h"
#include "app/background.h"
#include "store/table_grid_model.h"
#include "app/db_controls.h"
#include "app/qvmain.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/settings.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace {

class Quiet : public qv::StandardDialogService {
 public:
  void information(QWidget*, const QString& text) override {
    std::fprintf(stderr, "notice: %s\n", qPrintable(text));
  }
  bool question(QWidget*, const QString&, bool) override { return false; }
};

double Ms(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: browse_bench FILE.DBF\n");
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir home;
  qputenv("QUORVANE_HOME", home.path().toLocal8Bit());
  std::unique_ptr<qv::TBackground> background = qv::SetUpApplication(app);
  Quiet quiet;
  qv::InstallDialogService(&quiet);

  {
    qv::TApolloEnv env;
    env.SetDeleted(true);
    env.SetCentury(true);
    qv::TableObject table(&env);
    QElapsedTimer t;
    t.start();
    if (!qv::OpenContactFile(file, table)) return 1;
    QStringList first;
    for (int f = 0; f < table.fieldCount(); ++f) first << table.fieldText(table.fieldName(f));
    std::printf("store open + first record      %8.1f ms  (%d records; %s)\n", Ms(t),
                table.recordCount(), qPrintable(first.value(0)));
  }

  qv::IniFile ini = qv::SettingsFile();
  qv::WriteRecentFiles(ini, {file});
  QElapsedTimer t;
  t.start();
  qv::TQVPMain main;
  main.show();
  app.processEvents();
  std::printf("main window start, first shown %8.1f ms  (%s)\n", Ms(t),
              qPrintable(main.DBLName->text()));

  t.restart();
  main.BrowseButtonClick();
  main.BrowseGrid->viewport()->repaint();
  std::printf("Browse page shown (rows built) %8.1f ms  (%d rows)\n", Ms(t),
              main.GridModel->rowCount());

  t.restart();
  if (!main.Apollo1.Query(QStringLiteral("UPPER(PREFIX)<>\"DELETED\""))) {
    std::fprintf(stderr, "browse_bench: the query failed\n");
    return 1;
  }
  main.GridModel->ensureFresh();
  main.BrowseGrid->viewport()->repaint();
  std::printf("rows rebuilt under a query     %8.1f ms  (%d rows)\n", Ms(t),
              main.GridModel->rowCount());

  const int rows = main.GridModel->rowCount();
  for (int row : {0, 1000, rows / 4, rows / 2, rows - 1000, rows - 1}) {
    if (row < 0 || row >= rows) continue;
    t.restart();
    main.BrowseGrid->scrollTo(main.GridModel->index(row, 0), QAbstractItemView::PositionAtTop);
    main.BrowseGrid->viewport()->repaint();
    std::printf("scroll to row %8d + paint    %8.1f ms  (%s)\n", row, Ms(t),
                qPrintable(main.GridModel->index(row, 0).data().toString()));
  }
  t.restart();
  for (int i = 0; i < 200; ++i) {
    main.BrowseGrid->verticalScrollBar()->setValue(rows / 2 + i * 17);
    main.BrowseGrid->viewport()->repaint();
  }
  std::printf("200 scroll steps + paints      %8.1f ms\n", Ms(t));
  t.restart();
  main.BrowseGrid->setCurrentIndex(main.GridModel->index(rows / 2, 0));
  app.processEvents();
  std::printf("choose a row, Main follows     %8.1f ms  (%s)\n", Ms(t),
              qPrintable(main.DBLName->text()));

  // The Filter page: "Set &Now" with a last name, up to the match count
  // shown, then the Browse grid showing the filtered records.
  main.BrowseGrid->setCurrentIndex(main.GridModel->index(0, 0));
  main.ChangeToRecord();
  main.ChangeToFilter();
  const QString lastName =
      qEnvironmentVariableIsSet("QV_BENCH_LNAME") ? qEnvironmentVariable("QV_BENCH_LNAME")
                                                   : main.DBLName->text().left(5);
  for (const QString& text : {lastName, lastName + QStringLiteral(";$") + lastName.right(3)}) {
    main.FilterBoxes[0]->setText(text);
    t.restart();
    main.qSetFilterButtonClick();
    std::printf("Set Now \"%s\": count shown     %8.1f ms  (%s)\n", qPrintable(text), Ms(t),
                qPrintable(main.qMatchCount->text()));
    t.restart();
    main.BrowseButtonClick();
    main.BrowseGrid->viewport()->repaint();
    std::printf("  Browse grid filtered         %8.1f ms  (%d rows; %s)\n", Ms(t),
                main.GridModel->rowCount(),
                qPrintable(main.GridModel->index(0, 0).data().toString()));
    main.ChangeToFilter();
  }
  t.restart();
  main.qClearButtonClick();
  std::printf("Clear: all records counted     %8.1f ms  (%s)\n", Ms(t),
              qPrintable(main.qMatchCount->text()));
  main.hide();
  return 0;
}
