#include "transfer/vcard.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

#include "store/codepage.h"
#include "transfer/ascii_lines.h"
#include "transfer/text_encoding.h"

namespace qv {

namespace {

// Bounds on what one card may keep in memory: no address book writes a
// contact near them, and a file built to hurt stays at its own size.
constexpr qsizetype kMaxLineBytes = qsizetype{1} << 20;
constexpr int kMaxCardProperties = 2000;
constexpr qsizetype kMaxCardBytes = qsizetype{4} << 20;
// Per-card notices beyond this many are counted, not listed.
constexpr int kMaxCardNotices = 20;
constexpr int kNotPreferred = 1000;
const char kDateProperty[] = "X-QUORVANE-DATE";

// The properties a card is read for; every other one (photos, sounds, keys,
// X- extensions) is passed over without being held.
bool IsKept(const QByteArray& name) {
  static const QByteArrayView kKept[] = {"N",     "FN",    "ORG",        "TITLE", "ADR",
                                         "LABEL", "TEL",   "EMAIL",      "NOTE",  "CATEGORIES",
                                         "BEGIN", "END",   "AGENT",      kDateProperty};
  return std::find(std::begin(kKept), std::end(kKept), name) != std::end(kKept);
}

struct Line {
  QByteArray text;          // empty for a property that is not kept
  QByteArray name;          // upper case, without its group
  std::int64_t number = 0;  // of its first physical line
  bool tooLong = false;     // a kept property longer than kMaxLineBytes
};

struct Property {
  QByteArray name;            // upper case, without its group
  QList<QByteArray> types;    // upper case: TYPE values and 2.1's bare parameters
  QByteArray encoding;        // upper case
  QByteArray charset;         // upper case
  int pref = kNotPreferred;   // lower is preferred
  QByteArray value;           // quoted-printable already decoded
};

// The name of the property a physical line begins: up to its first ';' or
// ':', the group ("item1.") left out, upper case.
QByteArray PropertyName(QByteArrayView line) {
  qsizetype end = 0;
  while (end < line.size() && line[end] != ';' && line[end] != ':') ++end;
  QByteArray name = line.first(end).trimmed().toByteArray().toUpper();
  const qsizetype dot = name.lastIndexOf('.');
  if (dot >= 0) name = name.mid(dot + 1);
  return name;
}

// Splits at `sep` outside double quotes.
QList<QByteArray> SplitOutsideQuotes(const QByteArray& text, char sep) {
  QList<QByteArray> parts;
  QByteArray part;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == sep && !quoted) {
      parts.append(part);
      part.clear();
    } else {
      part.append(c);
    }
  }
  parts.append(part);
  return parts;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

QByteArray DecodeQuotedPrintable(const QByteArray& in) {
  QByteArray out;
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == '=' && i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 &&
        HexDigit(in[i + 2]) >= 0) {
      out.append(static_cast<char>(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2])));
      i += 2;
    } else {
      out.append(in[i]);
    }
  }
  return out;
}

bool ParseProperty(const QByteArray& logical, Property* p) {
  qsizetype colon = -1;
  bool quoted = false;
  for (qsizetype i = 0; i < logical.size(); ++i) {
    if (logical[i] == '"') quoted = !quoted;
    if (logical[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon <= 0) return false;
  const QList<QByteArray> head = SplitOutsideQuotes(logical.left(colon), ';');
  p->name = PropertyName(head[0]);
  p->value = logical.mid(colon + 1);
  for (qsizetype i = 1; i < head.size(); ++i) {
    const qsizetype eq = head[i].indexOf('=');
    const QByteArray key = eq < 0 ? QByteArray() : head[i].left(eq).trimmed().toUpper();
    QByteArray val = (eq < 0 ? head[i] : head[i].mid(eq + 1)).trimmed().toUpper();
    val.replace("\"", "");
    if (key == "ENCODING" || (eq < 0 && (val == "QUOTED-PRINTABLE" || val == "BASE64" ||
                                         val == "8BIT" || val == "7BIT"))) {
      p->encoding = val;
    } else if (key == "CHARSET") {
      p->charset = val;
    } else if (key == "PREF") {
      bool ok = false;
      const int n = val.toInt(&ok);
      if (ok) p->pref = std::min(p->pref, n);
    } else if (key == "TYPE" || eq < 0) {
      for (const QByteArray& t : val.split(',')) {
        if (t == "PREF") p->pref = std::min(p->pref, 1);
        p->types.append(t.trimmed());
      }
    }
  }
  // Bytes first, characters after: a quoted-printable Shift_JIS value must
  // be whole bytes before its character set can read it.
  if (p->encoding == "QUOTED-PRINTABLE") p->value = DecodeQuotedPrintable(p->value);
  return true;
}

// Splits at `sep` where it is not escaped; escapes stay for Unescape.
QStringList SplitEscaped(const QString& text, QChar sep) {
  QStringList parts;
  QString part;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
      part.append(text[i]);
      part.append(text[++i]);
    } else if (text[i] == sep) {
      parts.append(part);
      part.clear();
    } else {
      part.append(text[i]);
    }
  }
  parts.append(part);
  return parts;
}

