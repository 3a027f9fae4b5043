#include "app/db_controls.h"

#include <QMouseEvent>

#include "app/shared.h"
#include "store/dates.h"
#include "store/table_object.h"

namespace qv {

namespace {
bool Editing(const TableObject* table) {
  return table->state() == TableObject::State::Edit || table->state() == TableObject::State::Insert;
}
}  // namespace

// ---- DBEdit -------------------------------------------------------------------

DBEdit::DBEdit(TableObject* table, const QString& field, QWidget* parent)
    : QLineEdit(parent), m_table(table), m_field(field) {
  setReadOnly(true);
  connect(m_table, &TableObject::recordChanged, this, &DBEdit::load);
  connect(m_table, &TableObject::stateChanged, this, &DBEdit::load);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (m_loading || !editing()) return;
    QString value = text;
    if (m_upper && value != value.toUpper()) {
      const int at = cursorPosition();
      value = value.toUpper();
      m_loading = true;
      setText(value);
      setCursorPosition(at);
      m_loading = false;
    }
    store(value);
  });
}

bool DBEdit::editing() const { return Editing(m_table); }

void DBEdit::load() {
  // Our own writes come back as recordChanged: the box already shows them.
  if (m_loading) return;
  m_loading = true;
  setReadOnly(!editing());
  if (const int width = m_table->fieldWidth(m_field); width > 0) setMaxLength(width);
  const QString value = m_table->active() ? m_table->fieldText(m_field) : QString();
  if (value != text()) setText(value);
  if (!hasFocus()) setCursorPosition(0);
  m_loading = false;
}

// A bound box stores as the user types: text the field refuses (a date
// half typed) leaves the last value taken pending, and the box shows it on
// the next load. So its result is not needed here.
void DBEdit::store(const QString& text) {
  m_loading = true;
  (void)m_table->setFieldText(m_field, text);
  m_loading = false;
}

void DBEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!editing()) {
    emit doubleClicked();
    return;
  }
  QLineEdit::mouseDoubleClickEvent(event);
}

// ---- DBDateEdit -------------------------------------------------------------

QString QtInputMask(const QString& editMask) {
  QString mask = editMask;
  if (mask.startsWith(QLatin1Char('!'))) mask.remove(0, 1);
  const QStringList parts = mask.split(QLatin1Char(';'));
  QString out;
  for (QChar c : parts.value(0)) {
    if (c == QLatin1Char('9')) {
      out += QLatin1Char('0');
    } else if (c == QLatin1Char('0')) {
      out += QLatin1Char('9');
    } else if (QStringLiteral("AaNnXxDd#HhBb><![]{}\\").contains(c)) {
      out += QLatin1Char('\\');
      out += c;
    } else {
      out += c;
    }
  }
  if (out.isEmpty()) return QString();
  const QString blank = parts.value(2);
  return out + QLatin1Char(';') + (blank.isEmpty() ? QStringLiteral("_") : blank.left(1));
}

DBDateEdit::DBDateEdit(TableObject* table, const QString& field, QWidget* parent)
    : DBEdit(table, field, parent) {}

void DBDateEdit::setEditMask(const QString& editMask) {
  m_editMask = editMask;
  m_loading = true;
  setInputMask(QtInputMask(editMask));
  m_loading = false;
  load();
}

void DBDateEdit::load() {
  if (m_loading) return;
  m_loading = true;
  setReadOnly(!editing());
  const QString value = m_table->active() ? m_table->fieldText(m_field) : QString();
  // Compare by digits: the masked box shows blanks and separators too.
  if (DigitsOnly(value) != DigitsOnly(text())) setText(value);
  if (!hasFocus()) setCursorPosition(0);
  m_loading = false;
}

bool DBDateEdit::holdsInvalidDate() const {
  if (DigitsOnly(text()).isEmpty()) return false;
  QDate date;
  return !ParseDate(text(), &date);
}

void DBDateEdit::store(const QString& text) {
  m_loading = true;
  if (DigitsOnly(text).isEmpty()) {
    // Every digit position blank: the date is emptied.
    (void)m_table->setFieldDate(m_field, QDate());
  } else {
    // A half-typed date is not stored; the last whole one stays pending.
    (void)m_table->setFieldText(m_field, text);
  }
  m_loading = false;
}

// ---- DBMemo -----------------------------------------------------------------

DBMemo::DBMemo(TableObject* table, const QString& field, QWidget* parent)
    : QPlainTextEdit(parent), m_table(table), m_field(field) {
  setReadOnly(true);
  connect(m_table, &TableObject::recordChanged, this, &DBMemo::load);
  connect(m_table, &TableObject::stateChanged, this, &DBMemo::load);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (m_loading || !Editing(m_table)) return;
    m_loading = true;
    (void)m_table->setFieldText(m_field, toPlainText());  // a memo takes any text
    m_loading = false;
  });
}

void DBMemo::load() {
  if (m_loading) return;
  m_loading = true;
  const bool before = m_table->failed();
  const QString value = m_table->active() ? m_table->fieldText(m_field) : QString();
  // A memo that cannot be read is not shown as an empty one, nor offered
  // for editing as if it were.
  const bool unreadable = !before && m_table->failed();
  setPlaceholderText(unreadable ? m_table->failureMessage() : QString());
  if (unreadable) m_table->clearFailure();
  setReadOnly(!Editing(m_table) || unreadable);
  if (value != toPlainText()) setPlainText(value);
  m_loading = false;
}

void DBMemo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!Editing(m_table)) {
    emit doubleClicked();
    return;
  }
  QPlainTextEdit::mouseDoubleClickEvent(event);
}

}  // namespace qv
