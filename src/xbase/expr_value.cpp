// Values of the expression layer: dates as Julian day numbers, numbers with
// the width and decimals Harbour tracks, and decoding of raw field bytes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "expr_internal.h"

namespace xb {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeap(y)) ? 29 : kDays[m - 1];
}

uint32_t ReadLE32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<uint32_t>(u[3]) << 24);
}

uint64_t ReadLE64(const char* p) {
  return ReadLE32(p) | (static_cast<uint64_t>(ReadLE32(p + 4)) << 32);
}

uint32_t ReadBE32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return (static_cast<uint32_t>(u[0]) << 24) | (u[1] << 16) | (u[2] << 8) | u[3];
}

bool AllBytes(std::string_view b, char c) {
  return std::all_of(b.begin(), b.end(), [c](char x) { return x == c; });
}

// dBASE 7's I and +: big-endian with the sign bit flipped.
int32_t SortableInt(const char* p) { return static_cast<int32_t>(ReadBE32(p) ^ 0x80000000u); }

// dBASE 7's O: a big-endian double whose sign bit is flipped when it is
// positive and every bit when it is negative, so the bytes sort.
double SortableDouble(const char* p) {
  uint64_t bits = (static_cast<uint64_t>(ReadBE32(p)) << 32) | ReadBE32(p + 4);
  bits = (bits >> 63) != 0 ? bits ^ (1ull << 63) : ~bits;
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

}  // namespace

JulianDay JulianFromYmd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return 0;
  }
  int a = (14 - month) / 12;
  int y = year + 4800 - a;
  int m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void YmdFromJulian(JulianDay jd, int* year, int* month, int* day) {
  // Like Harbour, days before 0000-01-01 decode to 0/0/0 (shown 00000000).
  if (jd < 1721060) {
    *year = *month = *day = 0;
    return;
  }
  int64_t a = static_cast<int64_t>(jd) + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  *day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  *month = static_cast<int>(m + 3 - 12 * (m / 10));
  *year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

JulianDay JulianFromDtos(std::string_view s) {
  if (s.size() < 8) return 0;
  int v[3] = {0, 0, 0};
  const int lens[3] = {4, 2, 2};
  size_t p = 0;
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < lens[k]; ++i, ++p) {
      if (s[p] < '0' || s[p] > '9') return 0;
      v[k] = v[k] * 10 + (s[p] - '0');
    }
  }
  return JulianFromYmd(v[0], v[1], v[2]);
}

std::string DtosFromJulian(JulianDay jd) {
  std::string out(8, ' ');
  expr::PutDtos(jd, out.data());
  return out;
}

Value Value::Character(std::string s) {
  Value v;
  v.type = ValueType::kCharacter;
  v.text = std::move(s);
  return v;
}

Value Value::Numeric(double n, int width, int decimals) {
  Value v;
  v.type = ValueType::kNumeric;
  v.number = n;
  v.width = width;
  v.decimals = decimals;
  return v;
}

Value Value::Date(JulianDay jd) {
  Value v;
  v.type = ValueType::kDate;
  v.date = jd;
  return v;
}

Value Value::DateTime(JulianDay jd, int32_t millis) {
  Value v;
  v.type = ValueType::kDateTime;
  v.date = jd;
  v.millis = jd == 0 ? 0 : millis;
  return v;
}

Value Value::Logical(bool b) {
  Value v;
  v.type = ValueType::kLogical;
  v.logical = b;
  return v;
}

std::string ShowValue(const Value& v) {
  switch (v.type) {
    case ValueType::kCharacter:
    case ValueType::kMemo:
      return v.text;
    case ValueType::kDate:
      return DtosFromJulian(v.date);
    case ValueType::kDateTime:
      return expr::ShowDateTime(v.date, v.millis);
    case ValueType::kLogical:
      return v.logical ? "T" : "F";
    case ValueType::kNumeric: {
      expr::Num n;
      n.v = v.number;
      n.dec = static_cast<int16_t>(std::clamp(v.decimals, 0, expr::kMaxDecimals));
      n.len = 0;
      std::string out;
      expr::FormatStr(n, -1, 0, &out);
      size_t first = out.find_first_not_of(' ');
      return first == std::string::npos ? out : out.substr(first);
    }
    case ValueType::kUndefined:
      break;
  }
  return "NIL";
}

