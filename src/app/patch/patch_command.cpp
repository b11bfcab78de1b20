#include "app/patch/patch_command.hpp"

#include <algorithm>
#include <cctype>
#include <functional>

#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"
#include "textdump_version.hpp"

namespace textdump {

namespace {

std::string quoted(std::string_view name) {
  return "\"" + printable(name_until_nul(name)) + "\"";
}

// An input read whole, and its identity for the output step.
struct Input {
  std::string bytes;
  FileId id;
};

std::optional<Input> read_input(MessageId role, const std::string& name,
                                const Console& console) {
  Input input;
  const ReadStatus status = read_file(name, input.bytes, ROM_SIZE_LIMIT);
  if (status == ReadStatus::ok) {
    input.id = file_id_of(name);
    return input;
  }
  const bool stream = status == ReadStatus::too_large && is_special_file(name);
  const ReportId why = stream                           ? ReportId::patch_file_stream_too_large
                       : status == ReadStatus::too_large ? ReportId::patch_file_too_large
                                                         : ReportId::patch_file_open;
  std::vector<std::string> args{text_of(role), printable(name_until_nul(name))};
  if (stream) args.push_back(std::to_string(STREAM_READ_LIMIT >> 20));
  say(console, {MessageId::usage_report, {report_text(error_report(why, std::move(args)))}});
  return std::nullopt;
}

// A file of the run: its role in messages ("patch file"), as an input ("the
// patch file"), and its name.
struct Named {
  MessageId role, input;
  const std::string& name;
};
using Writer = std::function<Failure(OutputSet&, std::size_t, const std::string& first,
                                     const std::string& second)>;

// Reads the two inputs and checks the output, then write sets its bytes from
// them; the output is written only when all of that succeeds.
int run_with(const Console& console, Named first, Named second, Named output, const Writer& write) {
  const auto one = read_input(first.role, first.name, console);
  if (!one) return exit_status(Failure::patch_refused);
  const auto two = read_input(second.role, second.name, console);
  if (!two) return exit_status(Failure::patch_refused);
  OutputSet outputs;
  outputs.add_input(text_of(first.input), one->id);
  outputs.add_input(text_of(second.input), two->id);
  const std::size_t out = outputs.declare(text_of(output.role), output.name);
  if (const OutputReport checked = outputs.check(); !checked.ok())
    return exit_status(report_output(outputs, checked, console));
  if (const Failure failed = write(outputs, out, one->bytes, two->bytes); failed != Failure::none)
    return exit_status(failed);
  return exit_status(report_output(outputs, outputs.commit(), console));
}

} // namespace

std::optional<PatchFormat> patch_format_of(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string extension(name.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == "bps") return PatchFormat::bps;
  if (extension == "ips") return PatchFormat::ips;
  if (extension == "ups") return PatchFormat::ups;
  return std::nullopt;
}

std::optional<Message> read_patch_command(bool make, const std::vector<std::string>& names,
                                          PatchCommand& command) {
  command.make = make;
  command.patch = names[make ? 2 : 0];
  command.source = names[make ? 0 : 1];
  command.target = names[make ? 1 : 2];
  const auto format = patch_format_of(command.patch);
  if (!format)
    return Message{MessageId::usage_report,
                   {report_text(error_report(ReportId::patch_extension,
                                             {printable(name_until_nul(command.patch))}))}};
  command.format = *format;
  return std::nullopt;
}

int run_command(const PatchCommand& command) {
  const Console console = stream_console(stderr, false, false);
  if (command.make)
    return run_with(console, {MessageId::role_original_file, MessageId::input_original, command.source},
                    {MessageId::role_modified_file, MessageId::input_modified, command.target},
                    {MessageId::role_patch_file, MessageId::input_patch, command.patch},
                    [&console](OutputSet& outputs, std::size_t out, const std::string& original,
                               const std::string& modified) {
                      return set_patch_output(outputs, out, original, modified, console);
                    });
  return run_with(
      console, {MessageId::role_patch_file, MessageId::input_patch, command.patch},
      {MessageId::role_rom_file, MessageId::input_rom, command.source},
      {MessageId::role_patched_file, MessageId::input_rom, command.target},
      [&](OutputSet& outputs, std::size_t out, const std::string& patch, const std::string& rom) {
        PatchResult applied = apply_patch(command.format, patch, rom);
        if (const auto* refused = std::get_if<Report>(&applied)) {
          say(console, {MessageId::patch_cannot_apply,
                        {quoted(command.patch), quoted(command.source), report_text(*refused)}});
          return Failure::patch_refused;
        }
        outputs.set_bytes(out, std::get<std::string>(std::move(applied)));
        return Failure::none;
      });
}

Failure set_patch_output(OutputSet& outputs, std::size_t output, std::string_view original,
                         std::string_view modified, const Console& console) {
  const std::string& name = outputs.name(output);
  const auto format = patch_format_of(name);
  PatchResult made =
      format
          ? make_patch(*format, original, modified, message_text({MessageId::version, {TEXTDUMP_VERSION}}))
          : error_report(ReportId::patch_extension, {printable(name_until_nul(name))});
  if (const auto* refused = std::get_if<Report>(&made)) {
    say(console, {MessageId::patch_cannot_make, {quoted(name), report_text(*refused)}});
    return Failure::patch_refused;
  }
  outputs.set_bytes(output, std::get<std::string>(std::move(made)));
  return Failure::none;
}

} // namespace textdump
