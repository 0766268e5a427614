#include "groupwise/standin/filter.h"

#include <cctype>

#include "groupwise/error.h"
#include "platform/oledate.h"

namespace gw::standin {
namespace {

struct Token {
  enum class Type { End, LParen, RParen, Word, Date, Time, Op } type = Type::End;
  std::string text;
  std::size_t pos = 0;  // 1-based
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class Parser {
 public:
  Parser(std::string_view text, std::int64_t todayDay) : text_(text), today_(todayDay) {
    advance();
  }

  std::unique_ptr<FilterNode> parse() {
    if (tok_.type == Token::Type::End) fail("expected a search condition");
    auto node = parseOr();
    if (tok_.type != Token::Type::End) fail("expected AND, OR or the end of the expression");
    return node;
  }

 private:
  [[noreturn]] void fail(const std::string& expected) const {
    std::string found =
        tok_.type == Token::Type::End ? "the end of the expression" : "\"" + tok_.text + "\"";
    throw Error("Invalid search expression at position " + std::to_string(tok_.pos) + ": " +
                expected + ", found " + found);
  }

  void advance() {
    while (i_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[i_]))) ++i_;
    tok_ = Token{};
    tok_.pos = i_ + 1;
    if (i_ >= text_.size()) return;
    char c = text_[i_];
    auto take = [&](Token::Type t, std::size_t n) {
      tok_.type = t;
      tok_.text = std::string(text_.substr(i_, n));
      i_ += n;
    };
    if (c == '(') return take(Token::Type::LParen, 1);
    if (c == ')') return take(Token::Type::RParen, 1);
    if (c == '<' || c == '>' || c == '=' || c == '!') {
      std::size_t n = 1;
      if (i_ + 1 < text_.size()) {
        char d = text_[i_ + 1];
        if ((c == '<' && (d == '=' || d == '>')) || (c == '>' && d == '=') ||
            (c == '!' && d == '=')) {
          n = 2;
        }
      }
      if (c == '!' && n == 1) return take(Token::Type::Word, 1);  // reported as unexpected
      return take(Token::Type::Op, n);
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      std::size_t n = 0;
      bool slash = false, colon = false;
      while (i_ + n < text_.size()) {
        char d = text_[i_ + n];
        if (d == '/')
          slash = true;
        else if (d == ':')
          colon = true;
        else if (!std::isdigit(static_cast<unsigned char>(d)))
          break;
        ++n;
      }
      return take(colon && !slash ? Token::Type::Time : Token::Type::Date, n);
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t n = 0;
      while (i_ + n < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[i_ + n])) || text_[i_ + n] == '_')) {
        ++n;
      }
      return take(Token::Type::Word, n);
    }
    take(Token::Type::Word, 1);  // any other character: reported where it stands
  }

  bool isWord(const char* w) const {
    return tok_.type == Token::Type::Word && upper(tok_.text) == w;
  }

  std::unique_ptr<FilterNode> parseOr() {
    auto left = parseAnd();
    if (!isWord("OR")) return left;
    auto node = std::make_unique<FilterNode>();
    node->type = FilterNode::Type::Or;
    node->children.push_back(std::move(left));
    while (isWord("OR")) {
      advance();
      node->children.push_back(parseAnd());
    }
    return node;
  }

  std::unique_ptr<FilterNode> parseAnd() {
    auto left = parseUnary();
    if (!isWord("AND")) return left;
    auto node = std::make_unique<FilterNode>();
    node->type = FilterNode::Type::And;
    node->children.push_back(std::move(left));
    while (isWord("AND")) {
      advance();
      node->children.push_back(parseUnary());
    }
    return node;
  }

  std::unique_ptr<FilterNode> parseUnary() {
    if (isWord("NOT")) {
      advance();
      if (++depth_ > kMaxDepth) fail("a less deeply nested expression");
      auto node = std::make_unique<FilterNode>();
      node->type = FilterNode::Type::Not;
      node->children.push_back(parseUnary());
      --depth_;
      return node;
    }
    return parsePrimary();
  }

  std::unique_ptr<FilterNode> parsePrimary() {
    if (tok_.type == Token::Type::LParen) {
      if (++depth_ > kMaxDepth) fail("a less deeply nested expression");
      advance();
      auto inner = parseOr();
      if (tok_.type != Token::Type::RParen) fail("expected \")\"");
      advance();
      --depth_;
      return inner;
    }
    if (tok_.type != Token::Type::Word) fail("expected an item kind, a date field, NOT or \"(\"");
    std::string w = upper(tok_.text);
    static const std::pair<const char*, const char*> kKinds[] = {
        {"APPOINTMENT", "GW.MESSAGE.APPOINTMENT"},
        {"TASK", "GW.MESSAGE.TASK"},
        {"NOTE", "GW.MESSAGE.NOTE"},
        {"MAIL", "GW.MESSAGE.MAIL"},
        {"PHONE", "GW.MESSAGE.PHONE"}};
    for (const auto& [word, cls] : kKinds) {
      if (w == word) {
        advance();
        auto node = std::make_unique<FilterNode>();
        node->type = FilterNode::Type::Kind;
        node->className = cls;
        return node;
      }
    }
    static const std::pair<const char*, DateField> kFields[] = {
        {"START_DATE", DateField::Start},
        {"DUEEND_DATE", DateField::DueEnd},
        {"ASSIGNED_DATE", DateField::Assigned},
        {"CREATE_DATE", DateField::Created},
        {"MODIFY_DATE", DateField::Modified}};
    for (const auto& [word, field] : kFields) {
      if (w == word) {
        advance();
        return parseComparison(field);
      }
    }
    fail("expected an item kind (APPOINTMENT, TASK, NOTE, MAIL, PHONE) or a date field");
  }

  std::unique_ptr<FilterNode> parseComparison(DateField field) {
    auto node = std::make_unique<FilterNode>();
    node->type = FilterNode::Type::Compare;
    node->field = field;
    if (tok_.type != Token::Type::Op) fail("expected a comparison (=, <>, <, <=, >, >=)");
    const std::string& op = tok_.text;
    node->op = op == "="                  ? CompareOp::Eq
               : op == "<>" || op == "!=" ? CompareOp::Ne
               : op == "<"                ? CompareOp::Lt
               : op == "<="               ? CompareOp::Le
               : op == ">"                ? CompareOp::Gt
                                          : CompareOp::Ge;
    advance();
    std::int64_t day = 0;
    if (isWord("TODAY")) {
      day = today_;
      advance();
    } else if (tok_.type == Token::Type::Date) {
      day = parseDate();
      advance();
    } else {
      fail("expected a date (yyyy/mm/dd) or TODAY");
    }
    if (isWord("AT")) {
      advance();
      if (tok_.type != Token::Type::Time) fail("expected a time (h:m:s)");
      node->value = day * 86400 + parseTime();
      advance();
    } else {
      node->wholeDay = true;
      node->value = day;
    }
    return node;
  }

  static bool splitNumbers(const std::string& s, char sep, int (&out)[3], std::size_t maxFirst) {
    std::size_t k = 0, start = 0;
    for (int part = 0; part < 3; ++part) {
      std::size_t end = s.find(sep, start);
      if (part == 2) end = s.size();
      if (end == std::string::npos) return false;
      std::size_t len = end - start;
      if (len == 0 || len > (part == 0 ? maxFirst : 2)) return false;
      int v = 0;
      for (std::size_t j = start; j < end; ++j) {
        if (!std::isdigit(static_cast<unsigned char>(s[j]))) return false;
        v = v * 10 + (s[j] - '0');
      }
      out[part] = v;
      start = end + 1;
      ++k;
    }
    return k == 3;
  }

  std::int64_t parseDate() const {
    int p[3];
    const std::string& s = tok_.text;
    std::size_t firstSlash = s.find('/');
    if (firstSlash != 4 || !splitNumbers(s, '/', p, 4)) fail("expected a date (yyyy/mm/dd)");
    if (!platform::isValidDate(p[0], p[1], p[2])) fail("expected a valid date (yyyy/mm/dd)");
    return platform::dayNumber(p[0], p[1], p[2]);
  }

  std::int64_t parseTime() const {
    int p[3];
    if (!splitNumbers(tok_.text, ':', p, 2) || p[0] > 23 || p[1] > 59 || p[2] > 59) {
      fail("expected a time of day (h:m:s)");
    }
    return p[0] * 3600 + p[1] * 60 + p[2];
  }

  static constexpr int kMaxDepth = 200;
  std::string_view text_;
  std::int64_t today_;
  std::size_t i_ = 0;
  int depth_ = 0;
  Token tok_;
};

