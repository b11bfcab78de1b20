// What the pointer-table fuzz targets do with one input, shared with the
// regression test that replays the corpus and every saved finding through the
// same code. Each function returns "" when every check held, or what went wrong,
// as in fuzz_inputs.hpp.
//
// Argument input: the bytes are an option's value, given in turn to the parsers
// of --pointers, --end, --map and --size. A table that --pointers accepts,
// written back as an argument, parses to the same table; every map that --map
// accepts is a map that --pointers takes, with the same base. The same bytes,
// cut at line ends into words, are a command line: it parses to a command or to
// a usage error that says why, and never throws.
//
// Script input: a 4-byte header, then a table file, the options and the ROM:
//   bytes 0-1  length of the table file, little-endian
//   byte 2     bit 0: a standard table, else the tool's own format;
//              bits 1-7: the maximum string length (0: the default, 4096)
//   byte 3     length of the options
//   then the table, the options and the ROM (whatever is left). Lengths larger
//   than what is left are cut to it; a short header reads as zeros.
// The options are lines: the first is the --end rule (empty: the default), every
// other one a --pointers argument (at most MAX_SCRIPT_TABLES of them). What the
// script command refuses before it builds (a bad option, no --pointers, no end
// entry for a rule that needs one) and tables of more than MAX_SCRIPT_POINTERS
// pointers check nothing. A script the builder refuses checks nothing more.
// Otherwise the test inserter inserts the script, with its insertion table, into
// a copy of the ROM whose strings and pointer slots were cleared to 00; the copy
// must come back equal to the ROM, byte for byte. Then --fit, judged for the
// Atlas inserter, must read the unedited script (its raw forms, the texts of
// its insertion table) as the same bytes, block by block.
//
// Finder input: a 4-byte header, then a table file and the ROM:
//   bytes 0-1  length of the table file (the tool's own format), little-endian
//   byte 2     bits 0-2: the pointer sizes searched (2, 3, 4; none set: all);
//              bit 3: every map, else the ones the ROM suggests;
//              bits 4-6: the least count, minus 1
//   byte 3     bits 0-2: the most candidates, minus 1
//   then the table and the ROM, cut to MAX_FINDER_ROM bytes so that the search
//   stays short. The table is laid over one whose 00 is an end entry. Every
//   candidate must be a table that --pointers reads back as found: its argument
//   parses to it, its pointers lead to its targets, and each target is a string
//   that ends within 1 KiB.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/cli/command_line.hpp"
#include "app/finder/finder_command.hpp"
#include "app/common/report_text.hpp"
#include "core/maps/maps.hpp"
#include "core/finder/finder.hpp"
#include "core/tables/tables.hpp"
#include "core/base/base.hpp"
#include "core/script/script.hpp"
#include "support/atlas_inserter.hpp"

