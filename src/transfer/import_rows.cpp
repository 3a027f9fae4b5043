#include "transfer/import_rows.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "store/codepage.h"
#include "store/contact_schema.h"
#include "store/dates.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

// Encodes `text` in the contact file's code page; a character it cannot
// hold becomes '?' and is noted once in result->unstorable.
void Encode(const QString& text, std::string* out, ImportResult* result) {
  if (EncodeAnsi(text, out)) return;
  ++result->valuesWithUnstorable;
  out->clear();
  std::string one;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool pair =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const QString ch = text.mid(i, pair ? 2 : 1);
    if (pair) ++i;
    if (EncodeAnsi(ch, &one)) {
      out->append(one);
    } else {
      out->push_back('?');
      if (!result->unstorable.contains(ch)) result->unstorable += ch;
    }
  }
}

struct Destination {
  xb::WorkArea* area;
  int field[static_cast<int>(ContactTarget::Date) + 1];
};

// A line break in a one-line field would split the record's line in a text
// copy; it reads as the address books' ", ".
QString OneLine(const QString& value) {
  if (!value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r'))) return value;
  QString out = value;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = out.split(QLatin1Char('\n'));
  lines.removeAll(QString());
  return lines.join(QStringLiteral(", "));
}

xb::Status FillRow(Destination& d, const ImportRow& row, ImportResult* result) {
  xb::WorkArea& area = *d.area;
  QString memo;
  bool hasMemo = false;
  QStringList cut;  // whole values that did not fit, as memo lines
  std::string bytes;
  for (const auto& [target, value] : row.values) {
    if (value.isEmpty()) continue;
    const int field = d.field[static_cast<int>(target)];
    if (field < 0) continue;
    if (target == ContactTarget::Memo) {
      if (row.memoReplaces || !hasMemo) {
        memo = value;
      } else {
        memo += QStringLiteral("\r\n") + value;
      }
      hasMemo = true;
    } else if (target == ContactTarget::Date) {
      QDate date;
      if (!ParseDate(value, &date) || !date.isValid()) {
        if (result->badDates++ == 0) result->firstBadDate = value;
        continue;
      }
      XB_RETURN_IF_ERROR(area.SetField(field, DtosFromDate(date)));
    } else {
      const QString text = OneLine(value);
      Encode(text, &bytes, result);
      const int width = area.table().fields()[static_cast<size_t>(field)].width;
      if (static_cast<int>(bytes.size()) > width) {
        const QString& name = TargetInfoOf(target).field;
        if (result->cutValues++ == 0) {
          result->firstCutField = name;
          result->firstCutRecord = area.recno();
          result->firstCutLength = static_cast<int>(bytes.size());
          result->firstCutWidth = width;
        }
        cut.append(name + QStringLiteral(": ") + text);
      }
      XB_RETURN_IF_ERROR(area.SetField(field, bytes));
    }
  }
  if (!cut.isEmpty()) {
    const QString lines = cut.join(QStringLiteral("\r\n"));
    memo = hasMemo ? memo + QStringLiteral("\r\n") + lines : lines;
    hasMemo = true;
  }
  if (hasMemo) {
    Encode(memo, &bytes, result);
    XB_RETURN_IF_ERROR(area.SetMemo(d.field[static_cast<int>(ContactTarget::Memo)], bytes));
  }
  return xb::Status::OK();
}

// A record that cannot be filled is flagged deleted rather than left half
// filled among the imported ones.
xb::Status PostRow(Destination& d, const ImportRow& row, ImportResult* result) {
  XB_RETURN_IF_ERROR(d.area->Append());
  xb::Status s = FillRow(d, row, result);
  if (s.ok()) return d.area->Commit();
  (void)d.area->SetDeleted(true);
  (void)d.area->Commit();
  return s;
}

xb::Status RunLoop(Destination& d, RowSource& source, const TransferProgress& progress,
                   ImportResult* result) {
  const std::int64_t total = source.expected();
  ImportRow row;
  QString error;
  int lastPercent = -1;
  for (;;) {
    row.values.clear();
    row.memoReplaces = false;
    if (!source.next(&row, &error)) {
      if (!error.isEmpty()) return xb::Status::Corruption(error.toStdString());
      break;
    }
    XB_RETURN_IF_ERROR(PostRow(d, row, result));
    ++result->posted;
    const int percent =
        total > 0 ? static_cast<int>(std::min<std::int64_t>(100, result->posted * 100 / total)) : 0;
    // The caller decides how often to repaint; a change of percentage and
    // every 64th record are enough for a gauge and a prompt cancel.
    if (progress && (percent != lastPercent || (result->posted & 63) == 0)) {
      lastPercent = percent;
      if (!progress(percent, result->posted)) {
        result->cancelled = true;
        break;
      }
    }
  }
  return xb::Status::OK();
}

}  // namespace

