#include "store/label_geometry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace qv {

namespace {

long long Thousandths(double inches) { return std::llround(inches * 1000.0); }

// Lower case, each run of other characters than letters and digits one
// blank, with a blank at either end so words can be found as " word ".
std::string Words(std::string_view text) {
  std::string out = " ";
  for (unsigned char c : text) {
    if (std::isalnum(c)) {
      out += char(std::tolower(c));
    } else if (out.back() != ' ') {
      out += ' ';
    }
  }
  if (out.back() != ' ') out += ' ';
  return out;
}

}  // namespace

std::string_view ValidLabelGeometry(const LabelGeometry& g) {
  if (g.height < 0.3) return "Label Height must be at least .3 inches (or 7mm)";
  if (g.width < 1.0) return "Label Width must be at least 1 inch (or 25mm)";
  if (g.across > 1 && g.horizontal_pitch < g.width) {
    return "Horizontal Pitch must be at least = Label Width";
  }
  if (g.down > 1 && g.vertical_pitch < g.height) {
    return "Vertical Pitch must be at least = Label Height";
  }
  if (g.sheet_width < 0.3) return "Page Width must be at least .3 inch";
  if (g.sheet_height < 0.3) return "Page Height must be at least .3 inches";
  if (g.description.empty()) return "You must provide a description";
  return {};
}

bool LabelFitsSheet(const LabelGeometry& g) {
  if (g.across < 1 || g.down < 1) return false;
  const long long right = Thousandths(g.left_margin) +
                          (g.across - 1) * Thousandths(g.horizontal_pitch) + Thousandths(g.width);
  const long long bottom = Thousandths(g.top_margin) +
                           (g.down - 1) * Thousandths(g.vertical_pitch) + Thousandths(g.height);
  return right <= Thousandths(g.sheet_width) && bottom <= Thousandths(g.sheet_height);
}

StockMatch MatchStock(std::string_view description, std::string_view text) {
  const std::string words = Words(text);
  if (words == " ") return StockMatch::None;
  size_t end = description.find("  ");
  end = std::min(end, description.find(','));
  const std::string_view name = description.substr(0, end);  // "Avery 5160"
  const std::string product = Words(name);
  // The part number is the product's last word as written, so that one
  // holding punctuation ("3274.1") stays whole.
  const size_t last = name.find_last_of(' ', name.find_last_not_of(' '));
  const std::string part = Words(last == std::string_view::npos ? name : name.substr(last));
  if (words == part || words == product) return StockMatch::Exact;
  const std::string start = words.substr(0, words.size() - 1);  // " 516"
  if (part.starts_with(start) || product.starts_with(start)) return StockMatch::PartStart;
  if (Words(description).find(start.substr(1)) != std::string::npos) {
    return StockMatch::Substring;
  }
  return StockMatch::None;
}

std::vector<size_t> RankStockMatches(const std::vector<std::string>& descriptions,
                                     std::string_view text) {
  std::vector<std::pair<StockMatch, size_t>> found;
  for (size_t i = 0; i < descriptions.size(); ++i) {
    const StockMatch m = MatchStock(descriptions[i], text);
    if (m != StockMatch::None) found.emplace_back(m, i);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<size_t> out;
  for (const auto& f : found) out.push_back(f.second);
  return out;
}

bool SameGeometry(const LabelGeometry& a, const LabelGeometry& b) {
  const auto lengths = [](const LabelGeometry& g) {
    return std::array<long long, 8>{Thousandths(g.height),           Thousandths(g.width),
                                    Thousandths(g.top_margin),       Thousandths(g.left_margin),
                                    Thousandths(g.horizontal_pitch), Thousandths(g.vertical_pitch),
                                    Thousandths(g.sheet_width),      Thousandths(g.sheet_height)};
  };
  return a.across == b.across && a.down == b.down && lengths(a) == lengths(b);
}

std::string SheetOverhangWarning(const LabelGeometry& g) {
  if (LabelFitsSheet(g)) return {};
  if (g.across < 1 || g.down < 1) return "The stock has no labels across or down the sheet.";
  const double right = double(g.left_margin) + (g.across - 1) * double(g.horizontal_pitch) +
                       double(g.width);
  const double bottom = double(g.top_margin) + (g.down - 1) * double(g.vertical_pitch) +
                        double(g.height);
  std::string text = "The labels run off the sheet: ";
  char part[160];
  if (Thousandths(right) > Thousandths(g.sheet_width)) {
    std::snprintf(part, sizeof part, "the last column ends at %.3f in, on a sheet %.3f in wide",
                  right, double(g.sheet_width));
    text += part;
  }
  if (Thousandths(bottom) > Thousandths(g.sheet_height)) {
    std::snprintf(part, sizeof part, "%sthe last row ends at %.3f in, on a sheet %.3f in high",
                  text.back() == ' ' ? "" : "; ", bottom, double(g.sheet_height));
    text += part;
  }
  return text + ". Labels that run off will not print whole.";
}

}  // namespace qv
