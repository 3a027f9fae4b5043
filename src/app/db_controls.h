// Edit boxes bound to one field of a table object: they show the current
// record's value, take typing only while the table is in edit or insert
// state, and hand every change to the table at once. A double click while
// browsing asks to start editing.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

namespace qv {

class TableObject;

class DBEdit : public QLineEdit {
  Q_OBJECT

 public:
  DBEdit(TableObject* table, const QString& field, QWidget* parent = nullptr);

  const QString& field() const { return m_field; }
  // Letters typed become capitals (the middle initial).
  void setUpperCase(bool on) { m_upper = on; }
  // Re-reads the value and the editable state.
  virtual void load();

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  virtual void store(const QString& text);
  bool editing() const;

  TableObject* m_table;
  QString m_field;
  bool m_upper = false;
  bool m_loading = false;
};

// The date box: the settings' edit mask (for example "!99/99/9999;1;_"),
// dates in the program's short format. Emptying every digit stores an
// empty date.
class DBDateEdit : public DBEdit {
  Q_OBJECT

 public:
  DBDateEdit(TableObject* table, const QString& field, QWidget* parent = nullptr);
  // The mask in the settings' notation; "" for none.
  void setEditMask(const QString& editMask);
  const QString& editMask() const { return m_editMask; }
  void load() override;
  // Digits typed that make no date (13/45/2024, a half-typed one): Save
  // refuses them, since the field would otherwise be stored empty.
  bool holdsInvalidDate() const;

 protected:
  void store(const QString& text) override;

 private:
  QString m_editMask;
};

// The settings' edit mask in Qt's input-mask notation: the leading "!" and
// the middle part go, "9" (optional digit) and "0" (required digit) swap
// meaning, the blank character stays ("_" when none is given).
QString QtInputMask(const QString& editMask);

class DBMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  DBMemo(TableObject* table, const QString& field, QWidget* parent = nullptr);
  void load();

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TableObject* m_table;
  QString m_field;
  bool m_loading = false;
};

}  // namespace qv
