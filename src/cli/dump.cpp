#include "cli/dump.h"

#include <QString>

#include "cli/tsv.h"
#include "store/messages.h"
#include "xbase/expr.h"

namespace qv::cli {

xb::Status DumpRecords(xb::WorkArea& area, const std::function<void(const std::string&)>& write) {
  const auto& fields = area.table().fields();
  std::string line;
  xb::Status s;
  for (s = area.GoTop(); s.ok() && !area.eof(); s = area.Skip(1)) {
    xb::RecordRef r = area.record();
    line = std::to_string(r.recno);
    line += r.deleted() ? "\t*" : "\t ";
    for (const xb::FieldInfo& f : fields) {
      xb::Value v;
      const xb::Status read = xb::FieldValue(f, r.field(f), r.memo, &v);
      if (!read.ok()) {
        return xb::Status::Corruption("record " + std::to_string(r.recno) + ": " + read.message());
      }
      line += '\t';
      if (v.type == xb::ValueType::kCharacter || v.type == xb::ValueType::kMemo) {
        line += Escape(xb::ShowValue(v));
      } else {
        line += xb::ShowValue(v);
      }
    }
    line += '\n';
    write(line);
  }
  return s;
}

std::string DamagedText(const xb::Status& status) {
  return DamagedFileMessage(QString::fromStdString(status.message())).toStdString();
}

}  // namespace qv::cli
