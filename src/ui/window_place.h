// Where windows go: every window of the program opens centred on the main
// window, whichever library made it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace qv {

// The window every modal window is centred on (the main window registers
// itself; null when there is none). While one is registered, a dialog that
// nobody placed is centred on it when first shown, so windows made below the
// application (preview, label designer, status windows) follow the rule too.
void SetMainWindow(QWidget* main);
QWidget* MainWindow();

// Where a window of `size` goes over `main`: left = main left + (main width
// - width) / 2, likewise top.
QPoint CenteredOn(const QRect& main, const QSize& size);
// Moves `window` there before it is shown; nothing without a main window.
void CenterOnMainWindow(QWidget* window);

}  // namespace qv
