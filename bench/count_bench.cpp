// Times a full-scan count of a condition over a table with deleted records
// hidden, the way the checker's bench-count does (open and compile excluded).
//   count_bench FILE.DBF EXPR
#include <chrono>
#include <cstdio>
#include <memory>

#include "xbase/workarea.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: count_bench FILE.DBF EXPR\n");
    return 2;
  }
  xb::Settings settings;
  settings.deleted = true;
  xb::OpenOptions options;
  options.exclusive = false;
  options.read_only = true;
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = xb::WorkArea::Open(argv[1], options, &settings, &area);
  if (s.ok()) s = area->Query(argv[2]);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  uint32_t n = 0;
  s = area->QueryRecCount(&n);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start).count();
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  std::printf("count %u in %lld ms\n", n, static_cast<long long>(ms));
  return 0;
}
