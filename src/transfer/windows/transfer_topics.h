// Help topics of the import and copy-out windows (pages under data/help/).
#pragma once

namespace qv {

constexpr int kTopicAsciiImport = 1100;
constexpr int kTopicAsciiMatch = 1101;
constexpr int kTopicCopyOut = 1102;
constexpr int kTopicDbfImport = 1103;
constexpr int kTopicDbfMatch = 1104;

}  // namespace qv
