// The preview window on a page stream file: time to show page 1 and to jump
// to the last page, each with the page painted (offscreen).
//   preview_bench STREAM
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <cstdio>

#include "preview/file_preview.h"
#include "preview/preview_form.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: preview_bench STREAM\n");
    return 2;
  }
  QFile stream(QString::fromLocal8Bit(argv[1]));
  if (!stream.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "preview_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  QElapsedTimer timer;
  timer.start();
  qv::TPreviewForm form;
  form.resize(900, 700);
  form.setWindowTitle(QStringLiteral("Preview Labels"));
  form.setStream(&stream);
  form.show();
  form.FormActivate();
  form.FilePreview1->grab();
  std::printf("page 1 shown (%s) in %lld ms\n", qPrintable(form.PageLabel->text()),
              timer.elapsed());
  timer.restart();
  form.sbLastPage->click();
  form.FilePreview1->grab();
  std::printf("last page shown (%s) in %lld ms\n", qPrintable(form.PageLabel->text()),
              timer.elapsed());
  return form.FilePreview1->pageCount() > 0 ? 0 : 1;
}
