#include "table/code_table.hpp"

namespace textdump {

void init_code_table(CodeTable& table) {
  table.code_value.assign(CODE_COUNT, CODE_UNDEFINED);
  table.code_base.assign(CODE_COUNT, CODE_BASE_INITIAL);
  table.code_params.assign(CODE_COUNT, CodeParams{});
  table.code_text.assign(TABLE_CODES, std::string{});
}

} // namespace textdump
