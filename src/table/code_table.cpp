#include "table/code_table.hpp"

namespace textdump {

void init_code_table(CodeTable& table) {
  table.code_value.assign(CODE_COUNT, CODE_UNDEFINED);
  table.code_base.assign(CODE_COUNT, CODE_BASE_INITIAL);
  table.code_params.assign(CODE_COUNT, CodeParams{});
  table.code_text.assign(TABLE_CODES, std::string{});
}

bool has_snes_without_end(const CodeTable& table) {
  bool snes = false, end = false;
  for (std::size_t code = 0; code < TABLE_CODES; ++code) {
    const std::uint32_t value = table.code_value[code];
    end = end || value == CODE_END;
    snes = snes || (value == CODE_POINTER && table.code_params[code].format == FORMAT_SNES);
  }
  return snes && !end;
}

} // namespace textdump
