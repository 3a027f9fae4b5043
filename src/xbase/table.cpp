// DBF tables: header parsing and validation, record access with a
// read-ahead window, appends ordered for crash safety, memo fields, and
// copies (PACK, COPY TO) built beside the table and renamed into place.
#include "xbase/table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>

#include "coding.h"
#include "dbf_format.h"
#include "file.h"
#include "fpt_format.h"
#include "memo_file.h"

namespace xb {

namespace {

// Sequential Go() reads this much at once; ReadRecords is the bulk path.
constexpr size_t kReadAheadBytes = 64 * 1024;
constexpr size_t kCopyChunkBytes = 1 << 20;
// Beside the table while PACK runs. The memo temp doubles as the commit
// marker: once it is gone, the new table is complete and must replace the
// old one (see docs/formats/dbf.md, "Pack").
constexpr const char* kPackTableSuffix = ".pack-new";
constexpr const char* kPackMemoSuffix = ".pack-memo";

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDbase7(uint8_t sig) { return sig == dbf::kSigDbase7 || sig == dbf::kSigDbase7Memo; }

bool IsVfp(uint8_t sig) {
  return sig == dbf::kSigVfp || sig == dbf::kSigVfpAutoinc || sig == dbf::kSigVfpVarchar;
}

// In Visual FoxPro, B is a double; before it, B was a binary memo.
bool IsMemoType(char type, bool vfp) {
  switch (type) {
    case 'M':
    case 'G':
    case 'P':
    case 'W':
      return true;
    case 'B':
      return !vfp;
    default:
      return false;
  }
}

// Visual FoxPro stores these as binary numbers: a blank record holds zeros.
bool IsBinaryField(const FieldInfo& f, bool vfp) {
  if (!vfp) return false;
  switch (f.type) {
    case 'I':
    case 'Y':
    case 'T':
    case 'B':
    case 'Q':
    case '0':
      return true;
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      return f.width == dbf::kBinaryMemoPointerWidth;
    default:
      return false;
  }
}

std::string Hex(uint8_t v) {
  static const char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[v >> 4] + kDigits[v & 15];
}

// The name a new companion file gets: the table's base name with a
// lower-case extension (x.DBF -> x.fpt), the name xBase tools on Linux look
// for. Existing companions are found in any letter case.
std::string CompanionPath(const std::string& path, const std::string& upper_ext) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  std::string base = has_ext ? path.substr(0, dot) : path;
  std::string ext = upper_ext;
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return base + "." + ext;
}

void StampToday(std::string* header) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  (*header)[dbf::kOffUpdateYear] = static_cast<char>(tm.tm_year);  // years since 1900
  (*header)[dbf::kOffUpdateMonth] = static_cast<char>(tm.tm_mon + 1);
  (*header)[dbf::kOffUpdateDay] = static_cast<char>(tm.tm_mday);
}

Status DecodeMemoPointer(std::string_view bytes, uint32_t* block) {
  *block = 0;
  if (bytes.size() == dbf::kBinaryMemoPointerWidth) {
    *block = DecodeLE32(bytes.data());
    return Status::OK();
  }
  size_t i = 0;
  while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\0')) ++i;
  uint64_t value = 0;
  for (; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(bytes[i] - '0');
    if (value > 0xFFFFFFFFull) return Status::Corruption("memo block number is too large");
  }
  for (; i < bytes.size(); ++i) {
    if (bytes[i] != ' ' && bytes[i] != '\0') {
      return Status::Corruption("memo pointer \"" + std::string(bytes) +
                                "\" is not a block number");
    }
  }
  *block = static_cast<uint32_t>(value);
  return Status::OK();
}

// Blanks (or zeros for binary pointers) when there is no memo.
Status EncodeMemoPointer(uint32_t block, char* dst, size_t width) {
  if (width == dbf::kBinaryMemoPointerWidth) {
    EncodeLE32(dst, block);
    return Status::OK();
  }
  std::memset(dst, ' ', width);
  if (block == 0) return Status::OK();
  std::string digits = std::to_string(block);
  if (digits.size() > width) {
    return Status::InvalidArgument("memo block number does not fit its field");
  }
  std::memcpy(dst + width - digits.size(), digits.data(), digits.size());
  return Status::OK();
}

struct Layout {
  uint8_t signature = 0;
  uint8_t language_driver = 0;
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  uint32_t record_count = 0;  // whole records, never more than the file holds
  uint32_t header_count = 0;  // what the header says; more only when cut off
  bool vfp = false;
  std::vector<FieldInfo> fields;      // the ones callers see
  std::vector<FieldInfo> all_fields;  // with hidden system fields
  bool has_memo_fields = false;
};

Status CheckSignature(uint8_t sig, const std::string& path) {
  switch (sig) {
    case dbf::kSigDbase3:
    case dbf::kSigDbase3Memo:
    case dbf::kSigDbase4Memo:
    case dbf::kSigDbase4SqlMemo:
    case dbf::kSigDbase4Sql:
    case dbf::kSigDbase4SqlSys:
    case dbf::kSigFoxBaseMemo:
    case dbf::kSigFoxPro2Memo:
    case dbf::kSigVfp:
    case dbf::kSigVfpAutoinc:
    case dbf::kSigVfpVarchar:
    case 0x8E:
      return Status::OK();
    case dbf::kSigDbase7:
    case dbf::kSigDbase7Memo:
      return Status::OK();
    case dbf::kSigDbase2:
      return Status::NotSupported(path + " is a dBASE II or FoxBase table, which is not supported");
    default:
      return Status::Corruption(path + " is not a dBASE or FoxPro table (signature " + Hex(sig) +
                                ")");
  }
}

