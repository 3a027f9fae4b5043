// Routines every window shares: the information box and the two Yes/No
// questions, placing a modal window over the main window, small text
// helpers and the printer name the report engine is given.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include "labels/postnet.h"  // DigitsOnly
#include "ui/window_place.h"

class QWidget;

namespace qv {

class MessageService;

// The information box (caption "Information", one OK button).
void ShowInformation(const QString& text);
// While held, information boxes wait (in order) instead of showing: at start
// a message about the support tables or the last file is shown over the main
// window, once it is on screen, not over an empty desktop.
void HoldInformation(bool hold);
// Yes/No with Yes as the default button.
bool AskYesNo(const QString& text);


// Blanks and control characters off the left, the right or both ends.
QString TrimLeft(const QString& text);
QString TrimRight(const QString& text);
QString TrimBoth(const QString& text);
// `text` cut at every `separator`; empty parts included, "" gives {""}.
QStringList SplitText(const QString& text, QChar separator);

// A printer's name as the report engine wants it: the part before " ON "
// (found in capitals, so "Laser on LPT1:" gives "Laser"), else the whole name.
QString CurrentPrinterName(const QString& printerName);

// The store's notices and questions shown through the dialog service; the
// program installs it at start-up, widget tests beside their scripted
// dialogs.
MessageService& DialogMessageService();

}  // namespace qv
