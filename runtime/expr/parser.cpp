#include "runtime/expr/parser.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "runtime/errors/error_state.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/expr/lexer.h"

namespace veltrano::runtime {
namespace {

// Thrown inside the parser only, caught by parseExpression: unwinding frees the partial tree.
struct SyntaxFailure {
  std::size_t position;
  std::string message;
};

class Parser {
 public:
  Parser(std::vector<Token> tokens, const BindingScopes& scopes)
      : tokens_(std::move(tokens)), scopes_(scopes) {}

  // whole -> expression END
  NodePointer whole() {
    NodePointer tree = expression();
    if (current().kind != TokenKind::End) fail("unexpected text after the expression");
    return tree;
  }

 private:
  const Token& current() const { return tokens_[index_]; }
  const Token& peek(std::size_t ahead = 1) const {
    return tokens_[std::min(index_ + ahead, tokens_.size() - 1)];
  }
  void advance() {
    if (index_ + 1 < tokens_.size()) ++index_;
  }
  [[noreturn]] void fail(std::string message) const {
    throw SyntaxFailure{current().position, std::move(message)};
  }

  void expect(TokenKind kind, const char* what) {
    if (current().kind != kind) fail(std::string("expected ") + what);
    advance();
  }

  // The keyword the current token spells, or None.
  OperatorCode keyword() const {
    if (current().kind != TokenKind::Name) return OperatorCode::None;
    const std::string key = nameKey(current().lexeme);
    if (key == "AND") return OperatorCode::And;
    if (key == "OR") return OperatorCode::Or;
    if (key == "XOR") return OperatorCode::Xor;
    if (key == "NOT") return OperatorCode::Not;
    return OperatorCode::None;
  }

  NodePointer binary(OperatorCode op, NodePointer left, NodePointer right) {
    NodePointer node = makeOperatorNode(op, std::move(left), std::move(right));
    checkDepth(*node);
    return node;
  }

  void checkDepth(const Node& node) const {
    if (node.depth > kMaxTreeDepth) fail("expression nested too deeply");
  }

  struct NestingGuard {
    explicit NestingGuard(Parser& parser) : owner(parser) {
      if (++owner.nesting_ > kMaxNesting) owner.fail("expression nested too deeply");
    }
    ~NestingGuard() { --owner.nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    Parser& owner;
  };

  // A run of operands joined by one associative operator, built as a balanced tree: a long flat
  // list (a filter of 400 alternatives) is not nesting and must not count as deep. The operands
  // keep their order, and so their evaluation does.
  NodePointer balanced(OperatorCode op, std::vector<NodePointer>& run, std::size_t first, std::size_t last) {
    if (last - first == 1) return std::move(run[first]);
    const std::size_t middle = first + (last - first) / 2;
    NodePointer left = balanced(op, run, first, middle);
    return binary(op, std::move(left), balanced(op, run, middle, last));
  }

  // expression -> conjunction { ( OR | XOR ) conjunction }
  NodePointer expression() {
    std::vector<NodePointer> run;
    run.push_back(conjunction());
    OperatorCode run_op = OperatorCode::None;
    for (OperatorCode op = keyword(); op == OperatorCode::Or || op == OperatorCode::Xor; op = keyword()) {
      advance();
      // Where OR gives way to XOR (or back) the run so far becomes the first operand.
      if (run_op != OperatorCode::None && op != run_op) {
        NodePointer joined = balanced(run_op, run, 0, run.size());
        run.clear();
        run.push_back(std::move(joined));
      }
      run_op = op;
      run.push_back(conjunction());
    }
    NodePointer left = run.size() == 1 ? std::move(run.front()) : balanced(run_op, run, 0, run.size());
    switch (current().kind) {
      case TokenKind::End:
      case TokenKind::Comma:
      case TokenKind::Colon:
      case TokenKind::RightParen:
      case TokenKind::RightBracket: break;
      default: fail("unexpected operator");
    }
    return left;
  }

  // conjunction -> negation { AND negation }
  NodePointer conjunction() {
    std::vector<NodePointer> run;
    run.push_back(negation());
    while (keyword() == OperatorCode::And) {
      advance();
      run.push_back(negation());
    }
    return run.size() == 1 ? std::move(run.front()) : balanced(OperatorCode::And, run, 0, run.size());
  }

  // negation -> [ NOT | "~" ] comparison
  NodePointer negation() {
    if (keyword() == OperatorCode::Not || current().kind == TokenKind::Tilde) {
      advance();
      return binary(OperatorCode::Not, comparison(), nullptr);
    }
    return comparison();
  }

