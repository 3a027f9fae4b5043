// What every start of the windows needs before the first window: the
// application's names, the Arial fonts the layouts were drawn with, the
// background picture, and the store's messages shown as message boxes.
#pragma once

#include <memory>

class QApplication;

namespace qv {

class TBackground;

// Returns the hidden window that holds the background picture; keep it
// for as long as the application runs.
std::unique_ptr<TBackground> SetUpApplication(QApplication& app);

}  // namespace qv
