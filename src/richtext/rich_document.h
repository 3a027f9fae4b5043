// A letter as the rich-text engine holds it: a QTextDocument laid out in
// twips (1440 per inch) plus the page layout the RTF file gives it. Every
// length inside the document (indents, tab stops, table columns, picture
// sizes) is in twips too, so RTF values go in and out unchanged.
#pragma once

#include <QString>
#include <QTextDocument>
#include <QTextFormat>
#include <memory>
#include <vector>

namespace qv {

constexpr int kTwipsPerInch = 1440;

// The exceptions to twips: Qt scales tab stop positions, a paragraph's
// space before and after and its fixed or minimum line height by the
// layout device's dots per inch over the screen's (1440 / 96 on most
// screens), so a length of T twips there is held as T / TwipsPerScaledUnit().
// (Indents are not scaled.)
double TwipsPerScaledUnit();
inline double TwipsPerTabUnit() { return TwipsPerScaledUnit(); }

// The RTF defaults when a file names none: US letter, 1.25 inch left and
// right, 1 inch top and bottom.
struct PageLayout {
  int width = 12240;
  int height = 15840;
  int left = 1800;
  int right = 1800;
  int top = 1440;
  int bottom = 1440;
  bool landscape = false;
  bool operator==(const PageLayout&) const = default;
  int textWidth() const { return width - left - right; }
  int textHeight() const { return height - top - bottom; }
};

// Picture resources are stored under this URL scheme with their file
// bytes (PNG or JPEG), so the writer can hand them back unchanged.
inline constexpr char kPictureScheme[] = "qvpict";

// Lengths Qt's layout scales as 96-dpi pixels (pictures, fixed table
// column widths, cell borders) go into the document divided by this.
inline constexpr double kTwipsPerLayoutPixel = kTwipsPerInch / 96.0;

// Block property of a list item: where its marker stands against the left
// indent, in twips (negative: in the hanging indent before the text).
inline constexpr int kListMarkerIndent = QTextFormat::UserProperty + 1;
// List format property: the list's level, 0 the outermost.
inline constexpr int kListLevel = QTextFormat::UserProperty + 2;

class RichDocument {
 public:
  RichDocument();
  ~RichDocument();
  RichDocument(const RichDocument& other);
  RichDocument& operator=(const RichDocument& other);

  QTextDocument& doc() { return *m_doc; }
  const QTextDocument& doc() const { return *m_doc; }
  PageLayout layout() const { return m_layout; }
  // Re-paginates with the new text area.
  void setLayout(const PageLayout& layout);

  void clear();
  // Takes `doc` (made by NewDocument or BareDocument) with its page layout.
  void adopt(std::unique_ptr<QTextDocument> doc, const PageLayout& layout);
  // Lays the document out in pages of the layout's text area; call after
  // changing the text or formats (the merge does).
  void reformat();
  int pageCount() const;
  // The number of the first block, in document order, that reaches into
  // page `index` (from 0): painting a page starts there instead of walking
  // every page before it. Worked out for all pages at once after reformat().
  int firstBlockOfPage(int index) const;

  // A fresh document on the twips paint device, empty.
  static std::unique_ptr<QTextDocument> NewDocument();
  // The same without its layout, for building a document piece by piece:
  // a laid-out document is laid out again after every insert, which makes
  // building it take time in the square of its size. adopt() lays it out.
  static std::unique_ptr<QTextDocument> BareDocument();

 private:
  void applyPageSize();

  std::unique_ptr<QTextDocument> m_doc;
  PageLayout m_layout;
  mutable std::vector<int> m_pageStarts;  // by page; empty until asked for
};

}  // namespace qv
