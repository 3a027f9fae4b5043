#include "labels/address_lines.h"

#include "labels/label_setup.h"
#include "store/table_object.h"

namespace qv {

namespace {

QString LeftTrim(const QString& s) {
  qsizetype i = 0;
  while (i < s.size() && s[i] == QLatin1Char(' ')) ++i;
  return s.mid(i);
}

// Each present part is followed by one blank; an empty part vanishes.
QString Part(const QString& s) { return LeftTrim(s + QLatin1Char(' ')); }

void AddIfNotEmpty(std::vector<AddressLine>* lines, bool on, const QString& line,
                  AddressLineKind kind, bool holdsZip = false) {
  if (on && !line.isEmpty()) lines->push_back({line, kind, holdsZip});
}

}  // namespace

std::vector<AddressLine> ComposeAddressBlock(const AddressFields& f, const AddressOptions& o) {
  using K = AddressLineKind;
  std::vector<AddressLine> lines;
  if (o.name) {
    QString middle = f.middle;
    if (!middle.trimmed().isEmpty()) middle += QLatin1Char('.');
    AddIfNotEmpty(&lines, true, Part(f.prefix) + Part(f.fname) + Part(middle) + Part(f.lname),
                  K::Name);
  }
  AddIfNotEmpty(&lines, o.title, f.title, K::Title);
  AddIfNotEmpty(&lines, o.company, f.org, K::Company);
  AddIfNotEmpty(&lines, o.street, f.street, K::Street);

  if (o.cityState) {
    QString city;
    bool holdsZip = false;
    if (o.zip && o.zipOption == kZipAfterState) {
      // City, two blanks, state, one blank, ZIP: the second blank is the
      // separator written between the two parts.
      city = Part(f.city) + QLatin1Char(' ') + Part(f.state) + LeftTrim(f.zip);
      holdsZip = true;
    } else if (o.zip && o.zipOption == kZipBeforeCity) {
      city = Part(f.zip) + Part(f.city) + Part(f.state);
      holdsZip = true;
    } else {
      city = Part(f.city) + LeftTrim(f.state);
    }
    if (!city.trimmed().isEmpty()) lines.push_back({city, K::City, holdsZip});
  }

  if (o.country && o.zip && o.zipOption == kZipAfterCountry) {
    AddIfNotEmpty(&lines, true, Part(f.country) + LeftTrim(f.zip), K::Country, true);
  } else if (o.country && o.zip && o.zipOption == kZipBeforeCountry) {
    AddIfNotEmpty(&lines, true, Part(f.zip) + LeftTrim(f.country), K::Country, true);
  } else if (o.country) {
    AddIfNotEmpty(&lines, true, LeftTrim(f.country), K::Country);
  } else if (o.zip && (o.zipOption == kZipAfterCountry || o.zipOption == kZipBeforeCountry)) {
    AddIfNotEmpty(&lines, true, LeftTrim(f.zip), K::Zip, true);
  }

  AddIfNotEmpty(&lines, o.phone, f.phone, K::Phone);
  if (o.upperCase) {
    for (AddressLine& line : lines) line.text = line.text.toUpper();
  }
  return lines;
}

QStringList ComposeAddressLines(const AddressFields& f, const AddressOptions& o) {
  QStringList lines;
  for (const AddressLine& line : ComposeAddressBlock(f, o)) lines.append(line.text);
  return lines;
}

AddressFields AddressFieldsOf(const TableObject& t) {
  AddressFields f;
  f.prefix = t.fieldText(QStringLiteral("PREFIX"));
  f.fname = t.fieldText(QStringLiteral("FNAME"));
  f.middle = t.fieldText(QStringLiteral("MIDDLE"));
  f.lname = t.fieldText(QStringLiteral("LNAME"));
  f.title = t.fieldText(QStringLiteral("TITLE"));
  f.org = t.fieldText(QStringLiteral("ORG"));
  f.street = t.fieldText(QStringLiteral("STREET"));
  f.city = t.fieldText(QStringLiteral("CITY"));
  f.state = t.fieldText(QStringLiteral("STATE"));
  f.zip = t.fieldText(QStringLiteral("ZIP"));
  f.country = t.fieldText(QStringLiteral("COUNTRY"));
  f.phone = t.fieldText(QStringLiteral("PHONE"));
  return f;
}

void ComposeAddressLines(const TableObject& table, const AddressOptions& options,
                         QStringList* lines) {
  *lines = ComposeAddressLines(AddressFieldsOf(table), options);
}

}  // namespace qv
