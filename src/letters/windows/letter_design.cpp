// The letter designer and Page Properties. The page view draws the
// document at true size: the document is laid out in twips and the view
// scales twips to screen pixels, so what the designer shows breaks where
// the printer breaks.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QGraphicsSceneMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QScreen>
#include <QTextBlock>
#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "letters/merge.h"
#include "letters/windows/letter_windows.h"
#include "richtext/rtf.h"
#include "store/output_file.h"
#include "ui/dialogs.h"

namespace qv {

// ---- ruler -------------------------------------------------------------------

LetterRuler::LetterRuler(QWidget* parent) : QWidget(parent) { setMinimumHeight(24); }

void LetterRuler::setPage(const PageLayout& layout, double scale, int offset) {
  m_layout = layout;
  m_scale = scale;
  m_offset = offset;
  update();
}

void LetterRuler::setTabs(const QList<int>& tabs) {
  m_tabs = tabs;
  update();
}

void LetterRuler::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const double x0 = m_offset;
  const double w = m_layout.width * m_scale;
  p.fillRect(QRectF(x0, 4, w, height() - 8), Qt::lightGray);
  p.fillRect(QRectF(x0 + m_layout.left * m_scale, 4, m_layout.textWidth() * m_scale, height() - 8),
             Qt::white);
  p.setPen(Qt::black);
  // A tick every eighth of an inch, a number every inch.
  for (int t = 0; t <= m_layout.width; t += 180) {
    const double x = x0 + t * m_scale;
    const int len = t % 1440 == 0 ? 10 : (t % 720 == 0 ? 6 : 3);
    p.drawLine(QPointF(x, height() - 4), QPointF(x, height() - 4 - len));
    if (t % 1440 == 0 && t > 0) p.drawText(QPointF(x + 2, 14), QString::number(t / 1440));
  }
  p.setPen(QPen(Qt::darkBlue, 2));
  for (int tab : m_tabs) {
    const double x = x0 + (m_layout.left + tab) * m_scale;
    p.drawLine(QPointF(x, height() - 4), QPointF(x, height() - 12));
    p.drawLine(QPointF(x, height() - 4), QPointF(x + 5, height() - 4));
  }
}

// ---- Page Properties ---------------------------------------------------------------

