#include "runtime/expr/write_text.h"

#include <charconv>

#include "runtime/values/number_text.h"

namespace veltrano::runtime {
namespace {

constexpr int kPrimaryLevel = 10;

int precedence(const Node& node) {
  if (node.kind != NodeKind::Operator) return kPrimaryLevel;
  switch (node.op) {
    case OperatorCode::Or:
    case OperatorCode::Xor: return 1;
    case OperatorCode::And: return 2;
    case OperatorCode::Not: return 3;
    case OperatorCode::Concatenate: return 5;
    case OperatorCode::Add:
    case OperatorCode::Subtract: return 6;
    case OperatorCode::Multiply:
    case OperatorCode::Divide:
    case OperatorCode::Remainder: return 7;
    case OperatorCode::Power: return 8;
    case OperatorCode::Negate: return 9;
    default: return 4;  // comparisons
  }
}

const char* operatorForm(OperatorCode op) {
  switch (op) {
    case OperatorCode::Power: return " ^ ";
    case OperatorCode::Multiply: return " * ";
    case OperatorCode::Divide: return " / ";
    case OperatorCode::Remainder: return " % ";
    case OperatorCode::Add: return " + ";
    case OperatorCode::Subtract: return " - ";
    case OperatorCode::Concatenate: return " & ";
    case OperatorCode::Equal: return " = ";
    case OperatorCode::NotEqual: return " <> ";
    case OperatorCode::Less: return " < ";
    case OperatorCode::Greater: return " > ";
    case OperatorCode::LessEqual: return " <= ";
    case OperatorCode::GreaterEqual: return " >= ";
    case OperatorCode::And: return " AND ";
    case OperatorCode::Or: return " OR ";
    default: return " XOR ";
  }
}

void writeQuoted(std::string_view text, std::string& out) {
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
}

bool isIntegerConstant(const Node* node, std::int32_t value) {
  return node != nullptr && node->kind == NodeKind::Constant && node->type == ValueType::Integer &&
         node->integer == value;
}

bool isStringConstant(const Node* node) {
  return node != nullptr && node->kind == NodeKind::Constant && node->type == ValueType::String;
}

bool isCall(const Node& node, FunctionCode function) {
  return node.kind == NodeKind::Function && node.function == function;
}

const Node* argument(const Node& call, std::size_t index) {
  return index < call.operands.size() ? call.operands[index].get() : nullptr;
}

class Writer {
 public:
  void write(const Node& node) {
    switch (node.kind) {
      case NodeKind::Constant: constant(node); return;
      case NodeKind::Variable: out_ += node.variable->name; return;
      case NodeKind::Subscript:
      case NodeKind::Substring: subscripts(node); return;
      case NodeKind::Function: call(node.text, node); return;
      case NodeKind::Procedure: call(node.procedure->name, node); return;
      case NodeKind::Operator: operation(node); return;
    }
  }

  std::string take() { return std::move(out_); }

 private:
  void constant(const Node& node) {
    switch (node.type) {
      case ValueType::Integer: {
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, node.integer);
        out_.append(buffer, result.ptr);
        return;
      }
      case ValueType::Real: out_ += textFromReal(node.real); return;
      case ValueType::Picture: out_ += node.text; return;
      case ValueType::String:
        out_ += '\'';
        writeQuoted(node.text, out_);
        out_ += '\'';
        return;
    }
  }

  void subscripts(const Node& node) {
    out_ += node.variable->name;
    out_ += '[';
    const std::size_t indexes = node.operands.size() - (node.kind == NodeKind::Substring ? 1 : 0);
    for (std::size_t index = 0; index < indexes; ++index) {
      if (index > 0) out_ += ", ";
      write(*node.operands[index]);
    }
    if (node.kind == NodeKind::Substring) {
      out_ += " : ";
      write(*node.operands.back());
    }
    out_ += ']';
  }

  void call(const std::string& name, const Node& node) {
    out_ += name;
    out_ += '(';
    std::size_t used = node.operands.size();
    while (used > 0 && !node.operands[used - 1]) --used;  // slots left out at the end
    for (std::size_t index = 0; index < used; ++index) {
      if (index > 0) out_ += ", ";
      if (node.operands[index]) write(*node.operands[index]);
    }
    out_ += ')';
  }

  void operand(const Node& node, int minimum) {
    if (precedence(node) < minimum) {
      out_ += '(';
      write(node);
      out_ += ')';
    } else {
      write(node);
    }
  }

  void operation(const Node& node) {
    const int level = precedence(node);
    if (node.op == OperatorCode::Negate) {
      out_ += '-';
      operand(*node.operands[0], level);
      return;
    }
    if (node.op == OperatorCode::Not) {
      out_ += "NOT ";
      operand(*node.operands[0], level + 1);
      return;
    }
    if (level == 4 && rewrittenComparison(node)) return;
    operand(*node.operands[0], level);
    out_ += operatorForm(node.op);
    // AND, OR and XOR are associative: the parser builds a run of one of them as a balanced
    // tree, and its right half needs no parentheses to mean the same.
    const Node& right = *node.operands[1];
    const bool associative =
        node.op == OperatorCode::And || node.op == OperatorCode::Or || node.op == OperatorCode::Xor;
    operand(right,
            associative && right.kind == NodeKind::Operator && right.op == node.op ? level : level + 1);
  }

  // The LIKE and IS NULL forms of three comparison shapes; false when the node has none.
  bool rewrittenComparison(const Node& node) {
    const Node& left = *node.operands[0];
    const Node* right = node.operands[1].get();
    const Node* first = argument(left, 0);
    const Node* second = argument(left, 1);
    if (right == nullptr || first == nullptr) return false;
    const bool equal = node.op == OperatorCode::Equal;
    const bool not_equal = node.op == OperatorCode::NotEqual;
    if (equal && isCall(left, FunctionCode::Sub) && isStringConstant(right) && isIntegerConstant(second, 1) &&
        isIntegerConstant(argument(left, 2), static_cast<std::int32_t>(right->text.size()))) {
      like(*first, right->text, "", "%");
      return true;
    }
    if (not_equal && isCall(left, FunctionCode::Instring) && isIntegerConstant(right, 0) &&
        isStringConstant(first) && second != nullptr && isIntegerConstant(argument(left, 2), 1) &&
        isIntegerConstant(argument(left, 3), 1)) {
      like(*second, first->text, "%", "%");
      return true;
    }
    if ((equal || not_equal) && isCall(left, FunctionCode::Null) &&
        (isIntegerConstant(right, 0) || isIntegerConstant(right, 1))) {
      const bool asks_null = equal == (right->integer == 1);
      operand(*first, 5);
      out_ += asks_null ? " IS NULL " : " IS NOT NULL ";
      return true;
    }
    return false;
  }

  void like(const Node& subject, const std::string& text, const char* before, const char* after) {
    operand(subject, 5);
    out_ += " LIKE '";
    out_ += before;
    writeQuoted(text, out_);
    out_ += after;
    out_ += '\'';
  }

  std::string out_;
};

}  // namespace

std::string writeExpression(const Node& tree) {
  Writer writer;
  writer.write(tree);
  return writer.take();
}

std::string writeOrderComponent(const Node& tree, bool descending) {
  std::string text = writeExpression(tree);
  if (descending) text += " DESC";
  return text;
}

}  // namespace veltrano::runtime
