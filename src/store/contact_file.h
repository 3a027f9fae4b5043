// The three operations every window uses on contact files: create one,
// open one (with the check of its index tags), and create its tags anew.
// Each tells the user what went wrong through the message service.
#pragma once

#include <QString>
#include <cstdint>

namespace qv {

class TableObject;
class TApollo;

// Creates the contact file `fileName` with its 20 fields, opens it into
// `table` and creates the 21 tags. False, after a message, on failure.
[[nodiscard]] bool CreateContactFile(const QString& fileName, TableObject& table, TApollo& apollo);

// Opens `fileName` into `table` and checks its tags: with all of them it
// stands in the LNAME order; otherwise it stays open in natural order and
// the user is told to rebuild the indexes. True when the table opened.
[[nodiscard]] bool OpenContactFile(const QString& fileName, TableObject& table);

// Closes and deletes the open index file of `table` and creates the 21
// contact tags in a new production index. `apollo` is bound to `table`;
// its gauge hook, if any, sees the progress.
[[nodiscard]] bool CreateContactTags(TableObject& table, TApollo& apollo);

// The message texts, for the windows and tests that need them.
QString NotFoundMessage(const QString& fileName);
QString UnableToOpenMessage(const QString& fileName);
QString MissingIndexMessage(const QString& fileName);
// A file cut off after its last whole record: it opens with the whole ones.
QString CutOffFileMessage(std::uint32_t counted, std::uint32_t whole);

}  // namespace qv
