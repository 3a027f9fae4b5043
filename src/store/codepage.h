// Text in contact files is Windows-1252, the code page of files written on
// Windows. These convert between it and Qt strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace qv {

QString DecodeAnsi(std::string_view bytes);

// False when `text` holds a character the code page does not have; *bad
// then holds the first one (two UTF-16 units for characters beyond the
// Basic Multilingual Plane, such as emoji).
bool EncodeAnsi(const QString& text, std::string* out, QString* bad = nullptr);

}  // namespace qv
