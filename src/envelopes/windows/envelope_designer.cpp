#include "envelopes/windows/envelope_designer.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "envelopes/envelope_print.h"
#include "envelopes/windows/envelope_windows.h"
#include "envelopes/windows/select_envelope.h"
#include "labels/address_lines.h"
#include "labels/imb.h"
#include "labels/postnet.h"
#include "render/report_fonts.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

constexpr int kMargin = 16;  // gray border around the envelope, screen pixels
constexpr int kPagePictureWidth = 120, kPagePictureHeight = 150;

// Pixels from inches as the designer has always placed them: cut, not rounded.
int TowardZero(double v) { return int(v); }

}  // namespace

// ---- EnvelopePanel

EnvelopePanel::EnvelopePanel(TEnvelopeDesigner* designer) : QWidget(designer), m_designer(designer) {
  setObjectName(QStringLiteral("EnvelopeImage"));
  // A click gives the picture the keyboard, for the arrow keys.
  setFocusPolicy(Qt::ClickFocus);
}

void EnvelopePanel::keyPressEvent(QKeyEvent* event) {
  QPoint by;
  switch (event->key()) {
    case Qt::Key_Left: by = {-1, 0}; break;
    case Qt::Key_Right: by = {1, 0}; break;
    case Qt::Key_Up: by = {0, -1}; break;
    case Qt::Key_Down: by = {0, 1}; break;
    default: QWidget::keyPressEvent(event); return;
  }
  if (m_designer->Selected == EnvelopeItem::None) {
    QWidget::keyPressEvent(event);
    return;
  }
  m_designer->MoveSelected(by * (event->modifiers() & Qt::ShiftModifier ? 10 : 1));
}

QRect EnvelopePanel::itemRect(EnvelopeItem item) const {
  TEnvelopeDesigner& d = *m_designer;
  const QStringList lines = d.LinesOf(item);
  if (lines.isEmpty() && item != EnvelopeItem::Delivery) return QRect();
  const QFontMetricsF fm(d.ScreenFont(item));
  const double scale = d.TextScale();
  double width = 8;
  for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line) * scale);
  const double height = double(std::max<qsizetype>(lines.size(), 1)) * fm.lineSpacing() * scale;
  QPoint& place = d.PlaceOf(item);
  return QRectF(kMargin + d.Shown(place.x()), kMargin + d.Shown(place.y()), width, height)
      .toAlignedRect();
}

QPointF EnvelopePanel::lineOrigin(EnvelopeItem item, int line) const {
  TEnvelopeDesigner& d = *m_designer;
  // As the page does it: the first base line one ascent under the place,
  // each further one a line pitch lower.
  const QFontMetricsF fm(d.ScreenFont(item));
  QPoint& place = d.PlaceOf(item);
  const double down = (fm.ascent() + line * fm.lineSpacing()) * d.TextScale();
  return QPointF(kMargin + d.Shown(place.x()), kMargin + d.Shown(place.y()) + down);
}

EnvelopeItem EnvelopePanel::itemAt(const QPoint& at) const {
  TEnvelopeDesigner& d = *m_designer;
  // The smallest on top: the message may lie inside the others' areas.
  if (d.MessageCheck->isChecked() && itemRect(EnvelopeItem::Message).contains(at)) {
    return EnvelopeItem::Message;
  }
  if (d.ReturnCheck->isChecked() && itemRect(EnvelopeItem::Return).contains(at)) {
    return EnvelopeItem::Return;
  }
  if (itemRect(EnvelopeItem::Delivery).contains(at)) return EnvelopeItem::Delivery;
  return EnvelopeItem::None;
}