// Validates everything the header claims against itself and the file size.
Status ParseHeader(const std::string& path, const std::string& header, uint64_t file_size,
                   Layout* out) {
  const char* h = header.data();
  Layout lay;
  lay.signature = static_cast<uint8_t>(h[dbf::kOffSignature]);
  lay.language_driver = static_cast<uint8_t>(h[dbf::kOffLanguageDriver]);
  lay.header_length = static_cast<uint16_t>(DecodeLE16(h + dbf::kOffHeaderLength));
  lay.record_length = static_cast<uint16_t>(DecodeLE16(h + dbf::kOffRecordLength));
  lay.record_count = DecodeLE32(h + dbf::kOffRecordCount);
  lay.vfp = IsVfp(lay.signature);
  const bool dbase7 = IsDbase7(lay.signature);
  const int descriptor_size = dbase7 ? dbf::kDbase7DescriptorSize : dbf::kDescriptorSize;
  const int name_bytes = dbase7 ? dbf::kDbase7FieldNameBytes : dbf::kFieldNameBytes;

  struct Raw {
    std::string name;
    char type;
    uint8_t len, dec, flags;
  };
  std::vector<Raw> raw;
  size_t pos = dbase7 ? dbf::kDbase7HeaderSize : dbf::kHeaderSize;
  bool terminated = false;
  while (pos < header.size()) {
    if (h[pos] == dbf::kHeaderTerminator) {
      terminated = true;
      break;
    }
    if (pos + descriptor_size > header.size()) break;
    const char* d = h + pos;
    Raw r;
    for (int i = 0; i < name_bytes && d[i] != '\0'; ++i) r.name.push_back(Upper(d[i]));
    while (!r.name.empty() && r.name.back() == ' ') r.name.pop_back();
    if (dbase7) {
      r.type = d[dbf::kOffDbase7FieldType];
      r.len = static_cast<uint8_t>(d[dbf::kOffDbase7FieldLength]);
      r.dec = static_cast<uint8_t>(d[dbf::kOffDbase7FieldDecimals]);
      r.flags = 0;
    } else {
      r.type = Upper(d[dbf::kOffFieldType]);
      r.len = static_cast<uint8_t>(d[dbf::kOffFieldLength]);
      r.dec = static_cast<uint8_t>(d[dbf::kOffFieldDecimals]);
      r.flags = lay.vfp ? static_cast<uint8_t>(d[dbf::kOffFieldFlags]) : 0;
    }
    raw.push_back(std::move(r));
    pos += descriptor_size;
  }
  if (!terminated) {
    return Status::Corruption(path + ": the field list has no end marker (0x0D) within the " +
                              std::to_string(lay.header_length) + "-byte header");
  }
  // GIS tools write tables without fields (shapes without attributes), and
  // more than 255 fields: both read. The header length bounds the count.

  // Clipper and Harbour keep character widths above 255 in the decimals
  // byte; take that reading only when it is what makes the record add up.
  auto total = [&](bool wide_char) {
    uint64_t sum = 1;
    for (const Raw& r : raw) sum += r.len + (wide_char && r.type == 'C' ? r.dec * 256u : 0u);
    return sum;
  };
  bool wide_char = false;
  if (total(false) != lay.record_length && total(true) == lay.record_length) wide_char = true;
  if (total(wide_char) != lay.record_length) {
    return Status::Corruption(path + ": record length " + std::to_string(lay.record_length) +
                              " does not match its fields (" + std::to_string(total(false)) +
                              " bytes)");
  }

  // Visual FoxPro numbers the bits of _NullFlags in field order: a V or Q
  // field takes one for "shorter than the field", then a nullable field one
  // for NULL.
  uint32_t flags_offset = 0, flags_width = 0;
  {
    uint32_t at = 1;
    for (const Raw& r : raw) {
      if (r.type == '0' && (r.flags & dbf::kFieldFlagSystem) != 0) {
        flags_offset = at;
        flags_width = r.len;
      }
      at += r.len + (wide_char && r.type == 'C' ? r.dec * 256u : 0u);
    }
  }
  int next_bit = 0;
  auto take_bit = [&]() -> int16_t {
    if (next_bit >= static_cast<int>(flags_width) * 8) return -1;
    return static_cast<int16_t>(next_bit++);
  };

  uint32_t offset = 1;
  for (size_t i = 0; i < raw.size(); ++i) {
    const Raw& r = raw[i];
    std::string label = "field " + std::to_string(i + 1);
    if (r.name.empty()) return Status::Corruption(path + ": " + label + " has no name");
    FieldInfo f;
    f.name = r.name;
    f.type = r.type;
    f.width = static_cast<uint16_t>(r.len + (wide_char && r.type == 'C' ? r.dec * 256u : 0u));
    f.decimals = (wide_char && r.type == 'C') ? 0 : r.dec;
    f.offset = offset;
    f.dbase7 = dbase7;
    if (f.width == 0) {
      return Status::Corruption(path + ": " + label + " (" + f.name + ") has width 0");
    }
    offset += f.width;
    if (flags_width > 0 && f.type != '0') {
      f.flags_offset = flags_offset;
      if (f.type == 'V' || f.type == 'Q') f.length_bit = take_bit();
      if ((r.flags & dbf::kFieldFlagNullable) != 0) f.null_bit = take_bit();
    }
    // A name used before: the later field gets a number, so each can be
    // told apart and reached by its own name.
    for (int n = 2; FindField(lay.all_fields, f.name) >= 0; ++n) {
      f.name = r.name + " (" + std::to_string(n) + ")";
    }
    if (IsMemoType(f.type, lay.vfp)) lay.has_memo_fields = true;
    lay.all_fields.push_back(f);
    if ((r.flags & dbf::kFieldFlagSystem) == 0) lay.fields.push_back(f);
  }

  // A file cut off at its end still shows the whole records it holds, as
  // other xBase tools do; the count it claims is kept to report the damage.
  lay.header_count = lay.record_count;
  uint64_t needed = static_cast<uint64_t>(lay.header_length) +
                    static_cast<uint64_t>(lay.record_count) * lay.record_length;
  if (needed > file_size) {
    lay.record_count =
        static_cast<uint32_t>((file_size - lay.header_length) / lay.record_length);
  }
  *out = std::move(lay);
  return Status::OK();
}

Status ReadHeader(File* file, Layout* lay, std::string* header) {
  const std::string& path = file->path();
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(file->Size(&size));
  if (size < dbf::kHeaderSize) {
    return Status::Corruption(path + " is too short to be a table (" + std::to_string(size) +
                              " bytes)");
  }
  char head[dbf::kHeaderSize];
  XB_RETURN_IF_ERROR(file->ReadExact(0, sizeof head, head, "table header"));
  XB_RETURN_IF_ERROR(CheckSignature(static_cast<uint8_t>(head[0]), path));
  uint32_t header_length = DecodeLE16(head + dbf::kOffHeaderLength);
  uint32_t record_length = DecodeLE16(head + dbf::kOffRecordLength);
  const uint32_t smallest = IsDbase7(static_cast<uint8_t>(head[0])) ? dbf::kDbase7HeaderSize + 1
                                                                    : dbf::kHeaderSize + 1;
  if (header_length < smallest) {
    return Status::Corruption(path + ": impossible header length " + std::to_string(header_length));
  }
  if (header_length > size) {
    return Status::Corruption(path + ": header length " + std::to_string(header_length) +
                              " is past the end of the file (" + std::to_string(size) + " bytes)");
  }
  if (record_length < 1) {
    return Status::Corruption(path + ": impossible record length " + std::to_string(record_length));
  }
  header->resize(header_length);
  XB_RETURN_IF_ERROR(file->ReadExact(0, header_length, header->data(), "table header"));
  return ParseHeader(path, *header, size, lay);
}

