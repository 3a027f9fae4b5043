#include "store/codepage.h"

namespace qv {

namespace {

// Bytes 0x80..0x9F. The five bytes Windows leaves undefined map to the C1
// control of the same number, so every byte survives a round trip.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool EncodeChar(char16_t c, char* out) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    *out = static_cast<char>(c);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c) {
      *out = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

}  // namespace

QString DecodeAnsi(std::string_view bytes) {
  QString out;
  out.resize(static_cast<qsizetype>(bytes.size()));
  QChar* d = out.data();
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    d[i] = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
  }
  return out;
}

bool EncodeAnsi(const QString& text, std::string* out, QString* bad) {
  out->clear();
  out->reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    char b;
    if (!EncodeChar(text.at(i).unicode(), &b)) {
      if (bad != nullptr) {
        // Half a surrogate pair would show as a replacement box in a message.
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        *bad = text.mid(i, pair ? 2 : 1);
      }
      return false;
    }
    out->push_back(b);
  }
  return true;
}

}  // namespace qv
