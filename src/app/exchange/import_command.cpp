#include "app/exchange/import_command.hpp"

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/exchange/exchange_files.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"

namespace textdump {

int run_command(const ImportRequest& request) {
  const Console console = stream_console(stderr, false, false);
  std::vector<ExchangeRow> rows;
  if (const Failure read = read_translations(request.file, console, rows); read != Failure::none)
    return exit_status(read);
  std::string script;
  if (const Failure read = read_script(request.scriptfile, console, script); read != Failure::none)
    return exit_status(read);
  OutputSet outputs;
  outputs.add_input(text_of(MessageId::role_exchange_file), file_id_of(request.file));
  const std::size_t out = outputs.declare(text_of(MessageId::role_script_file), request.scriptfile);
  if (const Failure checked = report_output(outputs, outputs.check(), console);
      checked != Failure::none)
    return exit_status(checked);
  Applied applied = apply_translations(script, rows);
  show_reports(console, request.file, applied.left_out);
  show_reports(console, request.scriptfile, applied.untranslated);
  outputs.set_bytes(out, std::move(applied.script));
  const Failure written = report_output(outputs, outputs.commit(), console);
  if (written == Failure::none)
    say(console, {MessageId::import_summary,
                  {std::to_string(applied.written), std::to_string(applied.untranslated.size()),
                   std::to_string(applied.left_out.size()), shown(request.scriptfile)}});
  return exit_status(written);
}

} // namespace textdump
