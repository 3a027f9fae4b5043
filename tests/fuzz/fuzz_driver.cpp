// A plain mutation fuzzer for the readers that take files from outside:
// tables, memo files, compound indexes, conditions and page streams, and
// above the engine RTF letters, CSV and vCard files, the text import's
// lines, the settings file and the DBF import's field mapping. Each run
// starts from valid seeds (built here, or the seed files beside this one,
// taken from the tests), damages a copy, and drives the reader over it.
// Any crash, sanitizer report, hang or memory use past the limit is a
// finding; so is a refusal without a message.
//
//   fuzz_driver TARGET SECONDS [SEED]
//   fuzz_driver TARGET replay FILE     (the readers above the engine)
//   TARGET: dbf fpt cdx expr pagestream rtf csv vcard ascii ini dbfimport
//
// QV_FUZZ_RSS_MB (default 2048) bounds a child's resident memory: an
// allocation sized by a number in the input shows up as a finding.
// QV_FUZZ_CASES ends the run after that many cases, if it is not over first.
//
// The inputs run in a child process, so one finding does not end the run:
// the child reports the case it is on through shared memory, and when it
// dies or stops moving the parent keeps that case's input under
// fuzz-findings/ and starts a new child past it. Case n of a seed is the
// same input on every run, so a finding replays.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_parsers.h"
#include "render/page_stream.h"
#include "xbase/expr.h"
#include "xbase/index_check.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace {

using Bytes = std::string;
using Rng = std::mt19937_64;

[[noreturn]] void Finding(const std::string& what) {
  std::fprintf(stderr, "finding: %s\n", what.c_str());
  std::abort();
}

void Expect(bool ok, const char* what) {
  if (!ok) Finding(what);
}

// A refusal must say why, in words.
void Worded(const xb::Status& s, const char* what) {
  if (!s.ok() && s.message().empty()) Finding(std::string(what) + " failed without a message");
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes)) {
    Finding("cannot write the scratch file " + path);
  }
}

// ---- mutations ---------------------------------------------------------------

const uint32_t kInteresting[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x100, 0x1FF, 0x7FFF, 0x8000,
                                 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};

// Damages `b` in 1 to 8 places. `hot` bytes at the front (a header) get
// half the edits, since most of a reader's decisions are made there.
void Mutate(Rng& rng, Bytes* b, size_t hot) {
  auto pick = [&](size_t n) { return n == 0 ? size_t{0} : size_t(rng() % n); };
  const int edits = 1 + int(rng() % 8);
  for (int e = 0; e < edits; ++e) {
    if (b->empty()) {
      b->push_back(char(rng()));
      continue;
    }
    const size_t at = (hot > 0 && rng() % 2 == 0) ? pick(std::min(hot, b->size())) : pick(b->size());
    switch (rng() % 7) {
      case 0: (*b)[at] ^= char(1u << (rng() % 8)); break;
      case 1: (*b)[at] = char(rng()); break;
      case 2: {  // a 16 or 32-bit field set to an edge value
        const uint32_t v = kInteresting[pick(std::size(kInteresting))];
        const size_t width = rng() % 2 ? 2 : 4;
        for (size_t k = 0; k < width && at + k < b->size(); ++k) (*b)[at + k] = char(v >> (8 * k));
        break;
      }
      case 3: b->resize(pick(b->size())); break;
      case 4: b->erase(at, 1 + pick(32)); break;
      case 5: b->insert(at, Bytes(1 + pick(32), char(rng()))); break;
      default: {  // a block copied over another place
        const size_t from = pick(b->size()), n = 1 + pick(64);
        const Bytes block = b->substr(from, n);
        b->replace(at, std::min(block.size(), b->size() - at), block);
        break;
      }
    }
  }
}

// ---- seeds -------------------------------------------------------------------

const std::vector<xb::FieldDef> kFields = {{"NAME", 'C', 12, 0}, {"CITY", 'C', 10, 0},
                                           {"AMOUNT", 'N', 8, 2},  {"BORN", 'D', 8, 0},
                                           {"OK", 'L', 1, 0},      {"NOTE", 'M', 10, 0}};

