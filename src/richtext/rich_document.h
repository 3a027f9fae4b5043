// A letter as the rich-text engine holds it: a QTextDocument laid out in
// twips (1440 per inch) plus the page layout the RTF file gives it. Every
// length inside the document (indents, tab stops, table columns, picture
// sizes) is in twips too, so RTF values go in and out unchanged.
#pragma once

#include <QString>
#include <QTextDocument>
#include <QTextFormat>
#include <memory>

namespace qv {

constexpr int kTwipsPerInch = 1440;

// The one exception to twips: Qt scales tab stop positions by the layout
// device's dots per inch over the screen's (1440 / 96 on most screens), so
// a stop at T twips is held as T / TwipsPerTabUnit().
double TwipsPerTabUnit();

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
  // Takes `doc` (made by NewDocument) with its page layout.
  void adopt(std::unique_ptr<QTextDocument> doc, const PageLayout& layout);
  // Lays the document out in pages of the layout's text area; call after
  // changing the text or formats (the merge does).
  void reformat();
  int pageCount() const;

  // A fresh document on the twips paint device, empty.
  static std::unique_ptr<QTextDocument> NewDocument();

 private:
  void applyPageSize();

  std::unique_ptr<QTextDocument> m_doc;
  PageLayout m_layout;
};

}  // namespace qv
