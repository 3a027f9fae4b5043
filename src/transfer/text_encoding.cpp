#include "transfer/text_encoding.h"

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

}  // namespace qv
