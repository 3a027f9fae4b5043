#include "memo_file.h"

#include <cstring>
#include <string>

#include "coding.h"
#include "fpt_format.h"

namespace xb {

namespace {

constexpr size_t kScanChunk = 4096;

uint64_t RoundUp(uint64_t n, uint64_t unit) { return (n + unit - 1) / unit * unit; }

std::string BlockName(uint32_t block) { return "memo block " + std::to_string(block); }

}  // namespace

Status MemoFile::Open(std::unique_ptr<File> file, MemoKind kind, std::unique_ptr<MemoFile>* out) {
  char head[fpt::kHeaderSize];
  size_t got = 0;
  XB_RETURN_IF_ERROR(file->Read(0, sizeof head, head, &got));
  uint32_t block_size = 0;
  if (kind == MemoKind::kFpt) {
    if (got < 8) return Status::Corruption(file->path() + ": memo file header is cut short");
    block_size = DecodeBE16(head + fpt::kOffBlockSize);
    if (block_size == 0) {
      return Status::Corruption(file->path() + ": memo file has block size 0");
    }
  } else {
    if (got < 4) return Status::Corruption(file->path() + ": memo file header is cut short");
    block_size = dbt::kDbase3BlockSize;
    if (kind == MemoKind::kDbt4 && got >= dbt::kOffDbase4BlockSize + 2) {
      uint32_t bs = DecodeLE16(head + dbt::kOffDbase4BlockSize);
      // Old writers leave this zero; 512 is what dBASE IV meant then.
      if (bs != 0) block_size = bs;
    }
  }
  out->reset(new MemoFile(std::move(file), kind, block_size));
  return Status::OK();
}

Status MemoFile::Create(std::unique_ptr<File> file, MemoKind kind, uint32_t block_size,
                        std::unique_ptr<MemoFile>* out) {
  if (kind == MemoKind::kDbt3) block_size = dbt::kDbase3BlockSize;
  if (block_size == 0 || block_size > 0xFFFF) {
    return Status::InvalidArgument("memo block size must be between 1 and 65535");
  }
  std::string head(fpt::kHeaderSize, '\0');
  uint32_t first_free = static_cast<uint32_t>(RoundUp(fpt::kHeaderSize, block_size) / block_size);
  if (kind == MemoKind::kFpt) {
    EncodeBE32(&head[fpt::kOffNextFree], first_free);
    EncodeBE16(&head[fpt::kOffBlockSize], block_size);
  } else {
    EncodeLE32(&head[dbt::kOffNextFree], first_free);
    if (kind == MemoKind::kDbt4) EncodeLE16(&head[dbt::kOffDbase4BlockSize], block_size);
  }
  head.resize(RoundUp(head.size(), block_size), '\0');
  XB_RETURN_IF_ERROR(file->Truncate(0));
  XB_RETURN_IF_ERROR(file->Write(0, head));
  out->reset(new MemoFile(std::move(file), kind, block_size));
  return Status::OK();
}

Status MemoFile::Locate(uint32_t block, uint64_t min_bytes, uint64_t* offset, uint64_t* size) {
  *offset = static_cast<uint64_t>(block) * block_size_;
  // DBT headers fill block 0 whatever its size; FPT headers are 512 bytes.
  uint64_t header = kind_ == MemoKind::kFpt ? fpt::kHeaderSize : block_size_;
  if (*offset < header) {
    return Status::Corruption(file_->path() + ": " + BlockName(block) +
                              " lies inside the memo file header");
  }
  XB_RETURN_IF_ERROR(file_->Size(size));
  if (*offset + min_bytes > *size) {
    return Status::Corruption(file_->path() + ": " + BlockName(block) +
                              " is past the end of the memo file");
  }
  return Status::OK();
}

Status MemoFile::Read(uint32_t block, std::string* out, uint32_t* type) {
  out->clear();
  if (type != nullptr) *type = fpt::kTypeText;
  if (block == 0) return Status::OK();
  uint64_t offset = 0, size = 0;
  if (kind_ == MemoKind::kFpt) {
    XB_RETURN_IF_ERROR(Locate(block, fpt::kBlockHeaderSize, &offset, &size));
    return ReadFpt(offset, size, block, out, type);
  }
  XB_RETURN_IF_ERROR(Locate(block, 1, &offset, &size));
  return ReadDbt(offset, size, block, out);
}

Status MemoFile::ReadFpt(uint64_t offset, uint64_t size, uint32_t block, std::string* out,
                         uint32_t* type) {
  char head[fpt::kBlockHeaderSize];
  XB_RETURN_IF_ERROR(file_->ReadExact(offset, sizeof head, head, "memo block header"));
  uint32_t length = DecodeBE32(head + 4);
  // Checked against the file before allocating: a damaged length must not
  // make us reserve gigabytes.
  if (length > size - offset - fpt::kBlockHeaderSize) {
    return Status::Corruption(file_->path() + ": memo in " + BlockName(block) + " (length " +
                              std::to_string(length) + ") runs past the end of the memo file");
  }
  if (type != nullptr) *type = DecodeBE32(head);
  out->resize(length);
  return file_->ReadExact(offset + fpt::kBlockHeaderSize, length, out->data(), "memo text");
}

Status MemoFile::ReadDbt(uint64_t offset, uint64_t size, uint32_t block, std::string* out) {
  char head[dbt::kDbase4BlockHeaderSize];
  size_t got = 0;
  XB_RETURN_IF_ERROR(file_->Read(offset, sizeof head, head, &got));
  if (got == sizeof head && std::memcmp(head, dbt::kDbase4Mark, 4) == 0) {
    uint32_t length = DecodeLE32(head + 4);
    if (length < dbt::kDbase4BlockHeaderSize) {
      return Status::Corruption(file_->path() + ": memo in " + BlockName(block) +
                                " has an impossible length " + std::to_string(length));
    }
    length -= dbt::kDbase4BlockHeaderSize;
    if (length > size - offset - dbt::kDbase4BlockHeaderSize) {
      return Status::Corruption(file_->path() + ": memo in " + BlockName(block) + " (length " +
                                std::to_string(length) + ") runs past the end of the memo file");
    }
    out->resize(length);
    return file_->ReadExact(offset + dbt::kDbase4BlockHeaderSize, length, out->data(), "memo text");
  }
  // dBASE III: text up to the first 0x1A, or to the end of the file when a
  // writer left the terminator out.
  char chunk[kScanChunk];
  while (offset < size) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kScanChunk, size - offset));
    XB_RETURN_IF_ERROR(file_->Read(offset, n, chunk, &got));
    if (got == 0) break;
    const void* end = std::memchr(chunk, dbt::kTerminator, got);
    if (end != nullptr) {
      out->append(chunk, static_cast<const char*>(end) - chunk);
      return Status::OK();
    }
    out->append(chunk, got);
    offset += got;
  }
  return Status::OK();
}

