// Saves pictures of the preview and status windows on the sample report,
// for looking at by eye: preview.png (page width), preview-page.png (whole
// page, page 2) and status.png. Run by scripts/screenshots.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QPixmap>
#include <QToolButton>
#include <cstdio>

#include "preview/preview_form.h"
#include "preview/status_form.h"
#include "render/report_canvas.h"
#include "sample_report.h"
#include "scripted_dialogs.h"

namespace {

bool Save(QWidget& window, const QDir& dir, const QString& name) {
  QCoreApplication::processEvents();
  QString path = dir.filePath(name);
  bool ok = window.grab().save(path, "PNG");
  std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Nothing here may wait for a person: a message would only be recorded.
  qv::testing::ScriptedDialogs dialogs;
  QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
  dir.mkpath(QStringLiteral("."));

  QBuffer stream;
  qv::ReportCanvas canvas;
  canvas.setOutputToStream(&stream);
  qv::testing::WireSampleReport(canvas, 130);

  qv::TPrintStatusForm status;
  status.setWindowTitle(QStringLiteral("Preview Status"));
  status.setPrintMode(false);
  status.setButtonCaption(QStringLiteral("Stop"));
  status.setCanvas(&canvas);
  status.show();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  bool ok = Save(status, dir, QStringLiteral("status.png"));
  status.hide();

  qv::TPreviewForm preview;
  preview.setWindowTitle(QStringLiteral("Preview Report"));
  preview.resize(900, 1000);
  preview.setStream(&stream);
  preview.show();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  ok = Save(preview, dir, QStringLiteral("preview.png")) && ok;
  preview.sbNextPage->click();
  preview.sbZoomPage->click();
  ok = Save(preview, dir, QStringLiteral("preview-page.png")) && ok;
  for (const auto& call : dialogs.calls) {
    std::printf("unexpected %s: %s\n", qPrintable(call.kind), qPrintable(call.text));
  }
  return ok && dialogs.calls.empty() ? 0 : 1;
}
