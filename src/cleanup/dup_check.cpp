#include "cleanup/dup_check.h"

#include <algorithm>
#include <string_view>

#include "cleanup/cleanup_text.h"
#include "store/codepage.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

// Field positions of the contact file, looked up once per run.
struct DupFields {
  const xb::FieldInfo* lname = nullptr;
  const xb::FieldInfo* fname = nullptr;
  const xb::FieldInfo* street = nullptr;
  const xb::FieldInfo* zip = nullptr;

  xb::Status Find(xb::Table& table) {
    const auto& fields = table.fields();
    auto find = [&](const char* name, const xb::FieldInfo** out) {
      const int i = table.FieldIndex(name);
      if (i < 0) return false;
      *out = &fields[i];
      return true;
    };
    if (!find("LNAME", &lname) || !find("FNAME", &fname) || !find("STREET", &street) ||
        !find("ZIP", &zip)) {
      return xb::Status::InvalidArgument("the file has not the fields of a contact file");
    }
    return xb::Status::OK();
  }
};

// The keys of one record as the plain checks compare them; `valid` is
// false for a record that is not compared (empty last name or street).
struct PlainKeys {
  std::string_view first, second;
  bool valid = false;
};

PlainKeys KeysOf(const xb::RecordRef& r, const DupFields& f, const DupCheckOptions& options) {
  PlainKeys k;
  if (options.kind == DupKind::Street) {
    std::string_view street = TrimRight(r.field(*f.street));
    k.first = TrimRight(street.substr(0, static_cast<size_t>(options.streetChars)));
    k.valid = !k.first.empty();
    return k;
  }
  k.first = TrimRight(r.field(*f.lname));
  k.second = TrimRight(r.field(*f.fname));
  if (options.kind == DupKind::LastInitial) k.second = k.second.substr(0, 1);
  k.valid = !k.first.empty();
  return k;
}

class ProgressStep {
 public:
  ProgressStep(const CleanupProgress& progress, size_t total)
      : m_progress(progress), m_total(total == 0 ? 1 : total) {}
  // False when the user cancelled.
  bool Step(size_t step, int found) {
    if (!m_progress || (step % kProgressEvery != 0 && step != m_total)) return true;
    return m_progress(static_cast<int>(step * 100 / m_total), found);
  }

 private:
  const CleanupProgress& m_progress;
  size_t m_total;
};

// The compared keys of every record, read in record order in large
// chunks: the scan in name or street order then costs no read per record.
struct RecordKeys {
  std::string text;             // first then second key of each record
  std::vector<uint32_t> start;  // by record number; start[n + 1] ends record n
  std::vector<uint16_t> firstLength;
  std::vector<char> state;  // 0 not compared, 1 compared, 2 deleted

  xb::Status Read(xb::Table& table, const DupFields& f, const DupCheckOptions& options) {
    const uint32_t total = table.record_count();
    const size_t length = table.record_length();
    start.assign(static_cast<size_t>(total) + 2, 0);
    firstLength.assign(static_cast<size_t>(total) + 1, 0);
    state.assign(static_cast<size_t>(total) + 1, 0);
    constexpr uint32_t kChunk = 4096;
    std::string buf;
    xb::RecordRef r;
    r.memo = &table;
    for (uint32_t first = 1; first <= total; first += kChunk) {
      const uint32_t count = std::min(kChunk, total - first + 1);
      XB_RETURN_IF_ERROR(table.ReadRecords(first, count, &buf));
      for (uint32_t i = 0; i < count; ++i) {
        r.data = buf.data() + static_cast<size_t>(i) * length;
        r.recno = first + i;
        start[r.recno] = static_cast<uint32_t>(text.size());
        if (r.deleted()) {
          state[r.recno] = 2;
          continue;
        }
        const PlainKeys k = KeysOf(r, f, options);
        state[r.recno] = k.valid ? 1 : 0;
        text.append(k.first);
        text.append(k.second);
        firstLength[r.recno] = static_cast<uint16_t>(k.first.size());
      }
    }
    start[static_cast<size_t>(total) + 1] = static_cast<uint32_t>(text.size());
    return xb::Status::OK();
  }
  std::string_view First(uint32_t n) const {
    return std::string_view(text).substr(start[n], firstLength[n]);
  }
  std::string_view Second(uint32_t n) const {
    return std::string_view(text).substr(start[n] + firstLength[n],
                                         start[n + 1] - start[n] - firstLength[n]);
  }
};

