#include "app/finder/pointers_to_command.hpp"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/common/json_text.hpp"
#include "app/common/output_failure.hpp"
#include "core/base/base.hpp"
#include "core/maps/maps.hpp"
#include "core/finder/finder.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"

namespace textdump {

namespace {

// OFFSET in this ROM: a file offset, or an address of the one map given.
std::optional<std::uint64_t> pointed_offset(const PointersToCommand& command, const RomView& rom) {
  const std::optional<TypedPosition> typed = parse_position(command.pointed);
  if (!typed) return std::nullopt;
  const MapDescriptor& map =
      command.maps && command.maps->size() == 1 ? map_of(command.maps->front().map)
                                                : map_of(AddressMap::linear);
  const std::uint64_t offset = position_offset(map, layout_of(rom), *typed);
  if (offset == NO_OFFSET) return std::nullopt;
  return offset;
}

// A place that holds a pointer to OFFSET: its line, and its JSON object added to list.
std::string show_place(const RomView& rom, const StoredPointer& place,
                       std::optional<std::uint32_t> bank, const MapDescriptor* platform,
                       nlohmann::ordered_json& list) {
  const RomLayout layout = layout_of(rom);
  const MapDescriptor& map = map_of(place.map.map);
  const MapDescriptor* shown = map.address_text != nullptr ? &map : platform;
  PointerTable ptable;
  ptable.at = static_cast<std::uint32_t>(place.at);
  ptable.count = 1;
  ptable.map = place.map.map;
  ptable.base = place.map.base;
  ptable.size = ptable.stride = place.size;
  ptable.order = place.order;
  ptable.bank = bank;
  const std::string order = place.order == ByteOrder::le ? "le" : "be";
  nlohmann::ordered_json item = {{"at", place.at},           {"map", map.name},
                                 {"size", place.size},       {"order", order},
                                 {"value", place.value},     {"pointers", pointers_argument(ptable)}};
  if (place.map.map == AddressMap::linear) item["base"] = place.map.base;
  if (const std::string address = shown ? address_text(*shown, layout, place.at) : "";
      !address.empty())
    item["address"] = address;
  list.push_back(std::move(item));
  return message_line({MessageId::place_line,
                       {offset_and_address(shown, layout, place.at), std::string(map.name),
                        std::to_string(place.size), order, hex_number(place.value),
                        pointers_argument(ptable)}});
}

} // namespace

int run_command(const PointersToCommand& command) {
  const Console console = stream_console(stderr, false, false);
  RomImage rom;
  CodeTable table;
  std::vector<CodeTable> file_tables;
  if (const Failure opened = open_search_inputs(command, console, rom, table, file_tables);
      opened != Failure::none)
    return exit_status(opened);
  const RomView view = rom.view();
  const std::optional<std::uint64_t> offset = pointed_offset(command, view);
  if (!offset) {
    write(console, usage_error_text({MessageId::usage_no_position,
                                     {printable("--find-pointers-to " + command.pointed),
                                      command.maps && command.maps->size() == 1
                                          ? std::string(name_of(command.maps->front().map))
                                          : text_of(MessageId::file_offsets)}}));
    return exit_status(Failure::usage);
  }
  OutputSet outputs;
  if (const Failure checked =
          check_search_outputs(command, rom, console, {{MessageId::role_json_file, command.json}},
                               outputs);
      checked != Failure::none)
    return exit_status(checked);

  const RomLayout layout = layout_of(view);
  const MapDescriptor* platform = platform_map(view);
  const std::vector<FinderMap> maps = command.maps.value_or(suggested_maps(view));
  const std::vector<StoredPointer> places =
      find_pointers_to(view, *offset, maps, command.options.sizes, command.options.bank);

  const std::string words = string_preview(view, table, *offset, &file_tables);
  std::string report = message_line(
      {MessageId::pointers_to_heading, {offset_and_address(platform, layout, *offset), words}});
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const StoredPointer& place : places)
    report += show_place(view, place, command.options.bank, platform, list);
  report += places.empty()
                ? message_line({MessageId::pointers_to_none})
                : message_line({MessageId::pointers_to_places, {std::to_string(places.size())}});
  const int found = places.empty() ? 1 : 0;
  if (!command.json || *command.json != "-")
    if (const Failure written = write_report(report, console); written != Failure::none)
      return exit_status(written);
  if (!command.json) return found;
  nlohmann::ordered_json json = {{"offset", *offset}};
  if (const std::string address = platform ? address_text(*platform, layout, *offset) : "";
      !address.empty())
    json["address"] = address;
  json["text"] = json_text(words);
  json["places"] = list;
  outputs.set_bytes(0, json.dump(2) + "\n");
  const Failure written = report_output(outputs, outputs.commit(), console);
  return written == Failure::none ? found : exit_status(written);
}

} // namespace textdump
