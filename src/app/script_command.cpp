#include "app/script_command.hpp"

#include <nlohmann/json.hpp>

#include "app/console.hpp"
#include "app/messages.hpp"
#include "app/run.hpp"
#include "app/table_load.hpp"
#include "core/numbers.hpp"
#include "io/dump_file.hpp"
#include "io/files.hpp"
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

// Writes bytes to a named output (or standard output for "-"), refusing the
// ROM and the table. False after printing why.
bool write_output(const std::string& role, const std::string& name, std::string_view bytes,
                  const RomImage& rom, const std::string& tablefile, const Console& console) {
  DumpFile file;
  const DumpOpen opened = name == "-"
                              ? file.use_descriptor(STANDARD_OUTPUT, name, rom.id(), tablefile)
                              : file.open(name, rom.id(), tablefile);
  switch (opened) {
  case DumpOpen::ok: break;
  case DumpOpen::cannot_create:
    say(console, message_output_create(role, name, file.error()));
    return false;
  case DumpOpen::is_rom:
    say(console, message_output_is_input(role, name, "the ROM file"));
    return false;
  case DumpOpen::is_table:
    say(console, message_output_is_input(role, name, "the table file"));
    return false;
  }
  if (!file.truncate()) {
    say(console, message_output_create(role, name, file.error()));
    return false;
  }
  const bool wrote = file.write(bytes);
  if (!file.close() || !wrote) {
    say(console, message_output_write(role, name, file.error()));
    return false;
  }
  return true;
}

nlohmann::ordered_json as_json(const ScriptOptions& options, const RomView& rom,
                               const std::string& digest, const Script& script) {
  nlohmann::ordered_json json;
  json["rom"] = {{"name", options.romfile}, {"size", rom.size}, {"sha256", digest}};
  json["table"] = {{"name", options.tablefile}, {"format", options.standard ? "standard" : "own"}};
  json["pointer_tables"] = options.pointer_arguments;
  nlohmann::ordered_json strings = nlohmann::ordered_json::array();
  for (const ScriptString& s : script.strings) {
    nlohmann::ordered_json pointers = nlohmann::ordered_json::array();
    for (const ScriptPointer& p : s.pointers)
      pointers.push_back(
          {{"table", p.table}, {"index", p.index}, {"at", p.at}, {"value", p.value}});
    strings.push_back({{"start", s.start},
                       {"end", s.end},
                       {"bytes", hex_bytes({reinterpret_cast<const char*>(rom.data + s.start),
                                            static_cast<std::size_t>(s.end - s.start)})},
                       {"text", s.text},
                       {"pointers", pointers}});
  }
  json["strings"] = strings;
  nlohmann::ordered_json problems = nlohmann::ordered_json::array();
  for (const std::string& warning : script.warnings) problems.push_back(warning);
  for (const std::string& error : script.errors) problems.push_back(error);
  json["problems"] = problems;
  return json;
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
  CodeTable table(options.standard ? TableFormat::standard : TableFormat::own);
  if (const Failure loaded =
          load_code_table(options.tablefile, options.standard, options.encoding, console, table);
      loaded != Failure::none)
    return exit_status(loaded);
  if (options.end.token && !has_end_entry(table)) {
    say(console, message_no_end_entry(options.tablefile));
    return exit_status(Failure::script_invalid);
  }

  const std::string atlas_table =
      options.atlas_table.value_or(default_atlas_table(options.scriptfile));
  ScriptRequest request;
  request.rom = rom.view();
  request.table = &table;
  request.ptables = options.ptables;
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
  request.insertion_table_name = folder_part(atlas_table) == folder_part(options.scriptfile)
                                     ? file_part(atlas_table)
                                     : atlas_table;
  const Script script = build_script(request);
  for (const std::string& warning : script.warnings) say(console, "Warning: " + warning + ".\n");
  if (!script.errors.empty()) {
    for (const std::string& error : script.errors) say(console, message_script_error(error));
    return exit_status(Failure::script_invalid);
  }

  if (!write_output("insertion table", atlas_table, script.insertion_table, rom, options.tablefile,
                    console) ||
      !write_output("script file", options.scriptfile, script.script, rom, options.tablefile,
                    console))
    return 1;
  if (options.json && !write_output("JSON file", *options.json,
                                    as_json(options, rom.view(), digest, script).dump(2) + "\n",
                                    rom, options.tablefile, console))
    return 1;
  return 0;
}

} // namespace textdump
