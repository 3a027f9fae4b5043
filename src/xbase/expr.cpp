// Parsing xBase expressions into evaluator nodes, and the Expression object
// callers hold. Precedence, from loosest: .OR., .AND., .NOT./!, comparisons
// and $, + -, * / %, ^ and **, unary + -. A filter built by joining
// conditions with " and " also parses: the bare words and, or, not count as
// operators when they stand between blanks.
#include <cstring>

#include "expr_internal.h"

namespace xb {

namespace {

using expr::Node;
using expr::NodePtr;
using expr::T;

// Nesting past these depths is refused rather than risking the stack.
constexpr int kMaxNesting = 200;
constexpr int kMaxTreeDepth = 1000;

enum class Tok { kEnd, kIdent, kNumber, kString, kLogical, kOp, kLParen, kRParen, kComma, kArrow };

struct Token {
  Tok kind = Tok::kEnd;
  int pos = 0;           // 1-based
  std::string text;      // identifier (upper case), number digits, string contents
  char op = 0;           // operator code, see expr::MakeBinary; '!' for .NOT.
  bool logical = false;  // kLogical
};

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = expr::AsciiUpper(c);
  return u;
}

std::string SyntaxError(int pos, const std::string& what) {
  return "syntax error at position " + std::to_string(pos) + ": " + what;
}

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Tok::kEnd: return "end of expression";
    case Tok::kIdent: return t.text;
    case Tok::kNumber: return t.text;
    case Tok::kString: return "string";
    case Tok::kLogical: return t.logical ? ".T." : ".F.";
    case Tok::kLParen: return "'('";
    case Tok::kRParen: return "')'";
    case Tok::kComma: return "','";
    case Tok::kArrow: return "'->'";
    case Tok::kOp: break;
  }
  switch (t.op) {
    case 'E': return "'=='";
    case '#': return "'<>'";
    case 'l': return "'<='";
    case 'g': return "'>='";
    case '&': return ".AND.";
    case '|': return ".OR.";
    case '!': return ".NOT.";
    default: return std::string("'") + t.op + "'";
  }
}

