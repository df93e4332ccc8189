// Tokenizer and recursive-descent parser for the query language.
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "jet/query.h"
#include "jet/text.h"

namespace jet {

namespace {

enum class Tok { word, number, text, symbol, end };

struct Token {
    Tok kind;
    std::string text;
};

Error syntax(const std::string& what) {
    return make_error(Errc::bad_query, what);
}

Result<std::vector<Token>> tokenize(std::string_view s) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '\'' || c == '"') {
            // Quoted text: the quote itself is written twice inside.
            char q = static_cast<char>(c);
            std::string text;
            ++i;
            bool closed = false;
            while (i < s.size()) {
                if (s[i] == q) {
                    if (i + 1 < s.size() && s[i + 1] == q) {
                        text.push_back(q);
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                text.push_back(s[i++]);
            }
            if (!closed) return syntax("quoted text is not closed");
            out.push_back({Tok::text, std::move(text)});
        } else if (c == '[') {
            std::size_t close = s.find(']', i);
            if (close == std::string_view::npos) return syntax("bracketed name is not closed");
            out.push_back({Tok::word, std::string(s.substr(i + 1, close - i - 1))});
            i = close + 1;
        } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() &&
                                       std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            std::size_t start = i;
            while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.'))
                ++i;
            if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
                if (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
                    i = j;
                    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
                        ++i;
                }
            }
            out.push_back({Tok::number, std::string(s.substr(start, i - start))});
        } else if (std::isalpha(c) || c == '_' || c >= 0x80) {
            std::size_t start = i;
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' ||
                                    static_cast<unsigned char>(s[i]) >= 0x80))
                ++i;
            out.push_back({Tok::word, std::string(s.substr(start, i - start))});
        } else if ((c == '<' || c == '>') && i + 1 < s.size() &&
                   (s[i + 1] == '=' || (c == '<' && s[i + 1] == '>'))) {
            out.push_back({Tok::symbol, std::string(s.substr(i, 2))});
            i += 2;
        } else if (std::string_view("=<>(),*-+").find(static_cast<char>(c)) !=
                   std::string_view::npos) {
            out.push_back({Tok::symbol, std::string(1, static_cast<char>(c))});
            ++i;
        } else {
            return syntax(std::string("unexpected character '") + static_cast<char>(c) + "'");
        }
    }
    out.push_back({Tok::end, {}});
    return out;
}

bool is_keyword(const Token& t, std::string_view word) {
    if (t.kind != Tok::word || t.text.size() != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(t.text[i])) != word[i]) return false;
    return true;
}

class Parser {
  public:
    explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

    const Token& peek() const { return t_[pos_]; }
    Token take() { return t_[pos_ < t_.size() - 1 ? pos_++ : pos_]; }
    bool accept_keyword(std::string_view w) {
        if (!is_keyword(peek(), w)) return false;
        ++pos_;
        return true;
    }
    bool accept_symbol(std::string_view s) {
        if (peek().kind != Tok::symbol || peek().text != s) return false;
        ++pos_;
        return true;
    }
    bool at_end() const { return peek().kind == Tok::end; }

    Result<std::string> name(const char* what) {
        if (peek().kind != Tok::word || is_reserved(peek()))
            return syntax(std::string("expected ") + what);
        return take().text;
    }

    Result<ExprPtr> condition() {
        JET_ASSIGN(ExprPtr left, conjunction());
        while (accept_keyword("or")) {
            JET_ASSIGN(ExprPtr right, conjunction());
            left = std::make_unique<Expr>(
                Expr{Logic{LogicOp::or_, std::move(left), std::move(right)}});
        }
        return left;
    }

  private:
    static bool is_reserved(const Token& t) {
        for (auto w : {"where", "order", "by", "and", "or", "not", "asc", "desc", "from", "delete"})
            if (is_keyword(t, w)) return true;
        return false;
    }

    Result<ExprPtr> conjunction() {
        JET_ASSIGN(ExprPtr left, negation());
        while (accept_keyword("and")) {
            JET_ASSIGN(ExprPtr right, negation());
            left = std::make_unique<Expr>(
                Expr{Logic{LogicOp::and_, std::move(left), std::move(right)}});
        }
        return left;
    }

    Result<ExprPtr> negation() {
        if (accept_keyword("not")) {
            JET_ASSIGN(ExprPtr inner, negation());
            return std::make_unique<Expr>(Expr{Not{std::move(inner)}});
        }
        return comparison();
    }

