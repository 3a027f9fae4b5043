// Runs `act` on the modal window a handler is about to show: the handler's
// own event loop picks up the queued call once the window is up.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace qv::testing {

template <typename Window, typename Act>
void WhenShown(Act act) {
  QTimer::singleShot(0, [act] {
    auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    act(window);
  });
}

}  // namespace qv::testing
