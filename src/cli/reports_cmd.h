// The report commands of quorvane-cli: a list report in one of the four
// layouts and the ZIP code count, to a PDF file, a page stream, the count's
// report lines or a CSV file.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdReport(const Args& a);
int CmdZipCount(const Args& a);

}  // namespace qv::cli
