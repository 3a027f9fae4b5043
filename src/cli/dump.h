// The record walk of `quorvane-cli dump`, and how the commands that only
// read a contact file point the table object at it.
#pragma once

#include <functional>
#include <string>

namespace qv {
class TableObject;
}

namespace qv::cli {

// Points `table` at the file `path` names, as given (a relative path stays
// relative, so the engine's messages name the file as the user did), to be
// read beside any other program that has it open.
void AimForReading(TableObject& table, const std::string& path);

// Writes the lines `dump` prints for the visible records of `table` from the
// top, in its current order: record number, deletion mark, then each field
// as the xBase checker shows it, tab-separated, each line ending in LF.
// Stops at the first failure, which the table keeps ("record N: ..." for a
// value that cannot be read), and returns false; the lines before it were
// written.
bool DumpRecords(TableObject& table, const std::function<void(const std::string&)>& write);

}  // namespace qv::cli