MemoKind MemoKindFor(uint8_t sig) {
  switch (sig) {
    case dbf::kSigDbase3Memo:
      return MemoKind::kDbt3;
    case dbf::kSigDbase4Memo:
    case dbf::kSigDbase4SqlMemo:
    case dbf::kSigDbase7Memo:
    case 0x8E:
      return MemoKind::kDbt4;
    default:
      return MemoKind::kFpt;
  }
}

std::string MemoExtension(MemoKind kind) { return kind == MemoKind::kFpt ? "FPT" : "DBT"; }

Status ValidateFields(const std::vector<FieldDef>& defs, std::vector<FieldInfo>* out) {
  if (defs.empty()) return Status::InvalidArgument("a table needs at least one field");
  if (defs.size() > dbf::kMaxFields) {
    return Status::InvalidArgument("a table can have at most 255 fields");
  }
  uint32_t offset = 1;
  for (const FieldDef& d : defs) {
    FieldInfo f;
    for (char c : d.name) f.name.push_back(Upper(c));
    f.type = Upper(d.type);
    f.width = d.width;
    f.decimals = d.decimals;
    const std::string& n = f.name;
    if (n.empty() || n.size() > dbf::kMaxFieldName) {
      return Status::InvalidArgument("field name \"" + d.name + "\" must have 1 to 10 characters");
    }
    bool name_ok = n[0] >= 'A' && n[0] <= 'Z';
    for (char c : n)
      name_ok = name_ok && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    if (!name_ok) {
      return Status::InvalidArgument(
          "field name \"" + d.name +
          "\" must start with a letter and hold only letters, digits and _");
    }
    if (FindField(*out, n) >= 0) {
      return Status::InvalidArgument("field name " + n + " appears twice");
    }
    std::string label = "field " + n;
    switch (f.type) {
      case 'C':
        if (f.width < 1 || f.width > dbf::kMaxCharWidth) {
          return Status::InvalidArgument(label + ": character width must be 1 to 254");
        }
        if (f.decimals != 0)
          return Status::InvalidArgument(label + ": character fields have no decimals");
        break;
      case 'N':
      case 'F':
        if (f.width < 1 || f.width > dbf::kMaxNumericWidth) {
          return Status::InvalidArgument(label + ": numeric width must be 1 to 20");
        }
        if (f.decimals > 0 && f.decimals + 2 > f.width) {
          return Status::InvalidArgument(label + ": too many decimals for the width");
        }
        break;
      case 'D':
      case 'L':
      case 'M': {
        uint16_t fixed = f.type == 'D' ? 8 : f.type == 'L' ? 1 : dbf::kMemoPointerWidth;
        if (f.width != 0 && f.width != fixed) {
          return Status::InvalidArgument(label + ": width must be " + std::to_string(fixed));
        }
        f.width = fixed;
        f.decimals = 0;
        break;
      }
      default:
        return Status::InvalidArgument(label + ": type " + std::string(1, d.type) +
                                       " cannot be created (use C, N, F, D, L or M)");
    }
    f.offset = offset;
    offset += f.width;
    out->push_back(std::move(f));
  }
  if (offset > dbf::kMaxRecordLength) {
    return Status::InvalidArgument("records would be " + std::to_string(offset) +
                                   " bytes long, more than 65500");
  }
  return Status::OK();
}

std::string BuildHeader(uint8_t signature, const std::vector<FieldInfo>& fields) {
  size_t header_length = dbf::kHeaderSize + fields.size() * dbf::kDescriptorSize + 1;
  std::string h(header_length, '\0');
  h[dbf::kOffSignature] = static_cast<char>(signature);
  StampToday(&h);
  uint32_t record_length = 1;
  for (const FieldInfo& f : fields) record_length += f.width;
  EncodeLE16(&h[dbf::kOffHeaderLength], static_cast<uint32_t>(header_length));
  EncodeLE16(&h[dbf::kOffRecordLength], record_length);
  h[dbf::kOffLanguageDriver] = static_cast<char>(dbf::kLanguageDriverNew);
  size_t pos = dbf::kHeaderSize;
  for (const FieldInfo& f : fields) {
    // Names longer than a descriptor holds (dBASE 7's, or "NAME (2)" of a
    // repeated one) are cut to it.
    std::memcpy(&h[pos + dbf::kOffFieldName], f.name.data(),
                std::min<size_t>(f.name.size(), dbf::kMaxFieldName));
    h[pos + dbf::kOffFieldType] = f.type;
    EncodeLE32(&h[pos + dbf::kOffFieldDisplacement], f.offset);
    h[pos + dbf::kOffFieldLength] = static_cast<char>(f.width);
    h[pos + dbf::kOffFieldDecimals] = static_cast<char>(f.decimals);
    pos += dbf::kDescriptorSize;
  }
  h[pos] = dbf::kHeaderTerminator;
  return h;
}

// Opens (creating if needed) and locks a file we are about to fill; the
// lock comes before the truncation so a file in use is never emptied.
Status OpenForFilling(const std::string& path, std::unique_ptr<File>* out) {
  XB_RETURN_IF_ERROR(OpenFile(path, FileMode::kCreate, out));
  Status s = (*out)->Lock(LockKind::kExclusive);
  if (!s.ok() && s.code() != Status::Code::kNotSupported) return s;
  return (*out)->Truncate(0);
}

struct CopyTarget {
  std::string dbf_path;
  std::unique_ptr<File> dbf;
  std::unique_ptr<MemoFile> memo;  // null when the table has no memo fields
  std::string header;
  uint32_t count = 0;
  uint64_t next_offset = 0;
};

}  // namespace

struct Table::Rep {
  std::string path;
  std::string memo_path;
  OpenOptions options;
  std::unique_ptr<File> file;
  std::unique_ptr<MemoFile> memo;
  std::string header;
  Layout lay;

  uint32_t recno = 0;
  std::string record;
  bool dirty = false;
  // An exclusive append counts its record in the header only when the
  // record is written, so a crash never leaves a blank record counted.
  bool count_pending = false;
  bool header_stamped = false;
  bool batching = false;
  std::string batch;
  uint32_t batch_first = 0;
  // Memo blocks written since the memo file was last synced. They reach
  // the disk before any record naming them, so a power cut never leaves a
  // pointer to text that was lost.
  bool memo_unsynced = false;

  // The first memo pointer seen that points into the memo file's header.
  std::atomic<uint32_t> block_in_header{0};

  std::string ahead;  // records [ahead_first, ahead_first + ahead_count)
  uint32_t ahead_first = 0;
  uint32_t ahead_count = 0;
  uint32_t last_loaded = 0;

  uint64_t RecordOffset(uint32_t n) const {
    return lay.header_length + static_cast<uint64_t>(n - 1) * lay.record_length;
  }

