// The label stocks of QVPLBLS.DBF as the command line uses them: read them
// all, find one by what the user typed (the ranking of the stock list's
// find box), and copy one into a label setup as the designer does.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "labels/label_setup.h"
#include "store/label_geometry.h"

namespace qv {

struct LabelStock {
  LabelGeometry geometry;  // description included
  QString printer;         // "LJ" or "DM"
  QString paperSize;       // "LTR", "A4", ...
  // LBLHEIGHT to PAPERSIZE as the table stores them, trimmed.
  QStringList storedValues;
};

// The fields of storedValues, in their order.
extern const char* const kLabelStockFields[12];

// Every live row of QVPLBLS.DBF in `directory`, in the order of its USERDESC
// tag (the order of the stock list) when the tag can be used. False with a
// plain-words reason when the table cannot be opened.
bool ReadLabelStocks(const QString& directory, std::vector<LabelStock>* stocks, QString* error);

// The stocks that match `text`, best first (RankStockMatches).
std::vector<LabelStock> FindLabelStocks(const std::vector<LabelStock>& stocks, const QString& text);

// The other stocks with the geometry of `stock` (SameGeometry), in list
// order: the maker's look-alikes of a box the user holds.
std::vector<LabelStock> SameSizeStocks(const std::vector<LabelStock>& stocks,
                                       const LabelStock& stock);

// The stock `text` names: its whole description, or the product number and
// whole words of it ("Avery 5160"); the first in list order when several
// do. False with a message naming the nearest stocks when none does.
bool ChooseLabelStock(const std::vector<LabelStock>& stocks, const QString& text, LabelStock* out,
                      QString* error);

// The stock's geometry, paper, printer type and description into `setup`.
void ApplyLabelStock(const LabelStock& stock, LabelSetup* setup);

}  // namespace qv
