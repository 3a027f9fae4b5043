// The RTF reader's control-word table: each control word and destination
// the reader knows, by the destination it appears in, with what it does to
// the document builder's state. Every other word is stepped over.
#pragma once

#include <QByteArray>

#include "richtext/rtf_reader_builder.h"

namespace qv::rtfread {

struct Word {
  bool hasParam = false;
  int param = 0;
  // A toggle: on unless its number is 0 (\b, \b0).
  bool on() const { return !hasParam || param != 0; }
};

// Acts on control word `word`; `star`: a \* came first in its group, so a
// destination we do not read is stepped over. True when the rest of the
// current group is to be stepped over.
bool HandleWord(Builder& builder, const QByteArray& word, const Word& w, bool star);

// A control symbol: \\ \{ \} \~ \_ and the escaped line break and tab.
// `star` and the result as for HandleWord.
bool HandleSymbol(Builder& builder, char symbol, bool star);

}  // namespace qv::rtfread
