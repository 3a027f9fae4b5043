// A file layer for tests that fails after N operations: while a FailingFiles
// lives, every file the engine opens counts its reads, writes, sizes,
// truncates, syncs and locks against one shared budget, and once the budget
// is spent each further operation fails with an I/O error, as a disk that
// went bad would. Opening is not counted, so a test can open first and set
// the budget after.
//
// A walk that repeats a failed step forever would hang the test: after
// kRunaway operations past the fault the process stops with a message.
//
// Needs the engine's internal header directory (file.h) on the include path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

#include "file.h"

namespace qvtest {

class FailingFiles {
 public:
  static constexpr int64_t kUnlimited = std::numeric_limits<int64_t>::max();
  static constexpr int64_t kRunaway = 200000;

  FailingFiles() {
    previous_ = xb::SetFileOpenerForTesting(
        [this](const std::string& path, xb::FileMode mode, std::unique_ptr<xb::File>* out) {
          std::unique_ptr<xb::File> real;
          XB_RETURN_IF_ERROR(xb::OpenPosixFile(path, mode, &real));
          out->reset(new Counted(std::move(real), this));
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
  class Counted final : public xb::File {
   public:
    Counted(std::unique_ptr<xb::File> base, FailingFiles* owner)
        : File(base->path()), base_(std::move(base)), owner_(owner) {}
    xb::Status Read(uint64_t offset, size_t n, char* buf, size_t* got) override {
      *got = 0;
      XB_RETURN_IF_ERROR(owner_->step(path()));
      return base_->Read(offset, n, buf, got);
    }
    xb::Status Write(uint64_t offset, std::string_view data) override {
      XB_RETURN_IF_ERROR(owner_->step(path()));
      return base_->Write(offset, data);
    }
    xb::Status Size(uint64_t* size) override {
      XB_RETURN_IF_ERROR(owner_->step(path()));
      return base_->Size(size);
    }
    xb::Status Truncate(uint64_t size) override {
      XB_RETURN_IF_ERROR(owner_->step(path()));
      return base_->Truncate(size);
    }
    xb::Status Sync() override {
      XB_RETURN_IF_ERROR(owner_->step(path()));
      return base_->Sync();
    }
    xb::Status Lock(xb::LockKind kind) override {
      XB_RETURN_IF_ERROR(owner_->step(path()));
      return base_->Lock(kind);
    }
    xb::Status LockAppend() override {
      XB_RETURN_IF_ERROR(owner_->step(path()));
      return base_->LockAppend();
    }
    xb::Status UnlockAppend() override { return base_->UnlockAppend(); }

   private:
    std::unique_ptr<xb::File> base_;
    FailingFiles* owner_;
  };

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