void EnvelopePanel::paintEvent(QPaintEvent*) {
  TEnvelopeDesigner& d = *m_designer;
  QPainter p(this);
  p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
  const QRect envelope(kMargin, kMargin, d.Shown(d.W), d.Shown(d.H));
  p.fillRect(envelope, Qt::white);
  const bool outlines = d.OutlinesCheck->isChecked();
  const double scale = d.TextScale();
  auto drawItem = [&](EnvelopeItem item) {
    const QRect r = itemRect(item);
    p.setPen(Qt::black);
    const QStringList lines = d.LinesOf(item);
    for (int i = 0; i < lines.size(); ++i) {
      // The printed font at its own size, scaled down to the screen, so
      // widths and line pitch are the page's.
      p.save();
      p.translate(lineOrigin(item, i));
      p.scale(scale, scale);
      p.setFont(d.ScreenFont(item));
      p.drawText(QPointF(0, 0), lines[i]);
      p.restore();
    }
    if (outlines || d.Selected == item) {
      // Just outside the text, which starts at the item's place.
      p.setPen(QPen(d.Selected == item ? QColor(0, 0, 0xC0) : QColor(0xA0, 0xA0, 0xA0), 1,
                    d.Selected == item ? Qt::SolidLine : Qt::DotLine));
      p.drawRect(r.adjusted(-1, -1, 0, 0));
    }
  };
  p.setClipRect(envelope);
  if (d.ReturnCheck->isChecked()) drawItem(EnvelopeItem::Return);
  drawItem(EnvelopeItem::Delivery);
  if (d.BarcodeCheck->isChecked() && !d.AddressBars.isEmpty()) {
    // The contact's own bars at the printed geometry.
    const double ppi = d.P * d.Zoom * 0.01;
    const QRect del = itemRect(EnvelopeItem::Delivery);
    double x = del.left();
    const double top = del.top() - TowardZero(d.P * kBarCodeAboveText * d.Zoom * 0.01);
    const bool imb = d.BarCodeKindBox->currentIndex() == 1;
    p.setPen(QPen(Qt::black, std::max(1.0, (imb ? kImbBarWidth : kBarWidth) * ppi)));
    for (QChar bar : d.AddressBars) {
      double y1 = top, y2 = top + kTallBarHeight * ppi;
      if (imb) {
        const bool up = bar == QLatin1Char('F') || bar == QLatin1Char('A');
        const bool down = bar == QLatin1Char('F') || bar == QLatin1Char('D');
        const double tracker = (kImbFullHeight - kImbTrackerHeight) / 2;
        y1 = top + (up ? 0 : tracker) * ppi;
        y2 = top + (down ? kImbFullHeight : kImbFullHeight - tracker) * ppi;
      } else if (bar == QLatin1Char('H')) {
        y1 = top + kShortBarHeight * ppi;
      }
      p.drawLine(QPointF(x, y1), QPointF(x, y2));
      x += (imb ? kImbBarPitch : kBarPitch) * ppi;
    }
  }
  if (d.MessageCheck->isChecked()) drawItem(EnvelopeItem::Message);
}

void EnvelopePanel::mousePressEvent(QMouseEvent* event) {
  TEnvelopeDesigner& d = *m_designer;
  const EnvelopeItem item = itemAt(event->position().toPoint());
  d.Selected = item;
  setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton && item != EnvelopeItem::None) {
    m_dragging = item;
    m_pressAt = event->position().toPoint();
    const QPoint& place = d.PlaceOf(item);
    m_startPlace = QPoint(d.Shown(place.x()), d.Shown(place.y()));
  }
  update();
}

void EnvelopePanel::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging == EnvelopeItem::None) return;
  TEnvelopeDesigner& d = *m_designer;
  const QPoint shown = m_startPlace + (event->position().toPoint() - m_pressAt);
  // Remembered in base pixels: shown place divided by the zoom.
  d.PlaceOf(m_dragging) = QPoint(d.Base(std::max(0, shown.x())), d.Base(std::max(0, shown.y())));
  update();
}

void EnvelopePanel::mouseReleaseEvent(QMouseEvent* event) {
  mouseMoveEvent(event);
  m_dragging = EnvelopeItem::None;
  update();
}

void EnvelopePanel::contextMenuEvent(QContextMenuEvent* event) {
  TEnvelopeDesigner& d = *m_designer;
  const EnvelopeItem item = itemAt(event->pos());
  if (item == EnvelopeItem::None) return;
  QMenu menu(this);
  QAction* font = menu.addAction(QStringLiteral("Font"));
  QAction* text = item == EnvelopeItem::Delivery ? nullptr : menu.addAction(QStringLiteral("Text"));
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == font) d.ChooseFont(item);
  if (chosen != nullptr && chosen == text) d.ChooseText(item);
}

// ---- TEnvelopeDesigner

