#include "app/dump/run.hpp"

#include <thread>

#include "app/common/table_load.hpp"
#include "core/decode/decoder.hpp"
#include "core/maps/map_address.hpp"
#include "core/tables/table_family.hpp"
#include "io/dump_file.hpp"
#include "io/rom_image.hpp"
#include "io/streams.hpp"

namespace textdump {

namespace {

Failure fail(const Console& console, Failure failure, const std::string& message) {
  say(console, message);
  pause(console);
  return failure;
}

// The dump file's last flush and close; a failure there is the run's failure.
Failure finish(Writer& out, DumpFile& dump, Failure failure, const Console& console) {
  const bool flushed = out.flush();
  if (!dump.close() || !flushed) {
    const Failure write =
        fail(console, Failure::dump_write, message_dump_write(dump.name(), dump.error()));
    return failure == Failure::none ? write : failure;
  }
  return failure;
}

// True when the dump file is a member of the loaded table's family: a switch
// would load it as a table after it was emptied.
bool dump_is_family_member(const DumpFile& dump, const CodeTable& table,
                           const std::string& tablefile) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    const Entry& entry = table.at(static_cast<std::uint8_t>(byte));
    if (entry.kind != EntryKind::table_switch) continue;
    for (const std::uint8_t member : {std::uint8_t{0}, entry.table}) {
      std::string name = tablefile;
      if (set_table_digit(name, table_digit(member)) && same_file(file_id_of(name), dump.id()))
        return true;
    }
  }
  return false;
}

// What a command-line run warns of before it decodes: the table's warnings,
// then an END past the ROM.
void warn(const RunRequest& request, const LoadedTables& loaded, const RomView& rom,
          const Console& console) {
  for (const std::string& warning : loaded.warnings) say(console, warning);
  if (request.start_offset <= request.end_offset && request.end_offset >= rom.size)
    say(console, warning_end_past_rom(request.end_offset, rom.size));
}

// Opens the dump file the request names (or standard output), refusing the ROM
// and the table; it is not emptied yet.
Failure open_dump(const RunRequest& request, const RomImage& rom, DumpFile& dump,
                  const Console& console) {
  const bool to_stdout = request.dash_is_stdout && request.dumpfile == "-";
  const DumpOpen opened = to_stdout ? dump.use_descriptor(STANDARD_OUTPUT, request.dumpfile,
                                                          rom.id(), request.tablefile)
                                    : dump.open(request.dumpfile, rom.id(), request.tablefile);
  switch (opened) {
  case DumpOpen::ok: return Failure::none;
  case DumpOpen::cannot_create:
    return fail(console, Failure::dump_create, message_dump_create(request.dumpfile, dump.error()));
  case DumpOpen::is_rom:
    return fail(console, Failure::dump_is_input,
                message_dump_is_input(request.dumpfile, "the ROM file"));
  case DumpOpen::is_table:
    return fail(console, Failure::dump_is_input,
                message_dump_is_input(request.dumpfile, "the table file"));
  }
  return Failure::none;
}

Failure truncate_failed(const RunRequest& request, Writer& out, DumpFile& dump,
                        const Console& console) {
  return finish(
      out, dump,
      fail(console, Failure::dump_create, message_dump_create(request.dumpfile, dump.error())),
      console);
}

} // namespace

Failure open_rom(RomImage& rom, const std::string& romfile, const Console& console) {
  set_rom_changed_report(console.fd, message_rom_changed(romfile));
  switch (rom.open(romfile)) {
  case RomOpen::ok: return Failure::none;
  case RomOpen::cannot_open: return fail(console, Failure::rom_open, message_rom_open(romfile));
  case RomOpen::too_large:
    return fail(console, Failure::rom_too_large, message_rom_too_large(romfile));
  case RomOpen::too_large_stream:
    return fail(console, Failure::rom_too_large, message_rom_stream_too_large(romfile));
  case RomOpen::changed: return fail(console, Failure::rom_changed, message_rom_changed(romfile));
  }
  return Failure::none;
}