void Check(const xb::Status& s, const char* what) {
  if (!s.ok()) Finding(std::string("building the seed: ") + what + ": " + s.ToString());
}

// A table of a few records with memos and a production index of three tags.
struct Seed {
  Bytes dbf, fpt, cdx;
};

Seed MakeSeed(const std::string& dir) {
  const std::string path = dir + "/seed.dbf";
  Check(xb::Table::Create(path, kFields), "create");
  xb::Settings settings;
  {
    std::unique_ptr<xb::WorkArea> a;
    Check(xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &a), "open");
    const char* names[] = {"Smith", "jones", "Ng", "", "O'Brien", "Smith", "Zhou", "ab"};
    for (int i = 0; i < 8; ++i) {
      Check(a->Append(), "append");
      Check(a->SetField(0, names[i]), "name");
      Check(a->SetField(1, i % 2 ? "Berlin" : "Oslo"), "city");
      Check(a->SetField(2, std::to_string(i * 17) + ".25"), "amount");
      Check(a->SetField(3, i == 3 ? "        " : "1970010" + std::to_string(i + 1)), "born");
      Check(a->SetField(4, i % 3 ? "T" : "F"), "ok");
      Check(a->SetMemo(5, std::string(size_t(i) * 37, char('a' + i))), "memo");
      if (i == 5) Check(a->SetDeleted(true), "delete");
    }
    Check(a->IndexTags("", {{"NAME", "UPPER(NAME)", "", false, false},
                            {"CITY", "CITY+DTOS(BORN)", "!DELETED()", false, true},
                            {"AMOUNT", "AMOUNT", "", true, false}}),
          "index");
    Check(a->Commit(), "commit");
  }
  return {ReadFile(path), ReadFile(dir + "/seed.fpt"), ReadFile(dir + "/seed.cdx")};
}

// Every kind of operation, a clipped text, and a page of its own size.
qv::PageStream MakePageStream() {
  const qv::TextFont font{QStringLiteral("Times New Roman"), 10, true, false, false, 0xFF000000};
  const QString words = QStringLiteral("Gr\u00FC\u00DFe, Smith");
  const qv::TextOp text{1.0, 1.25, font, words, false, QRectF()};
  const qv::TextOp clipped{1.0, 1.25, font, words, true, QRectF(1, 1, 2, 0.2)};
  const qv::Page p{8.5, 11, {text, clipped,
      qv::LineOp{1, 2, 7.5, 2, qv::Pen{0xFFC0C0C0, qv::PenStyle::Dot, 0.01, qv::PenMode::Xor}},
      qv::RectOp{QRectF(0.5, 1, 7, 9), qv::Pen{}, true, 0xFFFFFF00},
      qv::ShadeOp{QRectF(0.5, 1, 7, 0.16), 5},
      qv::ImageOp{QRectF(7, 0.125, 0.75, 0.75), QByteArray("\x89PNG", 4)},
      qv::BarCodeOp{0.5, 4, qv::BarKind::Postnet, "FHHFF"},
      qv::BarCodeOp{0.5, 4.5, qv::BarKind::IntelligentMail, "FADT"}}};
  return {{p, qv::Page{9.5, 4.125, {}}, p}};
}

// ---- what each target runs on a damaged input ------------------------------