  // The comparison operator at the current token (consuming it, and the second character of a
  // two-character form), or None.
  OperatorCode comparisonOperator() {
    const TokenKind first = current().kind;
    const TokenKind second = peek().kind;
    auto take = [&](OperatorCode op, int tokens) {
      advance();
      if (tokens == 2) advance();
      return op;
    };
    switch (first) {
      case TokenKind::Equal:
        if (second == TokenKind::Less) return take(OperatorCode::LessEqual, 2);
        if (second == TokenKind::Greater) return take(OperatorCode::GreaterEqual, 2);
        return take(OperatorCode::Equal, 1);
      case TokenKind::Less:
        if (second == TokenKind::Greater) return take(OperatorCode::NotEqual, 2);
        if (second == TokenKind::Equal) return take(OperatorCode::LessEqual, 2);
        return take(OperatorCode::Less, 1);
      case TokenKind::Greater:
        if (second == TokenKind::Equal) return take(OperatorCode::GreaterEqual, 2);
        return take(OperatorCode::Greater, 1);
      case TokenKind::Tilde:
        if (second == TokenKind::Equal) return take(OperatorCode::NotEqual, 2);
        if (second == TokenKind::Less) return take(OperatorCode::GreaterEqual, 2);
        if (second == TokenKind::Greater) return take(OperatorCode::LessEqual, 2);
        return OperatorCode::None;
      default: return OperatorCode::None;
    }
  }

  // comparison -> concatenation { relop concatenation }
  NodePointer comparison() {
    NodePointer left = concatenation();
    for (OperatorCode op = comparisonOperator(); op != OperatorCode::None; op = comparisonOperator()) {
      left = binary(op, std::move(left), concatenation());
    }
    return left;
  }

  // concatenation -> sum { "&" sum }
  NodePointer concatenation() {
    NodePointer left = sum();
    while (current().kind == TokenKind::Ampersand) {
      advance();
      left = binary(OperatorCode::Concatenate, std::move(left), sum());
    }
    return left;
  }

  // sum -> product { ( "+" | "-" ) product }
  NodePointer sum() {
    NodePointer left = product();
    while (current().kind == TokenKind::Plus || current().kind == TokenKind::Minus) {
      const OperatorCode op = current().kind == TokenKind::Plus ? OperatorCode::Add : OperatorCode::Subtract;
      advance();
      left = binary(op, std::move(left), product());
    }
    return left;
  }

  // product -> power { ( "*" | "/" | "%" ) power }
  NodePointer product() {
    NodePointer left = power();
    while (true) {
      OperatorCode op = OperatorCode::None;
      switch (current().kind) {
        case TokenKind::Star: op = OperatorCode::Multiply; break;
        case TokenKind::Slash: op = OperatorCode::Divide; break;
        case TokenKind::Percent: op = OperatorCode::Remainder; break;
        default: return left;
      }
      advance();
      left = binary(op, std::move(left), power());
    }
  }

  // power -> unary { "^" unary }
  NodePointer power() {
    NodePointer left = unary();
    while (current().kind == TokenKind::Caret) {
      advance();
      left = binary(OperatorCode::Power, std::move(left), unary());
    }
    return left;
  }

  // unary -> [ "-" | "+" ] primary
  NodePointer unary() {
    if (current().kind == TokenKind::Minus) {
      advance();
      return binary(OperatorCode::Negate, primary(), nullptr);
    }
    if (current().kind == TokenKind::Plus) advance();
    return primary();
  }

  // primary -> "(" expression ")" | constant | picture | variable [ "[" subscripts "]" ]
  //          | function [ "(" arguments ")" ]
  NodePointer primary() {
    const Token& token = current();
    switch (token.kind) {
      case TokenKind::LeftParen: {
        NestingGuard guard(*this);
        advance();
        NodePointer inner = expression();
        expect(TokenKind::RightParen, "\")\"");
        return inner;
      }
      case TokenKind::Integer: {
        NodePointer node = makeIntegerConstant(token.integer);
        advance();
        return node;
      }
      case TokenKind::Real: {
        NodePointer node = makeRealConstant(token.real);
        advance();
        return node;
      }
      case TokenKind::String: {
        NodePointer node = makeStringConstant(token.text);
        advance();
        return node;
      }
      case TokenKind::Picture: {
        NodePointer node = makePictureConstant(token.text);
        advance();
        return node;
      }
      case TokenKind::Name: return name();
      default: fail("expected an operand");
    }
  }