// \n becomes a line break ("\n"), \, \; \\ their character; line breaks of
// any kind come out as "\n".
QString Unescape(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\\') && i + 1 < text.size()) {
      const QChar d = text[++i];
      out.append(d == QLatin1Char('n') || d == QLatin1Char('N') ? QChar(QLatin1Char('\n')) : d);
    } else if (c == QLatin1Char('\r')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
      out.append(QLatin1Char('\n'));
    } else {
      out.append(c);
    }
  }
  return out;
}

// A one-line field's text: line breaks read as ", " (a street on two
// lines). Leading blanks are the value's own and stay.
QString OneLineText(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& l : lines) {
    while (!l.isEmpty() && l.back().isSpace()) l.chop(1);
  }
  lines.removeAll(QString());
  return lines.join(QStringLiteral(", "));
}

// Country names a postal label ends with, in capitals.
bool IsCountryName(const QString& line) {
  static const QStringList kCountries = {
      "USA", "U.S.A.", "US", "U.S.", "UNITED STATES", "UNITED STATES OF AMERICA", "CANADA",
      "MEXICO", "UK", "U.K.", "UNITED KINGDOM", "GREAT BRITAIN", "ENGLAND", "SCOTLAND", "WALES",
      "IRELAND", "GERMANY", "DEUTSCHLAND", "FRANCE", "SPAIN", "ESPAÑA", "ITALY", "ITALIA",
      "NETHERLANDS", "THE NETHERLANDS", "NEDERLAND", "BELGIUM", "BELGIQUE", "SWITZERLAND",
      "SCHWEIZ", "SUISSE", "AUSTRIA", "ÖSTERREICH", "SWEDEN", "SVERIGE", "NORWAY", "NORGE",
      "DENMARK", "DANMARK", "FINLAND", "SUOMI", "POLAND", "POLSKA", "PORTUGAL", "GREECE",
      "CZECH REPUBLIC", "HUNGARY", "RUSSIA", "JAPAN", "CHINA", "INDIA", "AUSTRALIA",
      "NEW ZEALAND", "BRAZIL", "BRASIL", "ARGENTINA", "SOUTH AFRICA", "ISRAEL", "TURKEY"};
  return kCountries.contains(line.trimmed().toUpper());
}

struct LabelAddress {
  QString street, city, state, zip, country;
};

