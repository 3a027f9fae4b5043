// The data-quality commands of quorvane-cli: the duplicate and state/ZIP
// checks, capitals, search and replace, and deleting and recalling
// records.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdDups(const Args& a);
int CmdCheckZip(const Args& a);
int CmdUpper(const Args& a);
int CmdReplace(const Args& a);
int CmdDelete(const Args& a);
int CmdRecall(const Args& a);

}  // namespace qv::cli
