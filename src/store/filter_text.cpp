#include "store/filter_text.h"

namespace qv {

namespace {

// A typed value keeps at most this many characters after its operator.
constexpr int kMaxValueLength = 99;
// Room the marker test takes when joined to a filter, and the engine's
// limit on a condition's length.
constexpr int kMarkerRoom = 30;
constexpr int kMaxCondition = 256;

// The value as an xBase string literal. Double quotes as usual; a value
// that itself holds one is delimited by the other kinds xBase knows, so a
// typed quote filters instead of breaking the condition.
QString Literal(const QString& value) {
  if (!value.contains(QLatin1Char('"'))) return QLatin1Char('"') + value + QLatin1Char('"');
  if (!value.contains(QLatin1Char('\''))) return QLatin1Char('\'') + value + QLatin1Char('\'');
  if (!value.contains(QLatin1Char(']'))) return QLatin1Char('[') + value + QLatin1Char(']');
  // All three delimiters typed: the closing bracket cannot be kept.
  QString cut = value;
  cut.remove(QLatin1Char(']'));
  return QLatin1Char('[') + cut + QLatin1Char(']');
}

QString SingleCondition(const QString& field, const QString& text) {
  static const char* const kOperators[] = {">=", ">", "<=", "<", "$"};
  QString op = QStringLiteral("=");
  QString value = text;
  for (const char* candidate : kOperators) {
    const QLatin1String o(candidate);
    if (text.startsWith(o)) {
      op = o;
      value = text.mid(o.size());
      break;
    }
  }
  value = XbaseUpper(value.left(kMaxValueLength));
  if (op == QLatin1String("$")) {
    return Literal(value) + QStringLiteral("$UPPER(") + field + QLatin1Char(')');
  }
  return QStringLiteral("UPPER(") + field + QLatin1Char(')') + op + Literal(value);
}

}  // namespace

const QString kNotDeletedCondition = QStringLiteral("UPPER(PREFIX)<>\"DELETED\"");

const QStringList& FilterFieldExpressions() {
  static const QStringList fields = {
      QStringLiteral("LNAME"), QStringLiteral("FNAME"),      QStringLiteral("TITLE"),
      QStringLiteral("ORG"),   QStringLiteral("STREET"),     QStringLiteral("ZIP"),
      QStringLiteral("CITY+STATE"), QStringLiteral("STATE"), QStringLiteral("COUNTRY"),
      QStringLiteral("PHONE"), QStringLiteral("FAX"),        QStringLiteral("EMAIL"),
      QStringLiteral("DTOS(DATE)"), QStringLiteral("NOTES")};
  return fields;
}

QString XbaseUpper(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
  }
  return out;
}

QString ParseFieldCondition(const QString& field, const QString& text) {
  struct Joiner {
    QChar separator;
    const char* joiner;
  };
  static const Joiner kJoiners[] = {{QLatin1Char(';'), ".or."},
                                    {QLatin1Char('+'), ".and."},
                                    {QLatin1Char('^'), ".and..not."}};
  for (const Joiner& j : kJoiners) {
    if (!text.contains(j.separator)) continue;
    const QStringList parts = text.split(j.separator, Qt::KeepEmptyParts);
    QString out = QStringLiteral("(");
    for (int i = 0; i < parts.size(); ++i) {
      if (i > 0) out += QLatin1String(j.joiner);
      out += QLatin1Char('(') + ParseFieldCondition(field, parts[i]) + QLatin1Char(')');
    }
    return out + QLatin1Char(')');
  }
  return SingleCondition(field, text);
}

bool ParseDateCondition(const QString& text, QString* condition,
                        const DateConvention& convention) {
  QString op = QStringLiteral("=");
  QString rest = text;
  if (text.startsWith(QLatin1Char('$')) || text.startsWith(QLatin1Char('<')) ||
      text.startsWith(QLatin1Char('>'))) {
    const int length = text.size() > 1 && text.at(1) == QLatin1Char('=') ? 2 : 1;
    op = text.left(length);
    rest = text.mid(length);
    // "Contains" means nothing for a date: it asks for the date itself
    // ("$=" too, which the engine would not take at all).
    if (op.startsWith(QLatin1Char('$'))) op = QStringLiteral("=");
  }
  QDate date;
  if (!ParseDate(rest, &date, convention) || !date.isValid()) return false;
  *condition = QStringLiteral("DTOS(DATE)") + op + QLatin1Char('"') +
               QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day()) + QLatin1Char('"');
  return true;
}

FilterExpression BuildFilterExpression(const QStringList& boxTexts,
                                       const DateConvention& convention) {
  FilterExpression result;
  QString separator;
  const QStringList& fields = FilterFieldExpressions();
  for (int i = 0; i < fields.size() && i < boxTexts.size(); ++i) {
    const QString& text = boxTexts[i];
    if (text.trimmed().isEmpty()) continue;
    QString condition;
    if (i == kFilterDateBox) {
      if (!ParseDateCondition(text, &condition, convention)) {
        result.invalidDate = true;
        continue;
      }
    } else {
      condition = ParseFieldCondition(fields[i], text);
    }
    result.condition += separator + condition;
    separator = QStringLiteral(" and ");
  }
  return result;
}

bool FilterTooComplex(const QString& filter) {
  return filter.size() + kMarkerRoom >= kMaxCondition;
}

QString FilterQuery(const QString& filter) {
  if (filter.isEmpty()) return kNotDeletedCondition;
  return filter + QStringLiteral(".and. ") + kNotDeletedCondition;
}

}  // namespace qv