  Status CheckOpen() const {
    if (!file) return Status::InvalidArgument(path + " is closed");
    return Status::OK();
  }
  Status CheckWritable() const {
    XB_RETURN_IF_ERROR(CheckOpen());
    if (options.read_only) return Status::ReadOnly(path + " is open read-only");
    return Status::OK();
  }
  Status CheckCurrent() const {
    XB_RETURN_IF_ERROR(CheckOpen());
    if (recno == 0) return Status::InvalidArgument(path + ": no current record");
    return Status::OK();
  }
  Status CheckField(int field) const {
    if (field < 0 || static_cast<size_t>(field) >= lay.fields.size()) {
      return Status::InvalidArgument(path + ": no field number " + std::to_string(field));
    }
    return Status::OK();
  }
  Status CheckMemoField(int field) const {
    XB_RETURN_IF_ERROR(CheckField(field));
    if (!IsMemoType(lay.fields[field].type, lay.vfp)) {
      return Status::InvalidArgument(path + ": field " + lay.fields[field].name +
                                     " is not a memo field");
    }
    return Status::OK();
  }

  std::string BlankRecord() const {
    std::string r(lay.record_length, ' ');
    for (const FieldInfo& f : lay.all_fields) {
      if (IsBinaryField(f, lay.vfp)) std::memset(&r[f.offset], 0, f.width);
    }
    return r;
  }

  // Writes the last-update date, and the record count when `with_count`.
  // In shared mode only Append (under its lock) knows the true count.
  Status StampHeader(bool with_count) {
    if (!with_count && header_stamped) return Status::OK();
    StampToday(&header);
    EncodeLE32(&header[dbf::kOffRecordCount], lay.record_count);
    size_t n = with_count ? 7 : 3;
    XB_RETURN_IF_ERROR(file->Write(dbf::kOffUpdateYear, std::string_view(&header[1], n)));
    header_stamped = true;
    if (with_count) lay.header_count = lay.record_count;
    return Status::OK();
  }

  Status RefreshCount() {
    char buf[4];
    XB_RETURN_IF_ERROR(file->ReadExact(dbf::kOffRecordCount, 4, buf, "table header"));
    uint32_t count = DecodeLE32(buf);
    uint64_t size = 0;
    XB_RETURN_IF_ERROR(file->Size(&size));
    uint64_t held = size < lay.header_length ? 0 : (size - lay.header_length) / lay.record_length;
    lay.header_count = count;
    lay.record_count = static_cast<uint32_t>(std::min<uint64_t>(count, held));
    EncodeLE32(&header[dbf::kOffRecordCount], lay.record_count);
    return Status::OK();
  }

  // Whole records past the counted ones are appends a crash stopped
  // between writing them and counting them (one record, or one chunk of
  // batched appends). Other xBase tools count them by the file's size, so
  // they are settled here: the run of them that holds values was written
  // in one piece and is counted; from the first blank or foreign one on,
  // and any partial record after them, the rest is cut off.
  Status SettleCutAppend() {
    uint64_t size = 0;
    XB_RETURN_IF_ERROR(file->Size(&size));
    const uint64_t end = RecordOffset(lay.record_count + 1);
    if (size <= end) return Status::OK();
    const uint64_t past = (size - end) / lay.record_length;
    const std::string blank = BlankRecord();
    const size_t rl = lay.record_length;
    const uint64_t batch = std::max<size_t>(1, kCopyChunkBytes / rl);
    uint64_t whole = 0;
    std::string chunk;
    for (bool stopped = false; !stopped && whole < past;) {
      const uint64_t n = std::min(batch, past - whole);
      chunk.resize(static_cast<size_t>(n * rl));
      XB_RETURN_IF_ERROR(file->ReadExact(end + whole * rl, chunk.size(), chunk.data(),
                                         "record area"));
      for (uint64_t i = 0; i < n && !stopped; ++i) {
        const char* rec = chunk.data() + i * rl;
        stopped = (rec[0] != dbf::kNotDeleted && rec[0] != dbf::kDeleted) ||
                  std::memcmp(rec, blank.data(), rl) == 0;
        if (!stopped) ++whole;
      }
    }
    whole = std::min<uint64_t>(whole, 0xFFFFFFFFull - lay.record_count);
    const uint64_t keep = end + whole * rl;
    char marker = 0;
    if (size > keep) XB_RETURN_IF_ERROR(file->ReadExact(keep, 1, &marker, "record area"));
    if (size > keep + 1 || (size == keep + 1 && marker != dbf::kEofMarker)) {
      XB_RETURN_IF_ERROR(file->Truncate(keep));
      XB_RETURN_IF_ERROR(file->Write(keep, std::string_view(&dbf::kEofMarker, 1)));
    }
    if (whole == 0) return Status::OK();
    lay.record_count += static_cast<uint32_t>(whole);
    return StampHeader(true);
  }

  Status SyncMemo() {
    if (!memo_unsynced || !memo) return Status::OK();
    XB_RETURN_IF_ERROR(memo->Sync());
    memo_unsynced = false;
    return Status::OK();
  }

  // A shared append learns its record number only now, under the append
  // lock: the record with its values and the EOF marker first, the count
  // after them, so no other program ever counts a blank or stale record.
  // The sync between them keeps that order through a power cut.
  Status FlushSharedAppend() {
    XB_RETURN_IF_ERROR(SyncMemo());
    XB_RETURN_IF_ERROR(file->LockAppend());
    Status s = RefreshCount();
    const uint32_t n = lay.record_count + 1;
    if (s.ok() && lay.record_count == 0xFFFFFFFFu) s = Status::IOError(path + " is full");
    if (s.ok()) s = file->Write(RecordOffset(n), record + dbf::kEofMarker);
    if (s.ok()) s = file->Sync();
    if (s.ok()) {
      lay.record_count = n;
      s = StampHeader(true);
      if (!s.ok()) lay.record_count = n - 1;
    }
    Status unlocked = file->UnlockAppend();
    if (s.ok()) s = unlocked;
    if (!s.ok()) return s;
    recno = n;
    last_loaded = n;
    dirty = false;
    count_pending = false;
    return Status::OK();
  }

  // Appended records waiting to be written together (see
  // Table::SetAppendBatching), the first of them record `batch_first`.
  // Memos, then the records, then their count, each synced before the
  // next is written.
  Status WriteBatch() {
    if (batch.empty()) return Status::OK();
    XB_RETURN_IF_ERROR(SyncMemo());
    batch.push_back(dbf::kEofMarker);
    Status s = file->Write(RecordOffset(batch_first), batch);
    batch.pop_back();
    XB_RETURN_IF_ERROR(s);
    XB_RETURN_IF_ERROR(file->Sync());
    batch.clear();
    return StampHeader(true);
  }

