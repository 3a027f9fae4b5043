#include "transfer/csv.h"

#include <QFileInfo>
#include <QIODevice>
#include <algorithm>
#include <array>

#include "transfer/ascii_lines.h"
#include "transfer/dbf_import.h"

namespace qv {

namespace {

constexpr qint64 kChunk = 1 << 16;

QString Megabytes(qsizetype bytes) { return QString::number(bytes >> 20) + QStringLiteral(" MB"); }

}  // namespace

int CsvParser::get() {
  if (m_pos == m_buf.size()) {
    m_buf = m_in->read(kChunk);
    m_pos = 0;
    if (m_buf.isEmpty()) return -1;
  }
  return static_cast<unsigned char>(m_buf[m_pos++]);
}

bool CsvParser::next(std::vector<QByteArray>* values, QString* error) {
  values->clear();
  error->clear();
  m_recordLine = m_line;
  int c = get();
  if (c < 0) return false;
  QByteArray value;
  bool inQuotes = false;
  bool wasQuoted = false;
  qsizetype recordBytes = 0;
  auto fail = [&](const QString& why) {
    *error = QStringLiteral("Line %1: ").arg(m_recordLine) + why;
    return false;
  };
  auto endValue = [&]() {
    values->push_back(value);
    value.clear();
    wasQuoted = false;
    return static_cast<int>(values->size()) <= kCsvMaxColumns;
  };
  const QString tooMany = QStringLiteral("more than %1 values in one record").arg(kCsvMaxColumns);
  for (;; c = get()) {
    if (c < 0) {
      if (inQuotes) return fail(QStringLiteral("a quoted value does not end before the end of the file"));
      return endValue() ? true : fail(tooMany);
    }
    if (c == 0) return fail(QStringLiteral("a NUL byte; this is no text file"));
    if (++recordBytes > kCsvMaxRecordBytes) {
      return fail(QStringLiteral("a record longer than ") + Megabytes(kCsvMaxRecordBytes));
    }
    if (inQuotes) {
      if (c == '"') {
        const int d = get();
        if (d == '"') {
          value.append('"');
        } else {
          inQuotes = false;
          if (d >= 0) unget();
        }
      } else {
        if (c == '\n') ++m_line;
        value.append(static_cast<char>(c));
      }
    } else if (c == m_delimiter) {
      if (!endValue()) return fail(tooMany);
    } else if (c == '\r' || c == '\n') {
      if (c == '\r') {
        const int d = get();
        if (d >= 0 && d != '\n') unget();
      }
      ++m_line;
      return endValue() ? true : fail(tooMany);
    } else if (c == '"' && value.isEmpty() && !wasQuoted) {
      inQuotes = wasQuoted = true;
    } else {
      value.append(static_cast<char>(c));
    }
    if (value.size() > kCsvMaxValueBytes) {
      return fail(QStringLiteral("a value longer than ") + Megabytes(kCsvMaxValueBytes));
    }
  }
}

char DetectCsvDelimiter(QByteArrayView headerLine) {
  std::array<int, 3> counts{};
  constexpr std::array<char, 3> kDelimiters{',', ';', '\t'};
  bool inQuotes = false;
  for (char c : headerLine) {
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == '\n' || c == '\r') break;
    for (size_t i = 0; i < kDelimiters.size(); ++i) counts[i] += c == kDelimiters[i] ? 1 : 0;
  }
  size_t best = 0;
  for (size_t i = 1; i < counts.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return kDelimiters[best];
}

bool ScanCsvFile(const QString& path, CsvFile* file, QString* error) {
  const QString name = QFileInfo(path).fileName();
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("Unable to open the file ") + path;
    return false;
  }
  const QByteArray head = in.peek(kChunk);
  if (head.isEmpty()) {
    *error = name + QStringLiteral(" is empty");
    return false;
  }
  // Excel's "Unicode text" and some address books write UTF-16.
  if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
    *error = UnableToImportMessage() + QStringLiteral(": ") + name +
             QStringLiteral(" is in UTF-16; save it as UTF-8 (or CSV) first");
    return false;
  }
  file->path = path;
  file->encoding = DetectTextEncoding(head);
  const int bom = BomLength(file->encoding);
  file->delimiter = DetectCsvDelimiter(QByteArrayView(head).sliced(bom));
  in.seek(bom);
  CsvParser parser(&in, file->delimiter);
  std::vector<QByteArray> values;
  QString fault;
  auto failed = [&]() {
    *error = UnableToImportMessage() + QStringLiteral(": ") + name + QStringLiteral(", ") + fault;
    return false;
  };
  // UTF-8 only if every value is; each value is checked with the byte after
  // it so that a sequence cut by the value's end counts against UTF-8.
  bool utf8 = file->encoding != TextEncoding::Windows1252;
  QByteArray probe;
  auto checkUtf8 = [&]() {
    for (const QByteArray& v : values) {
      if (!utf8) return;
      probe = v;
      probe.append('\n');
      utf8 = DetectTextEncoding(probe) != TextEncoding::Windows1252;
    }
  };
  if (!parser.next(&values, &fault)) {
    if (fault.isEmpty()) fault = QStringLiteral("no header line");
    return failed();
  }
  const std::vector<QByteArray> header = values;
  for (const QByteArray& h : header) {
    if (std::any_of(h.begin(), h.end(), [](char c) {
          const auto u = static_cast<unsigned char>(c);
          return u < 0x20 && u != '\t' && u != '\r' && u != '\n';
        })) {
      fault = QStringLiteral("its first line is no header line of names (control characters)");
      return failed();
    }
  }
  checkUtf8();
  std::int64_t records = 0;
  while (parser.next(&values, &fault)) {
    checkUtf8();
    if (std::any_of(values.begin(), values.end(), [](const QByteArray& v) { return !v.isEmpty(); })) {
      ++records;
    }
  }
  if (!fault.isEmpty()) return failed();
  if (records == 0) {
    fault = QStringLiteral("no records below its header line");
    return failed();
  }
  if (!utf8) file->encoding = TextEncoding::Windows1252;
  file->header.clear();
  for (const QByteArray& h : header) file->header.append(DecodeText(h, file->encoding).trimmed());
  file->records = records;
  return true;
}

