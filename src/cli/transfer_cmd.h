// The import and copy-out commands of quorvane-cli: a text file or another
// DBF table into a contact file, and the selected records out to a DBF
// table or a comma-delimited text file.
#pragma once

#include <QString>
#include <functional>

#include "cli/args.h"
#include "xbase/status.h"

namespace qv {
class RecordWriter;
class RowSource;
class TableObject;
}  // namespace qv

namespace qv::cli {

// What every import and export command shares.
int UsageError(const QString& message);            // the message, exit 2
QString PathArg(const Args& a, size_t i);          // positional i, absolute
void Say(const QString& text);                     // one result line on standard output
// Opens the contact file to itself, refusing a table that lacks a contact
// field; the messages went to the standard error stream.
bool OpenContactsToImport(const QString& path, TableObject& table);
// Runs the import loop into the open `table` and says how it went: the
// count on success, the reason and what was kept on failure.
int RunImport(TableObject& table, RowSource& source);
// The export frame: the contact file read-only, its selection (--filter)
// counted, every record (in --order) handed to `writer` once `open` has
// made the output. `failure` begins the message when the copy fails.
int RunExport(const Args& a, RecordWriter& writer,
              const std::function<xb::Status(const QString& out, TableObject& contacts)>& open,
              const QString& failure = QString());

int CmdImportAscii(const Args& a);
int CmdImportDbf(const Args& a);
int CmdCopyOut(const Args& a);

}  // namespace qv::cli
