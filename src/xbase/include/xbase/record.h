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
  std::string name;      // upper case, at most 10 characters
  char type = 'C';       // C N F D L M, and read-only I Y T B G (shown as text)
  uint16_t width = 0;    // bytes in the record
  uint8_t decimals = 0;
  uint32_t offset = 0;   // from the start of the record; byte 0 is the deletion flag
};

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
  std::string_view field(const FieldInfo& f) const {
    return data == nullptr ? std::string_view() : std::string_view(data + f.offset, f.width);
  }
};

}  // namespace xb