  NodePointer name() {
    const Token& token = current();
    const std::optional<NameLookup> found = scopes_.find(token.lexeme);
    if (!found) {
      postError(kNoBind);
      fail("No BIND on variable " + std::string(token.lexeme));
    }
    switch (found->kind) {
      case NameLookup::Kind::Keyword: fail("expected an operand");
      case NameLookup::Kind::Variable: {
        advance();
        if (current().kind == TokenKind::LeftBracket) return subscripts(found->variable);
        return makeVariableNode(found->variable);
      }
      case NameLookup::Kind::Function: {
        advance();
        auto node = std::make_unique<Node>();
        node->kind = NodeKind::Function;
        node->function = found->function->code;
        node->type = found->function->result;
        node->text = std::string(found->function->name);
        node->operands = arguments(found->function->arity);
        finishCall(*node);
        return node;
      }
      case NameLookup::Kind::Procedure: {
        advance();
        auto node = std::make_unique<Node>();
        node->kind = NodeKind::Procedure;
        node->procedure = found->procedure;
        node->type = found->procedure->result;
        node->operands = arguments(static_cast<int>(found->procedure->parameters.size()));
        finishCall(*node);
        return node;
      }
    }
    fail("expected an operand");
  }

  void finishCall(Node& node) const {
    for (const auto& argument : node.operands) {
      if (argument) node.depth = std::max(node.depth, argument->depth + 1);
    }
    checkDepth(node);
  }

  // arguments -> [ slot { "," slot } ], slot -> [ expression ]; at most `arity` slots are read.
  // Slots left out are empty (nullptr) up to the arity.
  std::vector<NodePointer> arguments(int arity) {
    std::vector<NodePointer> slots;
    if (current().kind == TokenKind::LeftParen) {
      NestingGuard guard(*this);
      advance();
      if (current().kind != TokenKind::RightParen) {
        while (true) {
          if (arity != kVariableArity && static_cast<int>(slots.size()) >= arity) fail("too many arguments");
          if (current().kind == TokenKind::Comma || current().kind == TokenKind::RightParen) {
            slots.push_back(nullptr);
          } else {
            slots.push_back(expression());
          }
          if (current().kind != TokenKind::Comma) break;
          advance();
        }
      }
      expect(TokenKind::RightParen, "\")\"");
    }
    if (arity != kVariableArity) slots.resize(static_cast<std::size_t>(arity));
    return slots;
  }

  // subscripts -> "[" expression { "," expression } [ ":" expression ] "]"
  NodePointer subscripts(std::shared_ptr<const VariableBinding> variable) {
    NestingGuard guard(*this);
    advance();  // "["
    auto node = std::make_unique<Node>();
    node->kind = NodeKind::Subscript;
    node->operands.push_back(expression());
    while (current().kind == TokenKind::Comma) {
      advance();
      node->operands.push_back(expression());
    }
    if (current().kind == TokenKind::Colon) {
      advance();
      node->operands.push_back(expression());
      node->kind = NodeKind::Substring;
    }
    expect(TokenKind::RightBracket, "\"]\"");
    const std::size_t dimensions = variable->field.dimensions.size();
    const std::size_t indexes = node->operands.size() - (node->kind == NodeKind::Substring ? 1 : 0);
    const bool is_string = variable->type == ValueType::String;
    if (indexes > dimensions + (is_string ? 1 : 0)) fail("too many subscripts");
    if (node->kind == NodeKind::Substring && !is_string) fail("a substring of a number");
    node->type =
        indexes > dimensions || node->kind == NodeKind::Substring ? ValueType::String : variable->type;
    node->variable = std::move(variable);
    finishCall(*node);
    return node;
  }

  std::vector<Token> tokens_;
  const BindingScopes& scopes_;
  std::size_t index_ = 0;
  int nesting_ = 0;
};

}  // namespace

NodePointer parseExpression(std::string_view text, ParseError* error) {
  return parseExpression(text, bindingScopes(), error);
}

NodePointer parseExpression(std::string_view text, const BindingScopes& scopes, ParseError* error) {
  LexResult lexed = tokenize(text);
  if (!lexed.ok) {
    if (error) *error = ParseError{lexed.error_position, "the text does not read as tokens"};
    return nullptr;
  }
  try {
    Parser parser(std::move(lexed.tokens), scopes);
    return parser.whole();
  } catch (const SyntaxFailure& failure) {
    if (error) *error = ParseError{failure.position, failure.message};
    return nullptr;
  }
}

}  // namespace veltrano::runtime
