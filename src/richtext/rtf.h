// RTF reading and writing for the letter templates: RTF 1.x as current
// word processors write it, over RichDocument.
//
// The reader takes text in the document's code page (\ansicpg, per-font
// \fcharset), \'hh and \uN escapes; fonts, sizes, bold, italic, underline,
// strike-through, colours, highlighting; paragraph alignment, indents,
// spacing, line spacing and tab stops; page size and margins; PNG and JPEG
// pictures; simple tables with their cell borders; bullet and numbered lists
// (list tables and the older paragraph numbering). Every other control word and every {\* ...}
// destination is stepped over. Damage it can step over (a file that ends
// early, a picture it cannot show, an unknown code page) leaves the
// readable text and a warning; a file that is neither RTF nor plain text
// (which is read a paragraph a line), or nests groups deeper than any word
// processor does, is refused with a message. A fragment without the {\rtf1
// group (groups of control words and text, as pandoc writes) is read as a
// document.
//
// The writer writes the same set, so a document read back from our own
// RTF is the document we wrote.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "richtext/rich_document.h"

namespace qv {

// Limits that keep damaged or hostile files from exhausting the program.
constexpr int kRtfMaxDepth = 10000;
constexpr qsizetype kRtfMaxPictureBytes = 32 * 1024 * 1024;

struct RtfReadResult {
  bool ok = false;
  QString error;         // why the file was refused, when !ok
  QStringList warnings;  // what was stepped over, when ok
};

// Reads `rtf` into `*out`; on failure `*out` is left unchanged.
RtfReadResult ReadRtf(const QByteArray& rtf, RichDocument* out);

QByteArray WriteRtf(const RichDocument& doc);

}  // namespace qv
