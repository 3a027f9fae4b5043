#include "store/ini_file.h"

#include "store/codepage.h"
#include "store/output_file.h"

#include <QDir>
#include <QFile>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringList>

namespace qv {

namespace {

// Files written on Windows are in the ANSI code page; ours are UTF-8. Text
// that is not valid UTF-8 is read as Windows-1252. False when the file
// exists but cannot be read (*why says so); a missing file is empty.
bool ReadLines(const QString& path, QStringList* lines, QString* why = nullptr) {
  lines->clear();
  QFile f(path);
  if (!f.exists()) return true;
  const auto refuse = [&](const QString& reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  if (!f.open(QIODevice::ReadOnly)) return refuse(f.errorString());
  // A settings file is a few hundred bytes; refuse anything absurd.
  if (f.size() > 1024 * 1024) return refuse(QStringLiteral("it is larger than 1 MB"));
  QByteArray bytes = f.readAll();
  if (f.error() != QFileDevice::NoError) return refuse(f.errorString());
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = DecodeAnsi(std::string_view(bytes.constData(), bytes.size()));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  *lines = text.split(QLatin1Char('\n'));
  if (!lines->isEmpty() && lines->last().isEmpty()) lines->removeLast();
  return true;
}

bool IsSection(const QString& trimmed, QString* name) {
  if (!trimmed.startsWith(QLatin1Char('[')) || !trimmed.endsWith(QLatin1Char(']'))) return false;
  *name = trimmed.mid(1, trimmed.size() - 2).trimmed();
  return true;
}

// "key=value" with the key before the first '='; comments and damaged
// lines are not key lines.
bool IsKeyLine(const QString& line, QString* key, QString* value) {
  QString trimmed = line.trimmed();
  if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
      trimmed.startsWith(QLatin1Char('#'))) {
    return false;
  }
  int eq = trimmed.indexOf(QLatin1Char('='));
  if (eq <= 0) return false;
  *key = trimmed.left(eq).trimmed();
  if (value != nullptr) *value = trimmed.mid(eq + 1).trimmed();
  return true;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

bool IniFile::readable(QString* message) const {
  QStringList lines;
  QString why;
  if (ReadLines(m_path, &lines, &why)) return true;
  *message = QStringLiteral("Unable to read the settings file %1: %2.\r\nThe standard settings are used, "
                            "and settings are not saved.")
                 .arg(QDir::toNativeSeparators(m_path), why);
  return false;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
  QString current;
  bool inSection = false;
  QStringList lines;
  ReadLines(m_path, &lines);
  for (const QString& line : lines) {
    QString name, k, v;
    if (IsSection(line.trimmed(), &name)) {
      inSection = SameName(name, section);
    } else if (inSection && IsKeyLine(line, &k, &v) && SameName(k, key)) {
      return v;
    }
  }
  return def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
  bool ok = false;
  int v = readString(section, key, QString()).toInt(&ok);
  return ok ? v : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
  bool ok = false;
  int v = readString(section, key, QString()).toInt(&ok);
  return ok ? v != 0 : def;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  // A line break would start a new line of the file: refuse rather than
  // write a value that reads back as something else.
  for (const QString* part : {&section, &key, &value}) {
    if (part->contains(QLatin1Char('\n')) || part->contains(QLatin1Char('\r'))) return false;
  }
  QStringList lines;
  // Rewriting a file we could not read would leave only this one key.
  if (!ReadLines(m_path, &lines)) return false;
  const QString entry = key + QLatin1Char('=') + value;
  int sectionLine = -1;  // the header of the wanted section
  int lastInSection = -1;  // its last non-blank line
  bool inSection = false;
  bool done = false;
  for (int i = 0; i < lines.size() && !done; ++i) {
    QString name, k;
    if (IsSection(lines[i].trimmed(), &name)) {
      inSection = SameName(name, section);
      if (inSection && sectionLine < 0) {
        sectionLine = i;
        lastInSection = i;
      }
    } else if (inSection) {
      if (IsKeyLine(lines[i], &k, nullptr) && SameName(k, key)) {
        lines[i] = entry;
        done = true;
      } else if (!lines[i].trimmed().isEmpty()) {
        lastInSection = i;
      }
    }
  }
  if (!done) {
    if (sectionLine >= 0) {
      lines.insert(lastInSection + 1, entry);
    } else {
      if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines.append(QString());
      lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
      lines.append(entry);
    }
  }
  OutputFile out(m_path);
  // CR LF keeps the file readable by Windows tools.
  return out.open() && out.put(lines.join(QLatin1String("\r\n")).toUtf8() + "\r\n") && out.commit();
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value) {
  return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value) {
  return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace qv
