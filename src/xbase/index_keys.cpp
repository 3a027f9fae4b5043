// Key encodings and the bulk entry buffer with its sort.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "xbase/index.h"

namespace xb {

std::string EncodeCharacterKey(std::string_view text, uint16_t key_length) {
  std::string key(key_length, ' ');
  std::memcpy(key.data(), text.data(), std::min<size_t>(text.size(), key_length));
  return key;
}

std::string EncodeNumericKey(double value) {
  if (value == 0) value = 0;  // -0.0 sorts as 0
  uint64_t bits = std::bit_cast<uint64_t>(value);
  bits = (bits & 0x8000000000000000ull) ? ~bits : bits ^ 0x8000000000000000ull;
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[i] = char(bits >> (56 - 8 * i));
  return key;
}

double DecodeNumericKey(std::string_view key) {
  if (key.size() != 8) return 0;
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | static_cast<unsigned char>(key[i]);
  bits = (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
  return std::bit_cast<double>(bits);
}

std::string EncodeIntegerKey(double value) {
  const double v = std::clamp(std::trunc(value), -2147483648.0, 2147483647.0);
  const uint32_t bits = static_cast<uint32_t>(static_cast<int32_t>(v)) ^ 0x80000000u;
  std::string key(4, '\0');
  for (int i = 0; i < 4; ++i) key[i] = char(bits >> (24 - 8 * i));
  return key;
}

std::string EncodeDateKey(int32_t julian_day) { return EncodeNumericKey(julian_day); }

int32_t JulianDayFromDtos(std::string_view s) {
  if (s.find_first_not_of(' ') == std::string_view::npos) return 0;
  if (s.size() != 8) return -1;
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    v[i] = s[i] - '0';
  }
  const int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  const int m = v[4] * 10 + v[5];
  const int d = v[6] * 10 + v[7];
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return -1;
  if (m == 2 && d == 29 && !(y % 4 == 0 && (y % 100 != 0 || y % 400 == 0))) return -1;
  // Gregorian calendar day number (Fliegel & Van Flandern).
  const int a = (14 - m) / 12;
  const int yy = y + 4800 - a;
  const int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

std::string EncodeLogicalKey(bool value) { return value ? "T" : "F"; }

void KeyBuffer::Reset(uint16_t key_length) {
  Clear();
  key_length_ = key_length;
}

void KeyBuffer::Reserve(size_t count) {
  keys_.reserve(count * key_length_);
  recnos_.reserve(count);
}

void KeyBuffer::Add(std::string_view key, uint32_t recno) {
  const size_t n = std::min<size_t>(key.size(), key_length_);
  keys_.insert(keys_.end(), key.data(), key.data() + n);
  keys_.insert(keys_.end(), key_length_ - n, ' ');
  recnos_.push_back(recno);
  has_presorted_ = false;
}

void KeyBuffer::Clear() {
  std::vector<char>().swap(keys_);
  std::vector<uint32_t>().swap(recnos_);
  std::vector<uint32_t>().swap(presorted_);
  has_presorted_ = false;
}

namespace {

// Multikey sort: order by one 8-byte big-endian chunk of the key at a time;
// only runs that tie on a chunk look at the next one. Keeps the work on a
// small contiguous array instead of chasing keys through the arena. Every
// run is kept in record number order within its ties (the items start in
// that order and each step is stable), so ties need no comparison.
struct SortItem {
  uint64_t chunk;
  uint32_t index;
  uint32_t recno;
};

uint64_t LoadChunk(const char* key, size_t key_length, size_t depth) {
  uint64_t v = 0;
  if (depth + 8 <= key_length) {
    std::memcpy(&v, key + depth, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  } else {
    for (size_t i = 0; i < 8; ++i) {
      const size_t at = depth + i;
      v = v << 8 | (at < key_length ? static_cast<unsigned char>(key[at]) : 0u);
    }
  }
  return v;
}

// Below this many items a comparison sort beats the radix passes.
constexpr ptrdiff_t kSmallRun = 64;

// Stable least-significant-byte radix sort on the chunk; byte positions
// where every item agrees (common in padded text) cost one counting pass.
void RadixByChunk(SortItem* begin, SortItem* end, SortItem* scratch) {
  const size_t n = static_cast<size_t>(end - begin);
  static thread_local std::vector<uint32_t> counts;
  counts.assign(8 * 256, 0);
  for (const SortItem* it = begin; it < end; ++it) {
    for (int b = 0; b < 8; ++b) ++counts[b * 256 + ((it->chunk >> (8 * b)) & 0xFF)];
  }
  SortItem* src = begin;
  SortItem* dst = scratch;
  for (int b = 0; b < 8; ++b) {
    uint32_t* c = &counts[b * 256];
    if (c[(begin->chunk >> (8 * b)) & 0xFF] == n) continue;
    uint32_t sum = 0;
    for (int v = 0; v < 256; ++v) {
      const uint32_t k = c[v];
      c[v] = sum;
      sum += k;
    }
    for (const SortItem* it = src; it < src + n; ++it) dst[c[(it->chunk >> (8 * b)) & 0xFF]++] = *it;
    std::swap(src, dst);
  }
  if (src != begin) std::copy(src, src + n, begin);
}

void SortRun(SortItem* begin, SortItem* end, SortItem* scratch, const char* keys,
             size_t key_length, size_t depth) {
  if (end - begin < kSmallRun) {
    // The rest of the key decides, then the record number.
    std::sort(begin, end, [=](const SortItem& a, const SortItem& b) {
      if (a.chunk != b.chunk) return a.chunk < b.chunk;
      if (depth + 8 < key_length) {
        int c = std::memcmp(keys + size_t(a.index) * key_length + depth + 8,
                            keys + size_t(b.index) * key_length + depth + 8,
                            key_length - depth - 8);
        if (c != 0) return c < 0;
      }
      return a.recno < b.recno;
    });
    return;
  }
  RadixByChunk(begin, end, scratch);
  if (depth + 8 >= key_length) return;
  for (SortItem* run = begin; run < end;) {
    SortItem* stop = run + 1;
    while (stop < end && stop->chunk == run->chunk) ++stop;
    // Keys that agree to their end are in place already: ties stay in
    // record number order.
    const size_t rest = depth + 8;
    const char* first = keys + size_t(run->index) * key_length + rest;
    bool same = true;
    for (SortItem* it = run + 1; it < stop && same; ++it) {
      same = std::memcmp(first, keys + size_t(it->index) * key_length + rest, key_length - rest) == 0;
    }
    if (!same) {
      for (SortItem* it = run; it < stop; ++it) {
        it->chunk = LoadChunk(keys + size_t(it->index) * key_length, key_length, depth + 8);
      }
      SortRun(run, stop, scratch, keys, key_length, depth + 8);
    }
    run = stop;
  }
}

}  // namespace

// The entries are also moved into tag order, so the build that writes the
// tag reads its keys front to back instead of all over the arena.
void KeyBuffer::Presort() {
  has_presorted_ = false;
  std::vector<uint32_t> order = SortedOrder();
  const size_t n = order.size();
  std::vector<char> keys(keys_.size());
  std::vector<uint32_t> recnos(n);
  for (size_t i = 0; i < n; ++i) {
    std::memcpy(keys.data() + i * key_length_, keys_.data() + size_t(order[i]) * key_length_,
                key_length_);
    recnos[i] = recnos_[order[i]];
    order[i] = uint32_t(i);
  }
  keys_.swap(keys);
  recnos_.swap(recnos);
  presorted_ = std::move(order);
  has_presorted_ = true;
}

std::vector<uint32_t> KeyBuffer::SortedOrder() const {
  if (has_presorted_ && presorted_.size() == size()) {
    has_presorted_ = false;
    return std::move(presorted_);
  }
  const size_t n = size();
  // Entries given in tag order already (a list taken from another order
  // on the same key) need one pass, not a sort.
  bool in_order = true;
  for (size_t i = 1; i < n && in_order; ++i) {
    int c = std::memcmp(keys_.data() + (i - 1) * key_length_, keys_.data() + i * key_length_,
                        key_length_);
    in_order = c < 0 || (c == 0 && recnos_[i - 1] < recnos_[i]);
  }
  if (in_order) {
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = uint32_t(i);
    return order;
  }
  std::vector<SortItem> items(n);
  for (size_t i = 0; i < n; ++i) {
    items[i] = {LoadChunk(keys_.data() + i * key_length_, key_length_, 0),
                uint32_t(i), recnos_[i]};
  }
  if (!std::is_sorted(recnos_.begin(), recnos_.end())) {
    std::sort(items.begin(), items.end(),
              [](const SortItem& a, const SortItem& b) { return a.recno < b.recno; });
  }
  std::vector<SortItem> scratch(n > kSmallRun ? n : 0);
  if (n > 1) {
    SortRun(items.data(), items.data() + n, scratch.data(), keys_.data(), key_length_, 0);
  }
  std::vector<uint32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = items[i].index;
  return order;
}

}  // namespace xb