// Every record and memo, then every order walked both ways and sought,
// then the checker, then a change: a damaged file must refuse, not crash.
void DriveTable(const std::string& path) {
  {
    std::unique_ptr<xb::Table> t;
    xb::Status s = xb::Table::Open(path, {true, true}, &t);
    Worded(s, "opening the table");
    if (!s.ok()) return;
    // What the reader reports stays within the files it was given.
    const uint64_t dbf_size = std::filesystem::file_size(path);
    const std::string fpt = path.substr(0, path.size() - 4) + ".fpt";
    const uint64_t memo_size = std::filesystem::exists(fpt) ? std::filesystem::file_size(fpt) : 0;
    Expect(t->header_length() + uint64_t{t->record_count()} * t->record_length() <= dbf_size,
           "more records counted than the file holds");
    std::string memo, all;
    s = t->ReadRecords(1, t->record_count(), &all);
    Worded(s, "reading the records");
    for (uint32_t n = 1; n <= t->record_count(); ++n) {
      s = t->Go(n);
      Worded(s, "reading a record");
      if (!s.ok()) break;
      if (all.size() == size_t{t->record_count()} * t->record_length()) {
        Expect(all.compare((n - 1) * t->record_length(), t->record_length(), t->current_data(),
                           t->record_length()) == 0,
               "a record read alone differs from the same record read in a run");
      }
      for (size_t f = 0; f < t->fields().size(); ++f) {
        if (t->fields()[f].type != 'M') continue;
        s = t->GetMemo(int(f), &memo);
        Worded(s, "reading a memo");
        Expect(!s.ok() || memo.size() <= memo_size, "a memo longer than its file");
      }
    }
    std::vector<xb::TagCheck> tags;
    const std::string cdx = path.substr(0, path.size() - 4) + ".cdx";
    if (std::filesystem::exists(cdx)) Worded(xb::CheckIndex(*t, cdx, &tags), "checking the index");
  }
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> a;
  xb::Status s = xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &a);
  Worded(s, "opening the work area");
  if (!s.ok()) return;
  Worded(a->index_status(), "opening the index");
  const uint32_t limit = a->table().record_count() + 2;
  for (int order = 0; order <= a->order_count(); ++order) {
    if (!a->SetOrder(order).ok()) continue;
    uint32_t steps = 0;
    for (s = a->GoTop(); s.ok() && !a->eof(); s = a->Skip(1)) {
      if (++steps > limit) Finding("a forward walk does not end");
    }
    Worded(s, "walking forwards");
    steps = 0;
    for (s = a->GoBottom(); s.ok() && !a->bof(); s = a->Skip(-1)) {
      if (++steps > limit) Finding("a backward walk does not end");
    }
    Worded(s, "walking backwards");
    bool found = false;
    for (const char* key : {"SMITH", "O", "Oslo", "", "17.25", "~~~~"}) Worded(a->Seek(key, &found), "seeking");
    std::string key;
    Worded(a->CurrentKey(&key), "reading a key");
  }
  // Changes on the damaged files: each succeeds or is refused.
  s = a->Go(1);
  if (s.ok() && !a->eof()) s = a->SetField(0, "Changed");
  if (s.ok() && !a->eof()) s = a->SetMemo(5, std::string(300, 'm'));
  if (s.ok()) s = a->Commit();
  Worded(s, "changing a record");
  s = a->Append();
  if (s.ok()) s = a->SetField(0, "Added");
  if (s.ok()) s = a->Commit();
  Worded(s, "appending");
  uint32_t count = 0;
  Worded(a->QueryRecCount(&count), "counting");
}

struct Scratch {
  std::string dir;
  std::string path() const { return dir + "/t.dbf"; }
};

void PutTable(const Scratch& at, const Bytes& dbf, const Bytes& fpt, const Bytes& cdx) {
  WriteFile(at.dir + "/t.dbf", dbf);
  WriteFile(at.dir + "/t.fpt", fpt);
  WriteFile(at.dir + "/t.cdx", cdx);
  std::filesystem::remove(at.dir + "/t.qvi");
}

