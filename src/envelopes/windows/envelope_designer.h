// The Envelope Designer: the envelope drawn to scale with its return
// address, delivery address (the current contact's, followed across the
// Record buttons), message line and bar code where they print; the user
// drags the blocks into place, sets their fonts and texts from a
// right-click menu, chooses the size, the delivery-address contents and
// the feed method. Save writes the edits back into Setup; places are kept
// in screen pixels and stored as pixels divided by the screen's pixels per
// inch. Text is drawn in the printed page's fonts, scaled to the screen,
// so lines fall where the page puts them.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QWidget>

#include "envelopes/envelope_setup.h"

#include "ui/qt_classes.h"

namespace qv {

class TableObject;
class TEnvelopeDesigner;

enum class EnvelopeItem { None, Return, Message, Delivery };

// The white envelope with its items, painted at the designer's zoom.
class EnvelopePanel : public QWidget {
  Q_OBJECT

 public:
  explicit EnvelopePanel(TEnvelopeDesigner* designer);
  // The item's rectangle on the panel, in screen pixels: its text from the
  // item's place, as wide as the widest line and one line pitch per line.
  QRect itemRect(EnvelopeItem item) const;
  // Where line `line` of the item starts on the panel (left end of its
  // base line), in screen pixels.
  QPointF lineOrigin(EnvelopeItem item, int line) const;
  EnvelopeItem itemAt(const QPoint& at) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // The arrow keys move the selected item a base pixel, with Shift ten.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TEnvelopeDesigner* m_designer;
  EnvelopeItem m_dragging = EnvelopeItem::None;
  QPoint m_pressAt;
  QPoint m_startPlace;
};

class TEnvelopeDesigner : public QDialog {
  Q_OBJECT

 public:
  explicit TEnvelopeDesigner(TableObject* contacts, QWidget* parent = nullptr);

  TEnvelopeSetup Setup = DefaultEnvelopeSetup();
  // Where the size dialog reads QVPENVS.DBF; empty: the program directory.
  QString SizeDirectory;

  // ---- state (pixels are base pixels, before the zoom)
  double P = 96;  // screen pixels per inch
  int W = 0, H = 0;
  int PrevW = 0, PrevH = 0;
  int Zoom = 100;
  QPoint ReturnPlace, MessagePlace, DeliveryPlace;  // left, top
  QStringList ReturnLines;
  QString MessageText;
  QStringList AddressLines;
  // The bars the current contact gets above its address, as printed: "F"
  // and "H" for POSTNET, F/A/D/T for Intelligent Mail (a sample tracking
  // code with the contact's routing); empty when it gets none.
  QString AddressBars;
  int Orientation = kEnvelopeLandscape, Facing = kFaceDown, Position = kFeedCenter;
  bool Clockwise = false;
  EnvelopeItem Selected = EnvelopeItem::None;

  // ---- controls
  QLineEdit* DescriptionEdit;
  QTabWidget* Pages;
  EnvelopePanel* EnvelopeImage;
  QCheckBox* ReturnCheck;
  QCheckBox* MessageCheck;
  QCheckBox* BarcodeCheck;
  QComboBox* BarCodeKindBox;  // POSTNET or Intelligent Mail
  QCheckBox* OutlinesCheck;
  QRadioButton* Zoom100;
  QRadioButton* Zoom75;
  QRadioButton* Zoom50;
  QCheckBox *NameCheck, *TitleCheck, *OrgCheck, *StreetCheck, *CityStateCheck, *CountryCheck,
      *PhoneCheck, *ZipCheck, *UpperCheck;
  QRadioButton* ZipRadio[4];
  QLabel* EnvelopeNameLabel;
  QPushButton* ChooseEnvelopeButton;
  QRadioButton *LeftButton, *RightButton, *CenterButton;
  QCheckBox* ClockwiseCheck;
  QRadioButton *PortraitButton, *LandscapeButton, *UpButton, *DownButton;
  QLabel* PagePicture;
  QPushButton* FirstButton;
  QPushButton* PriorButton;
  QPushButton* NextButton;
  QPushButton* LastButton;
  QPushButton* OkButton;
  QPushButton* HelpButton;
  QPushButton* CancelButton;

  // ---- handlers and operations
  void FormActivate();
  void InitFromEvelopeSetupRecord();
  void UpDateEnvelopeSetupRecord();
  void ChooseEnvelopeButtonClick();
  void Adjustfornewenvelopesize();
  void PercChoiceClick();
  void AddressContentsClick();
  void FeedMethodClick();
  void OkButtonClick();
  // The Record buttons move the contact table; the address follows.
  void FirstButtonClick();
  void PriorButtonClick();
  void NextButtonClick();
  void LastButtonClick();
  // The current contact's delivery lines, composed with the setup's switches.
  void ComposeAddress();
  void DrawPagePicture();

  // Screen pixels of a base length at the zoom, and the reverse.
  int Shown(int base) const { return int(base * Zoom * 0.01); }
  int Base(int shown) const { return int(shown / (Zoom * 0.01)); }
  QPoint& PlaceOf(EnvelopeItem item);
  // Moves the selected item by `by` base pixels, not past the top and left edges.
  void MoveSelected(const QPoint& by);
  // The font an item is printed in (sized in report text units), and the
  // screen pixels one text unit takes at the zoom.
  QFont ScreenFont(EnvelopeItem item) const;
  double TextScale() const;
  // A point on the envelope panel in inches from the envelope's corner.
  QPointF InchesOf(const QPointF& panelPixel) const;
  QStringList LinesOf(EnvelopeItem item) const;
  // Font and Text of the right-click menu.
  void ChooseFont(EnvelopeItem item);
  void ChooseText(EnvelopeItem item);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TableObject* m_contacts;
  bool m_firstActivation = true;
};

}  // namespace qv