// A postal label's lines as an address: a last line that is a country
// name is the country, the line before it holds the city, state and ZIP
// ("Boston, MA 02215", "Newmarket, ON L3Y 4A1", "89073 Ulm"), and the lines
// above are the street.
LabelAddress AddressFromLabel(const QString& label) {
  QStringList lines;
  for (const QString& l : label.split(QLatin1Char('\n'))) {
    if (!l.trimmed().isEmpty()) lines.append(l.trimmed());
  }
  LabelAddress a;
  if (lines.size() > 1 && IsCountryName(lines.back())) a.country = lines.takeLast();
  if (lines.size() > 1) {
    static const QRegularExpression kCityStateZip(QStringLiteral(
        "^(.+?),\\s*([^,\\d]+?)\\s+(\\d{5}(?:-\\d{4})?|[A-Z]\\d[A-Z] ?\\d[A-Z]\\d|[A-Z0-9]{2,5} ?[A-Z0-9]{3})$"));
    static const QRegularExpression kZipCity(QStringLiteral("^(\\d{4,5})\\s+([^,]+)(?:,\\s*(.+))?$"));
    static const QRegularExpression kCityZip(QStringLiteral("^([^,\\d]+?),?\\s+(\\d{5}(?:-\\d{4})?)$"));
    const QString last = lines.back();
    if (const auto m = kCityStateZip.match(last); m.hasMatch()) {
      a.city = m.captured(1);
      a.state = m.captured(2);
      a.zip = m.captured(3);
    } else if (const auto m = kZipCity.match(last); m.hasMatch()) {
      a.zip = m.captured(1);
      a.city = m.captured(2).trimmed();
      a.state = m.captured(3).trimmed();
    } else if (const auto m = kCityZip.match(last); m.hasMatch()) {
      a.city = m.captured(1);
      a.zip = m.captured(2);
    }
    if (!a.city.isEmpty()) lines.removeLast();
  }
  a.street = lines.join(QStringLiteral(", "));
  return a;
}

// The values a card needs to be worth a record.
bool HoldsContact(const ImportRow& row) {
  return std::any_of(row.values.begin(), row.values.end(), [](const auto& v) {
    switch (v.first) {
      case ContactTarget::First: case ContactTarget::Last: case ContactTarget::Middle:
      case ContactTarget::Organization: case ContactTarget::Street: case ContactTarget::City:
      case ContactTarget::State: case ContactTarget::Zip: case ContactTarget::Country:
      case ContactTarget::Phone: case ContactTarget::Fax: case ContactTarget::EMail:
        return true;
      default:
        return false;
    }
  });
}

class Card {
 public:
  void add(Property p) { m_props.push_back(std::move(p)); }

  // UTF-8 when every value without its own character set is; otherwise
  // the card was written in an ANSI code page, taken as Windows-1252.
  bool decideEncoding() {
    m_encoding = TextEncoding::Utf8;
    for (const Property& p : m_props) {
      if (p.charset.isEmpty() && !IsUtf8(p.value)) {
        m_encoding = TextEncoding::Windows1252;
        return false;
      }
    }
    return true;
  }
  // Character sets named by the card that the system does not know.
  QStringList unknownCharsets() const {
    QStringList names;
    QString ignored;
    for (const Property& p : m_props) {
      if (!p.charset.isEmpty() && !DecodeCharset(QByteArrayView(), p.charset, &ignored) &&
          !names.contains(QString::fromLatin1(p.charset))) {
        names.append(QString::fromLatin1(p.charset));
      }
    }
    return names;
  }

