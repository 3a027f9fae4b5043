// Evaluator nodes for literals, fields and operators. Every node knows its
// result type when it is built, so evaluation never checks types; strings
// are built in scratch buffers owned by the node, reused record after record.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "expr_internal.h"

namespace xb::expr {

std::string_view Node::Str(Ctx&) const { return {}; }
Num Node::Number(Ctx&) const { return Num(); }
JulianDay Node::Date(Ctx&) const { return 0; }
bool Node::Bool(Ctx&) const { return false; }

const char* TypeWord(T t) {
  switch (t) {
    case T::C: return "character";
    case T::N: return "numeric";
    case T::D: return "date";
    case T::L: return "logical";
  }
  return "?";
}

namespace {

// ----- literals -------------------------------------------------------------

class StrLit : public Node {
 public:
  StrLit(std::string s, int pos) : Node(T::C, pos), s_(std::move(s)) {
    width_ = static_cast<int>(s_.size());
  }
  bool IsConstant() const override { return true; }
  std::string_view Str(Ctx&) const override { return s_; }

 private:
  std::string s_;
};

class NumLit : public Node {
 public:
  NumLit(Num n, int pos) : Node(T::N, pos), n_(n) {}
  bool IsConstant() const override { return true; }
  Num StaticNum() const override { return n_; }
  Num Number(Ctx&) const override { return n_; }

 private:
  Num n_;
};

class LogLit : public Node {
 public:
  LogLit(bool b, int pos) : Node(T::L, pos), b_(b) {}
  bool IsConstant() const override { return true; }
  bool Bool(Ctx&) const override { return b_; }

 private:
  bool b_;
};

// ----- fields -----------------------------------------------------------------

class FieldStr : public Node {
 public:
  FieldStr(const FieldInfo& f, int pos) : Node(T::C, pos), off_(f.offset), w_(f.width) {
    width_ = f.width;
  }
  std::string_view Str(Ctx& ctx) const override {
    return std::string_view(ctx.rec->data + off_, w_);
  }

 private:
  uint32_t off_;
  uint16_t w_;
};

class FieldMemo : public Node {
 public:
  FieldMemo(const FieldInfo& f, int pos)
      : Node(T::C, pos), off_(f.offset), w_(f.width), name_(f.name) {}
  std::string_view Str(Ctx& ctx) const override {
    buf_.clear();
    if (ctx.rec->memo == nullptr) return buf_;
    Status s = ctx.rec->memo->ReadMemo(std::string_view(ctx.rec->data + off_, w_), &buf_);
    if (!s.ok()) {
      ctx.Fail("memo " + name_ + " of record " + std::to_string(ctx.rec->recno) +
               " cannot be read: " + s.ToString());
      buf_.clear();
    }
    return buf_;
  }

 private:
  uint32_t off_;
  uint16_t w_;
  std::string name_;
  mutable std::string buf_;
};

class FieldNum : public Node {
 public:
  FieldNum(const FieldInfo& f, int pos) : Node(T::N, pos), f_(f) {}
  Num StaticNum() const override { return FieldNumber(f_, {}); }
  Num Number(Ctx& ctx) const override { return FieldNumber(f_, ctx.rec->field(f_)); }

 private:
  FieldInfo f_;
};

// I, Y and VFP's double B: binary numbers decoded as FieldValue does.
class FieldBinNum : public Node {
 public:
  FieldBinNum(const FieldInfo& f, int pos) : Node(T::N, pos), f_(f) {}
  Num Number(Ctx& ctx) const override {
    Value v;
    FieldValue(f_, ctx.rec->field(f_), nullptr, &v).IgnoreError();  // no memo: cannot fail
    Num n;
    n.v = v.number;
    n.dec = static_cast<int16_t>(v.decimals);
    n.len = static_cast<int16_t>(v.width - (v.decimals ? v.decimals + 1 : 0));
    n.is_int = f_.type == 'I' || f_.type == '+';
    return n;
  }

 private:
  FieldInfo f_;
};

class FieldDate : public Node {
 public:
  FieldDate(const FieldInfo& f, int pos) : Node(T::D, pos), f_(f) {
    has_time_ = f.type == 'T' || f.type == '@';
  }
  JulianDay Date(Ctx& ctx) const override {
    std::string_view b = ctx.rec->field(f_);
    if (has_time_) {
      Value v;
      FieldValue(f_, b, nullptr, &v).IgnoreError();  // no memo: cannot fail
      return v.date;
    }
    return JulianFromDtos(b);
  }
  int32_t Millis(Ctx& ctx) const override {
    if (!has_time_) return 0;
    Value v;
    FieldValue(f_, ctx.rec->field(f_), nullptr, &v).IgnoreError();  // no memo: cannot fail
    return v.millis;
  }

