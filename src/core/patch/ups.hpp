// UPS: "UPS1", the source's size and the target's size (numbers of
// patch_bytes.hpp), then hunks until the last 12 bytes, which are the CRC32s
// of the source, the target and the patch. A hunk is a number of bytes the
// two files share, then the XOR of the two files' bytes up to and including a
// 0, which stands for the next byte, shared too. Past its end a file reads as
// 0, so the hunks cover the longer of the two files.
//
// apply_ups checks the frame, the ROM against the source, then every hunk
// before it makes the target, and the target's CRC32 after.
#pragma once

#include <string>
#include <string_view>

#include "core/patch/patch_bytes.hpp"

namespace textdump::patching {

std::string make_ups(std::string_view source, std::string_view target);

PatchResult apply_ups(std::string_view patch, std::string_view rom);

} // namespace textdump::patching
