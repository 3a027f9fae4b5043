// The envelope command of quorvane-cli: envelopes for one record, the
// filtered records or all of them, to a PDF file or a page stream.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdEnvelope(const Args& a);

}  // namespace qv::cli
