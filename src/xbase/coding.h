// Fixed-width integers in file byte order, read from and written to raw
// byte buffers without alignment assumptions.
#pragma once

#include <cstdint>

namespace xb {

inline uint32_t DecodeLE16(const char* p) {
  auto u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8;
}
inline uint32_t DecodeLE32(const char* p) {
  auto u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8 |
         static_cast<uint32_t>(u[2]) << 16 | static_cast<uint32_t>(u[3]) << 24;
}
inline uint32_t DecodeBE16(const char* p) {
  auto u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) << 8 | static_cast<uint32_t>(u[1]);
}
inline uint32_t DecodeBE32(const char* p) {
  auto u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) << 24 | static_cast<uint32_t>(u[1]) << 16 |
         static_cast<uint32_t>(u[2]) << 8 | static_cast<uint32_t>(u[3]);
}
inline void EncodeLE16(char* p, uint32_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void EncodeLE32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void EncodeBE16(char* p, uint32_t v) {
  p[0] = static_cast<char>((v >> 8) & 0xFF);
  p[1] = static_cast<char>(v & 0xFF);
}
inline void EncodeBE32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
}

}  // namespace xb