TWPPageProp::TWPPageProp(RichDocument* doc, QWidget* parent) : QDialog(parent), m_doc(doc) {
  setWindowTitle(QStringLiteral("Page Properties"));
  auto* paper = new QGroupBox(QStringLiteral(" Paper Size "));
  auto* pf = new QFormLayout(paper);
  WidthEdit = new QLineEdit;
  HeightEdit = new QLineEdit;
  pf->addRow(QStringLiteral("Width"), WidthEdit);
  pf->addRow(QStringLiteral("Height"), HeightEdit);
  auto* margins = new QGroupBox(QStringLiteral(" Margins "));
  auto* mf = new QFormLayout(margins);
  TopEdit = new QLineEdit;
  BottomEdit = new QLineEdit;
  LeftEdit = new QLineEdit;
  RightEdit = new QLineEdit;
  mf->addRow(QStringLiteral("Top"), TopEdit);
  mf->addRow(QStringLiteral("Bottom"), BottomEdit);
  mf->addRow(QStringLiteral("Left"), LeftEdit);
  mf->addRow(QStringLiteral("Right"), RightEdit);
  UnitCombo = new QComboBox;
  UnitCombo->addItems({QStringLiteral("Inch"), QStringLiteral("Cm"), QStringLiteral("Twips")});
  auto* ok = new QPushButton(QStringLiteral("OK"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"));
  ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(new QLabel(QStringLiteral("Unit")));
  buttons->addWidget(UnitCombo);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* top = new QHBoxLayout;
  top->addWidget(paper);
  top->addWidget(margins);
  auto* v = new QVBoxLayout(this);
  v->addLayout(top);
  v->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &TWPPageProp::OkButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(UnitCombo, &QComboBox::currentIndexChanged, this, &TWPPageProp::UnitComboChange);
  const QList<QLineEdit*> list = edits();
  for (int i = 0; i < list.size(); ++i) {
    connect(list[i], &QLineEdit::textEdited, this,
            [this, i](const QString& text) { EditChange(i, text); });
  }
  FormActivate();
}

QList<QLineEdit*> TWPPageProp::edits() const {
  return {WidthEdit, HeightEdit, TopEdit, BottomEdit, LeftEdit, RightEdit};
}

void TWPPageProp::FormActivate() {
  const PageLayout l = m_doc->layout();
  const int values[6] = {l.width, l.height, l.top, l.bottom, l.left, l.right};
  std::copy(values, values + 6, m_values);
  UnitCombo->setCurrentIndex(0);
  UnitComboChange();
}

void TWPPageProp::UnitComboChange() {
  m_showing = true;
  const auto unit = PageUnit(UnitCombo->currentIndex());
  const QList<QLineEdit*> list = edits();
  for (int i = 0; i < list.size(); ++i) list[i]->setText(ShowLength(m_values[i], unit));
  m_showing = false;
}

void TWPPageProp::EditChange(int which, const QString& text) {
  if (m_showing) return;
  m_values[which] = ReadLength(text, PageUnit(UnitCombo->currentIndex()));
}

void TWPPageProp::OkButtonClick() {
  PageLayout l = m_doc->layout();
  l.width = m_values[0];
  l.height = m_values[1];
  l.top = m_values[2];
  l.bottom = m_values[3];
  l.left = m_values[4];
  l.right = m_values[5];
  if (l.width < 720 || l.height < 720 || l.textWidth() < 720 || l.textHeight() < 720) {
    Dialogs().information(this, QStringLiteral("The margins leave less than half an inch of "
                                                "the page for the letter."));
    return;
  }
  m_doc->setLayout(l);
  accept();
}

// ---- designer ----------------------------------------------------------------------

namespace {

// The editor on the page; it reports cursor moves by keys and mouse, which
// the document itself does not signal.
class EditorItem : public QGraphicsTextItem {
 public:
  std::function<void()> moved;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    QGraphicsTextItem::keyPressEvent(event);
    if (moved) moved();
  }
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override {
    QGraphicsTextItem::mouseReleaseEvent(event);
    if (moved) moved();
  }
};

// The paper under the text: a click on its margins places the cursor in
// the text nearest to it.
class PaperItem : public QGraphicsRectItem {
 public:
  using QGraphicsRectItem::QGraphicsRectItem;
  std::function<void(const QPointF&)> clicked;

 protected:
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override {
    if (clicked) clicked(event->scenePos());
    event->accept();
  }
};

}  // namespace

TLetterDesign::TLetterDesign(TableObject* contacts, TApollo* apollo, QWidget* parent)
    : QDialog(parent), m_contacts(contacts), m_apollo(apollo) {
  setWindowTitle(QStringLiteral("Letter Designer"));
  Description = new QLineEdit;
  Description->setMaxLength(50);
  InsertFieldCombo = new QComboBox;
  InsertFieldCombo->addItem(QStringLiteral("Insert field"));
  InsertFieldCombo->addItems(InsertFieldNames());
  Ruler = new LetterRuler;
  m_scene = new QGraphicsScene(this);
  PageView = new QGraphicsView(m_scene);
  PageView->setBackgroundBrush(Qt::gray);
  auto* editor = new EditorItem;
  editor->moved = [this] { cursorMoved(); };
  WPRichText1 = editor;
  WPRichText1->setTextInteractionFlags(Qt::TextEditorInteraction);
  m_scene->addItem(WPRichText1);
  ToolBar = new QToolBar;
  buildToolBar();

  SaveButton = new QPushButton(QStringLiteral("&Save"));
  SaveButton->setDefault(true);
  OpenRtfButton = new QPushButton(QStringLiteral("&Open..."));
  OpenRtfButton->setToolTip(QStringLiteral("Takes the text of an RTF file as the letter's text"));
  SaveRtfButton = new QPushButton(QStringLiteral("Save as &RTF..."));
  PageSetupButton = new QPushButton(QStringLiteral("Page Se&tup"));
  PreviewButton = new QPushButton(QStringLiteral("Pre&view"));
  HelpButton = new QPushButton(QStringLiteral("&Help"));
  CancelButton = new QPushButton(QStringLiteral("Cancel"));
  auto* top = new QHBoxLayout;
  auto* descriptionLabel = new QLabel(QStringLiteral("&Description"));
  descriptionLabel->setBuddy(Description);
  top->addWidget(descriptionLabel);
  top->addWidget(Description, 1);
  top->addWidget(InsertFieldCombo);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {SaveButton, OpenRtfButton, SaveRtfButton, PageSetupButton, PreviewButton,
                         HelpButton, CancelButton}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  auto* v = new QVBoxLayout(this);
  v->addLayout(top);
  v->addWidget(ToolBar);
  v->addWidget(Ruler);
  v->addWidget(PageView, 1);
  v->addLayout(buttons);
  resize(900, 700);

  connect(SaveButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(PageSetupButton, &QPushButton::clicked, this, &TLetterDesign::PageSetupClick);
  connect(OpenRtfButton, &QPushButton::clicked, this, &TLetterDesign::OpenRtfClick);
  connect(SaveRtfButton, &QPushButton::clicked, this, &TLetterDesign::SaveRtfClick);
  connect(Description, &QLineEdit::textEdited, this, [this] { m_changed = true; });
  connect(PreviewButton, &QPushButton::clicked, this, &TLetterDesign::PreviewButtonClick);
  connect(HelpButton, &QPushButton::clicked, this,
          [this] { Dialogs().showHelp(this, kHelpLetterDesigner); });
  connect(InsertFieldCombo, &QComboBox::activated, this, &TLetterDesign::FieldClick);
  connect(PageView->horizontalScrollBar(), &QScrollBar::valueChanged, this,
          &TLetterDesign::alignRuler);
  connect(PageView->horizontalScrollBar(), &QScrollBar::rangeChanged, this,
          &TLetterDesign::alignRuler);
  setDocument(RichDocument());
}

TLetterDesign::~TLetterDesign() {
  // The scene goes with this dialog's children, after this object is gone;
  // detaching it from the view resizes the scroll range, which must no
  // longer reach alignRuler.
  PageView->horizontalScrollBar()->disconnect(this);
  // The text loses the focus while its document is still here: the focus
  // change reads the document, which goes before the scene does.
  WPRichText1->clearFocus();
  m_scene->clearFocus();
  m_scene->setFocusItem(nullptr);
}

void TLetterDesign::buildToolBar() {
  FontBox = new QFontComboBox;
  FontBox->setToolTip(QStringLiteral("Font"));
  FontSizeBox = new QComboBox;
  FontSizeBox->setEditable(true);
  FontSizeBox->setToolTip(QStringLiteral("Font Size"));
  for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 36, 48, 72}) {
    FontSizeBox->addItem(QString::number(s));
  }
  ToolBar->addWidget(FontBox);
  ToolBar->addWidget(FontSizeBox);
  connect(FontBox, &QFontComboBox::textActivated, this, [this](const QString& family) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{family});
    mergeFormat(f);
  });
  connect(FontSizeBox, &QComboBox::textActivated, this, [this](const QString& size) {
    const double points = size.toDouble();
    if (points <= 0 || points > 1638) return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeFormat(f);
  });
  auto add = [this](const QString& text, const QString& tip, QKeySequence key, auto&& slot) {
    QAction* a = ToolBar->addAction(text);
    a->setToolTip(tip);
    if (!key.isEmpty()) {
      // The keys work wherever the focus is in the designer, the text above all.
      a->setShortcut(key);
      a->setShortcutContext(Qt::WindowShortcut);
    }
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  ToolBar->addSeparator();
  add(QStringLiteral("B"), QStringLiteral("Bold"), QKeySequence::Bold, [this] {
    QTextCharFormat f;
    f.setFontWeight(WPRichText1->textCursor().charFormat().fontWeight() >= QFont::DemiBold
                        ? QFont::Normal
                        : QFont::Bold);
    mergeFormat(f);
  });
  add(QStringLiteral("I"), QStringLiteral("Italic"), QKeySequence::Italic, [this] {
    QTextCharFormat f;
    f.setFontItalic(!WPRichText1->textCursor().charFormat().fontItalic());
    mergeFormat(f);
  });
  add(QStringLiteral("U"), QStringLiteral("Underline"), QKeySequence::Underline, [this] {
    QTextCharFormat f;
    f.setFontUnderline(!WPRichText1->textCursor().charFormat().fontUnderline());
    mergeFormat(f);
  });
  auto* colour = new QToolButton;
  colour->setText(QStringLiteral("Colour"));
  colour->setToolTip(QStringLiteral("Text Colour"));
  colour->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(colour);
  const std::pair<const char*, QColor> colours[] = {
      {"Black", Qt::black}, {"Red", Qt::red},       {"Green", Qt::darkGreen},
      {"Blue", Qt::blue},   {"Maroon", Qt::darkRed}, {"Grey", Qt::gray}};
  for (const auto& [name, c] : colours) {
    const QColor colourValue = c;
    menu->addAction(QString::fromLatin1(name), this, [this, colourValue] {
      QTextCharFormat f;
      f.setForeground(colourValue);
      mergeFormat(f);
    });
  }
  colour->setMenu(menu);
  ToolBar->addWidget(colour);
  ToolBar->addSeparator();
  const std::pair<const char*, Qt::Alignment> aligns[] = {{"Left", Qt::AlignLeft},
                                                          {"Center", Qt::AlignHCenter},
                                                          {"Right", Qt::AlignRight},
                                                          {"Justify", Qt::AlignJustify}};
  for (const auto& [name, align] : aligns) {
    const Qt::Alignment a = align;
    add(QString::fromLatin1(name), QStringLiteral("Align ") + QString::fromLatin1(name),
        QKeySequence(), [this, a] {
          QTextBlockFormat f;
          f.setAlignment(a);
          WPRichText1->textCursor().mergeBlockFormat(f);
        });
  }
  add(QStringLiteral("Bullets"), QStringLiteral("Bullet List"), QKeySequence(), [this] {
    QTextCursor c = WPRichText1->textCursor();
    if (c.currentList()) {
      c.currentList()->remove(c.block());
    } else {
      // As word processors make one: the text half an inch in, the bullet
      // a quarter inch before it, so the file reads the same elsewhere.
      c.beginEditBlock();
      QTextBlockFormat b = c.blockFormat();
      if (b.leftMargin() < 360) b.setLeftMargin(720);
      b.setTextIndent(0);
      b.setProperty(kListMarkerIndent, -360);
      c.setBlockFormat(b);
      QTextListFormat f;
      f.setStyle(QTextListFormat::ListDisc);
      f.setIndent(0);
      f.setProperty(kListLevel, 0);
      c.createList(f);
      c.endEditBlock();
    }
  });
  ToolBar->addSeparator();
  add(QStringLiteral("Undo"), QStringLiteral("Undo"), QKeySequence(), [this] { m_doc.doc().undo(); });
  add(QStringLiteral("Redo"), QStringLiteral("Redo"), QKeySequence(), [this] { m_doc.doc().redo(); });
  // The selection as rich text and plain text on the clipboard; false
  // without one.
  auto copySelection = [](QTextCursor& c) {
    if (!c.hasSelection()) return false;
    auto* mime = new QMimeData;
    mime->setHtml(c.selection().toHtml());
    mime->setText(c.selectedText());
    QApplication::clipboard()->setMimeData(mime);
    return true;
  };
  add(QStringLiteral("Cut"), QStringLiteral("Cut"), QKeySequence(), [this, copySelection] {
    QTextCursor c = WPRichText1->textCursor();
    if (copySelection(c)) c.removeSelectedText();
  });
  add(QStringLiteral("Copy"), QStringLiteral("Copy"), QKeySequence(), [this, copySelection] {
    QTextCursor c = WPRichText1->textCursor();
    copySelection(c);
  });
  add(QStringLiteral("Paste"), QStringLiteral("Paste"), QKeySequence(), [this] {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime) return;
    QTextCursor c = WPRichText1->textCursor();
    if (mime->hasHtml()) {
      c.insertFragment(QTextDocumentFragment::fromHtml(mime->html()));
    } else {
      c.insertText(mime->text());
    }
  });
}