const char* column(DateField f) {
  switch (f) {
    case DateField::Start:
      return "start_date";
    case DateField::DueEnd:
      return "end_date";
    case DateField::Assigned:
      return "assigned_date";
    case DateField::Created:
      return "creation_date";
    case DateField::Modified:
      return "modified_date";
  }
  return "start_date";
}

const char* sqlOp(CompareOp op) {
  switch (op) {
    case CompareOp::Eq:
      return "=";
    case CompareOp::Ne:
      return "<>";
    case CompareOp::Lt:
      return "<";
    case CompareOp::Le:
      return "<=";
    case CompareOp::Gt:
      return ">";
    case CompareOp::Ge:
      return ">=";
  }
  return "=";
}

}  // namespace

std::unique_ptr<FilterNode> parseFilter(std::string_view text, std::int64_t todayDay) {
  return Parser(text, todayDay).parse();
}

std::string filterToSql(const FilterNode& node) {
  switch (node.type) {
    case FilterNode::Type::Kind:
      return "(class = '" + node.className + "')";
    case FilterNode::Type::Not:
      return "(NOT " + filterToSql(*node.children[0]) + ")";
    case FilterNode::Type::And:
    case FilterNode::Type::Or: {
      std::string joint = node.type == FilterNode::Type::And ? " AND " : " OR ";
      std::string out = "(";
      for (std::size_t i = 0; i < node.children.size(); ++i) {
        if (i) out += joint;
        out += filterToSql(*node.children[i]);
      }
      return out + ")";
    }
    case FilterNode::Type::Compare: {
      // An item without the date matches no comparison (so NOT of one matches it).
      std::string col = column(node.field);
      std::string lhs =
          node.wholeDay ? "((" + col + " - ((" + col + " % 86400) + 86400) % 86400) / 86400)" : col;
      return "(" + col + " IS NOT NULL AND " + lhs + " " + sqlOp(node.op) + " " +
             std::to_string(node.value) + ")";
    }
  }
  return "(0)";
}

}  // namespace gw::standin