TEnvelopeDesigner::TEnvelopeDesigner(TableObject* contacts, QWidget* parent)
    : QDialog(parent), m_contacts(contacts) {
  setWindowTitle(QStringLiteral("Envelope Designer"));
  setModal(true);
  P = logicalDpiX();

  DescriptionEdit = new QLineEdit(this);
  DescriptionEdit->setMaxLength(50);
  auto* descRow = new QHBoxLayout;
  descRow->addWidget(new QLabel(QStringLiteral("Envelope Setup Description"), this));
  descRow->addWidget(DescriptionEdit, 1);

  Pages = new QTabWidget(this);
  // -- Envelope Design
  auto* design = new QWidget(Pages);
  auto* hint = new QLabel(QStringLiteral("Use the mouse to move and resize envelope items. Click "
                                         "the right mouse button on an item to set font or text."),
                          design);
  hint->setStyleSheet(QStringLiteral("color: red"));
  hint->setWordWrap(true);
  ReturnCheck = new QCheckBox(QStringLiteral("Return Address"), design);
  MessageCheck = new QCheckBox(QStringLiteral("Message"), design);
  BarcodeCheck = new QCheckBox(QStringLiteral("Barcode"), design);
  BarCodeKindBox = new QComboBox(design);
  BarCodeKindBox->addItems({QStringLiteral("POSTNET"), QStringLiteral("Intelligent Mail")});
  BarCodeKindBox->setToolTip(QStringLiteral("The bar code printed above the address"));
  OutlinesCheck = new QCheckBox(QStringLiteral("Show outlines"), design);
  OutlinesCheck->setChecked(true);
  Zoom100 = new QRadioButton(QStringLiteral("100%"), design);
  Zoom75 = new QRadioButton(QStringLiteral("75%"), design);
  Zoom50 = new QRadioButton(QStringLiteral("50%"), design);
  Zoom100->setChecked(true);
  auto* checks = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{ReturnCheck, MessageCheck, BarcodeCheck,
                                                    BarCodeKindBox, OutlinesCheck, Zoom100,
                                                    Zoom75, Zoom50}) {
    checks->addWidget(w);
  }
  checks->addStretch(1);
  EnvelopeImage = new EnvelopePanel(this);
  auto* scroll = new QScrollArea(design);
  scroll->setWidget(EnvelopeImage);
  auto* designLayout = new QVBoxLayout(design);
  designLayout->addWidget(hint);
  designLayout->addLayout(checks);
  designLayout->addWidget(scroll, 1);
  Pages->addTab(design, QStringLiteral("Envelope Design"));

  // -- Envelope Options
  auto* options = new QWidget(Pages);
  auto* contents = new QGroupBox(QStringLiteral("Delivery Address Contents"), options);
  NameCheck = new QCheckBox(QStringLiteral("Name"), contents);
  TitleCheck = new QCheckBox(QStringLiteral("Title"), contents);
  OrgCheck = new QCheckBox(QStringLiteral("Organization"), contents);
  StreetCheck = new QCheckBox(QStringLiteral("Street"), contents);
  CityStateCheck = new QCheckBox(QStringLiteral("City + State"), contents);
  CountryCheck = new QCheckBox(QStringLiteral("Country"), contents);
  PhoneCheck = new QCheckBox(QStringLiteral("Phone"), contents);
  ZipCheck = new QCheckBox(QStringLiteral("Zip/Postal code"), contents);
  UpperCheck = new QCheckBox(QStringLiteral("Print in Uppercase"), contents);
  const char* zipTexts[4] = {"After state", "Before city", "After country", "Before country"};
  auto* zipGroup = new QButtonGroup(this);
  auto* contentsLayout = new QGridLayout(contents);
  int row = 0;
  for (QCheckBox* c : {NameCheck, TitleCheck, OrgCheck, StreetCheck, CityStateCheck, CountryCheck,
                       PhoneCheck, ZipCheck}) {
    contentsLayout->addWidget(c, row++, 0);
  }
  for (int i = 0; i < 4; ++i) {
    ZipRadio[i] = new QRadioButton(QString::fromLatin1(zipTexts[i]), contents);
    zipGroup->addButton(ZipRadio[i]);
    contentsLayout->addWidget(ZipRadio[i], 4 + i, 1);
  }
  contentsLayout->addWidget(UpperCheck, row, 0);

  auto* sizeBox = new QGroupBox(QStringLiteral("Envelope Size"), options);
  EnvelopeNameLabel = new QLabel(sizeBox);
  ChooseEnvelopeButton = new QPushButton(QStringLiteral("Choose or Define  Envelope"), sizeBox);
  auto* sizeLayout = new QVBoxLayout(sizeBox);
  sizeLayout->addWidget(EnvelopeNameLabel);
  sizeLayout->addWidget(ChooseEnvelopeButton);

  auto* feedBox = new QGroupBox(QStringLiteral("Feed Method"), options);
  auto* feedNote = new QLabel(QStringLiteral("Please indicate how you normally feed envelopes into "
                                             "your printer (this will help us determine how to "
                                             "print it):"),
                              feedBox);
  feedNote->setWordWrap(true);
  PagePicture = new QLabel(feedBox);
  PagePicture->setObjectName(QStringLiteral("PagePicture"));
  auto* positionBox = new QGroupBox(QStringLiteral("Position"), feedBox);
  LeftButton = new QRadioButton(QStringLiteral("Left"), positionBox);
  RightButton = new QRadioButton(QStringLiteral("Right"), positionBox);
  CenterButton = new QRadioButton(QStringLiteral("Center"), positionBox);
  ClockwiseCheck = new QCheckBox(QStringLiteral("Clockwise Rotation"), positionBox);
  auto* positionLayout = new QVBoxLayout(positionBox);
  for (QWidget* w : std::initializer_list<QWidget*>{LeftButton, RightButton, CenterButton,
                                                    ClockwiseCheck}) {
    positionLayout->addWidget(w);
  }
  auto* orientBox = new QGroupBox(QStringLiteral("Orientation"), feedBox);
  PortraitButton = new QRadioButton(QStringLiteral("Portrait"), orientBox);
  LandscapeButton = new QRadioButton(QStringLiteral("Landscape"), orientBox);
  auto* orientLayout = new QVBoxLayout(orientBox);
  orientLayout->addWidget(PortraitButton);
  orientLayout->addWidget(LandscapeButton);
  auto* facingBox = new QGroupBox(QStringLiteral("Facing"), feedBox);
  UpButton = new QRadioButton(QStringLiteral("Up"), facingBox);
  DownButton = new QRadioButton(QStringLiteral("Down"), facingBox);
  auto* facingLayout = new QVBoxLayout(facingBox);
  facingLayout->addWidget(UpButton);
  facingLayout->addWidget(DownButton);
  auto* feedNote2 = new QLabel(QStringLiteral("(note: there are many printers and many ways to "
                                              "feed envelopes - this may take some experimenting)"),
                               feedBox);
  feedNote2->setWordWrap(true);
  auto* feedLayout = new QGridLayout(feedBox);
  feedLayout->addWidget(feedNote, 0, 0, 1, 4);
  feedLayout->addWidget(PagePicture, 1, 0, 2, 1);
  feedLayout->addWidget(positionBox, 1, 1, 2, 1);
  feedLayout->addWidget(orientBox, 1, 2);
  feedLayout->addWidget(facingBox, 2, 2);
  feedLayout->addWidget(feedNote2, 3, 0, 1, 4);

  auto* optionsLayout = new QGridLayout(options);
  optionsLayout->addWidget(contents, 0, 0, 2, 1);
  optionsLayout->addWidget(sizeBox, 0, 1);
  optionsLayout->addWidget(feedBox, 1, 1);
  Pages->addTab(options, QStringLiteral("Envelope Options"));

  OkButton = new QPushButton(QStringLiteral("Save"), this);
  OkButton->setDefault(true);
  FirstButton = new QPushButton(QStringLiteral("First"), this);
  PriorButton = new QPushButton(QStringLiteral("Prior"), this);
  NextButton = new QPushButton(QStringLiteral("Next"), this);
  LastButton = new QPushButton(QStringLiteral("Last"), this);
  HelpButton = new QPushButton(QStringLiteral("Help"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(OkButton);
  bottom->addStretch(1);
  bottom->addWidget(new QLabel(QStringLiteral("Record"), this));
  for (QPushButton* b : {FirstButton, PriorButton, NextButton, LastButton}) {
    b->setAutoDefault(false);
    bottom->addWidget(b);
  }
  bottom->addStretch(1);
  bottom->addWidget(HelpButton);
  bottom->addWidget(CancelButton);
  auto* top = new QVBoxLayout(this);
  top->addLayout(descRow);
  top->addWidget(Pages, 1);
  top->addLayout(bottom);
  resize(1040, 620);

  connect(OkButton, &QPushButton::clicked, this, &TEnvelopeDesigner::OkButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(FirstButton, &QPushButton::clicked, this, &TEnvelopeDesigner::FirstButtonClick);
  connect(PriorButton, &QPushButton::clicked, this, &TEnvelopeDesigner::PriorButtonClick);
  connect(NextButton, &QPushButton::clicked, this, &TEnvelopeDesigner::NextButtonClick);
  connect(LastButton, &QPushButton::clicked, this, &TEnvelopeDesigner::LastButtonClick);
  auto help = [this] { Dialogs().showHelp(this, kEnvelopeDesignerHelpTopic); };
  connect(HelpButton, &QPushButton::clicked, this, help);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, help);
  connect(ChooseEnvelopeButton, &QPushButton::clicked, this,
          &TEnvelopeDesigner::ChooseEnvelopeButtonClick);
  for (QRadioButton* z : {Zoom100, Zoom75, Zoom50}) {
    connect(z, &QRadioButton::clicked, this, &TEnvelopeDesigner::PercChoiceClick);
  }
  for (QCheckBox* c : {ReturnCheck, MessageCheck, OutlinesCheck}) {
    connect(c, &QCheckBox::clicked, EnvelopeImage, qOverload<>(&QWidget::update));
  }
  connect(BarcodeCheck, &QCheckBox::clicked, this, &TEnvelopeDesigner::AddressContentsClick);
  connect(BarCodeKindBox, &QComboBox::currentIndexChanged, this,
          &TEnvelopeDesigner::AddressContentsClick);
  for (QCheckBox* c : {NameCheck, TitleCheck, OrgCheck, StreetCheck, CityStateCheck, CountryCheck,
                       PhoneCheck, ZipCheck, UpperCheck}) {
    connect(c, &QCheckBox::clicked, this, &TEnvelopeDesigner::AddressContentsClick);
  }
  for (QRadioButton* z : ZipRadio) {
    connect(z, &QRadioButton::clicked, this, &TEnvelopeDesigner::AddressContentsClick);
  }
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
           LeftButton, RightButton, CenterButton, ClockwiseCheck, PortraitButton,
           LandscapeButton, UpButton, DownButton}) {
    connect(b, &QAbstractButton::clicked, this, &TEnvelopeDesigner::FeedMethodClick);
  }
}

