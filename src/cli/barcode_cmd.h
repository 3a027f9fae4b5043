// The bar code command of quorvane-cli: the bars of an Intelligent Mail or
// POSTNET bar code as letters, to check them without printing.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdBarcode(const Args& a);

}  // namespace qv::cli
