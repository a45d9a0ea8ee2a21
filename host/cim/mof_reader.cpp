// mof_reader.cpp: a hand-written lexer and recursive-descent parser for the
// MOF of DMTF's schema files.
#include "host/cim/mof_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>

namespace zubwbem {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

bool Same(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

template <size_t N>
bool Listed(const std::string_view (&table)[N], std::string_view name) {
  return std::any_of(std::begin(table), std::end(table), [&](std::string_view t) { return t == name; });
}

// The CIM data types and, for integers, their ranges.
struct DataType {
  std::string_view name;
  bool integer;
  bool isSigned;
  std::uint64_t maxMagnitude;  // of a positive value
};
constexpr DataType kDataTypes[] = {
    {"string", false, false, 0},
    {"boolean", false, false, 0},
    {"datetime", false, false, 0},
    {"char16", false, false, 0},
    {"real32", false, false, 0},
    {"real64", false, false, 0},
    {"uint8", true, false, 0xFF},
    {"uint16", true, false, 0xFFFF},
    {"uint32", true, false, 0xFFFFFFFF},
    {"uint64", true, false, std::numeric_limits<std::uint64_t>::max()},
    {"sint8", true, true, 0x7F},
    {"sint16", true, true, 0x7FFF},
    {"sint32", true, true, 0x7FFFFFFF},
    {"sint64", true, true, 0x7FFFFFFFFFFFFFFF},
};

const DataType* FindDataType(std::string_view lowerName) {
  for (const DataType& t : kDataTypes) {
    if (t.name == lowerName) return &t;
  }
  return nullptr;
}

constexpr std::string_view kScopes[] = {"class",  "association", "indication", "property", "reference",
                                        "method", "parameter",   "qualifier",  "any"};
constexpr std::string_view kFlavors[] = {"enableoverride", "disableoverride", "tosubclass",
                                         "restricted",     "translatable",    "toinstance"};

struct Token {
  enum class Kind { End, Identifier, Number, String, Char, Punct };
  Kind kind = Kind::End;
  std::string text;  // identifiers and numbers as written, strings decoded, punctuation its character
  int line = 1;
  int col = 1;
};

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

class Lexer {
 public:
  Lexer(std::string_view source, std::string_view text) : m_source(source), m_text(text) {}

  const std::string& Source() const { return m_source; }

  [[noreturn]] void Fail(int line, int col, const std::string& what) const {
    throw MofError(m_source + ":" + std::to_string(line) + ":" + std::to_string(col) + ": " + what);
  }

  Token Next() {
    SkipSpaceAndComments();
    Token t;
    t.line = m_line;
    t.col = Col();
    if (m_pos >= m_text.size()) return t;
    char c = m_text[m_pos];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t start = m_pos;
      while (m_pos < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_')) {
        ++m_pos;
      }
      t.kind = Token::Kind::Identifier;
      t.text = m_text.substr(start, m_pos - start);
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && m_pos + 1 < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos + 1])))) {
      size_t start = m_pos;
      // A number runs over everything that may belong to one; the parser
      // judges its form.
      while (m_pos < m_text.size()) {
        char d = m_text[m_pos];
        bool exponentSign = (d == '+' || d == '-') && (m_text[m_pos - 1] == 'e' || m_text[m_pos - 1] == 'E') &&
                            !(m_text.substr(start, 2) == "0x" || m_text.substr(start, 2) == "0X");
        if (!std::isalnum(static_cast<unsigned char>(d)) && d != '.' && !exponentSign) break;
        ++m_pos;
      }
      t.kind = Token::Kind::Number;
      t.text = m_text.substr(start, m_pos - start);
    } else if (c == '"') {
      t.kind = Token::Kind::String;
      ++m_pos;
      t.text = Quoted('"', t);
    } else if (c == '\'') {
      t.kind = Token::Kind::Char;
      ++m_pos;
      t.text = Quoted('\'', t);
      if (t.text.empty()) Fail(t.line, t.col, "expected one character between single quotes");
    } else {
      t.kind = Token::Kind::Punct;
      t.text = std::string(1, c);
      ++m_pos;
    }
    return t;
  }

 private:
  int Col() const { return static_cast<int>(m_pos - m_lineStart) + 1; }

  void NewLineAt(size_t pos) {
    ++m_line;
    m_lineStart = pos + 1;
  }

  void SkipSpaceAndComments() {
    while (m_pos < m_text.size()) {
      char c = m_text[m_pos];
      if (c == '\n') {
        NewLineAt(m_pos);
        ++m_pos;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++m_pos;
      } else if (m_text.substr(m_pos, 2) == "//") {
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
      } else if (m_text.substr(m_pos, 2) == "/*") {
        int line = m_line, col = Col();
        size_t end = m_text.find("*/", m_pos + 2);
        if (end == std::string_view::npos) Fail(line, col, "expected */ to close this comment");
        for (size_t i = m_pos; i < end; ++i) {
          if (m_text[i] == '\n') NewLineAt(i);
        }
        m_pos = end + 2;
      } else {
        break;
      }
    }
  }

  // The body of a string or character literal, escapes decoded; m_pos is
  // just past the opening quote.
  std::string Quoted(char quote, const Token& t) {
    std::string out;
    while (true) {
      if (m_pos >= m_text.size() || m_text[m_pos] == '\n') Fail(t.line, t.col, std::string("expected ") + quote + " to close this literal");
      char c = m_text[m_pos++];
      if (c == quote) return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (m_pos >= m_text.size()) Fail(m_line, Col(), "expected an escape sequence");
      char e = m_text[m_pos++];
      static constexpr std::pair<char, char> kEscapes[] = {{'b', '\b'}, {'t', '\t'}, {'n', '\n'}, {'f', '\f'},
                                                          {'r', '\r'}, {'"', '"'},  {'\'', '\''}, {'\\', '\\'}};
      auto simple = std::find_if(std::begin(kEscapes), std::end(kEscapes), [&](auto& p) { return p.first == e; });
      if (simple != std::end(kEscapes)) {
        out += simple->second;
      } else if (e == 'x' || e == 'X') {
        size_t start = m_pos;
        while (m_pos < m_text.size() && m_pos - start < 4 && std::isxdigit(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
        if (m_pos == start) Fail(m_line, Col(), "expected hex digits after \\x");
        AppendUtf8(out, static_cast<std::uint32_t>(std::stoul(std::string(m_text.substr(start, m_pos - start)), nullptr, 16)));
      } else {
        Fail(m_line, Col() - 2, "expected an escape sequence (\\b \\t \\n \\f \\r \\\" \\' \\\\ \\xHHHH)");
      }
    }
  }

  std::string m_source;
  std::string_view m_text;
  size_t m_pos = 0;
  int m_line = 1;
  size_t m_lineStart = 0;
};

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Token::Kind::End: return "the end of the text";
    case Token::Kind::String: return "a string";
    case Token::Kind::Char: return "a character";
    default: return "'" + t.text + "'";
  }
}

}  // namespace

