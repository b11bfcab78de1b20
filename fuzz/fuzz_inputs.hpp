// What the fuzz targets do with one input, shared with the regression test that
// replays the corpus and every saved finding through the same code.
//
// Each function returns "" when every check held, or what went wrong. The fuzz
// targets abort on a non-empty result; crashes and sanitizer reports need no
// result, they stop the process on their own.
//
// Table parser input: the bytes are a table file, parsed by parse_font_table.
//
// Standard table input: the bytes are a standard table file, parsed by
// parse_standard_table; each of its tables is laid over a code table and the
// input's own bytes are decoded through them as a ROM, starting in the first.
// The same bytes also draw a file of two to four "@" tables with switches
// between them (switching_input), which must load without errors, and a ROM
// of the bytes its keys are made of, decoded through it the same way.
//
// Whole-run input: a 10-byte header, then two table files and the ROM:
//   bytes 0-3  start offset, little-endian
//   bytes 4-5  span, little-endian, taken modulo MAX_SPAN + 1; the end offset is
//              start + span (modulo 2^32, so a range past 0xFFFFFFFF is empty)
//   bytes 6-7  length of table 0, little-endian
//   bytes 8-9  length of table 1, little-endian
//   then table 0, table 1 and the ROM (whatever is left). Lengths larger than
//   what is left are cut to it; a short header reads as zeros.
// Table 0 is laid over an empty code table and the range is decoded into
// memory, with the two tables as members 0 and 1 of the family; every other
// member fails. Output is capped: the range is decoded in pieces small enough
// that a piece cannot write much more than the cap, and the run stops once it
// passes it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/decode/decode.hpp"
#include "core/tables/tables.hpp"
#include "core/base/base.hpp"

