// The envelope size dialogs: "Select Envelope Size" lists QVPENVS.DBF, with
// New, Edit and Delete of the user's own sizes (stock sizes stay as
// shipped), and "Add New Envelope Size" / "Edit Envelope Size" takes one
// size in inches or millimetres and checks it on Save.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "labels/windows/record_list.h"
#include "store/apollo.h"
#include "store/owned_table.h"
#include "store/table_object.h"

#include "ui/qt_classes.h"

namespace qv {

class TableGridModel;

class TEnvelopeEdit : public QDialog {
  Q_OBJECT

 public:
  explicit TEnvelopeEdit(QWidget* parent = nullptr);

  QLineEdit* NameEdit;
  QLineEdit* DescEdit;
  QDoubleSpinBox* WidthEdit;
  QDoubleSpinBox* HeightEdit;
  QRadioButton* Inchesbutton;
  QRadioButton* MMButton;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  // The size in inches, in and out of the dialog.
  double OrigWidth = 0;
  double OrigHeight = 0;

  void FormActivate();
  void MMButtonClick();
  void InchesbuttonClick();
  // Runs the four checks; the first that fails is shown and the dialog stays.
  void OKButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void SetFormat(bool millimetres);
  bool m_firstActivation = true;
  bool m_millimetres = false;
  // The size as it came in, which a box the user left as shown keeps.
  double m_storedWidth = 0, m_storedHeight = 0;
};

class TSelectEnvelope : public RecordListDialog {
  Q_OBJECT

 public:
  explicit TSelectEnvelope(QWidget* parent = nullptr);

  OwnedTable m_envelopeSizes;
  TApolloEnv& EnvelopeEnv = m_envelopeSizes.env;
  TableObject* const EnvelopeTable = &m_envelopeSizes.table;

  // The size name the dialog stands on when it first shows.
  QString LocateName;
  // How New and Edit show the entry dialog; empty: exec() it.
  std::function<bool(TEnvelopeEdit&)> RunEnvelopeEdit;

  void FormActivate() override;
  void NewEnvelopeClick();
  void EditEnvelopeClick();
  void DeleteEnvelopeClick();
  void OkButtonClick();

  bool IsUserDefined() const;

 private:
  bool runEdit(TEnvelopeEdit& edit);
  // Writes the entry dialog's size into the row being edited or added.
  bool WriteSize(const TEnvelopeEdit& edit);

  bool m_locatePending = true;
};

// A size chosen in the dialog.
struct EnvelopeSizeChoice {
  QString name;
  float width = 0;
  float height = 0;
};

// Opens QVPENVS.DBF in `directory` (empty: the program directory), stands
// on `name` and shows TSelectEnvelope modally. False after the message when
// the table cannot be opened, and on Cancel. `run` replaces exec().
bool ChooseEnvelopeSize(QWidget* parent, const QString& directory, const QString& name,
                        EnvelopeSizeChoice* chosen,
                        const std::function<bool(TSelectEnvelope&)>& run = {});

}  // namespace qv
