#include "transfer/windows/vcard_import_window.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "cleanup/windows/cleanup_widgets.h"
#include "transfer/vcard.h"
#include "transfer/windows/transfer_widgets.h"
#include "ui/dialogs.h"

namespace qv {

TVcardImport::TVcardImport(TApolloEnv* env, QWidget* parent)
    : ImportForm(env, QStringLiteral("vCard File Import"), QStringLiteral("vCard File Name"),
                 QStringLiteral("Select vCard File"),
                 QStringLiteral("Appends the cards of a vCard file (.vcf), as phones and mail "
                                "programs export an address book, to this contact file, one new "
                                "contact per card: name, organization, title, the first address, "
                                "phone, fax and e-mail, categories as the codes and the note as "
                                "the memo."),
                 kTopicVcardImport, parent) {
  // Each value of a card names its field: there is nothing to match.
  MatchButton->hide();
  CardCountLabel = new QLabel(this);
  if (auto* box = qobject_cast<QVBoxLayout*>(layout())) box->insertWidget(2, CardCountLabel);
  Reset();
  connect(SelectButton, &QPushButton::clicked, this, &TVcardImport::SelectButtonClick);
  connect(ImportButton, &QPushButton::clicked, this, &TVcardImport::ImportButtonClick);
}

void TVcardImport::Reset() {
  m_fileName.clear();
  FileNameLabel->setText(QStringLiteral("(none)"));
  CardCountLabel->clear();
  ImportButton->setEnabled(false);
}

void TVcardImport::SelectButtonClick() {
  const QString name =
      Dialogs().openFileName(this, QStringLiteral("Select vCard File"), QString(),
                             QStringLiteral("vCard files (*.vcf *.VCF *.vcard);;All files (*)"));
  // A cancelled dialog changes nothing.
  if (name.isEmpty()) return;
  Reset();
  StatusLabel->clear();
  FileNameLabel->setText(name);
  LetEventsRun();
  // The whole file is read and its cards counted now, so a file that is no
  // vCard file is refused before the import.
  VcardRowSource probe(name);
  QString error;
  if (!probe.open(&error)) {
    Dialogs().information(this, error);
    Reset();
    return;
  }
  m_fileName = name;
  // Cards with nothing to import are not counted; the end says why.
  CardCountLabel->setText(probe.expected() == 1
                              ? QStringLiteral("1 card to import")
                              : QStringLiteral("%1 cards to import").arg(probe.expected()));
  ImportButton->setEnabled(probe.expected() > 0);
}

void TVcardImport::ImportButtonClick() {
  if (m_fileName.isEmpty()) return;
  VcardRowSource source(m_fileName);
  RunImport(source, [&](QString* why) {
    StatusLabel->setText(QStringLiteral("Reading the cards"));
    LetEventsRun();
    return source.open(why);
  });
}

}  // namespace qv
