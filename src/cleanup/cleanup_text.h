// Text rules of the data-quality jobs, on the stored bytes (Windows-1252):
// xBase capitals, the left-to-right replacement of matching text, a string
// literal any value can be written as, and the keys of the similar-record
// check (a phonetic key of a name, a street line in a normal form).
#pragma once

#include <string>
#include <string_view>

namespace qv {

// Only the letters a to z change, as the engine's UPPER does.
std::string AsciiUpper(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Every occurrence of `find` in `text` replaced by `with`, scanning from the
// left and going on after each replacement, so replaced text is never
// searched again. With `ignoreCase` the letters a to z match either case.
// An empty `find` changes nothing.
std::string ReplaceMatches(std::string_view text, std::string_view find, std::string_view with,
                           bool ignoreCase);

// An xBase string literal whose value is `value`, whatever quotes it holds:
// a delimiter the value does not use, or the pieces joined with CHR(34).
std::string XbaseLiteral(std::string_view value);

// American Soundex: the first letter and three digits ("Robert" R163);
// empty when the text holds no letter.
std::string Soundex(std::string_view name);

// A street line for comparing: capitals, punctuation as blanks, single
// blanks, and the postal abbreviations of street suffixes, directions and
// unit names ("North Main Street, Apt. 4" -> "N MAIN ST APT 4").
std::string NormalStreet(std::string_view street);

// Trailing blanks removed.
std::string_view TrimRight(std::string_view text);

}  // namespace qv
