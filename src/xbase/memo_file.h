// A memo file beside a table: FoxPro FPT or dBASE III/IV DBT. Hands out the
// bytes of one memo by block number and stores new memo text, in place when
// it fits the blocks the old text had, else at the end of the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "file.h"
#include "fpt_format.h"
#include "xbase/status.h"

namespace xb {

enum class MemoKind {
  kFpt,   // FoxPro: typed blocks, big-endian
  kDbt3,  // dBASE III: text ended by 0x1A, 512-byte blocks
  kDbt4,  // dBASE IV: FF FF 08 00 + length; reads dBASE III blocks too
};

class MemoFile {
 public:
  // Reads the header of an existing memo file.
  static Status Open(std::unique_ptr<File> file, MemoKind kind, std::unique_ptr<MemoFile>* out);
  // Empties `file` and writes a fresh header. REQUIRES: block_size >= 1
  // (dBASE III ignores it and uses 512).
  static Status Create(std::unique_ptr<File> file, MemoKind kind, uint32_t block_size,
                       std::unique_ptr<MemoFile>* out);

  // The bytes of the memo in `block` (empty for block 0); `*type` gets the
  // FPT block type (text for DBT).
  Status Read(uint32_t block, std::string* out, uint32_t* type = nullptr);
  // Stores `data`; reuses `old_block` (0 for none) when the data fits the
  // blocks it occupies. `*block` is 0 for empty data.
  Status Write(uint32_t old_block, uint32_t type, std::string_view data, uint32_t* block);
  Status Sync() { return file_->Sync(); }

  // Whether `block` lies inside the memo file's header, where no memo can
  // be (Visual FoxPro has been seen to write such pointers).
  bool InHeader(uint32_t block) const {
    const uint64_t header = kind_ == MemoKind::kFpt ? fpt::kHeaderSize : block_size_;
    return block != 0 && static_cast<uint64_t>(block) * block_size_ < header;
  }

  MemoKind kind() const { return kind_; }
  uint32_t block_size() const { return block_size_; }
  File* file() const { return file_.get(); }

 private:
  MemoFile(std::unique_ptr<File> file, MemoKind kind, uint32_t block_size)
      : file_(std::move(file)), kind_(kind), block_size_(block_size) {}

  // Offset of `block`, checked against the header and the file's end.
  Status Locate(uint32_t block, uint64_t min_bytes, uint64_t* offset, uint64_t* size);
  Status ReadFpt(uint64_t offset, uint64_t size, uint32_t block, std::string* out, uint32_t* type);
  Status ReadDbt(uint64_t offset, uint64_t size, uint32_t block, std::string* out);
  // Bytes the memo in `block` occupies on disk, or 0 when unknown.
  Status OccupiedBytes(uint32_t block, uint64_t* bytes);
  Status Append(std::string_view image, uint32_t* block);

  std::unique_ptr<File> file_;
  MemoKind kind_;
  uint32_t block_size_;
};

}  // namespace xb