  // Writes what this table holds back: the current record and, unless
  // `batch_too` is false and the batch is not full yet, the batch.
  Status FlushRecord(bool batch_too = true) {
    XB_RETURN_IF_ERROR(WriteCurrent());
    if (batch_too || batch.size() >= kCopyChunkBytes) return WriteBatch();
    return Status::OK();
  }

  Status WriteCurrent() {
    if (!dirty && !count_pending) return Status::OK();
    if (count_pending && !options.exclusive) return FlushSharedAppend();
    const size_t rl = lay.record_length;
    if (recno >= batch_first && recno - batch_first < batch.size() / rl) {
      // Changed again while it waits in the batch.
      std::memcpy(&batch[static_cast<size_t>(recno - batch_first) * rl], record.data(), rl);
      dirty = false;
      return Status::OK();
    }
    if (count_pending && batching) {
      if (batch.empty()) batch_first = recno;
      batch.append(record);
      dirty = false;
      count_pending = false;
      return Status::OK();
    }
    if (dirty) {
      XB_RETURN_IF_ERROR(SyncMemo());
      XB_RETURN_IF_ERROR(count_pending
                             ? file->Write(RecordOffset(recno), record + dbf::kEofMarker)
                             : file->Write(RecordOffset(recno), record));
      // An appended record is on the disk before the count that takes it.
      if (count_pending) XB_RETURN_IF_ERROR(file->Sync());
      dirty = false;
      if (recno >= ahead_first && recno < ahead_first + ahead_count) {
        std::memcpy(&ahead[static_cast<size_t>(recno - ahead_first) * lay.record_length],
                    record.data(), lay.record_length);
      }
    }
    if (count_pending) {
      XB_RETURN_IF_ERROR(StampHeader(true));
      count_pending = false;
      return Status::OK();
    }
    return StampHeader(false);
  }

  Status Load(uint32_t n) {
    const size_t rl = lay.record_length;
    // A shared table's window serves only the walk that read it; a reader
    // that never writes may walk a shared table in windows too.
    const bool sequential = last_loaded != 0 && n == last_loaded + 1;
    bool cached =
        n >= ahead_first && n < ahead_first + ahead_count && (options.exclusive || sequential);
    if (!cached && (options.exclusive || options.read_only) && sequential) {
      uint32_t want = static_cast<uint32_t>(std::max<size_t>(1, kReadAheadBytes / rl));
      want = std::min(want, lay.record_count - n + 1);
      ahead.resize(static_cast<size_t>(want) * rl);
      Status s = file->ReadExact(RecordOffset(n), ahead.size(), ahead.data(), "record area");
      if (!s.ok()) {
        ahead_count = 0;
        return s;
      }
      ahead_first = n;
      ahead_count = want;
      cached = true;
    }
    record.resize(rl);
    if (cached) {
      std::memcpy(record.data(), &ahead[static_cast<size_t>(n - ahead_first) * rl], rl);
    } else {
      XB_RETURN_IF_ERROR(file->ReadExact(RecordOffset(n), rl, record.data(), "record area"));
    }
    recno = n;
    last_loaded = n;
    return Status::OK();
  }

  // Copies (COPY TO, COPY STRUCTURE, PACK) share one writer.
  Status BeginCopy(const std::string& dbf_path, std::unique_ptr<File> memo_file,
                   CopyTarget* t) const;
  // BeginCopy to a new table at `path`, with a memo file beside it when
  // this table has memo fields.
  Status BeginCopyTo(const std::string& path, CopyTarget* t) const {
    std::unique_ptr<File> memo_file;
    if (lay.has_memo_fields) {
      MemoKind kind = memo ? memo->kind() : MemoKindFor(lay.signature);
      XB_RETURN_IF_ERROR(
          OpenFile(CompanionPath(path, MemoExtension(kind)), FileMode::kCreate, &memo_file));
    }
    return BeginCopy(path, std::move(memo_file), t);
  }
  Status CopyRecords(bool skip_deleted, const ProgressFn& progress, CopyTarget* t);

  void ForgetPosition() {
    recno = 0;
    record.clear();
    dirty = false;
    ahead_count = 0;
    last_loaded = 0;
  }
};

Status Table::Rep::BeginCopy(const std::string& dbf_path, std::unique_ptr<File> memo_file,
                             CopyTarget* t) const {
  const Rep& src = *this;
  t->dbf_path = dbf_path;
  t->header = src.header;
  EncodeLE32(&t->header[dbf::kOffRecordCount], 0);
  StampToday(&t->header);
  // The copy gets no index; FoxPro would look for one if the flag stayed.
  t->header[dbf::kOffTableFlags] =
      static_cast<char>(static_cast<uint8_t>(t->header[dbf::kOffTableFlags]) & ~dbf::kFlagHasCdx);
  // The table's lock first: a memo file of a table in use is never emptied.
  XB_RETURN_IF_ERROR(OpenForFilling(dbf_path, &t->dbf));
  if (memo_file) {
    MemoKind kind = src.memo ? src.memo->kind() : MemoKindFor(src.lay.signature);
    uint32_t block_size = src.memo ? src.memo->block_size() : fpt::kDefaultBlockSize;
    XB_RETURN_IF_ERROR(MemoFile::Create(std::move(memo_file), kind, block_size, &t->memo));
  }
  XB_RETURN_IF_ERROR(t->dbf->Write(0, t->header + dbf::kEofMarker));
  t->next_offset = t->header.size();
  return Status::OK();
}

Status Table::Rep::CopyRecords(bool skip_deleted, const ProgressFn& progress, CopyTarget* t) {
  Rep& src = *this;
  const size_t rl = src.lay.record_length;
  const uint32_t total = src.lay.record_count;
  const uint32_t batch = static_cast<uint32_t>(std::max<size_t>(1, kCopyChunkBytes / rl));
  std::string in(static_cast<size_t>(batch) * rl, '\0');
  std::string out;
  out.reserve(in.size());
  std::vector<const FieldInfo*> memo_fields;
  for (const FieldInfo& f : src.lay.all_fields) {
    if (IsMemoType(f.type, src.lay.vfp)) memo_fields.push_back(&f);
  }
  std::string text;
  int last_percent = -1;
  for (uint32_t first = 1; first <= total;) {
    uint32_t n = std::min(batch, total - first + 1);
    XB_RETURN_IF_ERROR(src.file->ReadExact(src.RecordOffset(first), static_cast<size_t>(n) * rl,
                                           in.data(), "record area"));
    out.clear();
    for (uint32_t i = 0; i < n; ++i) {
      const char* rec = in.data() + static_cast<size_t>(i) * rl;
      if (skip_deleted && rec[0] == dbf::kDeleted) continue;
      size_t at = out.size();
      out.append(rec, rl);
      for (const FieldInfo* f : memo_fields) {
        char* ptr = &out[at + f->offset];
        uint32_t block = 0;
        Status s = DecodeMemoPointer(std::string_view(ptr, f->width), &block);
        if (!s.ok()) {
          return Status::Corruption(src.path + ": record " + std::to_string(first + i) + ", " +
                                    f->name + ": " + s.message());
        }
        if (block == 0) continue;
        if (!src.memo || !t->memo) {
          return Status::Corruption(src.path + ": record " + std::to_string(first + i) +
                                    " points into a memo file the table does not have");
        }
        uint32_t type = 0, new_block = 0;
        XB_RETURN_IF_ERROR(src.memo->Read(block, &text, &type));
        XB_RETURN_IF_ERROR(t->memo->Write(0, type, text, &new_block));
        XB_RETURN_IF_ERROR(EncodeMemoPointer(new_block, ptr, f->width));
      }
      ++t->count;
    }
    XB_RETURN_IF_ERROR(t->dbf->Write(t->next_offset, out));
    t->next_offset += out.size();
    first += n;
    int percent = static_cast<int>(static_cast<uint64_t>(first - 1) * 100 / total);
    if (progress && percent != last_percent) progress(percent);
    last_percent = percent;
  }
  return Status::OK();
}

