// Comma-separated files with a header line, as spreadsheets and address
// books write them (RFC 4180): values in double quotes may hold the
// delimiter, line breaks and doubled quotes; the delimiter is a comma, a
// semicolon or a tab, whichever the header line uses. Columns are proposed
// for contact fields by their header names. The export writes a file the
// import reads back to the same records.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "transfer/file_writer.h"
#include "transfer/text_encoding.h"
#include "transfer/transfer.h"

class QIODevice;

namespace qv {

// Limits against files that are no CSV or are built to hurt: a DBF has at
// most 255 fields, and no contact value comes near a megabyte.
inline constexpr int kCsvMaxColumns = 255;
inline constexpr qsizetype kCsvMaxValueBytes = qsizetype{1} << 20;
inline constexpr qsizetype kCsvMaxRecordBytes = qsizetype{4} << 20;

// Reads records (lists of raw values) from a device, byte by byte; the
// delimiter, quotes and line ends are ASCII in UTF-8 and Windows-1252 alike.
// Lenient where spreadsheets are: a quote inside an unquoted value is kept,
// text after a closing quote is added to the value, a lone CR ends a line.
class CsvParser {
 public:
  CsvParser(QIODevice* in, char delimiter) : m_in(in), m_delimiter(delimiter) {}
  // False at the end of the input (error left empty) or on a fault.
  bool next(std::vector<QByteArray>* values, QString* error);
  // The line the last record began on, from 1.
  std::int64_t recordLine() const { return m_recordLine; }

 private:
  int get();
  void unget() { --m_pos; }

  QIODevice* m_in;
  char m_delimiter;
  QByteArray m_buf;
  qsizetype m_pos = 0;
  std::int64_t m_line = 1;
  std::int64_t m_recordLine = 1;
};

// The delimiter the header line uses most, outside quotes: comma,
// semicolon or tab (a comma on a tie or when it has none).
char DetectCsvDelimiter(QByteArrayView headerLine);

// What one pass over the whole file found out.
struct CsvFile {
  QString path;
  char delimiter = ',';
  TextEncoding encoding = TextEncoding::Utf8;
  // Bytes of a byte-order mark, kept apart from the encoding: a file that
  // starts with one but is not UTF-8 throughout is read as Windows-1252
  // from after the mark.
  int bomLength = 0;
  QStringList header;        // trimmed
  std::int64_t records = 0;  // below the header, blank ones not counted
  // The header is the first record that names at least two columns an
  // address book writes (LinkedIn puts notes above it); the records before
  // it are passed over.
  std::int64_t headerRecord = 0;  // from 0
  std::int64_t skippedLines = 0;  // lines above the header
};

// Reads the file once: its encoding (UTF-8 only when every value is), its
// delimiter and header, and its number of records. False with the reason
// for the user when it cannot be read, is empty, is no text, breaks a
// limit or has no record below the header.
bool ScanCsvFile(const QString& path, CsvFile* file, QString* error);

// A target for each column, or none.
using CsvMatch = std::vector<std::optional<ContactTarget>>;

// The columns of one postal address (Outlook's "Business" and "Home",
// Thunderbird's "Work", Google's "Address 2"), -1 for a part it lacks.
struct CsvAddressBlock {
  QString name;         // as the header names it; empty for plain "Street", "City"...
  std::vector<int> street;  // street lines, joined with ", "
  int city = -1, state = -1, zip = -1, country = -1;
};

// A phone column; Google says in a label column beside it whether the
// number is a fax ("Work Fax"), so that is decided row by row.
struct CsvPhone {
  int value = -1;
  int label = -1;  // -1 when the header alone tells
  bool fax = false;
};

// How the columns fill a record. Names, organization, codes and memo come
// from one column each (`columns`); the address comes from one block, the
// first in `blocks` order that holds a street in the row; PHONE is the
// row's first phone that is not a fax, FAX its first fax, EMAIL its first
// e-mail that is not empty.
struct CsvPlan {
  CsvMatch columns;
  std::vector<CsvAddressBlock> blocks;
  std::vector<CsvPhone> phones;
  std::vector<int> emails;
  bool any() const;
};

// The proposal for a header. A header that is a target's caption (as the
// export writes them) gets that target; then the names address books write
// (Google, Outlook, Thunderbird, LinkedIn); then the DBF import's name
// rules. Each target but Memo goes to one column: the one named most
// surely, the first of equals. Blocks keep the order the header gives.
CsvPlan ProposeCsvPlan(const QStringList& header);
// The plan's single columns only (what a header alone proposes per column).
CsvMatch ProposeCsvMatch(const QStringList& header);
// A plan of the given columns only, as --match gives them.
CsvPlan PlanOfMatch(const CsvMatch& match);
// The plan in words, one line each ("Last Name -> Last", "Address: the
// first of Business, Home, Other that holds a street"), as the command
// prints it and the window shows it.
QStringList DescribeCsvPlan(const CsvPlan& plan, const QStringList& header);

// Reads the records below the header as rows for the import. Records whose
// values are all empty (blank lines, ",,,,") are skipped; records with
// values beyond the header's columns are told by line.
class CsvRowSource : public RowSource {
 public:
  CsvRowSource(CsvFile file, CsvPlan plan) : m_file(std::move(file)), m_plan(std::move(plan)) {}
  CsvRowSource(CsvFile file, const CsvMatch& match) : CsvRowSource(std::move(file), PlanOfMatch(match)) {}
  bool open(QString* error);
  bool next(ImportRow* row, QString* error) override;
  std::int64_t expected() const override { return m_file.records; }
  QStringList notices() const override;

 private:
  CsvFile m_file;
  CsvPlan m_plan;
  QFile m_in;
  std::unique_ptr<CsvParser> m_parser;
  std::vector<QByteArray> m_values;
  // Records with values right of the header's last column, which no column
  // takes: how many, and the lines of the first 20.
  std::int64_t m_extra = 0;
  QStringList m_extraLines;
};

// The fields an export writes, in the order of the comma-delimited copy,
// with the memo last; the header line holds their captions.
const std::vector<ContactTarget>& CsvExportColumns();

// One value as RFC 4180 writes it: in quotes, inner quotes doubled, when
// it holds the delimiter, a quote, a line break or blanks at either end.
QByteArray CsvQuote(const QString& value);

// Writes UTF-8 with a byte-order mark and CR LF line ends. The mark is what
// makes Excel read the accents right (without it Excel takes the ANSI code
// page), and Google, Outlook and LibreOffice read it too; our import skips
// it. Every contact text fits in UTF-8, so nothing is lost on the way out.
class CsvWriter : public FileRecordWriter {
 public:
  // Creates the file and writes the header line.
  xb::Status open(const QString& path);
  xb::Status write(const ContactValues& record) override;
};

}  // namespace qv