Status MemoFile::OccupiedBytes(uint32_t block, uint64_t* bytes) {
  *bytes = 0;
  if (block == 0) return Status::OK();
  uint64_t offset = 0, size = 0;
  if (kind_ == MemoKind::kFpt) {
    XB_RETURN_IF_ERROR(Locate(block, fpt::kBlockHeaderSize, &offset, &size));
    char head[fpt::kBlockHeaderSize];
    XB_RETURN_IF_ERROR(file_->ReadExact(offset, sizeof head, head, "memo block header"));
    uint64_t length = DecodeBE32(head + 4);
    if (length > size - offset - fpt::kBlockHeaderSize) return Status::OK();
    *bytes = RoundUp(fpt::kBlockHeaderSize + length, block_size_);
    return Status::OK();
  }
  if (kind_ == MemoKind::kDbt4) {
    XB_RETURN_IF_ERROR(Locate(block, 1, &offset, &size));
    char head[dbt::kDbase4BlockHeaderSize];
    size_t got = 0;
    XB_RETURN_IF_ERROR(file_->Read(offset, sizeof head, head, &got));
    if (got < sizeof head || std::memcmp(head, dbt::kDbase4Mark, 4) != 0) return Status::OK();
    uint64_t length = DecodeLE32(head + 4);
    if (length < dbt::kDbase4BlockHeaderSize || length > size - offset) return Status::OK();
    *bytes = RoundUp(length, block_size_);
  }
  // dBASE III blocks are never reused: their length is not recorded.
  return Status::OK();
}

