#include "app/insert/insert_command.hpp"

#include <cstdio>

#include "app/common/console.hpp"
#include "app/common/output_failure.hpp"
#include "app/insert/insert_report.hpp"
#include "app/patch/patch_command.hpp"
#include "app/script/fit_command.hpp"
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

void print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
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
    say(console,
        {large ? MessageId::rom_too_large : MessageId::rom_open, {shown(request.romfile)}});
    return exit_status(large ? Failure::rom_too_large : Failure::rom_open);
  }
  const bool terminal = is_terminal(STANDARD_ERROR);
  progress(terminal, MessageId::progress_reading);
  const std::optional<TextBox> box = load_box(request.box, console);
  if (!box) return exit_status(Failure::script_unfit);
  std::vector<std::string> tables;
  const FitReport fit = fit_script_file(request.scriptfile, *script, FitFor::insert, *box, &tables);
  if (terminal) clear_progress(40);
  if (!fit.fits()) {
    say_diagnostics(console, request.scriptfile, fit.diagnostics);
    print(block_summary(fit.blocks));
    return exit_status(Failure::script_unfit);
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
  Insertion insertion = insert_script(fit.plan, rom);
  if (terminal) clear_progress(40);
  say_diagnostics(console, request.scriptfile, fit.diagnostics);
  say_diagnostics(console, request.scriptfile, insertion.diagnostics);
  if (!insertion.ok()) return exit_status(Failure::script_unfit);
  if (request.outfile != "-" && (!request.json || *request.json != "-"))
    print(insertion_lines(insertion));
  if (json != out) outputs.set_bytes(json, insertion_json(request, insertion));
  if (patch != out)
    if (const Failure made = set_patch_output(outputs, patch, rom, insertion.rom, console);
        made != Failure::none)
      return exit_status(made);
  outputs.set_bytes(out, std::move(insertion.rom));
  return exit_status(report_output(outputs, outputs.commit(), console));
}

} // namespace textdump
