#include "letters/merge.h"

#include <QDate>
#include <QTextCursor>
#include <QTextDocument>

#include "store/dates.h"
#include "store/table_object.h"

namespace qv {

namespace {

QString TrimLeft(const QString& s) {
  qsizetype i = 0;
  while (i < s.size() && s.at(i) == QLatin1Char(' ')) ++i;
  return s.mid(i);
}

QString Trim(const QString& s) {
  qsizetype a = 0, b = s.size();
  while (a < b && s.at(a) == QLatin1Char(' ')) ++a;
  while (b > a && s.at(b - 1) == QLatin1Char(' ')) --b;
  return s.mid(a, b - a);
}

}  // namespace

const QStringList& MergeTokenNames() {
  static const QStringList names = {
      QStringLiteral("Full Name"),   QStringLiteral("First"),
      QStringLiteral("Last"),        QStringLiteral("Middle"),
      QStringLiteral("Prefix"),      QStringLiteral("Title"),
      QStringLiteral("Organization"), QStringLiteral("Street"),
      QStringLiteral("City+State+Zip"), QStringLiteral("City"),
      QStringLiteral("State"),       QStringLiteral("Province"),
      QStringLiteral("Zip"),         QStringLiteral("Postal Code"),
      QStringLiteral("Country"),     QStringLiteral("Phone"),
      QStringLiteral("Fax"),         QStringLiteral("E-Mail"),
      QStringLiteral("Today's Date"), QStringLiteral("Name and Address")};
  return names;
}

const QStringList& InsertFieldNames() {
  // The same tokens, with the whole address block second in the menu.
  static const QStringList names = [] {
    QStringList n = MergeTokenNames();
    n.move(n.indexOf(QStringLiteral("Name and Address")), 1);
    return n;
  }();
  return names;
}

QString FullName(const FieldReader& f) {
  QString middle = f(QStringLiteral("MIDDLE"));
  if (!middle.isEmpty()) middle += QLatin1Char('.');
  const QString blank = QStringLiteral(" ");
  return TrimLeft(f(QStringLiteral("PREFIX")) + blank) + TrimLeft(f(QStringLiteral("FNAME")) + blank) +
         TrimLeft(middle + blank) + TrimLeft(f(QStringLiteral("LNAME")) + blank);
}

QString NameAndAddress(const FieldReader& f) {
  const QString crlf = QStringLiteral("\r\n");
  QString out;
  auto line = [&](const QString& text) {
    if (!text.isEmpty()) out += text + crlf;
  };
  line(FullName(f));
  const QString title = f(QStringLiteral("TITLE"));
  const QString org = f(QStringLiteral("ORG"));
  line(!title.isEmpty() && !org.isEmpty() ? title + QStringLiteral(",  ") + org
                                          : (title.isEmpty() ? org : title));
  line(f(QStringLiteral("STREET")));
  const QString city = f(QStringLiteral("CITY"));
  const QString state = f(QStringLiteral("STATE"));
  const QString zip = f(QStringLiteral("ZIP"));
  if (!(city + state + zip).isEmpty()) {
    const QString s = state.isEmpty() ? QString() : state + QLatin1Char(' ');
    line(Trim(city + QLatin1Char(' ') + s + QLatin1Char(' ') + zip));
  }
  line(f(QStringLiteral("COUNTRY")));
  return out;
}

int DoMerge(QTextDocument& doc, const QString& token, const QString& value) {
  const QString search = QLatin1Char('[') + token + QLatin1Char(']');
  QString text = value;
  text.replace(QStringLiteral("\r\n"), QString(QChar(QChar::LineSeparator)));
  int count = 0;
  QTextCursor at(&doc);
  for (;;) {
    QTextCursor found = doc.find(search, at);
    if (found.isNull()) break;
    // The format of the token's first character, not of the one before it.
    QTextCursor first(&doc);
    first.setPosition(found.selectionStart() + 1);
    const QTextCharFormat format = first.charFormat();
    found.beginEditBlock();
    found.removeSelectedText();
    found.insertText(text, format);
    found.endEditBlock();
    at = found;
    ++count;
  }
  return count;
}

void ReplaceTokens(RichDocument& rich, const FieldReader& f, const QString& today) {
  QString middle = f(QStringLiteral("MIDDLE"));
  QString city = Trim(f(QStringLiteral("CITY")) + QLatin1Char(' ') + f(QStringLiteral("STATE")) +
                      QLatin1Char(' ') + f(QStringLiteral("ZIP")));
  const QString values[] = {FullName(f),
                            f(QStringLiteral("FNAME")),
                            f(QStringLiteral("LNAME")),
                            middle,
                            f(QStringLiteral("PREFIX")),
                            f(QStringLiteral("TITLE")),
                            f(QStringLiteral("ORG")),
                            f(QStringLiteral("STREET")),
                            city,
                            f(QStringLiteral("CITY")),
                            f(QStringLiteral("STATE")),
                            f(QStringLiteral("STATE")),
                            f(QStringLiteral("ZIP")),
                            f(QStringLiteral("ZIP")),
                            f(QStringLiteral("COUNTRY")),
                            f(QStringLiteral("PHONE")),
                            f(QStringLiteral("FAX")),
                            f(QStringLiteral("EMAIL")),
                            today,
                            NameAndAddress(f)};
  // One edit block around all replacements: the document is laid out once
  // at its end, not again after each one.
  QTextCursor block(&rich.doc());
  block.beginEditBlock();
  const QStringList& names = MergeTokenNames();
  for (int i = 0; i < names.size(); ++i) DoMerge(rich.doc(), names[i], values[i]);
  block.endEditBlock();
  rich.reformat();
}

void ReplaceTokens(RichDocument& doc, const TableObject& table) {
  ReplaceTokens(
      doc, [&table](const QString& name) { return table.fieldText(name); },
      FormatDate(QDate::currentDate()));
}

}  // namespace qv
