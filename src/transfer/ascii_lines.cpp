#include "transfer/ascii_lines.h"

#include <cstring>

namespace qv {

namespace {

constexpr qsizetype kChunk = 1 << 16;
// No character takes more than four bytes in either encoding, so this many
// bytes always hold the first 2048 characters of a line.
constexpr qsizetype kLineBytes = qsizetype{kAsciiLineChars} * 4;

// Cuts to `n` UTF-16 units without splitting a surrogate pair.
QString CutChars(QString text, int n) {
  if (text.size() <= n) return text;
  if (n > 0 && text[n - 1].isHighSurrogate()) --n;
  text.truncate(n);
  return text;
}

}  // namespace

QString UnableToImportMessage() { return QStringLiteral("Unable to import from this file"); }

// From the first double quote on: a quote that does not follow a quote
// flips the inside flag; a quote that follows a quote closes a quoted value
// only when the value ends there (end of line or comma); a comma while
// inside becomes character 127.
QString ProtectQuotedCommas(QString line) {
  const qsizetype first = line.indexOf(QLatin1Char('"'));
  if (first < 0) return line;
  bool inside = false;
  const qsizetype n = line.size();
  QChar* c = line.data();
  for (qsizetype i = first; i < n; ++i) {
    if (c[i] == QLatin1Char('"')) {
      if (i == first || c[i - 1] != QLatin1Char('"')) {
        inside = !inside;
      } else if (inside && (i + 1 == n || c[i + 1] == QLatin1Char(','))) {
        inside = false;
      }
    } else if (inside && c[i] == QLatin1Char(',')) {
      c[i] = QChar(kProtectedComma);
    }
  }
  return line;
}

QStringList SplitAsciiLine(const QString& line) {
  const QString text = ProtectQuotedCommas(line);
  QStringList values;
  qsizetype start = 0;
  for (;;) {
    const qsizetype comma = text.indexOf(QLatin1Char(','), start);
    const qsizetype end = comma < 0 ? text.size() : comma;
    values.append(CutChars(text.mid(start, end - start), kAsciiValueChars));
    if (comma < 0) break;
    start = comma + 1;
  }
  return values;
}

QString CleanAsciiValue(QString value) {
  value.replace(QChar(kProtectedComma), QLatin1Char(','));
  if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) {
    value = value.mid(1, value.size() - 2);
  }
  return value;
}

bool AsciiLineReader::open(const QString& path, QString* error) {
  m_file.setFileName(path);
  if (!m_file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("Unable to read ") + path + QStringLiteral(": ") + m_file.errorString();
    return false;
  }
  m_buffer.clear();
  m_pos = 0;
  m_eof = false;
  m_pendingCr = false;
  m_lineNumber = 0;
  m_error.clear();
  if (!fill() && !m_error.isEmpty()) {
    *error = m_error;
    return false;
  }
  m_encoding = DetectTextEncoding(m_buffer);
  m_pos = BomLength(m_encoding);
  return true;
}

bool AsciiLineReader::fill() {
  if (m_eof) return false;
  if (m_pos > 0) {
    m_buffer.remove(0, m_pos);
    m_pos = 0;
  }
  const qsizetype had = m_buffer.size();
  m_buffer.resize(had + kChunk);
  const qint64 got = m_file.read(m_buffer.data() + had, kChunk);
  if (got < 0) {
    m_buffer.resize(had);
    m_error = QStringLiteral("Unable to read ") + m_file.fileName() + QStringLiteral(": ") +
              m_file.errorString();
    m_eof = true;
    return false;
  }
  m_buffer.resize(had + got);
  if (got == 0) m_eof = true;
  return got > 0;
}

// One line's bytes into m_line (at most kLineBytes of them).
bool AsciiLineReader::readRaw(bool text) {
  m_line.clear();
  m_rawBytes = 0;
  bool any = false;
  for (;;) {
    if (m_pos >= m_buffer.size()) {
      if (!fill()) {
        if (!m_error.isEmpty()) return false;
        if (!any) return false;
        break;
      }
    }
    if (m_pendingCr) {
      m_pendingCr = false;
      if (m_buffer[m_pos] == '\n') ++m_pos;
      continue;
    }
    const char* begin = m_buffer.constData() + m_pos;
    const qsizetype left = m_buffer.size() - m_pos;
    qsizetype len = 0;
    while (len < left && begin[len] != '\n' && begin[len] != '\r') ++len;
    any = true;
    m_rawBytes += len;
    if (m_line.size() < kLineBytes) m_line.append(begin, std::min(len, kLineBytes - m_line.size()));
    if (text && std::memchr(begin, '\0', static_cast<size_t>(len)) != nullptr) {
      m_error = QStringLiteral("Line %1 of %2 holds a NUL byte: this is not a text file")
                    .arg(m_lineNumber + 1)
                    .arg(m_file.fileName());
      return false;
    }
    m_pos += len;
    if (len == left) continue;  // the line goes on in the next chunk
    if (m_buffer[m_pos] == '\r') {
      ++m_pos;
      if (m_pos < m_buffer.size()) {
        if (m_buffer[m_pos] == '\n') ++m_pos;
      } else {
        m_pendingCr = true;
      }
    } else {
      ++m_pos;
    }
    break;
  }
  ++m_lineNumber;
  return true;
}

bool AsciiLineReader::next(QString* line) {
  if (!readRaw(true)) return false;
  const QString text = DecodeText(m_line, m_encoding);
  m_lineCut = m_rawBytes > kLineBytes || text.size() > kAsciiLineChars;
  *line = CutChars(text, kAsciiLineChars);
  return true;
}

bool AsciiLineReader::skip() { return readRaw(false); }

bool SampleAsciiFile(const QString& path, AsciiSample* sample, QString* error) {
  *sample = AsciiSample();
  AsciiLineReader reader;
  if (!reader.open(path, error)) return false;
  QString line;
  while (sample->linesRead < kAsciiSampleLines && reader.next(&line)) {
    QStringList values = SplitAsciiLine(line);
    if (sample->linesRead == 0) {
      sample->columnsCut = values.size() > kAsciiMaxColumns;
      sample->columnCount = static_cast<int>(std::min<qsizetype>(values.size(), kAsciiMaxColumns));
      sample->maxLen.assign(static_cast<size_t>(sample->columnCount), 0);
    }
    if (values.size() > sample->columnCount) values = values.mid(0, sample->columnCount);
    for (qsizetype i = 0; i < values.size(); ++i) {
      int& longest = sample->maxLen[static_cast<size_t>(i)];
      longest = std::max(longest, static_cast<int>(values[i].size()));
      values[i] = CleanAsciiValue(values[i]);
    }
    sample->rows.push_back(values);
    ++sample->linesRead;
  }
  if (!reader.error().isEmpty()) {
    *error = reader.error();
    return false;
  }
  return true;
}

bool CountAsciiLines(const QString& path, std::int64_t* count, QString* error) {
  AsciiLineReader reader;
  if (!reader.open(path, error)) return false;
  while (reader.skip()) {
  }
  if (!reader.error().isEmpty()) {
    *error = reader.error();
    return false;
  }
  *count = std::max<std::int64_t>(1, reader.lineNumber());
  return true;
}

}  // namespace qv