 private:
  FieldInfo f_;
};

// Visual FoxPro's V and Q: the value's own length, none when NULL.
class FieldVar : public Node {
 public:
  FieldVar(const FieldInfo& f, int pos) : Node(T::C, pos), f_(f) {}
  std::string_view Str(Ctx& ctx) const override { return ctx.rec->field(f_); }

 private:
  FieldInfo f_;
};

class FieldLog : public Node {
 public:
  FieldLog(const FieldInfo& f, int pos) : Node(T::L, pos), off_(f.offset) {}
  bool Bool(Ctx& ctx) const override {
    char c = ctx.rec->data[off_];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
  }

 private:
  uint32_t off_;
};

// ----- operators ----------------------------------------------------------------

class Negate : public Node {
 public:
  Negate(NodePtr a, int pos) : Node(T::N, pos), a_(std::move(a)) {}
  Num Number(Ctx& ctx) const override {
    Num n = a_->Number(ctx);
    n.v = -n.v;
    n.len = static_cast<int16_t>(n.is_int ? IntLength(n.v) : DoubleLength(n.v));
    return n;
  }

 private:
  NodePtr a_;
};

class Not : public Node {
 public:
  Not(NodePtr a, int pos) : Node(T::L, pos), a_(std::move(a)) {}
  bool Bool(Ctx& ctx) const override { return !a_->Bool(ctx); }

 private:
  NodePtr a_;
};

class And : public Node {
 public:
  And(NodePtr a, NodePtr b, int pos) : Node(T::L, pos), a_(std::move(a)), b_(std::move(b)) {}
  bool Bool(Ctx& ctx) const override { return a_->Bool(ctx) && b_->Bool(ctx); }

 private:
  NodePtr a_, b_;
};

class Or : public Node {
 public:
  Or(NodePtr a, NodePtr b, int pos) : Node(T::L, pos), a_(std::move(a)), b_(std::move(b)) {}
  bool Bool(Ctx& ctx) const override { return a_->Bool(ctx) || b_->Bool(ctx); }

 private:
  NodePtr a_, b_;
};

class NumArith : public Node {
 public:
  NumArith(char op, NodePtr a, NodePtr b, int pos)
      : Node(T::N, pos), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  Num Number(Ctx& ctx) const override {
    Num x = a_->Number(ctx);
    Num y = b_->Number(ctx);
    bool ints = x.is_int && y.is_int;
    switch (op_) {
      case '+': return Mixed(x.v + y.v, ints, std::max(x.dec, y.dec));
      case '-': return Mixed(x.v - y.v, ints, std::max(x.dec, y.dec));
      case '*': return Mixed(x.v * y.v, ints, x.dec + y.dec);
      case '/':
        if (y.v == 0) return Fail(ctx, "division by zero");
        // Harbour keeps an exact quotient of two integers an integer.
        if (ints && std::fmod(x.v, y.v) == 0) return MakeInt(x.v / y.v);
        return MakeDouble(x.v / y.v, kSetDecimals);
      case '%':
        if (y.v == 0) return Fail(ctx, "division by zero");
        if (ints) return MakeInt(std::fmod(x.v, y.v));
        return MakeDouble(std::fmod(x.v, y.v), kSetDecimals);
      default:
        return MakeDouble(std::pow(x.v, y.v), kSetDecimals);
    }
  }

 private:
  static Num Mixed(double v, bool ints, int dec) {
    if (ints && dec == 0 && std::fabs(v) < 9.0e15) return MakeInt(v);
    return MakeDouble(v, dec);
  }
  Num Fail(Ctx& ctx, const char* what) const {
    ctx.Fail(std::string(what) + " at position " + std::to_string(pos_));
    return Num();
  }