namespace textdump::testing {

inline constexpr std::size_t DUMP_HEADER_SIZE = 10;
inline constexpr std::uint32_t MAX_SPAN = 4096; // offsets decoded at most: MAX_SPAN + 1
inline constexpr std::uint64_t OUTPUT_CAP = std::uint64_t{1} << 20; // dump bytes, roughly

// The entry kind that a line of each kind defines.
inline EntryKind kind_of(const TableLine& line) {
  switch (line.kind) {
  case LineKind::text: return EntryKind::text;
  case LineKind::line_break: return EntryKind::line_break;
  case LineKind::wait: return EntryKind::wait;
  case LineKind::end: return EntryKind::end;
  case LineKind::directive: break;
  }
  switch (line.directive) {
  case Directive::fixed: return EntryKind::fixed;
  case Directive::table: return EntryKind::table_switch;
  case Directive::snes: return EntryKind::snes;
  case Directive::none: break;
  }
  return EntryKind::undefined;
}

// What one line records, and the definition it made (null when it made none).
inline std::string check_table_line(std::string_view bytes, const TableLine& line,
                                    const Definition* definition) {
  const std::string where = "line " + std::to_string(line.number) + ": ";
  const char* const first = bytes.data();
  if (line.content.empty() || line.content.data() < first ||
      line.content.data() + line.content.size() > first + bytes.size())
    return where + "content outside the file";
  if (line.content.find_first_of("\r\n") != std::string_view::npos)
    return where + "content holds a line end";
  for (const HexReport& report : line.hex_reports)
    if (report.column > line.content.size() || is_hex_digit(report.character))
      return where + "bad hex report";
  if (line.defines != (kind_of(line) != EntryKind::undefined))
    return where + "defines what its kind does not say";
  if (definition == nullptr) return {};
  const Entry& entry = definition->entry;
  if (definition->key != std::string(1, static_cast<char>(line.code)) ||
      entry.kind != kind_of(line) || (line.kind == LineKind::text && entry.rendering != line.text))
    return where + "definition not as the line says";
  return {};
}

inline std::string run_table_loader_input(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const FontTable table = parse_font_table(bytes);
  std::size_t next = 0; // the definition of the next defining line
  for (const TableLine& line : table.lines) {
    const Definition* definition = nullptr;
    if (line.defines) {
      if (next == table.definitions.size()) return "fewer definitions than defining lines";
      definition = &table.definitions[next++];
    }
    std::string problem = check_table_line(bytes, line, definition);
    if (!problem.empty()) return problem;
  }
  if (next != table.definitions.size()) return "more definitions than defining lines";
  return {};
}

// A file of several tables with switches between them and a ROM, drawn from
// the input's bytes (zeros once they run out). Keys are one or two of the
// bytes 40 to 4B, some weighted; the ROM's bytes are 40 to 4C, so keys match
// often and 4C never does.
struct SwitchingInput {
  std::string table;
  std::string rom;
};

inline SwitchingInput switching_input(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  const auto next = [&]() -> unsigned { return at < size ? data[at++] : 0u; };
  const auto key_byte = [&] { return hex_byte(static_cast<std::uint8_t>(0x40 + next() % 12)); };
  SwitchingInput input;
  const unsigned tables = 2 + next() % 3;
  for (unsigned t = 0; t < tables; ++t) {
    input.table += "@t" + std::to_string(t) + "\n";
    for (unsigned lines = next() % 10; lines > 0; --lines) {
      const unsigned shape = next();
      std::string key = key_byte();
      if (shape & 0x80) key += key_byte();
      if (shape & 0x40) key += "<" + std::to_string(next() % 4) + ">";
      switch (shape % 8) {
      case 0:
      case 1: input.table += key + "=" + std::string(1, static_cast<char>('a' + next() % 26)); break;
      case 2: input.table += "/" + key; break;
      case 3: input.table += "*" + key; break;
      case 4: input.table += "$" + key + "=[c]," + std::to_string(next() % 3); break;
      default: {
        input.table += "!" + key + "=<" + std::to_string(t) + ">";
        for (unsigned params = 1 + next() % 3; params > 0; --params) {
          const unsigned how = next();
          if (params == 1 && how % 8 == 7) {
            input.table += ",-1";
            break;
          }
          if (how % 8 >= 6)
            input.table += "," + std::to_string(1 + how / 8 % 3);
          else
            input.table += ",<@t" + std::to_string(how / 8 % tables) + ">:" +
                           (how % 8 == 5 ? "$" + key_byte() : std::to_string(how % 4));
          if (next() % 3 == 0) input.table += "+";
        }
      }
      }
      input.table += "\n";
    }
  }
  for (; at < size; ++at) input.rom += static_cast<char>(0x40 + data[at] % 13);
  return input;
}

// The ROM decoded up to last through every table of the file, starting in the
// first, on one thread; when chunk is not 0 also on two threads in chunks of
// that many bytes, which must write the same dump.
inline std::string decode_standard_input(const StandardTable& file, const RomView rom,
                                         std::uint32_t last, std::size_t chunk) {
  std::vector<CodeTable> tables;
  for (const NamedTable& named : file.tables) {
    CodeTable& code = tables.emplace_back(TableFormat::standard);
    for (const Definition& definition : named.definitions) {
      if (definition.key.empty() || definition.key.size() > MAX_KEY_BYTES)
        return "a key of a bad length";
      code.define(definition);
    }
  }
  // The writer's buffer is large; one is kept for every run.
  static MemorySink sink;
  static Writer out(sink);
  std::string dumps[2];
  for (std::size_t run = 0; run < (chunk != 0 ? 2 : 1); ++run) {
    out.flush();
    sink.bytes.clear();
    const std::uint64_t written_before = out.count();
    Decoder decoder(tables[0], rom, out);
    decoder.use_tables(&tables);
    if (run == 1) decoder.use_threads(true, chunk);
    if (decoder.run_to(last) != DecodeEnd::complete) return "a standard decode did not complete";
    out.flush();
    if (sink.bytes.size() != out.count() - written_before)
      return "the count differs from the bytes written";
    dumps[run].swap(sink.bytes);
  }
  if (chunk != 0 && dumps[0] != dumps[1]) return "two threads wrote another standard dump";
  return {};
}

inline std::string run_standard_table_input(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const StandardTable table = parse_standard_table(bytes);
  std::size_t errors = 0, warnings = 0;
  for (const TableReport& report : table.reports) {
    if (report.line == 0 || report.column == 0) return "a report without its line and column";
    errors += report.severity == Severity::error ? 1 : 0;
    warnings += report.severity == Severity::warning ? 1 : 0;
  }
  if (errors != table.errors || warnings != table.warnings) return "report counts differ";
  // Two threads for every fourth size, in chunks of 1 to 5 bytes, so that
  // two-byte keys run across chunk ends (starting threads slows the target
  // down, hence not for all).
  const std::size_t chunk = size % 4 == 0 ? 1 + size / 4 % 5 : 0;
  const auto last = static_cast<std::uint32_t>(std::min<std::size_t>(size, 1024));
  std::string problem = decode_standard_input(table, RomView{data, size}, last, chunk);
  if (!problem.empty()) return problem;

  const SwitchingInput switching = switching_input(data, size);
  const StandardTable drawn = parse_standard_table(switching.table);
  if (drawn.errors != 0)
    for (const TableReport& report : drawn.reports)
      if (report.severity == Severity::error)
        return "a drawn table was refused: line " + std::to_string(report.line) + ": report " +
               std::to_string(static_cast<int>(report.id));
  if (switching.rom.empty()) return {};
  // The ROM gets a buffer of its own size, so that a read past its end is caught.
  const std::vector<unsigned char> rom(switching.rom.begin(), switching.rom.end());
  problem = decode_standard_input(drawn, RomView{rom.data(), rom.size()},
                                  static_cast<std::uint32_t>(rom.size() - 1), chunk);
  return problem.empty() ? problem : "switching: " + problem;
}

struct DumpInput {
  std::uint32_t start = 0;
  std::uint32_t span = 0;
  std::string_view table0;
  std::string_view table1;
  std::string_view rom;
};

inline DumpInput split_dump_input(const std::uint8_t* data, std::size_t size) {
  std::uint8_t header[DUMP_HEADER_SIZE] = {};
  std::copy_n(data, std::min(size, DUMP_HEADER_SIZE), header);
  const auto le16 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(header[at] | header[at + 1] << 8);
  };
  DumpInput input;
  input.start = le16(0) | le16(2) << 16;
  input.span = le16(4) % (MAX_SPAN + 1);
  std::string_view rest;
  if (size > DUMP_HEADER_SIZE)
    rest = std::string_view(reinterpret_cast<const char*>(data) + DUMP_HEADER_SIZE,
                            size - DUMP_HEADER_SIZE);
  const auto take = [&rest](std::size_t length) {
    const std::string_view part = rest.substr(0, length);
    rest.remove_prefix(part.size());
    return part;
  };
  input.table0 = take(le16(6));
  input.table1 = take(le16(8));
  input.rom = rest;
  return input;
}

