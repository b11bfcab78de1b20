#include "app/script/script_command.hpp"

#include <nlohmann/json.hpp>
#include <tuple>
#include <utility>

#include "app/common/console.hpp"
#include "app/common/json_text.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "app/dump/run.hpp"
#include "app/exchange/exchange_files.hpp"
#include "app/common/table_load.hpp"
#include "core/maps/maps.hpp"
#include "core/base/base.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"
#include "io/sha256.hpp"
#include "io/streams.hpp"
#include "textdump_version.hpp"

namespace textdump {

namespace {

// The insertion table's default name: the script's with ".tbl" for its extension.
std::string default_atlas_table(const std::string& scriptfile) {
  const std::string name = file_part(scriptfile);
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  return folder_part(scriptfile) + stem + ".tbl";
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
  for (const auto* reports : {&script.warnings, &script.errors})
    for (const Report& report : *reports)
      problems.push_back(
          {{"name", report_row(report.id).name}, {"text", json_text(report_text(report))}});
  json["problems"] = problems;
  return json;
}

// What a terminal is told of the script dump that was written: its counts,
// then each output ("-" is standard output).
Message summary_of(const Script& script, const OutputSet& outputs,
                   const std::vector<std::size_t>& written) {
  std::size_t strings = 0, pointers = 0, used = 0, room = 0;
  for (const ScriptString& s : script.strings) {
    strings += s.referenced ? 1 : 0;
    pointers += s.pointer_count;
  }
  for (const ScriptBlock& block : script.blocks) {
    used += static_cast<std::size_t>(block.end - block.start - block.padding);
    room += static_cast<std::size_t>(block.room - block.start);
  }
  std::vector<std::string> files;
  for (const std::size_t output : written)
    files.push_back(
        outputs.name(output) == "-"
            ? message_text({MessageId::output_to_stdout, {outputs.role(output)}})
            : message_text({MessageId::output_named,
                            {outputs.role(output), shown(outputs.name(output))}}));
  return {MessageId::script_summary,
          {with_commas(strings), with_commas(pointers), with_commas(script.blocks.size()),
           with_commas(used), with_commas(room), and_list(files)}};
}

// An at= typed as an address is placed in this ROM; a table's count is
// bounded by the ROM, known only now: a count past its end is a usage error,
// before anything is read or written.
Failure place_tables(const ScriptOptions& options, const RomView& rom, const Console& console,
                     std::vector<PointerTable>& ptables) {
  ptables = options.ptables;
  for (std::size_t t = 0; t < ptables.size(); ++t)
    if (!place_pointer_table(ptables[t], layout_of(rom))) {
      write(console, usage_error_text({MessageId::usage_no_position,
                                       {printable("--pointers \"" + options.pointer_arguments[t] +
                                                  "\""),
                                        std::string(name_of(ptables[t].map))}}));
      return Failure::usage;
    }
  for (std::size_t t = 0; t < ptables.size(); ++t) {
    const PointerTable& ptable = ptables[t];
    const std::uint64_t fits = pointers_that_fit(ptable, rom.size);
    if (ptable.count <= fits) continue;
    const std::string argument = t < options.pointer_arguments.size() ? options.pointer_arguments[t]
                                                                      : pointers_argument(ptable);
    write(console,
          usage_error_text(fits == 0 ? Message{MessageId::usage_pointers_outside,
                                               {argument, hex_number(ptable.at),
                                                with_commas(rom.size)}}
                                     : Message{MessageId::usage_pointers_past_rom,
                                               {argument, with_commas(rom.size), with_commas(fits),
                                                hex_number(ptable.at), std::to_string(fits)}}));
    return Failure::usage;
  }
  for (std::size_t t = 0; t < ptables.size(); ++t)
    for (std::size_t u = t + 1; u < ptables.size(); ++u)
      if (const auto shared = shared_slot_byte(ptables[t], ptables[u])) {
        const auto argument = [&](std::size_t k) {
          return k < options.pointer_arguments.size() ? options.pointer_arguments[k]
                                                      : pointers_argument(ptables[k]);
        };
        write(console, usage_error_text({MessageId::usage_pointers_overlap,
                                         {argument(t), argument(u), hex_number(*shared)}}));
        return Failure::usage;
      }
  return Failure::none;
}

// Each --range in this ROM, its end exclusive: under --map, else as file
// offsets; with its own rule or --end's. No two ranges or records overlap,
// and records lie inside the ROM.
Failure place_ranges(const ScriptOptions& options, const RomView& rom, const Console& console,
                     std::vector<InPlaceRange>& ranges) {
  std::vector<std::tuple<std::uint64_t, std::uint64_t, std::string>> spans;
  for (const ScriptRange& typed : options.ranges) {
    const auto placed = place_span(
        typed.map != nullptr ? *typed.map : map_of(AddressMap::linear),
        typed.map != nullptr ? std::string(typed.map->name) : text_of(MessageId::file_offsets),
        rom, {typed.start, typed.end, typed.start_text, typed.end_text, "--range "});
    if (const auto* why = std::get_if<Message>(&placed)) {
      write(console, usage_error_text(*why));
      return Failure::usage;
    }
    const auto [first, last] = std::get<std::pair<std::uint64_t, std::uint64_t>>(placed);
    ranges.push_back({first, last + 1, typed.rule.value_or(options.end), typed.rule_text});
    ranges.back().rule.max_length = options.end.max_length;
    spans.emplace_back(first, last + 1, printable("--range " + typed.argument));
  }
  for (const RecordFields& records : options.records) {
    const std::uint64_t end = records.at + std::uint64_t{records.count} * records.stride;
    if (end > rom.size) {
      write(console, usage_error_text({MessageId::usage_records_past_rom,
                                       {printable(records.text), with_commas(rom.size)}}));
      return Failure::usage;
    }
    spans.emplace_back(records.at, end, printable("--records " + records.text));
  }
  for (std::size_t a = 0; a < spans.size(); ++a)
    for (std::size_t b = a + 1; b < spans.size(); ++b)
      if (std::get<0>(spans[a]) < std::get<1>(spans[b]) &&
          std::get<0>(spans[b]) < std::get<1>(spans[a])) {
        write(console, usage_error_text({MessageId::usage_ranges_overlap,
                                         {std::get<2>(spans[a]), std::get<2>(spans[b])}}));
        return Failure::usage;
      }
  return Failure::none;
}

// The three outputs, checked against the inputs and each other.
struct ScriptOutputs {
  OutputSet set;
  std::string atlas_table;
  std::size_t script = 0, table = 0, json = 0;