std::vector<std::string> MofValue::Strings() const {
  std::vector<std::string> out;
  for (const MofScalar& s : items) {
    if (s.kind != MofScalar::Kind::String) return {};
    out.push_back(s.text);
  }
  return out;
}

const MofQualifier* FindQualifier(const MofQualifiers& qualifiers, std::string_view name) {
  for (const MofQualifier& q : qualifiers) {
    if (Same(q.name, name)) return &q;
  }
  return nullptr;
}

bool MofQualifierDecl::Has(std::string_view flavor) const {
  return std::any_of(flavors.begin(), flavors.end(), [&](const std::string& f) { return Same(f, flavor); });
}

const MofClass* MofSchema::Find(std::string_view name) const {
  auto it = m_classIndex.find(Lower(name));
  return it == m_classIndex.end() ? nullptr : &m_classes[it->second];
}

const MofQualifierDecl* MofSchema::FindQualifierDecl(std::string_view name) const {
  auto it = m_qualifierIndex.find(Lower(name));
  return it == m_qualifierIndex.end() ? nullptr : &m_qualifierDecls[it->second];
}

bool MofSchema::IsSubclassOf(std::string_view cls, std::string_view ancestor) const {
  const MofClass* c = Find(cls);
  if (!c || !Find(ancestor)) return false;
  // A superclass is always declared before its subclass, so the chain ends.
  for (c = Find(c->superclass); c; c = Find(c->superclass)) {
    if (Same(c->name, ancestor)) return true;
  }
  return false;
}

