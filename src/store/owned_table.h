// A table with the engine settings it is opened under and the access
// object bound to it, for a window or job that owns all three. Members go in
// reverse order: the access object, then the table (its work area still
// reading the settings), then the settings. A table object parented to a
// window instead would outlive settings kept as a member of that window.
#pragma once

#include "store/apollo.h"
#include "store/table_object.h"

namespace qv {

struct OwnedTable {
  OwnedTable() { apollo.SetDataSource(&table); }
  OwnedTable(const OwnedTable&) = delete;
  OwnedTable& operator=(const OwnedTable&) = delete;

  TApolloEnv env;
  TableObject table{&env};
  TApollo apollo;
};

}  // namespace qv
