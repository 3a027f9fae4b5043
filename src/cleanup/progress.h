// How a long data-quality run reports its progress and learns of a cancel:
// the window shows the percentage and the running count, lets pending
// events run and answers false once the user has cancelled. The command
// line passes an empty function.
#pragma once

#include <functional>

namespace qv {

// Called after every few records and once at the end; false stops the run
// after the current record.
using CleanupProgress = std::function<bool(int percent, int count)>;

// How many records pass between two calls.
constexpr int kProgressEvery = 256;

}  // namespace qv