// Count and EOF marker last, then everything to disk.
static Status FinishCopy(CopyTarget* t) {
  XB_RETURN_IF_ERROR(t->dbf->Write(t->next_offset, std::string_view(&dbf::kEofMarker, 1)));
  XB_RETURN_IF_ERROR(t->dbf->Truncate(t->next_offset + 1));
  EncodeLE32(&t->header[dbf::kOffRecordCount], t->count);
  XB_RETURN_IF_ERROR(t->dbf->Write(0, std::string_view(t->header.data(), dbf::kHeaderSize)));
  if (t->memo) XB_RETURN_IF_ERROR(t->memo->Sync());
  return t->dbf->Sync();
}

// ---------------------------------------------------------------------------

Table::Table() : rep_(new Rep) {}

// A destructor has no one to tell; callers that care close first.
Table::~Table() { Close().IgnoreError(); }

Status Table::Create(const std::string& path, const std::vector<FieldDef>& fields,
                     uint32_t memo_block_size) {
  std::vector<FieldInfo> infos;
  XB_RETURN_IF_ERROR(ValidateFields(fields, &infos));
  bool has_memo =
      std::any_of(infos.begin(), infos.end(), [](const FieldInfo& f) { return f.type == 'M'; });
  if (has_memo && (memo_block_size == 0 || memo_block_size > 0xFFFF)) {
    return Status::InvalidArgument("memo block size must be between 1 and 65535");
  }
  std::string header = BuildHeader(has_memo ? dbf::kSigFoxPro2Memo : dbf::kSigDbase3, infos);
  std::unique_ptr<File> dbf_file;
  XB_RETURN_IF_ERROR(OpenForFilling(path, &dbf_file));
  if (has_memo) {
    std::unique_ptr<File> memo_file;
    std::unique_ptr<MemoFile> memo;
    XB_RETURN_IF_ERROR(OpenFile(CompanionPath(path, "FPT"), FileMode::kCreate, &memo_file));
    XB_RETURN_IF_ERROR(
        MemoFile::Create(std::move(memo_file), MemoKind::kFpt, memo_block_size, &memo));
    XB_RETURN_IF_ERROR(memo->Sync());
  }
  XB_RETURN_IF_ERROR(dbf_file->Write(0, header + dbf::kEofMarker));
  return dbf_file->Sync();
}

// A PACK that died after its commit point left the finished table beside
// the old one; one that died before it left temporaries to throw away.
static Status RecoverInterruptedPack(const std::string& path, bool can_repair,
                                     std::unique_ptr<File>* file) {
  std::string new_table = path + kPackTableSuffix;
  std::string new_memo = path + kPackMemoSuffix;
  bool committed = FileExists(new_table) && !FileExists(new_memo);
  if (!can_repair) {
    if (committed) {
      return Status::Corruption("a pack of " + path +
                                " was interrupted; open it exclusively for writing to finish it");
    }
    return Status::OK();
  }
  if (!committed) {
    // Table temp first: a lone table temp would count as committed.
    XB_RETURN_IF_ERROR(RemoveFile(new_table));
    return RemoveFile(new_memo);
  }
  std::unique_ptr<File> replacement;
  XB_RETURN_IF_ERROR(OpenFile(new_table, FileMode::kReadWrite, &replacement));
  XB_RETURN_IF_ERROR(replacement->Lock(LockKind::kExclusive));
  XB_RETURN_IF_ERROR(RenameFile(new_table, path));
  replacement->set_path(path);
  *file = std::move(replacement);
  return Status::OK();
}

Status Table::Open(const std::string& path, const OpenOptions& options,
                   std::unique_ptr<Table>* out) {
  std::unique_ptr<Table> t(new Table);
  Rep& r = *t->rep_;
  r.path = path;
  r.options = options;
  XB_RETURN_IF_ERROR(
      OpenFile(path, options.read_only ? FileMode::kReadOnly : FileMode::kReadWrite, &r.file));
  Status s = r.file->Lock(options.exclusive ? LockKind::kExclusive : LockKind::kShared);
  // Some file systems have no locks at all; reading is still safe there.
  if (!s.ok() && !(s.code() == Status::Code::kNotSupported && options.read_only)) return s;
  XB_RETURN_IF_ERROR(
      FinishInterruptedReplacement(path, options.exclusive && !options.read_only, &r.file));
  XB_RETURN_IF_ERROR(
      RecoverInterruptedPack(path, options.exclusive && !options.read_only, &r.file));

  XB_RETURN_IF_ERROR(ReadHeader(r.file.get(), &r.lay, &r.header));
  if (options.exclusive && !options.read_only) XB_RETURN_IF_ERROR(r.SettleCutAppend());
  if (r.lay.has_memo_fields) {
    MemoKind kind = MemoKindFor(r.lay.signature);
    std::string stem = BaseName(CompanionPath(path, MemoExtension(kind)));
    r.memo_path = FindFileIgnoringCase(path, stem);
    if (r.memo_path.empty() && kind == MemoKind::kFpt && r.lay.signature == dbf::kSigDbase3) {
      // A plain 0x03 table with memo fields: whichever memo file is there.
      kind = MemoKind::kDbt4;
      stem = BaseName(CompanionPath(path, "DBT"));
      r.memo_path = FindFileIgnoringCase(path, stem);
    }
    if (r.memo_path.empty()) {
      return Status::NotFound(path + ": its memo file " + stem + " is missing");
    }
    std::unique_ptr<File> memo_file;
    XB_RETURN_IF_ERROR(OpenFile(
        r.memo_path, options.read_only ? FileMode::kReadOnly : FileMode::kReadWrite, &memo_file));
    XB_RETURN_IF_ERROR(MemoFile::Open(std::move(memo_file), kind, &r.memo));
  }
  *out = std::move(t);
  return Status::OK();
}