  ImportRow row(const DateConvention& dates) const {
    ImportRow row;
    auto put = [&](ContactTarget t, const QString& v) {
      if (!v.isEmpty()) row.values.emplace_back(t, v);
    };
    const QStringList n = components("N", QLatin1Char(';'));
    const QString org = components("ORG", QLatin1Char(';')).value(0);
    const bool named = std::any_of(n.begin(), n.end(), [](const QString& s) { return !s.isEmpty(); });
    if (named) {
      put(ContactTarget::Last, n.value(0));
      put(ContactTarget::First, n.value(1));
      put(ContactTarget::Middle, n.value(2));
      put(ContactTarget::Prefix, n.value(3));
    } else if (const QString fn = text(best("FN")).trimmed(); !fn.isEmpty() && fn != org) {
      // A card without N: its formatted name, the last word as last name.
      const qsizetype space = fn.lastIndexOf(QLatin1Char(' '));
      put(ContactTarget::Last, fn.mid(space + 1));
      if (space > 0) put(ContactTarget::First, fn.left(space).trimmed());
    }
    put(ContactTarget::Organization, org);
    put(ContactTarget::Title, text(best("TITLE")));
    if (const Property* adr = best("ADR")) {
      const QStringList a = split(*adr, QLatin1Char(';'));
      const QString street = a.value(2).isEmpty() ? a.value(0) : a.value(2);
      put(ContactTarget::Street, street);
      put(ContactTarget::City, a.value(3));
      put(ContactTarget::State, a.value(4));
      put(ContactTarget::Zip, a.value(5));
      put(ContactTarget::Country, a.value(6));
    } else if (const Property* label = best("LABEL")) {
      const LabelAddress a = AddressFromLabel(Unescape(decoded(*label)));
      put(ContactTarget::Street, a.street);
      put(ContactTarget::City, a.city);
      put(ContactTarget::State, a.state);
      put(ContactTarget::Zip, a.zip);
      put(ContactTarget::Country, a.country);
    }
    put(ContactTarget::Phone, phone(best("TEL", false)));
    put(ContactTarget::Fax, phone(best("TEL", true)));
    put(ContactTarget::EMail, text(best("EMAIL")));
    QStringList codes;
    for (const Property& p : m_props) {
      if (p.name == "CATEGORIES") {
        for (const QString& c : split(p, QLatin1Char(','))) {
          if (!c.isEmpty()) codes.append(c);
        }
      }
    }
    put(ContactTarget::Codes, codes.join(QLatin1Char(',')));
    for (const Property& p : m_props) {
      if (p.name != "NOTE") continue;
      QString note = Unescape(decoded(p));
      put(ContactTarget::Memo, note.replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    }
    const QString date = text(best(kDateProperty));
    if (!date.isEmpty()) {
      QDate d = QDate::fromString(date, Qt::ISODate);
      if (!d.isValid()) d = QDate::fromString(date, QStringLiteral("yyyyMMdd"));
      put(ContactTarget::Date, d.isValid() ? FormatDate(d, dates) : date);
    }
    return row;
  }

 private:
  // A value's characters: in its own character set when it names one the
  // system knows, else in the card's encoding.
  QString decoded(const Property& p) const {
    QString text;
    if (!p.charset.isEmpty() && DecodeCharset(p.value, p.charset, &text)) return text;
    return DecodeText(p.value, m_encoding);
  }
  // The preferred property of that name, the first of equals; for TEL only
  // fax numbers (`fax`) or only the others.
  const Property* best(const char* name, std::optional<bool> fax = std::nullopt) const {
    const Property* found = nullptr;
    for (const Property& p : m_props) {
      if (p.name != name || p.encoding == "BASE64" || p.encoding == "B") continue;
      if (fax && p.types.contains("FAX") != *fax) continue;
      if (found == nullptr || p.pref < found->pref) found = &p;
    }
    return found;
  }
  QStringList split(const Property& p, QChar sep) const {
    QStringList parts = SplitEscaped(decoded(p), sep);
    for (QString& s : parts) s = OneLineText(Unescape(s));
    return parts;
  }
  QStringList components(const char* name, QChar sep) const {
    const Property* p = best(name);
    return p == nullptr ? QStringList() : split(*p, sep);
  }
  QString text(const Property* p) const {
    return p == nullptr ? QString() : OneLineText(Unescape(decoded(*p)));
  }
  QString phone(const Property* p) const {
    QString t = text(p).trimmed();
    if (t.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) t = t.mid(4);
    return t;
  }

  TextEncoding m_encoding = TextEncoding::Utf8;
  std::vector<Property> m_props;
};

// The value of a BEGIN or END line is VCARD.
bool IsCardMark(const Line& line, const char* name) {
  if (line.name != name) return false;
  const qsizetype colon = line.text.indexOf(':');
  return colon >= 0 && line.text.mid(colon + 1).trimmed().compare("VCARD", Qt::CaseInsensitive) == 0;
}

// What stands between a card's BEGIN and END, as read.
struct RawCard {
  Card card;
  std::int64_t begun = 0;
  std::int64_t endedAt = 0;  // the line of the next card's BEGIN, or 0
  bool unended = false;
  bool overBound = false;
};

}  // namespace

// The cards of a whole file, one at a time, so that a large file never
// stands in memory as more than its bytes and one card.
class VcardCardReader {
 public:
  VcardCardReader(const QByteArray& bytes, const DateConvention& dates)
      : m_bytes(bytes), m_dates(dates),
        m_at(bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0) {}

