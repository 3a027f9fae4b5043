#include "cli/imb_options.h"

#include "cli/cli_common.h"
#include "store/settings.h"

namespace qv::cli {

// The Intelligent Mail settings of the settings file with the command
// line's --mailer-id, --stid and --serial-start over them; false with the
// reason when the first piece could not be numbered.
bool ImbOptions(const Args& a, ImbSettings* imb, QString* error) {
  // The serials go on from the settings file's; defaults would reuse them.
  QString home;
  if (!ProgramHome(&home, error)) return false;
  *imb = LoadImbSettings(SettingsFile());
  if (a.Has("--mailer-id")) imb->mailerId = QString::fromStdString(a.Value("--mailer-id"));
  if (a.Has("--stid")) imb->serviceType = QString::fromStdString(a.Value("--stid"));
  if (a.Has("--serial-start")) {
    bool ok = false;
    imb->nextSerial = QString::fromStdString(a.Value("--serial-start")).toLongLong(&ok);
    if (!ok || imb->nextSerial < 0) {
      *error = "--serial-start takes a number of 0 or more, not " +
               QString::fromStdString(a.Value("--serial-start"));
      return false;
    }
  }
  QString why;
  if (ImbTrackingCode(imb->barcodeId, imb->serviceType, imb->mailerId, imb->nextSerial, &why)
          .isEmpty()) {
    *error = QStringLiteral("no Intelligent Mail barcode can be printed: ") + why;
    return false;
  }
  return true;
}

}  // namespace qv::cli