const char* const kExprSeeds[] = {
    "UPPER(NAME) = 'SMITH' .AND. !DELETED()",
    "IIF(OK, AMOUNT * 2, -AMOUNT) > 10.5",
    "DTOS(BORN) + SUBSTR(CITY, 2, 3) $ 'xOslo1970'",
    "PADL(ALLTRIM(STR(AMOUNT, 10, 2)), 12, '*') + LEFT(NAME, 3)",
    "YEAR(BORN) * 12 + MONTH(BORN) - DAY(CTOD('01/02/1999')) >= VAL('3e2')",
    "AT('o', LOWER(NAME)) + RAT('n', CITY) + LEN(TRIM(NAME)) + RECNO()",
    "STRTRAN(STUFF(NAME, 2, 1, 'xx'), 'x', REPLICATE('-', 3)) <> SPACE(4)",
    "EMPTY(BORN) .OR. (ROUND(AMOUNT / 3, 1) = INT(ABS(-AMOUNT)) .AND. ISDIGIT(CHR(ASC('5'))))",
    "MAX(AMOUNT, 1) + MIN(1, 2) = 3 .OR. STOD('20200101') > DATE()",
    "RIGHT(PADC(CITY, 20), 4) == 'slo ' .AND. ISALPHA(LTRIM(RTRIM(' x ')))",
};
const char* const kExprTokens[] = {"(", ")", ",", "'", "\"", "+", "-", "*", "/", "^", "%", "$", "=", "==", "<>",
                                   ".AND.", ".OR.", ".NOT.", "!", ".T.", ".F.", "NAME", "AMOUNT", "BORN",
                                   "OK", "NOTE", "CITY", "SUBSTR(", "IIF(", "STR(", "VAL(", "REPLICATE(",
                                   "SPACE(", "PADR(", "CTOD(", "DTOC(", "9999999999", "-0", "1e308", "0.",
                                   "''", "'a", " ", "->", "[", "]", "{", "}", ";"};

void DriveExpression(const std::string& text, const std::vector<xb::FieldInfo>& fields,
                     const std::vector<Bytes>& records, xb::MemoReader* memo) {
  std::unique_ptr<xb::Expression> e;
  xb::Status s = xb::Expression::Compile(text, fields, &e);
  Worded(s, "compiling");
  if (!s.ok()) return;
  xb::EvalSettings es;
  xb::Value v;
  for (int exact = 0; exact < 2; ++exact) {
    es.exact = exact == 1;
    for (size_t i = 0; i < records.size(); ++i) {
      xb::RecordRef r;
      r.data = records[i].data();
      r.recno = uint32_t(i + 1);
      r.memo = memo;
      Worded(e->Evaluate(r, es, &v), "evaluating");
      xb::Status why;
      e->EvaluateLogical(r, es, &why);
      Worded(why, "evaluating a condition");
      if (e->type() == xb::ValueType::kCharacter) {
        std::string_view out;
        Worded(e->EvaluateText(r, es, &out), "evaluating text");
      }
    }
  }
}

void DrivePageStream(const QByteArray& bytes) {
  qv::PageStream out;
  QString error;
  if (DecodePageStream(bytes, &out, &error)) {
    DumpPageStream(out);
  } else {
    Expect(!error.isEmpty(), "a page stream refused without a message");
  }
  QByteArray copy = bytes;
  QBuffer device(&copy);
  device.open(QIODevice::ReadOnly);
  qv::PageStreamReader reader;
  error.clear();
  if (!reader.open(&device, &error)) {
    Expect(!error.isEmpty(), "a page stream reader refused without a message");
    return;
  }
  for (int i = 0; i < reader.pageCount(); ++i) {
    qv::Page page;
    error.clear();
    if (!reader.readPage(i, &page, &error)) Expect(!error.isEmpty(), "a page refused without a message");
  }
}

// ---- the target table ---------------------------------------------------------

struct Target {
  // Runs case `n` (its input derived from `rng`); with `keep`, only writes
  // the input to that folder instead.
  std::function<void(Rng& rng, const std::string* keep)> run;
  // Drives the reader over a kept input; empty for the engine's targets.
  std::function<void(const Bytes& input)> replay = nullptr;
};