namespace {

// FieldValue's decoding; a memo that cannot be read leaves its reason in
// *error.
Value DecodeField(const FieldInfo& field, std::string_view bytes, MemoReader* memo,
                  Status* error) {
  switch (field.type) {
    case 'N':
    case 'F': {
      expr::Num n = expr::FieldNumber(field, bytes);
      return Value::Numeric(n.v, n.TotalWidth(), n.dec);
    }
    case 'D':
      return Value::Date(JulianFromDtos(bytes));
    case 'L':
      return Value::Logical(!bytes.empty() && (bytes[0] == 'T' || bytes[0] == 't' ||
                                               bytes[0] == 'Y' || bytes[0] == 'y'));
    case 'I':
    case '+':
      if (bytes.size() >= 4) {
        if (field.dbase7) {
          // A blank (never written) value is all zeros or all blanks.
          if (AllBytes(bytes, '\0') || AllBytes(bytes, ' ')) return Value::Numeric(0, 10, 0);
          return Value::Numeric(SortableInt(bytes.data()), 10, 0);
        }
        return Value::Numeric(static_cast<int32_t>(ReadLE32(bytes.data())), 10, 0);
      }
      return Value::Numeric(0, 10, 0);
    case 'O':
      if (bytes.size() == 8 && !AllBytes(bytes, '\0') && !AllBytes(bytes, ' ')) {
        return Value::Numeric(SortableDouble(bytes.data()),
                              20 + (field.decimals ? field.decimals + 1 : 0), field.decimals);
      }
      return Value::Numeric(0, 20 + (field.decimals ? field.decimals + 1 : 0), field.decimals);
    case '@':
      // dBASE 7: two big-endian longs, the Julian day and the milliseconds
      // since midnight.
      if (bytes.size() == 8 && !AllBytes(bytes, '\0') && !AllBytes(bytes, ' ')) {
        return Value::DateTime(static_cast<int32_t>(ReadBE32(bytes.data())),
                               static_cast<int32_t>(ReadBE32(bytes.data() + 4)));
      }
      return Value::DateTime(0, 0);
    case 'Y':
      if (bytes.size() >= 8) {
        auto raw = static_cast<int64_t>(ReadLE64(bytes.data()));
        return Value::Numeric(static_cast<double>(raw) / 10000.0, 20, 4);
      }
      return Value::Numeric(0, 20, 4);
    case 'T':
      // Visual FoxPro: the Julian day and the milliseconds since midnight,
      // both little-endian; blanks in tables other writers filled.
      if (bytes.size() == 8 && !AllBytes(bytes, ' ')) {
        return Value::DateTime(static_cast<int32_t>(ReadLE32(bytes.data())),
                               static_cast<int32_t>(ReadLE32(bytes.data() + 4)));
      }
      return Value::DateTime(0, 0);
    case 'B':
      if (bytes.size() == 8) {  // Visual FoxPro double; dBASE's B is a memo pointer
        double d;
        std::memcpy(&d, bytes.data(), 8);
        return Value::Numeric(d, 20 + (field.decimals ? field.decimals + 1 : 0),
                              field.decimals);
      }
      [[fallthrough]];
    case 'M':
    case 'G':
    case 'W':
    case 'P': {
      Value v = Value::Character(std::string());
      if (memo != nullptr) {
        *error = memo->ReadMemo(bytes, &v.text);
        if (!error->ok()) v.text.clear();
      }
      return v;
    }
    default:
      return Value::Character(std::string(bytes));
  }
}

}  // namespace

Status FieldValue(const FieldInfo& field, std::string_view bytes, MemoReader* memo, Value* out) {
  Status error;
  *out = DecodeField(field, bytes, memo, &error);
  return error;
}