Status Table::Close() {
  Rep& r = *rep_;
  if (!r.file) return Status::OK();
  Status s = r.options.read_only ? Status::OK() : r.FlushRecord();
  r.memo.reset();
  r.file.reset();
  r.ForgetPosition();
  return s;
}

const std::string& Table::path() const { return rep_->path; }
const std::string& Table::memo_path() const { return rep_->memo_path; }
uint8_t Table::signature() const { return rep_->lay.signature; }
uint8_t Table::language_driver() const { return rep_->lay.language_driver; }
bool Table::read_only() const { return rep_->options.read_only; }
bool Table::exclusive() const { return rep_->options.exclusive; }
bool Table::append_batching() const { return rep_->batching; }
uint16_t Table::header_length() const { return rep_->lay.header_length; }
uint16_t Table::record_length() const { return rep_->lay.record_length; }
const std::vector<FieldInfo>& Table::fields() const { return rep_->lay.fields; }
int Table::FieldIndex(std::string_view name) const { return FindField(rep_->lay.fields, name); }
uint32_t Table::record_count() const { return rep_->lay.record_count; }
uint32_t Table::recno() const { return rep_->recno; }
uint32_t Table::header_record_count() const { return rep_->lay.header_count; }

Status Table::RepairCount() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  if (!r.options.exclusive) {
    return Status::InvalidArgument(r.path + " must be open exclusively to repair its count");
  }
  XB_RETURN_IF_ERROR(r.FlushRecord());
  if (r.lay.header_count <= r.lay.record_count) return Status::OK();
  // The partial record goes before the count changes, so an interrupted
  // repair leaves a file that is still seen as cut off, and is repaired again.
  const uint64_t end = r.RecordOffset(r.lay.record_count + 1);
  XB_RETURN_IF_ERROR(r.file->Truncate(end));
  XB_RETURN_IF_ERROR(r.file->Write(end, std::string_view(&dbf::kEofMarker, 1)));
  XB_RETURN_IF_ERROR(r.file->Sync());
  XB_RETURN_IF_ERROR(r.StampHeader(true));
  return r.file->Sync();
}

bool Table::has_index_flag() const {
  return (static_cast<uint8_t>(rep_->header[dbf::kOffTableFlags]) & dbf::kFlagHasCdx) != 0;
}

Status Table::SetIndexFlag(bool on) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  uint8_t flags = static_cast<uint8_t>(r.header[dbf::kOffTableFlags]);
  flags = on ? (flags | dbf::kFlagHasCdx) : (flags & ~dbf::kFlagHasCdx);
  if (flags == static_cast<uint8_t>(r.header[dbf::kOffTableFlags])) return Status::OK();
  r.header[dbf::kOffTableFlags] = static_cast<char>(flags);
  return r.file->Write(dbf::kOffTableFlags, std::string_view(&r.header[dbf::kOffTableFlags], 1));
}

RecordRef Table::current() {
  RecordRef ref;
  if (rep_->recno == 0) return ref;
  ref.data = rep_->record.data();
  ref.recno = rep_->recno;
  ref.memo = rep_->memo ? this : nullptr;
  return ref;
}

const char* Table::current_data() const { return rep_->recno == 0 ? nullptr : rep_->record.data(); }

Status Table::Go(uint32_t recno) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckOpen());
  XB_RETURN_IF_ERROR(r.FlushRecord());
  if (!r.options.exclusive && recno > r.lay.record_count) XB_RETURN_IF_ERROR(r.RefreshCount());
  if (recno < 1 || recno > r.lay.record_count) {
    r.recno = 0;
    r.record.clear();
    return Status::NotFound(r.path + ": no record " + std::to_string(recno));
  }
  Status s = r.Load(recno);
  if (!s.ok()) {
    r.recno = 0;
    r.record.clear();
  }
  return s;
}

Status Table::ReadRecord(uint32_t recno, std::string* buf) { return ReadRecords(recno, 1, buf); }

Status Table::ReadRecords(uint32_t first, uint32_t count, std::string* buf) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckOpen());
  XB_RETURN_IF_ERROR(r.FlushRecord());
  if (count == 0) {
    buf->clear();
    return Status::OK();
  }
  uint64_t last = static_cast<uint64_t>(first) + count - 1;
  if (first < 1 || last > r.lay.record_count) {
    buf->clear();
    return Status::NotFound(r.path + ": records " + std::to_string(first) + " to " +
                            std::to_string(last) + " are not all in the table");
  }
  // Sized, not cleared first: every byte is read over, and a buffer reused
  // chunk after chunk by a scan would otherwise be zero-filled each time.
  buf->resize(static_cast<size_t>(count) * r.lay.record_length);
  Status s = r.file->ReadExact(r.RecordOffset(first), buf->size(), buf->data(), "record area");
  if (!s.ok()) buf->clear();  // no earlier chunk's bytes passing for these
  return s;
}

Status Table::SetFieldBytes(int field, std::string_view bytes) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  XB_RETURN_IF_ERROR(r.CheckCurrent());
  XB_RETURN_IF_ERROR(r.CheckField(field));
  const FieldInfo& f = r.lay.fields[field];
  size_t n = std::min<size_t>(bytes.size(), f.width);
  std::memcpy(&r.record[f.offset], bytes.data(), n);
  std::memset(&r.record[f.offset + n], ' ', f.width - n);
  r.dirty = true;
  return Status::OK();
}

Status Table::SetDeleted(bool deleted) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  XB_RETURN_IF_ERROR(r.CheckCurrent());
  r.record[0] = deleted ? dbf::kDeleted : dbf::kNotDeleted;
  r.dirty = true;
  return Status::OK();
}

Status Table::Flush() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckOpen());
  return r.FlushRecord(false);
}

Status Table::SetAppendBatching(bool on) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckOpen());
  if (on && (r.options.read_only || !r.options.exclusive)) return Status::OK();
  XB_RETURN_IF_ERROR(r.WriteCurrent());
  r.batching = on;
  if (on) r.batch.reserve(kCopyChunkBytes + r.lay.record_length + 1);
  return r.WriteBatch();
}

Status Table::Sync() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckOpen());
  if (r.options.read_only) return Status::OK();
  XB_RETURN_IF_ERROR(r.FlushRecord());
  XB_RETURN_IF_ERROR(r.SyncMemo());
  return r.file->Sync();
}

