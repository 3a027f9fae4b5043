// The mail merge: a contact record's values put in place of the bracketed
// tokens of a letter ("[First]", "[Name and Address]" ...).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "richtext/rich_document.h"

class QTextDocument;

namespace qv {

class TableObject;

// A contact field's text by field name ("FNAME").
using FieldReader = std::function<QString(const QString& field)>;

// The token names in the order the merge replaces them.
const QStringList& MergeTokenNames();
// The same names in the order the designer's "Insert field" list offers them.
const QStringList& InsertFieldNames();

// PREFIX, FNAME, MIDDLE (with a full stop) and LNAME, each non-empty part
// followed by one blank.
QString FullName(const FieldReader& fields);
// The address block, every line ended by "\r\n"; empty lines left out.
QString NameAndAddress(const FieldReader& fields);

// Replaces every "[" + token + "]" by `value`, giving the value the
// character format of the token it replaces; "\r\n" becomes a line break.
// The search goes on after the inserted value, so a value holding its own
// token is not replaced again. Answers the number of replacements.
int DoMerge(QTextDocument& doc, const QString& token, const QString& value);

// Merges one record into `doc`, in place; `today` is the date text.
void ReplaceTokens(RichDocument& doc, const FieldReader& fields, const QString& today);
// REQUIRES: `table` open and positioned. Today's date in the short date
// format in force.
void ReplaceTokens(RichDocument& doc, const TableObject& table);

}  // namespace qv
