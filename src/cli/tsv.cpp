#include "cli/tsv.h"

namespace qv::cli {

std::string Escape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    // A lone trailing backslash stays as it is.
    if (c == '\\' && i + 1 < value.size()) {
      char n = value[++i];
      switch (n) {
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        default: out += n;
      }
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      parts.emplace_back(line.substr(start));
      return parts;
    }
    parts.emplace_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

}  // namespace qv::cli