  char op_;
  NodePtr a_, b_;
};

// Date arithmetic keeps the day number as it is, as Harbour does (the empty
// date plus one is a date that prints 00000000); only int32 bounds apply.
JulianDay ClampDate(double jd) {
  if (!(jd > -2.0e9)) return -2000000000;
  if (jd > 2.0e9) return 2000000000;
  return static_cast<JulianDay>(jd);
}

class DateArith : public Node {
 public:
  // kind: 'p' date+n, 'q' n+date, 'm' date-n, 'd' date-date (numeric)
  DateArith(char kind, NodePtr a, NodePtr b, int pos)
      : Node(kind == 'd' ? T::N : T::D, pos), kind_(kind), a_(std::move(a)), b_(std::move(b)) {}
  JulianDay Date(Ctx& ctx) const override {
    switch (kind_) {
      case 'p': return ClampDate(a_->Date(ctx) + std::trunc(b_->Number(ctx).v));
      case 'q': {
        double n = std::trunc(a_->Number(ctx).v);
        return ClampDate(b_->Date(ctx) + n);
      }
      default: return ClampDate(a_->Date(ctx) - std::trunc(b_->Number(ctx).v));
    }
  }
  Num Number(Ctx& ctx) const override {
    double d = static_cast<double>(a_->Date(ctx)) - b_->Date(ctx);
    return MakeInt(d);
  }

 private:
  char kind_;
  NodePtr a_, b_;
};

class StrJoin : public Node {
 public:
  // '+' joins as is; '-' moves the left operand's trailing blanks to the end.
  StrJoin(char op, NodePtr a, NodePtr b, int pos)
      : Node(T::C, pos), op_(op), a_(std::move(a)), b_(std::move(b)) {
    // A join wider than a string can be has no width: it fails when run.
    if (a_->width() >= 0 && b_->width() >= 0 &&
        static_cast<size_t>(a_->width()) + static_cast<size_t>(b_->width()) <= kMaxString) {
      width_ = a_->width() + b_->width();
    }
    // Nothing is reserved up front: the buffer grows once to what a record
    // needs and keeps it, and a chain of joins does not hold its whole
    // width at every node.
  }
  std::string_view Str(Ctx& ctx) const override {
    std::string_view x = a_->Str(ctx);
    std::string_view y = b_->Str(ctx);
    if (x.size() + y.size() > kMaxString) {
      ctx.Fail("string longer than 65535 bytes at position " + std::to_string(pos_));
      return {};
    }
    buf_.clear();
    if (op_ == '+') {
      buf_.append(x);
      buf_.append(y);
    } else {
      size_t keep = x.size();
      while (keep > 0 && x[keep - 1] == ' ') --keep;
      buf_.append(x.data(), keep);
      buf_.append(y);
      buf_.append(x.size() - keep, ' ');
    }
    return buf_;
  }

 private:
  char op_;
  NodePtr a_, b_;
  mutable std::string buf_;
};

// Harbour's string comparison: with SET EXACT off only the right operand's
// length counts; with it on, trailing blanks do not count.
int CompareStrings(std::string_view a, std::string_view b, bool exact) {
  size_t la = a.size(), lb = b.size();
  if (exact) {
    while (la > lb && a[la - 1] == ' ') --la;
    while (lb > la && b[lb - 1] == ' ') --lb;
  }
  size_t m = std::min(la, lb);
  if (m > 0) {
    int r = std::memcmp(a.data(), b.data(), m);
    if (r != 0) return r < 0 ? -1 : 1;
  }
  if (la == lb) return 0;
  if (exact) return la < lb ? -1 : 1;
  return lb > la ? -1 : 0;
}

bool Holds(char op, int c) {
  switch (op) {
    case '=': case 'E': return c == 0;
    case '#': return c != 0;
    case '<': return c < 0;
    case '>': return c > 0;
    case 'l': return c <= 0;
    default: return c >= 0;  // 'g'
  }
}

class StrCompare : public Node {
 public:
  StrCompare(char op, NodePtr a, NodePtr b, int pos)
      : Node(T::L, pos), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  bool Bool(Ctx& ctx) const override {
    std::string_view x = a_->Str(ctx);
    std::string_view y = b_->Str(ctx);
    if (op_ == 'E') return x == y;
    if (op_ == '$') return !x.empty() && y.find(x) != std::string_view::npos;
    return Holds(op_, CompareStrings(x, y, ctx.exact));
  }