// Splits the text into tokens. Returns false with `*err` on a bad character
// or an unterminated string.
bool Lex(std::string_view s, std::vector<Token>* out, std::string* err) {
  size_t i = 0;
  const size_t n = s.size();
  auto op = [&](char code, size_t len) {
    Token t;
    t.kind = Tok::kOp;
    t.pos = static_cast<int>(i + 1);
    t.op = code;
    out->push_back(t);
    i += len;
  };
  while (i < n) {
    char c = s[i];
    if (IsSpace(c)) {
      ++i;
      continue;
    }
    Token t;
    t.pos = static_cast<int>(i + 1);
    if (c == '"' || c == '\'' || c == '[') {
      char close = c == '[' ? ']' : c;
      size_t end = s.find(close, i + 1);
      if (end == std::string_view::npos) {
        *err = SyntaxError(t.pos, "string is not closed");
        return false;
      }
      t.kind = Tok::kString;
      t.text = std::string(s.substr(i + 1, end - i - 1));
      out->push_back(std::move(t));
      i = end + 1;
      continue;
    }
    if (c == '.') {
      // .T. .F. .Y. .N. .AND. .OR. .NOT. or a number such as .5
      static const struct { const char* word; char op; int logical; } kDotted[] = {
          {"T.", 0, 1}, {"F.", 0, 0}, {"Y.", 0, 1}, {"N.", 0, 0},
          {"AND.", '&', -1}, {"OR.", '|', -1}, {"NOT.", '!', -1}};
      bool matched = false;
      for (const auto& d : kDotted) {
        size_t len = std::strlen(d.word);
        if (i + 1 + len <= n && Upper(s.substr(i + 1, len)) == d.word) {
          if (d.logical >= 0) {
            t.kind = Tok::kLogical;
            t.logical = d.logical == 1;
            out->push_back(std::move(t));
            i += 1 + len;
          } else {
            op(d.op, 1 + len);
          }
          matched = true;
          break;
        }
      }
      if (matched) continue;
      if (i + 1 >= n || !IsDigit(s[i + 1])) {
        *err = SyntaxError(t.pos, "unexpected '.'");
        return false;
      }
    }
    if (IsDigit(c) || c == '.') {
      size_t j = i;
      while (j < n && IsDigit(s[j])) ++j;
      if (j < n && s[j] == '.' && j + 1 < n && IsDigit(s[j + 1])) {
        ++j;
        while (j < n && IsDigit(s[j])) ++j;
      } else if (j < n && s[j] == '.' && (j + 1 >= n || !IsIdentStart(s[j + 1]))) {
        ++j;  // "12." is a number; "12.AND." is not
      }
      if (j - i > 40) {
        *err = SyntaxError(t.pos, "number too long");
        return false;
      }
      t.kind = Tok::kNumber;
      t.text = std::string(s.substr(i, j - i));
      out->push_back(std::move(t));
      i = j;
      continue;
    }
    if (IsIdentStart(c)) {
      size_t j = i;
      while (j < n && IsIdentChar(s[j])) ++j;
      std::string word = Upper(s.substr(i, j - i));
      bool blank_before = i == 0 || IsSpace(s[i - 1]) || s[i - 1] == '(';
      bool blank_after = j < n && IsSpace(s[j]);
      if ((word == "AND" || word == "OR") && i > 0 && IsSpace(s[i - 1]) && blank_after) {
        op(word == "AND" ? '&' : '|', j - i);
        continue;
      }
      if (word == "NOT" && blank_before && (blank_after || (j < n && s[j] == '('))) {
        op('!', j - i);
        continue;
      }
      t.kind = Tok::kIdent;
      t.text = std::move(word);
      out->push_back(std::move(t));
      i = j;
      continue;
    }
    char d = i + 1 < n ? s[i + 1] : '\0';
    if ((c == '+' || c == '-') && d == c) {
      // xBase reads these as increment and decrement, which change a
      // variable; an expression over a record has none to change.
      *err = SyntaxError(t.pos, std::string("'") + c + c + "' is not allowed in an expression");
      return false;
    }
    switch (c) {
      case '(': t.kind = Tok::kLParen; out->push_back(t); ++i; continue;
      case ')': t.kind = Tok::kRParen; out->push_back(t); ++i; continue;
      case ',': t.kind = Tok::kComma; out->push_back(t); ++i; continue;
      case '+': op('+', 1); continue;
      case '-':
        if (d == '>') {
          t.kind = Tok::kArrow;
          out->push_back(t);
          i += 2;
        } else {
          op('-', 1);
        }
        continue;
      case '*': if (d == '*') op('^', 2); else op('*', 1); continue;
      case '/': op('/', 1); continue;
      case '%': op('%', 1); continue;
      case '^': op('^', 1); continue;
      case '$': op('$', 1); continue;
      case '#': op('#', 1); continue;
      case '=': if (d == '=') op('E', 2); else op('=', 1); continue;
      case '!': if (d == '=') op('#', 2); else op('!', 1); continue;
      case '<':
        if (d == '>') op('#', 2);
        else if (d == '=') op('l', 2);
        else op('<', 1);
        continue;
      case '>': if (d == '=') op('g', 2); else op('>', 1); continue;
      default:
        *err = SyntaxError(t.pos, std::string("unexpected character '") + c + "'");
        return false;
    }
  }
  Token end;
  end.kind = Tok::kEnd;
  end.pos = static_cast<int>(n + 1);
  out->push_back(end);
  return true;
}

class Parser {
 public:
  Parser(const std::vector<Token>& toks, const std::vector<FieldInfo>& fields)
      : toks_(toks), fields_(fields) {}

  NodePtr ParseAll(std::string* err) {
    NodePtr n = ParseOr();
    if (n && Peek().kind != Tok::kEnd) {
      Fail(SyntaxError(Peek().pos, "unexpected " + Describe(Peek())));
      n.reset();
    }
    if (!n) *err = err_;
    return n;
  }

 private:
  const Token& Peek() const { return toks_[at_]; }
  const Token& Next() { return toks_[at_ < toks_.size() - 1 ? at_++ : at_]; }
  bool IsOp(char op) const { return Peek().kind == Tok::kOp && Peek().op == op; }
  NodePtr Fail(std::string msg) {
    if (err_.empty()) err_ = std::move(msg);
    return nullptr;
  }

  // Gives a built node its height; refuses trees too tall to evaluate safely.
  NodePtr Built(NodePtr n, int child_depth, int pos, std::string* build_err) {
    if (!n) return Fail(*build_err);
    n->set_depth(std::max(n->depth(), child_depth + 1));
    if (n->depth() > kMaxTreeDepth) {
      return Fail("expression nested too deeply at position " + std::to_string(pos));
    }
    return n;
  }

