// First start: the program directory gets its support tables, built from
// the readable sources compiled into the program, and the default contact
// file.
#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// Creates every support table that is missing from `directory` (with its
// one-tag index). Returns what could not be made, in the user's words;
// empty when all is well. Existing tables are left alone.
[[nodiscard]] QStringList InstallSupportTables(const QString& directory);

// Builds one support table from its source (e.g. "QVPLBLS") into
// `directory`, replacing nothing: false with the reason when it fails.
[[nodiscard]] bool BuildSupportTable(const QString& name, const QString& directory, QString* why);

// The default contact file of a program directory.
QString DefaultContactFile(const QString& directory);

}  // namespace qv
