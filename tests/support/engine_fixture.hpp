// The dump engine wired to in-memory parts: a code table, a ROM held in a
// string, a dump collected in memory and a console that records what it says.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "support/test_files.hpp"
#include "table/code_table.hpp"
#include "table/table_loader.hpp"
#include "textdump/dump_engine.hpp"

namespace textdump::testing {

struct EngineFixture {
  CodeTable table;
  DumpOutput out; // fd -1: the bytes land in out.memory
  CapturedConsole console;
  std::string tablefile;
  std::string rom;
  DumpState state{table, RomView{}, out, console.console, tablefile};

  EngineFixture() { init_code_table(table); }
  explicit EngineFixture(std::string rom_bytes) : EngineFixture() { rom = std::move(rom_bytes); }
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

  // Hand-placed entries.
  void text(std::uint8_t code, std::string_view s) {
    table.code_value[code] = 1; // any value from 1 to CODE_TEXT_MAX is a text entry
    table.code_text[code].assign(s);
  }
  void kind(std::uint8_t code, std::uint32_t value) { table.code_value[code] = value; }
  void fixed(std::uint8_t code, std::uint32_t base, std::uint8_t length, std::uint8_t count) {
    table.code_value[code] = CODE_POINTER;
    table.code_base[code] = base;
    table.code_params[code] = CodeParams{FORMAT_FIXED, length, count, 0};
  }
  void snes(std::uint8_t code, std::uint32_t base, std::uint8_t map, std::uint8_t size,
            std::uint8_t count) {
    table.code_value[code] = CODE_POINTER;
    table.code_base[code] = base;
    table.code_params[code] = CodeParams{FORMAT_SNES, map, size, count};
  }
  // Every upper-case letter as a text entry of itself.
  void letters() {
    for (char c = 'A'; c <= 'Z'; ++c) text(static_cast<std::uint8_t>(c), std::string(1, c));
  }

  // Loads a table file as the run does before the dump loop; 0 on success.
  int load(const std::string& name) {
    tablefile = name;
    return load_font_table(table, tablefile, console.console);
  }

  // Runs the dump loop over [start, end] and flushes the output to memory.
  DumpEnd run(std::uint32_t start, std::uint32_t end) {
    state.rom = RomView{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
    state.rom_pos = start;
    state.end_offset = end;
    const DumpEnd result = run_dump_loop(state);
    dump_flush(out);
    return result;
  }

  const std::string& dump() const { return out.memory; }
  const std::string& messages() const { return *console.messages; }
  int pauses() const { return *console.pauses; }
};

} // namespace textdump::testing
