#include "transfer/text_encoding.h"

#include <iconv.h>

#include "store/codepage.h"

namespace qv {

namespace {

// Length of the UTF-8 sequence `lead` starts, 0 when it cannot start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

TextEncoding DetectTextEncoding(QByteArrayView head) {
  if (head.startsWith("\xEF\xBB\xBF")) return TextEncoding::Utf8WithBom;
  const qsizetype n = head.size();
  for (qsizetype i = 0; i < n;) {
    const auto lead = static_cast<unsigned char>(head[i]);
    const int length = SequenceLength(lead);
    if (length == 0) return TextEncoding::Windows1252;
    if (i + length > n) break;  // cut by the sample's end
    for (int k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(head[i + k]) & 0xC0) != 0x80) return TextEncoding::Windows1252;
    }
    i += length;
  }
  // Plain ASCII reads the same either way.
  return TextEncoding::Utf8;
}

QString DecodeText(QByteArrayView bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::Windows1252) {
    return DecodeAnsi(std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size())));
  }
  return QString::fromUtf8(bytes);
}

int BomLength(TextEncoding encoding) { return encoding == TextEncoding::Utf8WithBom ? 3 : 0; }

bool IsUtf8(QByteArrayView bytes) {
  if (bytes.isEmpty()) return true;
  // A sequence cut at the end counts against it here, unlike in a sample.
  QByteArray probe = bytes.toByteArray();
  probe.append("\n\n\n");  // enough for the longest sequence to meet it
  return DetectTextEncoding(probe) != TextEncoding::Windows1252;
}

bool DecodeCharset(QByteArrayView bytes, const QByteArray& charset, QString* out) {
  out->clear();
  const QByteArray name = charset.trimmed().toUpper();
  if (name == "UTF-8" || name == "UTF8") {
    if (!IsUtf8(bytes)) return false;
    *out = QString::fromUtf8(bytes);
    return true;
  }
  static const QByteArrayView kAnsi[] = {"ISO-8859-1", "ISO8859-1", "LATIN1",   "WINDOWS-1252",
                                         "CP1252",     "US-ASCII",  "ASCII"};
  for (QByteArrayView a : kAnsi) {
    if (name == a) {
      *out = DecodeAnsi(std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size())));
      return true;
    }
  }
  iconv_t cd = iconv_open("UTF-8", name.constData());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  QByteArray utf8;
  utf8.resize(bytes.size() * 4 + 16);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = static_cast<size_t>(bytes.size());
  char* to = utf8.data();
  size_t toLeft = static_cast<size_t>(utf8.size());
  bool ok = iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1);
  // Ends a stateful set's shift sequence (ISO-2022-JP).
  if (ok) ok = iconv(cd, nullptr, nullptr, &to, &toLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return false;
  utf8.resize(utf8.size() - static_cast<qsizetype>(toLeft));
  *out = QString::fromUtf8(utf8);
  return true;
}

}  // namespace qv
