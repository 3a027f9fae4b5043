// Errors as values for the xBase engine. The engine never throws across its
// API and never shows a message; callers turn a Status into their own words.
#pragma once

#include <string>
#include <utility>

namespace xb {

// Marked nodiscard: a result nobody looked at is a failure nobody hears of.
class [[nodiscard]] Status {
 public:
  // Part of the engine's contract with its callers: never renumber.
  enum class Code {
    kOk = 0,
    kNotFound = 1,
    kCorruption = 2,
    kIOError = 3,
    kInUse = 4,
    kInvalidArgument = 5,
    kNotSupported = 6,
    kReadOnly = 7,
  };

  Status() = default;

  static Status OK() { return Status(); }
  static Status NotFound(std::string msg) { return Status(Code::kNotFound, std::move(msg)); }
  static Status Corruption(std::string msg) { return Status(Code::kCorruption, std::move(msg)); }
  static Status IOError(std::string msg) { return Status(Code::kIOError, std::move(msg)); }
  static Status InUse(std::string msg) { return Status(Code::kInUse, std::move(msg)); }
  static Status InvalidArgument(std::string msg) {
    return Status(Code::kInvalidArgument, std::move(msg));
  }
  static Status NotSupported(std::string msg) { return Status(Code::kNotSupported, std::move(msg)); }
  static Status ReadOnly(std::string msg) { return Status(Code::kReadOnly, std::move(msg)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  bool IsNotFound() const { return code_ == Code::kNotFound; }
  bool IsCorruption() const { return code_ == Code::kCorruption; }
  bool IsIOError() const { return code_ == Code::kIOError; }
  bool IsInUse() const { return code_ == Code::kInUse; }
  bool IsInvalidArgument() const { return code_ == Code::kInvalidArgument; }
  const std::string& message() const { return message_; }

  // "Corruption: memo block past end of file", or "OK".
  std::string ToString() const;

  // For the rare call whose failure does not matter (cleanup after an
  // earlier failure, which is the one reported). Say why at the call.
  void IgnoreError() const {}

 private:
  Status(Code code, std::string msg) : code_(code), message_(std::move(msg)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

// Returns early from the enclosing function when a call fails.
#define XB_RETURN_IF_ERROR(expr)        \
  do {                                  \
    ::xb::Status _xb_status = (expr);   \
    if (!_xb_status.ok()) return _xb_status; \
  } while (0)

}  // namespace xb
