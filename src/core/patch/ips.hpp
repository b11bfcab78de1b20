// IPS: "PATCH", then records until "EOF", then perhaps 3 bytes of the
// truncation extension, the size the file is cut to. A record is a 3-byte
// offset and a 2-byte size (big-endian), then that many bytes; a size of 0 is
// a run: a 2-byte count and the one byte repeated. IPS holds no checksum.
//
// make_ips writes a record for each stretch of bytes that differ (equal gaps
// under 5 bytes, less than a record's header, are written through), runs long
// enough to save bytes as run records, records of at most 65,535 bytes, and no
// record at offset $454F46, whose bytes read as "EOF": such a record begins a
// byte earlier. Every byte past the original's end is written. It refuses a
// modified file over 16 MiB, which 3-byte offsets do not reach, and a shorter
// modified file the truncation's 3 bytes cannot name.
//
// apply_ips checks every record before it writes one: records that run past
// the patch, a missing "EOF", bytes after it that are no truncation, a record
// that writes past the ROM's end and past 16 MiB. A patch whose records all
// write what the ROM already holds (its own output) is refused.
#pragma once

#include <string_view>

#include "core/patch/patch_bytes.hpp"

namespace textdump::patching {

PatchResult make_ips(std::string_view source, std::string_view target);

PatchResult apply_ips(std::string_view patch, std::string_view rom);

} // namespace textdump::patching
