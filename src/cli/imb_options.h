// The command line's Intelligent Mail options, shared by the label and
// envelope commands.
#pragma once

#include <QString>

#include "cli/args.h"
#include "labels/imb.h"

namespace qv::cli {

// The Intelligent Mail settings of the settings file with --mailer-id,
// --stid and --serial-start over them; false with the reason when the
// first piece could not be numbered.
bool ImbOptions(const Args& a, ImbSettings* imb, QString* error);

}  // namespace qv::cli
