// The letter windows for quorvane-screenshots: Print Letters over a stored
// sample letter, the designer with its toolbar and ruler, Page Properties
// and the preview of the letter merged with the current contact.
#include <QApplication>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QLineEdit>
#include <QTextCursor>
#include <cstdio>

#include "app/qvmain.h"
#include "app/screenshots.h"
#include "letters/letter_store.h"
#include "letters/windows/letter_windows.h"
#include "letters/windows/qvletters.h"
#include "richtext/rtf.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace {

// A letterhead in a second font, the address block, a date at a right tab
// stop and the greeting, as a user would type them in the designer.
constexpr char kSampleLetter[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0"
    "{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
    "{\\colortbl;\\red0\\green0\\blue128;}"
    "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1080\\margb1080"
    "\\pard\\qc\\f1\\fs32\\b\\cf1 Harbour Street Choir\\b0\\fs20\\par"
    "\\qc 12 Harbour Street, Port Lewis\\cf0\\par\\pard\\par"
    "\\pard\\tqr\\tx9360\\f0\\fs24\\tab [Today's Date]\\par\\par"
    "\\pard [Name and Address]\\par\\par "
    "Dear [Title] [Last],\\par\\par"
    "\\pard\\qj Thank you for singing with us this season. Our winter concert is on the "
    "first Saturday of December at [City] Town Hall, and we would be glad to see you "
    "and your friends from [Organization] there.\\par\\par"
    "\\pard\\i Tickets can be ordered by telephone on [Phone].\\i0\\par\\par "
    "Yours sincerely,\\par\\par\\par Margaret Wells\\par}";


}  // namespace

bool qv::SaveLetterWindows(TQVPMain& main, const QString& dir) {
  RichDocument letter;
  const RtfReadResult read = ReadRtf(QByteArray(kSampleLetter), &letter);
  if (!read.ok) {
    std::fprintf(stderr, "sample letter: %s\n", qPrintable(read.error));
    return false;
  }
  bool ok = main.TableQVW->first();
  {
    TqVLetters letters(main.TableQVW, &main.Apollo1, &main);
    if (!letters.OpenLettersTable(ProgramDirectory())) return false;
    QString error;
    if (!StoreLetter(*letters.TableLetters, QStringLiteral("Winter concert invitation"), letter,
                     &error) ||
        !StoreLetter(*letters.TableLetters, QStringLiteral("Membership renewal"), letter,
                     &error)) {
      std::fprintf(stderr, "storing the sample letter: %s\n", qPrintable(error));
      return false;
    }
  }
  {
    TqVLetters letters(main.TableQVW, &main.Apollo1, &main);
    if (!letters.OpenLettersTable(ProgramDirectory())) return false;
    ok &= SaveScreenshot(&letters, dir, QStringLiteral("print-letters"));
  }
  {
    TLetterDesign designer(main.TableQVW, &main.Apollo1, &main);
    designer.Description->setText(QStringLiteral("Winter concert invitation"));
    designer.setDocument(letter);
    // The cursor on the date line, so the ruler shows its right tab stop.
    QTextCursor c = designer.WPRichText1->textCursor();
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::MoveAnchor, 3);
    designer.WPRichText1->setTextCursor(c);
    designer.cursorMoved();
    designer.show();
    QApplication::processEvents();
    ok &= SaveScreenshot(&designer, dir, QStringLiteral("letter-designer"));
    TWPPageProp properties(&letter, &designer);
    ok &= SaveScreenshot(&properties, dir, QStringLiteral("page-properties"));
  }
  {
    TRTFPreviewForm preview(main.TableQVW, &main.Apollo1, &main);
    preview.RTFTemplate = letter;
    preview.show();
    QApplication::processEvents();
    preview.Timer1Timer();
    QApplication::processEvents();
    ok &= SaveScreenshot(&preview, dir, QStringLiteral("preview-letter"));
  }
  return ok;
}
