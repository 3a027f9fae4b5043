// The program-wide date conventions (separator and short date format) that
// the Preferences set, and dates as the screens show and take them.
#pragma once

#include <QDate>
#include <QString>

namespace qv {

struct DateConvention {
  QChar separator = QLatin1Char('/');
  QString shortDateFmt = QStringLiteral("mm/dd/yyyy");
};

// The conventions in force for showing, typing and converting dates.
DateConvention& ProgramDates();

// The date in the short format ("" for an invalid date).
QString FormatDate(const QDate& date, const DateConvention& convention = ProgramDates());

// Reads a date typed in the short format: day, month and year in the
// format's order, split at its separator, surrounding blanks ignored. A
// two-digit year falls in the hundred years ending twenty years from now.
bool ParseDate(const QString& text, QDate* out, const DateConvention& convention = ProgramDates());

// Whether a typed date is empty: nothing but blanks and the format's
// separator, as a masked date box gives when nothing was typed.
bool IsBlankDateText(const QString& text, const DateConvention& convention = ProgramDates());

// The text of an empty date box for an edit mask: the mask without a
// leading "!", cut at its first ";", every "0" and "9" a blank.
QString BlankDateText(const QString& editMask);

// Dates as the DBF stores them: "YYYYMMDD", eight blanks when empty. A date
// on or before 30 December 1899, or past the year 9999, is stored empty.
std::string DtosFromDate(const QDate& date);
QDate DateFromDtos(std::string_view yyyymmdd);

}  // namespace qv
