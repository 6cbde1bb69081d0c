// Helpers shared by the evaluator's tests: fresh binding scopes and default character tables for
// each test, and one-line evaluation of a text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "runtime/datetime/char_tables.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/parser.h"
#include "runtime/values/halt_for_tests.h"

namespace veltrano::runtime {

class ExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    charTables() = CharTables::defaults();
    bindingScopes().clear();
    clearErrors();
  }
  void TearDown() override {
    bindingScopes().clear();
    charTables() = CharTables::defaults();
  }

  // The string form of the text's value; "<no parse>" when it does not parse.
  static std::string eval(std::string_view text) {
    NodePointer tree = parseExpression(text);
    return tree ? evaluateString(*tree) : std::string("<no parse>");
  }
  static bool parses(std::string_view text) { return parseExpression(text) != nullptr; }
};

}  // namespace veltrano::runtime
