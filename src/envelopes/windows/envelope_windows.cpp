#include "envelopes/windows/envelope_windows.h"

#include "envelopes/envelope_print.h"

namespace qv {

EnvelopeRunHooks EnvelopeWindowHooks(QWidget* parent) {
  EnvelopeRunHooks hooks;
  hooks.printEnvelopes = StatusWindowHook<TEnvelopePrint>(parent);
  hooks.preview = PreviewWindowHook(parent, QStringLiteral("Preview Envelope"));
  return hooks;
}

}  // namespace qv
