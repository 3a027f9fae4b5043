// The RTF tokenizer: bytes to tokens, one at a time.
#include "richtext/rtf_reader_tokens.h"

#include <algorithm>
#include <utility>

namespace qv::rtfread {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int HexValue(char h) {
  if (h >= '0' && h <= '9') return h - '0';
  if (h >= 'a' && h <= 'f') return h - 'a' + 10;
  if (h >= 'A' && h <= 'F') return h - 'A' + 10;
  return -1;
}

}  // namespace

RtfOpening FindOpening(const QByteArray& data) {
  RtfOpening opening;
  qsizetype start = 0;
  while (start < data.size() && IsSpace(data[start])) ++start;
  // Some writers break the line between '{' and \rtf1.
  qsizetype word = start + 1;
  while (word < data.size() && IsSpace(data[word])) ++word;
  opening.brace = start;
  opening.word = word;
  const bool brace = start < data.size() && data[start] == '{';
  if (brace && data.mid(word, 4) == "\\rtf") {
    opening.kind = RtfOpening::Header;
  } else if (brace && word + 1 < data.size() && data[word] == '\\' && IsLetter(data[word + 1])) {
    opening.kind = RtfOpening::Fragment;
  }
  return opening;
}

void Tokenizer::seek(qsizetype pos, bool groupStart) {
  m_pos = pos;
  m_atGroupStart = groupStart;
}

Token Tokenizer::next() {
  Token token;
  while (!atEnd()) {
    const char c = m_data[m_pos];
    if (c != '{' && c != '\\' && c != '\r' && c != '\n') m_atGroupStart = false;
    ++m_pos;
    if (c == '{') {
      m_atGroupStart = true;
      token.kind = Token::Open;
      return token;
    }
    if (c == '}') {
      token.kind = Token::Close;
      return token;
    }
    if (c == '\\') {
      if (readControl(&token)) return token;
      continue;
    }
    if (c == '\r' || c == '\n') continue;
    token.kind = Token::Text;
    token.byte = c;
    return token;
  }
  token.kind = Token::End;
  return token;
}

// Reads what follows a backslash; false when it gives no token (\bin data,
// a \' without digits, a backslash at the end).
bool Tokenizer::readControl(Token* token) {
  const bool groupStart = std::exchange(m_atGroupStart, false);
  if (atEnd()) return false;
  const char c = m_data[m_pos];
  if (!IsLetter(c)) {
    ++m_pos;
    if (c == '\'') {
      int value = 0;
      int digits = 0;
      while (digits < 2 && !atEnd()) {
        const int v = HexValue(m_data[m_pos]);
        if (v < 0) break;
        value = value * 16 + v;
        ++m_pos;
        ++digits;
      }
      if (digits == 0) return false;
      token->kind = Token::Hex;
      token->param = value;
      return true;
    }
    if (c == '*') {
      token->kind = Token::Star;
      token->groupStart = groupStart;
      return true;
    }
    token->kind = Token::Symbol;
    token->byte = c;
    return true;
  }
  const qsizetype wordStart = m_pos;
  while (!atEnd() && m_pos - wordStart < 32 && IsLetter(m_data[m_pos])) ++m_pos;
  token->word = m_data.mid(wordStart, m_pos - wordStart);
  bool negative = false;
  long long value = 0;
  if (!atEnd() && m_data[m_pos] == '-') {
    negative = true;
    ++m_pos;
  }
  int digits = 0;
  while (!atEnd() && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
    if (digits < 10) value = value * 10 + (m_data[m_pos] - '0');
    ++digits;
    ++m_pos;
    token->hasParam = true;
  }
  if (!atEnd() && m_data[m_pos] == ' ') ++m_pos;
  if (negative) value = -value;
  if (token->word == "bin") {
    const long long count = token->hasParam ? std::max<long long>(0, value) : 0;
    m_pos = qsizetype(std::min<long long>(m_data.size(), m_pos + count));
    return false;
  }
  token->kind = Token::Word;
  token->param = int(std::max<long long>(-2147483647, std::min<long long>(2147483647, value)));
  return true;
}

bool Tokenizer::skipGroupRest() {
  long long depth = 1;
  while (!atEnd()) {
    const char c = m_data[m_pos++];
    if (c == '\\') {
      if (atEnd()) break;
      const char n = m_data[m_pos];
      if (n == '{' || n == '}' || n == '\\') {
        ++m_pos;
      } else if (m_data.mid(m_pos, 3) == "bin") {
        qsizetype p = m_pos + 3;
        long long count = 0;
        int digits = 0;
        while (p < m_data.size() && m_data[p] >= '0' && m_data[p] <= '9' && digits < 10) {
          count = count * 10 + (m_data[p] - '0');
          ++p;
          ++digits;
        }
        if (p < m_data.size() && m_data[p] == ' ') ++p;
        m_pos = qsizetype(std::min<long long>(m_data.size(), p + count));
      }
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth == 0) return true;
    }
  }
  return false;
}

}  // namespace qv::rtfread