void TEnvelopeDesigner::showEvent(QShowEvent* event) {
  FormActivate();
  QDialog::showEvent(event);
}

void TEnvelopeDesigner::FormActivate() {
  if (!m_firstActivation) return;
  Pages->setCurrentIndex(0);
  Zoom = 100;
  InitFromEvelopeSetupRecord();
  PrevW = W;
  PrevH = H;
  PercChoiceClick();
  DrawPagePicture();
  m_firstActivation = false;
}

void TEnvelopeDesigner::MoveSelected(const QPoint& by) {
  if (Selected == EnvelopeItem::None) return;
  QPoint& place = PlaceOf(Selected);
  place = QPoint(std::max(0, place.x() + by.x()), std::max(0, place.y() + by.y()));
  EnvelopeImage->update();
}

QPoint& TEnvelopeDesigner::PlaceOf(EnvelopeItem item) {
  if (item == EnvelopeItem::Return) return ReturnPlace;
  if (item == EnvelopeItem::Message) return MessagePlace;
  return DeliveryPlace;
}

QFont TEnvelopeDesigner::ScreenFont(EnvelopeItem item) const {
  // The fonts the printer takes: a blank name or a damaged size is
  // replaced there, so here too.
  const TEnvelopeSetup s = PrintableEnvelopeSetup(Setup);
  TextFont f;
  if (item == EnvelopeItem::Return) {
    f.name = s.returnBlock.fontName;
    f.size = s.returnBlock.fontSize;
    f.bold = s.returnBlock.bold;
    f.italic = s.returnBlock.italic;
  } else if (item == EnvelopeItem::Message) {
    f.name = s.messageBlock.fontName;
    f.size = s.messageBlock.fontSize;
    f.bold = s.messageBlock.bold;
    f.italic = s.messageBlock.italic;
  } else {
    f.name = s.deliveryBlock.fontName;
    f.size = s.deliveryBlock.fontSize;
    f.bold = s.deliveryBlock.bold;
    f.italic = s.deliveryBlock.italic;
  }
  return ReportFont(f);
}

