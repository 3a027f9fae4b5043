// Test file layers that stand between the engine and the disk. GatedFile
// asks a gate before each operation of the real file, which may fail it.
// FailingFiles fails after N operations: while it lives, every file the
// engine opens counts its reads, writes, sizes, truncates, syncs and locks
// against one shared budget, and once the budget is spent each further
// operation fails with an I/O error, as a disk that went bad would. Opening
// is not counted, so a test can open first and set the budget after.
//
// A walk that repeats a failed step forever would hang the test: after
// kRunaway operations past the fault the process stops with a message.
//
// Needs the engine's internal header directory (file.h) on the include path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "file.h"

namespace qvtest {

enum class FileOp { kRead, kWrite, kSize, kTruncate, kSync, kLock };

class GatedFile final : public xb::File {
 public:
  using Gate = std::function<xb::Status(FileOp, const std::string& path)>;
  // `synced` runs, given the path, after each sync that went through.
  GatedFile(std::unique_ptr<xb::File> base, Gate gate,
            std::function<void(const std::string& path)> synced = nullptr)
      : File(base->path()),
        base_(std::move(base)),
        gate_(std::move(gate)),
        synced_(std::move(synced)) {}
  xb::Status Read(uint64_t offset, size_t n, char* buf, size_t* got) override {
    *got = 0;
    XB_RETURN_IF_ERROR(gate_(FileOp::kRead, path()));
    return base_->Read(offset, n, buf, got);
  }
  xb::Status Write(uint64_t offset, std::string_view data) override {
    XB_RETURN_IF_ERROR(gate_(FileOp::kWrite, path()));
    return base_->Write(offset, data);
  }
  xb::Status Size(uint64_t* size) override {
    XB_RETURN_IF_ERROR(gate_(FileOp::kSize, path()));
    return base_->Size(size);
  }
  xb::Status Truncate(uint64_t size) override {
    XB_RETURN_IF_ERROR(gate_(FileOp::kTruncate, path()));
    return base_->Truncate(size);
  }
  xb::Status Sync() override {
    XB_RETURN_IF_ERROR(gate_(FileOp::kSync, path()));
    XB_RETURN_IF_ERROR(base_->Sync());
    if (synced_) synced_(path());
    return xb::Status::OK();
  }
  xb::Status Close() override { return base_->Close(); }
  xb::Status Lock(xb::LockKind kind) override {
    XB_RETURN_IF_ERROR(gate_(FileOp::kLock, path()));
    return base_->Lock(kind);
  }
  xb::Status LockAppend() override {
    XB_RETURN_IF_ERROR(gate_(FileOp::kLock, path()));
    return base_->LockAppend();
  }
  xb::Status UnlockAppend() override { return base_->UnlockAppend(); }

 private:
  std::unique_ptr<xb::File> base_;
  Gate gate_;
  std::function<void(const std::string&)> synced_;
};

class FailingFiles {
 public:
  static constexpr int64_t kUnlimited = std::numeric_limits<int64_t>::max();
  static constexpr int64_t kRunaway = 200000;

  FailingFiles() {
    previous_ = xb::SetFileOpenerForTesting(
        [this](const std::string& path, xb::FileMode mode, std::unique_ptr<xb::File>* out) {
          std::unique_ptr<xb::File> real;
          XB_RETURN_IF_ERROR(xb::OpenPosixFile(path, mode, &real));
          out->reset(new GatedFile(std::move(real),
                                   [this](FileOp, const std::string& p) { return step(p); }));
          return xb::Status::OK();
        });
  }
  ~FailingFiles() { xb::SetFileOpenerForTesting(previous_); }
  FailingFiles(const FailingFiles&) = delete;
  FailingFiles& operator=(const FailingFiles&) = delete;

  // The next `n` operations succeed, the ones after fail.
  void failAfter(int64_t n) {
    budget_ = n;
    used_ = 0;
    failures_ = 0;
  }
  void never() { failAfter(kUnlimited); }
  // Operations that failed since the budget was set.
  int64_t failures() const { return failures_; }

 private:
  xb::Status step(const std::string& path) {
    if (used_ < budget_) {
      ++used_;
      return xb::Status::OK();
    }
    if (++failures_ > kRunaway) {
      std::fprintf(stderr, "FailingFiles: %lld operations failed and the walk goes on\n",
                   static_cast<long long>(failures_));
      std::abort();
    }
    return xb::Status::IOError("cannot read " + path + ": input/output error");
  }

  xb::FileOpener previous_;
  int64_t budget_ = kUnlimited;
  int64_t used_ = 0;
  int64_t failures_ = 0;
};

}  // namespace qvtest
