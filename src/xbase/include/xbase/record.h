// The shape of one table record as the rest of the engine sees it: field
// layout plus a view of the raw record bytes. Tables produce these; the
// expression evaluator and the index layer consume them. Bytes only: no text
// conversion happens in the engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/status.h"

namespace xb {

struct FieldInfo {
  // Upper case, as stored (up to 32 characters in dBASE 7). A later field
  // of a name already used is named "NAME (2)", "NAME (3)": a name lookup
  // reaches the first one, as xBase does.
  std::string name;
  // C N F D L M, and read-only I Y T B G W V Q + O @ (as their writers
  // meant them); any other letter is a type the engine does not know.
  char type = 'C';
  uint16_t width = 0;    // bytes in the record
  uint8_t decimals = 0;
  uint32_t offset = 0;   // from the start of the record; byte 0 is the deletion flag
  // Visual FoxPro keeps two facts about a value in the hidden _NullFlags
  // field: a V or Q value is shorter than its field (its last byte holds
  // the length), and a nullable value is NULL. Bit numbers, -1 for none.
  int16_t length_bit = -1;
  int16_t null_bit = -1;
  uint32_t flags_offset = 0;  // where _NullFlags starts in the record
  // dBASE 7 keeps I, + and O big-endian with the sign bit flipped, so
  // their bytes sort as their values; Visual FoxPro keeps I little-endian.
  bool dbase7 = false;
};

// Whether type letter `type` is one the engine reads.
bool KnownFieldType(char type);

// Looks a field up by name, case-insensitively. Returns -1 when absent.
int FindField(const std::vector<FieldInfo>& fields, std::string_view name);

// Reads the text of a memo whose pointer bytes are `field_bytes` (the raw
// bytes of an M, G or B field in the record).
class MemoReader {
 public:
  virtual ~MemoReader() = default;
  virtual Status ReadMemo(std::string_view field_bytes, std::string* out) = 0;
};

// One record as stored: data[0] is ' ' or '*' (deletion flag), the fields
// follow at their offsets. Valid until the table moves or changes.
struct RecordRef {
  const char* data = nullptr;
  uint32_t recno = 0;          // 1-based; 0 when there is no current record
  MemoReader* memo = nullptr;  // may be null when the table has no memo file

  bool deleted() const { return data != nullptr && data[0] == '*'; }
  // The value's bytes: a NULL value has none, a short V or Q value its
  // own length.
  std::string_view field(const FieldInfo& f) const {
    if (data == nullptr) return std::string_view();
    std::string_view v(data + f.offset, f.width);
    if (f.length_bit < 0 && f.null_bit < 0) return v;
    if (IsNull(f)) return std::string_view();
    if (f.length_bit >= 0 && FlagBit(f, f.length_bit) && f.width > 0) {
      size_t n = static_cast<unsigned char>(v.back());
      return v.substr(0, n < f.width ? n : f.width - 1u);
    }
    return v;
  }
  bool IsNull(const FieldInfo& f) const {
    return data != nullptr && f.null_bit >= 0 && FlagBit(f, f.null_bit);
  }

 private:
  bool FlagBit(const FieldInfo& f, int bit) const {
    return (static_cast<unsigned char>(data[f.flags_offset + bit / 8]) >> (bit % 8)) & 1;
  }
};

}  // namespace xb