    Result<ExprPtr> comparison() {
        if (accept_symbol("(")) {
            JET_ASSIGN(ExprPtr inner, condition());
            if (!accept_symbol(")")) return syntax("expected ')'");
            return inner;
        }
        JET_ASSIGN(auto left, operand());
        static const std::pair<const char*, CompareOp> ops[] = {
            {"=", CompareOp::eq},  {"<>", CompareOp::ne}, {"<=", CompareOp::le},
            {">=", CompareOp::ge}, {"<", CompareOp::lt},  {">", CompareOp::gt}};
        for (const auto& [text, op] : ops) {
            if (accept_symbol(text)) {
                JET_ASSIGN(auto right, operand());
                return std::make_unique<Expr>(Expr{Compare{std::move(left), std::move(right), op}});
            }
        }
        return std::make_unique<Expr>(Expr{Truth{std::move(left)}});
    }

    Result<std::variant<Literal, ColumnRef>> operand() {
        const Token& t = peek();
        if (t.kind == Tok::symbol && (t.text == "-" || t.text == "+")) {
            bool negative = t.text == "-";
            take();
            if (peek().kind != Tok::number) return syntax("expected a number after the sign");
            JET_ASSIGN(Value v, number(take().text, negative));
            return std::variant<Literal, ColumnRef>(Literal{std::move(v)});
        }
        if (t.kind == Tok::number) {
            JET_ASSIGN(Value v, number(take().text, false));
            return std::variant<Literal, ColumnRef>(Literal{std::move(v)});
        }
        if (t.kind == Tok::text)
            return std::variant<Literal, ColumnRef>(Literal{Value(take().text)});
        if (is_keyword(t, "true") || is_keyword(t, "yes")) {
            take();
            return std::variant<Literal, ColumnRef>(Literal{Value(true)});
        }
        if (is_keyword(t, "false") || is_keyword(t, "no")) {
            take();
            return std::variant<Literal, ColumnRef>(Literal{Value(false)});
        }
        if (is_keyword(t, "null")) {
            take();
            return std::variant<Literal, ColumnRef>(Literal{Value(std::monostate{})});
        }
        JET_ASSIGN(std::string n, name("a column, a number or quoted text"));
        return std::variant<Literal, ColumnRef>(ColumnRef{std::move(n)});
    }

    static Result<Value> number(const std::string& text, bool negative) {
        if (text.find_first_of(".eE") == std::string::npos) {
            std::int64_t v = 0;
            auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
            if (ec == std::errc() && p == text.data() + text.size())
                return Value(negative ? -v : v);
        }
        char* end = nullptr;
        double d = std::strtod(text.c_str(), &end);
        if (end != text.c_str() + text.size()) return syntax("malformed number " + text);
        return Value(negative ? -d : d);
    }

    std::vector<Token> t_;
    std::size_t pos_ = 0;
};

}  // namespace

Result<Query> parse_query(std::string_view source) {
    JET_ASSIGN(auto tokens, tokenize(source));
    Parser p(std::move(tokens));
    Query q;
    JET_ASSIGN(q.table, p.name("a table name"));
    if (p.accept_keyword("where")) {
        JET_ASSIGN(q.where, p.condition());
    }
    if (p.accept_keyword("order")) {
        if (!p.accept_keyword("by")) return syntax("expected 'by' after 'order'");
        do {
            OrderTerm term;
            JET_ASSIGN(term.column, p.name("a column to order by"));
            if (p.accept_keyword("desc"))
                term.descending = true;
            else
                p.accept_keyword("asc");
            q.order.push_back(std::move(term));
        } while (p.accept_symbol(","));
    }
    if (!p.at_end()) return syntax("unexpected '" + p.peek().text + "'");
    return q;
}

Result<DeleteStatement> parse_delete(std::string_view statement) {
    JET_ASSIGN(auto tokens, tokenize(statement));
    Parser p(std::move(tokens));
    if (!p.accept_keyword("delete")) return syntax("expected 'delete'");
    p.accept_symbol("*");
    if (!p.accept_keyword("from")) return syntax("expected 'from'");
    DeleteStatement d;
    JET_ASSIGN(d.table, p.name("a table name"));
    // Deleting every row takes an explicit condition, never a forgotten one.
    if (!p.accept_keyword("where")) return syntax("expected 'where'");
    JET_ASSIGN(d.where, p.condition());
    if (!p.at_end()) return syntax("unexpected '" + p.peek().text + "'");
    return d;
}

std::string quote_text(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out.push_back('\'');
        out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

}  // namespace jet
