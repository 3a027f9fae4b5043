// First start: the program directory gets its support tables, built from
// the readable sources compiled into the program, and the default contact
// file.
#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// Creates every support table that is missing from `directory` (with its
// one-tag index). Returns what could not be made, in the user's words;
// empty when all is well. Existing tables are left alone, but for the
// label stocks: a QVPLBLS.DBF made by an earlier version is given, once,
// the delivered stocks it lacks (AddNewLabelStocks), and `notes` gets a
// line saying how many.
[[nodiscard]] QStringList InstallSupportTables(const QString& directory,
                                               QStringList* notes = nullptr);

// Appends to QVPLBLS.DBF in `directory` every delivered stock whose
// description it does not hold (deleted rows included), leaving every row
// it has as it is. A delivered stock that fails the definition checks or
// does not fit its sheet is not added but named in `leftOut`. False with the
// reason when the table cannot be read or written; `added` counts the rows
// appended before that.
[[nodiscard]] bool AddNewLabelStocks(const QString& directory, int* added, QStringList* leftOut,
                                     QString* why);

// Builds one support table from its source (e.g. "QVPLBLS") into
// `directory`, replacing nothing: false with the reason when it fails.
[[nodiscard]] bool BuildSupportTable(const QString& name, const QString& directory, QString* why);

// The default contact file of a program directory.
QString DefaultContactFile(const QString& directory);

}  // namespace qv
