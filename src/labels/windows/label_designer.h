// The label designer: edits one label setup (name, stock, font, address
// lines, ZIP placement, bar code and the text's place on the label) while
// showing one label at true screen size, filled with the contact file's
// current record. The caller fills Setup, shows the window modally and reads
// Setup back on OK.
//
// Positions are whole screen pixels while the window is open and inches in
// the record; the arithmetic between the two lives in the plain functions
// below so it can be checked without a window.
#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

#include "labels/address_lines.h"
#include "labels/label_setup.h"
#include "labels/windows/label_edit.h"

#include "ui/qt_classes.h"

namespace qv {

class TableObject;

// ---- screen arithmetic (P = pixels per inch) ----

// P x inches, truncated: offsets and the bar code clearances.
int InchesToPixels(double inches, int pixelsPerInch);
// round(P x inches), halves to even: the label's own size. Never below 1
// pixel, never above kMaxLabelPixels, so a damaged stock cannot ask for a
// picture the size of a wall.
int LabelSizeToPixels(double inches, int pixelsPerInch);
inline constexpr int kMaxLabelPixels = 4000;
float PixelsToInches(int pixels, int pixelsPerInch);

// Bar code picture size and its place above the first line of text.
inline constexpr int kBarCodePictureWidth = 248;
inline constexpr int kBarCodePictureHeight = 12;
// The bar code picture's top: P x 0.165, truncated, above the text.
int BarCodeRise(int pixelsPerInch);
// The highest the text may start under a bar code: P x 0.205, truncated.
int BarCodeClearance(int pixelsPerInch);

// The text Y after one Up step: 2 pixels up while it stays below the limit
// (the bar code clearance with the bar code on, 1 pixel without).
int MoveUp(int textY, int pixelsPerInch, bool barCode);
// The text X after one Left step of `step` pixels; unchanged when it would
// leave the label's left edge.
int MoveLeft(int textX, int step);
// 1 pixel per horizontal step, 4 once the button has auto-repeated twice.
int HorizontalStep(int repeats);
// Where Home puts the text.
int HomeX();
int HomeY(int pixelsPerInch, bool barCode);

// The characters per inch a printer font's name states ("Courier 10CPI",
// "Draft 12 cpi Bold"): the number just before "CPI", or 0 when there is
// none or it is too small to give a width.
double CpiOfFontName(const QString& fontName);
// P / (cpi - 1.5), truncated: the screen character width that makes a printer
// font's sample as wide as its print. REQUIRES: cpi > 1.5.
int CpiCharWidth(int pixelsPerInch, double cpi);
// The screen font of a label sample: character height size x P / 72 truncated,
// or a fixed-pitch stand-in of that height for a printer font with a CPI
// number.
QFont SampleFont(const QString& name, int size, bool bold, bool italic, int pixelsPerInch);
// size x P / 60, truncated: 1.2 times the point size.
int SampleLineHeight(int size, int pixelsPerInch);

// "Arial,10 pt., Bold".
QString FontInfoText(const QString& name, int size, bool bold, bool italic);

class TDesignLabel : public QDialog {
  Q_OBJECT

 public:
  // `contacts`: the open contact file the sample label and the navigator
  // use (not owned; may be null or closed: the label is then blank).
  explicit TDesignLabel(TableObject* contacts, QWidget* parent = nullptr);

  LabelSetup Setup;
  int PixelsPerInch;
  // Picks a label definition for the record's stock description and
  // printer type; true with *chosen filled. Empty: the label stock dialog
  // on the program directory's QVPLBLS.DBF.
  std::function<bool(const QString& description, const QString& printerType, LabelRecord* chosen)>
      ChooseDefinition;

  void FormActivate();
  void InitFromLabelSetupRecord();
  void UpDateLabelSetupRecord();
  void SetLabelSizeFromInches(double width, double height);
  void ChangeLabelDef(const LabelRecord& definition);
  void DrawLabel();
  void EraseLabel();
  void ResizeLabel();
  void WriteLabelText();
  void ContentsChange();
  void DisplayFontInfo();

