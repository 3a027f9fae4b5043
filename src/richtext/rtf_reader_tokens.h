// The RTF reader's tokenizer: the bytes of a file as groups, control words
// with their numbers, control symbols, \'hh bytes and text bytes. \bin data
// and line breaks in the file are stepped over here; what a token means is
// the control-word table's and the document builder's business.
#pragma once

#include <QByteArray>

namespace qv::rtfread {

// Where the RTF of a file begins.
struct RtfOpening {
  enum Kind { None, Header, Fragment };
  Kind kind = None;
  qsizetype brace = 0;  // the first '{'
  qsizetype word = 0;   // the first control word after it
};

// A file begins with {\rtf (perhaps with white space before and after the
// brace) or, as pandoc writes, with a group of control words and text.
RtfOpening FindOpening(const QByteArray& data);

struct Token {
  enum Kind { End, Open, Close, Word, Symbol, Hex, Star, Text };
  Kind kind = End;
  QByteArray word;          // Word: its letters
  bool hasParam = false;    // Word: a number follows
  int param = 0;            // Word: the number; Hex: the byte
  char byte = 0;            // Symbol: the character after '\'; Text: the byte
  bool groupStart = false;  // Star: the first word of its group
};

class Tokenizer {
 public:
  explicit Tokenizer(const QByteArray& data) : m_data(data) {}

  // Goes on reading at `pos`; `groupStart`: a group has just opened there.
  void seek(qsizetype pos, bool groupStart);
  Token next();
  // Steps over the rest of a group whose '{' was read, building nothing, so
  // its size and nesting cost nothing but the scan. False when the file
  // ends first.
  bool skipGroupRest();

 private:
  bool atEnd() const { return m_pos >= m_data.size(); }
  bool readControl(Token* token);

  const QByteArray& m_data;
  qsizetype m_pos = 0;
  bool m_atGroupStart = false;  // nothing read yet since the last '{'
};

}  // namespace qv::rtfread