namespace textdump::testing {

inline std::string run_arguments_input(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto ptable = parse_pointer_table(text);
  if (const auto* table = std::get_if<PointerTable>(&ptable)) {
    const std::string written = pointers_argument(*table);
    const auto again = parse_pointer_table(written);
    if (const auto* why = std::get_if<Report>(&again))
      return "--pointers \"" + written + "\", as written back, is refused: " + report_text(*why);
    if (!(std::get<PointerTable>(again) == *table))
      return "--pointers \"" + written + "\", as written back, reads as another table";
  } else if (report_text(std::get<Report>(ptable)).empty()) {
    return "--pointers refused without a message";
  }

  const auto rule = parse_end_rule(text);
  if (const auto* end = std::get_if<EndRule>(&rule)) {
    if (!end->token && !end->next && !end->fixed) return "an --end rule that ends nothing";
    if (end->fixed == 0u) return "an --end rule of fixed:0";
  } else if (report_text(std::get<Report>(rule)).empty()) {
    return "--end refused without a message";
  }

  const auto maps = parse_map_list(text);
  if (const auto* list = std::get_if<std::vector<FinderMap>>(&maps)) {
    if (list->empty()) return "--map gave no map";
    for (const FinderMap& map : *list) {
      PointerTable table;
      table.count = 1;
      table.map = map.map;
      table.base = map.base;
      // The map's own pointers, as --pointers reads a table that names only its map.
      table.size = table.stride = map_of(map.map).default_size;
      table.order = map_of(map.map).default_order;
      const auto read = parse_pointer_table(pointers_argument(table));
      if (!std::holds_alternative<PointerTable>(read) || !(std::get<PointerTable>(read) == table))
        return "--map gave " + std::string(name_of(map.map)) + ", which --pointers reads otherwise";
    }
  } else if (message_text(std::get<Message>(maps)).empty()) {
    return "--map refused without a message";
  }

  const auto sizes = parse_size_list(text);
  if (const auto* list = std::get_if<std::vector<unsigned>>(&sizes)) {
    if (list->empty()) return "--size gave no size";
    for (const unsigned s : *list)
      if (s < 2 || s > 4) return "--size gave " + std::to_string(s);
  } else if (message_text(std::get<Message>(sizes)).empty()) {
    return "--size refused without a message";
  }

  std::vector<std::string> words;
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t end = std::min(text.find('\n', from), text.size());
    words.emplace_back(text.substr(from, end - from));
    from = end + 1;
  }
  const auto command = parse_command_line(words);
  if (const auto* error = std::get_if<UsageError>(&command); error && message_text(error->why).empty())
    return "a command line refused without a message";
  return {};
}

inline constexpr std::size_t POINTER_HEADER_SIZE = 4; // of the script and finder inputs
inline constexpr std::size_t MAX_SCRIPT_TABLES = 4;
inline constexpr std::uint32_t MAX_SCRIPT_POINTERS = 1024;
inline constexpr std::size_t MAX_FINDER_ROM = 4096;

// The header and the pieces that follow it; the last piece is whatever is left.
struct PointerInput {
  std::uint8_t header[POINTER_HEADER_SIZE] = {};
  std::string_view first, second, rest;
};

// second_length: the byte of the header that holds the second piece's length;
// POINTER_HEADER_SIZE for inputs of one piece before the rest.
inline PointerInput split_pointer_input(const std::uint8_t* data, std::size_t size,
                                        std::size_t second_length) {
  PointerInput input;
  std::copy_n(data, std::min(size, POINTER_HEADER_SIZE), input.header);
  std::string_view rest;
  if (size > POINTER_HEADER_SIZE)
    rest = std::string_view(reinterpret_cast<const char*>(data) + POINTER_HEADER_SIZE,
                            size - POINTER_HEADER_SIZE);
  const auto take = [&rest](std::size_t length) {
    const std::string_view part = rest.substr(0, length);
    rest.remove_prefix(part.size());
    return part;
  };
  input.first = take(static_cast<std::size_t>(input.header[0] | input.header[1] << 8));
  if (second_length < POINTER_HEADER_SIZE) input.second = take(input.header[second_length]);
  input.rest = rest;
  return input;
}

// What a script input left behind.
struct ScriptRun {
  std::string problem;      // "" when every check held
  std::size_t inserted = 0; // strings inserted back; 0 when the input checked nothing
};

// --fit, judged for the Atlas inserter, reads the unedited script as the
// ROM's own bytes: every block's bytes are those it holds (text that looks
// like a raw form the inserter reads otherwise is all it may refuse).
inline std::string fit_problem(const Script& script, const ScriptRequest& request,
                               std::string_view rom) {
  const FitReport fit = fit_script(
      script.script.joined(),
      [&](const std::string& name) -> std::optional<std::string> {
        if (name != request.insertion_table_name) return std::nullopt;
        return script.insertion_table;
      },
      FitFor::atlas);
  for (const Report& d : fit.diagnostics)
    if (d.severity == Severity::error && d.id != ReportId::fit_raw_misread &&
        d.id != ReportId::fit_raw_taken)
      return "--fit refused the unedited script: " + report_text(d);
  if (!fit.fits()) return "";
  for (const PlanBlock& block : fit.plan.blocks)
    if (block.start > rom.size() || rom.substr(block.start, block.bytes.size()) != block.bytes)
      return "--fit reads the block at $" + hex_number(block.start) + " as other bytes";
  return "";
}

