#include "cleanup/zip_check.h"

#include "cleanup/cleanup_text.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

const xb::FieldInfo* FieldOf(xb::Table& table, const char* name) {
  const int i = table.FieldIndex(name);
  return i < 0 ? nullptr : &table.fields()[i];
}

}  // namespace

QString StateZipTableName() { return QStringLiteral("QVPSZCK.DBF"); }
QString ZipIndexFileName() { return QStringLiteral("_chksz.idx"); }
QString StateZipOpenFailedMessage() { return QStringLiteral("Unable to open QVPSZCK.DBF"); }

xb::Status ReadStateZipTable(const std::string& path, const xb::Settings* settings,
                             StateZipRanges* out) {
  out->clear();
  std::unique_ptr<xb::WorkArea> area;
  xb::OpenOptions options;
  options.exclusive = true;
  XB_RETURN_IF_ERROR(xb::WorkArea::Open(path, options, settings, &area));
  XB_RETURN_IF_ERROR(area->SetOrder(0));
  xb::Table& t = area->table();
  const xb::FieldInfo* state = FieldOf(t, "STATE");
  const xb::FieldInfo* low = FieldOf(t, "LOW_ZIP");
  const xb::FieldInfo* high = FieldOf(t, "HIGH_ZIP");
  if (state == nullptr || low == nullptr || high == nullptr) {
    return xb::Status::InvalidArgument(path + " lacks the fields STATE, LOW_ZIP and HIGH_ZIP");
  }
  xb::Status s = area->GoTop();
  for (; s.ok() && !area->eof(); s = area->Skip(1)) {
    const xb::RecordRef r = area->record();
    if (r.deleted()) continue;
    (*out)[AsciiUpper(TrimRight(r.field(*state)))].push_back(
        {std::string(TrimRight(r.field(*low))), std::string(TrimRight(r.field(*high)))});
  }
  return s;
}

bool FitsStateZip(const StateZipRanges& ranges, std::string_view state, std::string_view zip) {
  if (state.empty()) return false;
  auto it = ranges.find(state);
  if (it == ranges.end()) return false;
  for (const ZipRange& range : it->second) {
    if (zip >= range.low && zip <= range.high) return true;
  }
  return false;
}

xb::Status RunStateZipCheck(xb::WorkArea& area, const StateZipRanges& ranges,
                            const ZipCheckOptions& options, const std::string& indexPath,
                            const CleanupProgress& progress, ZipCheckResult* result) {
  *result = ZipCheckResult();
  xb::Table& t = area.table();
  const xb::FieldInfo* state = FieldOf(t, "STATE");
  const xb::FieldInfo* zip = FieldOf(t, "ZIP");
  if (state == nullptr || zip == nullptr || t.FieldIndex("LNAME") < 0 ||
      t.FieldIndex("FNAME") < 0) {
    return xb::Status::InvalidArgument("the file has not the fields of a contact file");
  }
  XB_RETURN_IF_ERROR(
      area.Index(indexPath, "upper(LNAME)+upper(FNAME)", xb::kIndexOptionCustom, false, ""));
  const int workOrder = area.IndexOrd();
  const std::string name = area.OrderInfo(workOrder).name;
  XB_RETURN_IF_ERROR(area.SetOrder(0));
  std::vector<uint32_t> recnos;
  XB_RETURN_IF_ERROR(area.VisibleRecnos(&recnos));
  std::vector<uint32_t> flagged;
  const size_t total = recnos.empty() ? 1 : recnos.size();
  for (size_t i = 0; i < recnos.size(); ++i) {
    XB_RETURN_IF_ERROR(area.Go(recnos[i]));
    const xb::RecordRef r = area.record();
    if (!r.deleted()) {
      const std::string_view s = TrimRight(r.field(*state));
      const std::string_view z = TrimRight(r.field(*zip));
      if ((options.includeBlanks || (!s.empty() && !z.empty())) && !FitsStateZip(ranges, s, z)) {
        flagged.push_back(r.recno);
        ++result->found;
      }
    }
    const size_t step = i + 1;
    if (progress && (step % kProgressEvery == 0 || step == recnos.size()) &&
        !progress(static_cast<int>(step * 100 / total), result->found)) {
      result->cancelled = true;
      break;
    }
  }
  XB_RETURN_IF_ERROR(area.KeyAddMany(name, flagged));
  XB_RETURN_IF_ERROR(area.SetOrder(workOrder));
  return area.GoTop();
}

xb::Status RunStateZipCheck(TableObject& table, const StateZipRanges& ranges,
                            const ZipCheckOptions& options, const std::string& indexPath,
                            const CleanupProgress& progress, ZipCheckResult* result) {
  *result = ZipCheckResult();
  return table.runOnEngine([&](xb::WorkArea& area) {
    return RunStateZipCheck(area, ranges, options, indexPath, progress, result);
  });
}

QString ZipCountText(int found) {
  return QStringLiteral("Found %1 records with questionable state or zipcodes").arg(found);
}

}  // namespace qv
