#include "preview/pdf_file_question.h"

#include <QApplication>

#include "render/printers.h"
#include "ui/dialogs.h"

namespace qv {

void InstallPdfFileQuestion() {
  SetPdfFileQuestion([](const QString& suggestedPath) {
    return Dialogs().saveFileName(QApplication::activeWindow(), QStringLiteral("Print to PDF File"),
                                  suggestedPath, QStringLiteral("PDF files (*.pdf)"));
  });
}

}  // namespace qv
