#include "app/exchange/export_command.hpp"

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/exchange/exchange_files.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/streams.hpp"

namespace textdump {

int run_command(const ExportRequest& request) {
  const Console console = stream_console(stderr, false, false);
  std::string script;
  if (const Failure read = read_script(request.scriptfile, console, script); read != Failure::none)
    return exit_status(read);
  const std::optional<TextBox> box = load_box(request.box, console);
  if (!box) return exit_status(Failure::script_unfit);
  const std::vector<ScriptEntry> entries = script_entries(script);
  OutputSet outputs;
  outputs.add_input(text_of(MessageId::input_script), file_id_of(request.scriptfile));
  const std::size_t file = outputs.declare(text_of(MessageId::role_exchange_file), request.file);
  if (const Failure checked = report_output(outputs, outputs.check(), console);
      checked != Failure::none)
    return exit_status(checked);
  outputs.set_bytes(file, write_exchange(request.format, entries, file_part(request.scriptfile),
                                         box_text(*box)));
  const Failure written = report_output(outputs, outputs.commit(), console);
  if (written == Failure::none && is_terminal(STANDARD_ERROR))
    say(console,
        {MessageId::export_summary,
         {with_commas(entries.size()),
          request.file == "-"
              ? message_text({MessageId::output_to_stdout, {outputs.role(file)}})
              : message_text({MessageId::output_named, {outputs.role(file), shown(request.file)}})}});
  return exit_status(written);
}

} // namespace textdump
