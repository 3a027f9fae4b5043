// One B-tree node of a compact index, decoded: full-length keys, record
// numbers and (interior nodes) child offsets. Decoding checks everything a
// damaged page could get wrong; encoding packs leaves as FoxPro does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cdx_format.h"

namespace xb::cdx {

struct Node {
  uint32_t page = 0;
  bool leaf = true;
  bool root = false;
  uint32_t left = kNoPage;
  uint32_t right = kNoPage;
  uint16_t key_length = 0;
  std::string keys;  // size() * key_length bytes
  std::vector<uint32_t> recnos;
  std::vector<uint32_t> children;  // interior nodes only

  size_t size() const { return recnos.size(); }
  std::string_view key(size_t i) const {
    return std::string_view(keys.data() + i * key_length, key_length);
  }
  void Clear() {
    keys.clear();
    recnos.clear();
    children.clear();
  }
  void Insert(size_t i, std::string_view key, uint32_t recno, uint32_t child);
  void Erase(size_t i);
  // Entries [begin, end) of `from`, same kind and key length.
  void AssignRange(const Node& from, size_t begin, size_t end);
};

// What a page may refer to.
struct NodeLimits {
  uint32_t file_end = 0;     // child and sibling pages must lie below this
  uint32_t max_recno = 0;    // record numbers must be 1..max_recno
  bool recnos_are_pages = false;  // the tag directory stores header offsets
};

// Decodes `page` (kPageSize bytes) at file offset `offset`. `pad` is the
// byte leaf pages trim. Returns false with a reason in *why.
bool DecodeNode(const char* page, uint32_t offset, uint16_t key_length, char pad,
                const NodeLimits& limits, Node* node, std::string* why);

// Encodes `node` into `page`; false when it does not fit one page.
bool EncodeNode(const Node& node, char pad, char* page);

// Whether a leaf holding node entries [begin, end) fits one page.
bool LeafRangeFits(const Node& node, size_t begin, size_t end, char pad);

// Entries an interior node of this key length holds.
inline size_t InteriorCapacity(uint16_t key_length) {
  return kInteriorSpace / (key_length + 8u);
}

// Packed-entry layout of a leaf.
struct LeafLayout {
  int rec_bits = 0;
  int dup_bits = 0;
  int trail_bits = 0;
  int bytes = 0;
};
LeafLayout ComputeLeafLayout(uint16_t key_length, uint32_t max_recno);

// Leaf entry compression against the previous key (nullptr for the first).
inline void CompressKey(const char* key, const char* prev, uint16_t key_length, char pad,
                        int* dup, int* trail) {
  int t = 0;
  while (t < key_length && key[key_length - 1 - t] == pad) ++t;
  int d = 0;
  if (prev != nullptr) {
    const int limit = key_length - t;
    while (d < limit && key[d] == prev[d]) ++d;
  }
  *dup = d;
  *trail = t;
}

inline uint32_t LoadLE32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
inline uint16_t LoadLE16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint16_t(u[0] | u[1] << 8);
}
inline uint32_t LoadBE32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(u[0]) << 24 | uint32_t(u[1]) << 16 | uint32_t(u[2]) << 8 | uint32_t(u[3]);
}
inline void StoreLE32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = char(v >> (8 * i));
}
inline void StoreLE16(char* p, uint16_t v) {
  p[0] = char(v);
  p[1] = char(v >> 8);
}
inline void StoreBE32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = char(v >> (24 - 8 * i));
}

}  // namespace xb::cdx