double TEnvelopeDesigner::TextScale() const { return P * Zoom * 0.01 / kTextUnitsPerInch; }

QPointF TEnvelopeDesigner::InchesOf(const QPointF& panelPixel) const {
  return (panelPixel - QPointF(kMargin, kMargin)) / (P * Zoom * 0.01);
}

QStringList TEnvelopeDesigner::LinesOf(EnvelopeItem item) const {
  if (item == EnvelopeItem::Return) return ReturnLines;
  if (item == EnvelopeItem::Message) return {MessageText};
  return AddressLines;
}

void TEnvelopeDesigner::InitFromEvelopeSetupRecord() {
  const TEnvelopeSetup& s = Setup;
  DescriptionEdit->setText(s.description);
  W = TowardZero(P * s.envelopeWidth);
  H = TowardZero(P * s.envelopeHeight);
  ReturnCheck->setChecked(s.useReturn);
  MessageCheck->setChecked(s.useMessage);
  ReturnPlace = QPoint(TowardZero(P * s.returnBlock.left), TowardZero(P * s.returnBlock.top));
  // Blank lines inside the address stay; those after it are the record's
  // unused lines.
  ReturnLines = s.returnLines;
  while (!ReturnLines.isEmpty() && ReturnLines.last().isEmpty()) ReturnLines.removeLast();
  MessagePlace = QPoint(TowardZero(P * s.messageBlock.left), TowardZero(P * s.messageBlock.top));
  MessageText = s.messageText;
  DeliveryPlace = QPoint(TowardZero(P * s.deliveryBlock.left), TowardZero(P * s.deliveryBlock.top));
  BarcodeCheck->setChecked(s.address.barCode);
  BarCodeKindBox->setCurrentIndex(s.intelligentMail ? 1 : 0);
  BarCodeKindBox->setEnabled(s.address.barCode);
  NameCheck->setChecked(s.address.name);
  TitleCheck->setChecked(s.address.title);
  OrgCheck->setChecked(s.address.company);
  StreetCheck->setChecked(s.address.street);
  CityStateCheck->setChecked(s.address.cityState);
  ZipCheck->setChecked(s.address.zip);
  PhoneCheck->setChecked(s.address.phone);
  CountryCheck->setChecked(s.address.country);
  UpperCheck->setChecked(s.address.upperCase);
  const int zipOption = s.address.zipOption;
  if (zipOption >= 1 && zipOption <= 4) ZipRadio[zipOption - 1]->setChecked(true);
  for (QRadioButton* z : ZipRadio) z->setEnabled(s.address.zip);
  Orientation = s.orientation;
  Facing = s.facing;
  Position = s.position;
  Clockwise = false;
  if (Position >= kClockwiseAdded) {
    Position -= kClockwiseAdded;
    Clockwise = true;
  }
  (Position == kFeedLeft ? LeftButton : Position == kFeedRight ? RightButton : CenterButton)
      ->setChecked(true);
  ClockwiseCheck->setChecked(Clockwise);
  (Orientation == kEnvelopePortrait ? PortraitButton : LandscapeButton)->setChecked(true);
  ClockwiseCheck->setVisible(Orientation != kEnvelopePortrait);
  (Facing == kFaceUp ? UpButton : DownButton)->setChecked(true);
  EnvelopeNameLabel->setText(s.envelopeName);
  ComposeAddress();
}