 private:
  char op_;
  NodePtr a_, b_;
};

// UPPER(x) compared with a constant string: the common filter shape, done in
// one pass without building the upper-cased copy.
class UpperCompare : public Node {
 public:
  UpperCompare(char op, NodePtr inner, std::string lit, int pos)
      : Node(T::L, pos), op_(op), inner_(std::move(inner)), lit_(std::move(lit)) {}
  bool Bool(Ctx& ctx) const override {
    std::string_view x = inner_->Str(ctx);
    std::string_view y = lit_;
    if (op_ == 'E') return x.size() == y.size() && Cmp(x, y, y.size()) == 0;
    size_t la = x.size(), lb = y.size();
    if (ctx.exact) {
      while (la > lb && x[la - 1] == ' ') --la;
      while (lb > la && y[lb - 1] == ' ') --lb;
    }
    int r = Cmp(x, y, std::min(la, lb));
    if (r == 0 && la != lb) r = ctx.exact ? (la < lb ? -1 : 1) : (lb > la ? -1 : 0);
    return Holds(op_, r);
  }

 private:
  static int Cmp(std::string_view x, std::string_view y, size_t n) {
    const auto* a = reinterpret_cast<const unsigned char*>(x.data());
    const auto* b = reinterpret_cast<const unsigned char*>(y.data());
    for (size_t i = 0; i < n; ++i) {
      unsigned char c = a[i];
      if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
      if (c != b[i]) return c < b[i] ? -1 : 1;
    }
    return 0;
  }

  char op_;
  NodePtr inner_;
  std::string lit_;
};

class NumCompare : public Node {
 public:
  NumCompare(char op, NodePtr a, NodePtr b, int pos)
      : Node(T::L, pos), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  bool Bool(Ctx& ctx) const override {
    double x = a_->Number(ctx).v;
    double y = b_->Number(ctx).v;
    return Holds(op_, x < y ? -1 : (x > y ? 1 : 0));
  }

 private:
  char op_;
  NodePtr a_, b_;
};

class DateCompare : public Node {
 public:
  DateCompare(char op, NodePtr a, NodePtr b, int pos)
      : Node(T::L, pos), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  bool Bool(Ctx& ctx) const override {
    JulianDay x = a_->Date(ctx);
    JulianDay y = b_->Date(ctx);
    int c = x < y ? -1 : (x > y ? 1 : 0);
    // A date-time beside a date: the date has the time 00:00:00.
    if (c == 0 && (a_->has_time() || b_->has_time())) {
      int32_t p = a_->Millis(ctx), q = b_->Millis(ctx);
      c = p < q ? -1 : (p > q ? 1 : 0);
    }
    return Holds(op_, c);
  }

 private:
  char op_;
  NodePtr a_, b_;
};

class LogCompare : public Node {
 public:
  LogCompare(char op, NodePtr a, NodePtr b, int pos)
      : Node(T::L, pos), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  bool Bool(Ctx& ctx) const override {
    int x = a_->Bool(ctx) ? 1 : 0;
    int y = b_->Bool(ctx) ? 1 : 0;
    return Holds(op_, x - y);
  }

 private:
  char op_;
  NodePtr a_, b_;
};

std::string OpName(char op) {
  switch (op) {
    case 'E': return "==";
    case '#': return "<>";
    case 'l': return "<=";
    case 'g': return ">=";
    case '&': return ".AND.";
    case '|': return ".OR.";
    default: return std::string(1, op);
  }
}

}  // namespace

NodePtr MakeStringLiteral(std::string s, int pos) {
  return std::make_unique<StrLit>(std::move(s), pos);
}

NodePtr MakeNumberLiteral(std::string_view text, int pos) {
  Num n;
  size_t dot = text.find('.');
  double v = 0;
  int int_digits = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.') continue;
    if (i < dot || dot == std::string_view::npos) ++int_digits;
  }
  v = std::strtod(std::string(text).c_str(), nullptr);
  n.v = v;
  if (dot == std::string_view::npos) {
    // Literal integers print ten wide until they outgrow nine digits.
    n.is_int = v < 9.0e15;
    n.len = static_cast<int16_t>(int_digits <= 9 ? 10 : std::min(int_digits + 1, 255));
  } else {
    n.dec = static_cast<int16_t>(std::min<size_t>(text.size() - dot - 1, kMaxDecimals));
    n.len = static_cast<int16_t>(std::clamp(int_digits, 10, 255));
  }
  return std::make_unique<NumLit>(n, pos);
}

NodePtr MakeLogicalLiteral(bool b, int pos) { return std::make_unique<LogLit>(b, pos); }

