// vCard files (.vcf) as address books export them, versions 2.1, 3.0 and
// 4.0: folded lines, quoted-printable values with their CHARSET, escaped
// text. A card becomes one contact:
//   N        last;first;middle;prefix       -> LNAME, FNAME, MIDDLE, PREFIX
//   ORG      first unit                     -> ORG
//   TITLE                                   -> TITLE
//   ADR      street;city;region;code;country -> STREET, CITY, STATE, ZIP, COUNTRY
//   TEL      a fax type to FAX, any other to PHONE (the preferred one first)
//   EMAIL                                   -> EMAIL
//   CATEGORIES                              -> NOTES (the codes)
//   NOTE                                    -> MEMO
//   X-QUORVANE-DATE  YYYY-MM-DD             -> DATE
// FN only stands in for a card without N. The export writes vCard 3.0 in
// UTF-8 with exactly these properties, so it reads back to the same record.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "store/dates.h"
#include "transfer/file_writer.h"
#include "transfer/transfer.h"

namespace qv {

// A larger file is refused: the whole file is read and checked before the
// first record is posted.
inline constexpr qint64 kVcardMaxFileBytes = qint64{64} << 20;

// The cards of `bytes` (a whole file) as import rows, dates given in
// `dates`. Each card is read in its own encoding (UTF-8 where it is valid,
// else Windows-1252) and each value in the character set it names. A card
// without its END ends where the next one begins; a card with nothing to
// import, or over the bounds of one card, is skipped; `notices` (may be
// null) tells each of these. False with the reason for the user only on
// NUL bytes or no card at all; lines between cards are passed over.
bool ParseVcards(const QByteArray& bytes, const DateConvention& dates, std::vector<ImportRow>* rows,
                 QString* error, QStringList* notices = nullptr);

class VcardCardReader;

// Every card of the file, counted before the import posts one, then read
// again card by card.
class VcardRowSource : public RowSource {
 public:
  explicit VcardRowSource(QString path, DateConvention dates = ProgramDates());
  ~VcardRowSource() override;
  bool open(QString* error);
  bool next(ImportRow* row, QString* error) override;
  std::int64_t expected() const override { return m_count; }
  QStringList notices() const override;

 private:
  QString m_path;
  DateConvention m_dates;
  QByteArray m_bytes;
  std::int64_t m_count = 0;
  std::unique_ptr<VcardCardReader> m_reader;
};

// One record as a vCard 3.0 card: CR LF line ends, lines folded at 75
// octets, text escaped, UTF-8.
QByteArray VcardCard(const ContactValues& record, const DateConvention& dates);

class VcardWriter : public FileRecordWriter {
 public:
  explicit VcardWriter(DateConvention dates = ProgramDates()) : m_dates(std::move(dates)) {}
  xb::Status open(const QString& path) { return create(path); }
  xb::Status write(const ContactValues& record) override { return put(VcardCard(record, m_dates)); }

 private:
  DateConvention m_dates;
};

}  // namespace qv
