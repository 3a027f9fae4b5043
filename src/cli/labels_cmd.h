// The label commands of quorvane-cli: a label run to a PDF file or a page
// stream, the bulk-mail presort, the label stocks, and a page stream printed
// as text.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdLabels(const Args& a);
int CmdPresort(const Args& a);
// Lists the label stocks, with --find TEXT those that match it, best first,
// with --same-as DESCRIPTION the others of its size; --geometry adds the
// stored sizes, tab-separated.
int CmdStocks(const Args& a);
int CmdStreamDump(const Args& a);

}  // namespace qv::cli