namespace expr {

namespace {

// Flips bit 5 of every byte of `src` in [lo, hi] (ASCII letters only: bytes
// with the high bit set never match).
inline void CopyFlipCase(const char* src, size_t n, char* dst, unsigned char lo, unsigned char hi) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x;
    std::memcpy(&x, src + i, 8);
    uint64_t low7 = x & ~kHigh;
    uint64_t ge_lo = low7 + (0x80 - lo) * kOnes;
    uint64_t gt_hi = low7 + (0x80 - hi - 1) * kOnes;
    uint64_t mask = ge_lo & ~gt_hi & ~x & kHigh;
    x ^= mask >> 2;
    std::memcpy(dst + i, &x, 8);
  }
  for (; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(src[i]);
    if (c >= lo && c <= hi) c ^= 0x20;
    dst[i] = static_cast<char>(c);
  }
}

}  // namespace

void CopyUpper(const char* src, size_t n, char* dst) { CopyFlipCase(src, n, dst, 'a', 'z'); }
void CopyLower(const char* src, size_t n, char* dst) { CopyFlipCase(src, n, dst, 'A', 'Z'); }

int IntLength(double v) {
  if (v < -999999999.0) return 20;
  if (v <= 999999999.0) return 10;
  int digits = 0;
  for (double x = v; x >= 1.0 && digits < 40; x /= 10) ++digits;
  return digits + 1;
}

int DoubleLength(double v) { return (v >= 10000000000.0 || v <= -1000000000.0) ? 20 : 10; }

Num MakeInt(double v) {
  Num n;
  n.v = v;
  n.len = static_cast<int16_t>(IntLength(v));
  n.is_int = true;
  return n;
}

Num MakeDouble(double v, int dec) {
  Num n;
  n.v = v;
  n.len = static_cast<int16_t>(DoubleLength(v));
  n.dec = static_cast<int16_t>(std::clamp(dec, 0, kMaxDecimals));
  return n;
}

size_t FormatFixed(double v, int dec, char* buf, size_t cap) {
  dec = std::clamp(dec, 0, kMaxDecimals);
  if (!std::isfinite(v)) {
    int n = std::snprintf(buf, cap, "%s", "***");
    return static_cast<size_t>(n);
  }
  double mag = std::fabs(v);
  if (mag < 1e15 && cap >= 40 && dec <= 15) {
    // Fast path: a value that is exactly representable at `dec` decimals
    // (any field value) needs no rounding decision.
    static const double kPow10[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    double scaled = mag * kPow10[dec];
    double r = std::nearbyint(scaled);
    if (scaled < 1e15 && std::fabs(scaled - r) <= scaled * 1e-12) {
      auto units = static_cast<uint64_t>(r);
      char tmp[24];
      int nd = 0;
      do {
        tmp[nd++] = static_cast<char>('0' + units % 10);
        units /= 10;
      } while (units != 0 || nd <= dec);
      size_t o = 0;
      if (v < 0 && r != 0) buf[o++] = '-';
      for (int k = nd - 1; k >= 0; --k) {
        if (k == dec - 1) buf[o++] = '.';
        buf[o++] = tmp[k];
      }
      buf[o] = '\0';
      return o;
    }
  }
  if (mag >= 1e15 || v == 0) {
    // No fraction survives at this magnitude: print the double as it is.
    int n = std::snprintf(buf, cap, "%.*f", dec, v == 0 ? 0.0 : v);
    return static_cast<size_t>(std::max(n, 0));
  }
  // Judge the value on its first 15 significant digits, as xBase prints
  // numbers: 0.1+0.2 is 0.3 and 2.675 rounds up to 2.68.
  char sci[40];
  std::snprintf(sci, sizeof(sci), "%.14e", mag);
  char digits[20];
  int nd = 0;
  for (const char* p = sci; *p != 'e' && nd < 15; ++p) {
    if (*p >= '0' && *p <= '9') digits[nd++] = *p;
  }
  int exp10 = std::atoi(std::strchr(sci, 'e') + 1);  // value = d.ddd * 10^exp10
  int keep = exp10 + 1 + dec;                        // significant digits to keep
  if (keep < 15) {
    if (keep < 0) {
      nd = 0;
    } else {
      bool up = digits[keep] >= '5';
      nd = keep;
      if (up) {
        int i = nd - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0) {
          ++digits[i];
        } else {
          std::memmove(digits + 1, digits, static_cast<size_t>(nd));
          digits[0] = '1';
          ++nd;
          ++exp10;
        }
      }
    }
  }
  auto digit_at = [&](int i) -> char { return (i >= 0 && i < nd) ? digits[i] : '0'; };
  size_t o = 0;
  bool nonzero = false;
  for (int i = 0; i < nd; ++i) nonzero |= digits[i] != '0';
  if (v < 0 && nonzero && o < cap) buf[o++] = '-';
  if (exp10 < 0) {
    if (o < cap) buf[o++] = '0';
  } else {
    for (int i = 0; i <= exp10 && o < cap; ++i) buf[o++] = digit_at(i);
  }
  if (dec > 0) {
    if (o < cap) buf[o++] = '.';
    for (int k = 1; k <= dec && o < cap; ++k) buf[o++] = digit_at(exp10 + k);
  }
  if (o < cap) buf[o] = '\0';
  return o;
}

