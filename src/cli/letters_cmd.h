// The letter commands of quorvane-cli: a mail-merge run to one PDF file or
// to one RTF file per record, and the letters table (store, export, list).
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdLetters(const Args& a);
int CmdLetterSave(const Args& a);
int CmdLetterExport(const Args& a);
int CmdLetterList(const Args& a);

}  // namespace qv::cli
