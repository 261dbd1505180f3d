#include "shadercompiler/ir/support/symbol_table.h"

#include <gtest/gtest.h>

namespace {

class SymbolTableTest : public ::testing::Test {
 protected:
  void TearDown() override { _shc_symbol_table_destroy(table); }
  _shc_symbol_table *table = _shc_symbol_table_create();
  int a = 1, b = 2, c = 3;
};

TEST_F(SymbolTableTest, InnerScopeShadowsUntilPopped) {
  EXPECT_EQ(_shc_symbol_table_add_symbol(table, 0, "x", &a), 0);
  EXPECT_EQ(_shc_symbol_table_add_symbol(table, 0, "x", &b), -1);
  EXPECT_EQ(_shc_symbol_table_add_symbol(table, 1, "x", &b), 0);
  _shc_symbol_table_push_scope(table);
  EXPECT_EQ(_shc_symbol_table_add_symbol(table, 0, "x", &c), 0);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "x"), &c);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 1, "x"), &b);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, -1, "x"), &c);
  _shc_symbol_table_pop_scope(table);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "x"), &a);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, -1, "x"), &b);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "y"), nullptr);
}

TEST_F(SymbolTableTest, ScopeDistanceOfNames) {
  _shc_symbol_table_add_symbol(table, 0, "outer", &a);
  _shc_symbol_table_push_scope(table);
  _shc_symbol_table_push_scope(table);
  _shc_symbol_table_add_symbol(table, 0, "inner", &b);
  EXPECT_EQ(_shc_symbol_table_symbol_scope(table, 0, "inner"), 0);
  EXPECT_EQ(_shc_symbol_table_symbol_scope(table, 0, "outer"), -2);
  EXPECT_EQ(_shc_symbol_table_symbol_scope(table, 0, "unknown"), -1);
  _shc_symbol_table_pop_scope(table);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "inner"), nullptr);
  EXPECT_EQ(_shc_symbol_table_symbol_scope(table, 0, "outer"), -1);
}

TEST_F(SymbolTableTest, GlobalAdditionAppearsAfterInnerSymbolsGo) {
  _shc_symbol_table_push_scope(table);
  _shc_symbol_table_add_symbol(table, 0, "f", &a);
  EXPECT_EQ(_shc_symbol_table_add_global_symbol(table, 0, "f", &b), 0);
  EXPECT_EQ(_shc_symbol_table_add_global_symbol(table, 0, "f", &c), -1);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "f"), &a);
  _shc_symbol_table_pop_scope(table);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "f"), &b);
  // A global addition does not block a declaration in the current scope.
  EXPECT_EQ(_shc_symbol_table_add_symbol(table, 0, "f", &c), 0);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "f"), &c);
}

// The outermost scope may hold a name declared there and the same name's
// global addition made later; tearing it down must not trip the table's
// consistency checks.
TEST_F(SymbolTableTest, DestroyHandlesGlobalBehindOutermostSymbol) {
  _shc_symbol_table_add_symbol(table, 0, "g", &a);
  _shc_symbol_table_push_scope(table);
  EXPECT_EQ(_shc_symbol_table_add_global_symbol(table, 0, "g", &b), 0);
  _shc_symbol_table_pop_scope(table);
  EXPECT_EQ(_shc_symbol_table_find_symbol(table, 0, "g"), &a);
}

}  // namespace
