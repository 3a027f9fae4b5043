// A Windows-style INI file ("[Section]" lines and "key=value" lines) that
// users and Windows tools can read and edit by hand. Every call opens the
// file, does its work and closes it again: no cached copy, so two windows
// never disagree about a setting.
#pragma once

#include <QString>

namespace qv {

class IniFile {
 public:
  explicit IniFile(QString path) : m_path(std::move(path)) {}

  const QString& path() const { return m_path; }

  // False, with the message to show, when the file exists but cannot be
  // read: every read then gives its default and no write changes it.
  bool readable(QString* message) const;

  // Sections and keys match case-insensitively, as on Windows. A missing or
  // unreadable file, a missing key or a damaged line gives the default.
  QString readString(const QString& section, const QString& key, const QString& def) const;
  int readInteger(const QString& section, const QString& key, int def) const;
  // "0" is false and any other number true; anything else gives the default.
  bool readBool(const QString& section, const QString& key, bool def) const;

  // Replaces the key's value in place (keeping every other line as it was)
  // or adds it at the end of its section, creating the section when needed.
  // The file is replaced atomically. Returns false, changing nothing, when
  // it cannot be written, or exists but cannot be read.
  bool writeString(const QString& section, const QString& key, const QString& value);
  bool writeInteger(const QString& section, const QString& key, int value);
  // Booleans are stored as "0" and "1".
  bool writeBool(const QString& section, const QString& key, bool value);

 private:
  QString m_path;
};

}  // namespace qv