  std::vector<std::size_t> declared(bool with_json) const {
    return with_json ? std::vector{script, table, json} : std::vector{script, table};
  }
};

Failure declare_outputs(const ScriptOptions& options, const RomImage& rom, const Console& console,
                        ScriptOutputs& outputs) {
  if (!options.atlas_table && is_special_file(options.scriptfile)) {
    say(console, {MessageId::no_table_beside, {shown(options.scriptfile)}});
    return Failure::output_refused;
  }
  outputs.atlas_table = options.atlas_table.value_or(default_atlas_table(options.scriptfile));
  OutputSet& set = outputs.set;
  set.add_input(text_of(MessageId::input_rom), rom.id());
  set.add_input(text_of(MessageId::input_table), file_id_of(options.tablefile));
  outputs.script = set.declare(text_of(MessageId::role_script_file), options.scriptfile);
  outputs.table = set.declare(text_of(MessageId::role_insertion_table), outputs.atlas_table);
  if (options.json) outputs.json = set.declare(text_of(MessageId::role_json_file), *options.json);
  const OutputReport checked = set.check();
  if (checked.ok()) return Failure::none;
  if (checked.problem == OutputProblem::is_input && checked.output == outputs.table) {
    say(console, {MessageId::insertion_table_is_input,
                  {shown(outputs.atlas_table), set.input(checked.other)}});
    return Failure::output_refused;
  }
  return report_output(set, checked, console);
}

// The script's header, the insertion table's name in it, and the map whose
// addresses its comments show: --range's, the first table's that has some,
// else the platform's.
void describe(ScriptRequest& request, const ScriptOptions& options, const std::string& digest,
              const std::string& atlas_table) {
  request.header = {
      message_text({MessageId::script_header_title, {TEXTDUMP_VERSION}}),
      message_text({MessageId::script_header_rom,
                    {file_part(options.romfile), std::to_string(request.rom.size), digest}}),
      message_text({options.standard ? MessageId::script_header_table_standard
                                     : MessageId::script_header_table_own,
                    {file_part(options.tablefile)}}),
      message_text({MessageId::script_header_insertion_table, {file_part(atlas_table)}}),
  };
  // The inserter finds the table beside the script when they share a folder.
  request.words = report_text;
  request.insertion_table_name = folder_part(atlas_table) == folder_part(options.scriptfile)
                                     ? file_part(atlas_table)
                                     : atlas_table;
  if (!options.ranges.empty() && options.ranges.front().map != nullptr &&
      options.ranges.front().map->address_text != nullptr)
    request.address_map = options.ranges.front().map;
  for (const PointerTable& ptable : request.ptables)
    if (request.address_map == nullptr && map_of(ptable.map).address_text != nullptr) {
      request.address_map = &map_of(ptable.map);
      request.address_fields = ptable;
    }
  if (request.address_map == nullptr) request.address_map = platform_map(request.rom);
}

// A script with no string, or with errors, is refused; its warnings are shown.
Failure check_built(const Script& script, const ScriptOptions& options,
                    const std::vector<PointerTable>& ptables, const Console& console) {
  if (script.strings.empty() && ptables.empty()) {
    const ScriptRange& range = options.ranges.front(); // records always give strings
    say(console, {MessageId::no_range_strings,
                  {printable(range.start_text), printable(range.end_text)}});
    return Failure::script_invalid;
  }
  if (script.strings.empty()) {
    std::size_t pointers = 0;
    for (const PointerTable& ptable : ptables) pointers += ptable.count;
    say(console, {MessageId::no_strings, {std::to_string(pointers)}});
    return Failure::script_invalid;
  }
  for (const std::string& line : summarise_warnings(script.warnings, report_text))
    say(console, {MessageId::script_warning, {line}});
  for (const Report& error : script.errors)
    say(console, {MessageId::script_error, {report_text(error)}});
  return script.errors.empty() ? Failure::none : Failure::script_invalid;
}

// The script with the translations of --translations carried over; each one
// left out is a warning that names its string's offset.
std::vector<std::string> carried_over(std::vector<std::string> chunks,
                                      const ScriptOptions& options,
                                      const std::vector<ExchangeRow>& rows,
                                      const Console& console) {
  if (!options.translations) return chunks;
  std::string script;
  for (std::string& chunk : chunks) script += std::exchange(chunk, {});
  Applied applied = apply_translations(script, rows);
  for (const Report& report : applied.left_out)
    say(console, {MessageId::script_warning, {printable(report_text(report))}});
  say(console, {MessageId::translations_summary,
                {shown(*options.translations), std::to_string(applied.written),
                 std::to_string(applied.left_out.size())}});
  return {std::move(applied.script)};
}

} // namespace


int run_command(const ScriptOptions& options) {
  const Console console = stream_console(stderr, false, false);
  RomImage rom;
  std::vector<PointerTable> ptables;
  std::vector<InPlaceRange> ranges;
  if (const Failure opened = open_rom(rom, options.romfile, console); opened != Failure::none)
    return exit_status(opened);
  if (const Failure placed = place_tables(options, rom.view(), console, ptables);
      placed != Failure::none)
    return exit_status(placed);
  if (const Failure placed = place_ranges(options, rom.view(), console, ranges);
      placed != Failure::none)
    return exit_status(placed);
  LoadedTables tables; // the starting table's switches read the file's others
  if (const Failure loaded = load_tables(
          {options.tablefile, options.standard ? TableFormat::standard : TableFormat::own,
           options.encoding, options.start_table},
          console, tables);
      loaded != Failure::none)
    return exit_status(loaded);
  const CodeTable& table = tables.tables[tables.start];
  ScriptRequest request;
  request.rom = rom.view();
  request.table = &table;
  request.tables = &tables.tables;
  request.ptables = ptables;
  request.pointer_arguments = options.pointer_arguments;
  request.end = options.end;
  request.end_text = options.end_text;
  request.ranges = std::move(ranges);
  request.records = options.records;
  if (needs_end_entry(request) && !has_end_entry(table)) {
    say(console, {MessageId::no_end_entry, {shown(options.tablefile)}});
    return exit_status(Failure::script_invalid);
  }
  std::vector<ExchangeRow> translations;
  if (options.translations)
    if (const Failure read = read_translations(*options.translations, console, translations);
        read != Failure::none)
      return exit_status(read);
  ScriptOutputs outputs;
  if (const Failure declared = declare_outputs(options, rom, console, outputs);
      declared != Failure::none)
    return exit_status(declared);

  const std::string digest = sha256_hex(
      {reinterpret_cast<const char*>(rom.view().data), static_cast<std::size_t>(rom.view().size)});
  describe(request, options, digest, outputs.atlas_table);
  Script script = build_script(request);
  if (const Failure built = check_built(script, options, ptables, console); built != Failure::none)
    return exit_status(built);

  if (options.json)
    outputs.set.set_bytes(outputs.json,
                          as_json(options, rom.view(), digest, script).dump(2) + "\n");
  outputs.set.set_bytes(outputs.script, carried_over(std::move(script.script).release(), options,
                                                    translations, console));
  outputs.set.set_bytes(outputs.table, std::move(script.insertion_table));
  const Failure written = report_output(outputs.set, outputs.set.commit(), console);
  if (written == Failure::none && is_terminal(STANDARD_ERROR))
    say(console, summary_of(script, outputs.set, outputs.declared(options.json.has_value())));
  return exit_status(written);
}

} // namespace textdump