  // The next card worth a record; false at the end (error empty) or when
  // the file is no vCard file at all. Damaged cards are read as far as
  // they go and told in notices(); whatever stands between cards is
  // passed over.
  bool next(ImportRow* row, QString* error) {
    error->clear();
    const QString prefix = UnableToImportMessage() + QStringLiteral(": ");
    if (m_number == 0 && m_bytes.contains('\0')) {
      *error = prefix + QStringLiteral("it holds NUL bytes, so it is no vCard text (a file in "
                                       "UTF-16 must be saved as UTF-8 first)");
      return false;
    }
    RawCard raw;
    while (readCard(&raw)) {
      m_sawCard = true;
      const QString where = QStringLiteral("The card that begins on line %1").arg(raw.begun);
      if (raw.unended) {
        note(where + (raw.endedAt > 0
                          ? QStringLiteral(" has no END:VCARD; it was read up to the card on line %1.")
                                .arg(raw.endedAt)
                          : QStringLiteral(" has no END:VCARD; it was read up to the end of the file.")));
      }
      if (raw.overBound) {
        note(where + QStringLiteral(" holds more than %1 properties or %2 MB of text and was skipped.")
                         .arg(kMaxCardProperties)
                         .arg(kMaxCardBytes >> 20));
        continue;
      }
      if (!raw.card.decideEncoding()) {
        note(where + QStringLiteral(" is not in UTF-8; it was read as Windows-1252."));
      }
      if (const QStringList unknown = raw.card.unknownCharsets(); !unknown.isEmpty()) {
        note(where + QStringLiteral(" names a character set this system does not know (%1); its "
                                    "values were read as the rest of the card.")
                         .arg(unknown.join(QStringLiteral(", "))));
      }
      *row = raw.card.row(m_dates);
      if (HoldsContact(*row)) return true;
      ++m_empty;
    }
    if (!m_sawCard) *error = prefix + QStringLiteral("it holds no card (no BEGIN:VCARD line)");
    return false;
  }

  QStringList notices() const {
    QStringList out = m_notices;
    if (m_moreNotices > 0) {
      out.append(QStringLiteral("%1 more cards were damaged or read as Windows-1252.").arg(m_moreNotices));
    }
    if (m_empty == 1) {
      out.append(QStringLiteral("1 card held no name, organization, address, phone or e-mail and "
                                "was skipped."));
    } else if (m_empty > 1) {
      out.append(QStringLiteral("%1 cards held no name, organization, address, phone or e-mail "
                                "and were skipped.")
                     .arg(m_empty));
    }
    return out;
  }

 private:
  void note(const QString& text) {
    if (m_notices.size() < kMaxCardNotices) {
      m_notices.append(text);
    } else {
      ++m_moreNotices;
    }
  }

  // The next card's properties; false when no card is left.
  bool readCard(RawCard* raw) {
    *raw = RawCard();
    Line line;
    for (;;) {  // to the next BEGIN:VCARD
      if (!nextLine(&line)) return false;
      if (IsCardMark(line, "BEGIN")) break;
    }
    raw->begun = line.number;
    int count = 0;
    qsizetype held = 0;
    QByteArray last;  // the name of the property before
    bool lastEmpty = false;
    while (nextLine(&line)) {
      if (IsCardMark(line, "END")) return true;
      if (IsCardMark(line, "BEGIN")) {
        if (last == "AGENT" && lastEmpty) {
          skipNestedCard();  // vCard 2.1's AGENT holds a card of its own
          last.clear();
          continue;
        }
        // The card had no END: it ends where the next one begins.
        raw->unended = true;
        raw->endedAt = line.number;
        m_held = line;
        return true;
      }
      last = line.name;
      const qsizetype colon = line.text.indexOf(':');
      lastEmpty = colon >= 0 && line.text.mid(colon + 1).trimmed().isEmpty();
      if (raw->overBound || line.text.isEmpty() || line.name == "AGENT") continue;
      held += line.text.size();
      if (line.tooLong || ++count > kMaxCardProperties || held > kMaxCardBytes) {
        raw->overBound = true;
        raw->card = Card();  // what it held so far goes at once
        continue;
      }
      Property p;
      if (ParseProperty(line.text, &p)) raw->card.add(std::move(p));
    }
    raw->unended = true;
    return true;
  }