double RoundDecimal(double v, int dec) {
  if (!std::isfinite(v) || v == 0) return v;
  char buf[512];
  if (dec < 0) {
    double p = std::pow(10.0, std::min(-dec, 300));
    FormatFixed(v / p, 0, buf, sizeof(buf));
    return std::strtod(buf, nullptr) * p;
  }
  FormatFixed(v, dec, buf, sizeof(buf));
  return std::strtod(buf, nullptr);
}

void FormatStr(const Num& n, int width, int dec, std::string* out) {
  int w = width;
  int d = dec;
  if (width < 0) {
    w = n.TotalWidth();
    d = n.dec;
  }
  d = std::clamp(d, 0, kMaxDecimals);
  char buf[512];
  size_t len = FormatFixed(n.v, d, buf, sizeof(buf));
  bool stars = !std::isfinite(n.v) || (width >= 0 && len > static_cast<size_t>(w));
  out->clear();
  if (stars) {
    out->append(static_cast<size_t>(std::max(w, 1)), '*');
    return;
  }
  if (len < static_cast<size_t>(w)) out->append(static_cast<size_t>(w) - len, ' ');
  out->append(buf, len);
}

namespace {

// Reads [blanks][sign]digits[.digits] from the front of `s`; stops at the
// first character that does not fit, as xBase's VAL does.
// `exponent`: field bytes may carry one (shapelib and GDAL write N and F
// values such as 1.429E+03); VAL() takes the digits before it, as Harbour.
double ParseNumberPrefix(std::string_view s, bool exponent, int* exact_decimals = nullptr) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  uint64_t mant = 0;
  int mant_digits = 0;
  int frac = 0;
  int extra_int = 0;  // integer digits dropped past 18 significant ones
  bool dot = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c == '.' && !dot) {
      dot = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    if (mant_digits < 18) {
      mant = mant * 10 + static_cast<uint64_t>(c - '0');
      if (mant != 0) ++mant_digits;
      if (dot) ++frac;
    } else if (!dot) {
      ++extra_int;
    }
  }
  int scale = extra_int - frac;
  if (exponent && i + 1 < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    size_t j = i + 1;
    bool exp_neg = false;
    if (s[j] == '-' || s[j] == '+') exp_neg = s[j++] == '-';
    int e = 0;
    bool digits = false;
    for (; j < s.size() && s[j] >= '0' && s[j] <= '9'; ++j) {
      digits = true;
      if (e < 10000) e = e * 10 + (s[j] - '0');
    }
    if (digits) {
      scale += exp_neg ? -e : e;
      // The decimals that show the value whole: 1.111049E-01 has seven.
      if (exact_decimals != nullptr) *exact_decimals = std::clamp(-scale, 0, kMaxDecimals);
    }
  }
  double v = static_cast<double>(mant);
  if (scale > 0) v *= std::pow(10.0, scale);
  if (scale < 0) v /= std::pow(10.0, -scale);
  return neg ? -v : v;
}

}  // namespace

