#include "labels/label_stocks.h"

#include "store/apollo_env.h"
#include "store/table_object.h"

namespace qv {

namespace {

// Suggestions shown for a stock name that matched none exactly.
constexpr size_t kSuggestions = 5;

std::vector<std::string> Descriptions(const std::vector<LabelStock>& stocks) {
  std::vector<std::string> out;
  for (const LabelStock& s : stocks) out.push_back(s.geometry.description);
  return out;
}

}  // namespace

const char* const kLabelStockFields[12] = {"LBLHEIGHT",  "LBLWIDTH",   "NBRACROSS",  "NBRDOWN",
                                           "TOPMARG",    "LEFTMARG",   "HORIZPITCH", "VERTPITCH",
                                           "SHEETWIDTH", "SHEETDEPTH", "PRINTER",    "PAPERSIZE"};

bool ReadLabelStocks(const QString& directory, std::vector<LabelStock>* stocks, QString* error) {
  TApolloEnv env;
  env.SetDeleted(true);
  TableObject table(&env);
  table.setDatabaseName(directory);
  table.setTableName(QStringLiteral("QVPLBLS.DBF"));
  table.setIndexName(QStringLiteral("USERDESC"));
  if (!table.open()) {
    // Without its index the rows still serve, in the order they were added.
    table.setIndexName(QString());
    if (!table.open()) {
      *error =
          QStringLiteral("We were unable to open the label definition file: QVPLBLS.DBF (in %1)")
              .arg(directory);
      return false;
    }
  }
  stocks->clear();
  for (bool ok = table.first(); ok && !table.eof(); ok = table.next()) {
    LabelStock s;
    LabelGeometry& g = s.geometry;
    auto length = [&table](const char* field) { return table.fieldText(field).toFloat(); };
    g.description = table.fieldText("USERDESC").trimmed().toStdString();
    g.height = length("LBLHEIGHT");
    g.width = length("LBLWIDTH");
    g.across = int(table.fieldText("NBRACROSS").toDouble());
    g.down = int(table.fieldText("NBRDOWN").toDouble());
    g.top_margin = length("TOPMARG");
    g.left_margin = length("LEFTMARG");
    g.horizontal_pitch = length("HORIZPITCH");
    g.vertical_pitch = length("VERTPITCH");
    g.sheet_width = length("SHEETWIDTH");
    g.sheet_height = length("SHEETDEPTH");
    s.printer = table.fieldText("PRINTER").trimmed();
    s.paperSize = table.fieldText("PAPERSIZE").trimmed();
    for (const char* field : kLabelStockFields) s.storedValues << table.fieldText(field).trimmed();
    stocks->push_back(std::move(s));
  }
  if (table.failed()) {
    *error = table.failureMessage();
    return false;
  }
  // Nothing was changed: closing cannot lose a change.
  (void)table.close();
  return true;
}

std::vector<LabelStock> FindLabelStocks(const std::vector<LabelStock>& stocks,
                                        const QString& text) {
  std::vector<LabelStock> out;
  for (size_t i : RankStockMatches(Descriptions(stocks), text.toStdString())) {
    out.push_back(stocks[i]);
  }
  return out;
}

std::vector<LabelStock> SameSizeStocks(const std::vector<LabelStock>& stocks,
                                       const LabelStock& stock) {
  std::vector<LabelStock> out;
  for (const LabelStock& s : stocks) {
    if (s.geometry.description != stock.geometry.description &&
        SameGeometry(s.geometry, stock.geometry)) {
      out.push_back(s);
    }
  }
  return out;
}

bool ChooseLabelStock(const std::vector<LabelStock>& stocks, const QString& text, LabelStock* out,
                      QString* error) {
  const QString wanted = text.trimmed();
  for (const LabelStock& s : stocks) {
    if (QString::fromStdString(s.geometry.description).compare(wanted, Qt::CaseInsensitive) == 0) {
      *out = s;
      return true;
    }
  }
  const std::vector<size_t> ranked = RankStockMatches(Descriptions(stocks), wanted.toStdString());
  if (!ranked.empty() && MatchStock(stocks[ranked.front()].geometry.description,
                                    wanted.toStdString()) == StockMatch::Exact) {
    *out = stocks[ranked.front()];
    return true;
  }
  *error = QStringLiteral("there is no label stock \"%1\"").arg(wanted);
  if (ranked.empty()) {
    *error += QStringLiteral("; quorvane-cli stocks lists them");
    return false;
  }
  *error += QStringLiteral("; the nearest are:");
  for (size_t i = 0; i < ranked.size() && i < kSuggestions; ++i) {
    *error +=
        QStringLiteral("\n  ") + QString::fromStdString(stocks[ranked[i]].geometry.description);
  }
  return false;
}

void ApplyLabelStock(const LabelStock& stock, LabelSetup* setup) {
  ApplyLabelGeometry(stock.geometry, stock.paperSize, stock.printer, setup);
}

}  // namespace qv