  void skipNestedCard() {
    int depth = 1;
    Line line;
    while (depth > 0 && nextLine(&line)) {
      if (IsCardMark(line, "BEGIN")) ++depth;
      if (IsCardMark(line, "END")) --depth;
    }
  }

  QByteArrayView physicalAt(qsizetype at) const {
    qsizetype end = at;
    while (end < m_bytes.size() && m_bytes[end] != '\r' && m_bytes[end] != '\n') ++end;
    return QByteArrayView(m_bytes).sliced(at, end - at);
  }

  QByteArrayView physical() {
    const QByteArrayView line = physicalAt(m_at);
    m_at += line.size();
    if (m_at < m_bytes.size() && m_bytes[m_at] == '\r') ++m_at;
    if (m_at < m_bytes.size() && m_bytes[m_at] == '\n') ++m_at;
    ++m_number;
    return line;
  }

  // A logical line: a physical line that begins with a blank or a tab
  // continues the one before (RFC 2425 folding), and a quoted-printable
  // value that ends with "=" goes on in the next line unless that line
  // ends the card. Only kept properties are gathered.
  bool nextLine(Line* line) {
    if (m_held) {
      *line = *m_held;
      m_held.reset();
      return true;
    }
    if (m_at >= m_bytes.size()) return false;
    QByteArrayView first = physical();
    line->number = m_number;
    line->name = PropertyName(first);
    line->tooLong = false;
    const bool kept = IsKept(line->name);
    line->text = kept ? first.toByteArray() : QByteArray();
    const bool qp = first.first(std::max<qsizetype>(0, first.indexOf(':'))).toByteArray().toUpper().contains(
        "QUOTED-PRINTABLE");
    bool softBreak = qp && first.endsWith('=');
    while (m_at < m_bytes.size()) {
      QByteArrayView more;
      if (softBreak) {
        const QByteArrayView next = physicalAt(m_at);
        if (PropertyName(next) == "END" && next.trimmed().size() <= 20 &&
            next.toByteArray().toUpper().contains("VCARD")) {
          break;
        }
        if (kept) line->text.chop(1);
        more = physical();
      } else if (m_bytes[m_at] == ' ' || m_bytes[m_at] == '\t') {
        more = physical().sliced(1);
      } else {
        break;
      }
      softBreak = qp && more.endsWith('=');
      if (!kept || line->tooLong) continue;
      if (line->text.size() + more.size() > kMaxLineBytes) {
        line->tooLong = true;
        line->text = QByteArray("X:");  // held no longer; the card is over its bound
        continue;
      }
      line->text.append(more);
    }
    return true;
  }

  const QByteArray& m_bytes;
  const DateConvention& m_dates;
  qsizetype m_at;
  std::int64_t m_number = 0;
  std::optional<Line> m_held;
  bool m_sawCard = false;
  std::int64_t m_empty = 0;
  QStringList m_notices;
  int m_moreNotices = 0;
};

bool ParseVcards(const QByteArray& bytes, const DateConvention& dates, std::vector<ImportRow>* rows,
                 QString* error, QStringList* notices) {
  rows->clear();
  VcardCardReader reader(bytes, dates);
  ImportRow row;
  while (reader.next(&row, error)) rows->push_back(std::move(row));
  if (notices != nullptr) *notices = reader.notices();
  return error->isEmpty();
}

VcardRowSource::VcardRowSource(QString path, DateConvention dates)
    : m_path(std::move(path)), m_dates(std::move(dates)) {}

VcardRowSource::~VcardRowSource() = default;

