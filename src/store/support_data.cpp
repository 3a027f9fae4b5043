#include "store/support_data.h"

#include <cstdint>
#include <fstream>
#include <sstream>

namespace qv {

namespace {

// The characters 0x80..0x9F of Windows-1252; 0 marks the five unused codes.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

std::string Hex(uint32_t v, int digits) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string s(digits, '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) s[i] = kDigits[v & 0xF];
  return s;
}

// Decodes one UTF-8 sequence at text[*pos]; false for malformed input
// (truncated, overlong, surrogate or beyond U+10FFFF).
bool DecodeUtf8(std::string_view text, size_t* pos, char32_t* cp) {
  const auto b0 = static_cast<unsigned char>(text[*pos]);
  int len;
  char32_t min;
  if (b0 < 0x80) {
    *cp = b0;
    ++*pos;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, min = 0x80, *cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, min = 0x800, *cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, min = 0x10000, *cp = b0 & 0x07;
  } else {
    return false;
  }
  if (*pos + len > text.size()) return false;
  for (int i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(text[*pos + i]);
    if ((b & 0xC0) != 0x80) return false;
    *cp = (*cp << 6) | (b & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return false;
  *pos += len;
  return true;
}

int ToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return 0x80 + i;
  }
  return -1;
}

struct Cell {
  std::string text;
  bool quoted = false;
};

struct Record {
  int line = 0;  // where the record starts, 1-based
  std::vector<Cell> cells;
};

class Failure {
 public:
  Failure(std::string_view source, int line) : source_(source), line_(line) {}
  xb::Status operator()(const std::string& what) const {
    std::string msg(source_);
    if (!msg.empty()) msg += ' ';
    msg += "line " + std::to_string(line_) + ": " + what;
    return xb::Status::InvalidArgument(std::move(msg));
  }

