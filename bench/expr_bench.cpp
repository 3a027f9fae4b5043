// Times a typical filter condition over synthetic contact records held in
// memory (403-byte records, the contact layout) and prints ns per record.
//   expr_bench [records] [expression]
//   expr_bench --file FILE.DBF [expression]
// The second form scans a real table the way a filter count does (read in
// large blocks, deleted records skipped) to compare with
// `xbcheck bench-count FILE.DBF EXPR`.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "xbase/expr.h"

namespace {

std::vector<xb::FieldInfo> ContactFields() {
  const struct { const char* name; char type; int width; } kDefs[] = {
      {"LNAME", 'C', 30}, {"FNAME", 'C', 30},  {"MIDDLE", 'C', 1},  {"TITLE", 'C', 30},
      {"ORG", 'C', 30},   {"STREET", 'C', 30}, {"CITY", 'C', 30},   {"STATE", 'C', 20},
      {"ZIP", 'C', 10},   {"COUNTRY", 'C', 30}, {"PHONE", 'C', 30}, {"EMAIL", 'C', 30},
      {"FAX", 'C', 30},   {"NOTES", 'C', 30},  {"PREFIX", 'C', 12}, {"CARRIER", 'C', 4},
      {"DATE", 'D', 8},   {"BEGIN", 'L', 1},   {"SEQNO", 'N', 6},   {"MEMO", 'M', 10}};
  std::vector<xb::FieldInfo> fields;
  uint32_t off = 1;
  for (const auto& d : kDefs) {
    xb::FieldInfo f;
    f.name = d.name;
    f.type = d.type;
    f.width = static_cast<uint16_t>(d.width);
    f.offset = off;
    off += static_cast<uint32_t>(d.width);
    fields.push_back(f);
  }
  return fields;
}

void Put(std::string* rec, const xb::FieldInfo& f, const std::string& v) {
  std::memcpy(&(*rec)[f.offset], v.data(), std::min<size_t>(v.size(), f.width));
}

uint32_t Le(const unsigned char* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

int ScanFile(const char* path, const std::string& text) {
  auto start = std::chrono::steady_clock::now();
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) {
    std::perror(path);
    return 1;
  }
  unsigned char head[32];
  if (std::fread(head, 1, 32, f) != 32) return 1;
  uint32_t count = Le(head + 4, 4);
  uint32_t header = Le(head + 8, 2);
  uint32_t reclen = Le(head + 10, 2);
  std::vector<xb::FieldInfo> fields;
  uint32_t off = 1;
  unsigned char d[32];
  while (std::fread(d, 1, 1, f) == 1 && d[0] != 0x0D && std::fread(d + 1, 1, 31, f) == 31) {
    xb::FieldInfo fi;
    fi.name = std::string(reinterpret_cast<char*>(d), strnlen(reinterpret_cast<char*>(d), 11));
    fi.type = static_cast<char>(d[11]);
    fi.width = d[16];
    fi.decimals = d[17];
    fi.offset = off;
    off += fi.width;
    fields.push_back(fi);
  }
  std::unique_ptr<xb::Expression> e;
  xb::Status s = xb::Expression::Compile(text, fields, &e);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  std::fseek(f, header, SEEK_SET);
  const uint32_t per_block = std::max<uint32_t>(1, (1u << 20) / reclen);
  std::vector<char> block(static_cast<size_t>(per_block) * reclen);
  xb::EvalSettings set;
  xb::RecordRef ref;
  long n = 0;
  for (uint32_t done = 0; done < count;) {
    uint32_t want = std::min(per_block, count - done);
    size_t got = std::fread(block.data(), reclen, want, f);
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      ref.data = &block[i * reclen];
      ref.recno = done + static_cast<uint32_t>(i) + 1;
      if (ref.data[0] == '*') continue;
      if (e->EvaluateLogical(ref, set)) ++n;
    }
    done += static_cast<uint32_t>(got);
  }
  std::fclose(f);
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s\ncount %ld of %u records in %.1f ms (%.1f ns/record, reading included)\n",
              text.c_str(), n, count, ms, ms * 1e6 / std::max<uint32_t>(count, 1));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--file") == 0) {
    return ScanFile(argv[2], argc > 3 ? argv[3] : R"(UPPER(LNAME)="SMITH" .and. UPPER(PREFIX)<>"DELETED")");
  }
  long total = argc > 1 ? std::atol(argv[1]) : 1000000;
  std::string text = argc > 2 ? argv[2] : R"(UPPER(LNAME)="SMITH" .and. UPPER(PREFIX)<>"DELETED")";
  std::vector<xb::FieldInfo> fields = ContactFields();
  const size_t reclen = 403;

  // 100,000 distinct records, scanned again and again up to `total`.
  const long distinct = std::min<long>(total, 100000);
  const char* kNames[] = {"Smith", "SMITH", "smithers", "Jones", "Brown", "Miller", "Smyth",
                          "Anderson", "Johnson", "Lee", "Garcia", "Martinez", "Davis", "Wilson"};
  std::vector<char> data(static_cast<size_t>(distinct) * reclen, ' ');
  unsigned seed = 12345;
  for (long i = 0; i < distinct; ++i) {
    std::string rec(reclen, ' ');
    seed = seed * 1103515245u + 12345u;
    Put(&rec, fields[0], kNames[(seed >> 16) % (sizeof(kNames) / sizeof(kNames[0]))]);
    Put(&rec, fields[1], "Firstname");
    Put(&rec, fields[6], "Denver");
    Put(&rec, fields[14], (seed >> 8) % 10 == 0 ? "DELETED" : "");
    Put(&rec, fields[16], "20200115");
    Put(&rec, fields[17], "T");
    Put(&rec, fields[18], std::to_string(i % 999999));
    std::memcpy(&data[static_cast<size_t>(i) * reclen], rec.data(), reclen);
  }

  std::unique_ptr<xb::Expression> e;
  xb::Status s = xb::Expression::Compile(text, fields, &e);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 1;
  }
  xb::EvalSettings set;
  xb::RecordRef ref;
  xb::Value value;
  long count = 0;
  bool logical = e->type() == xb::ValueType::kLogical;
  auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < total; ++i) {
    ref.data = &data[static_cast<size_t>(i % distinct) * reclen];
    ref.recno = static_cast<uint32_t>(i + 1);
    if (logical) {
      if (e->EvaluateLogical(ref, set)) ++count;
    } else {
      if (e->Evaluate(ref, set, &value).ok()) ++count;
    }
  }
  double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s\n%ld records, %ld true, %.1f ms, %.1f ns/record\n", text.c_str(), total, count,
              ns / 1e6, ns / static_cast<double>(total));
  return 0;
}
