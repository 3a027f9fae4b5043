#include "cleanup/merge.h"

#include <algorithm>

#include "cleanup/cleanup_text.h"
#include "store/table_grid_model.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

std::string_view FieldOf(const std::vector<xb::FieldInfo>& fields, std::string_view record,
                         std::string_view name) {
  const int i = xb::FindField(fields, name);
  if (i < 0) return {};
  const xb::FieldInfo& f = fields[static_cast<size_t>(i)];
  return TrimRight(record.substr(f.offset, f.width));
}

bool Blank(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == ' ' || c == '\0'; });
}

}  // namespace

std::string DupCompareKey(const std::vector<xb::FieldInfo>& fields, std::string_view record,
                          const DupCheckOptions& options) {
  const std::string_view last = FieldOf(fields, record, "LNAME");
  const std::string_view first = FieldOf(fields, record, "FNAME");
  const std::string_view street = FieldOf(fields, record, "STREET");
  switch (options.kind) {
    case DupKind::Street:
      return AsciiUpper(TrimRight(street.substr(0, static_cast<size_t>(options.streetChars))));
    case DupKind::Similar: {
      const std::string_view zip = FieldOf(fields, record, "ZIP").substr(0, 5);
      const std::string sound = Soundex(last);
      const std::string normal = NormalStreet(street);
      if (zip.size() != 5 ||
          !std::all_of(zip.begin(), zip.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          sound.empty() || normal.empty()) {
        return {};
      }
      return std::string(zip) + '\x01' + sound + '\x01' + AsciiUpper(first.substr(0, 1)) + '\x01' +
             normal;
    }
    case DupKind::LastFirst:
    case DupKind::LastInitial:
      break;
  }
  if (last.empty()) return {};
  return AsciiUpper(last) + '\x01' +
         AsciiUpper(options.kind == DupKind::LastInitial ? first.substr(0, 1) : first);
}

int PairPartnerRow(TableObject& table, const TableGridModel& model, int row,
                   const DupCheckOptions& options) {
  if (!table.active() || model.recordOfRow(row) == 0) return -1;
  std::string buf;
  auto key = [&](int r) {
    const int recno = model.recordOfRow(r);
    if (recno == 0 || !table.readRecords(static_cast<uint32_t>(recno), 1, &buf).ok()) {
      return std::string();
    }
    return DupCompareKey(table.fieldInfos(), buf, options);
  };
  const std::string mine = key(row);
  if (mine.empty()) return -1;
  for (int other : {row - 1, row + 1}) {
    if (key(other) == mine) return other;
  }
  return -1;
}

xb::Status MergeRecords(TableObject& table, int keep, int drop) {
  if (!table.active() || table.state() != TableObject::State::Browse || keep == drop || keep <= 0 ||
      drop <= 0) {
    return xb::Status::InvalidArgument("two different records of an open table are needed");
  }
  return table.runOnEngine([&](xb::WorkArea& area) {
    xb::Table& t = area.table();
    XB_RETURN_IF_ERROR(area.Go(static_cast<uint32_t>(drop)));
    const std::string dropRecord(area.record().data, t.record_length());
    std::vector<std::string> dropMemos(t.fields().size());
    for (size_t i = 0; i < t.fields().size(); ++i) {
      if (t.fields()[i].type == 'M')
        XB_RETURN_IF_ERROR(t.GetMemo(static_cast<int>(i), &dropMemos[i]));
    }
    XB_RETURN_IF_ERROR(area.Go(static_cast<uint32_t>(keep)));
    const std::string keepRecord(area.record().data, t.record_length());
    for (size_t i = 0; i < t.fields().size(); ++i) {
      const xb::FieldInfo& f = t.fields()[i];
      const int n = static_cast<int>(i);
      if (f.type == 'M') {
        std::string mine;
        XB_RETURN_IF_ERROR(t.GetMemo(n, &mine));
        if (dropMemos[i].empty()) continue;
        XB_RETURN_IF_ERROR(
            area.SetMemo(n, mine.empty() ? dropMemos[i] : mine + "\r\n" + dropMemos[i]));
        continue;
      }
      if (f.name == "PREFIX" || f.type == 'L') continue;
      const std::string_view theirs = std::string_view(dropRecord).substr(f.offset, f.width);
      if (Blank(std::string_view(keepRecord).substr(f.offset, f.width)) && !Blank(theirs)) {
        XB_RETURN_IF_ERROR(area.SetField(n, theirs));
      }
    }
    XB_RETURN_IF_ERROR(area.Commit());
    XB_RETURN_IF_ERROR(area.Go(static_cast<uint32_t>(drop)));
    const int prefix = t.FieldIndex("PREFIX");
    if (prefix >= 0) XB_RETURN_IF_ERROR(area.SetField(prefix, "DELETED"));
    XB_RETURN_IF_ERROR(area.SetDeleted(true));
    XB_RETURN_IF_ERROR(area.Commit());
    XB_RETURN_IF_ERROR(area.Go(static_cast<uint32_t>(keep)));
    return xb::Status::OK();
  });
}

}  // namespace qv
