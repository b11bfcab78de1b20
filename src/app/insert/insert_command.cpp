#include "app/insert/insert_command.hpp"

#include <cstdio>

#include "app/common/console.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "app/insert/insert_report.hpp"
#include "app/patch/patch_command.hpp"
#include "app/script/fit_command.hpp"
#include "app/script/free_option.hpp"
#include "core/survey/survey.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"
#include "io/streams.hpp"

namespace textdump {

namespace {

// The step under way, on a terminal.
void progress(bool terminal, MessageId step) {
  if (terminal) show_progress(text_of(step), 24, SIZE_MAX, MessageId::progress_inserting);
}

// --expand SIZE: rom grown at its end (with --fill's byte, else the byte its
// end is padded with) under the map its header suggests (the
// linear map when none), or the reason it cannot be, said on the console.
std::optional<Growth> grow(std::uint64_t size, std::optional<std::uint8_t> fill, std::string& rom,
                           const Console& console) {
  const RomView view = rom_view_of(rom);
  const MapDescriptor* map = platform_map(view);
  if (map == nullptr) map = find_map("linear");
  auto plan = plan_expansion(*map, view, size);
  if (const auto* why = std::get_if<Report>(&plan)) {
    say(console, {MessageId::usage_report, {report_text(*why)}});
    return std::nullopt;
  }
  Growth growth{std::move(std::get<Expansion>(plan)), fill ? *fill : padding_byte(view)};
  expand_rom(*map, rom, growth.expansion, growth.fill);
  return growth;
}

// --free and --share: the plan's strings placed, their errors added to fit's.
Placement place(const InsertRequest& request, FitReport& fit, const std::string& rom) {
  std::vector<FreeRange> ranges;
  if (request.free) {
    const std::optional<FreeOption> free = parse_free(*request.free);
    if (const auto given = free_ranges(*free, fit.plan, &rom, request.fill))
      ranges = *given;
    else
      fit.diagnostics.push_back(
          {ReportId::insert_free_outside, Severity::error, 0, 0, {*request.free}});
  }
  Placement placement =
      place_strings(fit, std::move(ranges), request.share, platform_banks(rom));
  fit.diagnostics.insert(fit.diagnostics.end(), placement.diagnostics.begin(),
                         placement.diagnostics.end());
  return placement;
}

} // namespace

int run_command(const InsertRequest& request) {
  const Console console = stream_console(stderr, false, false);
  const std::optional<std::string> script = read_script(request.scriptfile, console);
  if (!script) return exit_status(Failure::script_unfit);
  std::string rom;
  if (const ReadStatus read = read_file(request.romfile, rom, ROM_SIZE_LIMIT);
      read != ReadStatus::ok) {
    const bool large = read == ReadStatus::too_large;
    if (large && is_special_file(request.romfile))
      say(console, {MessageId::rom_stream_too_large,
                    {shown(request.romfile), std::to_string(STREAM_READ_LIMIT >> 20)}});
    else
      say(console,
          {large ? MessageId::rom_too_large : MessageId::rom_open, {shown(request.romfile)}});
    return exit_status(large ? Failure::rom_too_large : Failure::rom_open);
  }
  // The ROM insertion starts from: grown first, when --expand asks.
  std::string grown;
  std::optional<Growth> growth;
  if (request.expand && !(growth = grow(*request.expand, request.fill, grown = rom, console)))
    return exit_status(Failure::script_unfit);
  const std::string_view start = growth ? std::string_view(grown) : std::string_view(rom);
  const bool terminal = is_terminal(STANDARD_ERROR);
  progress(terminal, MessageId::progress_reading);
  const std::optional<TextBox> box = load_box(request.box, console);
  if (!box) return exit_status(Failure::script_unfit);
  std::vector<std::string> tables;
  FitReport fit = fit_script_file(request.scriptfile, *script, FitFor::insert, *box, &tables);
  const Placement placement = place(request, fit, growth ? grown : rom);
  if (terminal) clear_progress(40);
  if (!fit.fits()) {
    say_diagnostics(console, request.scriptfile, fit.diagnostics);
    const Failure written = write_report(block_summary(fit.blocks), console);
    return exit_status(written != Failure::none ? written : Failure::script_unfit);
  }
  // OUT may be the ROM, read whole already, but neither the script nor a table.
  OutputSet outputs;
  outputs.add_input(text_of(MessageId::input_script), file_id_of(request.scriptfile));
  for (const std::string& table : tables)
    outputs.add_input(text_of(MessageId::input_table), file_id_of(table));
  const std::size_t out = outputs.declare(text_of(MessageId::role_out_rom), request.outfile);
  const std::size_t json =
      request.json ? outputs.declare(text_of(MessageId::role_json_file), *request.json) : out;
  const std::size_t patch =
      request.patch ? outputs.declare(text_of(MessageId::role_patch_file), *request.patch) : out;
  if (const OutputReport checked = outputs.check(); !checked.ok())
    return exit_status(report_output(outputs, checked, console));

  progress(terminal, MessageId::progress_proving);
  Insertion insertion = insert_script(fit.plan, start);
  if (terminal) clear_progress(40);
  say_diagnostics(console, request.scriptfile, fit.diagnostics);
  say_diagnostics(console, request.scriptfile, insertion.diagnostics);
  if (!insertion.ok()) return exit_status(Failure::script_unfit);
  if (request.outfile != "-" && (!request.json || *request.json != "-"))
    if (const Failure written = write_report(
            insertion_lines(insertion, growth) + placement_lines(placement, request.free.has_value()),
            console);
        written != Failure::none)
      return exit_status(written);
  if (json != out)
    outputs.set_bytes(json, insertion_json({request.scriptfile, request.romfile, request.outfile},
                                           insertion, growth,
                                           {request.free ? std::optional<std::string_view>(*request.free)
                                                         : std::nullopt,
                                            request.share},
                                           placement));
  if (patch != out)
    if (const Failure made = set_patch_output(outputs, patch, rom, insertion.rom, console);
        made != Failure::none)
      return exit_status(made);
  outputs.set_bytes(out, std::move(insertion.rom));
  return exit_status(report_output(outputs, outputs.commit(), console));
}

} // namespace textdump
