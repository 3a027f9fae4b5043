// The functions an expression may call, with xBase's (Harbour's) rules for
// out-of-range arguments: SUBSTR past the end gives "", SPACE(-3) gives "",
// STR too narrow gives asterisks. Argument counts and types are checked when
// the expression is compiled; strings are capped at 64 KB when evaluated.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "expr_internal.h"

namespace xb::expr {

namespace {

enum class Fn {
  kUpper, kLower, kTrim, kLTrim, kAllTrim, kSubstr, kLeft, kRight, kLen, kSpace, kStr, kVal,
  kDtos, kDtoc, kCtod, kStod, kEmpty, kDeleted, kRecno, kIif, kAt, kRat, kPadR, kPadL, kPadC,
  kReplicate, kStrTran, kStuff, kYear, kMonth, kDay, kIsAlpha, kIsDigit, kInt, kAbs, kRound,
  kMin, kMax, kDate, kChr, kAsc, kTtoc, kTtod, kIsNull,
};

// Argument letters: C N D L, X = character, number or date, * = any.
struct Spec {
  const char* name;
  Fn fn;
  const char* args;
  int min_args;
  char result;  // C N D L, or '=' for the type of the second argument (IIF), '1' the first
};

const Spec kSpecs[] = {
    {"UPPER", Fn::kUpper, "C", 1, 'C'},       {"LOWER", Fn::kLower, "C", 1, 'C'},
    {"TRIM", Fn::kTrim, "C", 1, 'C'},         {"RTRIM", Fn::kTrim, "C", 1, 'C'},
    {"LTRIM", Fn::kLTrim, "C", 1, 'C'},       {"ALLTRIM", Fn::kAllTrim, "C", 1, 'C'},
    {"SUBSTR", Fn::kSubstr, "CNN", 2, 'C'},   {"LEFT", Fn::kLeft, "CN", 2, 'C'},
    {"RIGHT", Fn::kRight, "CN", 2, 'C'},      {"LEN", Fn::kLen, "C", 1, 'N'},
    {"SPACE", Fn::kSpace, "N", 1, 'C'},       {"STR", Fn::kStr, "NNN", 1, 'C'},
    {"VAL", Fn::kVal, "C", 1, 'N'},           {"DTOS", Fn::kDtos, "D", 1, 'C'},
    {"DTOC", Fn::kDtoc, "D", 1, 'C'},         {"CTOD", Fn::kCtod, "C", 1, 'D'},
    {"STOD", Fn::kStod, "C", 1, 'D'},         {"EMPTY", Fn::kEmpty, "*", 1, 'L'},
    {"DELETED", Fn::kDeleted, "", 0, 'L'},    {"RECNO", Fn::kRecno, "", 0, 'N'},
    {"IIF", Fn::kIif, "L**", 3, '='},         {"IF", Fn::kIif, "L**", 3, '='},
    {"AT", Fn::kAt, "CC", 2, 'N'},            {"RAT", Fn::kRat, "CC", 2, 'N'},
    {"PADR", Fn::kPadR, "XNC", 2, 'C'},       {"PADL", Fn::kPadL, "XNC", 2, 'C'},
    {"PADC", Fn::kPadC, "XNC", 2, 'C'},       {"REPLICATE", Fn::kReplicate, "CN", 2, 'C'},
    {"STRTRAN", Fn::kStrTran, "CCCNN", 2, 'C'}, {"STUFF", Fn::kStuff, "CNNC", 4, 'C'},
    {"YEAR", Fn::kYear, "D", 1, 'N'},         {"MONTH", Fn::kMonth, "D", 1, 'N'},
    {"DAY", Fn::kDay, "D", 1, 'N'},           {"ISALPHA", Fn::kIsAlpha, "C", 1, 'L'},
    {"ISDIGIT", Fn::kIsDigit, "C", 1, 'L'},   {"INT", Fn::kInt, "N", 1, 'N'},
    {"ABS", Fn::kAbs, "N", 1, 'N'},           {"ROUND", Fn::kRound, "NN", 2, 'N'},
    {"MIN", Fn::kMin, "XX", 2, '1'},          {"MAX", Fn::kMax, "XX", 2, '1'},
    {"DATE", Fn::kDate, "", 0, 'D'},          {"CHR", Fn::kChr, "N", 1, 'C'},
    {"ASC", Fn::kAsc, "C", 1, 'N'},
    // Date-times (Visual FoxPro T fields) are dates with a time of day.
    {"TTOC", Fn::kTtoc, "DN", 1, 'C'},        {"TTOD", Fn::kTtod, "D", 1, 'D'},
    {"ISNULL", Fn::kIsNull, "*", 1, 'L'},
};

// A count or position argument as an integer, clamped so that no arithmetic
// on it can overflow.
int64_t Whole(double v) {
  if (!(v == v)) return 0;
  if (v > 4.0e15) return 4000000000000000LL;
  if (v < -4.0e15) return -4000000000000000LL;
  return static_cast<int64_t>(v);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// SUBSTR's start/count rules: returns the byte range of `size` it selects.
void SubstrRange(int64_t size, int64_t start, bool has_count, int64_t count, int64_t* from,
                 int64_t* n) {
  int64_t pos = start;
  if (pos < 0) {
    pos += size;
    if (pos < 0) pos = 0;
  } else if (pos > 0) {
    --pos;
  }
  *from = 0;
  *n = 0;
  if (pos >= size) return;
  int64_t len = size - pos;
  if (has_count && count < len) len = count;
  if (len <= 0) return;
  *from = pos;
  *n = len;
}

class Call : public Node {
 public:
  Call(const Spec& spec, T type, std::vector<NodePtr> args, int pos)
      : Node(type, pos), spec_(spec), args_(std::move(args)) {
    width_ = StaticWidth();
    if (width_ > 0) buf_.reserve(static_cast<size_t>(width_));
  }

  Fn fn() const { return spec_.fn; }
  NodePtr TakeArg(size_t i) { return std::move(args_[i]); }

  Num StaticNum() const override {
    Num n;
    n.len = -1;
    switch (spec_.fn) {
      case Fn::kYear: n.len = 5; n.is_int = true; break;
      case Fn::kMonth:
      case Fn::kDay: n.len = 3; n.is_int = true; break;
      default: break;
    }
    return n;
  }

  std::string_view Str(Ctx& ctx) const override;
  Num Number(Ctx& ctx) const override;
  JulianDay Date(Ctx& ctx) const override;
  bool Bool(Ctx& ctx) const override;

 private:
  const Node& A(size_t i) const { return *args_[i]; }
  bool Has(size_t i) const { return args_.size() > i; }
  bool ConstNum(size_t i, int64_t* out) const {
    if (!Has(i) || !args_[i]->IsConstant() || args_[i]->type() != T::N) return false;
    Ctx none;
    *out = Whole(args_[i]->Number(none).v);
    return true;
  }
  int StaticWidth() const;
  bool TooLong(Ctx& ctx, int64_t n) const {
    if (n <= static_cast<int64_t>(kMaxString)) return false;
    ctx.Fail(std::string(spec_.name) + " would make a string longer than 65535 bytes at position " +
             std::to_string(pos_));
    return true;
  }
  std::string_view Pad(Ctx& ctx) const;
  std::string_view ArgText(Ctx& ctx, size_t i) const;

  const Spec& spec_;
  std::vector<NodePtr> args_;
  mutable std::string buf_;
  mutable std::string tmp_;
};

int Call::StaticWidth() const {
  if (type_ != T::C) return -1;
  int64_t n = 0, m = 0;
  int w0 = Has(0) ? A(0).width() : -1;
  switch (spec_.fn) {
    case Fn::kUpper:
    case Fn::kLower:
      return w0;
    case Fn::kSubstr: {
      if (w0 < 0 || !ConstNum(1, &n)) return -1;
      bool has_count = Has(2);
      if (has_count && !ConstNum(2, &m)) return -1;
      int64_t from, len;
      SubstrRange(w0, n, has_count, m, &from, &len);
      return static_cast<int>(len);
    }
    case Fn::kLeft:
    case Fn::kRight:
      if (w0 < 0 || !ConstNum(1, &n)) return -1;
      return static_cast<int>(std::clamp<int64_t>(n, 0, w0));
    case Fn::kSpace:
    case Fn::kPadR:
    case Fn::kPadL:
    case Fn::kPadC:
      if (!ConstNum(spec_.fn == Fn::kSpace ? 0 : 1, &n)) return -1;
      return n > static_cast<int64_t>(kMaxString) ? -1 : static_cast<int>(std::max<int64_t>(n, 0));
    case Fn::kReplicate:
      if (w0 < 0 || !ConstNum(1, &n)) return -1;
      if (n <= 0 || w0 == 0) return 0;
      // Divided, not multiplied: a count near the clamp times a width
      // passes the range of int64_t.
      if (n > static_cast<int64_t>(kMaxString) / w0) return -1;
      return static_cast<int>(n * w0);
    case Fn::kStr:
      if (Has(1)) {
        if (!ConstNum(1, &n)) return -1;
        if (n < 1) n = 10;
        return n > static_cast<int64_t>(kMaxString) ? -1 : static_cast<int>(n);
      } else {
        Num s = A(0).StaticNum();
        return s.len < 0 ? -1 : s.TotalWidth();
      }
    case Fn::kDtos: return 8;
    case Fn::kDtoc: return 10;
    case Fn::kTtoc:
      if (!Has(1)) return 22;
      if (!ConstNum(1, &n)) return -1;
      return n == 1 ? 14 : 22;
    case Fn::kChr: return 1;
    case Fn::kIif:
      return A(1).width() == A(2).width() ? A(1).width() : -1;
    case Fn::kMin:
    case Fn::kMax:
      return -1;
    default:
      return -1;
  }
}

// PADx and friends take numbers and dates too, as their text.
std::string_view Call::ArgText(Ctx& ctx, size_t i) const {
  switch (A(i).type()) {
    case T::C:
      return A(i).Str(ctx);
    case T::N: {
      FormatStr(A(i).Number(ctx), -1, 0, &tmp_);
      size_t first = tmp_.find_first_not_of(' ');
      return std::string_view(tmp_).substr(first == std::string::npos ? tmp_.size() : first);
    }
    case T::D: {
      char d[10];
      DtocFromJulian(A(i).Date(ctx), d);
      tmp_.assign(d, 10);
      return tmp_;
    }
    case T::L:
      break;
  }
  return {};
}

std::string_view Call::Pad(Ctx& ctx) const {
  std::string_view s = ArgText(ctx, 0);
  int64_t n = Whole(A(1).Number(ctx).v);
  char fill = ' ';
  if (Has(2)) {
    std::string_view f = A(2).Str(ctx);
    if (!f.empty()) fill = f[0];
  }
  if (n <= 0) return {};
  if (TooLong(ctx, n)) return {};
  size_t w = static_cast<size_t>(n);
  buf_.clear();
  if (s.size() >= w) {
    buf_.append(s.substr(0, w));
    return buf_;
  }
  size_t gap = w - s.size();
  size_t left = spec_.fn == Fn::kPadL ? gap : (spec_.fn == Fn::kPadC ? gap / 2 : 0);
  buf_.append(left, fill);
  buf_.append(s);
  buf_.append(gap - left, fill);
  return buf_;
}

std::string_view Call::Str(Ctx& ctx) const {
  switch (spec_.fn) {
    case Fn::kUpper:
    case Fn::kLower: {
      std::string_view s = A(0).Str(ctx);
      buf_.resize(s.size());
      if (spec_.fn == Fn::kUpper) {
        CopyUpper(s.data(), s.size(), buf_.data());
      } else {
        CopyLower(s.data(), s.size(), buf_.data());
      }
      return buf_;
    }
    case Fn::kTrim: {
      std::string_view s = A(0).Str(ctx);
      size_t n = s.size();
      while (n > 0 && s[n - 1] == ' ') --n;
      return s.substr(0, n);
    }
    case Fn::kLTrim:
    case Fn::kAllTrim: {
      std::string_view s = A(0).Str(ctx);
      size_t i = 0;
      while (i < s.size() && IsBlank(s[i])) ++i;
      s.remove_prefix(i);
      if (spec_.fn == Fn::kAllTrim) {
        size_t n = s.size();
        while (n > 0 && s[n - 1] == ' ') --n;
        s = s.substr(0, n);
      }
      return s;
    }
    case Fn::kSubstr: {
      std::string_view s = A(0).Str(ctx);
      int64_t start = Whole(A(1).Number(ctx).v);
      int64_t count = Has(2) ? Whole(A(2).Number(ctx).v) : 0;
      int64_t from, n;
      SubstrRange(static_cast<int64_t>(s.size()), start, Has(2), count, &from, &n);
      return s.substr(static_cast<size_t>(from), static_cast<size_t>(n));
    }
    case Fn::kLeft:
    case Fn::kRight: {
      std::string_view s = A(0).Str(ctx);
      int64_t n = Whole(A(1).Number(ctx).v);
      if (n <= 0) return {};
      size_t k = std::min(s.size(), static_cast<size_t>(n));
      return spec_.fn == Fn::kLeft ? s.substr(0, k) : s.substr(s.size() - k);
    }
    case Fn::kSpace: {
      int64_t n = Whole(A(0).Number(ctx).v);
      if (n <= 0 || TooLong(ctx, n)) return {};
      buf_.assign(static_cast<size_t>(n), ' ');
      return buf_;
    }
    case Fn::kStr: {
      Num n = A(0).Number(ctx);
      if (!Has(1)) {
        FormatStr(n, -1, 0, &buf_);
        return buf_;
      }
      int64_t w = Whole(A(1).Number(ctx).v);
      if (w < 1) w = 10;
      if (TooLong(ctx, w)) return {};
      int64_t d = Has(2) ? Whole(A(2).Number(ctx).v) : 0;
      d = std::clamp<int64_t>(d, 0, kMaxDecimals);
      FormatStr(n, static_cast<int>(w), static_cast<int>(d), &buf_);
      return buf_;
    }
    case Fn::kDtos:
      buf_.resize(8);
      PutDtos(A(0).Date(ctx), buf_.data());
      return buf_;
    case Fn::kDtoc: {
      char d[10];
      DtocFromJulian(A(0).Date(ctx), d);
      buf_.assign(d, 10);
      return buf_;
    }
    case Fn::kTtoc: {
      const bool stamp = Has(1) && Whole(A(1).Number(ctx).v) == 1;
      TtocFromStamp(A(0).Date(ctx), A(0).Millis(ctx), stamp, &buf_);
      return buf_;
    }
    case Fn::kIif:
      return A(0).Bool(ctx) ? A(1).Str(ctx) : A(2).Str(ctx);
    case Fn::kPadR:
    case Fn::kPadL:
    case Fn::kPadC:
      return Pad(ctx);
    case Fn::kReplicate: {
      std::string_view s = A(0).Str(ctx);
      int64_t n = Whole(A(1).Number(ctx).v);
      if (n <= 0 || s.empty()) return {};
      if (n > static_cast<int64_t>(kMaxString / s.size())) {
        TooLong(ctx, static_cast<int64_t>(kMaxString) + 1);
        return {};
      }
      buf_.clear();
      for (int64_t i = 0; i < n; ++i) buf_.append(s);
      return buf_;
    }
    case Fn::kStrTran: {
      std::string_view s = A(0).Str(ctx);
      std::string_view find = A(1).Str(ctx);
      std::string_view repl = Has(2) ? A(2).Str(ctx) : std::string_view();
      int64_t start = Has(3) ? Whole(A(3).Number(ctx).v) : 1;
      int64_t count = Has(4) ? Whole(A(4).Number(ctx).v) : -1;
      // Harbour gives "" for a start or count below one.
      if (start < 1 || (Has(4) && count < 1)) return {};
      if (find.empty()) return s;
      buf_.clear();
      size_t at = 0;
      int64_t seen = 0, done = 0;
      while (true) {
        size_t hit = s.find(find, at);
        if (hit == std::string_view::npos || (count >= 0 && done >= count)) break;
        ++seen;
        buf_.append(s.substr(at, hit - at));
        if (seen >= start) {
          if (buf_.size() + repl.size() > kMaxString) {
            TooLong(ctx, static_cast<int64_t>(kMaxString) + 1);
            return {};
          }
          buf_.append(repl);
          ++done;
        } else {
          buf_.append(find);
        }
        at = hit + find.size();
      }
      buf_.append(s.substr(at));
      return buf_;
    }
    case Fn::kStuff: {
      std::string_view s = A(0).Str(ctx);
      int64_t len = static_cast<int64_t>(s.size());
      int64_t pos = Whole(A(1).Number(ctx).v);
      int64_t del = Whole(A(2).Number(ctx).v);
      std::string_view ins = A(3).Str(ctx);
      if (pos != 0) pos = (pos < 1 || pos > len) ? len : pos - 1;
      if (del < 0 || del > len - pos) del = len - pos;
      if (TooLong(ctx, len - del + static_cast<int64_t>(ins.size()))) return {};
      buf_.assign(s.substr(0, static_cast<size_t>(pos)));
      buf_.append(ins);
      buf_.append(s.substr(static_cast<size_t>(pos + del)));
      return buf_;
    }
    case Fn::kChr:
      buf_.assign(1, static_cast<char>(static_cast<unsigned char>(Whole(A(0).Number(ctx).v) & 0xFF)));
      return buf_;
    case Fn::kMin:
    case Fn::kMax:
      return {};  // MIN and MAX take numbers and dates only
    default:
      return {};
  }
}

Num Call::Number(Ctx& ctx) const {
  switch (spec_.fn) {
    case Fn::kLen: return MakeInt(static_cast<double>(A(0).Str(ctx).size()));
    case Fn::kVal: return ParseVal(A(0).Str(ctx));
    case Fn::kRecno: return MakeInt(ctx.rec->recno);
    case Fn::kIif: return A(0).Bool(ctx) ? A(1).Number(ctx) : A(2).Number(ctx);
    case Fn::kAt:
    case Fn::kRat: {
      std::string_view needle = A(0).Str(ctx);
      std::string_view hay = A(1).Str(ctx);
      size_t hit = std::string_view::npos;
      if (!needle.empty()) hit = spec_.fn == Fn::kAt ? hay.find(needle) : hay.rfind(needle);
      return MakeInt(hit == std::string_view::npos ? 0.0 : static_cast<double>(hit + 1));
    }
    case Fn::kYear:
    case Fn::kMonth:
    case Fn::kDay: {
      int y, m, d;
      YmdFromJulian(A(0).Date(ctx), &y, &m, &d);
      Num n;
      n.is_int = true;
      n.len = spec_.fn == Fn::kYear ? 5 : 3;
      n.v = spec_.fn == Fn::kYear ? y : (spec_.fn == Fn::kMonth ? m : d);
      return n;
    }
    case Fn::kInt: {
      Num n = A(0).Number(ctx);
      n.v = std::trunc(n.v);
      n.dec = 0;
      n.is_int = false;
      return n;
    }
    case Fn::kAbs: {
      Num n = A(0).Number(ctx);
      n.v = std::fabs(n.v);
      return n;
    }
    case Fn::kRound: {
      double v = A(0).Number(ctx).v;
      int64_t d = std::clamp<int64_t>(Whole(A(1).Number(ctx).v), -300, kMaxDecimals);
      return MakeDouble(RoundDecimal(v, static_cast<int>(d)), static_cast<int>(std::max<int64_t>(d, 0)));
    }
    case Fn::kMin:
    case Fn::kMax: {
      Num a = A(0).Number(ctx);
      Num b = A(1).Number(ctx);
      if (spec_.fn == Fn::kMax) return a.v >= b.v ? a : b;
      return a.v <= b.v ? a : b;
    }
    case Fn::kAsc: {
      std::string_view s = A(0).Str(ctx);
      return MakeInt(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
    }
    default:
      return Num();
  }
}

JulianDay Call::Date(Ctx& ctx) const {
  switch (spec_.fn) {
    case Fn::kCtod: return JulianFromCtod(A(0).Str(ctx));
    case Fn::kStod: return JulianFromDtos(A(0).Str(ctx));
    case Fn::kTtod: return A(0).Date(ctx);
    case Fn::kIif: return A(0).Bool(ctx) ? A(1).Date(ctx) : A(2).Date(ctx);
    case Fn::kMin:
    case Fn::kMax: {
      JulianDay a = A(0).Date(ctx);
      JulianDay b = A(1).Date(ctx);
      if (spec_.fn == Fn::kMax) return a >= b ? a : b;
      return a <= b ? a : b;
    }
    case Fn::kDate: {
      std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      return JulianFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    }
    default:
      return 0;
  }
}

bool Call::Bool(Ctx& ctx) const {
  switch (spec_.fn) {
    case Fn::kDeleted: return ctx.rec->deleted();
    case Fn::kIsNull: {
      // Only a field can be NULL here: no operator makes one.
      const FieldInfo* f = A(0).AsField();
      return f != nullptr && ctx.rec->IsNull(*f);
    }
    case Fn::kIif: return A(0).Bool(ctx) ? A(1).Bool(ctx) : A(2).Bool(ctx);
    case Fn::kEmpty:
      switch (A(0).type()) {
        case T::C: {
          std::string_view s = A(0).Str(ctx);
          for (char c : s) {
            if (!IsBlank(c)) return false;
          }
          return true;
        }
        case T::N: return A(0).Number(ctx).v == 0;
        case T::D: return A(0).Date(ctx) == 0;
        case T::L: return !A(0).Bool(ctx);
      }
      return true;
    case Fn::kIsAlpha: {
      std::string_view s = A(0).Str(ctx);
      return !s.empty() && AsciiUpper(s[0]) >= 'A' && AsciiUpper(s[0]) <= 'Z';
    }
    case Fn::kIsDigit: {
      std::string_view s = A(0).Str(ctx);
      return !s.empty() && s[0] >= '0' && s[0] <= '9';
    }
    default:
      return false;
  }
}

bool Fits(char want, T got) {
  switch (want) {
    case '*': return true;
    case 'X': return got != T::L;
    default: return static_cast<char>(got) == want;
  }
}

}  // namespace

bool IsUpperCall(const Node* n) {
  const auto* c = dynamic_cast<const Call*>(n);
  return c != nullptr && c->fn() == Fn::kUpper;
}

NodePtr TakeUpperArgument(NodePtr* upper_call) {
  auto* c = static_cast<Call*>(upper_call->get());
  NodePtr inner = c->TakeArg(0);
  upper_call->reset();
  return inner;
}

NodePtr MakeCall(std::string_view upper_name, std::vector<NodePtr> args, int pos,
                 std::string* err) {
  const Spec* spec = nullptr;
  for (const Spec& s : kSpecs) {
    if (upper_name == s.name) {
      spec = &s;
      break;
    }
  }
  if (spec == nullptr) {
    *err = "unknown function " + std::string(upper_name) + " at position " + std::to_string(pos);
    return nullptr;
  }
  int max_args = static_cast<int>(std::strlen(spec->args));
  int n = static_cast<int>(args.size());
  if (n < spec->min_args || n > max_args) {
    std::string want = spec->min_args == max_args
                           ? std::to_string(max_args)
                           : std::to_string(spec->min_args) + " to " + std::to_string(max_args);
    *err = std::string(spec->name) + " takes " + want + " argument" + (max_args == 1 ? "" : "s") +
           ", not " + std::to_string(n) + ", at position " + std::to_string(pos);
    return nullptr;
  }
  for (int i = 0; i < n; ++i) {
    if (!Fits(spec->args[i], args[i]->type())) {
      *err = std::string(spec->name) + " argument " + std::to_string(i + 1) + " must not be " +
             TypeWord(args[i]->type()) + " at position " + std::to_string(args[i]->pos());
      return nullptr;
    }
  }
  T type;
  switch (spec->result) {
    case '=':
      if (args[1]->type() != args[2]->type()) {
        *err = std::string(spec->name) + " needs both branches of one type, not " +
               TypeWord(args[1]->type()) + " and " + TypeWord(args[2]->type()) +
               " at position " + std::to_string(pos);
        return nullptr;
      }
      type = args[1]->type();
      break;
    case '1':
      if (args[0]->type() == T::C || args[0]->type() != args[1]->type()) {
        *err = std::string(spec->name) + " needs two numbers or two dates at position " +
               std::to_string(pos);
        return nullptr;
      }
      type = args[0]->type();
      break;
    default:
      type = static_cast<T>(spec->result);
  }
  return std::make_unique<Call>(*spec, type, std::move(args), pos);
}

}  // namespace xb::expr
