// Test-only helpers: fields and records laid out by hand.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "xbase/record.h"

namespace xbtest {

// Fields laid out one after another from byte 1, as a table would.
inline std::vector<xb::FieldInfo> Layout(
    const std::vector<std::tuple<std::string, char, int, int>>& defs) {
  std::vector<xb::FieldInfo> fields;
  uint32_t off = 1;
  for (const auto& [name, type, width, dec] : defs) {
    xb::FieldInfo f;
    f.name = name;
    f.type = type;
    f.width = static_cast<uint16_t>(width);
    f.decimals = static_cast<uint8_t>(dec);
    f.offset = off;
    off += static_cast<uint32_t>(width);
    fields.push_back(f);
  }
  return fields;
}

inline size_t RecordLength(const std::vector<xb::FieldInfo>& fields) {
  size_t n = 1;
  for (const auto& f : fields) n = std::max<size_t>(n, f.offset + f.width);
  return n;
}

// A blank record with `values` stored by field name: C left-aligned and
// padded, N right-aligned, anything else copied as given.
inline std::string MakeRecord(const std::vector<xb::FieldInfo>& fields,
                              const std::map<std::string, std::string>& values,
                              bool deleted = false) {
  std::string rec(RecordLength(fields), ' ');
  rec[0] = deleted ? '*' : ' ';
  for (const auto& f : fields) {
    auto it = values.find(f.name);
    if (it == values.end()) continue;
    std::string v = it->second.substr(0, f.width);
    if (f.type == 'N' || f.type == 'F') v = std::string(f.width - v.size(), ' ') + v;
    std::memcpy(&rec[f.offset], v.data(), v.size());
  }
  return rec;
}

}  // namespace xbtest
