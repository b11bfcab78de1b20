// textdump --make-patch ORIGINAL MODIFIED PATCH and
// textdump --apply-patch PATCH ROM OUT: patches between any two files, in the
// format PATCH's extension names (.bps, .ips, .ups; core/patch/patch.hpp).
//
// Both read their inputs whole, then write their one output through the
// output step (io/output_set.hpp): OUT (or PATCH) is never an input, and is
// not created or changed when the patch cannot be made or will not apply.
// A BPS patch's metadata is the program's name and version. Every failure is
// one message on standard error; a run that succeeds prints nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "core/patch/patch.hpp"
#include "io/output_set.hpp"

namespace textdump {

struct PatchCommand {
  bool make = true;
  PatchFormat format = PatchFormat::bps;
  std::string patch;
  std::string source; // ORIGINAL (--make-patch) or ROM (--apply-patch)
  std::string target; // MODIFIED or OUT
};

// The format a patch file's name ends in (any letter case).
std::optional<PatchFormat> patch_format_of(std::string_view name);

// The command from its three names, as the usage gives them; or the usage
// error when PATCH names no format.
std::optional<Message> read_patch_command(bool make, const std::vector<std::string>& names,
                                          PatchCommand& command);

// The exit status: 0 when the output is written, 1 on failure.
int run_command(const PatchCommand& command);

// The patch from original to modified, in the format of the output's name, as
// the bytes of a declared output (its role text_of(MessageId::role_patch_file)). For --insert ... --patch
// FILE, which declares FILE beside OUT before its outputs' check and then
// gives the ROM's bytes and OUT's. Failure::none, or Failure::patch_refused
// after its message.
Failure set_patch_output(OutputSet& outputs, std::size_t output, std::string_view original,
                         std::string_view modified, const Console& console);

} // namespace textdump