inline ScriptRun run_script(const std::uint8_t* data, std::size_t size) {
  ScriptRun run;
  const PointerInput input = split_pointer_input(data, size, 3);
  const bool standard = (input.header[2] & 1) != 0;
  CodeTable table(standard ? TableFormat::standard : TableFormat::own);
  table.lay_over(standard ? parse_standard_table(input.first).definitions()
                          : parse_font_table(input.first).definitions);

  ScriptRequest request;
  std::string_view options = input.second;
  const auto line = [&options] {
    const std::size_t end = std::min(options.find('\n'), options.size());
    const std::string_view text = options.substr(0, end);
    options.remove_prefix(std::min(end + 1, options.size()));
    return text;
  };
  const std::string_view end_text = line();
  const auto rule = parse_end_rule(end_text);
  if (!std::holds_alternative<EndRule>(rule)) return run;
  request.end = std::get<EndRule>(rule);
  if (const auto longest = static_cast<std::uint32_t>(input.header[2] >> 1); longest != 0)
    request.end.max_length = longest;
  request.end_text = end_text;
  if (request.end.token && !has_end_entry(table)) return run;
  while (!options.empty() && request.ptables.size() < MAX_SCRIPT_TABLES) {
    const std::string_view argument = line();
    const auto ptable = parse_pointer_table(argument);
    if (!std::holds_alternative<PointerTable>(ptable) ||
        std::get<PointerTable>(ptable).count > MAX_SCRIPT_POINTERS)
      return run;
    request.ptables.push_back(std::get<PointerTable>(ptable));
    request.pointer_arguments.emplace_back(argument);
  }
  if (request.ptables.empty()) return run;

  // The ROM gets a buffer of its own size, so that a read past its end is caught.
  const std::vector<unsigned char> rom(input.rest.begin(), input.rest.end());
  request.rom = RomView{rom.data(), rom.size()};
  request.table = &table;
  request.header = {"a fuzz input"};
  request.insertion_table_name = "script.tbl";
  request.words = report_text;
  const Script script = build_script(request);
  if (!script.errors.empty()) return run;

  std::string cleared(input.rest);
  const auto clear = [&cleared](std::uint64_t from, std::uint64_t length) {
    if (from > cleared.size() || length > cleared.size() - from) return false;
    std::fill_n(cleared.begin() + static_cast<std::ptrdiff_t>(from), length, '\0');
    return true;
  };
  for (const ScriptString& string : script.strings) {
    if (string.end < string.start || !clear(string.start, string.end - string.start)) {
      run.problem = "a string outside the ROM";
      return run;
    }
    for (const ScriptPointer& pointer : script.pointers_of(string))
      if (pointer.table >= request.ptables.size() ||
          !clear(pointer.at, request.ptables[pointer.table].size)) {
        run.problem = "a pointer slot outside the ROM";
        return run;
      }
  }
  const InsertResult result = atlas_insert(
      cleared, script.script.joined(), [&](const std::string& name) -> std::optional<std::string> {
        if (name != request.insertion_table_name) return std::nullopt;
        return script.insertion_table;
      });
  if (result.status != 0)
    run.problem = "the inserter refused the script: " + result.message;
  else if (result.cut)
    run.problem = "the inserter cut text at a #JMP bound";
  else if (result.rom.size() != input.rest.size())
    run.problem = "insertion made the ROM " + std::to_string(result.rom.size()) + " bytes";
  else if (result.rom != input.rest)
    run.problem =
        "insertion changed the byte at $" +
        hex_number(static_cast<std::uint64_t>(
            std::mismatch(result.rom.begin(), result.rom.end(), input.rest.begin()).first -
            result.rom.begin()));
  else
    run.problem = fit_problem(script, request, input.rest);
  if (run.problem.empty()) run.inserted = script.strings.size();
  return run;
}

inline std::string run_script_input(const std::uint8_t* data, std::size_t size) {
  return run_script(data, size).problem;
}

// The candidates of a finder input; problem is "" when every check held.
struct FinderRun {
  std::string problem;
  std::vector<Candidate> found;
};

