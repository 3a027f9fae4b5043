// Tab-separated values as the command line tool reads and prints them:
// backslash, tab, CR and LF inside a value are written \\ \t \r \n.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {

std::string Escape(std::string_view value);
std::string Unescape(std::string_view value);
std::vector<std::string> SplitTabs(std::string_view line);

}  // namespace qv::cli
