#include "transfer/csv_choices.h"

#include <QFile>
#include <algorithm>
#include <climits>

#include "transfer/ascii_lines.h"

namespace qv {

namespace {

using T = ContactTarget;

// The block a header names when it is taken for a part of an address: the
// matcher is asked about the header alone.
QString BlockOfHeader(const QString& header) {
  const CsvPlan alone = ProposeCsvPlan({header});
  return alone.blocks.empty() ? QString() : alone.blocks.front().name;
}

}  // namespace

bool CsvTargetIsAddressPart(ContactTarget target) {
  return target == T::Street || target == T::City || target == T::State || target == T::Zip ||
         target == T::Country;
}

bool CsvTargetOnceOnly(ContactTarget target) {
  return !CsvTargetIsAddressPart(target) && target != T::Memo && target != T::Phone &&
         target != T::Fax && target != T::EMail;
}

QString CsvBlockCaption(const QString& block) {
  return block.isEmpty() ? QStringLiteral("Address") : block;
}

QStringList CsvBlockNames(const CsvPlan& plan) {
  QStringList out;
  for (const CsvAddressBlock& b : plan.blocks) out.append(b.name);
  return out;
}

CsvChoices ChoicesOfPlan(const CsvPlan& plan, int columns) {
  CsvChoices out(static_cast<size_t>(std::max(columns, 0)));
  auto set = [&](int column, ContactTarget t, const QString& block = QString()) {
    if (column >= 0 && column < columns) out[static_cast<size_t>(column)] = {t, block};
  };
  for (size_t i = 0; i < plan.columns.size() && i < out.size(); ++i) {
    if (plan.columns[i]) out[i] = {plan.columns[i], QString()};
  }
  for (const CsvAddressBlock& b : plan.blocks) {
    for (int c : b.street) set(c, T::Street, b.name);
    set(b.city, T::City, b.name);
    set(b.state, T::State, b.name);
    set(b.zip, T::Zip, b.name);
    set(b.country, T::Country, b.name);
  }
  for (const CsvPhone& p : plan.phones) set(p.value, p.fax ? T::Fax : T::Phone);
  for (int c : plan.emails) set(c, T::EMail);
  return out;
}

CsvPlan PlanOfChoices(const CsvChoices& choices, const QStringList& blockOrder,
                      const CsvPlan& proposal) {
  CsvPlan plan;
  plan.columns.assign(choices.size(), std::nullopt);
  for (size_t i = 0; i < choices.size(); ++i) {
    const CsvColumnChoice& c = choices[i];
    if (!c.target) continue;
    const int col = static_cast<int>(i);
    const T t = *c.target;
    if (CsvTargetIsAddressPart(t)) {
      auto block = std::find_if(plan.blocks.begin(), plan.blocks.end(),
                                [&](const CsvAddressBlock& b) { return b.name == c.block; });
      if (block == plan.blocks.end()) {
        plan.blocks.push_back(CsvAddressBlock{c.block, {}});
        block = plan.blocks.end() - 1;
      }
      int* part = t == T::City      ? &block->city
                  : t == T::State   ? &block->state
                  : t == T::Zip     ? &block->zip
                  : t == T::Country ? &block->country
                                    : nullptr;
      if (part == nullptr) {
        block->street.push_back(col);
      } else if (*part < 0) {
        *part = col;
      }
    } else if (t == T::Phone || t == T::Fax) {
      CsvPhone phone;
      phone.value = col;
      phone.fax = t == T::Fax;
      for (const CsvPhone& p : proposal.phones) {
        if (p.value == col && !phone.fax) phone.label = p.label;
      }
      plan.phones.push_back(phone);
    } else if (t == T::EMail) {
      plan.emails.push_back(col);
    } else {
      plan.columns[i] = t;
    }
  }
  auto rank = [&](const CsvAddressBlock& b) {
    const qsizetype at = blockOrder.indexOf(b.name);
    return at < 0 ? INT_MAX : static_cast<int>(at);
  };
  std::stable_sort(
      plan.blocks.begin(), plan.blocks.end(),
      [&](const CsvAddressBlock& a, const CsvAddressBlock& b) { return rank(a) < rank(b); });
  return plan;
}

void ChooseCsvTarget(CsvChoices* choices, int column, std::optional<ContactTarget> target,
                     const QString& header) {
  if (column < 0 || static_cast<size_t>(column) >= choices->size()) return;
  CsvColumnChoice& chosen = (*choices)[static_cast<size_t>(column)];
  if (!target) {
    chosen = {};
    return;
  }
  CsvColumnChoice next{target, QString()};
  if (CsvTargetIsAddressPart(*target)) {
    const bool wasPart = chosen.target && CsvTargetIsAddressPart(*chosen.target);
    next.block = wasPart ? chosen.block : BlockOfHeader(header);
  }
  const bool moves =
      CsvTargetOnceOnly(*target) || (CsvTargetIsAddressPart(*target) && *target != T::Street);
  for (size_t j = 0; moves && j < choices->size(); ++j) {
    CsvColumnChoice& other = (*choices)[j];
    if (static_cast<int>(j) != column && other.target == target && other.block == next.block) {
      other = {};
    }
  }
  chosen = next;
}

bool ReadCsvSample(const CsvFile& file, int count, std::vector<QStringList>* records,
                   QString* error) {
  records->clear();
  QFile in(file.path);
  if (!in.open(QIODevice::ReadOnly) || !in.seek(file.bomLength)) {
    *error = QStringLiteral("Unable to open the file ") + file.path;
    return false;
  }
  CsvParser parser(&in, file.delimiter);
  std::vector<QByteArray> values;
  for (std::int64_t i = 0; i <= file.headerRecord; ++i) {
    if (!parser.next(&values, error)) {
      if (error->isEmpty()) *error = UnableToImportMessage();
      return false;
    }
  }
  while (static_cast<int>(records->size()) < count && parser.next(&values, error)) {
    if (std::all_of(values.begin(), values.end(),
                    [](const QByteArray& v) { return v.isEmpty(); })) {
      continue;
    }
    QStringList record;
    for (const QByteArray& v : values) record.append(DecodeText(v, file.encoding));
    records->push_back(record);
  }
  return error->isEmpty();
}

}  // namespace qv
