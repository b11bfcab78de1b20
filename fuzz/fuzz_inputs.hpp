// What the fuzz targets do with one input, shared with the regression test that
// replays the corpus and every saved finding through the same code.
//
// Each function returns "" when every check held, or what went wrong. The fuzz
// targets abort on a non-empty result; crashes and sanitizer reports need no
// result, they stop the process on their own.
//
// Table loader input: the bytes are a table file. They are parsed into a fresh
// code table, then written as kana0.tbl into a private folder and run through
// the table checker, whose report is thrown away.
//
// Whole-run input: a 10-byte header, then two table files and the ROM:
//   bytes 0-3  start offset, little-endian
//   bytes 4-5  span, little-endian, taken modulo MAX_SPAN + 1; the end offset is
//              start + span (modulo 2^32, so a range past 0xFFFFFFFF is empty)
//   bytes 6-7  length of table 0 (kana0.tbl), little-endian
//   bytes 8-9  length of table 1 (kana1.tbl), little-endian
//   then table 0, table 1 and the ROM (whatever is left). Lengths larger than
//   what is left are cut to it; a short header reads as zeros.
// The run loads kana0.tbl from the private folder and decodes the range into
// memory. Output is capped: the range is decoded in pieces small enough that a
// piece cannot write much more than the cap, and the run stops once it passes it.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "hexutil/console.hpp"
#include "hexutil/hexutil.hpp"
#include "table/code_table.hpp"
#include "table/table_loader.hpp"
#include "textdump/dump_engine.hpp"
#include "textdump/dump_output.hpp"
#include "textdump/rom_image.hpp"
#include "textdump/table_checker.hpp"

namespace textdump::testing {

inline constexpr std::size_t DUMP_HEADER_SIZE = 10;
inline constexpr std::uint32_t MAX_SPAN = 4096; // offsets decoded at most: MAX_SPAN + 1
inline constexpr std::uint64_t OUTPUT_CAP = std::uint64_t{1} << 20; // dump bytes, roughly

// A folder of its own for the table files, made on first use and removed at exit.
class FuzzFolder {
public:
  FuzzFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "textdump-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~FuzzFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  FuzzFolder(const FuzzFolder&) = delete;
  FuzzFolder& operator=(const FuzzFolder&) = delete;

