// The text import's rows: every line of the file, its columns matched to
// contact fields.
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "transfer/ascii_lines.h"
#include "transfer/transfer.h"

namespace qv {

// Column -> target, from column 1 at index 0; nothing for an unmatched
// column.
using AsciiMatch = std::vector<std::optional<ContactTarget>>;

// Every target but Memo at most once, Date never (the text import does not
// convert dates). False with the reason otherwise.
bool CheckAsciiMatch(const AsciiMatch& match, QString* error);
bool AnyMatched(const AsciiMatch& match);

class AsciiRowSource : public RowSource {
 public:
  // `columnCount` from the sample; lines with fewer values are padded with
  // empty ones, values beyond it are ignored.
  AsciiRowSource(QString path, int columnCount, AsciiMatch match);
  // Counts the lines (for the gauge), then opens the file for reading.
  bool open(QString* error);
  bool next(ImportRow* row, QString* error) override;
  std::int64_t expected() const override { return m_total; }
  // Blank lines skipped; lines cut, with more values than the columns, an
  // unclosed quote or control characters (removed), by line number.
  QStringList notices() const override;

 private:
  // Lines of one kind of fault: how many, and the numbers of the first 20.
  struct Faulty {
    std::int64_t count = 0;
    QStringList first;
    void add(std::int64_t line);
  };
  Faulty m_blank, m_cut, m_extra, m_quote, m_control;

  QString m_path;
  int m_columnCount;
  AsciiMatch m_match;
  AsciiLineReader m_reader;
  std::int64_t m_total = 0;
};

}  // namespace qv
