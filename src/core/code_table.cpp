#include "core/code_table.hpp"

namespace textdump {

CodeTable::CodeTable() = default;

void CodeTable::define(const Definition& definition) {
  if (definition.key.size() == 1)
    single_[static_cast<unsigned char>(definition.key[0])] = definition.entry;
}

void CodeTable::lay_over(const std::vector<Definition>& definitions) {
  for (const Definition& definition : definitions) define(definition);
}

bool CodeTable::has_snes_without_end() const {
  bool snes = false, end = false;
  for (const Entry& entry : single_) {
    snes = snes || entry.kind == EntryKind::snes;
    end = end || entry.kind == EntryKind::end;
  }
  return snes && !end;
}

} // namespace textdump
