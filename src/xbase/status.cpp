#include "xbase/status.h"

namespace xb {

std::string Status::ToString() const {
  const char* kind = "OK";
  switch (code_) {
    case Code::kOk: return "OK";
    case Code::kNotFound: kind = "Not found"; break;
    case Code::kCorruption: kind = "Corruption"; break;
    case Code::kIOError: kind = "I/O error"; break;
    case Code::kInUse: kind = "In use"; break;
    case Code::kInvalidArgument: kind = "Invalid argument"; break;
    case Code::kNotSupported: kind = "Not supported"; break;
    case Code::kReadOnly: kind = "Read-only"; break;
  }
  return std::string(kind) + ": " + message_;
}

}  // namespace xb