  NodePtr Binary(char op, NodePtr a, NodePtr b, int pos) {
    int d = std::max(a->depth(), b->depth());
    std::string e;
    return Built(expr::MakeBinary(op, std::move(a), std::move(b), pos, &e), d, pos, &e);
  }

  NodePtr Unary(char op, NodePtr a, int pos) {
    int d = a->depth();
    std::string e;
    return Built(expr::MakeUnary(op, std::move(a), pos, &e), d, pos, &e);
  }

  // Counts recursion through parentheses, arguments and prefix operators.
  struct Nest {
    explicit Nest(int* n) : n_(n) { ++*n_; }
    ~Nest() { --*n_; }
    int* n_;
  };
  bool TooDeep(int pos) {
    if (nesting_ <= kMaxNesting) return false;
    Fail("expression nested too deeply at position " + std::to_string(pos));
    return true;
  }

  NodePtr ParseOr() {
    NodePtr l = ParseAnd();
    while (l && IsOp('|')) {
      int pos = Next().pos;
      NodePtr r = ParseAnd();
      if (!r) return nullptr;
      l = Binary('|', std::move(l), std::move(r), pos);
    }
    return l;
  }

  NodePtr ParseAnd() {
    NodePtr l = ParseNot();
    while (l && IsOp('&')) {
      int pos = Next().pos;
      NodePtr r = ParseNot();
      if (!r) return nullptr;
      l = Binary('&', std::move(l), std::move(r), pos);
    }
    return l;
  }

  NodePtr ParseNot() {
    if (IsOp('!')) {
      Nest nest(&nesting_);
      int pos = Next().pos;
      if (TooDeep(pos)) return nullptr;
      NodePtr a = ParseNot();
      if (!a) return nullptr;
      return Unary('!', std::move(a), pos);
    }
    return ParseRelation();
  }

  static bool IsRelation(char op) {
    return std::strchr("=E#<>lg$", op) != nullptr;
  }

  NodePtr ParseRelation() {
    NodePtr l = ParseAdditive();
    while (l && Peek().kind == Tok::kOp && IsRelation(Peek().op)) {
      const Token& t = Next();
      NodePtr r = ParseAdditive();
      if (!r) return nullptr;
      l = Binary(t.op, std::move(l), std::move(r), t.pos);
    }
    return l;
  }

  NodePtr ParseAdditive() {
    NodePtr l = ParseMultiplicative();
    while (l && (IsOp('+') || IsOp('-'))) {
      const Token& t = Next();
      NodePtr r = ParseMultiplicative();
      if (!r) return nullptr;
      l = Binary(t.op, std::move(l), std::move(r), t.pos);
    }
    return l;
  }

  NodePtr ParseMultiplicative() {
    NodePtr l = ParsePower();
    while (l && (IsOp('*') || IsOp('/') || IsOp('%'))) {
      const Token& t = Next();
      NodePtr r = ParsePower();
      if (!r) return nullptr;
      l = Binary(t.op, std::move(l), std::move(r), t.pos);
    }
    return l;
  }

  NodePtr ParsePower() {
    NodePtr l = ParseUnary();
    while (l && IsOp('^')) {
      int pos = Next().pos;
      NodePtr r = ParseUnary();
      if (!r) return nullptr;
      l = Binary('^', std::move(l), std::move(r), pos);
    }
    return l;
  }

  NodePtr ParseUnary() {
    if (IsOp('-') || IsOp('+') || IsOp('!')) {
      Nest nest(&nesting_);
      const Token& t = Next();
      if (TooDeep(t.pos)) return nullptr;
      NodePtr a = ParseUnary();
      if (!a) return nullptr;
      return Unary(t.op, std::move(a), t.pos);
    }
    return ParsePrimary();
  }

  NodePtr ParsePrimary() {
    const Token& t = Next();
    switch (t.kind) {
      case Tok::kNumber:
        return expr::MakeNumberLiteral(t.text, t.pos);
      case Tok::kString:
        if (t.text.size() > expr::kMaxString) {
          return Fail(SyntaxError(t.pos, "string longer than 65535 bytes"));
        }
        return expr::MakeStringLiteral(t.text, t.pos);
      case Tok::kLogical:
        return expr::MakeLogicalLiteral(t.logical, t.pos);
      case Tok::kLParen: {
        Nest nest(&nesting_);
        if (TooDeep(t.pos)) return nullptr;
        NodePtr n = ParseOr();
        if (!n) return nullptr;
        if (Peek().kind != Tok::kRParen) {
          return Fail(SyntaxError(Peek().pos, "')' expected, found " + Describe(Peek())));
        }
        Next();
        return n;
      }
      case Tok::kIdent:
        return ParseName(t);
      default:
        return Fail(SyntaxError(t.pos, "value expected, found " + Describe(t)));
    }
  }