inline FinderRun run_finder(const std::uint8_t* data, std::size_t size) {
  FinderRun run;
  const PointerInput input = split_pointer_input(data, size, POINTER_HEADER_SIZE);
  CodeTable table;
  table.lay_over(parse_font_table("/00\n").definitions);
  table.lay_over(parse_font_table(input.first).definitions);
  if (!has_end_entry(table)) return run; // the finder command refuses such a table
  const std::vector<unsigned char> rom(
      input.rest.begin(), input.rest.begin() + static_cast<std::ptrdiff_t>(
                                                   std::min(input.rest.size(), MAX_FINDER_ROM)));
  const RomView view{rom.data(), rom.size()};

  const std::uint8_t flags = input.header[2];
  FinderOptions options;
  options.sizes.clear();
  for (unsigned s = 2; s <= 4; ++s)
    if ((flags & (1u << (s - 2))) != 0) options.sizes.push_back(s);
  if (options.sizes.empty()) options.sizes = {2, 3, 4};
  if ((flags & 8) != 0)
    options.maps = {{AddressMap::linear, 0},
                    {AddressMap::lorom, 0},
                    {AddressMap::hirom, 0},
                    {AddressMap::gb, 0},
                    {AddressMap::nes, 0}};
  else
    options.maps = suggested_maps(view);
  options.min_count = 1u + ((flags >> 4) & 7u);
  options.top = 1u + (input.header[3] & 7u);
  run.found = find_pointer_tables(view, table, options);

  const auto fail = [&run](std::size_t n, const std::string& what) {
    run.problem = "candidate " + std::to_string(n) + ": " + what;
    return run;
  };
  if (run.found.size() > options.top) return fail(options.top, "more than asked for");
  for (std::size_t n = 0; n < run.found.size(); ++n) {
    const Candidate& c = run.found[n];
    const PointerTable& p = c.ptable;
    if (n > 0 && c.score > run.found[n - 1].score) return fail(n, "scores above the one before");
    if (c.score < options.min_score) return fail(n, "scores below the least");
    if (p.count < options.min_count || c.targets.size() + c.null_entries != p.count)
      return fail(n, "a count that is not its number of targets and null entries, or below the least");
    const std::set<std::uint64_t> distinct(c.targets.begin(), c.targets.end());
    if (distinct.size() < 3 || c.first_target != *distinct.begin() ||
        c.last_target != *distinct.rbegin())
      return fail(n, "first and last targets not as its targets say");
    const std::string argument = pointers_argument(p);
    const auto read = parse_pointer_table(argument);
    if (!std::holds_alternative<PointerTable>(read) || !(std::get<PointerTable>(read) == p))
      return fail(n, "--pointers " + argument + " reads as another table");
    const std::vector<PointerRead> pointers = read_pointers(p, view);
    const std::uint32_t ones = p.size >= 4 ? 0xFFFFFFFFu : (1u << (8 * p.size)) - 1;
    for (std::size_t i = 0, t = 0; i < pointers.size(); ++i) {
      if (pointers[i].inside && (pointers[i].value == 0 || pointers[i].value == ones)) continue;
      if (!pointers[i].inside || t == c.targets.size() || pointers[i].target != c.targets[t++])
        return fail(n, "pointer " + std::to_string(i) + " of " + argument +
                           " does not lead to its target");
    }
    for (const std::uint64_t t : distinct)
      if (string_end_at(view, table, t, t + FINDER_MAX_STRING) <= t)
        return fail(n, "no end within 1 KiB of the string at $" + hex_number(t));
    // Only a table nested in one record of another overlaps it.
    for (std::size_t k = 0; k < n; ++k) {
      const PointerTable& q = run.found[k].ptable;
      const bool nested = p.stride < q.stride && end_of(p) - p.at <= q.stride;
      if (p.at < end_of(run.found[k]) && q.at < end_of(c) && !nested)
        return fail(n, "overlaps candidate " + std::to_string(k));
    }
  }
  return run;
}

inline std::string run_finder_input(const std::uint8_t* data, std::size_t size) {
  return run_finder(data, size).problem;
}

} // namespace textdump::testing
