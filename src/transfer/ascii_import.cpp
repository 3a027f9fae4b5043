#include "transfer/ascii_import.h"

#include <utility>

namespace qv {

bool CheckAsciiMatch(const AsciiMatch& match, QString* error) {
  std::vector<int> seen(ContactTargets().size(), 0);
  for (size_t i = 0; i < match.size(); ++i) {
    if (!match[i]) continue;
    const ContactTarget t = *match[i];
    const QString& caption = TargetInfoOf(t).caption;
    if (t == ContactTarget::Date) {
      *error = QStringLiteral("Column %1: a text import does not fill \"%2\"").arg(i + 1).arg(caption);
      return false;
    }
    int& first = seen[static_cast<size_t>(t)];
    if (t != ContactTarget::Memo && first != 0) {
      *error = QStringLiteral("Columns %1 and %2 are both matched to \"%3\"")
                   .arg(first)
                   .arg(i + 1)
                   .arg(caption);
      return false;
    }
    if (first == 0) first = static_cast<int>(i + 1);
  }
  return true;
}

bool AnyMatched(const AsciiMatch& match) {
  for (const auto& t : match) {
    if (t) return true;
  }
  return false;
}

AsciiRowSource::AsciiRowSource(QString path, int columnCount, AsciiMatch match)
    : m_path(std::move(path)), m_columnCount(columnCount), m_match(std::move(match)) {
  if (m_match.size() > static_cast<size_t>(m_columnCount)) m_match.resize(static_cast<size_t>(m_columnCount));
}

bool AsciiRowSource::open(QString* error) {
  return CountAsciiLines(m_path, &m_total, error) && m_reader.open(m_path, error);
}

void AsciiRowSource::Faulty::add(std::int64_t line) {
  if (count++ < 20) first.append(QString::number(line));
}

bool AsciiRowSource::next(ImportRow* row, QString* error) {
  QString line;
  for (;;) {
    if (!m_reader.next(&line)) {
      if (!m_reader.error().isEmpty()) *error = m_reader.error();
      return false;
    }
    if (!line.trimmed().isEmpty()) break;
    m_blank.add(m_reader.lineNumber());  // a blank line is no contact
  }
  const std::int64_t number = m_reader.lineNumber();
  if (m_reader.lineCut()) m_cut.add(number);
  // Control characters (a tab aside) are no part of a name or address.
  bool control = false;
  for (QChar& c : line) {
    if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
      c = QLatin1Char(' ');
      control = true;
    }
  }
  if (control) m_control.add(number);
  if (line.count(QLatin1Char('"')) % 2 != 0) m_quote.add(number);
  const QStringList values = SplitAsciiLine(line);
  if (values.size() > m_columnCount) m_extra.add(number);
  bool cutValue = false;
  for (const QString& v : ProtectQuotedCommas(line).split(QLatin1Char(','))) {
    cutValue = cutValue || v.size() > kAsciiValueChars;
  }
  if (cutValue && !m_reader.lineCut()) m_cut.add(number);
  row->values.clear();
  row->memoReplaces = false;
  // Missing values at the end of a short line are empty, and an empty value
  // fills nothing, so they need no padding here.
  for (size_t i = 0; i < m_match.size(); ++i) {
    if (!m_match[i] || static_cast<qsizetype>(i) >= values.size()) continue;
    QString value = CleanAsciiValue(values[static_cast<qsizetype>(i)]);
    if (!value.isEmpty()) row->values.emplace_back(*m_match[i], std::move(value));
  }
  return true;
}

QStringList AsciiRowSource::notices() const {
  QStringList out;
  // `one` for a single line, `many` otherwise: %1 the count, %2 the lines.
  auto tell = [&](const Faulty& f, const QString& one, const QString& many) {
    if (f.count == 0) return;
    QString lines = f.first.join(QStringLiteral(", "));
    if (f.count > f.first.size()) lines += QStringLiteral(" ...");
    const QString columns = QString::number(m_columnCount);
    // The text for one line names no count: its %2 is the first placeholder.
    out.append(f.count == 1 ? QString(one).replace(QStringLiteral("%3"), columns).arg(lines)
                            : QString(many)
                                  .replace(QStringLiteral("%3"), columns)
                                  .arg(f.count)
                                  .arg(lines));
  };
  tell(m_blank, QStringLiteral("1 blank line was skipped (line %2)."),
       QStringLiteral("%1 blank lines were skipped (lines %2)."));
  tell(m_cut,
       QStringLiteral("1 line was longer than 2048 characters or held a value longer than 255 "
                      "and was cut (line %2)."),
       QStringLiteral("%1 lines were longer than 2048 characters or held a value longer "
                      "than 255 and were cut (lines %2)."));
  tell(m_extra,
       QStringLiteral("1 line held more values than the file's %3 columns; the values beyond "
                      "them were not imported (line %2)."),
       QStringLiteral("%1 lines held more values than the file's %3 columns; the values "
                      "beyond them were not imported (lines %2)."));
  tell(m_quote,
       QStringLiteral("1 line held a quote that does not close; it was imported as read "
                      "(line %2)."),
       QStringLiteral("%1 lines held a quote that does not close; they were imported as "
                      "read (lines %2)."));
  tell(m_control,
       QStringLiteral("1 line held control characters, imported as blanks (line %2)."),
       QStringLiteral("%1 lines held control characters, imported as blanks (lines %2)."));
  return out;
}

}  // namespace qv
