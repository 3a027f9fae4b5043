// The letter windows: the designer (TLetterDesign) with its toolbar, ruler
// and page view, Page Properties (TWPPageProp), the print status screen
// and the preview (TRTFPreviewForm). The work itself lives in src/letters.
#pragma once

#include <QDialog>
#include <QTextCharFormat>
#include <QTimer>
#include <QWidget>

#include "letters/letter_print.h"
#include "letters/letter_view.h"
#include "richtext/rich_document.h"

#include "ui/qt_classes.h"

namespace qv {

class TableObject;
class TApollo;

// Help topics of the letter windows.
constexpr int kHelpPrintLetters = 1070;
constexpr int kHelpLetterDesigner = 1071;
constexpr int kHelpPreviewLetters = 1072;

// The ruler over the designer's page: margins and the current paragraph's
// tab stops, at the page view's scale.
class LetterRuler : public QWidget {
 public:
  explicit LetterRuler(QWidget* parent = nullptr);
  void setPage(const PageLayout& layout, double pixelsPerTwip, int offset);
  void setTabs(const QList<int>& tabs);
  QSize sizeHint() const override { return {400, 24}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  PageLayout m_layout;
  double m_scale = 96.0 / 1440;
  int m_offset = 0;
  QList<int> m_tabs;
};

class TWPPageProp : public QDialog {
 public:
  TWPPageProp(RichDocument* doc, QWidget* parent = nullptr);
  QLineEdit* WidthEdit;
  QLineEdit* HeightEdit;
  QLineEdit* TopEdit;
  QLineEdit* BottomEdit;
  QLineEdit* LeftEdit;
  QLineEdit* RightEdit;
  QComboBox* UnitCombo;
  void FormActivate();
  void UnitComboChange();
  void OkButtonClick();

 private:
  QList<QLineEdit*> edits() const;
  void EditChange(int which, const QString& text);
  RichDocument* m_doc;
  int m_values[6] = {};  // width, height, top, bottom, left, right in twips
  bool m_showing = false;
};

class TLetterDesign : public QDialog {
 public:
  // `contacts`: the table the designer's preview merges from.
  TLetterDesign(TableObject* contacts, TApollo* apollo, QWidget* parent = nullptr);
  ~TLetterDesign() override;

  void setDocument(const RichDocument& doc);
  // The editor's text and formats with the page layout.
  RichDocument document() const;

  QLineEdit* Description;
  QComboBox* InsertFieldCombo;
  QToolBar* ToolBar;
  QFontComboBox* FontBox;
  QComboBox* FontSizeBox;
  LetterRuler* Ruler;
  QGraphicsView* PageView;
  QGraphicsTextItem* WPRichText1;
  QPushButton* SaveButton;
  QPushButton* OpenRtfButton;
  QPushButton* SaveRtfButton;
  QPushButton* PageSetupButton;
  QPushButton* PreviewButton;
  QPushButton* HelpButton;
  QPushButton* CancelButton;

  void FieldClick(int index);
  void PageSetupClick();
  // The text of an RTF file in place of the letter's; the letter as an RTF file.
  void OpenRtfClick();
  void SaveRtfClick();
  // Whether the description, the text or the page changed since the letter came in.
  bool changed() const;
  // Places the cursor in the text nearest to `scenePoint` (a click on the
  // page's margins) and gives the text the keyboard.
  void placeCursorNear(const QPointF& scenePoint);
  // The toolbar's font boxes and the ruler's tab stops follow the cursor.
  void cursorMoved();
  void PreviewButtonClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Cancel, Escape and the close box ask before edits are thrown away.
  void reject() override;

 private:
  void buildToolBar();
  void focusText();
  void layoutPage();
  void alignRuler();
  void mergeFormat(const QTextCharFormat& format);

  TableObject* m_contacts;
  TApollo* m_apollo;
  RichDocument m_doc;
  QGraphicsScene* m_scene;
  QGraphicsRectItem* m_paper = nullptr;
  double m_scale = 1.0;
  bool m_changed = false;  // the description or the page; the text keeps its own flag
};

// The print status screen: runs the letter job when first shown, asks
// before a cancel, and stays with the final text until OK.
class TLetterPrintStatus : public QDialog {
 public:
  explicit TLetterPrintStatus(QWidget* parent = nullptr);
  // Runs `run` when the screen is first shown, with a host that shows
  // progress in the status label and lets Cancel reach `job`.
  std::function<void(JobHost&, std::function<void(TLetterPrint&)>)> run;
  QLabel* StatusLabel;
  QPushButton* CancelButton;
  void FormActivate();
  void CancelButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  TLetterPrint* m_job = nullptr;
  bool m_first = true;
  bool m_done = false;
};

class TRTFPreviewForm : public QDialog {
 public:
  TRTFPreviewForm(TableObject* contacts, TApollo* apollo, QWidget* parent = nullptr);
  RichDocument RTFTemplate;
  RichDocument RTFFinal;
  PreviewPager Pager;
  QLabel* PageLabel;
  QScrollArea* ScrollBox;
  QWidget* Panel;
  QWidget* PaintBox;
  QPushButton* FirstButton;
  QPushButton* PriorButton;
  QPushButton* NextButton;
  QPushButton* LastButton;
  QPushButton* ZoomInButton;
  QPushButton* ZoomOutButton;
  QPushButton* PageWidthButton;
  QPushButton* WholePageButton;
  QPushButton* sbPrevPage;
  QPushButton* sbNextPage;
  QTimer Timer1;
  bool ReadyToPaint = false;

  void FormActivate();
  void Timer1Timer();
  void LayoutPage();
  void PaintBoxPaint(QPainter& painter);
  void MoveRecord(int how);  // 0 first, 1 prior, 2 next, 3 last
  void sbNextPageClick();
  void sbPrevPageClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Remerge();
  TableObject* m_contacts;
  TApollo* m_apollo;
  bool m_first = true;
  int m_ppi = 96;
};

}  // namespace qv
