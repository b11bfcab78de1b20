// A pointer's value for a file offset, as the inserter's address types make
// it, and the way back.
#include "core/script/script_plan.hpp"

namespace textdump {

namespace {

std::uint64_t mask_of(unsigned bits) {
  return bits >= 32 ? 0xFFFFFFFFu : (std::uint64_t{1} << bits) - 1;
}

} // namespace

std::uint32_t pointer_value(const PointerFormat& format, std::uint64_t pos) {
  const std::uint64_t offset = pos - static_cast<std::uint64_t>(format.header);
  std::uint64_t value = offset;
  switch (format.type) {
  case AddressType::linear: break;
  case AddressType::lorom00:
  case AddressType::lorom80: {
    const std::uint64_t bank =
        (offset / 0x8000) | (format.type == AddressType::lorom80 ? 0x80u : 0u);
    value = (bank << 16) | 0x8000 | (offset & 0x7FFF);
    break;
  }
  case AddressType::hirom: value = offset | 0xC00000; break;
  case AddressType::gb: value = offset < 0x4000 ? offset : 0x4000 + (offset & 0x3FFF); break;
  }
  value -= static_cast<std::uint64_t>(format.offsetting);
  return static_cast<std::uint32_t>(value & mask_of(format.bits));
}

std::optional<std::uint64_t> pointer_reach(const PointerFormat& format, std::uint32_t value,
                                           std::uint64_t target) {
  const std::int64_t converted = static_cast<std::int64_t>(value) + format.offsetting;
  if (converted < 0) return std::nullopt;
  const auto a = static_cast<std::uint64_t>(converted);
  const std::uint64_t own = target - static_cast<std::uint64_t>(format.header);
  const bool wide = format.bits >= 24;
  std::uint64_t offset = a;
  switch (format.type) {
  case AddressType::linear: break;
  case AddressType::lorom00:
  case AddressType::lorom80:
    if ((a & 0x8000) == 0) return std::nullopt;
    offset = (wide ? ((a >> 16) & 0x7F) : own / 0x8000) * 0x8000 + (a & 0x7FFF);
    break;
  case AddressType::hirom:
    offset = wide ? a & 0x3FFFFF : (own & ~std::uint64_t{0xFFFF}) | (a & 0xFFFF);
    break;
  case AddressType::gb:
    if (a >= 0x8000) return std::nullopt;
    offset = a < 0x4000 ? a : (own & ~std::uint64_t{0x3FFF}) + (a & 0x3FFF);
    break;
  }
  return offset + static_cast<std::uint64_t>(format.header);
}

} // namespace textdump
