// Times N seeks of keys taken from a tag itself, the way the checker's
// bench-seek does (the same key sequence: entry (i * 7919) mod count).
//   seek_bench FILE.DBF TAG N
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "xbase/workarea.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: seek_bench FILE.DBF TAG N\n");
    return 2;
  }
  xb::Settings settings;
  xb::OpenOptions options;
  options.exclusive = false;
  options.read_only = true;
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = xb::WorkArea::Open(argv[1], options, &settings, &area);
  int order = s.ok() ? area->TagArea(argv[2]) : 0;
  if (s.ok() && order == 0) s = xb::Status::NotFound(std::string("no tag ") + argv[2]);
  if (s.ok()) s = area->SetOrder(order);
  if (s.ok()) s = area->GoTop();
  std::vector<std::string> keys;
  std::string key;
  const bool numeric = s.ok() && area->OrderInfo(order).key_type != xb::KeyType::kCharacter;
  while (s.ok() && !area->eof()) {
    s = area->CurrentKey(&key);
    if (numeric) {
      // Numeric and date orders are sought by their value as text.
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.2f", xb::DecodeNumericKey(key));
      key = buf;
    }
    keys.push_back(key);
    if (s.ok()) s = area->Skip(1);
  }
  if (!s.ok() || keys.empty()) {
    std::fprintf(stderr, "%s\n", s.ok() ? "no keys" : s.ToString().c_str());
    return 1;
  }
  long n = std::atol(argv[3]);
  long found = 0;
  auto start = std::chrono::steady_clock::now();
  for (long i = 1; i <= n; ++i) {
    bool f = false;
    s = area->Seek(keys[(static_cast<size_t>(i) * 7919) % keys.size()], &f);
    if (!s.ok()) break;
    found += f ? 1 : 0;
  }
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start).count();
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  std::printf("seek %ld/%ld in %lld ms\n", found, n, static_cast<long long>(ms));
  return 0;
}
