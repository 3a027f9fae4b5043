// The commands of quorvane-cli that read or set up one contact file.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdInfo(const Args& a);
int CmdDump(const Args& a);
int CmdCount(const Args& a);
int CmdEval(const Args& a);
int CmdKeys(const Args& a);
int CmdSeek(const Args& a);
int CmdCreate(const Args& a);
int CmdInit(const Args& a);

}  // namespace qv::cli