void TLetterDesign::mergeFormat(const QTextCharFormat& format) {
  QTextCursor c = WPRichText1->textCursor();
  c.mergeCharFormat(format);
  WPRichText1->setTextCursor(c);
  focusText();
}

void TLetterDesign::focusText() {
  // The item's focus inside the scene and the view's in the window: both,
  // or typed keys go to the control last used.
  PageView->setFocus(Qt::OtherFocusReason);
  m_scene->setFocusItem(WPRichText1);
  WPRichText1->setFocus();
}

void TLetterDesign::placeCursorNear(const QPointF& scenePoint) {
  const QPointF local = WPRichText1->mapFromScene(scenePoint);
  const QRectF text = WPRichText1->boundingRect();
  const QPointF inside(std::clamp(local.x(), text.left(), text.right() - 1),
                       std::clamp(local.y(), text.top(), text.bottom() - 1));
  const int at = m_doc.doc().documentLayout()->hitTest(inside, Qt::FuzzyHit);
  if (at >= 0) {
    QTextCursor c = WPRichText1->textCursor();
    c.setPosition(at);
    WPRichText1->setTextCursor(c);
  }
  focusText();
  cursorMoved();
}

bool TLetterDesign::changed() const { return m_changed || m_doc.doc().isModified(); }

void TLetterDesign::reject() {
  if (changed() &&
      !Dialogs().question(this, QStringLiteral("Discard the changes to this letter?"), false)) {
    return;
  }
  QDialog::reject();
}