std::vector<const MofProperty*> MofSchema::AllProperties(const MofClass& cls) const {
  std::vector<const MofProperty*> out;
  auto it = m_classIndex.find(Lower(cls.name));
  if (it == m_classIndex.end() || &m_classes[it->second] != &cls) return out;
  for (const MofProperty& p : m_resolved[it->second].properties) out.push_back(&p);
  return out;
}

std::vector<const MofMethod*> MofSchema::AllMethods(const MofClass& cls) const {
  std::vector<const MofMethod*> out;
  auto it = m_classIndex.find(Lower(cls.name));
  if (it == m_classIndex.end() || &m_classes[it->second] != &cls) return out;
  for (const MofMethod& m : m_resolved[it->second].methods) out.push_back(&m);
  return out;
}

class MofParser {
 public:
  MofParser(MofSchema& schema, std::string_view source, std::string_view text, const MofIncludeResolver& resolve,
            int depth)
      : m_schema(schema), m_lex(source, text), m_resolve(resolve), m_depth(depth) {
    Advance();
  }

  void Run() {
    while (m_tok.kind != Token::Kind::End) {
      if (IsPunct("#")) {
        Directive();
      } else if (IsKeyword("qualifier")) {
        QualifierDeclaration();
      } else {
        Token at = m_tok;
        MofQualifiers qualifiers = QualifierList("");
        if (!IsKeyword("class")) Fail("expected a class, qualifier or #pragma declaration, not " + Describe(m_tok));
        Class(std::move(qualifiers), at);
      }
    }
  }

 private:
  // ---- Tokens --------------------------------------------------------------
  void Advance() { m_tok = m_lex.Next(); }
  bool IsPunct(std::string_view p) const { return m_tok.kind == Token::Kind::Punct && m_tok.text == p; }
  bool IsKeyword(std::string_view k) const { return m_tok.kind == Token::Kind::Identifier && Same(m_tok.text, k); }
  [[noreturn]] void Fail(const std::string& what) const { m_lex.Fail(m_tok.line, m_tok.col, what); }
  [[noreturn]] void FailAt(const Token& at, const std::string& what) const { m_lex.Fail(at.line, at.col, what); }

  void Expect(std::string_view punct, std::string_view where) {
    if (!IsPunct(punct)) Fail("expected '" + std::string(punct) + "' " + std::string(where) + ", not " + Describe(m_tok));
    Advance();
  }
  bool Accept(std::string_view punct) {
    if (!IsPunct(punct)) return false;
    Advance();
    return true;
  }
  std::string Identifier(std::string_view what) {
    if (m_tok.kind != Token::Kind::Identifier) Fail("expected " + std::string(what) + ", not " + Describe(m_tok));
    std::string out = m_tok.text;
    Advance();
    return out;
  }
  // One or more adjacent string literals, joined.
  std::string StringLiteral(std::string_view what) {
    if (m_tok.kind != Token::Kind::String) Fail("expected " + std::string(what) + ", not " + Describe(m_tok));
    std::string out;
    while (m_tok.kind == Token::Kind::String) {
      out += m_tok.text;
      Advance();
    }
    return out;
  }

