// The readable sources of the support tables the program installs into its
// program directory: label and envelope stocks, the default label and
// envelope setups, the sample letter and the state/ZIP ranges. Each table is
// kept as a CSV file under data/support/ whose header cells carry the DBF
// structure ("USERDESC:C:60:0"); data/support/README.md describes the format.
//
// This reader only parses and checks the text. Writing the DBF files is the
// installer's job. Plain C++, no Qt.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/status.h"
#include "xbase/table.h"

namespace qv {

struct SupportTableData {
  std::vector<xb::FieldDef> fields;
  // One entry per record, one value per field, as UTF-8 text. Line breaks
  // inside a memo value are CR LF whatever the CSV file used, since the memo
  // holds the text as the Windows program stored it.
  std::vector<std::vector<std::string>> rows;

  int FieldIndex(std::string_view name) const;  // -1 when absent; case-insensitive
};

// Parses one support CSV. `source` names the text in error messages (a file
// name, or anything that helps the reader). Every failure is InvalidArgument
// (Corruption would suggest a damaged file we wrote ourselves) with a message
// that names the line, e.g. "QVPLBLS.csv line 12: expected 14 values, found 13".
[[nodiscard]] xb::Status ParseSupportCsv(std::string_view text, std::string_view source, SupportTableData* out);

// Reads and parses a file; IOError when it cannot be read.
[[nodiscard]] xb::Status ReadSupportCsv(const std::string& path, SupportTableData* out);

// UTF-8 to Windows-1252, the code page of the DBF files. Fails on bytes that
// are not UTF-8 and on characters the code page does not have.
xb::Status Utf8ToWindows1252(std::string_view utf8, std::string* out);

struct SupportTable {
  std::string_view name;         // "QVPLBLS": the DBF is name + ".DBF", its index name + ".CDX"
  std::string_view csv_file;     // "QVPLBLS.csv", under data/support/
  std::string_view tag;          // the one tag of the table's compound index
  std::string_view key;          // its key expression, spelled as the rebuild creates it
  std::string_view status_text;  // shown while the rebuild works on the table
};

// The six support tables in the order the index rebuild processes them.
const std::array<SupportTable, 6>& SupportTables();

}  // namespace qv
