// The letter preview on a large contact file: time to open the file, to
// show the preview with the first record's letter merged and painted, and
// to move to the last record with its letter painted (offscreen).
//   letter_preview_bench FILE.DBF TEMPLATE.RTF
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <cstdio>

#include "letters/windows/letter_windows.h"
#include "richtext/rtf.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/table_object.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: letter_preview_bench FILE.DBF TEMPLATE.RTF\n");
    return 2;
  }
  QFile rtf(QString::fromLocal8Bit(argv[2]));
  qv::RichDocument letter;
  if (!rtf.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "letter_preview_bench: cannot open %s\n", argv[2]);
    return 1;
  }
  const qv::RtfReadResult read = qv::ReadRtf(rtf.readAll(), &letter);
  if (!read.ok) {
    std::fprintf(stderr, "letter_preview_bench: %s\n", qPrintable(read.error));
    return 1;
  }
  QElapsedTimer timer;
  timer.start();
  qv::TApolloEnv env;
  qv::TableObject table(&env);
  qv::TApollo apollo;
  apollo.SetDataSource(&table);
  if (!qv::OpenContactFile(QString::fromLocal8Bit(argv[1]), table)) {
    std::fprintf(stderr, "letter_preview_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  if (!table.first()) {
    std::fprintf(stderr, "letter_preview_bench: cannot read %s\n", argv[1]);
    return 1;
  }
  std::printf("contact file open (%d records) in %lld ms\n", apollo.RecCount(), timer.elapsed());
  timer.restart();
  qv::TRTFPreviewForm preview(&table, &apollo);
  preview.RTFTemplate = letter;
  preview.show();
  QApplication::processEvents();
  preview.Timer1Timer();
  preview.PaintBox->grab();
  const QString first = preview.RTFFinal.doc().toPlainText().left(40).simplified();
  std::printf("preview: first merged page painted in %lld ms (\"%s\")\n", timer.elapsed(),
              qPrintable(first));
  timer.restart();
  preview.LastButton->click();
  preview.PaintBox->grab();
  std::printf("last record's letter painted in %lld ms\n", timer.elapsed());
  return preview.RTFFinal.doc().toPlainText().contains(QLatin1Char('[')) ? 1 : 0;
}
