// The accelerator letters (Alt+letter) of a window's captions: buttons,
// check and radio boxes, group boxes, labels with a buddy and the menu
// bar's menus. A letter two captions of one window share reaches only one
// of them.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenuBar>
#include <QStringList>
#include <QWidget>

namespace qv::testing {

// The letter after the single '&' of `text`, lower case, or '\0'.
inline QChar AcceleratorOf(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return text[i + 1].toLower();
  }
  return QChar();
}

// "letter: caption, caption" for every letter more than one caption of
// `window` (hidden controls left out) uses.
inline QStringList SharedAccelerators(QWidget* window) {
  QMap<QChar, QStringList> users;
  auto note = [&](const QString& text) {
    const QChar key = AcceleratorOf(text);
    if (!key.isNull()) users[key] << text;
  };
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->window() != window) continue;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) note(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) note(g->title());
    if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) note(l->text());
    if (auto* bar = qobject_cast<QMenuBar*>(w)) {
      for (QAction* a : bar->actions()) {
        if (a->isVisible()) note(a->text());
      }
    }
  }
  QStringList out;
  for (auto it = users.cbegin(); it != users.cend(); ++it) {
    if (it->size() > 1) out << QString(it.key()) + QStringLiteral(": ") + it->join(", ");
  }
  return out;
}

}  // namespace qv::testing
