// Patches: the bytes that turn one file into another, in the three formats
// translators publish, made and applied in memory. Nothing here opens a file
// or prints: buffers come in, the bytes made or a report with its id go out.
//
//   patch_bytes.hpp  the result, CRC32 (zlib), BPS/UPS numbers, the reader,
//                    and the checks of the ROM that BPS and UPS share
//   bps.hpp          BPS: making (bps_make.cpp), applying (bps_apply.cpp)
//   ips.hpp          IPS (ips.cpp)
//   ups.hpp          UPS (ups.cpp)
//
// Promises:
// - make_patch gives the same bytes for the same two files, and a patch that
//   apply_patch turns the original into the modified file with, byte for byte.
//   BPS and UPS take files of any size; IPS refuses a modified file over
//   16 MiB (and a shorter one of 16 MiB), with the reason.
// - apply_patch checks everything it can before it makes a byte: the patch's
//   frame and its own CRC32 (BPS, UPS), every record against the patch's end,
//   the ROM and the new file; the ROM's size and CRC32 against those the patch
//   is for (BPS, UPS), naming both CRC32s, or the copier header whose removal
//   would make them match; a ROM that is the patch's result already (BPS and
//   UPS by its CRC32, IPS by holding every byte the patch writes); and, after
//   making it, the new file's size and CRC32 against the patch's.
// - metadata (BPS) is written as given: a short text such as the tool and its version.
#pragma once

#include <string_view>

#include "core/patch/patch_bytes.hpp"

namespace textdump {

enum class PatchFormat { bps, ips, ups };

using patching::PatchResult;

// "BPS", "IPS", "UPS".
std::string_view format_name(PatchFormat format);

PatchResult make_patch(PatchFormat format, std::string_view original, std::string_view modified,
                       std::string_view metadata = {});

PatchResult apply_patch(PatchFormat format, std::string_view patch, std::string_view rom);

} // namespace textdump