void TEnvelopeDesigner::UpDateEnvelopeSetupRecord() {
  TEnvelopeSetup& s = Setup;
  s.description = DescriptionEdit->text();
  s.envelopeWidth = float(W / P);
  s.envelopeHeight = float(H / P);
  s.useReturn = ReturnCheck->isChecked();
  s.useMessage = MessageCheck->isChecked();
  s.returnBlock.top = float(ReturnPlace.y() / P);
  s.returnBlock.left = float(ReturnPlace.x() / P);
  s.returnLines.clear();
  for (int i = 0; i < kReturnLines; ++i) {
    s.returnLines << (i < ReturnLines.size() ? ReturnLines[i].left(kReturnLineWidth) : QString());
  }
  s.messageBlock.top = float(MessagePlace.y() / P);
  s.messageBlock.left = float(MessagePlace.x() / P);
  s.messageText = MessageText.left(50);
  s.deliveryBlock.top = float(DeliveryPlace.y() / P);
  s.deliveryBlock.left = float(DeliveryPlace.x() / P);
  s.address.barCode = BarcodeCheck->isChecked();
  s.intelligentMail = s.address.barCode && BarCodeKindBox->currentIndex() == 1;
  s.address.name = NameCheck->isChecked();
  s.address.title = TitleCheck->isChecked();
  s.address.company = OrgCheck->isChecked();
  s.address.street = StreetCheck->isChecked();
  s.address.cityState = CityStateCheck->isChecked();
  s.address.zip = ZipCheck->isChecked();
  s.address.phone = PhoneCheck->isChecked();
  s.address.country = CountryCheck->isChecked();
  s.address.upperCase = UpperCheck->isChecked();
  for (int i = 0; i < 4; ++i) {
    if (ZipRadio[i]->isChecked()) s.address.zipOption = i + 1;
  }
  s.orientation = Orientation;
  s.facing = Facing;
  s.position = Position + (Clockwise ? kClockwiseAdded : 0);
}

void TEnvelopeDesigner::ComposeAddress() {
  AddressLines.clear();
  if (m_contacts && m_contacts->active() && !m_contacts->eof()) {
    ComposeAddressLines(*m_contacts, Setup.address, &AddressLines);
  }
  if (AddressLines.isEmpty()) AddressLines << QString();
  AddressBars.clear();
  BarCodeKindBox->setEnabled(BarcodeCheck->isChecked());
  if (!m_contacts || !m_contacts->active() || m_contacts->eof()) return;
  const QString zip = m_contacts->fieldText(QStringLiteral("ZIP"));
  const QString street = m_contacts->fieldText(QStringLiteral("STREET"));
  if (IsForeignCountry(m_contacts->fieldText(QStringLiteral("COUNTRY")))) return;
  if (BarCodeKindBox->currentIndex() == 1) {
    // The serial is the run's; the published test case's tracking code
    // stands in for it.
    // A ZIP the run cannot route gets no bars there either.
    const QString routing = ImbRoutingCode(zip, street, nullptr);
    if (!routing.isEmpty()) AddressBars = ImbBars(QStringLiteral("01234567094987654321"), routing, nullptr);
  } else if (AddressGetsUsBarCode(zip, m_contacts->fieldText(QStringLiteral("COUNTRY")))) {
    for (bool tall : PostnetBars(BarCodeText(zip, street))) {
      AddressBars += tall ? QLatin1Char('F') : QLatin1Char('H');
    }
  }
}

