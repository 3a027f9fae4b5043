// The Filter page's query by example turned into one xBase condition: the
// text of each box becomes a condition on its field expression, and the
// boxes that hold text are joined with a bare " and " (the engine takes
// both that and ".and."). No windows here, so the jobs that offer "records
// matching the current filter" and the tests use the same code.
#pragma once

#include <QString>
#include <QStringList>

#include "store/dates.h"

namespace qv {

// The field expressions of the 14 filter boxes, in the order their
// conditions are joined: last, first, title, org, street, ZIP, city, state,
// country, phone, fax, e-mail, date, codes.
const QStringList& FilterFieldExpressions();
// The index of the date box in that list; its text follows its own rules.
constexpr int kFilterDateBox = 12;

// The condition for one box's text on `field`. ";" separates alternatives
// (.or.), then "+" requirements (.and.), then "^" exclusions (.and..not.);
// each part may itself hold the weaker separators. A part may start with
// ">=", ">", "<=", "<" (comparisons) or "$" (contains); plain text is "="
// which, with Exact off, matches every value beginning with it.
// REQUIRES: text not blank (the caller leaves blank boxes out).
QString ParseFieldCondition(const QString& field, const QString& text);

// The date box: an optional "$", "<" or ">" with an optional "=" after it,
// then a date in the short date format. False when the rest is no date.
bool ParseDateCondition(const QString& text, QString* condition,
                        const DateConvention& convention = ProgramDates());

struct FilterExpression {
  QString condition;         // empty: no box holds text
  bool invalidDate = false;  // the date box held text that is no date and was left out
};

// The boxes' texts in the order of FilterFieldExpressions() (missing ones
// count as empty) joined into one condition.
FilterExpression BuildFilterExpression(const QStringList& boxTexts,
                                       const DateConvention& convention = ProgramDates());

// Every selection of the program leaves out records carrying the deleted
// marker.
extern const QString kNotDeletedCondition;

// The engine takes conditions shorter than 256 characters; the marker test
// joined to the filter needs 30 of them.
bool FilterTooComplex(const QString& filter);

// The query for "records matching the filter": the filter joined to the
// marker test, or the marker test alone for an empty filter.
QString FilterQuery(const QString& filter);

// Capitals as the engine's UPPER makes them: only a-z change, so a typed
// value compares like the stored one does.
QString XbaseUpper(const QString& text);

}  // namespace qv
