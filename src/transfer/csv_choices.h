// The CSV import's plan as the match window edits it: one choice per
// column (a target, and for a part of an address the block it belongs to)
// and the order in which the blocks are tried for each row. The proposal
// comes from the same matcher the command line uses; these functions only
// turn it into rows of a grid and back, and read the first records to show.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "transfer/csv.h"

namespace qv {

struct CsvColumnChoice {
  std::optional<ContactTarget> target;
  // For Street, City, State/Province, Zip/Post Code and Country: the
  // block's name as the header writes it ("Business"), empty for plain
  // "Street", "City"... Empty for every other target.
  QString block;
  bool operator==(const CsvColumnChoice&) const = default;
};
using CsvChoices = std::vector<CsvColumnChoice>;

// The targets a file can give to one column only (the others: Memo adds
// lines; Street takes several lines of a block; City, State, ZIP and
// Country once per block; Phone, Fax and E-Mail take the row's first that
// is not empty).
bool CsvTargetOnceOnly(ContactTarget target);
bool CsvTargetIsAddressPart(ContactTarget target);

// What the block list shows for a block: its name, or "Address".
QString CsvBlockCaption(const QString& block);

// The blocks of `plan`, in the order its rows try them.
QStringList CsvBlockNames(const CsvPlan& plan);

// One choice per column of a header of `columns` names.
CsvChoices ChoicesOfPlan(const CsvPlan& plan, int columns);

// The plan the choices give. Blocks are tried in `blockOrder` (names; a
// block it does not name follows in column order); street lines, phones
// and e-mails keep column order. A phone column keeps the label column
// `proposal` gave it (Google writes "Work Fax" beside the number), unless
// it is chosen as Fax.
CsvPlan PlanOfChoices(const CsvChoices& choices, const QStringList& blockOrder,
                      const CsvPlan& proposal);

// Gives `target` (nothing: clears) to `column`, whose header is `header`.
// A part of an address joins the block the column was in, or else the one
// its header names; a City, State, ZIP or Country the block held in
// another column moves here, and so does a target given to one column only.
void ChooseCsvTarget(CsvChoices* choices, int column, std::optional<ContactTarget> target,
                     const QString& header);

// Up to `count` records below the header, blank ones left out, each
// decoded as the import reads it. False with the reason when the file no
// longer reads as the scan found it.
bool ReadCsvSample(const CsvFile& file, int count, std::vector<QStringList>* records,
                   QString* error);

}  // namespace qv
