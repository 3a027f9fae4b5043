// What a label job needs from whoever runs it: the information box, Yes/No
// questions ("Cancel PRESORT?", the paper-size question), a progress text
// and a chance, once per record, to serve the running window's buttons.
//
// The jobs never show anything themselves. The windows give a host that
// answers through the dialog service and lets window events run; the
// command line gives one that writes notices to the standard error stream
// and answers questions from a flag; tests give one that records and
// scripts. A host's processPendingEvents() is where a click on Cancel or
// Stop reaches the job (by calling its CancelButtonClick or Stop).
#pragma once

#include <QString>

namespace qv {

class JobHost {
 public:
  virtual ~JobHost() = default;
  virtual void information(const QString& text) = 0;
  // `defaultYes` picks the default button.
  virtual bool question(const QString& text, bool defaultYes) = 0;
  virtual void progress(const QString&) {}
  virtual void processPendingEvents() {}
};

// Forwards notices and questions to the program's message service
// (store/messages.h); no progress, no events.
class MessageServiceHost : public JobHost {
 public:
  void information(const QString& text) override;
  bool question(const QString& text, bool defaultYes) override;
};

}  // namespace qv
