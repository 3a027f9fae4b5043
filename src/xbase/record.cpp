#include "xbase/record.h"

namespace xb {

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool KnownFieldType(char type) {
  switch (type) {
    case 'C': case 'N': case 'F': case 'D': case 'L': case 'M': case 'I': case 'Y':
    case 'T': case 'B': case 'G': case 'P': case 'W': case 'V': case 'Q': case '+':
    case 'O': case '@': case '0':
      return true;
    default:
      return false;
  }
}

int FindField(const std::vector<FieldInfo>& fields, std::string_view name) {
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string& n = fields[i].name;
    if (n.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < n.size() && same; ++k) same = Upper(n[k]) == Upper(name[k]);
    if (same) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace xb