xb::Status PlainScan(xb::WorkArea& area, const DupFields& f, const DupCheckOptions& options,
                     const CleanupProgress& progress, std::vector<uint32_t>* flagged,
                     DupCheckResult* result) {
  const char* tag = options.kind == DupKind::Street ? "STREET" : "NAME";
  const int order = area.TagArea(tag);
  if (order == 0) {
    return xb::Status::NotFound(std::string("the contact file has no tag ") + tag +
                                "; rebuild its indexes");
  }
  XB_RETURN_IF_ERROR(area.SetOrder(order));
  std::vector<uint32_t> recnos;
  XB_RETURN_IF_ERROR(area.VisibleRecnos(&recnos));
  RecordKeys keys;
  XB_RETURN_IF_ERROR(keys.Read(area.table(), f, options));
  ProgressStep step(progress, recnos.size());
  bool prevValid = false;
  uint32_t prevRecno = 0;
  for (size_t i = 0; i < recnos.size(); ++i) {
    const uint32_t recno = recnos[i];
    // A record marked deleted neither matches nor parts a pair around it.
    if (keys.state[recno] != 2) {
      const bool valid = keys.state[recno] == 1;
      if (valid && prevValid && EqualsIgnoringCase(keys.First(recno), keys.First(prevRecno)) &&
          EqualsIgnoringCase(keys.Second(recno), keys.Second(prevRecno))) {
        if (flagged->empty() || flagged->back() != prevRecno) flagged->push_back(prevRecno);
        flagged->push_back(recno);
        ++result->found;
      }
      prevValid = valid;
      prevRecno = recno;
    }
    if (!step.Step(i + 1, result->found)) {
      result->cancelled = true;
      break;
    }
  }
  return xb::Status::OK();
}

xb::Status SimilarScan(xb::WorkArea& area, const DupFields& f, const CleanupProgress& progress,
                       std::vector<uint32_t>* flagged, DupCheckResult* result) {
  XB_RETURN_IF_ERROR(area.SetOrder(0));
  std::vector<uint32_t> recnos;
  XB_RETURN_IF_ERROR(area.VisibleRecnos(&recnos));
  ProgressStep step(progress, recnos.size());
  std::vector<std::pair<std::string, uint32_t>> keys;
  for (size_t i = 0; i < recnos.size(); ++i) {
    XB_RETURN_IF_ERROR(area.Go(recnos[i]));
    const xb::RecordRef r = area.record();
    if (!r.deleted()) {
      const std::string_view zip = r.field(*f.zip).substr(0, 5);
      const std::string sound = Soundex(r.field(*f.lname));
      const std::string street = NormalStreet(r.field(*f.street));
      const bool zip5 = zip.size() == 5 && std::all_of(zip.begin(), zip.end(),
                                                       [](char c) { return c >= '0' && c <= '9'; });
      if (zip5 && !sound.empty() && !street.empty()) {
        std::string key(zip);
        key += '\x01';
        key += sound;
        key += '\x01';
        key += AsciiUpper(TrimRight(r.field(*f.fname)).substr(0, 1));
        key += '\x01';
        key += street;
        keys.emplace_back(std::move(key), r.recno);
      }
    }
    // The grouping below is quick; a cancel during the walk keeps the
    // pairs among the records read so far.
    if (!step.Step(i + 1, 0)) {
      result->cancelled = true;
      break;
    }
  }
  std::sort(keys.begin(), keys.end());
  for (size_t i = 1; i < keys.size(); ++i) {
    if (keys[i].first != keys[i - 1].first) continue;
    flagged->push_back(keys[i - 1].second);
    flagged->push_back(keys[i].second);
    ++result->found;
  }
  return xb::Status::OK();
}

// A field as a line shows it: trimmed, in UTF-8. Plain ASCII, nearly every
// field, is copied as it is.
void AppendCell(std::string_view bytes, std::string* out) {
  auto space = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
    size_t b = 0, e = bytes.size();
    while (b < e && space(static_cast<unsigned char>(bytes[b]))) ++b;
    while (e > b && space(static_cast<unsigned char>(bytes[e - 1]))) --e;
    out->append(bytes.substr(b, e - b));
    return;
  }
  out->append(DecodeAnsi(bytes).trimmed().toStdString());
}

}  // namespace

QString DupIndexFileName() { return QStringLiteral("_chkdup.idx"); }

std::string DupIndexExpression(DupKind kind) {
  switch (kind) {
    case DupKind::Street:
      return "upper(STREET)";
    case DupKind::Similar:
      // Pairs share a ZIP and mostly a street spelling: that order keeps
      // them close in the grid.
      return "LEFT(ZIP,5)+upper(STREET)";
    case DupKind::LastFirst:
    case DupKind::LastInitial:
      break;
  }
  return "upper(LNAME-FNAME)";
}

