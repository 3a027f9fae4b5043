// Decoding and encoding of compact index nodes (docs/formats/cdx.md).
#include "cdx_node.h"

#include <algorithm>
#include <cstring>

namespace xb::cdx {

namespace {

int BitsFor(uint32_t v) {
  int bits = 0;
  while (v != 0) {
    ++bits;
    v >>= 1;
  }
  return bits;
}

bool PageRefOk(uint32_t page, uint32_t self, const NodeLimits& limits) {
  return page % kPageSize == 0 && page >= kHeaderSize && page != self &&
         uint64_t(page) + kPageSize <= limits.file_end;
}

bool RecnoOk(uint32_t recno, const NodeLimits& limits) {
  if (limits.recnos_are_pages) {
    return recno % kPageSize == 0 && recno >= kHeaderSize &&
           uint64_t(recno) + kHeaderSize <= limits.file_end;
  }
  return recno >= 1 && recno <= limits.max_recno;
}

}  // namespace

void Node::Insert(size_t i, std::string_view key, uint32_t recno, uint32_t child) {
  keys.insert(i * key_length, key.data(), key_length);
  recnos.insert(recnos.begin() + i, recno);
  if (!leaf) children.insert(children.begin() + i, child);
}

void Node::Erase(size_t i) {
  keys.erase(i * key_length, key_length);
  recnos.erase(recnos.begin() + i);
  if (!leaf) children.erase(children.begin() + i);
}

void Node::AssignRange(const Node& from, size_t begin, size_t end) {
  leaf = from.leaf;
  key_length = from.key_length;
  keys.assign(from.keys, begin * key_length, (end - begin) * key_length);
  recnos.assign(from.recnos.begin() + begin, from.recnos.begin() + end);
  if (!leaf) children.assign(from.children.begin() + begin, from.children.begin() + end);
}

LeafLayout ComputeLeafLayout(uint16_t key_length, uint32_t max_recno) {
  LeafLayout l;
  l.dup_bits = l.trail_bits = BitsFor(key_length);
  const int need = BitsFor(std::max<uint32_t>(max_recno, 1)) + 2 * l.dup_bits;
  l.bytes = std::max(kLeafMinEntryBytes, (need + 7) / 8);
  l.rec_bits = std::min(32, l.bytes * 8 - 2 * l.dup_bits);
  return l;
}

bool DecodeNode(const char* page, uint32_t offset, uint16_t key_length, char pad,
                const NodeLimits& limits, Node* node, std::string* why) {
  const uint16_t attr = LoadLE16(page + kNodeAttr);
  const uint16_t count = LoadLE16(page + kNodeCount);
  // The attribute is a set of flags: FoxPro sets ones beside root and
  // leaf (it writes 7 for a root leaf) that reading does not need.
  node->page = offset;
  node->leaf = (attr & kAttrLeaf) != 0;
  node->root = (attr & kAttrRoot) != 0;
  node->left = LoadLE32(page + kNodeLeft);
  node->right = LoadLE32(page + kNodeRight);
  node->key_length = key_length;
  node->Clear();
  for (uint32_t sib : {node->left, node->right}) {
    if (sib != kNoPage && !PageRefOk(sib, offset, limits)) {
      *why = "sibling pointer outside the file";
      return false;
    }
  }

  if (!node->leaf) {
    const size_t entry = key_length + 8u;
    if (count == 0 || count * entry > kInteriorSpace) {
      *why = "interior node with " + std::to_string(count) + " keys";
      return false;
    }
    node->keys.resize(size_t(count) * key_length);
    node->recnos.resize(count);
    node->children.resize(count);
    const char* p = page + kInteriorEntries;
    for (size_t i = 0; i < count; ++i, p += entry) {
      std::memcpy(&node->keys[i * key_length], p, key_length);
      node->recnos[i] = LoadBE32(p + key_length);
      node->children[i] = LoadBE32(p + key_length + 4);
      if (!RecnoOk(node->recnos[i], limits)) {
        *why = "record number " + std::to_string(node->recnos[i]) + " out of range";
        return false;
      }
      if (!PageRefOk(node->children[i], offset, limits)) {
        *why = "child pointer outside the file";
        return false;
      }
    }
    return true;
  }

  const int bytes = static_cast<unsigned char>(page[kLeafEntryBytes]);
  const int rec_bits = static_cast<unsigned char>(page[kLeafRecBits]);
  const int dup_bits = static_cast<unsigned char>(page[kLeafDupBits]);
  const int trail_bits = static_cast<unsigned char>(page[kLeafTrailBits]);
  if (bytes < 1 || bytes > 8 || rec_bits > 32 || dup_bits > 8 || trail_bits > 8 ||
      rec_bits + dup_bits + trail_bits > bytes * 8) {
    *why = "bad leaf entry layout";
    return false;
  }
  const uint32_t rec_mask = rec_bits == 32 ? 0xFFFFFFFFu : (1u << rec_bits) - 1;
  const uint32_t dup_mask = (1u << dup_bits) - 1;
  const uint32_t trail_mask = (1u << trail_bits) - 1;
  if (LoadLE32(page + kLeafRecMask) != rec_mask ||
      static_cast<unsigned char>(page[kLeafDupMask]) != dup_mask ||
      static_cast<unsigned char>(page[kLeafTrailMask]) != trail_mask) {
    *why = "leaf masks disagree with their bit counts";
    return false;
  }
  const size_t entries_end = kLeafEntries + size_t(count) * bytes;
  if (entries_end > kPageSize) {
    *why = "leaf with " + std::to_string(count) + " keys";
    return false;
  }
  node->keys.resize(size_t(count) * key_length);
  node->recnos.resize(count);
  size_t pos = kPageSize;
  for (size_t i = 0; i < count; ++i) {
    uint64_t v = 0;
    const auto* e = reinterpret_cast<const unsigned char*>(page + kLeafEntries + i * bytes);
    for (int b = bytes - 1; b >= 0; --b) v = v << 8 | e[b];
    const uint32_t recno = uint32_t(v) & rec_mask;
    const uint32_t dup = uint32_t(v >> rec_bits) & dup_mask;
    const uint32_t trail = uint32_t(v >> (rec_bits + dup_bits)) & trail_mask;
    if (dup + trail > key_length || (i == 0 && dup > 0)) {
      *why = "leaf key compression out of range";
      return false;
    }
    const size_t stored = key_length - dup - trail;
    if (pos < entries_end + stored) {
      *why = "leaf keys overlap their entries";
      return false;
    }
    pos -= stored;
    char* k = &node->keys[i * key_length];
    if (dup > 0) std::memcpy(k, k - key_length, dup);
    std::memcpy(k + dup, page + pos, stored);
    std::memset(k + dup + stored, pad, trail);
    if (!RecnoOk(recno, limits)) {
      *why = "record number " + std::to_string(recno) + " out of range";
      return false;
    }
    node->recnos[i] = recno;
  }
  return true;
}

bool LeafRangeFits(const Node& node, size_t begin, size_t end, char pad) {
  uint32_t max_recno = 1;
  for (size_t i = begin; i < end; ++i) max_recno = std::max(max_recno, node.recnos[i]);
  const LeafLayout l = ComputeLeafLayout(node.key_length, max_recno);
  size_t used = (end - begin) * l.bytes;
  for (size_t i = begin; i < end && used <= kLeafSpace; ++i) {
    int dup, trail;
    CompressKey(node.key(i).data(), i == begin ? nullptr : node.key(i - 1).data(),
                node.key_length, pad, &dup, &trail);
    used += node.key_length - dup - trail;
  }
  return used <= kLeafSpace;
}

bool EncodeNode(const Node& node, char pad, char* page) {
  std::memset(page, 0, kPageSize);
  StoreLE16(page + kNodeAttr, uint16_t((node.leaf ? kAttrLeaf : 0) | (node.root ? kAttrRoot : 0)));
  StoreLE16(page + kNodeCount, uint16_t(node.size()));
  StoreLE32(page + kNodeLeft, node.left);
  StoreLE32(page + kNodeRight, node.right);
  const uint16_t kl = node.key_length;

  if (!node.leaf) {
    if (node.size() > InteriorCapacity(kl)) return false;
    char* p = page + kInteriorEntries;
    for (size_t i = 0; i < node.size(); ++i, p += kl + 8) {
      std::memcpy(p, node.key(i).data(), kl);
      StoreBE32(p + kl, node.recnos[i]);
      StoreBE32(p + kl + 4, node.children[i]);
    }
    return true;
  }

  uint32_t max_recno = 1;
  for (uint32_t r : node.recnos) max_recno = std::max(max_recno, r);
  const LeafLayout l = ComputeLeafLayout(kl, max_recno);
  size_t pos = kPageSize;
  size_t entry = kLeafEntries;
  for (size_t i = 0; i < node.size(); ++i) {
    int dup, trail;
    const char* k = node.key(i).data();
    CompressKey(k, i == 0 ? nullptr : k - kl, kl, pad, &dup, &trail);
    const size_t stored = kl - dup - trail;
    if (entry + l.bytes + stored > pos) return false;
    pos -= stored;
    std::memcpy(page + pos, k + dup, stored);
    uint64_t v = uint64_t(node.recnos[i]) | uint64_t(dup) << l.rec_bits |
                 uint64_t(trail) << (l.rec_bits + l.dup_bits);
    for (int b = 0; b < l.bytes; ++b) page[entry + b] = char(v >> (8 * b));
    entry += l.bytes;
  }
  StoreLE16(page + kLeafFree, uint16_t(pos - entry));
  StoreLE32(page + kLeafRecMask, l.rec_bits == 32 ? 0xFFFFFFFFu : (1u << l.rec_bits) - 1);
  page[kLeafDupMask] = char((1u << l.dup_bits) - 1);
  page[kLeafTrailMask] = char((1u << l.trail_bits) - 1);
  page[kLeafRecBits] = char(l.rec_bits);
  page[kLeafDupBits] = char(l.dup_bits);
  page[kLeafTrailBits] = char(l.trail_bits);
  page[kLeafEntryBytes] = char(l.bytes);
  return true;
}

}  // namespace xb::cdx