void TEnvelopeDesigner::PercChoiceClick() {
  Zoom = Zoom50->isChecked() ? 50 : Zoom75->isChecked() ? 75 : 100;
  EnvelopeImage->setFixedSize(Shown(W) + 2 * kMargin, Shown(H) + 2 * kMargin);
  Selected = EnvelopeItem::None;
  EnvelopeImage->update();
}

void TEnvelopeDesigner::AddressContentsClick() {
  for (QRadioButton* z : ZipRadio) z->setEnabled(ZipCheck->isChecked());
  if (!m_firstActivation) UpDateEnvelopeSetupRecord();
  ComposeAddress();
  EnvelopeImage->update();
}

void TEnvelopeDesigner::FeedMethodClick() {
  Position = LeftButton->isChecked() ? kFeedLeft : RightButton->isChecked() ? kFeedRight : kFeedCenter;
  Orientation = PortraitButton->isChecked() ? kEnvelopePortrait : kEnvelopeLandscape;
  ClockwiseCheck->setVisible(Orientation != kEnvelopePortrait);
  Facing = UpButton->isChecked() ? kFaceUp : kFaceDown;
  Clockwise = ClockwiseCheck->isChecked();
  DrawPagePicture();
}

// The printer's tray seen from above: the sheet, and the envelope as it
// goes in (face or back, turned or not) at the chosen side.
void TEnvelopeDesigner::DrawPagePicture() {
  QPixmap page(kPagePictureWidth, kPagePictureHeight);
  page.fill(Qt::transparent);
  QPainter p(&page);
  p.setRenderHint(QPainter::Antialiasing);
  const QRect sheet(10, 20, kPagePictureWidth - 20, kPagePictureHeight - 30);
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
  p.setBrush(QColor(0xF4, 0xF4, 0xF4));
  p.drawRect(sheet);
  p.drawLine(sheet.left() + 10, 10, sheet.right() - 10, 10);  // the feed slot
  const bool landscape = Orientation == kEnvelopeLandscape;
  const int ew = landscape ? 44 : 72, eh = landscape ? 72 : 44;
  int left = sheet.left() + 2;
  if (Position == kFeedRight) left = sheet.right() - ew - 2;
  if (Position == kFeedCenter) left = sheet.left() + sheet.width() / 2 - ew / 2;
  const QRect env(left, sheet.top() + 2, ew, eh);
  p.setBrush(Facing == kFaceUp ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xE8, 0xDC, 0xC0));
  p.setPen(QPen(Qt::black, 1));
  p.drawRect(env);
  if (Facing == kFaceUp) {
    // Stamp corner and address lines on the face.
    const bool turned = landscape && Clockwise;
    const QRect stamp = !landscape ? QRect(env.right() - 10, env.top() + 3, 7, 7)
                        : turned   ? QRect(env.left() + 3, env.top() + 3, 7, 7)
                                   : QRect(env.right() - 10, env.bottom() - 10, 7, 7);
    p.fillRect(stamp, QColor(0xC0, 0x30, 0x30));
    for (int i = 0; i < 3; ++i) {
      if (landscape) {
        p.drawLine(env.center().x() - 4 + i * 4, env.top() + 24, env.center().x() - 4 + i * 4,
                   env.bottom() - 20);
      } else {
        p.drawLine(env.left() + 24, env.center().y() - 4 + i * 4, env.right() - 20,
                   env.center().y() - 4 + i * 4);
      }
    }
  } else {
    // The flap on the back, on the side the envelope's top edge is.
    const bool turned = landscape && Clockwise;
    QPolygon flap;
    if (!landscape) {
      flap << env.topLeft() << QPoint(env.center().x(), env.top() + eh / 2) << env.topRight();
    } else if (turned) {
      flap << env.topRight() << QPoint(env.right() - ew / 2, env.center().y()) << env.bottomRight();
    } else {
      flap << env.topLeft() << QPoint(env.left() + ew / 2, env.center().y()) << env.bottomLeft();
    }
    p.drawPolyline(flap);
  }
  p.end();
  PagePicture->setPixmap(page);
}

