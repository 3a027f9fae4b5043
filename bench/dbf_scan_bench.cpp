// Full-scan timings of a table: bulk ReadRecords and sequential Go().
//   dbf_scan_bench [RECORDS] [FOLDER]   (defaults: 1000000, /tmp)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "xbase/table.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Fail(const xb::Status& s) {
  std::fprintf(stderr, "%s\n", s.ToString().c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t n = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
  const std::string path = std::string(argc > 2 ? argv[2] : "/tmp") + "/qv_scan_bench.dbf";
  // 402 bytes of fields, 403 per record with the deletion flag.
  std::vector<xb::FieldDef> fields = {
      {"NAME", 'C', 200, 0}, {"CITY", 'C', 196, 0}, {"SEQ", 'N', 6, 0}};
  xb::Status s = xb::Table::Create(path, fields);
  if (!s.ok()) return Fail(s);
  std::unique_ptr<xb::Table> t;
  if (!(s = xb::Table::Open(path, {}, &t)).ok()) return Fail(s);
  auto start = std::chrono::steady_clock::now();
  for (uint32_t i = 1; i <= n; ++i) {
    if (!(s = t->Append()).ok()) return Fail(s);
    if (!(s = t->SetFieldBytes(0, "name " + std::to_string(i))).ok()) return Fail(s);
    if (!(s = t->SetFieldBytes(2, std::to_string(i % 1000))).ok()) return Fail(s);
  }
  if (!(s = t->Flush()).ok()) return Fail(s);
  std::printf("append %u records: %.2f s\n", n, Seconds(start));

  start = std::chrono::steady_clock::now();
  std::string buf;
  uint64_t hits = 0;
  const uint32_t batch = (1u << 20) / t->record_length();
  for (uint32_t first = 1; first <= n; first += batch) {
    uint32_t count = std::min(batch, n - first + 1);
    if (!(s = t->ReadRecords(first, count, &buf)).ok()) return Fail(s);
    for (uint32_t i = 0; i < count; ++i)
      hits += buf[static_cast<size_t>(i) * t->record_length() + 397] == '1';
  }
  std::printf("ReadRecords scan: %.3f s (%llu hits)\n", Seconds(start),
              static_cast<unsigned long long>(hits));

  start = std::chrono::steady_clock::now();
  hits = 0;
  for (uint32_t i = 1; i <= n; ++i) {
    if (!(s = t->Go(i)).ok()) return Fail(s);
    hits += t->current_data()[397] == '1';
  }
  std::printf("Go() scan: %.3f s (%llu hits)\n", Seconds(start),
              static_cast<unsigned long long>(hits));
  t.reset();
  std::remove(path.c_str());
  return 0;
}
