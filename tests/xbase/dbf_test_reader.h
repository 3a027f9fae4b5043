// Test-only helpers: lay out records by hand, and read the DBF and FPT
// files the oracle writes (just enough of the formats for that: record
// count at 4, header length at 8, record length at 10, 32-byte field
// descriptors from 32 up to 0x0D; FPT block size big-endian at 6, blocks of
// big-endian type and length followed by the text).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "xbase/record.h"

namespace xbtest {

using qvtest::Be32;
using qvtest::Le16;
using qvtest::Le32;
using qvtest::ReadAll;

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

// Memo text from an FPT file: the field holds the block number in ASCII.
class FptReader : public xb::MemoReader {
 public:
  explicit FptReader(std::string bytes) : fpt_(std::move(bytes)) {
    if (fpt_.size() >= 8) {
      block_ = (static_cast<unsigned char>(fpt_[6]) << 8) | static_cast<unsigned char>(fpt_[7]);
    }
  }
  xb::Status ReadMemo(std::string_view field_bytes, std::string* out) override {
    out->clear();
    uint64_t block = 0;
    for (char c : field_bytes) {
      if (c >= '0' && c <= '9') block = block * 10 + static_cast<uint64_t>(c - '0');
    }
    if (block == 0) return xb::Status::OK();
    uint64_t at = block * block_;
    if (block_ == 0 || at + 8 > fpt_.size()) return xb::Status::Corruption("memo block past end");
    uint32_t len = Be32(fpt_, at + 4);
    if (at + 8 + len > fpt_.size()) return xb::Status::Corruption("memo longer than file");
    out->assign(fpt_, at + 8, len);
    return xb::Status::OK();
  }

 private:
  std::string fpt_;
  uint32_t block_ = 0;
};

struct DbfFile {
  std::vector<xb::FieldInfo> fields;
  std::vector<std::string> records;  // raw bytes, flag first
};

inline bool ReadDbf(const std::string& path, DbfFile* out) {
  std::string b = ReadAll(path);
  if (b.size() < 32) return false;
  uint32_t count = Le32(b, 4);
  uint16_t header = Le16(b, 8);
  uint16_t reclen = Le16(b, 10);
  uint32_t off = 1;
  for (size_t p = 32; p + 32 <= b.size() && b[p] != 0x0D; p += 32) {
    xb::FieldInfo f;
    f.name = std::string(b.c_str() + p, strnlen(b.c_str() + p, 11));
    f.type = b[p + 11];
    f.width = static_cast<unsigned char>(b[p + 16]);
    f.decimals = static_cast<uint8_t>(b[p + 17]);
    f.offset = off;
    off += f.width;
    out->fields.push_back(f);
  }
  for (uint32_t i = 0; i < count; ++i) {
    size_t at = header + static_cast<size_t>(i) * reclen;
    if (at + reclen > b.size()) return false;
    out->records.push_back(b.substr(at, reclen));
  }
  return true;
}

}  // namespace xbtest
