// The label commands of quorvane-cli: a label run to a PDF file or a page
// stream, the bulk-mail presort, and a page stream printed as text.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdLabels(const Args& a);
int CmdPresort(const Args& a);
int CmdStreamDump(const Args& a);

}  // namespace qv::cli
