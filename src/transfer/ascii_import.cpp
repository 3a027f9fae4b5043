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

bool AsciiRowSource::next(ImportRow* row, QString* error) {
  QString line;
  if (!m_reader.next(&line)) {
    if (!m_reader.error().isEmpty()) *error = m_reader.error();
    return false;
  }
  const QStringList values = SplitAsciiLine(line);
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

}  // namespace qv
