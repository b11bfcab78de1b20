// The code table: for every key, what the loaded table files say about it.
//
// Keys are the bytes of the ROM that an entry stands for. A table in the tool's
// own format defines one-byte keys only. Loading a table lays its definitions
// over the code table in file order: a later definition of the same key wins,
// and keys that the file does not define keep what an earlier load gave them.
// Nothing ever clears an entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/entry.hpp"

namespace textdump {

// One definition of a table file: its key and what the key stands for.
struct Definition {
  std::string key; // the bytes in ROM order
  Entry entry;
};

class CodeTable {
public:
  CodeTable();

  // The entry of the one-byte key; kind undefined when no table defined it.
  const Entry& at(std::uint8_t byte) const { return single_[byte]; }

  void define(const Definition& definition);
  void lay_over(const std::vector<Definition>& definitions);

  // True when a SNES entry is defined and no END entry is: every string that
  // a SNES entry points to then runs to the end of the ROM file.
  bool has_snes_without_end() const;

private:
  std::array<Entry, 256> single_;
};

} // namespace textdump
