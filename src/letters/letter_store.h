// The letters table QVPLTRS.DBF beside the program: one row per letter
// template, DESCRIPT (its description) and RTF (the template as RTF text).
// The memo and the rich-text engine meet in memory, never through a file.
#pragma once

#include <QString>
#include <QStringList>

#include "richtext/rich_document.h"
#include "richtext/rtf.h"

namespace qv {

class TableObject;
class TApollo;

QString LettersFileName();
QString LettersOpenFailedMessage();

// Opens QVPLTRS.DBF of `directory` in `table` (bound to `apollo`),
// creating it when it does not exist. A file that exists but cannot be
// opened is never created anew over the letters it may hold.
// False after any failure (the caller shows LettersOpenFailedMessage()).
bool OpenLettersTable(const QString& directory, TableObject& table, TApollo& apollo);

// The current letter's RTF memo into `doc`.
// REQUIRES: `table` open on QVPLTRS.DBF and positioned on a letter.
RtfReadResult LoadRichText(const TableObject& table, RichDocument* doc);
// `doc` into the current letter's RTF memo.
// REQUIRES: `table` in edit or insert state.
bool SaveRichText(TableObject& table, const RichDocument& doc);

// Moves to the first letter whose description matches `description`
// (blanks at the ends and letter case do not count); false when none does.
bool FindLetter(TableObject& table, const QString& description);
QStringList LetterDescriptions(TableObject& table);

// Stores `doc` as the letter `description`, replacing a letter of the same
// description or appending a new one. False after saying why in *error.
bool StoreLetter(TableObject& table, const QString& description, const RichDocument& doc,
                 QString* error);

}  // namespace qv
