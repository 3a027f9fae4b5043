// The commands of quorvane-cli that make a contact file, rebuild its index
// or check it: make, reindex and check.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdMake(const Args& a);
int CmdReindex(const Args& a);
int CmdCheck(const Args& a);

}  // namespace qv::cli