namespace {

// How surely a header names its target; the lower, the surer.
enum Sureness { kCaption = 0, kAddressBook = 1, kRule = 2, kNoTarget = 3 };

struct HeaderName {
  const char* name;  // upper case
  std::optional<ContactTarget> target;
};

using T = ContactTarget;

// Names Outlook, Google, Thunderbird and Yahoo write that the DBF import's
// rules miss or misread ("E-mail Address" holds ADDRESS, so the rules give
// Street; "Notes" there are free text, not codes). An entry without a target
// keeps a column from being matched by the rules.
const std::vector<HeaderName>& AddressBookNames() {
  static const std::vector<HeaderName> names = {
      {"LAST NAME", T::Last},          {"FAMILY NAME", T::Last},
      {"SURNAME", T::Last},            {"FIRST NAME", T::First},
      {"GIVEN NAME", T::First},        {"MIDDLE NAME", T::Middle},
      {"ADDITIONAL NAME", T::Middle},  {"NAME PREFIX", T::Prefix},
      {"JOB TITLE", T::Title},         {"COMPANY", T::Organization},
      {"ORGANIZATION NAME", T::Organization},
      {"BUSINESS STREET", T::Street},  {"STREET ADDRESS", T::Street},
      {"BUSINESS CITY", T::City},      {"BUSINESS STATE", T::State},
      {"BUSINESS POSTAL CODE", T::Zip}, {"ZIP CODE", T::Zip},
      {"POSTAL CODE", T::Zip},         {"BUSINESS COUNTRY/REGION", T::Country},
      {"BUSINESS PHONE", T::Phone},    {"PRIMARY PHONE", T::Phone},
      {"TELEPHONE", T::Phone},         {"BUSINESS FAX", T::Fax},
      {"FAX NUMBER", T::Fax},          {"E-MAIL ADDRESS", T::EMail},
      {"EMAIL ADDRESS", T::EMail},     {"PRIMARY EMAIL", T::EMail},
      {"E-MAIL", T::EMail},            {"EMAIL", T::EMail},
      {"CATEGORIES", T::Codes},        {"CATEGORY", T::Codes},
      {"NOTES", T::Memo},              {"COMMENTS", T::Memo},
      {"E-MAIL TYPE", std::nullopt},   {"E-MAIL DISPLAY NAME", std::nullopt},
      {"E-MAIL 2 ADDRESS", std::nullopt}, {"E-MAIL 3 ADDRESS", std::nullopt},
      {"ASSISTANT'S PHONE", std::nullopt}, {"ANNIVERSARY", std::nullopt},
      {"INITIALS", std::nullopt},      {"ORGANIZATIONAL ID NUMBER", std::nullopt},
      {"NAME SUFFIX", std::nullopt},   {"DISPLAY NAME", std::nullopt},
  };
  return names;
}

// Google writes "Address 1 - City", "Phone 1 - Value", "E-mail 2 - Label".
// The rules would make every address part a street, so these columns get a
// target from their part or none.
std::optional<std::optional<ContactTarget>> GoogleColumn(const QString& upper) {
  const qsizetype dash = upper.indexOf(QLatin1String(" - "));
  if (dash < 0) return std::nullopt;
  const QStringList group = upper.left(dash).split(QLatin1Char(' '));
  bool numbered = false;
  if (group.size() != 2) return std::nullopt;
  group[1].toInt(&numbered);
  if (!numbered) return std::nullopt;
  const QString& kind = group[0];
  const QString part = upper.mid(dash + 3);
  struct Part {
    const char* kind;
    const char* part;
    ContactTarget target;
  };
  static const Part kParts[] = {
      {"ADDRESS", "STREET", T::Street},   {"ADDRESS", "CITY", T::City},
      {"ADDRESS", "REGION", T::State},    {"ADDRESS", "POSTAL CODE", T::Zip},
      {"ADDRESS", "COUNTRY", T::Country}, {"PHONE", "VALUE", T::Phone},
      {"E-MAIL", "VALUE", T::EMail},      {"ORGANIZATION", "NAME", T::Organization},
      {"ORGANIZATION", "TITLE", T::Title},
  };
  for (const Part& p : kParts) {
    if (kind == QLatin1String(p.kind) && part == QLatin1String(p.part)) return {p.target};
  }
  return std::optional<ContactTarget>();
}

std::pair<std::optional<ContactTarget>, Sureness> HeaderTarget(const QString& header,
                                                               bool jobTitleBeside) {
  const QString upper = header.trimmed().toUpper();
  if (upper.isEmpty()) return {std::nullopt, kNoTarget};
  // Outlook's "Title" is the salutation when its "Job Title" is there too.
  if (jobTitleBeside && upper == QLatin1String("TITLE")) return {T::Prefix, kAddressBook};
  if (auto t = TargetFromCaption(header.trimmed())) return {t, kCaption};
  for (const HeaderName& n : AddressBookNames()) {
    if (upper == QLatin1String(n.name)) return {n.target, n.target ? kAddressBook : kNoTarget};
  }
  if (auto google = GoogleColumn(upper)) return {*google, *google ? kAddressBook : kNoTarget};
  DbfSourceField field;
  field.type = QLatin1Char('C');
  field.name = upper;
  const auto t = TargetFromCaption(AutoTarget(field));
  return {t, t ? kRule : kNoTarget};
}

}  // namespace

