#include "transfer/csv.h"

#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>
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

namespace {

// How surely a header names its target; the lower, the surer.
enum Sureness { kCaption = 0, kAddressBook = 1, kRule = 2, kNoTarget = 3 };

using T = ContactTarget;

struct HeaderName {
  const char* name;  // upper case
  std::optional<ContactTarget> target;
};

// Names Outlook, Google, Thunderbird and LinkedIn write for the fields of
// one column each, which the DBF import's rules miss or misread ("Notes"
// there are free text, not codes). An entry without a target keeps a
// column from being matched by the rules.
const std::vector<HeaderName>& AddressBookNames() {
  static const std::vector<HeaderName> names = {
      {"LAST NAME", T::Last},          {"FAMILY NAME", T::Last},
      {"SURNAME", T::Last},            {"FIRST NAME", T::First},
      {"GIVEN NAME", T::First},        {"MIDDLE NAME", T::Middle},
      {"ADDITIONAL NAME", T::Middle},  {"NAME PREFIX", T::Prefix},
      {"JOB TITLE", T::Title},         {"COMPANY", T::Organization},
      {"ORGANIZATION NAME", T::Organization}, {"ORGANIZATION TITLE", T::Title},
      {"ORGANIZATION 1 - NAME", T::Organization}, {"ORGANIZATION 1 - TITLE", T::Title},
      {"POSITION", T::Title},
      {"CATEGORIES", T::Codes},        {"CATEGORY", T::Codes},
      {"NOTES", T::Memo},              {"COMMENTS", T::Memo},
      {"ANNIVERSARY", std::nullopt},   {"INITIALS", std::nullopt},
      {"ORGANIZATIONAL ID NUMBER", std::nullopt},
      {"NAME SUFFIX", std::nullopt},   {"DISPLAY NAME", std::nullopt},
      {"URL", std::nullopt},           {"CONNECTED ON", std::nullopt},
  };
  return names;
}

enum class Role { None, Single, Street, City, State, Zip, Country, Phone, PhoneLabel, EMail };

struct Column {
  Role role = Role::None;
  std::optional<ContactTarget> target;  // Role::Single
  Sureness sure = kNoTarget;
  QString block;   // address parts: the block's name as the header writes it
  int group = -1;  // Google's number of a phone and its label
  bool fax = false;
};

Role RoleOfTarget(ContactTarget t) {
  switch (t) {
    case T::Street: return Role::Street;
    case T::City: return Role::City;
    case T::State: return Role::State;
    case T::Zip: return Role::Zip;
    case T::Country: return Role::Country;
    case T::Phone: case T::Fax: return Role::Phone;
    case T::EMail: return Role::EMail;
    default: return Role::Single;
  }
}

Column OfTarget(ContactTarget t, Sureness sure) {
  Column c;
  c.role = RoleOfTarget(t);
  c.sure = sure;
  c.fax = t == T::Fax;
  if (c.role == Role::Single) c.target = t;
  return c;
}

// The part of an address a name gives once its block ("Business ", "Address
// 1 - ") is taken off.
Role AddressPart(const QString& rest) {
  static const std::pair<const char*, Role> kParts[] = {
      {"STREET", Role::Street},     {"STREET 2", Role::Street},     {"STREET 3", Role::Street},
      {"ADDRESS", Role::Street},    {"ADDRESS 1", Role::Street},    {"ADDRESS 2", Role::Street},
      {"ADDRESS 3", Role::Street},  {"STREET ADDRESS", Role::Street},
      {"ADDRESS LINE 1", Role::Street}, {"ADDRESS LINE 2", Role::Street},
      {"EXTENDED ADDRESS", Role::Street},
      {"CITY", Role::City},         {"TOWN", Role::City},
      {"STATE", Role::State},       {"REGION", Role::State},        {"PROVINCE", Role::State},
      {"STATE/PROVINCE", Role::State},
      {"POSTAL CODE", Role::Zip},   {"ZIP", Role::Zip},             {"ZIP CODE", Role::Zip},
      {"ZIPCODE", Role::Zip},       {"POSTCODE", Role::Zip},        {"POST CODE", Role::Zip},
      {"COUNTRY", Role::Country},   {"COUNTRY/REGION", Role::Country},
  };
  for (const auto& [name, role] : kParts) {
    if (rest == QLatin1String(name)) return role;
  }
  return Role::None;
}

Column ClassifyColumn(const QString& header, bool jobTitleBeside) {
  const QString upper = header.trimmed().toUpper().simplified();
  Column c;
  if (upper.isEmpty()) return c;
  // Outlook's "Title" is the salutation when its "Job Title" is there too.
  if (jobTitleBeside && upper == QLatin1String("TITLE")) return OfTarget(T::Prefix, kAddressBook);
  if (auto t = TargetFromCaption(header.trimmed())) return OfTarget(*t, kCaption);
  for (const HeaderName& n : AddressBookNames()) {
    if (upper == QLatin1String(n.name)) return n.target ? OfTarget(*n.target, kAddressBook) : c;
  }
  static const QRegularExpression kGoogle(QStringLiteral("^(ADDRESS|PHONE|E-MAIL) (\\d+) - (.+)$"));
  if (const auto m = kGoogle.match(upper); m.hasMatch()) {
    const QString kind = m.captured(1);
    const QString part = m.captured(3);
    c.sure = kAddressBook;
    c.group = m.captured(2).toInt();
    if (kind == QLatin1String("ADDRESS")) {
      c.role = AddressPart(part);
      c.block = header.trimmed().left(header.trimmed().indexOf(QLatin1String(" - ")));
    } else if (part == QLatin1String("VALUE")) {
      c.role = kind == QLatin1String("PHONE") ? Role::Phone : Role::EMail;
    } else if (kind == QLatin1String("PHONE") && (part == QLatin1String("LABEL") || part == QLatin1String("TYPE"))) {
      c.role = Role::PhoneLabel;
    }
    return c;
  }
  static const QRegularExpression kBlock(QStringLiteral("^(BUSINESS|HOME|OTHER|WORK) (.+)$"));
  if (const auto m = kBlock.match(upper); m.hasMatch()) {
    if (const Role part = AddressPart(m.captured(2)); part != Role::None) {
      c.role = part;
      c.sure = kAddressBook;
      c.block = header.trimmed().section(QLatin1Char(' '), 0, 0);
      return c;
    }
  }
  if (const Role part = AddressPart(upper); part != Role::None) {
    c.role = part;
    c.sure = kAddressBook;
    return c;
  }
  if (upper.contains(QLatin1String("FAX"))) {
    c.role = Role::Phone;
    c.fax = true;
    c.sure = kAddressBook;
    return c;
  }
  const bool notDialled = upper.contains(QLatin1String("ASSISTANT")) ||
                          upper.contains(QLatin1String("PAGER")) ||
                          upper.contains(QLatin1String("TELEX")) ||
                          upper.contains(QLatin1String("CALLBACK"));
  if (!notDialled && (upper.contains(QLatin1String("PHONE")) || upper.contains(QLatin1String("MOBILE")) ||
                      upper.contains(QLatin1String("CELL")))) {
    c.role = Role::Phone;
    c.sure = kAddressBook;
    return c;
  }
  if (upper.contains(QLatin1String("E-MAIL")) || upper.contains(QLatin1String("EMAIL"))) {
    if (upper.contains(QLatin1String("TYPE")) || upper.contains(QLatin1String("DISPLAY")) ||
        upper.contains(QLatin1String("LABEL"))) {
      return c;
    }
    c.role = Role::EMail;
    c.sure = kAddressBook;
    return c;
  }
  // A box number is no street line; the name rules would take it for one.
  if (notDialled || upper.contains(QLatin1String("PO BOX"))) return c;
  DbfSourceField field;
  field.type = QLatin1Char('C');
  field.name = upper;
  const auto t = TargetFromCaption(AutoTarget(field));
  return t ? OfTarget(*t, kRule) : c;
}

// The header names `n` columns an address book writes.
int KnownColumns(const QStringList& header) {
  int n = 0;
  for (const QString& h : header) n += ClassifyColumn(h, false).role != Role::None ? 1 : 0;
  return n;
}

QStringList Names(const QStringList& header, const std::vector<int>& columns) {
  QStringList out;
  for (int i : columns) out.append(header.value(i));
  return out;
}

}  // namespace

