// The RTF reader: the tokenizer's tokens handed to the control-word table
// and the document builder, group by group.
#include "richtext/rtf.h"
#include "richtext/rtf_reader_builder.h"
#include "richtext/rtf_reader_tokens.h"
#include "richtext/rtf_reader_words.h"
#include "store/codepage.h"

namespace qv {

namespace {

// Text a user may have saved under an .rtf name: no control characters but
// white space, as text files hold.
bool IsPlainText(const QByteArray& bytes) {
  for (const char c : bytes) {
    const uchar u = uchar(c);
    if (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
  }
  return true;
}

// Reads plain text as word processors do a file without RTF: a paragraph
// a line, in UTF-8 when it is valid UTF-8, else in Windows-1252.
RtfReadResult ReadPlainText(const QByteArray& bytes, RichDocument* out) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = DecodeAnsi(std::string_view(bytes.constData(), size_t(bytes.size())));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  rtfread::Builder builder(true);
  for (const QChar c : text) {
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
      builder.endParagraph();
    } else if (c.unicode() >= 0x20 || c == QLatin1Char('\t')) {
      builder.addChar(c);
    }
  }
  RtfReadResult result = builder.finish(out);
  result.warnings.prepend(QStringLiteral("The file holds no RTF; it was read as plain text."));
  return result;
}

}  // namespace

RtfReadResult ReadRtf(const QByteArray& rtf, RichDocument* out) {
  using namespace rtfread;
  const RtfOpening opening = FindOpening(rtf);
  if (opening.kind == RtfOpening::None) {
    if (IsPlainText(rtf)) return ReadPlainText(rtf, out);
    RtfReadResult refused;
    refused.error = QStringLiteral("This is not an RTF file: it does not begin with {\\rtf.");
    return refused;
  }
  Builder builder(opening.kind == RtfOpening::Fragment);
  Tokenizer tokens(rtf);
  if (opening.kind == RtfOpening::Header) {
    builder.openGroup();
    tokens.seek(opening.word, true);
  } else {
    tokens.seek(opening.brace, false);
  }
  // A \* applies to the control word that follows it.
  bool star = false;
  while (!builder.ended() && !builder.failed()) {
    const Token token = tokens.next();
    bool skipRest = false;
    switch (token.kind) {
      case Token::End:
        return builder.finish(out);
      case Token::Open:
        star = false;
        if (!builder.openGroup()) return builder.finish(out);
        skipRest = builder.top().dest == Dest::Skip;
        break;
      case Token::Close:
        star = false;
        builder.closeGroup();
        break;
      case Token::Star:
        star = token.groupStart;
        break;
      case Token::Word:
        skipRest = HandleWord(builder, token.word, Word{token.hasParam, token.param}, star);
        star = false;
        break;
      case Token::Symbol:
        skipRest = HandleSymbol(builder, token.byte, star);
        if (token.byte == '\r' || token.byte == '\n' || token.byte == '\t') star = false;
        break;
      case Token::Hex: {
        const Dest dest = builder.top().dest;
        if (dest == Dest::Normal || dest == Dest::FontTable || dest == Dest::LevelText ||
            dest == Dest::LevelNumbers) {
          builder.addByte(char(token.param));
        }
        break;
      }
      case Token::Text:
        if (token.byte == '\t') {
          builder.flushBytes();
          builder.addChar(QLatin1Char('\t'));
        } else {
          builder.addByte(token.byte);
        }
        break;
    }
    if (skipRest && tokens.skipGroupRest()) builder.closeSkippedGroup();
  }
  return builder.finish(out);
}

}  // namespace qv
