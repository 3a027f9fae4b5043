#include "cli/barcode_cmd.h"
#include "cli/cli_common.h"

#include <iostream>

#include "labels/imb.h"
#include "labels/postnet.h"

namespace qv::cli {

namespace {

QString Positional(const Args& a, size_t i) {
  return i < a.positional.size() ? QString::fromLocal8Bit(a.positional[i].c_str()) : QString();
}
}  // namespace

int CmdBarcode(const Args& a) {
  const std::string kind = a.positional[0];
  if (kind == "imb") {
    QString error;
    const QString bars = ImbBars(Positional(a, 1), Positional(a, 2), &error);
    if (bars.isEmpty()) return Fail(error);
    std::cout << bars.toStdString() << "\n";
    return 0;
  }
  if (kind == "postnet") {
    const QString zip = Positional(a, 1);
    if (!ZipQualifiesForBarCode(zip)) {
      return Fail(QStringLiteral("ZIP \"%1\" gets no POSTNET bar code").arg(zip));
    }
    std::string out;
    for (bool tall : PostnetBars(BarCodeText(zip, Positional(a, 2)))) out += tall ? 'F' : 'H';
    std::cout << out << "\n";
    return 0;
  }
  std::cerr << "quorvane-cli: barcode takes imb or postnet, not " << kind << "\n";
  return kExitUsage;
}

}  // namespace qv::cli
