#include "app/patch/patch_command.hpp"

#include <algorithm>
#include <cctype>
#include <functional>

#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "io/files.hpp"
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

std::optional<Input> read_input(std::string_view role, const std::string& name,
                                const Console& console) {
  Input input;
  const ReadStatus status = read_file(name, input.bytes, ROM_SIZE_LIMIT);
  if (status == ReadStatus::ok) {
    input.id = file_id_of(name);
    return input;
  }
  const ReportId why =
      status == ReadStatus::too_large ? ReportId::patch_file_too_large : ReportId::patch_file_open;
  say(console,
      report_text(error_report(why, {std::string(role), printable(name_until_nul(name))})) + "\n");
  return std::nullopt;
}

// A file of the run: its role in messages ("patch file") and its name.
struct Named {
  std::string_view role;
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
  outputs.add_input("the " + std::string(first.role), one->id);
  outputs.add_input("the " + std::string(second.role), two->id);
  const std::size_t out = outputs.declare(std::string(output.role), output.name);
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

std::optional<std::string> read_patch_command(bool make, const std::vector<std::string>& names,
                                              PatchCommand& command) {
  command.make = make;
  command.patch = names[make ? 2 : 0];
  command.source = names[make ? 0 : 1];
  command.target = names[make ? 1 : 2];
  const auto format = patch_format_of(command.patch);
  if (!format)
    return report_text(
        error_report(ReportId::patch_extension, {printable(name_until_nul(command.patch))}));
  command.format = *format;
  return std::nullopt;
}

int run_patch_command(const PatchCommand& command) {
  const Console console = stream_console(stderr, false, false);
  if (command.make)
    return run_with(console, {"original file", command.source}, {"modified file", command.target},
                    {PATCH_ROLE, command.patch},
                    [&console](OutputSet& outputs, std::size_t out, const std::string& original,
                               const std::string& modified) {
                      return set_patch_output(outputs, out, original, modified, console);
                    });
  return run_with(
      console, {"patch file", command.patch}, {"ROM file", command.source},
      {"patched file", command.target},
      [&](OutputSet& outputs, std::size_t out, const std::string& patch, const std::string& rom) {
        PatchResult applied = apply_patch(command.format, patch, rom);
        if (const auto* refused = std::get_if<Report>(&applied)) {
          say(console, "Can't apply " + quoted(command.patch) + " to " + quoted(command.source) +
                           ": " + report_text(*refused) + ".\n");
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
          ? make_patch(*format, original, modified, std::string(VERSION_PREFIX) + TEXTDUMP_VERSION)
          : error_report(ReportId::patch_extension, {printable(name_until_nul(name))});
  if (const auto* refused = std::get_if<Report>(&made)) {
    say(console, "Can't make " + quoted(name) + ": " + report_text(*refused) + ".\n");
    return Failure::patch_refused;
  }
  outputs.set_bytes(output, std::get<std::string>(std::move(made)));
  return Failure::none;
}

} // namespace textdump
