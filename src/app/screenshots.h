// The screenshot program's pieces shared between its files.
#pragma once

#include <QString>

class QWidget;

namespace qv {

class TQVPMain;

// Shows `window`, lets it lay out and saves it as DIR/NAME.png; the path
// goes to the standard output, a failure to the error stream.
bool SaveScreenshot(QWidget* window, const QString& dir, const QString& name);

// Print Letters, the letter designer, Page Properties and the preview.
bool SaveLetterWindows(TQVPMain& main, const QString& dir);

// ASCII and DBF import with their matching, and Copy Records Out.
bool SaveTransferWindows(TQVPMain& main, const QString& dir);

}  // namespace qv