Status MemoFile::Append(std::string_view image, uint32_t* block) {
  char head[4];
  XB_RETURN_IF_ERROR(file_->ReadExact(0, sizeof head, head, "memo file header"));
  uint64_t next = kind_ == MemoKind::kFpt ? DecodeBE32(head) : DecodeLE32(head);
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(file_->Size(&size));
  // Never trust a next-free pointer that points back into existing memos.
  uint64_t offset = std::max<uint64_t>(next * block_size_, RoundUp(size, block_size_));
  offset = std::max<uint64_t>(offset, RoundUp(fpt::kHeaderSize, block_size_));
  uint64_t padded = RoundUp(image.size(), block_size_);
  uint64_t new_next = (offset + padded) / block_size_;
  if (new_next > 0xFFFFFFFFull) return Status::IOError(file_->path() + ": memo file is full");
  std::string buf(image);
  buf.resize(padded, '\0');
  // Data first, then the header: a crash in between leaves unused blocks,
  // never a pointer to missing text.
  XB_RETURN_IF_ERROR(file_->Write(offset, buf));
  if (kind_ == MemoKind::kFpt) {
    EncodeBE32(head, static_cast<uint32_t>(new_next));
  } else {
    EncodeLE32(head, static_cast<uint32_t>(new_next));
  }
  XB_RETURN_IF_ERROR(file_->Write(0, std::string_view(head, 4)));
  *block = static_cast<uint32_t>(offset / block_size_);
  return Status::OK();
}

Status MemoFile::Write(uint32_t old_block, uint32_t type, std::string_view data, uint32_t* block) {
  *block = 0;
  if (data.empty()) return Status::OK();
  std::string image;
  if (kind_ == MemoKind::kFpt) {
    if (data.size() > 0xFFFFFFFFull - fpt::kBlockHeaderSize) {
      return Status::InvalidArgument("memo text is too long");
    }
    image.resize(fpt::kBlockHeaderSize);
    EncodeBE32(&image[0], type);
    EncodeBE32(&image[4], static_cast<uint32_t>(data.size()));
    image.append(data);
  } else if (kind_ == MemoKind::kDbt4) {
    if (data.size() > 0xFFFFFFFFull - dbt::kDbase4BlockHeaderSize) {
      return Status::InvalidArgument("memo text is too long");
    }
    image.assign(reinterpret_cast<const char*>(dbt::kDbase4Mark), 4);
    image.resize(dbt::kDbase4BlockHeaderSize);
    EncodeLE32(&image[4], static_cast<uint32_t>(data.size() + dbt::kDbase4BlockHeaderSize));
    image.append(data);
  } else {
    if (data.find(dbt::kTerminator) != std::string_view::npos) {
      return Status::InvalidArgument(
          "a dBASE III memo cannot hold the byte 0x1A, which ends its text");
    }
    image.assign(data);
    image.push_back(dbt::kTerminator);
    image.push_back(dbt::kTerminator);
  }
  uint64_t occupied = 0;
  // An unreadable old memo is simply not reused.
  if (old_block != 0 && !OccupiedBytes(old_block, &occupied).ok()) occupied = 0;
  if (occupied >= image.size()) {
    XB_RETURN_IF_ERROR(file_->Write(static_cast<uint64_t>(old_block) * block_size_, image));
    *block = old_block;
    return Status::OK();
  }
  return Append(image, block);
}

}  // namespace xb