void TLetterDesign::OpenRtfClick() {
  const QString path = Dialogs().openFileName(
      this, QStringLiteral("Open RTF File"), QDir::homePath(),
      QStringLiteral("Rich Text Files (*.rtf *.RTF);;All Files (*)"));
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    Dialogs().information(this, QStringLiteral("Unable to open ") + QDir::toNativeSeparators(path) +
                                    QStringLiteral(": ") + file.errorString());
    return;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    Dialogs().information(this, QStringLiteral("Unable to read ") + QDir::toNativeSeparators(path) +
                                    QStringLiteral(": ") + file.errorString());
    return;
  }
  RichDocument read;
  const RtfReadResult result = ReadRtf(bytes, &read);
  if (!result.ok) {
    Dialogs().information(this, QDir::toNativeSeparators(path) +
                                    QStringLiteral(" is not a usable RTF file: ") + result.error);
    return;
  }
  if (!m_doc.doc().isEmpty() &&
      !Dialogs().question(this, QStringLiteral("Replace the text of this letter with the file's?"),
                          false)) {
    return;
  }
  setDocument(read);
  m_changed = true;
  focusText();
}

void TLetterDesign::SaveRtfClick() {
  const QString path = Dialogs().saveFileName(
      this, QStringLiteral("Save as RTF File"),
      QDir::homePath() + QLatin1Char('/') + Description->text().trimmed() + QStringLiteral(".rtf"),
      QStringLiteral("Rich Text Files (*.rtf *.RTF)"));
  if (path.isEmpty()) return;
  OutputFile file(path);
  if (!file.open() || !file.put(WriteRtf(document())) || !file.commit()) {
    Dialogs().information(this, QStringLiteral("Unable to write ") +
                                    QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                                    file.reason());
  }
}

