// "vCard File Import": picks a .vcf file (one or many cards, vCard 2.1 to
// 4.0, as phones and mail programs export them), says how many cards it
// holds, and appends a contact per card to the contact file the window
// holds exclusively, with a gauge, Cancel and the index rebuild. A card
// says what each of its values is, so there is nothing to match; what was
// skipped or repaired is told at the end.
#pragma once

#include <QString>

#include "store/apollo_env.h"
#include "transfer/windows/import_form.h"
#include "ui/qt_classes.h"

namespace qv {

class TVcardImport : public ImportForm {
  Q_OBJECT

 public:
  explicit TVcardImport(TApolloEnv* env, QWidget* parent = nullptr);

  QLabel* CardCountLabel;  // "N cards to import"

  void SelectButtonClick();
  void ImportButtonClick();

  const QString& fileName() const { return m_fileName; }

 private:
  void Reset();

  QString m_fileName;
};

}  // namespace qv