CsvMatch ProposeCsvMatch(const QStringList& header) {
  const bool jobTitle = std::any_of(header.begin(), header.end(), [](const QString& h) {
    return h.trimmed().compare(QLatin1String("Job Title"), Qt::CaseInsensitive) == 0;
  });
  CsvMatch match(static_cast<size_t>(header.size()));
  std::vector<Sureness> sureness(header.size(), kNoTarget);
  for (qsizetype i = 0; i < header.size(); ++i) {
    const auto [target, sure] = HeaderTarget(header[i], jobTitle);
    if (!target) continue;
    if (*target != ContactTarget::Memo) {
      auto held = std::find(match.begin(), match.end(), target);
      if (held != match.end()) {
        const size_t j = static_cast<size_t>(held - match.begin());
        if (sureness[j] <= sure) continue;
        *held = std::nullopt;
      }
    }
    match[static_cast<size_t>(i)] = target;
    sureness[static_cast<size_t>(i)] = sure;
  }
  return match;
}

bool CsvRowSource::open(QString* error) {
  m_in.setFileName(m_file.path);
  if (!m_in.open(QIODevice::ReadOnly) || !m_in.seek(BomLength(m_file.encoding))) {
    *error = QStringLiteral("Unable to open the file ") + m_file.path;
    return false;
  }
  m_parser = std::make_unique<CsvParser>(&m_in, m_file.delimiter);
  if (!m_parser->next(&m_values, error)) {
    if (error->isEmpty()) *error = UnableToImportMessage();
    return false;
  }
  return true;
}