bool VcardRowSource::open(QString* error) {
  QFile in(m_path);
  if (!in.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("Unable to open the file ") + m_path;
    return false;
  }
  if (in.size() > kVcardMaxFileBytes) {
    *error = UnableToImportMessage() + QStringLiteral(": ") + QFileInfo(m_path).fileName() +
             QStringLiteral(" is larger than 64 MB");
    return false;
  }
  m_bytes = in.readAll();
  if (in.error() != QFileDevice::NoError) {
    *error = QStringLiteral("Unable to read the file ") + m_path;
    return false;
  }
  // A first pass counts the cards for the gauge and refuses a file that
  // holds none before anything is posted.
  m_count = 0;
  VcardCardReader check(m_bytes, m_dates);
  ImportRow row;
  while (check.next(&row, error)) ++m_count;
  if (!error->isEmpty()) return false;
  m_reader = std::make_unique<VcardCardReader>(m_bytes, m_dates);
  return true;
}

bool VcardRowSource::next(ImportRow* row, QString* error) {
  error->clear();
  return m_reader != nullptr && m_reader->next(row, error);
}

QStringList VcardRowSource::notices() const {
  return m_reader != nullptr ? m_reader->notices() : QStringList();
}

namespace {

QByteArray Escape(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char(',')) {
      out.append(QLatin1Char('\\'));
      out.append(c);
    } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
      out.append(QStringLiteral("\\n"));
    } else {
      out.append(c);
    }
  }
  return out.toUtf8();
}

// Lines of at most 75 octets; a continuation line begins with a blank, and
// no UTF-8 sequence is cut.
QByteArray Folded(const QByteArray& line) {
  QByteArray out;
  qsizetype at = 0;
  int room = 75;
  while (line.size() - at > room) {
    qsizetype cut = at + room;
    while (cut > at && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.mid(at, cut - at));
    out.append("\r\n ");
    at = cut;
    room = 74;
  }
  out.append(line.mid(at));
  out.append("\r\n");
  return out;
}

}  // namespace

QByteArray VcardCard(const ContactValues& record, const DateConvention& dates) {
  auto v = [&](const char* field) { return record.value(QLatin1String(field)); };
  QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
  auto add = [&](const QByteArray& name, const QByteArray& value) {
    card.append(Folded(name + ':' + value));
  };
  add("N", Escape(v("LNAME")) + ';' + Escape(v("FNAME")) + ';' + Escape(v("MIDDLE")) + ';' +
               Escape(v("PREFIX")) + ';');
  QStringList formatted;
  for (const char* f : {"PREFIX", "FNAME", "MIDDLE", "LNAME"}) {
    if (!v(f).isEmpty()) formatted.append(v(f));
  }
  add("FN", Escape(formatted.isEmpty() ? v("ORG") : formatted.join(QLatin1Char(' '))));
  auto addIf = [&](const QByteArray& name, const char* field) {
    if (!v(field).isEmpty()) add(name, Escape(v(field)));
  };
  addIf("ORG", "ORG");
  addIf("TITLE", "TITLE");
  const char* address[] = {"STREET", "CITY", "STATE", "ZIP", "COUNTRY"};
  if (std::any_of(std::begin(address), std::end(address), [&](const char* f) { return !v(f).isEmpty(); })) {
    QByteArray adr = ";;";
    for (const char* f : address) adr += Escape(v(f)) + (f == address[4] ? "" : ";");
    add("ADR", adr);
  }
  addIf("TEL;TYPE=VOICE", "PHONE");
  addIf("TEL;TYPE=FAX", "FAX");
  addIf("EMAIL;TYPE=INTERNET", "EMAIL");
  // Each code its own category: an escaped comma would make them one.
  if (!v("NOTES").isEmpty()) {
    QByteArrayList codes;
    for (const QString& code : v("NOTES").split(QLatin1Char(','))) codes.append(Escape(code));
    add("CATEGORIES", codes.join(','));
  }
  addIf("NOTE", "MEMO");
  const QString dateText = v("DATE");
  if (!IsBlankDateText(dateText, dates)) {
    QDate d;
    add(kDateProperty, ParseDate(dateText, &d, dates) ? d.toString(Qt::ISODate).toLatin1()
                                                      : Escape(dateText));
  }
  card.append("END:VCARD\r\n");
  return card;
}

}  // namespace qv
