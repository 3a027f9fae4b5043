#include "fuzz_parsers.h"

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "richtext/rtf.h"
#include "store/apollo_env.h"
#include "store/ini_file.h"
#include "store/messages.h"
#include "store/table_object.h"
#include "transfer/ascii_import.h"
#include "transfer/ascii_lines.h"
#include "transfer/csv.h"
#include "transfer/dbf_import.h"
#include "transfer/vcard.h"

namespace qvfuzz {
namespace {

using Finding = std::function<void(const std::string&)>;

// The table object tells its failures; a fuzz run has no one to tell.
class SilentMessages : public qv::MessageService {
 public:
  void information(const QString&) override {}
  bool question(const QString&, bool defaultYes) override { return defaultYes; }
};

std::vector<std::string> SeedFiles(const std::string& dir) {
  std::vector<std::string> seeds;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

QString Path(const std::string& path) { return QString::fromLocal8Bit(path.c_str()); }

// A file that reads is read whole; one refused says why. What we write
// from a document we read must read back to the same text.
void DriveRtf(const std::string& bytes, const Finding& finding) {
  qv::RichDocument doc;
  const qv::RtfReadResult r = qv::ReadRtf(QByteArray(bytes.data(), qsizetype(bytes.size())), &doc);
  if (!r.ok) {
    if (r.error.isEmpty()) finding("an RTF file refused without a message");
    return;
  }
  qv::RichDocument again;
  if (!qv::ReadRtf(qv::WriteRtf(doc), &again).ok) finding("the RTF we write does not read back");
  if (again.doc().toPlainText() != doc.doc().toPlainText()) finding("the RTF we write reads back to other text");
}

void DriveCsv(const std::string& path, const Finding& finding) {
  qv::CsvFile file;
  QString error;
  if (!qv::ScanCsvFile(Path(path), &file, &error)) {
    if (error.isEmpty()) finding("a CSV file refused without a message");
    return;
  }
  if (file.header.size() > qv::kCsvMaxColumns) finding("a CSV header past the column limit");
  qv::CsvRowSource source(file, qv::ProposeCsvMatch(file.header));
  if (!source.open(&error)) {
    if (error.isEmpty()) finding("a scanned CSV file that will not open, without a message");
    return;
  }
  qv::ImportRow row;
  std::int64_t rows = 0;
  while (source.next(&row, &error)) {
    if (++rows > file.records) finding("more CSV rows than the scan counted");
  }
}

void DriveVcard(const std::string& path, const std::string& bytes, const Finding& finding) {
  std::vector<qv::ImportRow> rows;
  QString error;
  const bool parsed =
      qv::ParseVcards(QByteArray(bytes.data(), qsizetype(bytes.size())), qv::ProgramDates(), &rows, &error);
  if (!parsed && error.isEmpty()) finding("a vCard file refused without a message");
  qv::VcardRowSource source(Path(path));
  error.clear();
  if (!source.open(&error)) {
    if (error.isEmpty()) finding("a vCard file that will not open, without a message");
    if (parsed) finding("a vCard file parsed whole but refused by the import");
    return;
  }
  qv::ImportRow row;
  std::int64_t n = 0;
  while (source.next(&row, &error)) ++n;
  if (parsed && n != std::int64_t(rows.size())) finding("the import reads other cards than the check");
}

// Lines within their limits, then the import's rows over the sampled columns.
void DriveAscii(const std::string& path, const Finding& finding) {
  qv::AsciiSample sample;
  QString error;
  if (!qv::SampleAsciiFile(Path(path), &sample, &error)) {
    if (error.isEmpty()) finding("a text file refused without a message");
    return;
  }
  std::int64_t count = 0;
  if (!qv::CountAsciiLines(Path(path), &count, &error)) return;
  qv::AsciiLineReader reader;
  if (!reader.open(Path(path), &error)) finding("a counted text file that will not open");
  QString line;
  std::int64_t lines = 0;
  while (reader.next(&line)) {
    ++lines;
    if (line.size() > qv::kAsciiLineChars) finding("a line longer than the limit");
    for (const QString& v : qv::SplitAsciiLine(line)) {
      if (v.size() > qv::kAsciiValueChars) finding("a value longer than the limit");
      (void)qv::CleanAsciiValue(v);
    }
  }
  if (lines > std::max<std::int64_t>(count, 1)) finding("more lines read than counted");
  if (sample.columnCount <= 0) return;
  qv::AsciiMatch match(size_t(sample.columnCount));
  match[0] = qv::ContactTarget::Last;
  match.back() = qv::ContactTarget::Memo;
  qv::AsciiRowSource source(Path(path), sample.columnCount, match);
  if (!source.open(&error)) return;
  qv::ImportRow row;
  while (source.next(&row, &error)) {
  }
}

// A write changes only its key: every other key reads as before.
void DriveIni(const std::string& path, const Finding& finding) {
  qv::IniFile ini(Path(path));
  QString message;
  const bool readable = ini.readable(&message);
  if (!readable && message.isEmpty()) finding("an unreadable settings file without a message");
  const QString keys[][2] = {{"Date", "DateSeparator"}, {"MRU", "Item2"}, {"adding", "PlugDate"},
                             {"Window", "Width"}, {"Fuzz", "Key"}};
  QString before[5];
  for (int i = 0; i < 5; ++i) before[i] = ini.readString(keys[i][0], keys[i][1], QStringLiteral("-"));
  const bool wrote = ini.writeString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QStringLiteral("v 1"));
  if (wrote != readable) finding("a settings write that does not follow the file's readability");
  if (!wrote) return;
  if (ini.readString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QString()) != QLatin1String("v 1")) {
    finding("a written setting does not read back");
  }
  for (int i = 0; i < 4; ++i) {
    if (ini.readString(keys[i][0], keys[i][1], QStringLiteral("-")) != before[i]) {
      finding("a settings write changed another key");
    }
  }
}

// The field list, the proposal and the match grid, then every row.
void DriveDbfImport(const std::string& path, const Finding& finding) {
  qv::TApolloEnv env;
  qv::TableObject source(&env);
  QString message;
  if (!qv::OpenDbfSource(Path(path), source, &message)) {
    if (message.isEmpty()) finding("a DBF source refused without a message");
    return;
  }
  std::vector<qv::DbfSourceField> fields = qv::ReadSourceFields(source);
  for (const qv::DbfSourceField& f : fields) (void)qv::AutoTarget(f);
  QStringList grid = qv::OpenMatchGrid(&fields, false);
  if (grid.size() != qv::kDbfMatchRows) finding("a match grid without its 17 rows");
  (void)qv::SaveMatchGrid(grid, &fields);
  for (int row = 0; row < qv::kDbfMatchRows; ++row) {
    const QStringList choices = qv::SelectableFields(fields, row);
    if (choices.size() > 1) qv::SelectFieldInRow(&grid, row, choices.last());
  }
  (void)qv::SaveMatchGrid(grid, &fields);
  qv::DbfRowSource rows(source, fields);
  qv::ImportRow row;
  QString error;
  std::int64_t n = 0;
  while (rows.next(&row, &error)) {
    if (++n > rows.expected()) finding("more DBF rows than the table counts");
  }
  (void)source.close();
}

}  // namespace

