// The vocabulary of inserting a script into a ROM: what an insertion did,
// block by block, and the checksums of the ROM's header before and after.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/base.hpp"
#include "core/maps/maps.hpp"

namespace textdump {

// A block as written: where it starts, its #JMP bound, the bytes it wrote.
struct BlockUse {
  std::size_t line = 0; // of its #JMP
  std::uint64_t start = 0;
  std::optional<std::uint64_t> last; // none: no end bound
  std::uint64_t used = 0;

  std::optional<std::uint64_t> room() const {
    return last ? std::optional<std::uint64_t>(*last - start + 1) : std::nullopt;
  }
};

// A checksum of the ROM's header: its state before insertion, and whether
// insertion recomputed its bytes (only a checksum right before is).
struct ChecksumOutcome {
  HeaderChecksum before;
  ChecksumState after = ChecksumState::none;
  bool changed = false; // its bytes differ from the ROM's
};

struct Insertion {
  // Errors name the script line they come from (0: none, a byte of the
  // result); a checksum wrong before is a warning. Nothing is written unless
  // no error is among them.
  std::vector<Report> diagnostics;
  std::string rom; // the ROM after insertion, when it succeeded
  std::vector<BlockUse> blocks;
  std::size_t pointers = 0, lengths = 0;   // written
  const MapDescriptor* platform = nullptr; // whose checksums were kept
  std::vector<ChecksumOutcome> checksums;

  bool ok() const;
};

} // namespace textdump