 private:
  std::string_view source_;
  int line_;
};

// RFC 4180 records: comma-separated, CR LF or LF between records, quoted
// values may hold commas, doubled quotes and line breaks.
xb::Status SplitRecords(std::string_view text, std::string_view source,
                        std::vector<Record>* records) {
  size_t i = 0;
  int line = 1;
  const size_t n = text.size();
  while (i < n) {
    Record rec;
    rec.line = line;
    bool end_of_record = false;
    while (!end_of_record) {
      Cell cell;
      if (i < n && text[i] == '"') {
        cell.quoted = true;
        const int opened = line;
        ++i;
        for (;;) {
          if (i >= n) return Failure(source, opened)("quoted value is never closed");
          const char c = text[i];
          if (c == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              cell.text += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (c == '\r' || c == '\n') {
            // One CR LF per line break, however the file was checked out.
            i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
            cell.text += "\r\n";
            ++line;
            continue;
          }
          cell.text += c;
          ++i;
        }
        if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          return Failure(source, line)("unexpected text after a closing quote");
        }
      } else {
        while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          if (text[i] == '"') {
            return Failure(source, line)("a quote inside an unquoted value; quote the whole value");
          }
          cell.text += text[i++];
        }
      }
      rec.cells.push_back(std::move(cell));
      if (i >= n) {
        end_of_record = true;
      } else if (text[i] == ',') {
        ++i;
      } else {
        i += (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
        ++line;
        end_of_record = true;
      }
    }
    records->push_back(std::move(rec));
  }
  // Blank lines at the end of the file are no records.
  while (!records->empty()) {
    const Record& last = records->back();
    if (last.cells.size() != 1 || last.cells[0].quoted || !last.cells[0].text.empty()) break;
    records->pop_back();
  }
  return xb::Status::OK();
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return u;
}

xb::Status ParseHeaderCell(const std::string& cell, int column, const Failure& fail,
                           xb::FieldDef* def) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(cell);
  while (std::getline(in, part, ':')) parts.push_back(part);
  if (!cell.empty() && cell.back() == ':') parts.push_back("");
  const std::string where = "header cell " + std::to_string(column) + " (\"" + cell + "\")";
  if (parts.size() != 4 || !AllDigits(parts[2]) || !AllDigits(parts[3]) || parts[1].size() != 1 ||
      parts[2].size() > 3 || parts[3].size() > 2) {
    return fail(where + " is not NAME:TYPE:WIDTH:DECIMALS");
  }
  const std::string& name = parts[0];
  bool name_ok = !name.empty() && name.size() <= 10 && name[0] >= 'A' && name[0] <= 'Z';
  for (char c : name) {
    name_ok = name_ok && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
  }
  if (!name_ok) {
    return fail(where +
                ": a field name is 1 to 10 capital letters, digits or underscores, "
                "starting with a letter");
  }
  def->name = name;
  def->type = parts[1][0];
  const int width = std::stoi(parts[2]);
  const int decimals = std::stoi(parts[3]);
  bool ok;
  switch (def->type) {
    case 'C':
      ok = width >= 1 && width <= 254 && decimals == 0;
      break;
    // dBase keeps the sign, the digits, the point and the decimals in the width.
    case 'N':
    case 'F':
      ok = width >= 1 && width <= 20 && (decimals == 0 || decimals <= width - 2);
      break;
    case 'L':
      ok = width == 1 && decimals == 0;
      break;
    case 'D':
      ok = width == 8 && decimals == 0;
      break;
    case 'M':
      ok = width == 10 && decimals == 0;
      break;  // FoxPro 2.x memo block pointer
    default:
      return fail(where + ": the type must be one of C, N, F, L, D or M");
  }
  if (!ok) return fail(where + ": width or decimals do not suit type " + parts[1]);
  def->width = static_cast<uint16_t>(width);
  def->decimals = static_cast<uint8_t>(decimals);
  return xb::Status::OK();
}

xb::Status CheckNumber(const std::string& v, const xb::FieldDef& f, const Failure& fail) {
  if (v.empty()) return xb::Status::OK();  // a blank numeric, as dBase allows
  const std::string what = "value of " + f.name + " (\"" + v + "\")";
  const size_t sign = (v[0] == '-') ? 1 : 0;
  const size_t point = v.find('.');
  const std::string_view whole = std::string_view(v).substr(
      sign, point == std::string::npos ? std::string::npos : point - sign);
  const std::string_view frac =
      point == std::string::npos ? std::string_view() : std::string_view(v).substr(point + 1);
  if (!AllDigits(whole) || (point != std::string::npos && !AllDigits(frac))) {
    return fail(what + " is not a number");
  }
  if (frac.size() > f.decimals) {
    return fail(what + " has " + std::to_string(frac.size()) + " decimals, the field keeps " +
                std::to_string(f.decimals));
  }
  const size_t stored = sign + whole.size() + (f.decimals > 0 ? 1 + f.decimals : 0);
  if (stored > f.width) {
    return fail(what + " needs " + std::to_string(stored) + " characters, the field holds " +
                std::to_string(f.width));
  }
  return xb::Status::OK();
}

xb::Status CheckValue(const Cell& cell, const xb::FieldDef& f, const Failure& fail) {
  const std::string& v = cell.text;
  std::string cp1252;
  xb::Status s = Utf8ToWindows1252(v, &cp1252);
  if (!s.ok()) return fail("value of " + f.name + ": " + s.message());
  if (f.type != 'M' && v.find_first_of("\r\n") != std::string::npos) {
    return fail("value of " + f.name + " holds a line break, which only a memo may");
  }
  switch (f.type) {
    case 'C':
      if (cp1252.size() > f.width) {
        return fail("value of " + f.name + " is " + std::to_string(cp1252.size()) +
                    " characters long, the field holds " + std::to_string(f.width));
      }
      return xb::Status::OK();
    case 'N':
    case 'F':
      return CheckNumber(v, f, fail);
    case 'L':
      if (v != "T" && v != "F")
        return fail("value of " + f.name + " (\"" + v + "\") is not T or F");
      return xb::Status::OK();
    case 'D':
      if (!v.empty()) {
        const bool digits = v.size() == 8 && AllDigits(v);
        const int month = digits ? std::stoi(v.substr(4, 2)) : 0;
        const int day = digits ? std::stoi(v.substr(6, 2)) : 0;
        if (!digits || month < 1 || month > 12 || day < 1 || day > 31) {
          return fail("value of " + f.name + " (\"" + v + "\") is not a date YYYYMMDD");
        }
      }
      return xb::Status::OK();
    default:
      return xb::Status::OK();
  }
}

}  // namespace

