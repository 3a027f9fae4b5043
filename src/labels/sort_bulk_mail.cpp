#include "labels/sort_bulk_mail.h"

#include <QDir>
#include <cstring>

#include "labels/adc_table.h"
#include "store/output_file.h"
#include "labels/job_host.h"
#include "labels/postnet.h"
#include "store/codepage.h"
#include "store/apollo.h"
#include "store/table_object.h"

namespace qv {

namespace {

const char kFiveDigitHeader[] = "** 5-digit ";
const char kThreeDigitHeader[] = "** 3-digit ";
const char kAdcHeader[] = "** ADC ";
// Progress is shown on every hundredth record number.
constexpr int kProgressEvery = 100;

}  // namespace

QString PresortFilePath(const QString& programDirectory) {
  QString dir = programDirectory;
  if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir + QStringLiteral("PRESORT.PSL");
}

TallyRecord MakeTallyRecord(int count) { return TallyRecord{count}; }

std::string PresortKey(std::string_view zip) {
  size_t end = zip.size();
  while (end > 0 && zip[end - 1] == ' ') --end;
  return std::string(zip.substr(0, std::min<size_t>(end, 5)));
}

bool PresortKeyCounts(std::string_view key) {
  return !key.empty() && key >= std::string_view("00000") && key <= std::string_view("99999-999") &&
         key[0] >= '0' && key[0] <= '9';
}

void TallyZipKey(ZipBuckets& buckets, const std::string& key) {
  ZipBucket& bucket = buckets[size_t(key[0] - '0')];
  auto it = bucket.find(key);
  if (it == bucket.end()) {
    bucket.emplace(key, MakeTallyRecord(1));
  } else {
    ++it->second.count;
  }
}

void ExtractADC(const char* name, const char* prefixes, ZipList& source, ZipList& destination) {
  const std::string_view served(prefixes);
  bool header = false;
  ZipList kept;
  for (std::string& key : source) {
    if (served.find(std::string_view(key).substr(0, 3)) == std::string_view::npos) {
      kept.push_back(std::move(key));
      continue;
    }
    if (!header) {
      destination.push_back(std::string(kAdcHeader) + name);
      header = true;
    }
    destination.push_back(std::move(key));
  }
  source = std::move(kept);
}

void FillADCList(ZipList& source, ZipList& destination) {
  for (const AdcRow& row : AdcTable()) {
    if (source.empty()) break;
    ExtractADC(row.name, row.prefixes, source, destination);
  }
}

std::string ForeignPresortKey(std::string_view zip) {
  std::string key = PresortKey(zip);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  size_t start = 0;
  while (start < key.size() && key[start] == ' ') ++start;
  return start == key.size() ? std::string() : key;
}

ZipList PresortLines(ZipBuckets buckets, const std::set<std::string>& foreign) {
  ZipList fiveDigit, threeDigit, adc, remainder;
  for (ZipBucket& bucket : buckets) {
    // 5-digit pass.
    for (auto it = bucket.begin(); it != bucket.end();) {
      if (it->second.count >= kPresortGroupMinimum) {
        fiveDigit.push_back(kFiveDigitHeader + it->first);
        fiveDigit.push_back(it->first);
        it = bucket.erase(it);
      } else {
        ++it;
      }
    }
    // 3-digit pass: runs of keys with the same first three characters.
    for (auto run = bucket.begin(); run != bucket.end();) {
      const std::string prefix = run->first.substr(0, 3);
      auto end = run;
      int64_t pieces = 0;
      while (end != bucket.end() && end->first.compare(0, 3, prefix) == 0) {
        pieces += end->second.count;
        ++end;
      }
      if (pieces >= kPresortGroupMinimum) {
        threeDigit.push_back(kThreeDigitHeader + prefix);
        for (auto it = run; it != end; ++it) threeDigit.push_back(it->first);
        run = bucket.erase(run, end);
      } else {
        run = end;
      }
    }
    for (auto& [key, tally] : bucket) remainder.push_back(key);
  }
  FillADCList(remainder, adc);
  if (!foreign.empty()) {
    std::set<std::string> merged(remainder.begin(), remainder.end());
    merged.insert(foreign.begin(), foreign.end());
    remainder.assign(merged.begin(), merged.end());
  }

  ZipList out = std::move(fiveDigit);
  out.insert(out.end(), threeDigit.begin(), threeDigit.end());
  out.insert(out.end(), adc.begin(), adc.end());
  if (!remainder.empty()) {
    out.push_back(kUnknownPresortHeader);
    out.insert(out.end(), remainder.begin(), remainder.end());
  }
  return out;
}

// ---- TSortBulkMail

TSortBulkMail::TSortBulkMail(TableObject& table, TApollo& apollo, JobHost& host,
                             const QString& programDirectory)
    : m_table(table), m_apollo(apollo), m_host(host), m_directory(programDirectory) {}

void TSortBulkMail::SetLabel1(const QString& text) {
  m_host.progress(text);
  m_host.processPendingEvents();
}

void TSortBulkMail::CancelButtonClick() {
  if (m_host.question(QStringLiteral("Cancel PRESORT?"), true)) m_cancel = true;
}

bool TSortBulkMail::DoTheSort() {
  m_cancel = false;
  m_done = false;
  m_pieces = 0;
  const int zipField = m_table.active() ? m_table.fieldIndex(QStringLiteral("ZIP")) : -1;
  if (zipField < 0) {
    m_host.information(QStringLiteral("The contact file has no ZIP field to presort by."));
    return false;
  }
  const int countryField = m_table.fieldIndex(QStringLiteral("COUNTRY"));

  ZipBuckets buckets;
  std::set<std::string> foreign;
  m_table.clearFailure();
  m_apollo.SetOrder(0);
  m_apollo.SetTurboRead(true);
  // The views would repaint on every record: they reload once at the end.
  m_table.disableControls();
  // A failed move stands at the end: the loop ends on it, and the failure
  // kept by the table is told below.
  (void)m_table.first();
  SetLabel1(QStringLiteral("Reading database records..."));
  while (!m_table.eof() && !m_cancel) {
    const std::string_view zip = m_table.fieldBytes(zipField);
    const bool abroad =
        countryField >= 0 && IsForeignCountry(DecodeAnsi(m_table.fieldBytes(countryField)));
    const std::string key = abroad ? ForeignPresortKey(zip) : PresortKey(zip);
    if (abroad) {
      if (!key.empty()) {
        foreign.insert(key);
        ++m_pieces;
      }
    } else if (PresortKeyCounts(key)) {
      TallyZipKey(buckets, key);
      ++m_pieces;
    }
    if (!m_table.next()) break;
    const int recno = m_table.recNo();
    if (recno % kProgressEvery == 0) {
      SetLabel1(QStringLiteral("Reading record ") + QString::number(recno));
    } else {
      m_host.processPendingEvents();
    }
  }
  m_table.enableControls();
  m_apollo.SetTurboRead(false);
  m_table.resync();
  if (m_table.failed()) {
    // Counts that miss records would group the mail wrongly: no file.
    m_host.information(m_table.failureMessage());
    return false;
  }
  if (m_cancel) return false;

  SetLabel1(QStringLiteral("Sorting Zip Codes..."));
  const ZipList lines = PresortLines(std::move(buckets), foreign);

  QByteArray bytes;
  for (const std::string& line : lines) {
    bytes.append(line.data(), qsizetype(line.size()));
    bytes.append("\r\n");
  }
  const QString path = PresortFilePath(m_directory);
  // Written beside the old file and renamed over it on commit: the label
  // run never meets half a list.
  OutputFile file(path);
  if (!file.open() || !file.put(bytes) || !file.commit()) {
    m_host.information(QStringLiteral("Unable to write the presort file %1:\r\n%2")
                           .arg(QDir::toNativeSeparators(path), file.reason()));
    return false;
  }
  m_done = true;
  return true;
}

}  // namespace qv