std::map<std::string, Target> Targets(const Scratch& scratch, const Seed& seed) {
  const size_t dbf_header = 32 + 32 * kFields.size() + 1;
  auto table_case = [=](int which) {
    return [=](Rng& rng, const std::string* keep) {
      Bytes dbf = seed.dbf, fpt = seed.fpt, cdx = seed.cdx;
      Bytes* target = which == 0 ? &dbf : which == 1 ? &fpt : &cdx;
      Mutate(rng, target, which == 0 ? dbf_header : 512);
      PutTable(keep ? Scratch{*keep} : scratch, dbf, fpt, cdx);
      if (!keep) DriveTable(scratch.path());
    };
  };
  std::map<std::string, Target> targets;
  targets["dbf"] = {table_case(0)};
  targets["fpt"] = {table_case(1)};
  targets["cdx"] = {table_case(2)};

  // Conditions run over the seed's records and a few records of odd bytes.
  auto table = std::make_shared<std::unique_ptr<xb::Table>>();
  Check(xb::Table::Open(scratch.dir + "/seed/seed.dbf", {false, true}, table.get()), "open for conditions");
  auto records = std::make_shared<std::vector<Bytes>>();
  for (uint32_t n = 1; n <= (*table)->record_count(); ++n) {
    Check((*table)->Go(n), "go");
    records->emplace_back((*table)->current_data(), (*table)->record_length());
  }
  records->push_back(Bytes((*table)->record_length(), ' '));
  records->push_back(Bytes((*table)->record_length(), '\xFF'));
  records->push_back(Bytes((*table)->record_length(), '9'));
  targets["expr"] = {[=](Rng& rng, const std::string* keep) {
    std::string text = kExprSeeds[rng() % std::size(kExprSeeds)];
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
      if (rng() % 3 == 0) {
        text.erase(at, 1 + rng() % 6);
      } else if (rng() % 2 == 0) {
        text.insert(at, kExprTokens[rng() % std::size(kExprTokens)]);
      } else {
        Bytes t = text;
        Mutate(rng, &t, 0);
        text = t;
      }
    }
    if (keep) return WriteFile(*keep + "/condition.txt", text);
    DriveExpression(text, (*table)->fields(), *records, table->get());
  }};

  const std::map<std::string, std::vector<std::string>> extra = {
      {"dbfimport", {seed.dbf, ReadFile(QV_TEST_DATA "/libreoffice-people.dbf")}}};
  for (auto& [name, parser] : qvfuzz::ParserTargets(QV_FUZZ_SEEDS, extra, Finding)) {
    auto drive = [=, p = parser](const Bytes& b) {
      const std::string path = scratch.dir + "/" + p.file;
      WriteFile(path, b);
      p.drive(path, b);
    };
    targets[name] = {[=, p = parser](Rng& rng, const std::string* keep) {
      Bytes b = p.seeds[rng() % p.seeds.size()];
      Mutate(rng, &b, p.hot);
      if (keep) return WriteFile(*keep + "/" + p.file, b);
      drive(b);
    }, drive};
  }

  const QByteArray stream = EncodePageStream(MakePageStream());
  targets["pagestream"] = {[=](Rng& rng, const std::string* keep) {
    Bytes b(stream.constData(), size_t(stream.size()));
    Mutate(rng, &b, 24);
    if (keep) return WriteFile(*keep + "/pages.qvp", b);
    DrivePageStream(QByteArray(b.data(), qsizetype(b.size())));
  }};
  return targets;
}

// The child's resident memory in MB, 0 when it cannot be read.
uint64_t ResidentMb(pid_t pid) {
  std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
  uint64_t size = 0, resident = 0;
  if (!(statm >> size >> resident)) return 0;
  return resident * uint64_t(sysconf(_SC_PAGESIZE)) >> 20;
}