bool CsvPlan::any() const {
  return !blocks.empty() || !phones.empty() || !emails.empty() ||
         std::any_of(columns.begin(), columns.end(), [](const auto& t) { return t.has_value(); });
}

CsvPlan ProposeCsvPlan(const QStringList& header) {
  const bool jobTitle = std::any_of(header.begin(), header.end(), [](const QString& h) {
    return h.trimmed().compare(QLatin1String("Job Title"), Qt::CaseInsensitive) == 0;
  });
  CsvPlan plan;
  plan.columns.assign(static_cast<size_t>(header.size()), std::nullopt);
  std::vector<Sureness> sureness(header.size(), kNoTarget);
  std::vector<Column> columns;
  for (qsizetype i = 0; i < header.size(); ++i) columns.push_back(ClassifyColumn(header[i], jobTitle));
  for (size_t i = 0; i < columns.size(); ++i) {
    const Column& c = columns[i];
    const int col = static_cast<int>(i);
    switch (c.role) {
      case Role::None:
      case Role::PhoneLabel:
        break;
      case Role::Single: {
        if (*c.target != T::Memo) {
          auto held = std::find(plan.columns.begin(), plan.columns.end(), c.target);
          if (held != plan.columns.end()) {
            const size_t j = static_cast<size_t>(held - plan.columns.begin());
            if (sureness[j] <= c.sure) break;
            *held = std::nullopt;
          }
        }
        plan.columns[i] = c.target;
        sureness[i] = c.sure;
        break;
      }
      case Role::Phone: {
        CsvPhone p;
        p.value = col;
        p.fax = c.fax;
        for (size_t j = 0; c.group >= 0 && j < columns.size(); ++j) {
          if (columns[j].role == Role::PhoneLabel && columns[j].group == c.group) p.label = static_cast<int>(j);
        }
        plan.phones.push_back(p);
        break;
      }
      case Role::EMail:
        plan.emails.push_back(col);
        break;
      default: {  // a part of an address
        auto block = std::find_if(plan.blocks.begin(), plan.blocks.end(),
                                  [&](const CsvAddressBlock& b) { return b.name == c.block; });
        if (block == plan.blocks.end()) {
          plan.blocks.push_back(CsvAddressBlock{c.block, {}});
          block = plan.blocks.end() - 1;
        }
        int* part = c.role == Role::City ? &block->city
                    : c.role == Role::State ? &block->state
                    : c.role == Role::Zip ? &block->zip
                    : c.role == Role::Country ? &block->country : nullptr;
        if (part == nullptr) {
          block->street.push_back(col);
        } else if (*part < 0) {
          *part = col;
        }
      }
    }
  }
  return plan;
}