  std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

inline const FuzzFolder& fuzz_folder() {
  static const FuzzFolder folder;
  return folder;
}

inline bool write_whole_file(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

static_assert(sizeof(CodeParams) == 4, "entries are compared as memory");

// Table files fill codes 0x00 to 0xFF only; every other entry keeps its initial value.
inline std::string check_upper_codes_untouched(const CodeTable& table) {
  static const CodeTable pristine = [] {
    CodeTable fresh;
    init_code_table(fresh);
    return fresh;
  }();
  // Compared as memory: a loop of 65,280 compares would swamp the fuzzer's
  // comparison tracing.
  const auto same_above_ff = [](const auto& now, const auto& initial) {
    return std::memcmp(now.data() + TABLE_CODES, initial.data() + TABLE_CODES,
                       (CODE_COUNT - TABLE_CODES) * sizeof now[0]) == 0;
  };
  if (!same_above_ff(table.code_value, pristine.code_value) ||
      !same_above_ff(table.code_base, pristine.code_base) ||
      !same_above_ff(table.code_params, pristine.code_params))
    return "an entry above code 0xFF was written";
  return {};
}

// What one line reported to the observer must have left in the code table.
inline std::string check_table_line(std::string_view bytes, const TableLine& line,
                                    const CodeTable& table) {
  const auto* const first = bytes.data();
  if (line.content.empty() || line.content.data() < first ||
      line.content.data() + line.content.size() > first + bytes.size() ||
      line.offset != static_cast<std::size_t>(line.content.data() - first))
    return "line " + std::to_string(line.number) + ": content outside the file";
  if (line.content.find_first_of("\r\n") != std::string_view::npos)
    return "line " + std::to_string(line.number) + ": content holds a line end";
  for (const HexReport& report : line.hex_reports)
    if (report.column > line.content.size() || is_hex_digit(report.character))
      return "line " + std::to_string(line.number) + ": bad hex report";

  const std::uint32_t value = table.code_value[line.code];
  const CodeParams& params = table.code_params[line.code];
  bool ok = true;
  switch (line.kind) {
  case LineKind::text:
    ok = is_text_value(value) && table.code_text[line.code] == line.text;
    if (ok && !line.text.empty())
      ok = value ==
           std::min<std::size_t>(static_cast<std::size_t>(line.text.data() - first), CODE_TEXT_MAX);
    break;
  case LineKind::line_break: ok = value == CODE_LINE_BREAK; break;
  case LineKind::wait: ok = value == CODE_WAIT; break;
  case LineKind::end: ok = value == CODE_END; break;
  case LineKind::directive:
    switch (line.directive) {
    case Directive::none: break;
    case Directive::fixed: ok = value == CODE_POINTER && params.format == FORMAT_FIXED; break;
    case Directive::table: ok = value == CODE_TABLE_SWITCH && params.format == FORMAT_TABLE; break;
    case Directive::snes: ok = value == CODE_POINTER && params.format == FORMAT_SNES; break;
    }
    break;
  }
  return ok ? std::string{}
            : "line " + std::to_string(line.number) + ": entry not as the line says";
}

inline std::string run_table_loader_input(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static CodeTable table; // its arrays are reused from one input to the next
  init_code_table(table);
  const Console quiet;
  std::string problem;
  parse_font_table(bytes, table, quiet, [&](const TableLine& line) {
    if (problem.empty()) problem = check_table_line(bytes, line, table);
  });
  if (problem.empty()) problem = check_upper_codes_untouched(table);
  if (!problem.empty()) return problem;

  // The checker reads its file by name, as the program's --check does.
  const std::string tablefile = fuzz_folder().file("kana0.tbl");
  if (!write_whole_file(tablefile, bytes)) return "cannot write " + tablefile;
  static std::FILE* const discard = std::fopen("/dev/null", "w");
  if (discard == nullptr) return "cannot open /dev/null";
  check_table_file(tablefile, discard);
  return {};
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

// The inverse of split_dump_input, for making seeds and test inputs.
inline std::string join_dump_input(std::uint32_t start, std::uint16_t span, std::string_view table0,
                                   std::string_view table1, std::string_view rom) {
  std::string bytes;
  const auto put16 = [&bytes](std::size_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8 & 0xFF));
  };
  put16(start & 0xFFFF);
  put16(start >> 16);
  put16(span);
  put16(table0.size());
  put16(table1.size());
  bytes.append(table0).append(table1).append(rom);
  return bytes;
}

// What a whole run left behind.
struct DumpRun {
  std::string problem; // "" when every check held
  DumpEnd end = DumpEnd::complete;
  std::string output;  // the dump, possibly cut short by the cap
  bool capped = false; // the run stopped at the cap before the end of its range
};

// Runs the input's range. piece_limit, when not 0, also bounds the offsets of one
// call of the loop, which the tests use to see that pieces do not change the dump.
inline DumpRun run_dump(const DumpInput& input, std::uint64_t piece_limit = 0) {
  DumpRun run;
  const FuzzFolder& folder = fuzz_folder();
  std::string tablefile = folder.file("kana0.tbl");
  if (!write_whole_file(tablefile, input.table0) ||
      !write_whole_file(folder.file("kana1.tbl"), input.table1)) {
    run.problem = "cannot write the table files";
    return run;
  }

  // The ROM gets a buffer of its own size, so that a read past its end is caught.
  const std::vector<unsigned char> rom_bytes(input.rom.begin(), input.rom.end());
  static CodeTable table; // its arrays are reused from one input to the next
  init_code_table(table);
  std::size_t messages = 0;
  Console console;
  console.print = [&messages](std::string_view) { ++messages; };
  if (load_font_table(table, tablefile, console) != 0) {
    run.problem = "table 0 did not load";
    return run;
  }

  // The output buffer is large; one is kept for every run.
  static DumpOutput out;
  out.out_pos = 0;
  out.error = 0;
  out.used = 0;
  out.memory.clear();

  DumpState state{table, RomView{rom_bytes.data(), rom_bytes.size()}, out, console, tablefile};
  state.rom_pos = input.start;
  const std::uint32_t end = input.start + input.span;

  // Most bytes one offset can write: a pointer copies up to the whole ROM (or a
  // 255-code record), each code at most the longest text or an 8-byte marker.
  const std::uint64_t longest =
      std::max<std::uint64_t>({input.table0.size(), input.table1.size(), WAIT_BYTES.size()});
  const std::uint64_t per_offset = (std::max<std::uint64_t>(rom_bytes.size(), 255) + 1) * longest;

  const std::size_t messages_before = messages;
  if (state.rom_pos > end) {
    state.end_offset = end; // an empty range: the loop decodes nothing
    run.end = run_dump_loop(state);
  }
  while (state.rom_pos <= end) {
    if (out.out_pos > OUTPUT_CAP) {
      run.capped = true;
      break;
    }
    // A piece ends where the loop would have gone on. The loop leaves rom_pos on
    // 0xFFFFFFFF once it has decoded that offset, so no piece may end just below it.
    std::uint64_t budget = (OUTPUT_CAP - out.out_pos) / per_offset + 1;
    if (piece_limit != 0) budget = std::min(budget, piece_limit);
    const std::uint64_t piece_end = std::uint64_t{state.rom_pos} + budget - 1;
    state.end_offset =
        piece_end >= end || piece_end >= 0xFFFFFFFEu ? end : static_cast<std::uint32_t>(piece_end);
    run.end = run_dump_loop(state);
    if (run.end != DumpEnd::complete || state.end_offset == end || state.wrapped ||
        state.rom_pos == 0xFFFFFFFFu)
      break;
  }

  dump_flush(out);
  if (run.end == DumpEnd::write_failed || out.error != 0)
    run.problem = "writing to memory failed";
  else if (out.memory.size() != out.out_pos)
    run.problem = "out_pos differs from the bytes written";
  else if (input.start > end && out.out_pos != 0)
    run.problem = "an empty range wrote output";
  else if (run.end == DumpEnd::table_failed && messages == messages_before)
    run.problem = "a table failed without a message";
  else
    run.problem = check_upper_codes_untouched(table);
  run.output.swap(out.memory);
  return run;
}

inline std::string run_dump_input(const std::uint8_t* data, std::size_t size) {
  return run_dump(split_dump_input(data, size)).problem;
}

} // namespace textdump::testing