namespace {

NodePtr MakeFieldNode(const FieldInfo& f, int pos) {
  switch (f.type) {
    case 'N':
    case 'F':
      return std::make_unique<FieldNum>(f, pos);
    case 'I':
    case 'Y':
    case '+':
    case 'O':
      return std::make_unique<FieldBinNum>(f, pos);
    case 'B':
      if (f.width == 8) return std::make_unique<FieldBinNum>(f, pos);
      return std::make_unique<FieldMemo>(f, pos);
    case 'D':
    case 'T':
    case '@':
      return std::make_unique<FieldDate>(f, pos);
    case 'L':
      return std::make_unique<FieldLog>(f, pos);
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      return std::make_unique<FieldMemo>(f, pos);
    case 'V':
    case 'Q':
      return std::make_unique<FieldVar>(f, pos);
    default:
      return std::make_unique<FieldStr>(f, pos);
  }
}

}  // namespace

NodePtr MakeField(const FieldInfo& f, int pos) {
  NodePtr n = MakeFieldNode(f, pos);
  n->set_source(f);
  return n;
}

NodePtr MakeUnary(char op, NodePtr a, int pos, std::string* err) {
  if (op == '!') {
    if (a->type() != T::L) {
      *err = ".NOT. needs a logical operand, not " + std::string(TypeWord(a->type())) +
             " at position " + std::to_string(pos);
      return nullptr;
    }
    return std::make_unique<Not>(std::move(a), pos);
  }
  if (a->type() != T::N) {
    *err = "unary " + std::string(1, op) + " needs a number, not " + TypeWord(a->type()) +
           " at position " + std::to_string(pos);
    return nullptr;
  }
  if (op == '+') return a;
  return std::make_unique<Negate>(std::move(a), pos);
}

NodePtr MakeBinary(char op, NodePtr a, NodePtr b, int pos, std::string* err) {
  T ta = a->type(), tb = b->type();
  auto mismatch = [&]() -> NodePtr {
    *err = "operator " + OpName(op) + " cannot combine " + TypeWord(ta) + " and " + TypeWord(tb) +
           " at position " + std::to_string(pos);
    return nullptr;
  };
  switch (op) {
    case '&':
    case '|':
      if (ta != T::L || tb != T::L) return mismatch();
      if (op == '&') return std::make_unique<And>(std::move(a), std::move(b), pos);
      return std::make_unique<Or>(std::move(a), std::move(b), pos);
    case '+':
      if (ta == T::N && tb == T::N) return std::make_unique<NumArith>(op, std::move(a), std::move(b), pos);
      if (ta == T::C && tb == T::C) return std::make_unique<StrJoin>(op, std::move(a), std::move(b), pos);
      if (ta == T::D && tb == T::N) return std::make_unique<DateArith>('p', std::move(a), std::move(b), pos);
      if (ta == T::N && tb == T::D) return std::make_unique<DateArith>('q', std::move(a), std::move(b), pos);
      return mismatch();
    case '-':
      if (ta == T::N && tb == T::N) return std::make_unique<NumArith>(op, std::move(a), std::move(b), pos);
      if (ta == T::C && tb == T::C) return std::make_unique<StrJoin>(op, std::move(a), std::move(b), pos);
      if (ta == T::D && tb == T::N) return std::make_unique<DateArith>('m', std::move(a), std::move(b), pos);
      if (ta == T::D && tb == T::D) return std::make_unique<DateArith>('d', std::move(a), std::move(b), pos);
      return mismatch();
    case '*':
    case '/':
    case '%':
    case '^':
      if (ta != T::N || tb != T::N) return mismatch();
      return std::make_unique<NumArith>(op, std::move(a), std::move(b), pos);
    case '$':
      if (ta != T::C || tb != T::C) return mismatch();
      return std::make_unique<StrCompare>(op, std::move(a), std::move(b), pos);
    default:
      break;
  }
  // Comparisons.
  if (ta != tb) return mismatch();
  switch (ta) {
    case T::C:
      if (b->IsConstant() && IsUpperCall(a.get())) {
        Ctx none;
        std::string lit(b->Str(none));
        return std::make_unique<UpperCompare>(op, TakeUpperArgument(&a), std::move(lit), pos);
      }
      return std::make_unique<StrCompare>(op, std::move(a), std::move(b), pos);
    case T::N: return std::make_unique<NumCompare>(op, std::move(a), std::move(b), pos);
    case T::D: return std::make_unique<DateCompare>(op, std::move(a), std::move(b), pos);
    case T::L: return std::make_unique<LogCompare>(op, std::move(a), std::move(b), pos);
  }
  return mismatch();
}

}  // namespace xb::expr
