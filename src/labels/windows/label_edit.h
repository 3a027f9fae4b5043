// The label definition edit dialog: one stock's sizes, counts, printer type
// and paper size, entered in inches or millimetres. The working record is
// always in inches; the caller fills it, shows the dialog and reads it back
// on OK.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <array>
#include <exception>
#include <string>

#include "store/label_geometry.h"

#include "ui/qt_classes.h"

namespace qv {

// A validation failure of a label definition: a message and nothing else.
class EValid : public std::exception {
 public:
  explicit EValid(std::string message) : m_message(std::move(message)) {}
  const char* what() const noexcept override { return m_message.c_str(); }

 private:
  std::string m_message;
};

// The working record: geometry in inches plus the printer type ("LJ" or
// "DM") and the paper size code ("LTR", "LTRL", "A4", "A4L", "A5", "USER").
struct LabelRecord {
  LabelGeometry geometry;
  std::string printer = "LJ";
  std::string paper_size = "LTR";
};

// Raises EValid with the first failing check's message.
void CheckLabel(const LabelGeometry& g);

// A number field that keeps the value it was given at full precision and
// shows it under a display mask; typing replaces the value.
class LengthEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit LengthEdit(QWidget* parent = nullptr);
  double value() const { return m_value; }
  void setValue(double value);
  // Decimals and total digits of the mask ("##.###": 3 and 7; "###.#": 1
  // and 6; "###": 0 and 3).
  void setMask(int decimals, int digits);
  int decimals() const { return m_decimals; }

 private:
  double m_value = 0;
  int m_decimals = 2;
};

// The masks of the length fields: "##.###" in inches (a 3/16 in margin is
// 0.188, as the tables keep it) and "###.#" in millimetres (the 63.5 mm of
// A4 stocks).
inline constexpr int kInchDecimals = 3, kInchDigits = 7;
inline constexpr int kMillimetreDecimals = 1, kMillimetreDigits = 6;

inline constexpr double kMillimetresPerInch = 25.4;
inline constexpr double kInchesPerMillimetre = 0.03937007874015748;

class TLabelEdit : public QDialog {
  Q_OBJECT

 public:
  // The eight length fields, in the order the units switch walks them.
  enum Length { Height, Width, HorizPitch, VertPitch, LeftMargin, TopMargin, PaperWidth,
                PaperHeight, kLengthCount };

  explicit TLabelEdit(QWidget* parent = nullptr);

  LabelRecord record;

  // Fills the controls from the record on the first activation only.
  void activate();
  // The Save button: reads the controls into the record, validates, and
  // closes with OK when the record passes; labels that run off the sheet
  // are warned about first, not refused.
  void save();
  // Runs the checks on the record; shows the first failing message in the
  // information box and returns false.
  bool ValidLabel();

  bool millimetres() const;
  void setMillimetres(bool on);

  LengthEdit* lengthField(Length which) const { return m_lengths[which]; }
  QLineEdit* descriptionField() const { return m_description; }
  QSpinBox* acrossField() const { return m_across; }
  QSpinBox* downField() const { return m_down; }
  QCheckBox* tractorBox() const { return m_tractor; }
  QComboBox* paperList() const { return m_paper; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void toMillimetres();
  void toInches();
  void paperChosen(int index);
  void leaveWidth();
  void leaveHeight();
  float* recordLength(Length which);

  bool m_firstActivation = true;
  bool m_inMillimetres = false;
  std::array<LengthEdit*, kLengthCount> m_lengths{};
  QLineEdit* m_description = nullptr;
  QSpinBox* m_across = nullptr;
  QSpinBox* m_down = nullptr;
  QCheckBox* m_tractor = nullptr;
  QComboBox* m_paper = nullptr;
  QRadioButton* m_inchButton = nullptr;
  QRadioButton* m_mmButton = nullptr;
};

}  // namespace qv
