// A test-side check of IR a compiler stage produced: every node appears once
// in the tree, every variable is declared where it is used, and every node's
// operands have types that fit the node. The front end's tests run it on
// every translated corpus shader; the back end's on every rewritten one.
#pragma once

#include <string>
#include <vector>

struct exec_list;

namespace shctest {

// The problems found in a whole shader's IR (top-level instructions);
// empty when there are none.
std::vector<std::string> check_ir(exec_list *instructions);

}  // namespace shctest