std::map<std::string, ParserTarget> ParserTargets(
    const std::string& seedDir, const std::map<std::string, std::vector<std::string>>& extraSeeds,
    const Finding& finding) {
  static SilentMessages silent;
  qv::InstallMessageService(&silent);
  std::map<std::string, ParserTarget> targets;
  targets["rtf"] = {{}, "in.rtf", 64,
                    [finding](const std::string&, const std::string& b) { DriveRtf(b, finding); }};
  targets["csv"] = {{}, "in.csv", 128,
                    [finding](const std::string& p, const std::string&) { DriveCsv(p, finding); }};
  targets["vcard"] = {{}, "in.vcf", 0, [finding](const std::string& p, const std::string& b) {
                        DriveVcard(p, b, finding);
                      }};
  targets["ascii"] = {{}, "in.txt", 0,
                      [finding](const std::string& p, const std::string&) { DriveAscii(p, finding); }};
  targets["ini"] = {{}, "QUORVA.INI", 0,
                    [finding](const std::string& p, const std::string&) { DriveIni(p, finding); }};
  targets["dbfimport"] = {{}, "in.dbf", 32 + 32 * 8, [finding](const std::string& p, const std::string&) {
                            DriveDbfImport(p, finding);
                          }};
  for (auto& [name, target] : targets) {
    target.seeds = SeedFiles(seedDir + "/" + name);
    auto extra = extraSeeds.find(name);
    if (extra != extraSeeds.end()) target.seeds.insert(target.seeds.end(), extra->second.begin(), extra->second.end());
    if (target.seeds.empty()) target.seeds.push_back(std::string());
  }
  return targets;
}

}  // namespace qvfuzz
