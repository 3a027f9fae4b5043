// Writes N synthetic contacts as tab-separated rows (the `make` row format)
// to stdout, the same rows for the same N and seed, for benchmarks.
//   make_contacts N [SEED]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A small fixed generator so rows do not depend on the library's engine.
struct Rng {
  uint64_t s;
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 16);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }
};

const char* kLast[] = {"Smith",  "Johnson", "Williams", "Brown",   "Jones",    "Garcia",  "Miller",
                       "Davis",  "Rodriguez", "Martinez", "Hernandez", "Lopez", "Gonzalez", "Wilson",
                       "Anderson", "Thomas", "Taylor", "Moore",   "Jackson",  "Martin",  "Lee",
                       "Perez",  "Thompson", "White",   "Harris",  "Sanchez",  "Clark",   "Ramirez",
                       "Lewis",  "Robinson", "Walker",  "Young",   "Allen",    "King",    "Wright",
                       "Scott",  "Torres",  "Nguyen",   "Hill",    "Flores",   "Green",   "Adams"};
const char* kFirst[] = {"James", "Mary",  "Robert", "Patricia", "John",   "Jennifer", "Michael",
                        "Linda", "David", "Elizabeth", "William", "Barbara", "Richard", "Susan",
                        "Joseph", "Jessica", "Thomas", "Sarah", "Charles", "Karen"};
const char* kStreet[] = {"Main St", "Oak Ave", "Maple Dr", "Cedar Ln", "Elm St", "Pine Rd",
                         "Washington Blvd", "Lake Shore Dr", "2nd Ave", "Park Pl"};
struct City {
  const char* name;
  const char* state;
  int zip3;
};
const City kCity[] = {{"Denver", "CO", 802},  {"Boston", "MA", 21},   {"Albany", "NY", 122},
                      {"Austin", "TX", 787},  {"Seattle", "WA", 981}, {"Chicago", "IL", 606},
                      {"Miami", "FL", 331},   {"Portland", "OR", 972}, {"Phoenix", "AZ", 850},
                      {"Atlanta", "GA", 303}, {"Omaha", "NE", 681},   {"Reno", "NV", 895}};

template <size_t N>
const char* Pick(Rng& r, const char* (&a)[N]) {
  return a[r.Below(N)];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_contacts N [SEED]\n");
    return 2;
  }
  long n = std::atol(argv[1]);
  Rng r{argc > 2 ? std::strtoull(argv[2], nullptr, 10) + 1 : 88172645463325252ull};
  std::string line;
  for (long i = 0; i < n; ++i) {
    const City& c = kCity[r.Below(sizeof kCity / sizeof kCity[0])];
    // A few names in lower case, so UPPER() has work to do.
    std::string last = Pick(r, kLast);
    if (r.Below(10) == 0) last[0] = static_cast<char>(last[0] - 'A' + 'a');
    const char* first = Pick(r, kFirst);
    bool deleted = r.Below(50) == 0;
    char zip[16];
    std::snprintf(zip, sizeof zip, "%03d%02u", c.zip3, r.Below(100));
    char date[16] = "";
    if (r.Below(5) != 0) {
      std::snprintf(date, sizeof date, "%04u%02u%02u", 1990 + r.Below(35), 1 + r.Below(12),
                    1 + r.Below(28));
    }
    char buf[1024];
    int len = std::snprintf(
        buf, sizeof buf,
        "%s\t%s\t%c\t%s\t%s\t%u %s\t%s\t%s\t%s\tUSA\t(555) %03u-%04u\t%s.%s@example.com\t\t%s\t%s\t\t%s\tF\t%ld\t%s%s\n",
        last.c_str(), first, 'A' + static_cast<char>(r.Below(26)),
        r.Below(3) == 0 ? "Manager" : "", r.Below(4) == 0 ? "Acme Supply" : "",
        1 + r.Below(9999), Pick(r, kStreet), c.name, c.state, zip, r.Below(900) + 100,
        r.Below(10000), first, last.c_str(), r.Below(8) == 0 ? "VIP" : "",
        deleted ? "DELETED" : (r.Below(2) ? "Mr." : "Ms."), date, i % 1000000,
        r.Below(20) == 0 ? "Met at the fair" : "", deleted ? "\t*" : "");
    std::fwrite(buf, 1, static_cast<size_t>(len), stdout);
  }
  return 0;
}