bool CsvRowSource::next(ImportRow* row, QString* error) {
  row->values.clear();
  row->memoReplaces = false;
  for (;;) {
    if (!m_parser->next(&m_values, error)) return false;
    const size_t n = std::min(m_values.size(), m_match.size());
    bool any = false;
    for (size_t i = 0; i < m_values.size(); ++i) any = any || !m_values[i].isEmpty();
    if (!any) continue;
    for (size_t i = 0; i < n; ++i) {
      if (!m_match[i] || m_values[i].isEmpty()) continue;
      row->values.emplace_back(*m_match[i], DecodeText(m_values[i], m_file.encoding));
    }
    return true;
  }
}

const std::vector<ContactTarget>& CsvExportColumns() {
  static const std::vector<ContactTarget> columns = {
      T::Prefix, T::First,   T::Middle, T::Last,  T::Title, T::Organization,
      T::Street, T::City,    T::State,  T::Zip,   T::Country, T::Phone,
      T::EMail,  T::Fax,     T::Date,   T::Codes, T::Memo,
  };
  return columns;
}

QByteArray CsvQuote(const QString& value) {
  QByteArray bytes = value.toUtf8();
  const bool needs = bytes.contains(',') || bytes.contains(';') || bytes.contains('\t') ||
                     bytes.contains('"') || bytes.contains('\r') || bytes.contains('\n') ||
                     bytes.startsWith(' ') || bytes.endsWith(' ');
  if (!needs) return bytes;
  bytes.replace("\"", "\"\"");
  return '"' + bytes + '"';
}

xb::Status CsvWriter::open(const QString& path) {
  XB_RETURN_IF_ERROR(create(path));
  QByteArray line("\xEF\xBB\xBF");
  for (ContactTarget t : CsvExportColumns()) {
    if (line.size() > 3) line.append(',');
    line.append(CsvQuote(TargetInfoOf(t).caption));
  }
  return put(line + "\r\n");
}

xb::Status CsvWriter::write(const ContactValues& record) {
  QByteArray line;
  bool first = true;
  for (ContactTarget t : CsvExportColumns()) {
    if (!first) line.append(',');
    first = false;
    line.append(CsvQuote(record.value(TargetInfoOf(t).field)));
  }
  return put(line + "\r\n");
}

}  // namespace qv
