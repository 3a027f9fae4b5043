// The RTF reader: the tokenizer's tokens handed to the control-word table
// and the document builder, group by group.
#include "richtext/rtf.h"
#include "richtext/rtf_reader_builder.h"
#include "richtext/rtf_reader_tokens.h"
#include "richtext/rtf_reader_words.h"

namespace qv {

RtfReadResult ReadRtf(const QByteArray& rtf, RichDocument* out) {
  using namespace rtfread;
  const RtfOpening opening = FindOpening(rtf);
  if (opening.kind == RtfOpening::None) {
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
