#include "labels/windows/label_designer.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "labels/imb.h"
#include "labels/postnet.h"
#include "labels/windows/select_label.h"
#include "render/report_fonts.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

// ---- screen arithmetic ---------------------------------------------------------

namespace {

// Far beyond any label, small enough that no sum of them overflows an int;
// a damaged record's offset cannot do more than push the text off the label.
constexpr double kMaxPixels = 100000;

constexpr int kMinFontSize = 6;
constexpr int kMaxFontSize = 36;
// The font dialog offers a narrower range than the size buttons reach.
constexpr int kMinChosenSize = 8;
constexpr int kMaxChosenSize = 24;
// The label's outline is a rectangle with rounded corners of this size.
constexpr qreal kCornerSize = 20;

double ClampPixels(double pixels) {
  if (std::isnan(pixels)) return 0;
  return std::clamp(pixels, -kMaxPixels, kMaxPixels);
}

// A POSTNET code of a ZIP+4: 62 bars at a 4 pixel pitch fill the 248
// pixels exactly.
const QImage& BarCodePicture() {
  static const QImage picture = [] {
    QImage image(kBarCodePictureWidth, kBarCodePictureHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const std::vector<bool> bars = PostnetBars(BarCodeText(QStringLiteral("12345-6789"), {}));
    const int pitch = bars.empty() ? 1 : std::max(1, kBarCodePictureWidth / int(bars.size()));
    const int shortBar = kBarCodePictureHeight / 2;
    for (size_t i = 0; i < bars.size(); ++i) {
      const int height = bars[i] ? kBarCodePictureHeight : shortBar;
      p.fillRect(int(i) * pitch, kBarCodePictureHeight - height, pitch / 2, height, Qt::black);
    }
    return image;
  }();
  return picture;
}

// An Intelligent Mail barcode of the published test case, 65 bars at a
// 3 pixel pitch with the tracker a third of the height.
const QImage& ImbPicture() {
  static const QImage picture = [] {
    QImage image(kBarCodePictureWidth, kBarCodePictureHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const QString bars = ImbBars(QStringLiteral("01234567094987654321"),
                                 QStringLiteral("01234567891"), nullptr);
    const int h = kBarCodePictureHeight, third = h / 3;
    for (int i = 0; i < bars.size(); ++i) {
      const QChar s = bars[i];
      const int top = s == QLatin1Char('F') || s == QLatin1Char('A') ? 0 : third;
      const int bottom = s == QLatin1Char('F') || s == QLatin1Char('D') ? h : h - third;
      p.fillRect(i * 3, top, 2, bottom - top, Qt::black);
    }
    return image;
  }();
  return picture;
}

}  // namespace

int InchesToPixels(double inches, int pixelsPerInch) {
  return int(std::trunc(ClampPixels(double(pixelsPerInch) * inches)));
}

int LabelSizeToPixels(double inches, int pixelsPerInch) {
  const double pixels = std::nearbyint(ClampPixels(double(pixelsPerInch) * inches));
  return std::clamp(int(pixels), 1, kMaxLabelPixels);
}

float PixelsToInches(int pixels, int pixelsPerInch) {
  if (pixelsPerInch <= 0) return 0;
  return float(double(pixels) / double(pixelsPerInch));
}

int BarCodeRise(int pixelsPerInch) { return InchesToPixels(kBarCodeAboveText, pixelsPerInch); }

int BarCodeClearance(int pixelsPerInch) { return InchesToPixels(0.205, pixelsPerInch); }

int MoveUp(int textY, int pixelsPerInch, bool barCode) {
  const int limit = barCode ? BarCodeClearance(pixelsPerInch) : 1;
  return textY > limit + 2 ? textY - 2 : textY;
}

int MoveLeft(int textX, int step) { return textX - step >= 1 ? textX - step : textX; }

int HorizontalStep(int repeats) { return repeats >= 2 ? 4 : 1; }

int HomeX() { return 5; }

int HomeY(int pixelsPerInch, bool barCode) {
  return barCode ? BarCodeClearance(pixelsPerInch) + 2 : 7;
}

double CpiOfFontName(const QString& fontName) {
  static const QRegularExpression cpi(QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*CPI"),
                                      QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = cpi.match(fontName);
  if (!m.hasMatch()) return 0;
  const double value = m.captured(1).toDouble();
  return value > 1.5 ? value : 0;
}

int CpiCharWidth(int pixelsPerInch, double cpi) {
  return int(std::trunc(double(pixelsPerInch) / (cpi - 1.5)));
}

QFont SampleFont(const QString& name, int size, bool bold, bool italic, int pixelsPerInch) {
  const int height = std::clamp(int(ClampPixels(double(size) * pixelsPerInch / 72)), 1, 2000);
  const double cpi = CpiOfFontName(name);
  if (cpi <= 0) {
    // The face the printed label uses, so the sample measures the same.
    QFont font(ResolveFontFamily(name));
    font.setPixelSize(height);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
  }
  // A printer font has no screen face: a fixed-pitch face of the same
  // height, stretched to the width the printer gives each character.
  QFont font;
  font.setFamilies({name, ResolveFontFamily(QStringLiteral("Courier New")),
                    QStringLiteral("monospace")});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(height);
  font.setWeight(name.contains(QLatin1String("BOLD"), Qt::CaseInsensitive) ? QFont::Bold
                                                                           : QFont::Normal);
  const double natural = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
  const int width = CpiCharWidth(pixelsPerInch, cpi);
  if (natural > 0 && width > 0) {
    font.setStretch(std::clamp(int(std::lround(100.0 * width / natural)), 1, 4000));
  }
  return font;
}

int SampleLineHeight(int size, int pixelsPerInch) {
  return std::max(1, int(ClampPixels(double(size) * pixelsPerInch / 60)));
}

QString FontInfoText(const QString& name, int size, bool bold, bool italic) {
  QString text = name + QLatin1Char(',') + QString::number(size) + QLatin1String(" pt.");
  if (bold) text += QLatin1String(", Bold");
  if (italic) text += QLatin1String(", Italic");
  return text;
}

// ---- the window ----------------------------------------------------------------

TDesignLabel::TDesignLabel(TableObject* contacts, QWidget* parent)
    : QDialog(parent), PixelsPerInch(logicalDpiY() > 0 ? logicalDpiY() : 96), m_contacts(contacts) {
  setWindowTitle(QStringLiteral("Label Setup "));
  setModal(true);
  BuildControls();
}

void TDesignLabel::BuildControls() {
  DescriptionEdit = new QLineEdit(this);
  DescriptionEdit->setMaxLength(50);

  LabelDefinitionLabel = new QLabel(this);
  ChooseLabelButton = new QPushButton(QStringLiteral("Choose or Define Label"), this);
  auto* stockBox = new QGroupBox(QStringLiteral("Label Definition"), this);
  auto* stockLayout = new QVBoxLayout(stockBox);
  stockLayout->addWidget(LabelDefinitionLabel);
  stockLayout->addWidget(ChooseLabelButton);

  auto check = [this](const char* text) { return new QCheckBox(QString::fromLatin1(text), this); };
  NameCheck = check("Name");
  TitleCheck = check("Title");
  CompanyCheck = check("Organization");
  StreetCheck = check("Street");
  CityStateCheck = check("City, State");
  ZipCheck = check("Zip/Postal code");
  PhoneCheck = check("Phone");
  CountryCheck = check("Country");
  BarCodeCheck = check("POSTNET Bar Code");
  BarCodeKindBox = new QComboBox(this);
  BarCodeKindBox->addItems({QStringLiteral("POSTNET"), QStringLiteral("Intelligent Mail")});
  BarCodeKindBox->setToolTip(QStringLiteral("The bar code printed above the address"));
  UpperCaseCheck = check("Uppercase");
  TrimTextCheck = check("Trim text to fit label");
  auto* contentBox = new QGroupBox(QStringLiteral("Print"), this);
  auto* contentLayout = new QGridLayout(contentBox);
  QCheckBox* const lines[] = {NameCheck,      TitleCheck, CompanyCheck, StreetCheck,
                              CityStateCheck, ZipCheck,   PhoneCheck,   CountryCheck};
  for (int i = 0; i < 8; ++i) contentLayout->addWidget(lines[i], i % 4, i / 4);
  contentLayout->addWidget(BarCodeCheck, 4, 0);
  contentLayout->addWidget(UpperCaseCheck, 4, 1);
  contentLayout->addWidget(TrimTextCheck, 5, 0, 1, 2);
  contentLayout->addWidget(BarCodeKindBox, 6, 0, 1, 2);

  AfterStateRadio = new QRadioButton(QStringLiteral("After state"), this);
  BeforeCityRadio = new QRadioButton(QStringLiteral("Before city"), this);
  AfterCountryRadio = new QRadioButton(QStringLiteral("After country"), this);
  BeforeCountryRadio = new QRadioButton(QStringLiteral("Before country"), this);
  auto* zipGroup = new QButtonGroup(this);
  auto* zipBox = new QGroupBox(QStringLiteral("Zip/Postal code position"), this);
  auto* zipLayout = new QGridLayout(zipBox);
  for (int option = kZipAfterState; option <= kZipBeforeCountry; ++option) {
    zipGroup->addButton(ZipRadio(option), option);
    zipLayout->addWidget(ZipRadio(option), (option - 1) / 2, (option - 1) % 2);
  }

  FontLabel = new QLabel(this);
  ChooseFontButton = new QPushButton(QStringLiteral("Choose Font"), this);
  SmallerButton = new QPushButton(QStringLiteral("Smaller"), this);
  BiggerButton = new QPushButton(QStringLiteral("Bigger"), this);
  auto* fontBox = new QGroupBox(QStringLiteral("Font"), this);
  auto* fontLayout = new QGridLayout(fontBox);
  fontLayout->addWidget(FontLabel, 0, 0, 1, 3);
  fontLayout->addWidget(ChooseFontButton, 1, 0);
  fontLayout->addWidget(SmallerButton, 1, 1);
  fontLayout->addWidget(BiggerButton, 1, 2);

  LabelView = new QLabel;
  LabelView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(LabelView);
  scroll->setWidgetResizable(false);
  scroll->setMinimumSize(420, 220);
  scroll->setBackgroundRole(QPalette::Mid);

  UpButton = new QPushButton(QStringLiteral("Up"), this);
  DownButton = new QPushButton(QStringLiteral("Down"), this);
  LeftButton = new QPushButton(QStringLiteral("Left"), this);
  RightButton = new QPushButton(QStringLiteral("Right"), this);
  HomeButton = new QPushButton(QStringLiteral("Home"), this);
  for (QPushButton* b : {UpButton, DownButton}) {
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(50);
    b->setAutoRepeatInterval(25);
  }
  for (QPushButton* b : {LeftButton, RightButton}) {
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(100);
    b->setAutoRepeatInterval(5);
  }
  auto* moveBox = new QGroupBox(QStringLiteral("Text Position"), this);
  auto* moveLayout = new QGridLayout(moveBox);
  moveLayout->addWidget(UpButton, 0, 1);
  moveLayout->addWidget(LeftButton, 1, 0);
  moveLayout->addWidget(HomeButton, 1, 1);
  moveLayout->addWidget(RightButton, 1, 2);
  moveLayout->addWidget(DownButton, 2, 1);

  FirstButton = new QPushButton(QStringLiteral("First"), this);
  PriorButton = new QPushButton(QStringLiteral("Prior"), this);
  NextButton = new QPushButton(QStringLiteral("Next"), this);
  LastButton = new QPushButton(QStringLiteral("Last"), this);
  auto* navigator = new QHBoxLayout;
  for (QPushButton* b : {FirstButton, PriorButton, NextButton, LastButton}) {
    b->setAutoDefault(false);
    navigator->addWidget(b);
  }

  SaveButton = new QPushButton(QStringLiteral("Save"), this);
  SaveButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  for (QPushButton* b :
       {UpButton, DownButton, LeftButton, RightButton, HomeButton, ChooseFontButton, SmallerButton,
        BiggerButton, ChooseLabelButton, CancelButton}) {
    b->setAutoDefault(false);
  }
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch();
  closeRow->addWidget(SaveButton);
  closeRow->addWidget(CancelButton);

  auto* descriptionRow = new QHBoxLayout;
  descriptionRow->addWidget(new QLabel(QStringLiteral("Description"), this));
  descriptionRow->addWidget(DescriptionEdit);

  auto* left = new QVBoxLayout;
  left->addWidget(stockBox);
  left->addWidget(contentBox);
  left->addWidget(zipBox);
  left->addWidget(fontBox);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(scroll, 1);
  right->addLayout(navigator);
  right->addWidget(moveBox, 0, Qt::AlignHCenter);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(descriptionRow);
  layout->addLayout(columns, 1);
  layout->addLayout(closeRow);

  for (QCheckBox* c : {NameCheck, TitleCheck, CompanyCheck, StreetCheck, CityStateCheck, PhoneCheck,
                       CountryCheck, UpperCaseCheck, TrimTextCheck}) {
    connect(c, &QCheckBox::toggled, this, &TDesignLabel::ContentsChange);
  }
  for (int option = kZipAfterState; option <= kZipBeforeCountry; ++option) {
    connect(ZipRadio(option), &QRadioButton::toggled, this, [this](bool on) {
      if (on) ContentsChange();
    });
  }
  connect(ZipCheck, &QCheckBox::toggled, this, &TDesignLabel::ZipCheckClick);
  connect(BarCodeCheck, &QCheckBox::toggled, this, &TDesignLabel::BarCodeCheckClick);
  connect(BarCodeKindBox, &QComboBox::currentIndexChanged, this, &TDesignLabel::ContentsChange);
  connect(UpButton, &QPushButton::clicked, this, &TDesignLabel::UpButtonClick);
  connect(DownButton, &QPushButton::clicked, this, &TDesignLabel::DownButtonClick);
  connect(LeftButton, &QPushButton::clicked, this, &TDesignLabel::LeftButtonClick);
  connect(RightButton, &QPushButton::clicked, this, &TDesignLabel::RightButtonClick);
  connect(HomeButton, &QPushButton::clicked, this, &TDesignLabel::HomeButtonClick);
  connect(ChooseFontButton, &QPushButton::clicked, this, &TDesignLabel::ChooseFontButtonClick);
  connect(SmallerButton, &QPushButton::clicked, this, &TDesignLabel::SmallerButtonClick);
  connect(BiggerButton, &QPushButton::clicked, this, &TDesignLabel::BiggerButtonClick);
  connect(ChooseLabelButton, &QPushButton::clicked, this, &TDesignLabel::ChooseLabelButtonClick);
  connect(FirstButton, &QPushButton::clicked, this, &TDesignLabel::FirstButtonClick);
  connect(PriorButton, &QPushButton::clicked, this, &TDesignLabel::PriorButtonClick);
  connect(NextButton, &QPushButton::clicked, this, &TDesignLabel::NextButtonClick);
  connect(LastButton, &QPushButton::clicked, this, &TDesignLabel::LastButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &TDesignLabel::SaveButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TDesignLabel::reject);
}

QRadioButton* TDesignLabel::ZipRadio(int option) const {
  switch (option) {
    case kZipBeforeCity:
      return BeforeCityRadio;
    case kZipAfterCountry:
      return AfterCountryRadio;
    case kZipBeforeCountry:
      return BeforeCountryRadio;
    default:
      return AfterStateRadio;
  }
}

int TDesignLabel::CheckedZipOption() const {
  for (int option = kZipAfterState; option <= kZipBeforeCountry; ++option) {
    if (ZipRadio(option)->isChecked()) return option;
  }
  return kZipAfterState;
}

void TDesignLabel::showEvent(QShowEvent* event) {
  FormActivate();
  QDialog::showEvent(event);
}

void TDesignLabel::FormActivate() {
  if (!m_firstActivation) return;
  m_firstActivation = false;
  m_entrySetup = Setup;
  m_initializing = true;
  setWindowTitle(QStringLiteral("Label Setup "));
  InitFromLabelSetupRecord();
  NameCheck->setChecked(Content.name);
  TitleCheck->setChecked(Content.title);
  CompanyCheck->setChecked(Content.company);
  StreetCheck->setChecked(Content.street);
  CityStateCheck->setChecked(Content.cityState);
  ZipCheck->setChecked(Content.zip);
  PhoneCheck->setChecked(Content.phone);
  CountryCheck->setChecked(Content.country);
  BarCodeCheck->setChecked(Content.barCode);
  BarCodeKindBox->setCurrentIndex(Setup.intelligentMail ? 1 : 0);
  BarCodeKindBox->setEnabled(Content.barCode);
  UpperCaseCheck->setChecked(Content.upperCase);
  TrimTextCheck->setChecked(TrimText);
  for (int option = kZipAfterState; option <= kZipBeforeCountry; ++option) {
    ZipRadio(option)->setEnabled(Content.zip);
  }
  ZipRadio(Content.zipOption)->setChecked(true);
  DisplayFontInfo();
  m_initializing = false;
  // Sizing again after the flags clears a bar code a narrow stock cannot take.
  SetLabelSizeFromInches(Setup.labelWidth, Setup.labelHeight);
  LabelDefinitionLabel->setText(Setup.stockDescription);
}

void TDesignLabel::InitFromLabelSetupRecord() {
  DescriptionEdit->setText(Setup.description);
  SetLabelSizeFromInches(Setup.labelWidth, Setup.labelHeight);
  FontName = Setup.fontName;
  FontSize = Setup.fontSize;
  FontBold = Setup.bold;
  FontItalic = Setup.italic;
  TextX = InchesToPixels(Setup.xOffset, PixelsPerInch);
  TextY = InchesToPixels(Setup.yOffset, PixelsPerInch);
  BarCodeFollows();
  Content = Setup.address;
  if (Content.zipOption < kZipAfterState || Content.zipOption > kZipBeforeCountry) {
    Content.zipOption = kZipAfterState;
  }
  TrimText = Setup.trimText;
}

void TDesignLabel::UpDateLabelSetupRecord() {
  Setup.description = DescriptionEdit->text().left(50);
  Setup.fontName = FontName.left(50);
  Setup.fontSize = FontSize;
  Setup.bold = FontBold;
  Setup.italic = FontItalic;
  Setup.xOffset = PixelsToInches(TextX, PixelsPerInch);
  Setup.yOffset = PixelsToInches(TextY, PixelsPerInch);
  Setup.address = Content;
  Setup.intelligentMail = Content.barCode && BarCodeKindBox->currentIndex() == 1;
  Setup.trimText = TrimText;
}

void TDesignLabel::SetLabelSizeFromInches(double width, double height) {
  LabelWidth = LabelSizeToPixels(width, PixelsPerInch);
  LabelHeight = LabelSizeToPixels(height, PixelsPerInch);
  // The bar code picture needs a label of at least 3 inches.
  const bool wide = width >= 3.0;
  BarCodeCheck->setEnabled(wide);
  if (!wide) {
    Content.barCode = false;
    const bool was = m_initializing;
    m_initializing = true;  // the redraw follows below, once
    BarCodeCheck->setChecked(false);
    m_initializing = was;
  }
  if (!m_initializing) ResizeLabel();
}

void TDesignLabel::ChangeLabelDef(const LabelRecord& definition) {
  const LabelGeometry& g = definition.geometry;
  ApplyLabelGeometry(g, QString::fromStdString(definition.paper_size),
                     QString::fromStdString(definition.printer), &Setup);
  LabelDefinitionLabel->setText(Setup.stockDescription);
  SetLabelSizeFromInches(g.width, g.height);
}

// ---- drawing -------------------------------------------------------------------

void TDesignLabel::ResizeLabel() {
  m_image = QImage(LabelWidth, LabelHeight, QImage::Format_ARGB32_Premultiplied);
  LabelView->resize(LabelWidth, LabelHeight);
  DrawLabel();
}

void TDesignLabel::EraseLabel() {
  if (m_image.size() != QSize(LabelWidth, LabelHeight)) {
    m_image = QImage(LabelWidth, LabelHeight, QImage::Format_ARGB32_Premultiplied);
  }
  m_image.fill(QColor(0xC0, 0xC0, 0xC0));
}

void TDesignLabel::DrawLabel() {
  if (m_initializing) return;
  EraseLabel();
  m_lines.clear();
  if (m_contacts && m_contacts->active() && !m_contacts->isEmpty() && !m_contacts->eof()) {
    ComposeAddressLines(*m_contacts, Content, &m_lines);
  }
  WriteLabelText();
  LabelView->setPixmap(QPixmap::fromImage(m_image));
  LabelView->resize(m_image.size());
}

void TDesignLabel::WriteLabelText() {
  QPainter p(&m_image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  // Corner size is the corner ellipse's diameter; Qt takes its radius.
  p.drawRoundedRect(QRectF(0.5, 0.5, LabelWidth - 1, LabelHeight - 1), kCornerSize / 2,
                    kCornerSize / 2);
  QPainterPath inside;
  inside.addRoundedRect(QRectF(1, 1, LabelWidth - 2, LabelHeight - 2), kCornerSize / 2,
                        kCornerSize / 2);
  p.setClipPath(inside);

  m_drawnFont = SampleFont(FontName, FontSize, FontBold, FontItalic, PixelsPerInch);
  p.setFont(m_drawnFont);
  const int lineHeight = SampleLineHeight(FontSize, PixelsPerInch);
  int baseline = TextY + lineHeight - p.fontMetrics().descent();
  for (const QString& line : m_lines) {
    p.drawText(TextX, baseline, line);
    baseline += lineHeight;
  }
  if (Content.barCode) {
    p.drawImage(BarCodeX, BarCodeY,
                BarCodeKindBox->currentIndex() == 1 ? ImbPicture() : BarCodePicture());
  }
}

void TDesignLabel::ContentsChange() {
  if (m_initializing) return;
  Content.name = NameCheck->isChecked();
  Content.title = TitleCheck->isChecked();
  Content.company = CompanyCheck->isChecked();
  Content.street = StreetCheck->isChecked();
  Content.cityState = CityStateCheck->isChecked();
  Content.zip = ZipCheck->isChecked();
  Content.phone = PhoneCheck->isChecked();
  Content.country = CountryCheck->isChecked();
  Content.barCode = BarCodeCheck->isChecked();
  BarCodeKindBox->setEnabled(Content.barCode);
  Content.zipOption = CheckedZipOption();
  Content.upperCase = UpperCaseCheck->isChecked();
  TrimText = TrimTextCheck->isChecked();
  DrawLabel();
}

void TDesignLabel::DisplayFontInfo() {
  FontLabel->setText(FontInfoText(FontName, FontSize, FontBold, FontItalic));
}

// ---- text position -------------------------------------------------------------

void TDesignLabel::BarCodeFollows() {
  BarCodeX = TextX;
  BarCodeY = TextY - BarCodeRise(PixelsPerInch);
}

void TDesignLabel::UpButtonClick() {
  TextY = MoveUp(TextY, PixelsPerInch, Content.barCode);
  BarCodeFollows();
  DrawLabel();
}

void TDesignLabel::DownButtonClick() {
  TextY = int(ClampPixels(double(TextY) + 2));
  BarCodeFollows();
  DrawLabel();
}

void TDesignLabel::MoveHorizontally(QAbstractButton* button, int direction) {
  // A click while the button is still down is an auto-repeat; the click of
  // its release ends the run.
  if (button != m_repeatButton) {
    m_repeatButton = button;
    m_repeats = 0;
  }
  const bool repeating = button->isDown();
  if (repeating) ++m_repeats;
  const int step = HorizontalStep(m_repeats);
  if (!repeating) m_repeats = 0;
  TextX = direction < 0 ? MoveLeft(TextX, step) : int(ClampPixels(double(TextX) + step));
  BarCodeFollows();
  DrawLabel();
}

void TDesignLabel::LeftButtonClick() { MoveHorizontally(LeftButton, -1); }

void TDesignLabel::RightButtonClick() { MoveHorizontally(RightButton, 1); }

void TDesignLabel::HomeButtonClick() {
  TextX = HomeX();
  TextY = HomeY(PixelsPerInch, Content.barCode);
  BarCodeFollows();
  DrawLabel();
}

void TDesignLabel::BarCodeCheckClick() {
  if (m_initializing) return;
  // The text starting within the picture's height would run into the bars.
  if (BarCodeCheck->isChecked() && TextY <= kBarCodePictureHeight) {
    TextY = BarCodeClearance(PixelsPerInch);
  }
  BarCodeFollows();
  ContentsChange();
}

void TDesignLabel::ZipCheckClick() {
  const bool on = ZipCheck->isChecked();
  for (int option = kZipAfterState; option <= kZipBeforeCountry; ++option) {
    ZipRadio(option)->setEnabled(on);
  }
  ContentsChange();
}

// ---- font ----------------------------------------------------------------------

void TDesignLabel::ChooseFontButtonClick() {
  QFont font(FontName);
  font.setPointSize(FontSize > 0 ? FontSize : 10);
  font.setBold(FontBold);
  font.setItalic(FontItalic);
  if (!Dialogs().chooseFont(this, &font)) return;
  FontName = font.family();
  if (font.pointSize() > 0) {
    FontSize = std::clamp(font.pointSize(), kMinChosenSize, kMaxChosenSize);
    // Qt's font dialog cannot be held to the range, so the size is.
    if (FontSize != font.pointSize()) {
      Dialogs().information(this, QStringLiteral("Choose a font size from %1 to %2 points; the "
                                                  "size is set to %3.")
                                      .arg(kMinChosenSize)
                                      .arg(kMaxChosenSize)
                                      .arg(FontSize));
    }
  }
  FontBold = font.bold();
  FontItalic = font.italic();
  DisplayFontInfo();
  DrawLabel();
}

void TDesignLabel::SmallerButtonClick() {
  if (FontSize <= kMinFontSize) {
    Dialogs().beep();
    return;
  }
  --FontSize;
  DisplayFontInfo();
  DrawLabel();
}

void TDesignLabel::BiggerButtonClick() {
  if (FontSize >= kMaxFontSize) {
    Dialogs().beep();
    return;
  }
  ++FontSize;
  DisplayFontInfo();
  DrawLabel();
}

// ---- stock, navigator, closing -------------------------------------------------

void TDesignLabel::ChooseLabelButtonClick() {
  LabelRecord chosen;
  const bool picked =
      ChooseDefinition
          ? ChooseDefinition(Setup.stockDescription, Setup.printerType, &chosen)
          : ChooseLabelDefinition(this, QString(), Setup.stockDescription, Setup.printerType,
                                  &chosen);
  if (picked) ChangeLabelDef(chosen);
}

void TDesignLabel::FirstButtonClick() {
  if (m_contacts && !m_contacts->first()) {
    Dialogs().information(this, m_contacts->failureMessage());
  }
  DrawLabel();
}

void TDesignLabel::PriorButtonClick() {
  if (m_contacts) {
    bool moved = m_contacts->prior();
    if (moved && m_contacts->bof()) moved = m_contacts->first();
    if (!moved) Dialogs().information(this, m_contacts->failureMessage());
  }
  DrawLabel();
}

void TDesignLabel::NextButtonClick() {
  if (m_contacts) {
    bool moved = m_contacts->next();
    // Past the last record there is nothing to show: stay on the last.
    if (moved && m_contacts->eof()) moved = m_contacts->last();
    if (!moved) Dialogs().information(this, m_contacts->failureMessage());
  }
  DrawLabel();
}

void TDesignLabel::LastButtonClick() {
  if (m_contacts && !m_contacts->last()) {
    Dialogs().information(this, m_contacts->failureMessage());
  }
  DrawLabel();
}

void TDesignLabel::SaveButtonClick() {
  FormActivate();
  if (DescriptionEdit->text().trimmed().isEmpty()) {
    Dialogs().information(this,
                          QStringLiteral("Please enter a description for this Label Setup record"));
    return;
  }
  UpDateLabelSetupRecord();
  accept();
}

void TDesignLabel::reject() {
  if (!m_firstActivation) Setup = m_entrySetup;
  QDialog::reject();
}

}  // namespace qv
