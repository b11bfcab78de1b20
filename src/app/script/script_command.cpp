#include "app/script/script_command.hpp"

#include <nlohmann/json.hpp>
#include <utility>

#include "app/common/console.hpp"
#include "app/common/json_text.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "app/dump/run.hpp"
#include "app/common/table_load.hpp"
#include "core/maps/map_address.hpp"
#include "core/base/numbers.hpp"
#include "core/base/warning_summary.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"
#include "io/sha256.hpp"
#include "io/streams.hpp"
#include "textdump_version.hpp"

namespace textdump {

namespace {

// The file-name part of a path.
std::string file_part(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_part(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

nlohmann::ordered_json as_json(const ScriptOptions& options, const RomView& rom,
                               const std::string& digest, const Script& script) {
  nlohmann::ordered_json json;
  json["rom"] = {{"name", json_text(options.romfile)}, {"size", rom.size}, {"sha256", digest}};
  json["table"] = {{"name", json_text(options.tablefile)},
                   {"format", options.standard ? "standard" : "own"}};
  nlohmann::ordered_json arguments = nlohmann::ordered_json::array();
  for (const std::string& argument : options.pointer_arguments)
    arguments.push_back(json_text(argument));
  json["pointer_tables"] = arguments;
  nlohmann::ordered_json strings = nlohmann::ordered_json::array();
  for (const ScriptString& s : script.strings) {
    nlohmann::ordered_json pointers = nlohmann::ordered_json::array();
    for (const ScriptPointer& p : script.pointers_of(s))
      pointers.push_back(
          {{"table", p.table}, {"index", p.index}, {"at", p.at}, {"value", p.value}});
    strings.push_back({{"start", s.start},
                       {"end", s.end},
                       {"bytes", hex_bytes({reinterpret_cast<const char*>(rom.data + s.start),
                                            static_cast<std::size_t>(s.end - s.start)})},
                       {"text", json_text(s.text)},
                       {"pointers", pointers}});
  }
  json["strings"] = strings;
  nlohmann::ordered_json problems = nlohmann::ordered_json::array();
  for (const Report& warning : script.warnings) problems.push_back(json_text(report_text(warning)));
  for (const Report& error : script.errors) problems.push_back(json_text(report_text(error)));
  json["problems"] = problems;
  return json;
}

// What a terminal is told of the script dump that was written.
ScriptSummary summary_of(const Script& script, const OutputSet& outputs,
                         const std::vector<std::size_t>& written) {
  ScriptSummary summary;
  for (const ScriptString& s : script.strings) {
    summary.strings += s.referenced ? 1 : 0;
    summary.pointers += s.pointer_count;
  }
  summary.blocks = script.blocks.size();
  for (const ScriptBlock& block : script.blocks) {
    summary.used += static_cast<std::size_t>(block.end - block.start);
    summary.room += static_cast<std::size_t>(block.room - block.start);
  }
  for (const std::size_t output : written)
    summary.outputs.emplace_back(outputs.role(output), outputs.name(output));
  return summary;
}

} // namespace

std::string default_atlas_table(const std::string& scriptfile) {
  const std::string name = file_part(scriptfile);
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  return folder_part(scriptfile) + stem + ".tbl";
}

int run_script_command(const ScriptOptions& options) {
  const Console console = stream_console(stderr, false, false);
  RomImage rom;
  if (const Failure opened = open_rom(rom, options.romfile, console); opened != Failure::none)
    return exit_status(opened);
  // A table's count is bounded by the ROM, known only now: a count past its
  // end is a usage error, before anything is read or written.
  // An at= typed as an address is placed in this ROM first.
  std::vector<PointerTable> ptables = options.ptables;
  for (std::size_t t = 0; t < ptables.size(); ++t)
    if (!place_pointer_table(ptables[t], layout_of(rom.view()))) {
      say(console, "textdump: " + usage_no_position("--pointers \"" + options.pointer_arguments[t] + "\"", name_of(ptables[t].map)) + "\n");
      return exit_status(Failure::usage);
    }
  for (std::size_t t = 0; t < ptables.size(); ++t) {
    const PointerTable& ptable = ptables[t];
    const std::uint64_t fits = pointers_that_fit(ptable, rom.view().size);
    if (ptable.count <= fits) continue;
    const std::string argument = t < options.pointer_arguments.size() ? options.pointer_arguments[t]
                                                                      : pointers_argument(ptable);
    say(console,
        "textdump: " + usage_pointers_past_rom(argument, ptable.at, fits, rom.view().size) + "\n");
    return exit_status(Failure::usage);
  }
  // --range in this ROM: under --map, else as file offsets.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> range;
  if (options.range) {
    const ScriptRange& typed = *options.range;
    const auto placed = place_span(
        typed.map != nullptr ? *typed.map : map_of(AddressMap::linear),
        typed.map != nullptr ? typed.map->name : "file offset", rom.view(),
        {typed.start, typed.end, typed.start_text, typed.end_text, "--range "});
    if (const auto* why = std::get_if<std::string>(&placed)) {
      say(console, usage_error_text(*why));
      return exit_status(Failure::usage);
    }
    const auto [first, last] = std::get<std::pair<std::uint64_t, std::uint64_t>>(placed);
    range = std::pair{first, last + 1};
  }
  LoadedTables tables; // the starting table's switches read the file's others
  if (const Failure loaded = load_tables(
          {options.tablefile, options.standard ? TableFormat::standard : TableFormat::own,
           options.encoding, options.start_table},
          console, tables);
      loaded != Failure::none)
    return exit_status(loaded);
  const CodeTable& table = tables.tables[tables.start];
  if (options.end.token && !has_end_entry(table)) {
    say(console, message_no_end_entry(options.tablefile));
    return exit_status(Failure::script_invalid);
  }

  if (!options.atlas_table && is_special_file(options.scriptfile)) {
    say(console, message_no_table_beside(options.scriptfile));
    return exit_status(Failure::output_refused);
  }
  const std::string atlas_table =
      options.atlas_table.value_or(default_atlas_table(options.scriptfile));
  OutputSet outputs;
  outputs.add_input("the ROM file", rom.id());
  outputs.add_input("the table file", file_id_of(options.tablefile));
  const std::size_t script_output = outputs.declare("script file", options.scriptfile);
  const std::size_t table_output = outputs.declare("insertion table", atlas_table);
  const std::size_t json_output = options.json ? outputs.declare("JSON file", *options.json) : 0;
  if (const OutputReport checked = outputs.check(); !checked.ok()) {
    if (checked.problem == OutputProblem::is_input && checked.output == table_output) {
      say(console, message_insertion_table_is_input(atlas_table, outputs.input(checked.other)));
      return exit_status(Failure::output_refused);
    }
    return exit_status(report_output(outputs, checked, console));
  }

  ScriptRequest request;
  request.rom = rom.view();
  request.table = &table;
  request.tables = &tables.tables;
  request.ptables = ptables;
  request.pointer_arguments = options.pointer_arguments;
  request.end = options.end;
  request.end_text = options.end_text;
  const std::string digest = sha256_hex(
      {reinterpret_cast<const char*>(rom.view().data), static_cast<std::size_t>(rom.view().size)});
  request.header = {
      std::string(VERSION_PREFIX) + TEXTDUMP_VERSION + " script dump",
      "ROM: " + file_part(options.romfile) + ", " + std::to_string(rom.view().size) +
          " bytes, SHA-256 " + digest,
      "Table: " + file_part(options.tablefile) +
          (options.standard ? " (standard table)" : " (the tool's own table format)"),
      "Insertion table: " + file_part(atlas_table),
  };
  // The inserter finds the table beside the script when they share a folder.
  request.words = report_text;
  request.insertion_table_name = folder_part(atlas_table) == folder_part(options.scriptfile)
                                     ? file_part(atlas_table)
                                     : atlas_table;
  request.range = range;
  // The comments show the addresses of --range's map, of the first table whose
  // map has some, else the platform's.
  if (options.range && options.range->map != nullptr &&
      options.range->map->address_text != nullptr)
    request.address_map = options.range->map;
  for (const PointerTable& ptable : ptables)
    if (request.address_map == nullptr && map_of(ptable.map).address_text != nullptr)
      request.address_map = &map_of(ptable.map);
  if (request.address_map == nullptr) request.address_map = platform_map(rom.view());
  Script script = build_script(request);
  if (script.strings.empty() && ptables.empty()) {
    say(console, message_no_range_strings(options.range->start_text, options.range->end_text));
    return exit_status(Failure::script_invalid);
  }
  if (script.strings.empty()) {
    std::size_t pointers = 0;
    for (const PointerTable& ptable : ptables) pointers += ptable.count;
    say(console, message_no_strings(pointers));
    return exit_status(Failure::script_invalid);
  }
  for (const std::string& line : summarise_warnings(script.warnings, report_text))
    say(console, "Warning: " + line + ".\n");
  if (!script.errors.empty()) {
    for (const Report& error : script.errors)
      say(console, message_script_error(report_text(error)));
    return exit_status(Failure::script_invalid);
  }

  if (options.json)
    outputs.set_bytes(json_output, as_json(options, rom.view(), digest, script).dump(2) + "\n");
  outputs.set_bytes(script_output, std::move(script.script).release());
  outputs.set_bytes(table_output, std::move(script.insertion_table));
  const Failure written = report_output(outputs, outputs.commit(), console);
  if (written == Failure::none && is_terminal(STANDARD_ERROR))
    say(console, message_script_summary(
                     summary_of(script, outputs,
                                options.json ? std::vector{script_output, table_output, json_output}
                                             : std::vector{script_output, table_output})));
  return exit_status(written);
}

} // namespace textdump
