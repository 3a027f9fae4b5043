// Bulk-builds 21 tags of 1,000,000 synthetic keys each (the key lengths of
// the contact file's tags) into one CDX, then times random seeks. Reports
// time per tag, total, and the peak resident memory.
//
//   cdx_bench [records] [directory]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "xbase/index.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// Name-like keys: a few thousand distinct stems, varied filled lengths,
// blank padded, with plenty of duplicates and shared prefixes.
std::string SyntheticKey(std::mt19937& rng, uint16_t length, xb::KeyType type) {
  if (type == xb::KeyType::kNumeric) return xb::EncodeNumericKey(double(rng() % 200000) - 1000);
  static const char* kStems[] = {"SMITH", "JOHNSON", "WILLIAMS", "BROWN", "JONES", "GARCIA",
                                 "MILLER", "DAVIS", "RODRIGUEZ", "MARTINEZ", "SPRINGFIELD",
                                 "MAIN STREET", "ACME CORPORATION", "PO BOX"};
  std::string text = kStems[rng() % std::size(kStems)];
  text += std::to_string(rng() % 5000);
  while (text.size() < length && rng() % 3 != 0) text += char('A' + rng() % 26);
  return xb::EncodeCharacterKey(text, length);
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t records = argc > 1 ? uint32_t(std::atoi(argv[1])) : 1000000;
  const std::filesystem::path dir = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
  const std::string path = (dir / "cdx_bench.cdx").string();
  const uint16_t lengths[21] = {60, 60, 30, 30, 30, 30, 50, 20, 10, 30, 30,
                                30, 30, 8, 30, 12, 1, 1, 8, 36, 30};

  std::unique_ptr<xb::IndexFile> file;
  xb::Status s = xb::IndexFile::CreateCompound(path, &file);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  std::mt19937 rng(42);
  double build_total = 0;
  for (int t = 0; t < 21; ++t) {
    xb::TagInfo def;
    def.name = "TAG" + std::to_string(t + 1);
    def.key_expr = def.name;
    def.key_length = lengths[t];
    def.key_type = t == 18 ? xb::KeyType::kNumeric : xb::KeyType::kCharacter;
    xb::KeyBuffer buf(def.key_length);
    buf.Reserve(records);
    for (uint32_t r = 1; r <= records; ++r) buf.Add(SyntheticKey(rng, def.key_length, def.key_type), r);
    const auto start = std::chrono::steady_clock::now();
    s = file->AddTag(def, &buf, nullptr, nullptr);
    const double took = Seconds(start);
    if (!s.ok()) {
      std::fprintf(stderr, "%s\n", s.ToString().c_str());
      return 1;
    }
    build_total += took;
    std::printf("tag %-6s key %3u bytes: sort+write %.3f s\n", def.name.c_str(),
                unsigned(def.key_length), took);
  }
  const auto flush_start = std::chrono::steady_clock::now();
  s = file->Flush();
  std::printf("21 tags x %u keys: %.2f s building, flush %.3f s, file %.1f MB, peak RSS %ld MB\n",
              records, build_total, Seconds(flush_start),
              double(std::filesystem::file_size(path)) / (1 << 20), PeakRssMb());

  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  std::unique_ptr<xb::IndexCursor> cursor;
  s = file->NewCursor(1, &cursor);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  std::vector<std::string> probes;
  for (int i = 0; i < 100000; ++i) probes.push_back(SyntheticKey(rng, 60, xb::KeyType::kCharacter));
  const auto seek_start = std::chrono::steady_clock::now();
  int found_count = 0;
  for (const auto& key : probes) {
    bool found = false;
    s = cursor->Seek(std::string_view(key).substr(0, key.find_last_not_of(' ') + 1), true, &found);
    if (!s.ok()) {
      std::fprintf(stderr, "%s\n", s.ToString().c_str());
      return 1;
    }
    found_count += found;
  }
  std::printf("100000 random prefix seeks: %.3f s (%d found)\n", Seconds(seek_start), found_count);
  s = file->Close();
  std::filesystem::remove(path);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  return 0;
}
