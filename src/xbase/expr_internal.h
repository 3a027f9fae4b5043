// Internals of the expression layer shared by the parser, the evaluator
// nodes and the value helpers. Not part of the engine's public API.
//
// Numbers carry what Harbour carries with them: an integer-or-double flag,
// a width for the integer part ("length") and a count of decimals. Those
// decide how STR() and the oracle print a number, and whether `/` and `%`
// give an integer.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/expr.h"

namespace xb::expr {

// Longest character value an expression may build, as in Clipper.
constexpr size_t kMaxString = 65535;
// SET DECIMALS as Harbour starts: the decimals of a quotient.
constexpr int kSetDecimals = 2;
// More decimals than a double can hold are only noise.
constexpr int kMaxDecimals = 30;

struct Num {
  double v = 0;
  int16_t len = 10;  // integer part width; total width adds dec + 1 when dec > 0
  int16_t dec = 0;
  bool is_int = false;

  int TotalWidth() const { return len + (dec > 0 ? dec + 1 : 0); }
};

// Harbour's default widths for computed integers and doubles.
int IntLength(double v);
int DoubleLength(double v);
Num MakeInt(double v);
Num MakeDouble(double v, int dec);

// `v` rounded half away from zero at `dec` decimals, judged on the value's
// first 15 significant digits (so 2.675 rounds up as a person expects).
double RoundDecimal(double v, int dec);

// Writes `v` with `dec` decimals into `buf` (at least 400 + dec bytes).
// Returns the length. Negative zero prints without a sign.
size_t FormatFixed(double v, int dec, char* buf, size_t cap);

// STR(n[,width[,dec]]): `width` < 0 means the number's own width (never
// starred); an explicit width that is too small gives asterisks.
void FormatStr(const Num& n, int width, int dec, std::string* out);

// VAL(): value, width and decimals as Harbour derives them from the text.
Num ParseVal(std::string_view s);

// Numeric field bytes as a number with the field's width and decimals.
Num FieldNumber(const FieldInfo& f, std::string_view bytes);

// CTOD with the mm/dd/yyyy format and epoch 1950.
JulianDay JulianFromCtod(std::string_view s);
// DTOS into 8 bytes: blanks for the empty date.
void PutDtos(JulianDay jd, char out[8]);
// DTOC: "mm/dd/yyyy", or "  /  /    " for the empty date.
void DtocFromJulian(JulianDay jd, char out[10]);
// "YYYY-MM-DD hh:mm:ss[.mmm]", empty for the empty date-time.
std::string ShowDateTime(JulianDay jd, int32_t millis);
// TTOC: "mm/dd/yyyy hh:mm:ss AM" (22 characters), or with `stamp_form`
// TTOC(t,1)'s "yyyymmddhhmmss"; blanks of that width when empty.
void TtocFromStamp(JulianDay jd, int32_t millis, bool stamp_form, std::string* out);

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Case mapping of a run of bytes, eight at a time: index keys and filters
// upper-case every record. Only a-z (or A-Z) change.
void CopyUpper(const char* src, size_t n, char* dst);
void CopyLower(const char* src, size_t n, char* dst);

// ---------------------------------------------------------------------------
// Evaluator nodes. Each node has one static result type; the parser rejects
// expressions whose types do not fit. Character results are string_views
// into the record, a literal, or the node's own scratch buffer, valid until
// that node is evaluated again.

struct Ctx {
  const RecordRef* rec = nullptr;
  bool exact = false;
  bool failed = false;
  std::string error;

  void Fail(std::string msg) {
    if (!failed) {
      failed = true;
      error = std::move(msg);
    }
  }
};

enum class T : char { C = 'C', N = 'N', D = 'D', L = 'L' };

class Node {
 public:
  Node(T type, int pos) : type_(type), pos_(pos) {}
  virtual ~Node() = default;

  T type() const { return type_; }
  int pos() const { return pos_; }
  // Character results: the width every value has, or -1 when it varies.
  int width() const { return width_; }
  // Height of the subtree, bounded when parsing so evaluation cannot
  // exhaust the stack.
  int depth() const { return depth_; }
  void set_depth(int d) { depth_ = d; }
  // Numeric results: the width and decimals known before any record is
  // read, or len -1 when they depend on the value.
  virtual Num StaticNum() const { Num n; n.len = -1; return n; }
  virtual bool IsConstant() const { return false; }

  virtual std::string_view Str(Ctx& ctx) const;
  virtual Num Number(Ctx& ctx) const;
  virtual JulianDay Date(Ctx& ctx) const;
  // Date results that carry a time of day (date-time fields): the
  // milliseconds since midnight; 0 for plain dates.
  virtual int32_t Millis(Ctx&) const { return 0; }
  bool has_time() const { return has_time_; }
  virtual bool Bool(Ctx& ctx) const;
  // The field a node reads directly, else null (ISNULL looks at it).
  const FieldInfo* AsField() const { return source_.get(); }
  void set_source(const FieldInfo& f) { source_ = std::make_unique<FieldInfo>(f); }

 protected:
  T type_;
  int pos_;
  int width_ = -1;
  int depth_ = 1;
  bool has_time_ = false;
  std::unique_ptr<FieldInfo> source_;
};

using NodePtr = std::unique_ptr<Node>;

// The type's name in messages: "character", "numeric", "date", "logical".
const char* TypeWord(T t);

// Builders used by the parser. Each returns null with `*err` set (a message
// ending in the 1-based position) when the operand types cannot go together.
NodePtr MakeStringLiteral(std::string s, int pos);
NodePtr MakeNumberLiteral(std::string_view digits, int pos);
NodePtr MakeLogicalLiteral(bool b, int pos);
NodePtr MakeField(const FieldInfo& f, int pos);
NodePtr MakeUnary(char op, NodePtr a, int pos, std::string* err);  // '-', '+', '!'
// op: + - * / % ^ $ = E(==) #(<> # !=) < > l(<=) g(>=) &(.AND.) |(.OR.)
NodePtr MakeBinary(char op, NodePtr a, NodePtr b, int pos, std::string* err);
// UPPER(x) compared with a constant gets a fused node; these let the
// comparison builder see through the call.
bool IsUpperCall(const Node* n);
NodePtr TakeUpperArgument(NodePtr* upper_call);
NodePtr MakeCall(std::string_view upper_name, std::vector<NodePtr> args, int pos,
                 std::string* err);

}  // namespace xb::expr
