// The decoder wired to in-memory parts: a code table, a ROM held in a string,
// a dump collected in memory, and table family members given as table text.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/decode/decode.hpp"
#include "core/tables/tables.hpp"

namespace textdump::testing {

struct EngineFixture {
  CodeTable table;
  std::string rom;
  MemorySink sink;
  Writer out{sink};
  std::map<std::uint8_t, std::string> family; // member -> table text; a missing one fails
  std::vector<std::uint8_t> asked;            // the members the decoder asked for, in order
  std::optional<Decoder> decoder;             // made by the first run, on the ROM as it is then
  bool threads = false;                       // decode long plain runs on two threads

  EngineFixture() = default;
  explicit EngineFixture(std::string rom_bytes) : rom(std::move(rom_bytes)) {}
  EngineFixture(const EngineFixture&) = delete;
  EngineFixture& operator=(const EngineFixture&) = delete;

  // Places bytes at pos, growing the ROM with fill bytes where it is too short.
  void put(std::size_t pos, std::string_view bytes, char fill = '\0') {
    if (rom.size() < pos + bytes.size()) rom.resize(pos + bytes.size(), fill);
    rom.replace(pos, bytes.size(), bytes);
  }
  // A 16-bit little-endian value at pos.
  void put16(std::size_t pos, std::uint32_t value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
    put(pos, std::string_view(bytes, 2));
  }

  void set(std::uint8_t code, const Entry& entry) {
    table.define({std::string(1, static_cast<char>(code)), entry});
  }
  // Every upper-case letter as a text entry of itself.
  void letters() {
    for (char c = 'A'; c <= 'Z'; ++c) set(static_cast<std::uint8_t>(c), text_entry({&c, 1}));
  }
  // Lays a table text over the code table, as the run does with the first table.
  void load(std::string_view text) { table.lay_over(parse_font_table(text).definitions); }

  // Decodes [start, end] and flushes the output to memory.
  DecodeEnd run(std::uint32_t start, std::uint32_t end) {
    if (!decoder) {
      const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
      decoder.emplace(table, view, out,
                      [this](std::uint8_t member) -> std::optional<std::vector<Definition>> {
                        asked.push_back(member);
                        const auto found = family.find(member);
                        if (found == family.end()) return std::nullopt;
                        return parse_font_table(found->second).definitions;
                      });
    }
    decoder->use_threads(threads);
    decoder->seek(start);
    const DecodeEnd result = decoder->run_to(end);
    out.flush();
    return result;
  }

  const std::string& dump() const { return sink.bytes; }
};

} // namespace textdump::testing
