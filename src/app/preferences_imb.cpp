// The Intelligent Mail part of the Preferences dialog: the mailer ID, the
// service type and barcode IDs, and the next serial number the label and
// envelope runs number their pieces from.
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "app/preferences.h"
#include "labels/imb.h"
#include "ui/dialogs.h"

namespace qv {

QWidget* TPreferences::MakeImbGroup() {
  auto* group = new QGroupBox(QStringLiteral(" Intelligent Mail barcode"), this);
  auto digits = [group](int most) {
    auto* box = new QLineEdit(group);
    box->setMaxLength(most);
    box->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(most)), box));
    return box;
  };
  ImbMailerId = digits(9);
  ImbMailerId->setToolTip(QStringLiteral("The 6- or 9-digit mailer ID the postal service gave you"));
  ImbServiceType = digits(3);
  ImbServiceType->setToolTip(QStringLiteral("300: First-Class Mail with no extra services"));
  ImbBarcodeId = digits(2);
  ImbNextSerial = digits(9);
  ImbNextSerial->setToolTip(
      QStringLiteral("Each printed piece takes the next number; it is kept after every run"));
  auto* form = new QFormLayout(group);
  form->addRow(QStringLiteral("Mailer ID"), ImbMailerId);
  form->addRow(QStringLiteral("Service Type ID"), ImbServiceType);
  form->addRow(QStringLiteral("Barcode ID"), ImbBarcodeId);
  form->addRow(QStringLiteral("Next Serial Number"), ImbNextSerial);
  return group;
}

void TPreferences::LoadImbPreferences() {
  const ImbSettings s = LoadImbSettings(m_ini);
  ImbMailerId->setText(s.mailerId);
  ImbServiceType->setText(s.serviceType);
  ImbBarcodeId->setText(s.barcodeId);
  ImbNextSerial->setText(QString::number(s.nextSerial));
}

bool TPreferences::ImbPreferencesValid() {
  // No mailer ID yet is fine: nobody prints the bar code then.
  if (ImbMailerId->text().isEmpty()) return true;
  QString why;
  ImbTrackingCode(ImbBarcodeId->text(), ImbServiceType->text(), ImbMailerId->text(),
                  ImbNextSerial->text().toLongLong(), &why);
  if (why.isEmpty()) return true;
  Dialogs().information(this, QStringLiteral("The Intelligent Mail barcode settings cannot be "
                                             "used: ") + why);
  return false;
}

bool TPreferences::SaveImbPreferences() {
  ImbSettings s;
  s.mailerId = ImbMailerId->text();
  s.serviceType = ImbServiceType->text();
  s.barcodeId = ImbBarcodeId->text();
  s.nextSerial = ImbNextSerial->text().toLongLong();
  return SaveImbSettings(m_ini, s);
}

}  // namespace qv