CsvMatch ProposeCsvMatch(const QStringList& header) { return ProposeCsvPlan(header).columns; }

CsvPlan PlanOfMatch(const CsvMatch& match) {
  CsvPlan plan;
  plan.columns = match;
  return plan;
}

QStringList DescribeCsvPlan(const CsvPlan& plan, const QStringList& header) {
  QStringList out;
  auto caption = [](ContactTarget t) { return TargetInfoOf(t).caption; };
  for (size_t i = 0; i < plan.columns.size(); ++i) {
    if (plan.columns[i]) out.append(header.value(static_cast<int>(i)) + QStringLiteral(" -> ") + caption(*plan.columns[i]));
  }
  for (const CsvAddressBlock& b : plan.blocks) {
    QStringList parts;
    if (!b.street.empty()) parts.append(Names(header, b.street).join(QStringLiteral(" + ")) + QStringLiteral(" -> Street"));
    const std::pair<int, T> rest[] = {{b.city, T::City}, {b.state, T::State}, {b.zip, T::Zip}, {b.country, T::Country}};
    for (const auto& [col, t] : rest) {
      if (col >= 0) parts.append(header.value(col) + QStringLiteral(" -> ") + caption(t));
    }
    const QString name = b.name.isEmpty() ? QStringLiteral("Address") : b.name;
    out.append(plan.blocks.size() == 1 ? parts.join(QStringLiteral("; "))
                                       : name + QStringLiteral(": ") + parts.join(QStringLiteral("; ")));
  }
  if (plan.blocks.size() > 1) {
    QStringList names;
    for (const CsvAddressBlock& b : plan.blocks) names.append(b.name.isEmpty() ? QStringLiteral("Address") : b.name);
    out.append(QStringLiteral("Address: each row takes the first of ") + names.join(QStringLiteral(", ")) +
               QStringLiteral(" that holds a street"));
  }
  QStringList phones, faxes;
  bool labelled = false;
  for (const CsvPhone& p : plan.phones) {
    if (p.label >= 0) labelled = true;
    if (p.fax || p.label >= 0) faxes.append(header.value(p.value));
    if (!p.fax) phones.append(header.value(p.value));
  }
  const QString byLabel = labelled ? QStringLiteral(" (a fax when its label says so)") : QString();
  if (phones.size() == 1 && !labelled) {
    out.append(phones[0] + QStringLiteral(" -> Phone"));
  } else if (!phones.isEmpty()) {
    out.append(QStringLiteral("Phone: the first of ") + phones.join(QStringLiteral(", ")) +
               QStringLiteral(" that is not a fax") + byLabel);
  }
  if (faxes.size() == 1 && !labelled) {
    out.append(faxes[0] + QStringLiteral(" -> Fax"));
  } else if (!faxes.isEmpty()) {
    out.append(QStringLiteral("Fax: the first fax of ") + faxes.join(QStringLiteral(", ")) + byLabel);
  }
  if (plan.emails.size() == 1) {
    out.append(header.value(plan.emails[0]) + QStringLiteral(" -> E-Mail"));
  } else if (!plan.emails.empty()) {
    out.append(QStringLiteral("E-Mail: the first of ") + Names(header, plan.emails).join(QStringLiteral(", ")) +
               QStringLiteral(" that is not empty"));
  }
  return out;
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
  const int bom = file->bomLength = BomLength(file->encoding);
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
  auto checkUtf8 = [&]() {
    for (const QByteArray& v : values) {
      if (!utf8) return;
      utf8 = IsUtf8(v);
    }
  };
  auto isBlank = [&]() {
    return std::none_of(values.begin(), values.end(), [](const QByteArray& v) { return !v.isEmpty(); });
  };
  // The header is looked for among the first records; without one that
  // names two known columns, the first record is the header.
  constexpr int kHeaderSearch = 50;
  std::vector<std::vector<QByteArray>> first;
  std::vector<std::int64_t> lines;
  while (static_cast<int>(first.size()) < kHeaderSearch && parser.next(&values, &fault)) {
    checkUtf8();
    first.push_back(values);
    lines.push_back(parser.recordLine());
  }
  if (first.empty()) {
    if (fault.isEmpty()) fault = QStringLiteral("no header line");
    return failed();
  }
  const TextEncoding guess = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
  auto decoded = [&](const std::vector<QByteArray>& record) {
    QStringList out;
    for (const QByteArray& h : record) out.append(DecodeText(h, guess).trimmed());
    return out;
  };
  size_t at = 0;
  while (at < first.size() && KnownColumns(decoded(first[at])) < 2) ++at;
  if (at == first.size()) at = 0;
  const std::vector<QByteArray> header = first[at];
  for (const QByteArray& h : header) {
    if (std::any_of(h.begin(), h.end(), [](char c) {
          const auto u = static_cast<unsigned char>(c);
          return u < 0x20 && u != '\t' && u != '\r' && u != '\n';
        })) {
      fault = QStringLiteral("its first line is no header line of names (control characters)");
      return failed();
    }
  }
  std::int64_t records = 0;
  for (size_t i = at + 1; i < first.size(); ++i) {
    values = first[i];
    records += isBlank() ? 0 : 1;
  }
  if (fault.isEmpty() && static_cast<int>(first.size()) == kHeaderSearch) {
    while (parser.next(&values, &fault)) {
      checkUtf8();
      records += isBlank() ? 0 : 1;
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
  file->headerRecord = static_cast<std::int64_t>(at);
  file->skippedLines = lines[at] - 1;
  return true;
}

bool CsvRowSource::open(QString* error) {
  m_in.setFileName(m_file.path);
  if (!m_in.open(QIODevice::ReadOnly) || !m_in.seek(m_file.bomLength)) {
    *error = QStringLiteral("Unable to open the file ") + m_file.path;
    return false;
  }
  m_parser = std::make_unique<CsvParser>(&m_in, m_file.delimiter);
  for (std::int64_t i = 0; i <= m_file.headerRecord; ++i) {
    if (!m_parser->next(&m_values, error)) {
      if (error->isEmpty()) *error = UnableToImportMessage();
      return false;
    }
  }
  return true;
}

QStringList CsvRowSource::notices() const {
  QStringList out;
  if (m_file.skippedLines > 0) {
    out.append(m_file.skippedLines == 1
                   ? QStringLiteral("1 line above the header line was skipped.")
                   : QStringLiteral("%1 lines above the header line were skipped.").arg(m_file.skippedLines));
  }
  if (m_extra > 0) {
    QString lines = m_extraLines.join(QStringLiteral(", "));
    if (m_extra > m_extraLines.size()) lines += QStringLiteral(" ...");
    const QString what = m_extra == 1 ? QStringLiteral("1 record held") : QStringLiteral("%1 records held").arg(m_extra);
    out.append(what + QStringLiteral(" more values than the header's %1 columns; the values beyond them "
                                     "were not imported (%2 %3).")
                          .arg(m_file.header.size())
                          .arg(m_extra == 1 ? QStringLiteral("line") : QStringLiteral("lines"), lines));
  }
  return out;
}

bool CsvRowSource::next(ImportRow* row, QString* error) {
  row->values.clear();
  row->memoReplaces = false;
  auto value = [&](int column) {
    if (column < 0 || static_cast<size_t>(column) >= m_values.size()) return QString();
    return DecodeText(m_values[static_cast<size_t>(column)], m_file.encoding);
  };
  // Google writes several numbers or addresses of one kind as "a ::: b".
  auto firstOf = [](const QString& v) { return v.section(QStringLiteral(" ::: "), 0, 0).trimmed(); };
  for (;;) {
    if (!m_parser->next(&m_values, error)) return false;
    bool any = false;
    for (size_t i = 0; i < m_values.size(); ++i) any = any || !m_values[i].isEmpty();
    if (!any) continue;
    const auto beyond = m_values.begin() + std::min<qsizetype>(m_file.header.size(), m_values.size());
    if (std::any_of(beyond, m_values.end(), [](const QByteArray& v) { return !v.isEmpty(); })) {
      if (m_extra++ < 20) m_extraLines.append(QString::number(m_parser->recordLine()));
    }
    const size_t n = std::min(m_values.size(), m_plan.columns.size());
    for (size_t i = 0; i < n; ++i) {
      if (!m_plan.columns[i] || m_values[i].isEmpty()) continue;
      row->values.emplace_back(*m_plan.columns[i], DecodeText(m_values[i], m_file.encoding));
    }
    auto street = [&](const CsvAddressBlock& b) {
      QStringList lines;
      for (int c : b.street) {
        if (const QString v = value(c); !v.trimmed().isEmpty()) lines.append(v);
      }
      return lines.join(QStringLiteral(", "));
    };
    auto holdsAny = [&](const CsvAddressBlock& b) {
      return !street(b).isEmpty() || !value(b.city).isEmpty() || !value(b.state).isEmpty() ||
             !value(b.zip).isEmpty() || !value(b.country).isEmpty();
    };
    const CsvAddressBlock* block = nullptr;
    for (const CsvAddressBlock& b : m_plan.blocks) {
      if (!street(b).isEmpty()) {
        block = &b;
        break;
      }
    }
    for (size_t i = 0; block == nullptr && i < m_plan.blocks.size(); ++i) {
      if (holdsAny(m_plan.blocks[i])) block = &m_plan.blocks[i];
    }
    if (block != nullptr) {
      const std::pair<QString, T> parts[] = {{street(*block), T::Street}, {value(block->city), T::City},
                                             {value(block->state), T::State}, {value(block->zip), T::Zip},
                                             {value(block->country), T::Country}};
      for (const auto& [v, t] : parts) {
        if (!v.isEmpty()) row->values.emplace_back(t, v);
      }
    }
    QString phone, fax;
    for (const CsvPhone& p : m_plan.phones) {
      const QString v = firstOf(value(p.value));
      if (v.isEmpty()) continue;
      const bool isFax = p.fax || value(p.label).contains(QLatin1String("fax"), Qt::CaseInsensitive);
      QString& slot = isFax ? fax : phone;
      if (slot.isEmpty()) slot = v;
    }
    if (!phone.isEmpty()) row->values.emplace_back(T::Phone, phone);
    if (!fax.isEmpty()) row->values.emplace_back(T::Fax, fax);
    for (int c : m_plan.emails) {
      if (const QString v = firstOf(value(c)); !v.isEmpty()) {
        row->values.emplace_back(T::EMail, v);
        break;
      }
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
