#include "zipcount/zip_count.h"

#include <map>
#include <string>

#include "labels/job_host.h"
#include "store/output_file.h"
#include "labels/sort_bulk_mail.h"
#include "store/apollo.h"
#include "store/codepage.h"
#include "store/table_object.h"

namespace qv {

namespace {

// Progress is shown on every hundredth record number.
constexpr int kProgressEvery = 100;
constexpr int kKeyWidth = 10;

}  // namespace

bool ZipKeyIsValid(std::string_view key) { return key.size() >= 5 && PresortKeyCounts(key); }

QString FormatCount(int64_t count) {
  const bool negative = count < 0;
  QString digits = QString::number(negative ? -count : count);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return negative ? QLatin1Char('-') + digits : digits;
}

QString ZipReportLine(const QString& key, int64_t count) {
  return key.left(kKeyWidth).leftJustified(kKeyWidth, QLatin1Char(' ')) + FormatCount(count);
}

QStringList ZipReportLines(const std::vector<ZipTally>& tallies) {
  QStringList lines;
  bool oddStarted = false;
  for (const ZipTally& t : tallies) {
    if (t.odd && !oddStarted) {
      lines << QString() << QString();
      oddStarted = true;
    }
    lines << ZipReportLine(t.key, t.count);
  }
  // The two empty lines stand between the parts even when no odd key follows.
  if (!oddStarted) lines << QString() << QString();
  return lines;
}

bool WriteZipCountCsv(const std::vector<ZipTally>& tallies, const QString& path, QString* error) {
  QByteArray bytes("ZIP,Count\r\n");
  for (const ZipTally& t : tallies) {
    QString key = t.key;
    // A key with a comma or quote is quoted, as spreadsheets expect.
    if (key.contains(QLatin1Char(',')) || key.contains(QLatin1Char('"'))) {
      key.replace(QLatin1String("\""), QLatin1String("\"\""));
      key = QLatin1Char('"') + key + QLatin1Char('"');
    }
    bytes += key.toUtf8() + ',' + QByteArray::number(qlonglong(t.count)) + "\r\n";
  }
  OutputFile file(path);
  if (!file.open() || !file.put(bytes) || !file.commit()) {
    *error = QStringLiteral("Unable to write %1: %2").arg(path, file.reason());
    return false;
  }
  return true;
}

TZipCount::TZipCount(TableObject& table, TApollo& apollo, JobHost& host)
    : m_table(table), m_apollo(apollo), m_host(host) {}

void TZipCount::SetStatusLabel(const QString& text) {
  m_host.progress(text);
  m_host.processPendingEvents();
}

void TZipCount::CancelButtonClick() {
  if (m_counting && m_host.question(QStringLiteral("Cancel Count?"), true)) m_cancel = true;
}

bool TZipCount::DoTheSort() {
  m_cancel = false;
  m_done = false;
  m_records = 0;
  m_lines.clear();
  m_tallies.clear();
  const int zipField = m_table.active() ? m_table.fieldIndex(QStringLiteral("ZIP")) : -1;
  if (zipField < 0) {
    m_host.information(QStringLiteral("The contact file has no ZIP field to count."));
    return false;
  }

  const int savedOrder = m_apollo.IndexOrd();
  const int savedRecno = m_apollo.RecNo();
  ZipBuckets buckets;
  std::map<std::string, TallyRecord> others;
  int32_t blanks = 0;
  QString failure;

  m_counting = true;
  m_apollo.SetOrder(0);
  m_apollo.SetTurboRead(true);
  m_table.clearFailure();
  // The views would repaint on every record: they reload once at the end.
  m_table.disableControls();
  // A failed move stands at the end, so the loop ends on it.
  bool ok = m_table.first();
  SetStatusLabel(QStringLiteral("Reading database records..."));
  while (ok && !m_table.eof() && !m_cancel) {
    const std::string key = PresortKey(m_table.fieldBytes(zipField));
    if (key.empty()) {
      ++blanks;
    } else if (ZipKeyIsValid(key)) {
      TallyZipKey(buckets, key);
    } else {
      ++others[key].count;
    }
    ++m_records;
    ok = m_table.next();
    if (!ok) break;
    const int recno = m_table.recNo();
    if (recno % kProgressEvery == 0) {
      SetStatusLabel(QStringLiteral("Reading record ") + QString::number(recno));
    } else {
      m_host.processPendingEvents();
    }
  }
  m_table.enableControls();
  if (!ok) failure = m_table.failureMessage();
  m_apollo.SetTurboRead(false);
  m_counting = false;

  if (failure.isEmpty() && !m_cancel) {
    SetStatusLabel(QStringLiteral("Sorting Zip Codes..."));
    // The maps keep their keys in byte order: the buckets come out sorted.
    for (const ZipBucket& bucket : buckets) {
      for (const auto& [key, tally] : bucket) {
        m_tallies.push_back({DecodeAnsi(key), tally.count, false});
      }
    }
    for (const auto& [key, tally] : others) {
      m_tallies.push_back({DecodeAnsi(key), tally.count, true});
    }
    if (blanks > 0) m_tallies.push_back({QStringLiteral("BLANK"), blanks, true});
    m_lines = ZipReportLines(m_tallies);
  }

  m_apollo.SetOrder(savedOrder);
  if (savedRecno > 0 && !m_apollo.Go(savedRecno) && failure.isEmpty()) {
    failure = m_table.failureMessage();
  }
  m_table.resync();
  if (!failure.isEmpty()) {
    m_host.information(failure);
    m_tallies.clear();
    return false;
  }
  if (m_cancel) {
    m_tallies.clear();
    return false;
  }
  m_done = true;
  return true;
}

}  // namespace qv
