#include "store/dates.h"

#include <QStringList>

namespace qv {

DateConvention& ProgramDates() {
  static DateConvention convention;
  return convention;
}

namespace {

// The three parts of a short format in order, e.g. {"mm","dd","yyyy"}.
QStringList FormatParts(const DateConvention& c) {
  QString fmt = c.shortDateFmt.toLower();
  QChar sep = c.separator;
  for (QChar ch : fmt) {
    if (ch != QLatin1Char('d') && ch != QLatin1Char('m') && ch != QLatin1Char('y')) {
      sep = ch;
      break;
    }
  }
  return fmt.split(sep);
}

QChar FormatSeparator(const DateConvention& c) {
  for (QChar ch : c.shortDateFmt) {
    if (ch != QLatin1Char('d') && ch != QLatin1Char('m') && ch != QLatin1Char('y') &&
        ch != QLatin1Char('D') && ch != QLatin1Char('M') && ch != QLatin1Char('Y')) {
      return ch;
    }
  }
  return c.separator;
}

int WindowedYear(int yy) {
  const int last = QDate::currentDate().year() + 20;
  int year = (last / 100) * 100 + yy;
  if (year > last) year -= 100;
  return year;
}

}  // namespace

QString FormatDate(const QDate& date, const DateConvention& convention) {
  if (!date.isValid()) return QString();
  const QChar sep = FormatSeparator(convention);
  QStringList out;
  for (const QString& part : FormatParts(convention)) {
    if (part.startsWith(QLatin1Char('d'))) {
      out << QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
    } else if (part.startsWith(QLatin1Char('m'))) {
      out << QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
    } else if (part.size() <= 2) {
      out << QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
    } else {
      out << QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
    }
  }
  return out.join(sep);
}

bool ParseDate(const QString& text, QDate* out, const DateConvention& convention) {
  const QStringList parts = FormatParts(convention);
  const QStringList given = text.trimmed().split(FormatSeparator(convention));
  if (parts.size() != 3 || given.size() != 3) return false;
  int day = 0, month = 0, year = 0;
  for (int i = 0; i < 3; ++i) {
    const QString value = given[i].trimmed();
    bool ok = false;
    int n = value.toInt(&ok);
    if (!ok || value.isEmpty() || n < 0) return false;
    if (parts[i].startsWith(QLatin1Char('d'))) {
      if (value.size() > 2) return false;
      day = n;
    } else if (parts[i].startsWith(QLatin1Char('m'))) {
      if (value.size() > 2) return false;
      month = n;
    } else {
      if (value.size() > 4 || value.size() == 3) return false;
      year = value.size() <= 2 ? WindowedYear(n) : n;
    }
  }
  QDate d(year, month, day);
  if (!d.isValid() || year < 1) return false;
  *out = d;
  return true;
}

bool IsBlankDateText(const QString& text, const DateConvention& convention) {
  const QChar sep = FormatSeparator(convention);
  for (QChar c : text) {
    if (c != QLatin1Char(' ') && c != sep) return false;
  }
  return true;
}

QString BlankDateText(const QString& editMask) {
  QString mask = editMask;
  if (mask.startsWith(QLatin1Char('!'))) mask.remove(0, 1);
  int semi = mask.indexOf(QLatin1Char(';'));
  if (semi >= 0) mask.truncate(semi);
  for (QChar& c : mask) {
    if (c == QLatin1Char('0') || c == QLatin1Char('9')) c = QLatin1Char(' ');
  }
  return mask;
}

std::string DtosFromDate(const QDate& date) {
  // The day-count scale of the Windows program starts at 30 Dec 1899 (its
  // zero); that day and any before it store as an empty date.
  if (!date.isValid() || date <= QDate(1899, 12, 30)) return std::string(8, ' ');
  // Eight digits: a later year would spill into the next field.
  if (date.year() > 9999) return std::string(8, ' ');
  return date.toString(QStringLiteral("yyyyMMdd")).toStdString();
}

QDate DateFromDtos(std::string_view yyyymmdd) {
  if (yyyymmdd.size() != 8) return QDate();
  int v[3] = {0, 0, 0};
  const int len[3] = {4, 2, 2};
  size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < len[i]; ++k, ++pos) {
      char c = yyyymmdd[pos];
      if (c < '0' || c > '9') return QDate();
      v[i] = v[i] * 10 + (c - '0');
    }
  }
  return QDate(v[0], v[1], v[2]);
}

}  // namespace qv
