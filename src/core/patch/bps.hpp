// BPS, as its author's public-domain description gives it: "BPS1", the
// source's size, the target's size, the metadata's size and the metadata,
// then actions until the last 12 bytes, which are the CRC32s of the source,
// the target and the patch. An action is one number, (length - 1) << 2 | kind:
//
//   0 SourceRead   the source's bytes at the target's own offset
//   1 TargetRead   bytes of the patch, which follow
//   2 SourceCopy   source bytes from a position moved by a signed number
//   3 TargetCopy   target bytes already made, from a position moved the same
//                  way; it may copy bytes it makes itself (a run of one byte)
//
// Signed numbers are |offset| << 1 | negative, each relative to where the last
// copy of its kind ended. Numbers are patch_bytes.hpp's.
//
// make_bps searches matches in a hash index of 8-byte windows of the source
// and of the target made so far, sampled every 4 bytes, each match verified
// and extended both ways; beside it, it tries the source at the target's
// offset, where the last source copy ended (text shifted by an inserted or a
// deleted byte goes on there) and the byte just made (runs). Greedy, in one
// pass: linear in the two sizes, the index at most one byte per byte of the
// two inputs, the same bytes from the same inputs. Past a KiB without a match
// it looks up one byte in 3, 5, then 7 (a match of 36 bytes is still found,
// and extended back to its start).
#pragma once

#include <string>
#include <string_view>

#include "core/patch/patch_bytes.hpp"

namespace textdump::patching {

std::string make_bps(std::string_view source, std::string_view target, std::string_view metadata);

PatchResult apply_bps(std::string_view patch, std::string_view rom);

} // namespace textdump::patching