  void UpButtonClick();
  void DownButtonClick();
  void LeftButtonClick();
  void RightButtonClick();
  void HomeButtonClick();
  void BarCodeCheckClick();
  void ZipCheckClick();
  void ChooseFontButtonClick();
  void SmallerButtonClick();
  void BiggerButtonClick();
  void ChooseLabelButtonClick();
  void SaveButtonClick();
  void FirstButtonClick();
  void PriorButtonClick();
  void NextButtonClick();
  void LastButtonClick();

  // Cancel: the record as it was when the window opened.
  void reject() override;

  QImage LabelImage() const { return m_image; }
  // The address lines of the last drawing, top to bottom.
  QStringList DrawnLines() const { return m_lines; }
  // The font the last drawing used.
  QFont DrawnFont() const { return m_drawnFont; }

  // ---- working values ----
  int LabelWidth = 0;  // pixels
  int LabelHeight = 0;
  int TextX = 0;  // from the label's left and top edge, pixels
  int TextY = 0;
  int BarCodeX = 0;
  int BarCodeY = 0;
  QString FontName;
  int FontSize = 10;
  bool FontBold = false;
  bool FontItalic = false;
  AddressOptions Content;
  bool TrimText = true;

  // ---- controls ----
  QLineEdit* DescriptionEdit = nullptr;
  QLabel* LabelDefinitionLabel = nullptr;  // the stock, under "Label Definition"
  QPushButton* ChooseLabelButton = nullptr;
  QCheckBox* NameCheck = nullptr;
  QCheckBox* TitleCheck = nullptr;
  QCheckBox* CompanyCheck = nullptr;
  QCheckBox* StreetCheck = nullptr;
  QCheckBox* CityStateCheck = nullptr;
  QCheckBox* ZipCheck = nullptr;
  QCheckBox* PhoneCheck = nullptr;
  QCheckBox* CountryCheck = nullptr;
  QCheckBox* BarCodeCheck = nullptr;
  // Which bar code: 0 POSTNET, 1 Intelligent Mail.
  QComboBox* BarCodeKindBox = nullptr;
  QRadioButton* AfterStateRadio = nullptr;
  QRadioButton* BeforeCityRadio = nullptr;
  QRadioButton* AfterCountryRadio = nullptr;
  QRadioButton* BeforeCountryRadio = nullptr;
  QCheckBox* UpperCaseCheck = nullptr;
  QCheckBox* TrimTextCheck = nullptr;
  QLabel* FontLabel = nullptr;
  QPushButton* ChooseFontButton = nullptr;
  QPushButton* SmallerButton = nullptr;
  QPushButton* BiggerButton = nullptr;
  QLabel* LabelView = nullptr;
  QPushButton* UpButton = nullptr;
  QPushButton* DownButton = nullptr;
  QPushButton* LeftButton = nullptr;
  QPushButton* RightButton = nullptr;
  QPushButton* HomeButton = nullptr;
  QPushButton* FirstButton = nullptr;
  QPushButton* PriorButton = nullptr;
  QPushButton* NextButton = nullptr;
  QPushButton* LastButton = nullptr;
  QPushButton* SaveButton = nullptr;
  QPushButton* CancelButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void BarCodeFollows();
  void MoveHorizontally(QAbstractButton* button, int direction);
  int CheckedZipOption() const;
  QRadioButton* ZipRadio(int option) const;

  TableObject* m_contacts;
  bool m_initializing = false;
  bool m_firstActivation = true;
  LabelSetup m_entrySetup;
  QImage m_image;
  QStringList m_lines;
  QFont m_drawnFont;
  QAbstractButton* m_repeatButton = nullptr;
  int m_repeats = 0;
};

}  // namespace qv