  NodePtr ParseName(const Token& t) {
    if (Peek().kind == Tok::kLParen) return ParseCall(t);
    const Token* name = &t;
    if (Peek().kind == Tok::kArrow) {
      // FIELD->NAME or ALIAS->NAME: the table is the only one in scope.
      Next();
      if (Peek().kind != Tok::kIdent) {
        return Fail(SyntaxError(Peek().pos, "field name expected after '->'"));
      }
      name = &Next();
    }
    int idx = FindField(fields_, name->text);
    if (idx < 0) {
      return Fail("unknown field " + name->text + " at position " + std::to_string(name->pos));
    }
    return expr::MakeField(fields_[static_cast<size_t>(idx)], name->pos);
  }

  NodePtr ParseCall(const Token& t) {
    Nest nest(&nesting_);
    Next();  // '('
    if (TooDeep(t.pos)) return nullptr;
    std::vector<NodePtr> args;
    int depth = 0;
    if (Peek().kind != Tok::kRParen) {
      while (true) {
        NodePtr a = ParseOr();
        if (!a) return nullptr;
        depth = std::max(depth, a->depth());
        args.push_back(std::move(a));
        if (Peek().kind == Tok::kComma) {
          Next();
          continue;
        }
        break;
      }
    }
    if (Peek().kind != Tok::kRParen) {
      return Fail(SyntaxError(Peek().pos, "')' expected, found " + Describe(Peek())));
    }
    Next();
    std::string e;
    return Built(expr::MakeCall(t.text, std::move(args), t.pos, &e), depth, t.pos, &e);
  }

  const std::vector<Token>& toks_;
  const std::vector<FieldInfo>& fields_;
  size_t at_ = 0;
  int nesting_ = 0;
  std::string err_;
};

// Tokens [b, e) with brackets that hold all of them taken off.
void StripEnclosing(const std::vector<Token>& t, size_t* b, size_t* e) {
  while (*e - *b >= 2 && t[*b].kind == Tok::kLParen && t[*e - 1].kind == Tok::kRParen) {
    int depth = 0;
    size_t close = *b;
    for (size_t i = *b; i < *e; ++i) {
      if (t[i].kind == Tok::kLParen) ++depth;
      if (t[i].kind == Tok::kRParen && --depth == 0) {
        close = i;
        break;
      }
    }
    if (close != *e - 1) return;
    ++*b;
    --*e;
  }
}

void CollectEqualities(std::string_view text, const std::vector<Token>& t, size_t b, size_t e,
                       std::vector<LiteralEquality>* out) {
  StripEnclosing(t, &b, &e);
  if (b >= e) return;
  // .OR. binds loosest: one at this level means no part is necessary.
  std::vector<size_t> ands;
  int depth = 0;
  for (size_t i = b; i < e; ++i) {
    if (t[i].kind == Tok::kLParen) ++depth;
    if (t[i].kind == Tok::kRParen) --depth;
    if (depth != 0 || t[i].kind != Tok::kOp) continue;
    if (t[i].op == '|') return;
    if (t[i].op == '&') ands.push_back(i);
  }
  if (!ands.empty()) {
    size_t from = b;
    for (size_t a : ands) {
      CollectEqualities(text, t, from, a, out);
      from = a + 1;
    }
    CollectEqualities(text, t, from, e, out);
    return;
  }
  // A leaf: lhs tokens, '=', one string, and nothing in lhs that binds looser.
  if (e - b < 3 || t[e - 1].kind != Tok::kString) return;
  const Token& eq = t[e - 2];
  if (eq.kind != Tok::kOp || eq.op != '=') return;
  depth = 0;
  for (size_t i = b; i < e - 2; ++i) {
    if (t[i].kind == Tok::kLParen) ++depth;
    if (t[i].kind == Tok::kRParen) --depth;
    if (depth == 0 && t[i].kind == Tok::kOp &&
        std::strchr("=E#<>lg$!&|", t[i].op) != nullptr) {
      return;
    }
  }
  if (depth != 0) return;
  const size_t from = static_cast<size_t>(t[b].pos - 1);
  const size_t to = static_cast<size_t>(eq.pos - 1);
  std::string_view lhs = text.substr(from, to - from);
  while (!lhs.empty() && IsSpace(lhs.back())) lhs.remove_suffix(1);
  out->push_back(LiteralEquality{std::string(lhs), t[e - 1].text});
}

}  // namespace

