#include "render/paper_sizes.h"

#include <cctype>
#include <string>

namespace qv {

int PaperSizeIndex(std::string_view code) {
  while (!code.empty() && code.front() == ' ') code.remove_prefix(1);
  while (!code.empty() && code.back() == ' ') code.remove_suffix(1);
  std::string upper(code);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (int i = 0; i < kPaperSizeCount - 1; ++i) {
    if (upper == kPaperSizes[i].code) return i;
  }
  return kPaperSizeCount - 1;
}

}  // namespace qv