Rng CaseRng(uint64_t seed, uint64_t n) {
  std::seed_seq seq{uint32_t(seed), uint32_t(seed >> 32), uint32_t(n), uint32_t(n >> 32)};
  return Rng(seq);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr,
                 "usage: fuzz_driver dbf|fpt|cdx|expr|pagestream|rtf|csv|vcard|ascii|ini|dbfimport "
                 "SECONDS [SEED] | replay FILE\n");
    return 2;
  }
  const std::string name = argv[1];
  const bool replay = argc == 4 && std::string(argv[2]) == "replay";
  const double seconds = replay ? 1 : std::atof(argv[2]);
  const uint64_t seed = argc == 4 && !replay ? std::strtoull(argv[3], nullptr, 10) : 1;
  const char* rss = std::getenv("QV_FUZZ_RSS_MB");
  const uint64_t rss_limit_mb = rss && *rss ? std::strtoull(rss, nullptr, 10) : 2048;
  const char* cases = std::getenv("QV_FUZZ_CASES");
  const uint64_t last_case = cases && *cases ? std::strtoull(cases, nullptr, 10) : UINT64_MAX;
  // The RTF reader lays text out with fonts, which needs a GUI application;
  // the offscreen platform starts no threads, so forking stays safe.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/qvfuzz-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) {
    std::perror("fuzz_driver: cannot make a scratch folder");
    return 1;
  }
  const Scratch scratch{templ};
  std::filesystem::create_directories(scratch.dir + "/seed");
  const Seed files = MakeSeed(scratch.dir + "/seed");
  const std::map<std::string, Target> targets = Targets(scratch, files);
  auto it = targets.find(name);
  if (it == targets.end() || seconds <= 0) {
    std::fprintf(stderr, "fuzz_driver: unknown target or time: %s %s\n", argv[1], argv[2]);
    return 2;
  }
  const Target& target = it->second;
  if (replay) {
    if (!target.replay) {
      std::fprintf(stderr, "fuzz_driver: %s inputs replay only as a case number of a seed\n", argv[1]);
      return 2;
    }
    target.replay(ReadFile(argv[3]));
    std::filesystem::remove_all(scratch.dir);
    std::printf("%s: %s read without a finding\n", name.c_str(), argv[3]);
    return 0;
  }

  // [0]: the case the child is on; [1]: cases it finished.
  auto* shared = static_cast<volatile uint64_t*>(
      mmap(nullptr, 2 * sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  if (shared == MAP_FAILED) {
    std::perror("fuzz_driver: mmap");
    return 1;
  }
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  constexpr auto kHang = std::chrono::seconds(10);
  uint64_t next = 0, executions = 0, findings = 0;
  while (Clock::now() < end && next < last_case) {
    shared[0] = next;
    shared[1] = next;
    const pid_t child = fork();
    if (child < 0) {
      std::perror("fuzz_driver: fork");
      return 1;
    }
    if (child == 0) {
      for (uint64_t n = next; Clock::now() < end && n < last_case; ++n) {
        shared[0] = n;
        Rng rng = CaseRng(seed, n);
        target.run(rng, nullptr);
        shared[1] = n + 1;
      }
      _exit(0);
    }
    int status = 0;
    uint64_t seen = shared[1];
    auto moved = Clock::now();
    bool hung = false, bloated = false;
    int polls = 0;
    for (;;) {
      const pid_t w = waitpid(child, &status, WNOHANG);
      if (w == child) break;
      if (++polls % 8 == 0 && ResidentMb(child) > rss_limit_mb) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        bloated = true;
        break;
      }
      if (shared[1] != seen) {
        seen = shared[1];
        moved = Clock::now();
      } else if (Clock::now() - moved > kHang) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        hung = true;
        break;
      }
      usleep(2000);
    }
    executions += shared[1] - next;
    if (!hung && !bloated && WIFEXITED(status) && WEXITSTATUS(status) == 0) break;
    const uint64_t bad = shared[0];
    ++executions;
    ++findings;
    const std::string keep = "fuzz-findings/" + name + "-" + std::to_string(seed) + "-" + std::to_string(bad);
    std::filesystem::create_directories(keep);
    Rng rng = CaseRng(seed, bad);
    target.run(rng, &keep);
    std::fprintf(stderr, "%s: case %llu %s; its input is in %s\n", name.c_str(),
                 static_cast<unsigned long long>(bad),
                 hung ? "hangs" : bloated ? "uses too much memory" : WIFSIGNALED(status) ? "crashes" : "fails",
                 keep.c_str());
    next = bad + 1;
  }
  std::filesystem::remove_all(scratch.dir);
  std::printf("%s: %llu executions, %llu findings\n", name.c_str(),
              static_cast<unsigned long long>(executions), static_cast<unsigned long long>(findings));
  return findings == 0 ? 0 : 1;
}
