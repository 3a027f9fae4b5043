#include "labels/job_host.h"

#include "store/messages.h"

namespace qv {

void MessageServiceHost::information(const QString& text) { Messages().information(text); }

bool MessageServiceHost::question(const QString& text, bool defaultYes) {
  return Messages().question(text, defaultYes);
}

}  // namespace qv
