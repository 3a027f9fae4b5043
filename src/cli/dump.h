// The record walk of `quorvane-cli dump`, and the words every command uses
// when the contact file fails under a walk.
#pragma once

#include <functional>
#include <string>

#include "xbase/workarea.h"

namespace qv::cli {

// The lines `dump` prints for the visible records of `area` from the top,
// in its current order: record number, deletion mark, then each field as
// the xBase checker shows it, tab-separated, each line ending in LF. Stops
// at the first failure and returns it ("record N: ..." for a value that
// cannot be read); the lines before it were written.
xb::Status DumpRecords(xb::WorkArea& area, const std::function<void(const std::string&)>& write);

// "The contact file is damaged: <reason>. Rebuild Indexes may repair it."
std::string DamagedText(const xb::Status& status);

}  // namespace qv::cli
