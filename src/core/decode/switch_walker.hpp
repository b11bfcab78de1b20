// Reading through the switches of a standard file, for the readers that judge
// ROM text rather than dump it (the script builder, the pointer finder, the
// survey): where the frames that a switch of the starting table opens give
// that table back, what they read on the way, and the text a dump writes for
// them. The frames are decoded as a dump decodes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/tables/tables.hpp"
#include "core/decode/decoder.hpp"
#include "core/base/base.hpp"
#include "core/decode/rom_walk.hpp"
#include "core/decode/writer.hpp"

namespace textdump {

class SwitchWalker {
public:
  // table is the starting one; tables are every table of its file. Both
  // outlive the walker.
  SwitchWalker(const CodeTable& table, const std::vector<CodeTable>& tables, RomView rom);
  SwitchWalker(const SwitchWalker&) = delete;
  SwitchWalker& operator=(const SwitchWalker&) = delete;

  struct Run {
    std::uint64_t to = 0; // where the starting table goes on
    Decoder::SwitchRun read;
  };
  // The switch whose key begins at pos, and its frames, up to limit (exclusive).
  Run run(std::uint64_t pos, std::uint64_t limit);
  // The same, and what a dump writes for them (the switch's label first).
  Run run(std::uint64_t pos, std::uint64_t limit, std::string& text);

private:
  MemorySink sink_;
  Writer out_;
  Decoder decoder_;
};

// walk_to_end, through the switches of the starting table when there is a
// walker: an end entry met in a frame ends the walk where the frames end.
Walk walk_to_end(const CodeTable& table, const RomView& rom, std::uint64_t from,
                 std::uint64_t limit, SwitchWalker* switches);

} // namespace textdump
