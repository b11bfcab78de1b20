#include "app/finder/finder_command.hpp"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/common/console.hpp"
#include "app/common/json_text.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/table_load.hpp"
#include "app/dump/run.hpp"
#include "core/base/base.hpp"
#include "core/decode/decode.hpp"
#include "core/maps/maps.hpp"
#include "core/script/script.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"
#include "io/streams.hpp"

namespace textdump {

namespace {

constexpr std::size_t PREVIEW_STRINGS = 3;
constexpr std::size_t PREVIEW_BYTES = 80;

// A string as the dump shows it, on one line: line ends as \n. Of a table
// that holds the strings' lengths, length bytes.
std::string preview(const RomView& rom, const CodeTable& table, std::uint64_t start,
                    std::optional<std::uint32_t> length, const std::vector<CodeTable>* tables) {
  if (length) return one_line_text(rom, table, start, std::min(start + *length, rom.size), tables);
  return string_preview(rom, table, start, tables);
}

std::string describe_map(const PointerTable& ptable) {
  if (ptable.map != AddressMap::linear || ptable.base == 0) return std::string(name_of(ptable.map));
  return message_text(
      {MessageId::map_with_base,
       {std::string(name_of(ptable.map)), ptable.base < 0 ? "-" : "",
        hex_number(static_cast<std::uint64_t>(ptable.base < 0 ? -ptable.base : ptable.base))}});
}

// What the report says of a table's entries besides pointers to strings.
std::string seen_in(const Candidate& c) {
  std::string seen;
  if (c.null_entries != 0)
    seen += message_text({MessageId::seen_null_entries, {std::to_string(c.null_entries)}});
  if (c.empty_strings != 0)
    seen += message_text({MessageId::seen_empty_strings, {std::to_string(c.empty_strings)}});
  if (c.reverse) seen += message_text({MessageId::seen_reverse_order});
  return seen;
}

} // namespace

std::string string_preview(const RomView& rom, const CodeTable& table, std::uint64_t start,
                           const std::vector<CodeTable>* tables) {
  std::uint64_t end = string_end_at(rom, table, start, start + FINDER_MAX_STRING, tables);
  if (end == start) end = std::min<std::uint64_t>(start + PREVIEW_BYTES, rom.size);
  return one_line_text(rom, table, start, end, tables);
}

std::string one_line_text(const RomView& rom, const CodeTable& table, std::uint64_t start,
                          std::uint64_t end, const std::vector<CodeTable>* tables) {
  MemorySink sink;
  {
    Writer out(sink);
    Decoder decoder(table, rom, out);
    decoder.seek(start);
    decoder.use_tables(tables);
    decoder.run_to(static_cast<std::uint32_t>(end - 1));
    out.flush();
  }
  std::string shown;
  for (const char c : sink.bytes) {
    if (c == '\r') continue;
    shown += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  if (shown.size() > PREVIEW_BYTES) shown = shown.substr(0, PREVIEW_BYTES) + "...";
  return printable(shown);
}

CandidateReport report_candidate(const RomView& rom, const CodeTable& table, const Candidate& c,
                                 std::size_t rank, const std::vector<CodeTable>* tables) {
  const PointerTable& ptable = c.ptable;
  std::vector<std::string> strings;
  nlohmann::ordered_json json_strings = nlohmann::ordered_json::array();
  std::vector<PointerRead> lengths;
  if (ptable.length) {
    PointerTable first = ptable;
    first.count = std::min<std::uint32_t>(first.count, PREVIEW_STRINGS);
    lengths = read_pointers(first, rom);
  }
  for (std::size_t k = 0; k < std::min(PREVIEW_STRINGS, c.targets.size()); ++k) {
    if (c.pascal != 0) { // the text after its length
      const std::uint64_t text = c.targets[k] + c.pascal;
      strings.push_back(preview(
          rom, table, text, read_pointer_value(rom, c.targets[k], c.pascal, ptable.order), tables));
    } else {
      strings.push_back(preview(rom, table, c.targets[k],
                                k < lengths.size() ? lengths[k].length : std::nullopt, tables));
    }
    json_strings.push_back(json_text(strings.back()));
  }
  char score[32];
  std::snprintf(score, sizeof score, "%.1f", c.score);
  CandidateReport report;
  std::string& text = report.text;
  text =
      message_line({MessageId::candidate_heading,
                    {std::to_string(rank), score, describe_map(ptable), std::to_string(ptable.size),
                     ptable.order == ByteOrder::le ? "le" : "be", std::to_string(ptable.stride)}});
  // Positions in the table's own map, or the platform's when the table's has no addresses.
  const RomLayout layout = layout_of(rom);
  const MapDescriptor* shown =
      map_of(ptable.map).address_text != nullptr ? &map_of(ptable.map) : platform_map(rom);
  const std::string address = shown != nullptr ? address_text(*shown, layout, ptable.at) : "";
  const std::string count = std::to_string(ptable.count);
  text += message_line({MessageId::candidate_table,
                        {offset_and_address(shown, layout, ptable.at), count,
                         offset_and_address(shown, layout, c.first_target),
                         offset_and_address(shown, layout, c.last_target),
                         std::to_string(c.targets.size() - c.empty_strings), count, seen_in(c)}});
  text += message_line({MessageId::candidate_pointers, {pointers_argument(ptable), ""}});
  const std::string pascal = "pascal:" + std::to_string(c.pascal);
  if (c.pascal != 0) text += message_line({MessageId::candidate_end, {pascal}});
  // The other columns of its records, and its other pieces, each a --pointers line.
  nlohmann::ordered_json columns = nlohmann::ordered_json::array();
  nlohmann::ordered_json pieces = nlohmann::ordered_json::array();
  for (const auto& [parts, json] : {std::pair{&c.columns, &columns}, std::pair{&c.pieces, &pieces}})
    for (const Candidate& part : *parts) {
      text += message_line(
          {MessageId::candidate_pointers, {pointers_argument(part.ptable), seen_in(part)}});
      json->push_back({{"at", part.ptable.at},
                       {"count", part.ptable.count},
                       {"null_entries", part.null_entries},
                       {"pointers", pointers_argument(part.ptable)}});
    }
  for (const std::string& s : strings) text += message_line({MessageId::candidate_string, {s}});
  nlohmann::ordered_json& entry = report.json;
  entry = {{"map", name_of(ptable.map)},
           {"order", ptable.order == ByteOrder::le ? "le" : "be"},
           {"size", ptable.size},
           {"stride", ptable.stride},
           {"at", ptable.at},
           {"count", ptable.count}};
  if (!address.empty()) entry["address"] = address;
  if (ptable.map == AddressMap::linear) entry["base"] = ptable.base;
  if (ptable.bank) entry["bank"] = *ptable.bank;
  if (ptable.offset != 0) entry["offset"] = ptable.offset;
  if (ptable.length) entry["length"] = {{"at", ptable.length->at}, {"size", ptable.length->size}};
  entry["null_entries"] = c.null_entries;
  entry["score"] = std::round(c.score * 10) / 10;
  entry["pointers"] = pointers_argument(ptable);
  if (c.pascal != 0) entry["end"] = pascal;
  if (c.reverse) entry["reverse"] = true;
  if (!c.columns.empty()) entry["columns"] = columns;
  if (!c.pieces.empty()) entry["pieces"] = pieces;
  entry["strings"] = json_strings;
  return report;
}

std::variant<std::vector<FinderMap>, Message> parse_map_list(std::string_view text) {
  std::vector<FinderMap> maps;
  const auto wrong = [&] {
    return Message{MessageId::usage_map_list,
                   {std::string(text), map_names(", ", " and ", FinderForms::bracketed)}};
  };
  for (const std::string_view item : comma_fields(text)) {
    // NAME, or NAME:VALUE for a map with a finder field.
    const std::size_t colon = item.find(':');
    const MapDescriptor* descriptor = find_map(item.substr(0, colon));
    if (descriptor == nullptr) return wrong();
    FinderMap map{descriptor->id, 0};
    if (colon != std::string_view::npos) {
      MapFields fields;
      const std::string_view value = item.substr(colon + 1);
      if (descriptor->finder_field.empty() ||
          (!value.empty() && parse_map_field(descriptor->finder_field, value, fields)))
        return wrong();
      map.base = fields.base;
    }
    maps.push_back(map);
  }
  if (maps.empty()) return Message{MessageId::usage_map_list_empty};
  return maps;
}

std::variant<std::vector<unsigned>, Message> parse_size_list(std::string_view text) {
  std::vector<unsigned> sizes;
  for (const std::string_view size : comma_fields(text)) {
    if (size != "2" && size != "3" && size != "4")
      return Message{MessageId::usage_size_list, {std::string(text)}};
    sizes.push_back(static_cast<unsigned>(size[0] - '0'));
  }
  if (sizes.empty()) return Message{MessageId::usage_size_list_empty};
  return sizes;
}

Failure check_search_outputs(const SearchInputs& inputs, const RomImage& rom,
                             const Console& console, std::initializer_list<SearchOutput> files,
                             OutputSet& outputs,
                             std::vector<std::optional<std::size_t>>* declared) {
  outputs.add_input(text_of(MessageId::input_rom), rom.id());
  outputs.add_input(text_of(MessageId::input_table), file_id_of(inputs.tablefile));
  for (const SearchOutput& file : files) {
    const std::optional<std::size_t> index =
        file.name ? std::optional(outputs.declare(text_of(file.role), *file.name)) : std::nullopt;
    if (declared != nullptr) declared->push_back(index);
  }
  if (const OutputReport checked = outputs.check(); !checked.ok())
    return report_output(outputs, checked, console);
  return Failure::none;
}

Failure open_search_inputs(const SearchInputs& inputs, const Console& console, RomImage& rom,
                           CodeTable& table, std::vector<CodeTable>& file_tables) {
  if (const Failure opened = open_rom(rom, inputs.romfile, console); opened != Failure::none)
    return opened;
  const TableFormat format = inputs.standard ? TableFormat::standard : TableFormat::own;
  LoadedTables loaded;
  if (const Failure failure = load_tables(
          {inputs.tablefile, format, inputs.encoding, inputs.start_table}, console, loaded);
      failure != Failure::none)
    return failure;
  table = loaded.tables[loaded.start];
  file_tables = std::move(loaded.tables);
  return Failure::none;
}

std::vector<Candidate> find_with_progress(const RomView& rom, const CodeTable& table,
                                          FinderOptions options) {
  const bool terminal = is_terminal(STANDARD_ERROR);
  if (terminal)
    options.progress = [](const FinderProgress& progress) {
      const std::string what = (progress.set_length ? text_of(MessageId::progress_set_length)
                                                    : std::string(name_of(progress.map))) +
                               ", " + std::to_string(progress.size) + "-byte " +
                               (progress.order == ByteOrder::le ? "le" : "be");
      show_progress(what, 40);
    };
  std::vector<Candidate> candidates = find_pointer_tables(rom, table, options);
  if (terminal) clear_progress(60);
  return candidates;
}

int run_command(const FinderCommand& command) {
  const Console console = stream_console(stderr, false, false);
  RomImage rom;
  CodeTable table;
  std::vector<CodeTable> file_tables;
  if (const Failure opened = open_search_inputs(command, console, rom, table, file_tables);
      opened != Failure::none)
    return exit_status(opened);
  if (!has_end_entry(table)) {
    say(console, {MessageId::no_end_entry_to_find, {shown(command.tablefile)}});
    return exit_status(Failure::search_refused);
  }

  // The JSON file is refused before the search; "-" puts it on standard
  // output, in place of the report.
  OutputSet outputs;
  if (const Failure checked = check_search_outputs(
          command, rom, console, {{MessageId::role_json_file, command.json}}, outputs);
      checked != Failure::none)
    return exit_status(checked);

  FinderOptions options = command.options;
  options.maps = command.maps.value_or(suggested_maps(rom.view()));
  options.tables = &file_tables;
  const std::vector<Candidate> candidates = find_with_progress(rom.view(), table, options);

  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  std::string report;
  if (candidates.empty()) report = message_line({MessageId::finder_none});
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    CandidateReport block = report_candidate(rom.view(), table, candidates[i], i + 1, &file_tables);
    report += block.text;
    list.push_back(std::move(block.json));
  }
  if (!command.json || *command.json != "-")
    if (const Failure written = write_report(report, console); written != Failure::none)
      return exit_status(written);
  if (!command.json) return exit_status(Failure::none);
  outputs.set_bytes(0, nlohmann::ordered_json{{"candidates", list}}.dump(2) + "\n");
  return exit_status(report_output(outputs, outputs.commit(), console));
}

} // namespace textdump
