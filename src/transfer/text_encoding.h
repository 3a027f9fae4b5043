// Which encoding a text file to import is in, decided as a user expects:
// a UTF-8 file (with or without its byte-order mark) reads as UTF-8, any
// other file as Windows-1252, the code page of files written on Windows.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace qv {

enum class TextEncoding { Utf8, Utf8WithBom, Windows1252 };

// Decides from the first bytes of the file (64 KB are plenty); a cut
// multi-byte sequence at the very end of `head` does not count against UTF-8.
TextEncoding DetectTextEncoding(QByteArrayView head);

// Decodes one piece of the file (a line, without its byte-order mark).
QString DecodeText(QByteArrayView bytes, TextEncoding encoding);

// The number of bytes the byte-order mark takes at the start of the file.
int BomLength(TextEncoding encoding);

// True when every byte sequence of `bytes` is UTF-8 (plain ASCII is).
bool IsUtf8(QByteArrayView bytes);

// Decodes `bytes` from a named character set ("SHIFT_JIS", "KOI8-R",
// "ISO-8859-2") through the system's iconv. ISO-8859-1 and ASCII read as
// Windows-1252, which is what programs that name them write. False when
// the set is unknown or the bytes are not in it; *out is then empty.
bool DecodeCharset(QByteArrayView bytes, const QByteArray& charset, QString* out);

}  // namespace qv
