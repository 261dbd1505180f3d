#include <algorithm>
#include <vector>

#include "shadercompiler/ir/ir_analyses.h"

namespace {

// Collects every record type the shader needs: those of variables,
// dereferences, constants and function return types, with every record
// nested in them (as a field, at any array depth).
class ir_struct_usage_visitor : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
   using ir_hierarchical_visitor::visit_enter;
  std::vector<const glsl_type *> used;

  void use(const glsl_type *type) {
    while (type->is_array()) type = type->fields.array;
    if (!type->is_record() && !type->is_interface()) return;
    if (std::find(used.begin(), used.end(), type) != used.end()) return;
    used.push_back(type);
    for (unsigned i = 0; i < type->length; i++) use(type->fields.structure[i].type);
  }

  bool is_used(const glsl_type *type) const {
    return std::find(used.begin(), used.end(), type) != used.end();
  }

  ir_visitor_status visit(ir_variable *ir) override {
    use(ir->type);
    return visit_continue;
  }
  ir_visitor_status visit(ir_dereference_variable *ir) override {
    use(ir->type);
    return visit_continue;
  }
  ir_visitor_status visit(ir_constant *ir) override {
    use(ir->type);
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_function_signature *ir) override {
    use(ir->return_type);
    return visit_continue;
  }
};

class ir_decl_removal_visitor : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
  explicit ir_decl_removal_visitor(const ir_struct_usage_visitor *usage)
      : usage(usage) {}

  ir_visitor_status visit(ir_typedecl_statement *ir) override {
    if (!usage->is_used(ir->type_decl)) ir->remove();
    return visit_continue;
  }

 private:
  const ir_struct_usage_visitor *usage;
};

}  // namespace

void remove_unused_struct_declarations(exec_list *instructions) {
  ir_struct_usage_visitor usage;
  usage.run(instructions);
  ir_decl_removal_visitor removal(&usage);
  removal.run(instructions);
}
