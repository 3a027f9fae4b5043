// The windows around an envelope run: the status window the envelope
// printer runs in ("Print Status" / "Preview Status") and the hooks that
// show it and the finished preview ("Preview Envelope") around
// DoPrintEnvelopes. Help topics of the envelope windows.
#pragma once

#include "envelopes/envelope_run.h"
#include "labels/windows/label_windows.h"

namespace qv {

constexpr int kPrintEnvelopeHelpTopic = 1060;
constexpr int kEnvelopeSizeHelpTopic = 1061;
constexpr int kEnvelopeDesignerHelpTopic = 1062;

// Cancel (printing) aborts the report; Stop (previewing) ends the run
// after the current envelope and keeps its pages.
using TEnvelopeForm = TPrintJobStatus;

// Hooks that run the printer in TEnvelopeForm and show a finished preview
// in TPreviewForm, each modal over `parent`.
EnvelopeRunHooks EnvelopeWindowHooks(QWidget* parent = nullptr);

}  // namespace qv