Num ParseVal(std::string_view s) {
  Num n;
  n.v = ParseNumberPrefix(s, false);
  int width = s.empty() ? 10 : static_cast<int>(std::min<size_t>(s.size(), 255));
  size_t dot = s.find('.');
  int dec = dot == std::string_view::npos ? 0 : static_cast<int>(s.size() - dot - 1);
  dec = std::min(dec, kMaxDecimals);
  n.dec = static_cast<int16_t>(dec);
  n.len = static_cast<int16_t>(dec > 0 ? std::max(width - dec - 1, 0) : width);
  n.is_int = false;  // VAL always gives a double: VAL("10")/5 prints 2.00
  return n;
}

Num FieldNumber(const FieldInfo& f, std::string_view bytes) {
  Num n;
  int exact = 0;
  n.v = ParseNumberPrefix(bytes, true, &exact);
  int dec = std::max<int>(std::min<int>(f.decimals, kMaxDecimals), exact);
  n.dec = static_cast<int16_t>(dec);
  n.len = static_cast<int16_t>(dec > 0 ? std::max(f.width - dec - 1, 0) : f.width);
  return n;
}

JulianDay JulianFromCtod(std::string_view s) {
  int part[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  size_t i = 0;
  for (int k = 0; k < 3; ++k) {
    while (i < s.size() && (s[i] < '0' || s[i] > '9')) ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      if (digits[k] < 9) part[k] = part[k] * 10 + (s[i] - '0');
      ++digits[k];
      ++i;
    }
  }
  if (digits[0] == 0) return 0;
  int year = part[2];
  if (digits[2] <= 2) {  // SET EPOCH 1950: two-digit years fall in 1950..2049
    year += 1900;
    if (year < 1950) year += 100;
  }
  return JulianFromYmd(year, part[0], part[1]);
}

namespace {
// Date digits as Harbour writes them: each digit modulo 10, so the day after
// 9999-12-31 reads 00000101.
void PutDigits(int v, int n, char* out) {
  for (int i = n - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
}
}  // namespace

void PutDtos(JulianDay jd, char out[8]) {
  if (jd <= 0) {
    std::memset(out, ' ', 8);
    return;
  }
  int y, m, d;
  YmdFromJulian(jd, &y, &m, &d);
  PutDigits(y, 4, out);
  PutDigits(m, 2, out + 4);
  PutDigits(d, 2, out + 6);
}

std::string ShowDateTime(JulianDay jd, int32_t millis) {
  if (jd <= 0) return std::string();
  int y, m, d;
  YmdFromJulian(jd, &y, &m, &d);
  if (millis < 0 || millis >= 86400000) millis = 0;
  char buf[40];
  int ms = millis % 1000;
  int secs = millis / 1000;
  int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, secs / 3600,
                        secs / 60 % 60, secs % 60);
  if (ms != 0) n += std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), ".%03d", ms);
  return std::string(buf, static_cast<size_t>(n));
}

void TtocFromStamp(JulianDay jd, int32_t millis, bool stamp_form, std::string* out) {
  if (jd <= 0) {
    out->assign(stamp_form ? 14 : 22, ' ');
    return;
  }
  int y, m, d;
  YmdFromJulian(jd, &y, &m, &d);
  if (millis < 0 || millis >= 86400000) millis = 0;
  int secs = millis / 1000;
  int h = secs / 3600, mi = secs / 60 % 60, s = secs % 60;
  char buf[48];
  int n;
  if (stamp_form) {
    n = std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y % 10000, m, d, h, mi, s);
  } else {
    // Visual FoxPro's default: the American date, a 12-hour clock.
    int h12 = h % 12 == 0 ? 12 : h % 12;
    n = std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d %s", m, d, y % 10000, h12, mi,
                      s, h < 12 ? "AM" : "PM");
  }
  out->assign(buf, static_cast<size_t>(n));
}

void DtocFromJulian(JulianDay jd, char out[10]) {
  if (jd <= 0) {
    std::memcpy(out, "  /  /    ", 10);
    return;
  }
  int y, m, d;
  YmdFromJulian(jd, &y, &m, &d);
  PutDigits(m, 2, out);
  out[2] = '/';
  PutDigits(d, 2, out + 3);
  out[5] = '/';
  PutDigits(y, 4, out + 6);
}

}  // namespace expr
}  // namespace xb