// What a whole run left behind.
struct DumpRun {
  std::string problem; // "" when every check held
  DecodeEnd end = DecodeEnd::complete;
  std::string output;  // the dump, possibly cut short by the cap
  bool capped = false; // the run stopped at the cap before the end of its range
};

// Runs the input's range. piece_limit, when not 0, also bounds the offsets of one
// call of the decoder, which the tests use to see that pieces do not change the dump.
// thread_chunk, when not 0, decodes long plain runs on two threads in chunks of
// that many bytes.
inline DumpRun run_dump(const DumpInput& input, std::uint64_t piece_limit = 0,
                        std::size_t thread_chunk = 0) {
  DumpRun run;
  // The writer's buffer is large; one is kept for every run.
  static MemorySink sink;
  static Writer out(sink);
  out.flush();
  sink.bytes.clear();
  const std::uint64_t written_before = out.count();

  // The ROM gets a buffer of its own size, so that a read past its end is caught.
  const std::vector<unsigned char> rom(input.rom.begin(), input.rom.end());
  CodeTable table;
  table.lay_over(parse_font_table(input.table0).definitions);
  std::string reason; // why the last member failed
  const MemberLoader load_member =
      [&](std::uint8_t member) -> std::optional<std::vector<Definition>> {
    if (member > 1) {
      reason = "no member " + std::to_string(member);
      return std::nullopt;
    }
    return parse_font_table(member == 0 ? input.table0 : input.table1).definitions;
  };
  Decoder decoder(table, RomView{rom.data(), rom.size()}, out, load_member);
  if (thread_chunk != 0) decoder.use_threads(true, thread_chunk);
  decoder.seek(input.start);
  const std::uint32_t end = input.start + input.span;

  // Most bytes one offset can write: a pointer copies up to the whole ROM (or a
  // 255-code record), each code at most the longest text or an 8-byte marker.
  const std::uint64_t longest = std::max<std::uint64_t>(
      {input.table0.size(), input.table1.size(), wait_entry().rendering.size()});
  const std::uint64_t per_offset = (std::max<std::uint64_t>(rom.size(), 255) + 1) * longest;

  if (input.start > end) run.end = decoder.run_to(end); // an empty range: decodes nothing
  while (decoder.position() <= end) {
    const std::uint64_t written = out.count() - written_before;
    if (written > OUTPUT_CAP) {
      run.capped = true;
      break;
    }
    std::uint64_t budget = (OUTPUT_CAP - written) / per_offset + 1;
    if (piece_limit != 0) budget = std::min(budget, piece_limit);
    const std::uint64_t piece_end = decoder.position() + budget - 1;
    run.end = decoder.run_to(piece_end >= end ? end : static_cast<std::uint32_t>(piece_end));
    if (run.end != DecodeEnd::complete) break;
  }

  const bool flushed = out.flush();
  if (run.end == DecodeEnd::write_failed || !flushed)
    run.problem = "writing to memory failed";
  else if (sink.bytes.size() != out.count() - written_before)
    run.problem = "the count differs from the bytes written";
  else if (input.start > end && !sink.bytes.empty())
    run.problem = "an empty range wrote output";
  else if (run.end == DecodeEnd::table_failed && reason.empty())
    run.problem = "a member failed without a reason";
  run.output.swap(sink.bytes);
  return run;
}

// Runs the input on one thread; for every fourth span also on two threads in
// chunks of 1 to 5 bytes, which must write the same dump (starting threads
// slows the target down, hence not for all).
inline std::string run_dump_input(const std::uint8_t* data, std::size_t size) {
  const DumpInput input = split_dump_input(data, size);
  const DumpRun one = run_dump(input);
  if (!one.problem.empty()) return one.problem;
  if (input.span % 4 != 0) return {};
  const DumpRun two = run_dump(input, 0, 1 + input.span / 4 % 5);
  if (!two.problem.empty()) return "on two threads: " + two.problem;
  if (two.output != one.output || two.end != one.end) return "two threads wrote another dump";
  return {};
}

} // namespace textdump::testing