QString ImportCompleteMessage(std::int64_t count) {
  return QStringLiteral("Import complete. Imported %1 records.").arg(count);
}

QString ImportCancelledMessage(std::int64_t count) {
  return QStringLiteral("Import cancelled after importing %1 records.").arg(count);
}

QString UnstorableMessage(const ImportResult& result) {
  if (result.unstorable.isEmpty()) return QString();
  return QStringLiteral(
             "%1 values held characters a contact file cannot store: %2\r\n"
             "They were stored as \"?\".")
      .arg(result.valuesWithUnstorable)
      .arg(result.unstorable);
}

QString BadDateMessage(const ImportResult& result) {
  if (result.badDates == 0) return QString();
  return QStringLiteral(
             "%1 dates were not dates in the date format in force (the first: \"%2\"); "
             "they were left empty.")
      .arg(result.badDates)
      .arg(result.firstBadDate);
}

QString CutValuesMessage(const ImportResult& result) {
  if (result.cutValues == 0) return QString();
  const QString first = QStringLiteral("%1 of record %2, %3 characters into %4")
                            .arg(result.firstCutField)
                            .arg(result.firstCutRecord)
                            .arg(result.firstCutLength)
                            .arg(result.firstCutWidth);
  if (result.cutValues == 1) {
    return QStringLiteral("1 value was longer than its field and was cut (%1).").arg(first);
  }
  return QStringLiteral("%1 values were longer than their field and were cut (the first: %2).")
      .arg(result.cutValues)
      .arg(first);
}

QStringList ImportNotices(const ImportResult& result, const RowSource& source) {
  QStringList out = source.notices();
  for (const QString& n : {CutValuesMessage(result), UnstorableMessage(result), BadDateMessage(result)}) {
    if (!n.isEmpty()) out.append(n);
  }
  return out;
}

xb::Status ImportRows(TableObject& destination, RowSource& source, const TransferProgress& progress,
                      ImportResult* result, const xb::ProgressFn& rebuildProgress) {
  *result = ImportResult();
  // The views reload once, when the whole import is in.
  destination.disableControls();
  const xb::Status done = destination.runOnEngine([&](xb::WorkArea& area) {
    Destination d{&area, {}};
    for (const TargetInfo& info : ContactTargets()) {
      d.field[static_cast<int>(info.target)] = area.table().FieldIndex(info.field.toStdString());
    }
    // No index is kept during the loop: the tags are built once at the end.
    // The marker has an import cut off rebuild them at the next open.
    const std::string index = area.ProductionIndexPath();
    XB_RETURN_IF_ERROR(area.MarkIndexStale());
    XB_RETURN_IF_ERROR(area.CloseIndexes());
    if (std::remove(index.c_str()) != 0 && errno != ENOENT) {
      return xb::Status::IOError("cannot delete the index file " + index);
    }
    // Records reach the file a chunk at a time, each chunk before its count.
    const std::int64_t before = area.table().record_count();
    xb::Status s = area.table().SetAppendBatching(true);
    if (s.ok()) s = RunLoop(d, source, progress, result);
    if (s.ok()) s = area.Commit();
    const xb::Status written = area.table().SetAppendBatching(false);
    if (s.ok()) s = written;
    if (!s.ok()) {
      // A write may have failed part way (a full disk): what the header
      // counts is what the table holds, and that is the count told.
      const xb::Status settled = area.table().DiscardUncounted();
      result->posted = static_cast<std::int64_t>(area.table().record_count()) - before;
      if (!settled.ok()) return settled;
    }
    const xb::Status rebuilt = RebuildContactIndex(area, rebuildProgress);
    return s.ok() ? rebuilt : s;
  });
  destination.enableControls();
  return done;
}

}  // namespace qv
