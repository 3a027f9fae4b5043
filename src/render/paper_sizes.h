// The paper sizes label and envelope stocks name by code in their tables,
// with the sheet each stands for and how the printer is asked for it.
#pragma once

#include <array>
#include <string_view>

namespace qv {

struct PaperSize {
  const char* text;   // as the stock dialogs list it
  const char* code;   // as the stock tables keep it
  double width;       // inches, as printed (landscape sizes are wide)
  double height;
  int printerCode;    // Windows paper code the report canvas takes; 0 custom
  bool landscape;
};

inline constexpr int kPaperSizeCount = 6;

// The list the stock dialogs show, "Other (User Defined)" last.
inline constexpr std::array<PaperSize, kPaperSizeCount> kPaperSizes = {{
    {"Letter (8.5 x 11\")", "LTR", 8.5, 11, 1, false},
    {"Letter Landscape (11 x 8.5\")", "LTRL", 11, 8.5, 1, true},
    {"A4 (210 x 297mm)", "A4", 8.27, 11.69, 9, false},
    {"A4 Landscape ( 297 x 210mm)", "A4L", 11.69, 8.27, 9, true},
    {"A5 (148 x 210mm)", "A5", 5.82, 8.27, 11, false},
    {"Other (User Defined)", "USER", 0, 0, 0, false},
}};

// The list index of `code` (letter case and blanks ignored); "Other (User
// Defined)" for any unknown code.
int PaperSizeIndex(std::string_view code);

inline const PaperSize& PaperSizeOf(std::string_view code) {
  return kPaperSizes[PaperSizeIndex(code)];
}

}  // namespace qv
