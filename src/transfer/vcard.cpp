#include "transfer/vcard.h"

#include <QDate>
#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "store/codepage.h"
#include "transfer/ascii_lines.h"
#include "transfer/text_encoding.h"

namespace qv {

namespace {

constexpr qsizetype kMaxLineBytes = qsizetype{1} << 20;
constexpr int kNotPreferred = 1000;
const char kDateProperty[] = "X-QUORVANE-DATE";

struct Line {
  QByteArray text;
  std::int64_t number = 0;  // of its first physical line
};

struct Property {
  QByteArray name;            // upper case, without its group
  QList<QByteArray> types;    // upper case: TYPE values and 2.1's bare parameters
  QByteArray encoding;        // upper case
  QByteArray charset;         // upper case
  int pref = kNotPreferred;   // lower is preferred
  QByteArray value;
};

bool IsQuotedPrintable(const QByteArray& logical) {
  const qsizetype colon = logical.indexOf(':');
  return colon > 0 && logical.left(colon).toUpper().contains("QUOTED-PRINTABLE");
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
  p->name = head[0].trimmed().toUpper();
  const qsizetype dot = p->name.lastIndexOf('.');
  if (dot >= 0) p->name = p->name.mid(dot + 1);
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
  return true;
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

QString DecodeValue(const Property& p, TextEncoding fileEncoding) {
  const QByteArray bytes =
      p.encoding == "QUOTED-PRINTABLE" ? DecodeQuotedPrintable(p.value) : p.value;
  if (p.charset == "UTF-8" || p.charset == "UTF8") return QString::fromUtf8(bytes);
  static const QList<QByteArray> kAnsi = {"ISO-8859-1", "ISO-8859-15", "LATIN1", "WINDOWS-1252",
                                          "CP1252",     "US-ASCII",    "ASCII"};
  if (kAnsi.contains(p.charset)) return DecodeAnsi(std::string_view(bytes.data(), bytes.size()));
  return DecodeText(bytes, fileEncoding);
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

// A one-line field's text: line breaks read as ", " (a street on two lines).
QString OneLineText(const QString& text) {
  return text.trimmed().replace(QLatin1Char('\n'), QStringLiteral(", "));
}

class Card {
 public:
  explicit Card(TextEncoding encoding) : m_encoding(encoding) {}
  void add(Property p) { m_props.push_back(std::move(p)); }

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
    } else if (const QString fn = text(best("FN")); !fn.isEmpty() && fn != org) {
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
      QString note = Unescape(DecodeValue(p, m_encoding));
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
    QStringList parts = SplitEscaped(DecodeValue(p, m_encoding), sep);
    for (QString& s : parts) s = OneLineText(Unescape(s));
    return parts;
  }
  QStringList components(const char* name, QChar sep) const {
    const Property* p = best(name);
    return p == nullptr ? QStringList() : split(*p, sep);
  }
  QString text(const Property* p) const {
    return p == nullptr ? QString() : OneLineText(Unescape(DecodeValue(*p, m_encoding)));
  }
  QString phone(const Property* p) const {
    QString t = text(p);
    if (t.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) t = t.mid(4);
    return t;
  }

  TextEncoding m_encoding;
  std::vector<Property> m_props;
};

bool IsLine(const QByteArray& text, const char* what) {
  return text.trimmed().compare(what, Qt::CaseInsensitive) == 0;
}

}  // namespace

// The cards of a whole file, one at a time, so that a large file never
// stands in memory as more than its bytes and one card.
class VcardCardReader {
 public:
  VcardCardReader(const QByteArray& bytes, const DateConvention& dates)
      : m_bytes(bytes), m_dates(dates), m_encoding(DetectTextEncoding(bytes)),
        m_at(BomLength(m_encoding)) {}

  // The next card that holds a value; false at the end (error empty) or on
  // a fault. Whatever stands between cards is passed over.
  bool next(ImportRow* row, QString* error) {
    error->clear();
    const QString prefix = UnableToImportMessage() + QStringLiteral(": ");
    if (m_number == 0 && m_bytes.contains('\0')) {
      *error = prefix + QStringLiteral("it holds NUL bytes, so it is no vCard text (a file in "
                                       "UTF-16 must be saved as UTF-8 first)");
      return false;
    }
    std::optional<Card> card;
    std::int64_t begun = 0;
    Line line;
    while (nextLine(&line, error)) {
      if (!card) {
        if (IsLine(line.text, "BEGIN:VCARD")) {
          card.emplace(m_encoding);
          begun = line.number;
          m_sawCard = true;
        }
        continue;
      }
      if (IsLine(line.text, "BEGIN:VCARD")) {
        *error = prefix + QStringLiteral("line %1 begins a card inside the card that begins on "
                                         "line %2, which has no END:VCARD")
                              .arg(line.number)
                              .arg(begun);
        return false;
      }
      if (IsLine(line.text, "END:VCARD")) {
        *row = card->row(m_dates);
        if (!row->values.empty()) return true;
        card.reset();
        continue;
      }
      Property p;
      if (ParseProperty(line.text, &p)) card->add(std::move(p));
    }
    if (!error->isEmpty()) {
      *error = prefix + *error;
    } else if (card) {
      *error = prefix + QStringLiteral("the card that begins on line %1 has no END:VCARD").arg(begun);
    } else if (!m_sawCard) {
      *error = prefix + QStringLiteral("it holds no card (no BEGIN:VCARD line)");
    }
    return false;
  }

 private:
  QByteArray physical() {
    qsizetype end = m_at;
    while (end < m_bytes.size() && m_bytes[end] != '\r' && m_bytes[end] != '\n') ++end;
    QByteArray line = m_bytes.mid(m_at, end - m_at);
    m_at = end;
    if (m_at < m_bytes.size() && m_bytes[m_at] == '\r') ++m_at;
    if (m_at < m_bytes.size() && m_bytes[m_at] == '\n') ++m_at;
    ++m_number;
    return line;
  }

  // A logical line: a physical line that begins with a blank or a tab
  // continues the one before (RFC 2425 folding), and a quoted-printable
  // value that ends with "=" goes on in the next line.
  bool nextLine(Line* line, QString* error) {
    if (m_at >= m_bytes.size()) return false;
    line->text = physical();
    line->number = m_number;
    while (m_at < m_bytes.size()) {
      if (line->text.endsWith('=') && IsQuotedPrintable(line->text)) {
        line->text.chop(1);
        line->text.append(physical());
      } else if (m_bytes[m_at] == ' ' || m_bytes[m_at] == '\t') {
        line->text.append(physical().mid(1));
      } else {
        break;
      }
      if (line->text.size() > kMaxLineBytes) {
        *error = QStringLiteral("line %1 holds a property longer than 1 MB").arg(line->number);
        return false;
      }
    }
    return true;
  }

  const QByteArray& m_bytes;
  const DateConvention& m_dates;
  TextEncoding m_encoding;
  qsizetype m_at;
  std::int64_t m_number = 0;
  bool m_sawCard = false;
};

bool ParseVcards(const QByteArray& bytes, const DateConvention& dates, std::vector<ImportRow>* rows,
                 QString* error) {
  rows->clear();
  VcardCardReader reader(bytes, dates);
  ImportRow row;
  while (reader.next(&row, error)) rows->push_back(std::move(row));
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
  // The whole file is checked before the first record is posted.
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
  addIf("CATEGORIES", "NOTES");
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
