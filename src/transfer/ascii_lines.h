// The lines of a comma-separated text file as the text import reads them:
// each line cut to 2048 characters, commas inside quotes protected, split
// at every other comma into values of at most 255 characters, and each
// value cleaned when it is used. This is not full CSV (no header line, no
// multi-line values, doubled quotes kept): it reads what older mailing-list
// programs wrote, and the rules are kept so such files import as before.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "transfer/text_encoding.h"

namespace qv {

inline constexpr int kAsciiLineChars = 2048;
inline constexpr int kAsciiValueChars = 255;
inline constexpr int kAsciiMaxColumns = 255;
inline constexpr int kAsciiSampleLines = 10;
// Stands in for a comma inside quotes until the value is used.
inline constexpr char16_t kProtectedComma = 127;

// Commas inside quotes become character 127 (see the .cpp for the quote
// rules).
QString ProtectQuotedCommas(QString line);
// Protects, then splits at every comma: N commas give N + 1 values, each
// cut to 255 characters.
QStringList SplitAsciiLine(const QString& line);
// A value as it is used: character 127 becomes a comma again, and one pair
// of enclosing double quotes goes.
QString CleanAsciiValue(QString value);

// Reads a text file line by line in the encoding its first bytes show (a
// UTF-8 byte-order mark is skipped). A line ends at LF, CR LF or a lone CR;
// a last line without an end still counts.
class AsciiLineReader {
 public:
  // False, with the reason, when the file cannot be read.
  bool open(const QString& path, QString* error);
  // The next line, cut to 2048 characters (the rest of the line is
  // skipped). False at the end, or on a fault with error() set: a read
  // error, or a NUL byte (no text file holds one).
  bool next(QString* line);
  // Like next() without decoding or the NUL check, for counting.
  bool skip();
  const QString& error() const { return m_error; }
  // The line next() gave last was longer than 2048 characters.
  bool lineCut() const { return m_lineCut; }
  std::int64_t lineNumber() const { return m_lineNumber; }
  TextEncoding encoding() const { return m_encoding; }

 private:
  bool readRaw(bool text);
  bool fill();

  QFile m_file;
  QByteArray m_buffer;
  qsizetype m_pos = 0;
  QByteArray m_line;
  qsizetype m_rawBytes = 0;  // of the whole line, also past what m_line keeps
  bool m_lineCut = false;
  bool m_pendingCr = false;  // the last chunk ended in CR: skip a LF that follows
  bool m_eof = false;
  std::int64_t m_lineNumber = 0;
  TextEncoding m_encoding = TextEncoding::Utf8;
  QString m_error;
};

// The first lines of a file: how many columns it has and how long each
// column's values are, for the matching.
struct AsciiSample {
  int columnCount = 0;     // values on the first line, at most 255
  bool columnsCut = false;  // the first line had more than 255 values
  std::vector<int> maxLen;  // per column, from column 1
  std::vector<QStringList> rows;  // the sampled lines' values, cleaned
  int linesRead = 0;
  // A file of fewer than two lines is not taken.
  bool accepted() const { return linesRead > 1; }
};

// Reads up to 10 lines. False, with the reason, when the file cannot be
// read or is no text; a file that reads but is not accepted returns true.
bool SampleAsciiFile(const QString& path, AsciiSample* sample, QString* error);

// The number of lines; an empty file counts as 1, so a gauge never divides
// by zero.
bool CountAsciiLines(const QString& path, std::int64_t* count, QString* error);

// "Unable to import from this file"
QString UnableToImportMessage();

}  // namespace qv