struct Expression::Rep {
  std::string text;
  NodePtr root;
};

Expression::Expression() : rep_(std::make_unique<Rep>()) {}
Expression::~Expression() = default;

Status Expression::Compile(std::string_view text, const std::vector<FieldInfo>& fields,
                           std::unique_ptr<Expression>* out) {
  std::vector<Token> toks;
  std::string err;
  if (!Lex(text, &toks, &err)) return Status::InvalidArgument(err);
  if (toks.size() == 1) return Status::InvalidArgument("the expression is empty");
  Parser parser(toks, fields);
  NodePtr root = parser.ParseAll(&err);
  if (!root) return Status::InvalidArgument(err);
  std::unique_ptr<Expression> e(new Expression());
  e->rep_->text = std::string(text);
  e->rep_->root = std::move(root);
  *out = std::move(e);
  return Status::OK();
}

std::vector<LiteralEquality> Expression::LiteralEqualities(std::string_view condition) {
  std::vector<Token> toks;
  std::string err;
  std::vector<LiteralEquality> out;
  if (!Lex(condition, &toks, &err)) return out;
  CollectEqualities(condition, toks, 0, toks.size() - 1, &out);
  return out;
}

const std::string& Expression::text() const { return rep_->text; }

ValueType Expression::type() const { return static_cast<ValueType>(rep_->root->type()); }

int Expression::result_width() const {
  return rep_->root->type() == T::C ? rep_->root->width() : -1;
}

Status Expression::Evaluate(const RecordRef& record, const EvalSettings& settings,
                            Value* out) const {
  if (record.data == nullptr) return Status::InvalidArgument("there is no current record");
  expr::Ctx ctx;
  ctx.rec = &record;
  ctx.exact = settings.exact;
  const Node& root = *rep_->root;
  out->type = static_cast<ValueType>(root.type());
  switch (root.type()) {
    case T::C:
      out->text.assign(root.Str(ctx));
      break;
    case T::N: {
      expr::Num n = root.Number(ctx);
      out->text.clear();
      out->number = n.v;
      out->width = n.TotalWidth();
      out->decimals = n.dec;
      break;
    }
    case T::D:
      out->text.clear();
      out->date = root.Date(ctx);
      out->millis = 0;
      if (root.has_time()) {
        out->type = ValueType::kDateTime;
        out->millis = out->date == 0 ? 0 : root.Millis(ctx);
      }
      break;
    case T::L:
      out->text.clear();
      out->logical = root.Bool(ctx);
      break;
  }
  if (ctx.failed) return Status::InvalidArgument(ctx.error);
  return Status::OK();
}

Status Expression::EvaluateText(const RecordRef& record, const EvalSettings& settings,
                                std::string_view* out) const {
  *out = {};
  if (rep_->root->type() != T::C) {
    return Status::InvalidArgument("expression " + rep_->text + " does not give text");
  }
  if (record.data == nullptr) return Status::InvalidArgument("there is no current record");
  expr::Ctx ctx;
  ctx.rec = &record;
  ctx.exact = settings.exact;
  std::string_view v = rep_->root->Str(ctx);
  if (ctx.failed) return Status::InvalidArgument(ctx.error);
  *out = v;
  return Status::OK();
}

bool Expression::EvaluateLogical(const RecordRef& record, const EvalSettings& settings,
                                 Status* error) const {
  if (rep_->root->type() != T::L) {
    if (error) *error = Status::InvalidArgument("expression " + rep_->text + " is not a condition");
    return false;
  }
  if (record.data == nullptr) {
    if (error) *error = Status::InvalidArgument("there is no current record");
    return false;
  }
  expr::Ctx ctx;
  ctx.rec = &record;
  ctx.exact = settings.exact;
  bool b = rep_->root->Bool(ctx);
  if (ctx.failed) {
    if (error) *error = Status::InvalidArgument(ctx.error);
    return false;
  }
  // Scans pass one Status for every record: reset only when it holds one.
  if (error && !error->ok()) *error = Status::OK();
  return b;
}

}  // namespace xb
