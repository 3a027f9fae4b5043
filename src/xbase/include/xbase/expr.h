// xBase expressions: parsed once into a compiled form, evaluated per record.
// Semantics follow FoxPro/Clipper (SET EXACT, `-` concatenation, `$`,
// UPPER of a-z only, numeric widths and decimals as xBase prints them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/record.h"
#include "xbase/status.h"

namespace xb {

enum class ValueType : char {
  kCharacter = 'C',
  kNumeric = 'N',
  kDate = 'D',
  kLogical = 'L',
  kMemo = 'M',  // a memo field's text; behaves as character
  kDateTime = 'T',  // a date with a time of day (Visual FoxPro T, dBASE 7 @)
  kUndefined = 'U',
};

// Julian day number; 0 is the empty date.
using JulianDay = int32_t;

JulianDay JulianFromYmd(int year, int month, int day);  // 0 when invalid
void YmdFromJulian(JulianDay jd, int* year, int* month, int* day);
// "YYYYMMDD" <-> Julian; blanks or invalid text give 0. Empty date gives 8 blanks.
JulianDay JulianFromDtos(std::string_view yyyymmdd);
std::string DtosFromJulian(JulianDay jd);

struct Value {
  ValueType type = ValueType::kUndefined;
  std::string text;       // character and memo
  double number = 0;      // numeric
  int width = 0;          // numeric: display width as xBase tracks it
  int decimals = 0;       // numeric: decimals as xBase tracks it
  JulianDay date = 0;     // date and date-time (0 = empty)
  int32_t millis = 0;     // date-time: milliseconds since midnight
  bool logical = false;   // logical

  static Value Character(std::string s);
  static Value Numeric(double n, int width, int decimals);
  static Value Date(JulianDay jd);
  static Value DateTime(JulianDay jd, int32_t millis);
  static Value Logical(bool b);
};

// The value as `xbcheck eval` prints it after the type letter: character
// text as is, dates as YYYYMMDD (8 blanks when empty), logicals T/F,
// numbers as xBase's LTRIM(STR(n)) with the tracked decimals; date-times
// as "YYYY-MM-DD hh:mm:ss", with ".mmm" when there are milliseconds
// (nothing when empty).
std::string ShowValue(const Value& v);

// Decodes a field's raw bytes into a value (C as stored with blanks, N/F by
// width and decimals, D, L, memos (M G W P, B before Visual FoxPro) through
// `memo`, the binary numbers I Y B + O, date-times T @, V and Q as their
// bytes). A type the engine does not know gives its bytes as they are.
// A memo that cannot be read is an error (and a blank text in *out), never
// a blank memo.
Status FieldValue(const FieldInfo& field, std::string_view bytes, MemoReader* memo, Value* out);

struct EvalSettings {
  bool exact = false;  // SET EXACT
};

// One part of a condition that holds only if the part holds: `lhs` is the
// text left of a plain `=` whose right side is the string `literal`.
struct LiteralEquality {
  std::string lhs;
  std::string literal;
};

class Expression {
 public:
  // The parts of `condition` joined by .AND. at its top level (never one
  // under an .OR. or a .NOT.) that have the form `expression = "literal"`.
  // A condition that does not lex gives no parts.
  static std::vector<LiteralEquality> LiteralEqualities(std::string_view condition);

  ~Expression();

  // Parses `text` against a table's fields. A malformed expression gives
  // InvalidArgument whose message names the 1-based character position,
  // e.g. "syntax error at position 7: ')' expected".
  static Status Compile(std::string_view text, const std::vector<FieldInfo>& fields,
                        std::unique_ptr<Expression>* out);

  const std::string& text() const;
  // The result type, known after compiling. Every expression has one type;
  // IIF with branches of different types does not compile. A memo field
  // gives kCharacter, as xBase's VALTYPE of a memo in an expression does.
  ValueType type() const;

  // For character expressions: the length every result has (a key length
  // for an index), or -1 when it varies (TRIM, memo fields) or the
  // expression is not character. UPPER(LNAME)+UPPER(FNAME) on two C(30)
  // fields gives 60, DTOS(DATE) gives 8.
  int result_width() const;

  // REQUIRES: `record.data` points at a record of the table compiled against.
  // Reuses `out->text`'s capacity, so evaluating record after record into
  // the same Value does not allocate. Not thread-safe: the expression owns
  // the scratch space its evaluation works in.
  Status Evaluate(const RecordRef& record, const EvalSettings& settings, Value* out) const;

  // For character expressions: the text without a copy. `*out` stays valid
  // until the next evaluation of this expression or the record moves.
  // REQUIRES: as for Evaluate.
  Status EvaluateText(const RecordRef& record, const EvalSettings& settings,
                      std::string_view* out) const;

  // For conditions: the logical result; a non-logical result or a runtime
  // error gives false and, if `error` is not null, the reason.
  bool EvaluateLogical(const RecordRef& record, const EvalSettings& settings,
                       Status* error = nullptr) const;

 private:
  Expression();
  struct Rep;
  std::unique_ptr<Rep> rep_;
};

}  // namespace xb
