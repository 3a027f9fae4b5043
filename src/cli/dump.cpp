#include "cli/dump.h"

#include <QString>

#include "cli/tsv.h"
#include "store/table_object.h"
#include "xbase/expr.h"

namespace qv::cli {

void AimForReading(TableObject& table, const std::string& path) {
  const QString file = QString::fromLocal8Bit(path.c_str());
  const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
  table.setDatabaseName(file.left(slash + 1));
  table.setTableName(file.mid(slash + 1));
  table.setExclusive(false);
  table.setReadOnly(true);
  table.setContactFile(false);  // any table can be dumped
}

bool DumpRecords(TableObject& table, const std::function<void(const std::string&)>& write) {
  table.clearFailure();
  const int fields = table.fieldCount();
  std::string line;
  for (bool ok = table.first(); ok && !table.eof(); ok = table.next()) {
    line = std::to_string(table.recNo());
    line += table.isDeleted() ? "\t*" : "\t ";
    for (int i = 0; i < fields; ++i) {
      xb::Value v;
      const xb::Status read = table.fieldValue(i, &v);
      if (!read.ok()) {
        return table.noteFailure(xb::Status::Corruption("record " + std::to_string(table.recNo()) +
                                                        ": " + read.message()));
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
  return !table.failed();
}

}  // namespace qv::cli
