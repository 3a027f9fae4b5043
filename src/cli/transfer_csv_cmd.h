// The CSV and vCard commands of quorvane-cli: a spreadsheet's or an address
// book's contacts into a contact file, and the selected records out to a
// CSV file with a header line or to vCard 3.0 cards.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdImportCsv(const Args& a);
int CmdImportVcard(const Args& a);
int CmdExportCsv(const Args& a);
int CmdExportVcard(const Args& a);

}  // namespace qv::cli
