// A full check of an index file against its table, tag by tag: what the
// check command prints and what a rebuild reports before it starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xbase/status.h"
#include "xbase/table.h"

namespace xb {

struct TagCheck {
  std::string name;
  bool ok = false;
  uint64_t entries = 0;  // counted in the tag's pages
  std::string problem;   // why the tag is damaged, when it is
};

// Checks every tag of the index at `index_path` against the records of
// `table`: every page (IndexFile::CheckTag); as many entries as the tag's
// rules give (one per record, deleted ones included, or per record passing
// its FOR condition; one per distinct key in a unique tag); and every such
// record's key found at that record. A custom tag, filled by hand, gets the
// page check only. *tags gets one result per tag in file order. Returns an
// error only when the file as a whole cannot be read: missing, its header
// or tag directory damaged, or a read failing.
// REQUIRES: nobody has unwritten changes to the index open.
Status CheckIndex(Table& table, const std::string& index_path, std::vector<TagCheck>* tags);

// As CheckIndex, with `reference` a compound index just built from `table`
// as it stands, under the default settings, and not changed since: a tag
// with the key expression, FOR condition, key length and unique and
// descending flags of one of its tags gets its pages checked and is then
// walked beside that tag, entry by entry, with no key computed; the
// results and messages are those CheckIndex gives. Other tags are checked
// as CheckIndex checks them. An error may also come from reading
// `reference`; an empty `reference` is CheckIndex.
Status CheckIndexBeside(Table& table, const std::string& index_path, const std::string& reference,
                        std::vector<TagCheck>* tags);

}  // namespace xb