int SupportTableData::FieldIndex(std::string_view name) const {
  const std::string wanted = Upper(name);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (Upper(fields[i].name) == wanted) return static_cast<int>(i);
  }
  return -1;
}

xb::Status Utf8ToWindows1252(std::string_view utf8, std::string* out) {
  out->clear();
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t start = pos;
    char32_t cp;
    if (!DecodeUtf8(utf8, &pos, &cp)) {
      return xb::Status::InvalidArgument(
          "byte 0x" + Hex(static_cast<unsigned char>(utf8[start]), 2) + " at offset " +
          std::to_string(start) + " is not valid UTF-8");
    }
    const int code = ToCp1252(cp);
    if (code < 0 || cp == 0) {
      return xb::Status::InvalidArgument("character U+" + Hex(cp, 4) + " at offset " +
                                         std::to_string(start) + " has no Windows-1252 code");
    }
    out->push_back(static_cast<char>(code));
  }
  return xb::Status::OK();
}

xb::Status ParseSupportCsv(std::string_view text, std::string_view source, SupportTableData* out) {
  out->fields.clear();
  out->rows.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  std::vector<Record> records;
  XB_RETURN_IF_ERROR(SplitRecords(text, source, &records));
  if (records.empty()) return Failure(source, 1)("no header line");

  const Record& header = records[0];
  const Failure header_fail(source, header.line);
  for (size_t c = 0; c < header.cells.size(); ++c) {
    xb::FieldDef def;
    XB_RETURN_IF_ERROR(
        ParseHeaderCell(header.cells[c].text, static_cast<int>(c) + 1, header_fail, &def));
    if (out->FieldIndex(def.name) >= 0) return header_fail("field " + def.name + " appears twice");
    out->fields.push_back(std::move(def));
  }

  for (size_t r = 1; r < records.size(); ++r) {
    const Record& rec = records[r];
    const Failure fail(source, rec.line);
    if (rec.cells.size() != out->fields.size()) {
      return fail("expected " + std::to_string(out->fields.size()) + " values, found " +
                  std::to_string(rec.cells.size()));
    }
    std::vector<std::string> row;
    row.reserve(rec.cells.size());
    for (size_t c = 0; c < rec.cells.size(); ++c) {
      XB_RETURN_IF_ERROR(CheckValue(rec.cells[c], out->fields[c], fail));
      row.push_back(rec.cells[c].text);
    }
    out->rows.push_back(std::move(row));
  }
  return xb::Status::OK();
}

xb::Status ReadSupportCsv(const std::string& path, SupportTableData* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return xb::Status::IOError("cannot open " + path);
  std::ostringstream buf;
  buf << in.rdbuf();
  if (in.bad()) return xb::Status::IOError("cannot read " + path);
  const size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return ParseSupportCsv(buf.str(), name, out);
}

const std::array<SupportTable, 6>& SupportTables() {
  // The index rebuild walks them in this order; the key expressions keep the
  // letter case the tags were created with.
  static const std::array<SupportTable, 6> kTables = {{
      {"QVPLTRS", "QVPLTRS.csv", "DESCRIPT", "UPPER(DESCRIPT)", "Rebuilding Letters File indexes"},
      {"QVPLBLS", "QVPLBLS.csv", "USERDESC", "UPPER(USERDESC)",
       "Rebuilding Label Type File indexes"},
      {"QVPENVS", "QVPENVS.csv", "NAME", "UPPER(NAME)", "Rebuilding Envelope Type File indexes"},
      {"QVPSZCK", "QVPSZCK.csv", "STATE", "UPPER(STATE)", "Rebuilding State/Province File indexes"},
      {"QVPLSU", "QVPLSU.csv", "DESCRIPT", "UPPER(descript)",
       "Rebuilding Label Setup File indexes"},
      {"QVPESU", "QVPESU.csv", "DESCRIPT", "UPPER(descript)",
       "Rebuilding Envelope Setup File indexes"},
  }};
  return kTables;
}

}  // namespace qv