  // ---- Pragmas -------------------------------------------------------------
  void Directive() {
    Advance();
    if (!IsKeyword("pragma")) Fail("expected pragma after '#'");
    Advance();
    Token nameTok = m_tok;
    std::string name = Lower(Identifier("a pragma name"));
    Expect("(", "after #pragma " + name);
    std::string value = StringLiteral("the pragma's value as a string");
    Expect(")", "after the pragma's value");
    if (name == "include") Include(nameTok, value);
    // locale, namespace and the rest change nothing this schema holds.
  }

  void Include(const Token& at, const std::string& path) {
    if (!m_resolve) FailAt(at, "expected no #pragma include here (no include resolver was given)");
    if (m_depth >= 16) FailAt(at, "expected includes nested at most 16 deep");
    std::optional<MofSource> included = m_resolve(path, m_lex.Source());
    if (!included) FailAt(at, "expected an include file that exists: \"" + path + "\" was not found");
    MofParser inner(m_schema, included->name, included->text, m_resolve, m_depth + 1);
    inner.Run();
  }

  // ---- Types and values ----------------------------------------------------
  std::string DataTypeName(std::string_view what) {
    Token at = m_tok;
    std::string name = Lower(Identifier(what));
    if (!FindDataType(name)) FailAt(at, "expected a CIM data type, not '" + at.text + "'");
    return name;
  }

  // `[]` or `[N]` after a name, if there.
  void ArraySuffix(MofTyped& t) {
    if (!Accept("[")) return;
    t.array = true;
    if (m_tok.kind == Token::Kind::Number) {
      MofScalar n = Number(false);
      if (n.kind != MofScalar::Kind::Integer || n.integer == 0) Fail("expected a positive array size");
      t.arraySize = static_cast<size_t>(n.integer);
    }
    Expect("]", "to close the array");
  }