xb::Status RunDupCheck(xb::WorkArea& area, const DupCheckOptions& options,
                       const std::string& indexPath, const CleanupProgress& progress,
                       DupCheckResult* result) {
  *result = DupCheckResult();
  if (options.kind == DupKind::Street &&
      (options.streetChars < 1 || options.streetChars > kMaxStreetChars)) {
    return xb::Status::InvalidArgument("the street character count must be from 1 to 30");
  }
  DupFields f;
  XB_RETURN_IF_ERROR(f.Find(area.table()));
  XB_RETURN_IF_ERROR(
      area.Index(indexPath, DupIndexExpression(options.kind), xb::kIndexOptionCustom, false, ""));
  const int workOrder = area.IndexOrd();
  std::vector<uint32_t> flagged;
  if (options.kind == DupKind::Similar) {
    XB_RETURN_IF_ERROR(SimilarScan(area, f, progress, &flagged, result));
  } else {
    XB_RETURN_IF_ERROR(PlainScan(area, f, options, progress, &flagged, result));
  }
  // A record flagged twice (the middle one of three) is added once.
  XB_RETURN_IF_ERROR(area.KeyAddMany(area.OrderInfo(workOrder).name, flagged));
  XB_RETURN_IF_ERROR(area.SetOrder(workOrder));
  return area.GoTop();
}

xb::Status RunDupCheck(TableObject& table, const DupCheckOptions& options,
                       const std::string& indexPath, const CleanupProgress& progress,
                       DupCheckResult* result) {
  *result = DupCheckResult();
  return table.runOnEngine(
      [&](xb::WorkArea& area) { return RunDupCheck(area, options, indexPath, progress, result); });
}

xb::Status WriteListed(TableObject& table, std::initializer_list<const char*> fields,
                       const std::function<xb::Status(const std::string&)>& write) {
  std::vector<uint32_t> recnos;
  XB_RETURN_IF_ERROR(table.visibleRecords(&recnos));
  std::vector<const xb::FieldInfo*> infos;
  for (const char* f : fields) {
    const int i = table.fieldIndex(QString::fromLatin1(f));
    infos.push_back(i < 0 ? nullptr : &table.fieldInfos()[i]);
  }
  // Positions in the list by record number: record number and position
  // packed in one word sort without a lookup per comparison.
  std::vector<uint64_t> packed(recnos.size());
  for (size_t i = 0; i < packed.size(); ++i) packed[i] = uint64_t{recnos[i]} << 32 | i;
  std::sort(packed.begin(), packed.end());
  std::vector<uint32_t> byRecno(packed.size());
  for (size_t i = 0; i < packed.size(); ++i) byRecno[i] = static_cast<uint32_t>(packed[i]);
  std::vector<uint64_t>().swap(packed);
  std::string lines;
  std::vector<uint64_t> lineStart(recnos.size() + 1, 0);
  std::vector<uint32_t> lineLength(recnos.size(), 0);
  constexpr uint32_t kRun = 2048;
  const size_t length = static_cast<size_t>(table.recordLength());
  std::string buf;
  for (size_t i = 0; i < byRecno.size();) {
    const uint32_t first = recnos[byRecno[i]];
    size_t j = i;
    while (j + 1 < byRecno.size() && recnos[byRecno[j + 1]] - first < kRun) ++j;
    XB_RETURN_IF_ERROR(table.readRecords(first, recnos[byRecno[j]] - first + 1, &buf));
    for (; i <= j; ++i) {
      const uint32_t recno = recnos[byRecno[i]];
      xb::RecordRef r;
      r.data = buf.data() + static_cast<size_t>(recno - first) * length;
      r.recno = recno;
      lineStart[byRecno[i]] = lines.size();
      lines.append(std::to_string(recno));
      for (const xb::FieldInfo* f : infos) {
        lines.push_back('\t');
        if (f != nullptr) AppendCell(r.field(*f), &lines);
      }
      lines.push_back('\n');
      lineLength[byRecno[i]] = static_cast<uint32_t>(lines.size() - lineStart[byRecno[i]]);
    }
  }
  std::string out;
  for (size_t i = 0; i < recnos.size(); ++i) {
    out.append(lines, lineStart[i], lineLength[i]);
    if (out.size() >= (1u << 20)) {
      XB_RETURN_IF_ERROR(write(out));
      out.clear();
    }
  }
  return write(out);
}

QString DupCountText(int found) {
  return QStringLiteral("Found %1 possible duplicates").arg(found);
}

}  // namespace qv
