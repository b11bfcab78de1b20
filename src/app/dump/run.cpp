#include "app/dump/run.hpp"

#include <cstdio>
#include <cstring>
#include <thread>

#include "app/common/table_load.hpp"
#include "core/decode/decode.hpp"
#include "core/base/base.hpp"
#include "core/maps/maps.hpp"
#include "core/tables/tables.hpp"
#include "io/dump_file.hpp"
#include "io/rom_image.hpp"
#include "io/streams.hpp"

namespace textdump {

namespace {

Failure fail(const Console& console, Failure failure, const Message& message) {
  say(console, message);
  pause(console);
  return failure;
}

// "Can't create the dump file ..." or "Can't write ...": the output message of the dump file.
Message output_message(MessageId id, const DumpFile& dump) {
  return {id, {text_of(MessageId::role_dump_file), shown(dump.name()), std::strerror(dump.error())}};
}

Message dump_is_input(const DumpFile& dump, MessageId which) {
  return {MessageId::output_is_input,
          {text_of(MessageId::role_dump_file), shown(dump.name()), text_of(which)}};
}

// The dump file's last flush and close; a failure there is the run's failure.
Failure finish(Writer& out, DumpFile& dump, Failure failure, const Console& console) {
  const bool flushed = out.flush();
  if (!dump.close() || !flushed) {
    const Failure write =
        fail(console, Failure::dump_write, output_message(MessageId::output_write, dump));
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
  for (const Message& warning : loaded.warnings) say(console, warning);
  if (request.start_offset <= request.end_offset && request.end_offset >= rom.size) {
    char end[16];
    std::snprintf(end, sizeof end, "%X", request.end_offset);
    say(console, {MessageId::warning_end_past_rom, {end, std::to_string(rom.size)}});
  }
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
    return fail(console, Failure::dump_create, output_message(MessageId::output_create, dump));
  case DumpOpen::is_rom:
    return fail(console, Failure::dump_is_input, dump_is_input(dump, MessageId::input_rom));
  case DumpOpen::is_table:
    return fail(console, Failure::dump_is_input, dump_is_input(dump, MessageId::input_table));
  }
  return Failure::none;
}

Failure truncate_failed(Writer& out, DumpFile& dump, const Console& console) {
  return finish(
      out, dump,
      fail(console, Failure::dump_create, output_message(MessageId::output_create, dump)),
      console);
}

} // namespace

Failure open_rom(RomImage& rom, const std::string& romfile, const Console& console) {
  const std::string name = shown(romfile);
  set_rom_changed_report(console.fd, message_line({MessageId::rom_changed, {name}}));
  switch (rom.open(romfile)) {
  case RomOpen::ok: return Failure::none;
  case RomOpen::cannot_open: return fail(console, Failure::rom_open, {MessageId::rom_open, {name}});
  case RomOpen::too_large:
    return fail(console, Failure::rom_too_large, {MessageId::rom_too_large, {name}});
  case RomOpen::too_large_stream:
    return fail(console, Failure::rom_too_large,
                {MessageId::rom_stream_too_large, {name, std::to_string(STREAM_ROM_LIMIT >> 20)}});
  case RomOpen::changed:
    return fail(console, Failure::rom_changed, {MessageId::rom_changed, {name}});
  }
  return Failure::none;
}

std::variant<std::pair<std::uint64_t, std::uint64_t>, Message>
place_span(const MapDescriptor& map, std::string_view map_name, const RomView& rom,
           const TypedSpan& span) {
  const RomLayout layout = layout_of(rom);
  const std::uint64_t start = position_offset(map, layout, span.start),
                      end = position_offset(map, layout, span.end);
  const auto nowhere = [&](std::string_view which, std::string_view text) {
    return Message{MessageId::usage_no_position,
                   {printable(std::string(span.prefix) + std::string(which) + std::string(text)),
                    std::string(map_name)}};
  };
  if (start == NO_OFFSET) return nowhere("START ", span.start_text);
  if (end == NO_OFFSET) return nowhere("END ", span.end_text);
  if (end < start)
    return Message{MessageId::usage_end_below_start, {std::string(span.prefix),
                                                      std::string(span.end_text),
                                                      std::string(span.start_text)}};
  return std::pair{start, end};
}

// START and END typed under --map, as offsets of the ROM; Failure::usage
// after its message when the ROM holds no such position or END lies below START.
static Failure place_range(RunRequest& request, const RomView& rom, const Console& console) {
  if (request.map == nullptr) return Failure::none;
  const auto placed = place_span(*request.map, request.map->name, rom,
                                 {request.start_position, request.end_position, request.start_text,
                                  request.end_text, ""});
  if (const auto* why = std::get_if<Message>(&placed)) {
    write(console, usage_error_text(*why));
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
    return fail(console, Failure::dump_is_input, dump_is_input(dump, MessageId::input_member_table));
  }
  if (!dump.truncate()) return truncate_failed(out, dump, console);
  if (request.warnings) warn(request, loaded, rom.view(), console);

  // A switch of the tool's own format rewrites the table digit of the name in
  // force and never puts the typed name back.
  std::string tablefile = request.tablefile;
  const MemberLoader load_member =
      [&](std::uint8_t member) -> std::optional<std::vector<Definition>> {
    const bool named = set_table_digit(tablefile, table_digit(member));
    if (!named || !file_opens(tablefile)) {
      fail(console, Failure::table_switch, {MessageId::table_open, {shown(printable(tablefile))}});
      return std::nullopt;
    }
    if (same_file(file_id_of(tablefile), dump.id())) {
      fail(console, Failure::table_switch, dump_is_input(dump, MessageId::input_member_table));
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
  if (request.warnings && decoder.short_controls() > 0) {
    const std::string first = hex_number(decoder.first_short_control());
    say(console, decoder.short_controls() == 1
                     ? Message{MessageId::warning_parameter_past_rom, {first}}
                     : Message{MessageId::warning_parameters_past_rom,
                               {with_commas(decoder.short_controls()), first}});
  }
  return finish(out, dump,
                end == DecodeEnd::table_failed   ? Failure::table_switch
                : end == DecodeEnd::write_failed ? Failure::dump_write
                                                 : Failure::none,
                console);
}

int run_command(const RunRequest& request) {
  return exit_status(run_dump(request, stream_console(stderr, false, false)));
}

} // namespace textdump
