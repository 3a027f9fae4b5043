// Text in contact files is Windows-1252, the code page of files written on
// Windows. These convert between it and Qt strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace qv {

QString DecodeAnsi(std::string_view bytes);

// False when `text` holds a character the code page does not have; *bad
// then names the first one.
bool EncodeAnsi(const QString& text, std::string* out, QChar* bad = nullptr);

}  // namespace qv