void TLetterDesign::setDocument(const RichDocument& doc) {
  // The copy below frees the document the editor shows; let go of it first.
  WPRichText1->setDocument(nullptr);
  m_doc = doc;
  m_doc.doc().setUndoRedoEnabled(true);
  WPRichText1->setDocument(&m_doc.doc());
  connect(&m_doc.doc(), &QTextDocument::cursorPositionChanged, this, &TLetterDesign::cursorMoved);
  layoutPage();
  m_doc.doc().setModified(false);
}

RichDocument TLetterDesign::document() const { return m_doc; }

void TLetterDesign::layoutPage() {
  const PageLayout l = m_doc.layout();
  m_doc.reformat();
  const double dpi = screen() ? screen()->logicalDotsPerInchX() : 96.0;
  m_scale = dpi / kTwipsPerInch;
  delete m_paper;
  const double height = std::max<double>(l.height, m_doc.pageCount() * l.height);
  auto* paper = new PaperItem(0, 0, l.width, height);
  paper->setPen(QPen(Qt::black));
  paper->setBrush(Qt::white);
  paper->clicked = [this](const QPointF& at) { placeCursorNear(at); };
  m_scene->addItem(paper);
  m_paper = paper;
  m_paper->setZValue(-1);
  WPRichText1->setPos(l.left, l.top);
  m_scene->setSceneRect(-200, -200, l.width + 400, height + 400);
  PageView->resetTransform();
  PageView->scale(m_scale, m_scale);
  alignRuler();
  cursorMoved();
}