Status Table::Append() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  XB_RETURN_IF_ERROR(r.FlushRecord(false));
  if (!r.options.exclusive) XB_RETURN_IF_ERROR(r.RefreshCount());
  if (r.lay.record_count == 0xFFFFFFFFu) return Status::IOError(r.path + " is full");
  // The record reaches the disk with its values in one write, and the
  // count after it, so a crash never leaves a blank or half-filled record
  // behind (other xBase tools count records by the file's size as well as
  // by the header). A shared append's number is provisional until then.
  const uint32_t n = r.lay.record_count + 1;
  r.lay.record_count = n;
  r.count_pending = true;
  r.record = r.BlankRecord();
  r.recno = n;
  r.last_loaded = n;
  r.dirty = true;
  return Status::OK();
}

Status Table::DiscardUncounted() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  r.batch.clear();
  r.batching = false;
  r.dirty = false;
  r.count_pending = false;
  r.recno = 0;
  r.last_loaded = 0;
  r.ahead_count = 0;
  XB_RETURN_IF_ERROR(r.RefreshCount());
  const uint64_t end = r.RecordOffset(r.lay.record_count + 1);
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(r.file->Size(&size));
  if (size <= end) return Status::OK();
  XB_RETURN_IF_ERROR(r.file->Truncate(end));
  return r.file->Write(end, std::string_view(&dbf::kEofMarker, 1));
}

Status Table::GetMemo(int field, std::string* out) {
  Rep& r = *rep_;
  out->clear();
  XB_RETURN_IF_ERROR(r.CheckCurrent());
  XB_RETURN_IF_ERROR(r.CheckMemoField(field));
  const FieldInfo& f = r.lay.fields[field];
  return ReadMemo(std::string_view(&r.record[f.offset], f.width), out);
}

Status Table::ReadMemo(std::string_view field_bytes, std::string* out) {
  Rep& r = *rep_;
  out->clear();
  uint32_t block = 0;
  Status s = DecodeMemoPointer(field_bytes, &block);
  if (!s.ok()) return Status::Corruption(r.path + ": " + s.message());
  if (block == 0) return Status::OK();
  if (!r.memo) return Status::Corruption(r.path + ": a record points into a missing memo file");
  if (r.memo->InHeader(block)) {
    // The value reads as empty and the rest of the table as it is; the
    // first such block is kept for memo_notice().
    uint32_t none = 0;
    r.block_in_header.compare_exchange_strong(none, block);
    return Status::OK();
  }
  return r.memo->Read(block, out);
}

std::string Table::memo_notice() const {
  const uint32_t block = rep_->block_in_header.load();
  if (block == 0) return std::string();
  return rep_->memo_path + ": some memo values point into the memo file's header (block " +
         std::to_string(block) + "); they read as empty";
}

Status Table::SetMemo(int field, std::string_view text) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  XB_RETURN_IF_ERROR(r.CheckCurrent());
  XB_RETURN_IF_ERROR(r.CheckMemoField(field));
  if (!r.memo) return Status::Corruption(r.path + " has no memo file");
  const FieldInfo& f = r.lay.fields[field];
  uint32_t old_block = 0, new_block = 0;
  // A damaged pointer is replaced, never followed.
  if (!DecodeMemoPointer(std::string_view(&r.record[f.offset], f.width), &old_block).ok()) {
    old_block = 0;
  }
  XB_RETURN_IF_ERROR(r.memo->Write(old_block, fpt::kTypeText, text, &new_block));
  if (new_block != 0) r.memo_unsynced = true;
  std::string ptr(f.width, ' ');
  XB_RETURN_IF_ERROR(EncodeMemoPointer(new_block, ptr.data(), f.width));
  if (std::memcmp(ptr.data(), &r.record[f.offset], f.width) != 0) {
    std::memcpy(&r.record[f.offset], ptr.data(), f.width);
    r.dirty = true;
  }
  return r.StampHeader(false);
}

Status Table::Pack(const ProgressFn& progress) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckWritable());
  if (!r.options.exclusive) {
    return Status::InvalidArgument(r.path + " must be open exclusively to be packed");
  }
  XB_RETURN_IF_ERROR(r.FlushRecord());
  r.ForgetPosition();

  const std::string new_table = r.path + kPackTableSuffix;
  const std::string new_memo = r.path + kPackMemoSuffix;
  XB_RETURN_IF_ERROR(RemoveFile(new_table));
  XB_RETURN_IF_ERROR(RemoveFile(new_memo));

  // The memo temp (or an empty marker) exists before the table temp does,
  // so a lone table temp always means "complete".
  CopyTarget t;
  Status s;
  {
    std::unique_ptr<File> memo_file;
    s = OpenFile(new_memo, FileMode::kCreate, &memo_file);
    if (s.ok()) s = memo_file->Sync();
    if (s.ok()) {
      s = r.BeginCopy(new_table, r.memo ? std::move(memo_file) : nullptr, &t);
    }
  }
  // Unlike a copy, the packed table keeps its index flag: the index layer
  // rebuilds the index after a pack.
  if (s.ok()) t.header[dbf::kOffTableFlags] = r.header[dbf::kOffTableFlags];
  if (s.ok()) s = r.CopyRecords(true, progress, &t);
  if (s.ok()) s = FinishCopy(&t);
  if (!s.ok()) {
    t.dbf.reset();
    t.memo.reset();
    // Best effort: the copy's own failure is the one reported.
    RemoveFile(new_table).IgnoreError();
    RemoveFile(new_memo).IgnoreError();
    return s;
  }

  // Commit point: the memo temp takes the memo's name, or the marker goes.
  s = r.memo ? RenameFile(new_memo, r.memo_path) : RemoveFile(new_memo);
  if (s.ok()) s = RenameFile(new_table, r.path);
  if (!s.ok()) {
    r.memo.reset();
    r.file.reset();
    return Status::IOError(s.message() + "; reopen " + r.path + " to finish the pack");
  }
  t.dbf->set_path(r.path);
  if (t.memo) t.memo->file()->set_path(r.memo_path);
  r.file = std::move(t.dbf);
  r.memo = std::move(t.memo);
  r.header = t.header;
  r.lay.record_count = t.count;
  r.header_stamped = true;
  if (progress) progress(100);
  return Status::OK();
}

Status Table::CopyStructure(const std::string& path) const {
  const Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckOpen());
  CopyTarget t;
  XB_RETURN_IF_ERROR(r.BeginCopyTo(path, &t));
  return FinishCopy(&t);
}

Status Table::CopyFile(const std::string& path, const ProgressFn& progress) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(r.CheckOpen());
  if (!r.options.read_only) XB_RETURN_IF_ERROR(r.FlushRecord());
  CopyTarget t;
  XB_RETURN_IF_ERROR(r.BeginCopyTo(path, &t));
  XB_RETURN_IF_ERROR(r.CopyRecords(false, progress, &t));
  XB_RETURN_IF_ERROR(FinishCopy(&t));
  if (progress) progress(100);
  return Status::OK();
}

}  // namespace xb
