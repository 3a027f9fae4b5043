// The import and copy-out commands of quorvane-cli: a text file or another
// DBF table into a contact file, and the selected records out to a DBF
// table or a comma-delimited text file.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdImportAscii(const Args& a);
int CmdImportDbf(const Args& a);
int CmdCopyOut(const Args& a);

}  // namespace qv::cli
