// The dialer command of quorvane-cli: a contact's phone number dialed
// through a modem, with the same bytes as the "Dial Phone Number" window.
#pragma once

#include "cli/args.h"

namespace qv::cli {

int CmdDial(const Args& a);

}  // namespace qv::cli