std::variant<std::pair<std::uint64_t, std::uint64_t>, std::string>
place_span(const MapDescriptor& map, std::string_view map_name, const RomView& rom,
           const TypedSpan& span) {
  const RomLayout layout = layout_of(rom);
  const std::uint64_t start = position_offset(map, layout, span.start),
                      end = position_offset(map, layout, span.end);
  if (start == NO_OFFSET)
    return usage_no_position(std::string(span.prefix) + "START " + std::string(span.start_text),
                             map_name);
  if (end == NO_OFFSET)
    return usage_no_position(std::string(span.prefix) + "END " + std::string(span.end_text),
                             map_name);
  if (end < start)
    return std::string(span.prefix) + usage_end_below_start(span.end_text, span.start_text);
  return std::pair{start, end};
}

// START and END typed under --map, as offsets of the ROM; Failure::usage
// after its message when the ROM holds no such position or END lies below START.
static Failure place_range(RunRequest& request, const RomView& rom, const Console& console) {
  if (request.map == nullptr) return Failure::none;
  const auto placed = place_span(*request.map, request.map->name, rom,
                                 {request.start_position, request.end_position, request.start_text,
                                  request.end_text, ""});
  if (const auto* why = std::get_if<std::string>(&placed)) {
    say(console, usage_error_text(*why));
    return Failure::usage;
  }
  const auto [start, end] = std::get<std::pair<std::uint64_t, std::uint64_t>>(placed);
  request.start_offset = static_cast<std::uint32_t>(start);
  request.end_offset = static_cast<std::uint32_t>(end);
  return Failure::none;
}

Failure run_dump(const RunRequest& typed, const Console& console) {
  RomImage rom;
  if (const Failure opened = open_rom(rom, typed.romfile, console); opened != Failure::none)
    return opened;
  RunRequest request = typed;
  if (const Failure placed = place_range(request, rom.view(), console); placed != Failure::none)
    return placed;
  // A standard table is refused before any file is touched; a table in the
  // tool's own format is read once the dump file is open.
  const TableRequest table_request{request.tablefile,
                                   request.standard ? TableFormat::standard : TableFormat::own,
                                   request.encoding, request.start_table};
  const bool table_first = table_request.format == TableFormat::standard;
  LoadedTables loaded;
  if (table_first)
    if (const Failure failure = load_tables(table_request, console, loaded);
        failure != Failure::none)
      return failure;

  DumpFile dump;
  if (const Failure opened = open_dump(request, rom, dump, console); opened != Failure::none)
    return opened;
  Writer out(dump);
  if (!table_first)
    if (const Failure failure = load_tables(table_request, console, loaded);
        failure != Failure::none)
      return finish(out, dump, failure, console);
  CodeTable& table = loaded.tables[loaded.start];
  if (dump_is_family_member(dump, table, request.tablefile)) {
    dump.discard();
    return fail(console, Failure::dump_is_input,
                message_dump_is_input(request.dumpfile, "a table file"));
  }
  if (!dump.truncate()) return truncate_failed(request, out, dump, console);
  if (request.warnings) warn(request, loaded, rom.view(), console);

  // A switch of the tool's own format rewrites the table digit of the name in
  // force and never puts the typed name back.
  std::string tablefile = request.tablefile;
  const MemberLoader load_member =
      [&](std::uint8_t member) -> std::optional<std::vector<Definition>> {
    const bool named = set_table_digit(tablefile, table_digit(member));
    if (!named || !file_opens(tablefile)) {
      fail(console, Failure::table_switch, message_table_open(printable(tablefile)));
      return std::nullopt;
    }
    if (same_file(file_id_of(tablefile), dump.id())) {
      fail(console, Failure::table_switch, message_dump_is_input(dump.name(), "a table file"));
      return std::nullopt;
    }
    LoadedTable member_file;
    if (!load_font_table(tablefile, console, member_file)) return std::nullopt;
    return std::move(member_file.table.definitions);
  };

  Decoder decoder(table, rom.view(), out, load_member);
  decoder.use_threads(std::thread::hardware_concurrency() > 1);
  decoder.seek(request.start_offset);
  decoder.use_tables(&loaded.tables);
  const DecodeEnd end = decoder.run_to(request.end_offset);
  if (request.warnings && decoder.short_controls() > 0)
    say(console,
        warning_parameters_past_rom(decoder.short_controls(), decoder.first_short_control()));
  return finish(out, dump,
                end == DecodeEnd::table_failed   ? Failure::table_switch
                : end == DecodeEnd::write_failed ? Failure::dump_write
                                                 : Failure::none,
                console);
}

} // namespace textdump