void TLetterDesign::alignRuler() {
  // The ruler's zero sits over the paper's left edge, wherever the view
  // has centred or scrolled it.
  const QPoint paper = PageView->viewport()->mapTo(this, PageView->mapFromScene(QPointF(0, 0)));
  Ruler->setPage(m_doc.layout(), m_scale, paper.x() - Ruler->x());
}

void TLetterDesign::cursorMoved() {
  const QTextCharFormat f = WPRichText1->textCursor().charFormat();
  const QStringList families = f.fontFamilies().toStringList();
  const QFont font = m_doc.doc().defaultFont();
  FontBox->setCurrentFont(QFont(families.isEmpty() ? font.family() : families.first()));
  const double points = f.fontPointSize() > 0 ? f.fontPointSize() : font.pointSizeF();
  FontSizeBox->setEditText(QString::number(points));
  QList<int> tabs;
  for (const QTextOption::Tab& t : WPRichText1->textCursor().blockFormat().tabPositions()) {
    tabs << qRound(t.position * TwipsPerTabUnit());
  }
  Ruler->setTabs(tabs);
}

void TLetterDesign::FieldClick(int index) {
  if (index <= 0) return;
  QTextCursor c = WPRichText1->textCursor();
  c.insertText(QLatin1Char('[') + InsertFieldCombo->itemText(index) + QLatin1Char(']'));
  WPRichText1->setTextCursor(c);
  InsertFieldCombo->setCurrentIndex(0);
  focusText();
  QApplication::processEvents();
}

void TLetterDesign::PageSetupClick() {
  TWPPageProp dialog(&m_doc, this);
  if (dialog.exec() == QDialog::Accepted) {
    m_changed = true;
    layoutPage();
  }
}

void TLetterDesign::PreviewButtonClick() {
  TRTFPreviewForm preview(m_contacts, m_apollo, this);
  preview.RTFTemplate = document();
  preview.exec();
}

void TLetterDesign::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  // After the page view has placed the paper in its new size.
  QTimer::singleShot(0, this, &TLetterDesign::alignRuler);
}

void TLetterDesign::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    Dialogs().showHelp(this, kHelpLetterDesigner);
    return;
  }
  // Enter belongs to the editor, not to the default button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

}  // namespace qv