  MofScalar Number(bool negative) {
    const std::string& s = m_tok.text;
    MofScalar v;
    v.negative = negative;
    std::string lower = Lower(s);
    auto integer = [&](std::string_view digits, int base) {
      v.kind = MofScalar::Kind::Integer;
      if (digits.empty()) Fail("expected digits in the number " + s);
      for (char c : digits) {
        int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (d >= base || d < 0) Fail("expected a number, not " + s);
        if (v.integer > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(d)) / static_cast<unsigned>(base)) {
          Fail("expected a number that fits 64 bits, not " + s);
        }
        v.integer = v.integer * static_cast<unsigned>(base) + static_cast<unsigned>(d);
      }
    };
    if (lower.size() > 2 && lower[0] == '0' && lower[1] == 'x') {
      integer(std::string_view(lower).substr(2), 16);
    } else if (lower.find_first_of(".e") != std::string::npos && lower.back() != 'b') {
      char* end = nullptr;
      v.kind = MofScalar::Kind::Real;
      v.real = std::strtod(lower.c_str(), &end);
      if (end != lower.c_str() + lower.size()) Fail("expected a real number, not " + s);
      if (negative) v.real = -v.real;
    } else if (lower.back() == 'b') {
      integer(std::string_view(lower).substr(0, lower.size() - 1), 2);
    } else if (lower.size() > 1 && lower[0] == '0') {
      integer(std::string_view(lower).substr(1), 8);
    } else {
      integer(lower, 10);
    }
    if (v.kind == MofScalar::Kind::Integer && v.integer == 0) v.negative = false;
    Advance();
    return v;
  }

  MofScalar Scalar() {
    MofScalar v;
    if (m_tok.kind == Token::Kind::String) {
      v.kind = MofScalar::Kind::String;
      v.text = StringLiteral("a string");
    } else if (m_tok.kind == Token::Kind::Char) {
      v.kind = MofScalar::Kind::String;
      v.text = m_tok.text;
      Advance();
    } else if (m_tok.kind == Token::Kind::Number) {
      v = Number(false);
    } else if (IsPunct("-") || IsPunct("+")) {
      bool negative = IsPunct("-");
      Advance();
      if (m_tok.kind != Token::Kind::Number) Fail("expected a number after the sign");
      v = Number(negative);
    } else if (IsKeyword("true") || IsKeyword("false")) {
      v.kind = MofScalar::Kind::Boolean;
      v.boolean = IsKeyword("true");
      Advance();
    } else if (IsKeyword("null")) {
      Advance();
    } else {
      Fail("expected a value (string, number, true, false or null), not " + Describe(m_tok));
    }
    return v;
  }

  // A scalar, or `{ v, ... }` when braces open.
  MofValue Value() {
    MofValue out;
    if (Accept("{")) {
      out.array = true;
      if (!IsPunct("}")) {
        do {
          out.items.push_back(Scalar());
        } while (Accept(","));
      }
      Expect("}", "to close the array value");
    } else {
      out.items.push_back(Scalar());
    }
    return out;
  }

  // Whether `value` may be given to something of `type` (array or not).
  void CheckValue(const MofValue& value, std::string_view type, bool array, const Token& at, const std::string& what) {
    if (value.IsNull()) return;
    if (value.array && !array) FailAt(at, "expected a single value for " + what + ", not an array");
    const DataType* t = FindDataType(type);
    for (const MofScalar& s : value.items) {
      bool ok = false;
      switch (s.kind) {
        case MofScalar::Kind::Null: ok = true; break;
        case MofScalar::Kind::Boolean: ok = type == "boolean"; break;
        case MofScalar::Kind::String:
          ok = type == "string" || type == "datetime" || type == "ref" || (type == "char16" && s.text.size() >= 1);
          break;
        case MofScalar::Kind::Real: ok = type == "real32" || type == "real64"; break;
        case MofScalar::Kind::Integer:
          if (type == "real32" || type == "real64") {
            ok = true;
          } else if (t && t->integer) {
            ok = s.negative ? t->isSigned && s.integer <= t->maxMagnitude + 1 : s.integer <= t->maxMagnitude;
          }
          break;
      }
      if (!ok) FailAt(at, "expected a value of type " + std::string(type) + (array ? "[]" : "") + " for " + what);
    }
  }

  // ---- Qualifiers ----------------------------------------------------------
  void QualifierDeclaration() {
    Advance();
    MofQualifierDecl decl;
    Token nameTok = m_tok;
    decl.name = Identifier("the qualifier's name");
    if (m_schema.FindQualifierDecl(decl.name)) FailAt(nameTok, "expected qualifier " + decl.name + " to be declared once");
    Expect(":", "before the qualifier's type");
    decl.type = DataTypeName("the qualifier's type");
    MofTyped shape;
    ArraySuffix(shape);
    decl.array = shape.array;
    decl.arraySize = shape.arraySize;
    if (Accept("=")) {
      Token at = m_tok;
      decl.defaultValue = Value();
      CheckValue(decl.defaultValue, decl.type, decl.array, at, "qualifier " + decl.name);
    } else {
      decl.defaultValue.items.push_back(MofScalar{});
    }
    Expect(",", "before Scope");
    if (!IsKeyword("scope")) Fail("expected Scope(...), not " + Describe(m_tok));
    Advance();
    decl.scopes = NameList(kScopes, "a scope");
    if (Accept(",")) {
      if (!IsKeyword("flavor")) Fail("expected Flavor(...), not " + Describe(m_tok));
      Advance();
      decl.flavors = NameList(kFlavors, "a flavor");
    }
    Expect(";", "after the qualifier declaration");
    std::string key = Lower(decl.name);
    m_schema.m_qualifierDecls.push_back(std::move(decl));
    m_schema.m_qualifierIndex[key] = m_schema.m_qualifierDecls.size() - 1;
  }

  template <size_t N>
  std::vector<std::string> NameList(const std::string_view (&table)[N], std::string_view what) {
    Expect("(", "to open the list");
    std::vector<std::string> out;
    do {
      Token at = m_tok;
      std::string name = Lower(Identifier(what));
      if (!Listed(table, name)) FailAt(at, "expected " + std::string(what) + ", not '" + at.text + "'");
      out.push_back(name);
    } while (Accept(","));
    Expect(")", "to close the list");
    return out;
  }

  // `[Name, Name(value), Name{values} : Flavor ...]`, or nothing. The scope
  // is checked here when known ("" when the element's kind comes later).
  MofQualifiers QualifierList(std::string_view scope) {
    MofQualifiers out;
    if (!Accept("[")) return out;
    do {
      Token at = m_tok;
      MofQualifier q;
      q.name = Identifier("a qualifier name");
      const MofQualifierDecl* decl = m_schema.FindQualifierDecl(q.name);
      if (!decl) FailAt(at, "expected a declared qualifier, not " + q.name);
      if (FindQualifier(out, q.name)) FailAt(at, "expected qualifier " + q.name + " once in this list");
      if (!scope.empty()) CheckScope(*decl, scope, at);
      Token valueAt = m_tok;
      if (Accept("(")) {
        valueAt = m_tok;
        q.value = Value();
        Expect(")", "to close the qualifier's value");
        // DMTF writes a one-element array qualifier in parentheses too.
        if (decl->array && !q.value.array && !q.value.IsNull()) q.value.array = true;
      } else if (IsPunct("{")) {
        q.value = Value();
      } else if (decl->type == "boolean" && !decl->array) {
        q.value.items.push_back(MofScalar{MofScalar::Kind::Boolean, true, 0, false, 0, {}});
      } else {
        FailAt(valueAt, "expected a value for qualifier " + q.name + " (only boolean ones stand alone)");
      }
      CheckValue(q.value, decl->type, decl->array, valueAt, "qualifier " + q.name);
      if (Accept(":")) {
        while (m_tok.kind == Token::Kind::Identifier) {
          Token fAt = m_tok;
          std::string f = Lower(Identifier("a flavor"));
          if (!Listed(kFlavors, f)) FailAt(fAt, "expected a flavor, not '" + fAt.text + "'");
          q.flavors.push_back(f);
        }
        if (q.flavors.empty()) Fail("expected a flavor after ':'");
      }
      out.push_back(std::move(q));
    } while (Accept(","));
    Expect("]", "to close the qualifier list");
    return out;
  }

  // ---- Classes -------------------------------------------------------------
  void Class(MofQualifiers qualifiers, const Token& qualAt) {
    Advance();
    MofClass cls;
    Token nameTok = m_tok;
    cls.name = Identifier("the class name");
    if (m_schema.Find(cls.name)) FailAt(nameTok, "expected class " + cls.name + " to be declared once");
    const MofClass* parent = nullptr;
    if (Accept(":")) {
      Token superTok = m_tok;
      cls.superclass = Identifier("the superclass name");
      parent = m_schema.Find(cls.superclass);
      if (!parent) FailAt(superTok, "expected superclass " + cls.superclass + " to be declared before " + cls.name);
    }
    auto isTrue = [&](std::string_view name) {
      const MofQualifier* q = FindQualifier(qualifiers, name);
      return q && !q->value.IsNull() && q->value.items[0].kind == MofScalar::Kind::Boolean && q->value.items[0].boolean;
    };
    CheckScope(qualifiers, isTrue("Association") ? "association" : isTrue("Indication") ? "indication" : "class", qualAt);
    cls.qualifiers = std::move(qualifiers);
    Expect("{", "to open the class body");
    std::vector<Token> propertyAt, methodAt;
    while (!Accept("}")) {
      Feature(cls, propertyAt, methodAt);
    }
    Expect(";", "after the class body");

    MofSchema::Resolved resolved;
    if (parent) resolved = Inherited(m_schema.m_resolved[m_schema.m_classIndex.at(Lower(parent->name))]);
    for (size_t i = 0; i < cls.properties.size(); ++i) {
      Merge(resolved.properties, cls.properties[i], propertyAt[i], parent, "property");
    }
    for (size_t i = 0; i < cls.methods.size(); ++i) {
      Merge(resolved.methods, cls.methods[i], methodAt[i], parent, "method");
    }
    std::string key = Lower(cls.name);
    m_schema.m_classes.push_back(std::move(cls));
    m_schema.m_resolved.push_back(std::move(resolved));
    m_schema.m_classIndex[key] = m_schema.m_classes.size() - 1;
  }

  // A data type, or `ClassName REF`.
  void ElementType(MofTyped& t) {
    Token at = m_tok;
    std::string name = Identifier("a data type or class name");
    if (IsKeyword("ref")) {
      Advance();
      t.type = "ref";
      t.refClass = name;
      return;
    }
    t.type = Lower(name);
    if (!FindDataType(t.type)) FailAt(at, "expected a CIM data type, or a class name followed by REF, not '" + name + "'");
  }

  // One property, reference or method, with its qualifiers.
  void Feature(MofClass& cls, std::vector<Token>& propertyAt, std::vector<Token>& methodAt) {
    Token qualAt = m_tok;
    MofQualifiers qualifiers = QualifierList("");  // the kind of element is known after the type
    Token typeTok = m_tok;
    MofProperty p;
    ElementType(p);
    Token nameTok = m_tok;
    p.name = Identifier("the element's name");
    if (IsPunct("(")) {
      if (p.IsReference()) FailAt(typeTok, "expected a data type as the method's return type");
      MofMethod m;
      m.name = p.name;
      m.returnType = p.type;
      m.qualifiers = std::move(qualifiers);
      CheckScope(m.qualifiers, "method", qualAt);
      Advance();
      if (!IsPunct(")")) {
        do {
          m.parameters.push_back(Parameter(m));
        } while (Accept(","));
      }
      Expect(")", "to close the parameter list of " + m.name);
      Expect(";", "after the method " + m.name);
      if (FindMethod(cls.methods, m.name) || FindProperty(cls.properties, m.name)) {
        FailAt(nameTok, "expected " + m.name + " to be declared once in " + cls.name);
      }
      cls.methods.push_back(std::move(m));
      methodAt.push_back(nameTok);
      return;
    }
    ArraySuffix(p);
    p.qualifiers = std::move(qualifiers);
    CheckScope(p.qualifiers, p.IsReference() ? "reference" : "property", qualAt);
    if (Accept("=")) {
      Token at = m_tok;
      p.defaultValue = Value();
      CheckValue(*p.defaultValue, p.type, p.array, at, p.name);
    }
    Expect(";", "after the property " + p.name);
    if (FindProperty(cls.properties, p.name) || FindMethod(cls.methods, p.name)) {
      FailAt(nameTok, "expected " + p.name + " to be declared once in " + cls.name);
    }
    cls.properties.push_back(std::move(p));
    propertyAt.push_back(nameTok);
  }

  // A class's scope is "class"; an association's and an indication's
  // accept class qualifiers too.
  void CheckScope(const MofQualifierDecl& decl, std::string_view scope, const Token& at) const {
    bool ok = std::any_of(decl.scopes.begin(), decl.scopes.end(), [&](const std::string& s) {
      return s == "any" || s == scope || (s == "class" && (scope == "association" || scope == "indication"));
    });
    if (!ok) FailAt(at, "expected a qualifier allowed on a " + std::string(scope) + ", not " + decl.name);
  }
  void CheckScope(const MofQualifiers& qualifiers, std::string_view scope, const Token& at) const {
    for (const MofQualifier& q : qualifiers) CheckScope(*m_schema.FindQualifierDecl(q.name), scope, at);
  }

  MofParameter Parameter(const MofMethod& m) {
    MofParameter p;
    p.qualifiers = QualifierList("parameter");
    ElementType(p);
    Token nameTok = m_tok;
    p.name = Identifier("the parameter's name");
    ArraySuffix(p);
    if (Accept("=")) Value();  // a parameter's default means nothing to a server
    if (std::any_of(m.parameters.begin(), m.parameters.end(), [&](const MofParameter& o) { return Same(o.name, p.name); })) {
      FailAt(nameTok, "expected parameter " + p.name + " once in " + m.name);
    }
    return p;
  }

  template <typename T>
  static T* FindNamed(std::vector<T>& list, std::string_view name) {
    for (T& e : list) {
      if (Same(e.name, name)) return &e;
    }
    return nullptr;
  }
  static bool FindProperty(std::vector<MofProperty>& l, std::string_view n) { return FindNamed(l, n); }
  static bool FindMethod(std::vector<MofMethod>& l, std::string_view n) { return FindNamed(l, n); }

  bool Propagates(const MofQualifier& q) const {
    for (const std::string& f : q.flavors) {
      if (f == "restricted") return false;
      if (f == "tosubclass") return true;
    }
    const MofQualifierDecl* decl = m_schema.FindQualifierDecl(q.name);
    return decl && decl->Propagates();
  }

  // What a subclass starts from: the superclass's elements with the
  // qualifiers that reach a subclass.
  MofSchema::Resolved Inherited(const MofSchema::Resolved& parent) const {
    MofSchema::Resolved out = parent;
    for (MofProperty& p : out.properties) p.qualifiers = Inherit(p.qualifiers, {});
    for (MofMethod& m : out.methods) {
      m.qualifiers = Inherit(m.qualifiers, {});
      for (MofParameter& p : m.parameters) p.qualifiers = Inherit(p.qualifiers, {});
    }
    return out;
  }

  // The inherited qualifiers that reach the subclass, then its own in place
  // of those of the same name.
  MofQualifiers Inherit(const MofQualifiers& inherited, const MofQualifiers& own) const {
    MofQualifiers out;
    for (const MofQualifier& q : inherited) {
      if (!Propagates(q)) continue;
      const MofQualifier* mine = FindQualifier(own, q.name);
      out.push_back(mine ? *mine : q);
    }
    for (const MofQualifier& q : own) {
      if (!FindQualifier(out, q.name)) out.push_back(q);
    }
    return out;
  }

  void MergeDetails(MofProperty& merged, const MofProperty& inherited) const {
    if (!merged.defaultValue) merged.defaultValue = inherited.defaultValue;
  }
  void MergeDetails(MofMethod& merged, const MofMethod& inherited) const {
    for (MofParameter& p : merged.parameters) {
      for (const MofParameter& q : inherited.parameters) {
        if (Same(p.name, q.name)) p.qualifiers = Inherit(q.qualifiers, p.qualifiers);
      }
    }
  }

  // Adds a class's own element to what it inherits: an override replaces
  // the inherited element in its place.
  template <typename T>
  void Merge(std::vector<T>& all, const T& own, const Token& at, const MofClass* parent, std::string_view kind) {
    const MofQualifier* override = own.Qualifier("Override");
    T* inherited = FindNamed(all, own.name);
    if (override) {
      std::vector<std::string> named = override->value.Strings();
      if (named.size() != 1 || !Same(named[0], own.name)) {
        FailAt(at, "expected Override (\"" + own.name + "\") on " + own.name + ": an override keeps the name");
      }
      if (!inherited) {
        FailAt(at, "expected an inherited " + std::string(kind) + " " + own.name + " to override" +
                       (parent ? " (" + parent->name + " has none)" : " (the class has no superclass)"));
      }
    }
    if (inherited && !override) {
      FailAt(at, "expected Override (\"" + own.name + "\") on " + own.name + ", which " + parent->name + " has already");
    }
    if (!inherited) {
      all.push_back(own);
      return;
    }
    T merged = own;
    merged.qualifiers = Inherit(inherited->qualifiers, own.qualifiers);
    MergeDetails(merged, *inherited);
    *inherited = std::move(merged);
  }

  MofSchema& m_schema;
  Lexer m_lex;
  const MofIncludeResolver& m_resolve;
  int m_depth;
  Token m_tok;
};

void ReadMof(MofSchema& schema, std::string_view sourceName, std::string_view text, const MofIncludeResolver& resolve) {
  MofParser parser(schema, sourceName, text, resolve, 0);
  parser.Run();
}

}  // namespace zubwbem
