// The last steps of a generated ROM: runs of pointers to string starts that
// nobody planted, and a read-back of every planted table.
#include <algorithm>
#include <stdexcept>

#include "generator/rom_builder.hpp"

namespace textdump::testing {

std::vector<StrayRun> RomBuilder::scan_strays(bool fix) {
  std::vector<bool> planted_slot(g_.file_size, false);
  std::vector<std::int64_t> bases;
  for (const PlantedFormat& p : planted_formats_) {
    for (std::size_t k = 0; k < p.count; ++k) planted_slot[p.at + k * p.format.stride] = true;
    if (std::find(bases.begin(), bases.end(), p.format.base) == bases.end()) {
      bases.push_back(p.format.base);
    }
  }
  if (bases.empty()) bases.push_back(0);
  std::vector<unsigned> strides = {o_.stride};
  if (o_.pointer_size != o_.stride) strides.push_back(o_.pointer_size);
  const unsigned size = o_.pointer_size;
  std::vector<StrayRun> strays;

  // Redraws a filler slot of the run from p; false when every slot is text, table or header.
  const auto quiet_a_slot = [&](const PointerFormat& f, std::size_t p, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t slot = p + k * f.stride;
      const auto first = owner_.begin() + static_cast<std::ptrdiff_t>(slot);
      if (!std::all_of(first, first + size, [](Owner w) { return w == Owner::filler; })) continue;
      for (unsigned tries = 0; tries < 64 && hits(f, slot); ++tries) {
        for (std::size_t i = slot; i < slot + size; ++i) rom_[i] = rng_.byte();
      }
      if (!hits(f, slot)) return true;
    }
    return false;
  };
  // Looks at the runs that start at p; true when it changed a byte and p needs another look.
  const auto examine = [&](std::size_t p) {
    const std::uint64_t value = read_pointer(rom_, p, size, o_.order);
    for (std::int64_t base : bases) {
      if (g_.map == AddressMap::linear) { // the common miss without a call
        const std::int64_t offset = static_cast<std::int64_t>(value) + base;
        if (offset < 0 || offset >= static_cast<std::int64_t>(g_.file_size) ||
            !is_start_[static_cast<std::size_t>(offset)]) {
          continue;
        }
      }
      PointerFormat f{size, o_.order, size, base, default_bank(g_, p), false};
      const auto offset = decode_value(g_, f, p, value);
      if (!offset || !is_start_[*offset]) continue;
      for (unsigned stride : strides) {
        f.stride = stride;
        const std::size_t n = run_length(rom_, g_, f, p, is_start_);
        if (n < 4) continue;
        if (p >= stride && !planted_slot[p - stride] && hits(f, p - stride)) continue; // a tail
        if (fix && quiet_a_slot(f, p, n)) return true;
        strays.push_back({p, n, size, o_.order, stride,
                          g_.map == AddressMap::linear ? std::optional(base) : std::nullopt});
      }
    }
    return false;
  };
  for (std::size_t p = g_.data_begin; p + size <= g_.data_end; ++p) {
    if (planted_slot[p]) continue;
    while (examine(p)) {
    }
  }
  return strays;
}

void RomBuilder::verify() const {
  for (const PlantedFormat& p : planted_formats_) {
    PointerFormat fixed = p.format;
    fixed.bank = p.format.bank ? *p.format.bank : default_bank(g_, p.at);
    bool planted = !(p.at >= p.format.stride && hits(p.format, p.at - p.format.stride));
    for (std::size_t k = 0; k < p.count && planted; ++k) {
      const std::size_t pos = p.at + k * p.format.stride;
      const std::uint64_t value = read_pointer(rom_, pos, p.format.size, p.format.order);
      planted = p.targets[k] ? decode_value(g_, fixed, p.at, value) == p.targets[k] : value == 0;
    }
    if (!planted)
      throw std::logic_error("rom generator: a planted table does not read back as planted");
  }
}

} // namespace textdump::testing
