// The readers above the engine as fuzz targets: RTF letters, CSV and vCard
// address books, the text import's lines, the settings file, and the DBF
// import's field mapping. Each damaged input is written to a scratch file
// named `file` (the readers take files) and driven through the reader.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qvfuzz {

struct ParserTarget {
  std::vector<std::string> seeds;  // read from the seed folder, or built
  std::string file;                // the scratch file's name
  size_t hot = 0;                  // header bytes that get half the edits
  // Reads the file at `path` (holding `bytes`); calls `finding` on a fault.
  std::function<void(const std::string& path, const std::string& bytes)> drive;
};

// `seedDir` holds one folder of seed files per target; `extraSeeds` are
// files built at start (the engine targets' table) added to a target.
std::map<std::string, ParserTarget> ParserTargets(
    const std::string& seedDir, const std::map<std::string, std::vector<std::string>>& extraSeeds,
    const std::function<void(const std::string&)>& finding);

}  // namespace qvfuzz