void TEnvelopeDesigner::ChooseEnvelopeButtonClick() {
  EnvelopeSizeChoice choice;
  if (ChooseEnvelopeSize(this, SizeDirectory, Setup.envelopeName, &choice) &&
      choice.name != Setup.envelopeName) {
    Setup.envelopeName = choice.name.left(20);
    Setup.envelopeWidth = choice.width;
    Setup.envelopeHeight = choice.height;
    H = TowardZero(P * choice.height);
    W = TowardZero(P * choice.width);
    EnvelopeNameLabel->setText(Setup.envelopeName);
    EnvelopeImage->setFixedSize(Shown(W) + 2 * kMargin, Shown(H) + 2 * kMargin);
    Adjustfornewenvelopesize();
  }
  EnvelopeImage->update();
}

void TEnvelopeDesigner::Adjustfornewenvelopesize() {
  if (H == PrevH && W == PrevW) return;
  ReturnPlace = QPoint(TowardZero(P * 0.25), TowardZero(P * 0.25));
  MessagePlace = QPoint(TowardZero(P * 0.25), H - TowardZero(P * 0.5));
  DeliveryPlace = QPoint(W / 3, H / 2);
  EnvelopeImage->update();
  PrevH = H;
  PrevW = W;
}

void TEnvelopeDesigner::ChooseFont(EnvelopeItem item) {
  QString* name = &Setup.deliveryBlock.fontName;
  int* size = &Setup.deliveryBlock.fontSize;
  bool *bold = &Setup.deliveryBlock.bold, *italic = &Setup.deliveryBlock.italic;
  if (item == EnvelopeItem::Return) {
    name = &Setup.returnBlock.fontName;
    size = &Setup.returnBlock.fontSize;
    bold = &Setup.returnBlock.bold;
    italic = &Setup.returnBlock.italic;
  } else if (item == EnvelopeItem::Message) {
    name = &Setup.messageBlock.fontName;
    size = &Setup.messageBlock.fontSize;
    bold = &Setup.messageBlock.bold;
    italic = &Setup.messageBlock.italic;
  }
  QFont font(*name);
  font.setPointSize(std::max(1, *size));
  font.setBold(*bold);
  font.setItalic(*italic);
  if (!Dialogs().chooseFont(this, &font)) return;
  *name = font.family().left(50);
  *size = std::max(1, font.pointSize());
  *bold = font.bold();
  *italic = font.italic();
  EnvelopeImage->update();
}

void TEnvelopeDesigner::ChooseText(EnvelopeItem item) {
  if (item == EnvelopeItem::Message) {
    QString text = MessageText;
    if (Dialogs().inputText(this, QStringLiteral("Message"), QStringLiteral("Message Text"), &text)) {
      MessageText = text;
    }
  } else if (item == EnvelopeItem::Return) {
    // Lines the setup cannot hold are refused, with the user's text offered again.
    QStringList lines = ReturnLines;
    while (Dialogs().inputLines(this, QStringLiteral("Return Address"), &lines)) {
      const QString problem = ReturnAddressProblem(lines);
      if (problem.isEmpty()) {
        while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        ReturnLines = lines;
        break;
      }
      Dialogs().information(this, problem);
    }
  }
  EnvelopeImage->update();
}

void TEnvelopeDesigner::FirstButtonClick() {
  if (m_contacts && m_contacts->active() && !m_contacts->first()) {
    Dialogs().information(this, m_contacts->failureMessage());
  }
  ComposeAddress();
  EnvelopeImage->update();
}

void TEnvelopeDesigner::PriorButtonClick() {
  if (m_contacts && m_contacts->active()) {
    bool moved = m_contacts->prior();
    if (moved && m_contacts->bof()) moved = m_contacts->first();
    if (!moved) Dialogs().information(this, m_contacts->failureMessage());
  }
  ComposeAddress();
  EnvelopeImage->update();
}

void TEnvelopeDesigner::NextButtonClick() {
  if (m_contacts && m_contacts->active()) {
    bool moved = m_contacts->next();
    // Past the last record there is no address to show: stay on the last.
    if (moved && m_contacts->eof()) moved = m_contacts->last();
    if (!moved) Dialogs().information(this, m_contacts->failureMessage());
  }
  ComposeAddress();
  EnvelopeImage->update();
}

void TEnvelopeDesigner::LastButtonClick() {
  if (m_contacts && m_contacts->active() && !m_contacts->last()) {
    Dialogs().information(this, m_contacts->failureMessage());
  }
  ComposeAddress();
  EnvelopeImage->update();
}

void TEnvelopeDesigner::OkButtonClick() {
  if (DescriptionEdit->text().trimmed().isEmpty()) {
    Dialogs().information(this,
                          QStringLiteral("Please enter a description for this Envelope Setup record"));
    return;
  }
  UpDateEnvelopeSetupRecord();
  accept();
}

}  // namespace qv
