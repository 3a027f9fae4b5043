#include "cleanup/cleanup_text.h"

#include <cstring>
#include <map>
#include <vector>

namespace qv {

namespace {

char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The postal abbreviations of the words that vary most between two
// spellings of one address.
const std::map<std::string, std::string, std::less<>>& StreetWords() {
  static const std::map<std::string, std::string, std::less<>> kWords = {
      {"ALLEY", "ALY"},      {"APARTMENT", "APT"},  {"AV", "AVE"},         {"AVENUE", "AVE"},
      {"AVN", "AVE"},        {"BOULEVARD", "BLVD"}, {"BLVRD", "BLVD"},     {"BUILDING", "BLDG"},
      {"CENTER", "CTR"},     {"CENTRE", "CTR"},     {"CIRCLE", "CIR"},     {"COURT", "CT"},
      {"CRESCENT", "CRES"},  {"DEPARTMENT", "DEPT"}, {"DRIVE", "DR"},      {"DRV", "DR"},
      {"EAST", "E"},         {"EXPRESSWAY", "EXPY"}, {"FLOOR", "FL"},      {"FREEWAY", "FWY"},
      {"HEIGHTS", "HTS"},    {"HIGHWAY", "HWY"},    {"LANE", "LN"},        {"NORTH", "N"},
      {"NORTHEAST", "NE"},   {"NORTHWEST", "NW"},   {"PARKWAY", "PKWY"},   {"PLACE", "PL"},
      {"PLAZA", "PLZ"},      {"POINT", "PT"},       {"ROAD", "RD"},        {"ROOM", "RM"},
      {"ROUTE", "RTE"},      {"SOUTH", "S"},        {"SOUTHEAST", "SE"},   {"SOUTHWEST", "SW"},
      {"SQUARE", "SQ"},      {"STR", "ST"},         {"STREET", "ST"},      {"SUITE", "STE"},
      {"TERRACE", "TER"},    {"TRAIL", "TRL"},      {"WEST", "W"},
  };
  return kWords;
}

char SoundexDigit(char upper) {
  switch (upper) {
    case 'B': case 'F': case 'P': case 'V':
      return '1';
    case 'C': case 'G': case 'J': case 'K': case 'Q': case 'S': case 'X': case 'Z':
      return '2';
    case 'D': case 'T':
      return '3';
    case 'L':
      return '4';
    case 'M': case 'N':
      return '5';
    case 'R':
      return '6';
    default:
      return '0';  // vowels, H, W, Y
  }
}

}  // namespace

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the usual case of a scan, at memcmp speed
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

std::string ReplaceMatches(std::string_view text, std::string_view find, std::string_view with,
                           bool ignoreCase) {
  if (find.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    std::string_view rest = text.substr(i);
    const bool match = rest.size() >= find.size() &&
                       (ignoreCase ? EqualsIgnoringCase(rest.substr(0, find.size()), find)
                                   : rest.substr(0, find.size()) == find);
    if (match) {
      out += with;
      i += find.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string XbaseLiteral(std::string_view value) {
  if (value.find('"') == std::string_view::npos) return "\"" + std::string(value) + "\"";
  if (value.find('\'') == std::string_view::npos) return "'" + std::string(value) + "'";
  if (value.find(']') == std::string_view::npos) return "[" + std::string(value) + "]";
  // Holds all three delimiters: the double quotes become CHR(34).
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t quote = value.find('"', start);
    const std::string_view piece = value.substr(start, quote - start);
    if (!out.empty()) out += "+";
    out += "\"" + std::string(piece) + "\"";
    if (quote == std::string_view::npos) break;
    out += "+CHR(34)";
    start = quote + 1;
  }
  return out;
}

std::string Soundex(std::string_view name) {
  std::string out;
  char last = 0;
  for (char c : name) {
    const char u = UpperChar(c);
    if (u < 'A' || u > 'Z') continue;
    const char digit = SoundexDigit(u);
    if (out.empty()) {
      out += u;
      last = digit;
      continue;
    }
    if (digit != '0' && digit != last) {
      out += digit;
      if (out.size() == 4) break;
    }
    // H and W do not part two letters of one code; vowels do.
    if (u != 'H' && u != 'W') last = digit;
  }
  if (!out.empty()) out.resize(4, '0');
  return out;
}

std::string NormalStreet(std::string_view street) {
  std::vector<std::string> words;
  std::string word;
  auto flush = [&] {
    if (word.empty()) return;
    auto it = StreetWords().find(word);
    words.push_back(it == StreetWords().end() ? word : it->second);
    word.clear();
  };
  for (char c : street) {
    if (IsAsciiLetterOrDigit(c) || static_cast<unsigned char>(c) >= 0x80) {
      word += UpperChar(c);
    } else {
      flush();
    }
  }
  flush();
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    // "P.O. Box" and "PO Box" are one spelling.
    if (words[i] == "P" && i + 1 < words.size() && words[i + 1] == "O") {
      words[i + 1] = "PO";
      continue;
    }
    if (!out.empty()) out += ' ';
    out += words[i];
  }
  return out;
}

std::string_view TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

}  // namespace qv
