// The geometry of one label stock and the checks a definition must pass
// before it is saved. Shared by the label definition dialog and the tests
// of the delivered stock list. Lengths in inches. Plain C++, no Qt.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The working record of a label definition, single precision like the
// dialog's fields.
struct LabelGeometry {
  std::string description;
  float height = 0;
  float width = 0;
  int across = 0;
  int down = 0;
  float top_margin = 0;
  float left_margin = 0;
  float horizontal_pitch = 0;
  float vertical_pitch = 0;
  float sheet_width = 0;
  float sheet_height = 0;
};

// The message of the first check the definition fails, in the words the user
// sees; empty when it passes them all.
std::string_view ValidLabelGeometry(const LabelGeometry& g);

// Whether every label lies on the sheet: left margin + (across - 1) x
// horizontal pitch + width within the sheet width, and likewise down the
// sheet. Compared in thousandths of an inch, the precision the tables keep.
// ValidLabelGeometry does not require this: a user may define a stock that
// overhangs the sheet, as the dialog has always allowed.
bool LabelFitsSheet(const LabelGeometry& g);

// The warning for a stock that does not fit its sheet: which edge the
// labels pass and by how much, in inches; empty when LabelFitsSheet.
std::string SheetOverhangWarning(const LabelGeometry& g);

// How well a stock description answers what the user typed, compared in
// any letter case with punctuation counted as a blank between words. The
// product is the description up to its first double blank (or comma):
// brand and part number, "Avery 5160", "Online Labels OL875".
enum class StockMatch {
  None,
  Substring,  // anywhere in the description ("5160" in "Avery 15160  ...")
  PartStart,  // the part number, or brand and part, begin so ("516", "herma 42")
  Exact,      // the part number itself, or brand and part ("5160", "avery 5160")
};
StockMatch MatchStock(std::string_view description, std::string_view text);

// The indexes of the descriptions that match `text`, best match first and
// in their given order within one kind of match. Empty text matches none.
std::vector<size_t> RankStockMatches(const std::vector<std::string>& descriptions,
                                     std::string_view text);

// Whether two stocks have the same labels on the same sheet: every length to
// the thousandth of an inch the tables keep, and both counts.
bool SameGeometry(const LabelGeometry& a, const LabelGeometry& b);

}  // namespace qv
