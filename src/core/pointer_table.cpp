#include "core/pointer_table.hpp"

#include <algorithm>
#include <charconv>

#include "core/numbers.hpp"

namespace textdump {

namespace {

std::optional<std::uint64_t> hex_field(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  for (const char c : text)
    if (!is_hex_digit(c)) return std::nullopt;
  return hex_to_int(text);
}

std::optional<std::uint64_t> decimal_field(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.size() > 9)
    return std::nullopt;
  return value;
}

constexpr AddressMap MAPS[] = {AddressMap::linear, AddressMap::lorom, AddressMap::hirom,
                               AddressMap::gb, AddressMap::nes};

} // namespace

std::string_view name_of(AddressMap map) {
  switch (map) {
  case AddressMap::linear: return "linear";
  case AddressMap::lorom: return "lorom";
  case AddressMap::hirom: return "hirom";
  case AddressMap::gb: return "gb";
  case AddressMap::nes: return "nes";
  }
  return "linear";
}

std::variant<PointerTable, std::string> parse_pointer_table(std::string_view text) {
  PointerTable ptable;
  bool at = false, count = false, stride = false;
  while (!text.empty()) {
    const std::size_t comma = std::min(text.find(','), text.size());
    const std::string_view field = text.substr(0, comma);
    text.remove_prefix(std::min(comma + 1, text.size()));
    const std::size_t equals = field.find('=');
    const std::string_view key = field.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : field.substr(equals + 1);
    const auto wrong = [&](std::string_view why) {
      return "pointer field \"" + std::string(field) + "\": " + std::string(why);
    };
    if (equals == std::string_view::npos) return wrong("a field is key=value");
    if (key == "at") {
      const auto v = hex_field(without_hex_prefix(value));
      if (!v) return wrong("the offset is one to eight hexadecimal digits");
      ptable.at = static_cast<std::uint32_t>(*v);
      at = true;
    } else if (key == "count") {
      const auto v = decimal_field(value);
      if (!v || *v == 0 || *v > MAX_POINTERS)
        return wrong("the count is a decimal number from 1 to 16777216");
      ptable.count = static_cast<std::uint32_t>(*v);
      count = true;
    } else if (key == "size") {
      const auto v = decimal_field(value);
      if (!v || *v < 2 || *v > 4) return wrong("the size is 2, 3 or 4");
      ptable.size = static_cast<unsigned>(*v);
    } else if (key == "stride") {
      const auto v = decimal_field(value);
      if (!v || *v == 0 || *v > 65536)
        return wrong("the stride is a decimal number from 1 to 65536");
      ptable.stride = static_cast<unsigned>(*v);
      stride = true;
    } else if (key == "order") {
      if (value != "le" && value != "be") return wrong("the order is le or be");
      ptable.order = value == "le" ? ByteOrder::le : ByteOrder::be;
    } else if (key == "map") {
      const auto* found = std::find_if(std::begin(MAPS), std::end(MAPS),
                                       [&](AddressMap map) { return name_of(map) == value; });
      if (found == std::end(MAPS)) return wrong("the map is linear, lorom, hirom, gb or nes");
      ptable.map = *found;
    } else if (key == "base") {
      const bool negative = !value.empty() && value[0] == '-';
      const auto v = hex_field(value.substr(negative ? 1 : 0));
      if (!v) return wrong("the base is hexadecimal, up to eight digits, perhaps with a -");
      ptable.base = negative ? -static_cast<std::int64_t>(*v) : static_cast<std::int64_t>(*v);
    } else if (key == "bank" || key == "window" || key == "banksize") {
      const auto v = hex_field(value);
      if (!v) return wrong("the value is one to eight hexadecimal digits");
      if (key == "bank") ptable.bank = static_cast<std::uint32_t>(*v);
      if (key == "window") ptable.window = static_cast<std::uint32_t>(*v);
      if (key == "banksize") {
        if (*v == 0) return wrong("a bank has at least one byte");
        ptable.banksize = static_cast<std::uint32_t>(*v);
      }
    } else if (key == "null") {
      const auto v = hex_field(value);
      if (!v && value != "none") return wrong("the value is hexadecimal or none");
      ptable.null = v ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*v)) : std::nullopt;
    } else {
      return wrong("unknown field (at, count, size, stride, order, map, base, bank, window, "
                   "banksize, null)");
    }
  }
  if (!at) return std::string("--pointers: at= is required");
  if (!count) return std::string("--pointers: count= is required");
  if (!stride) ptable.stride = ptable.size;
  if (ptable.map == AddressMap::nes && ptable.size != 2)
    return std::string("--pointers: nes pointers are 2 bytes");
  if (ptable.map == AddressMap::gb && ptable.size == 4)
    return std::string("--pointers: gb pointers are 2 bytes, or 3 with a bank byte");
  return ptable;
}

std::string pointers_argument(const PointerTable& ptable) {
  std::string text = "at=" + hex_number(ptable.at) + ",count=" + std::to_string(ptable.count);
  if (ptable.size != 2) text += ",size=" + std::to_string(ptable.size);
  if (ptable.stride != ptable.size) text += ",stride=" + std::to_string(ptable.stride);
  if (ptable.order == ByteOrder::be) text += ",order=be";
  if (ptable.map != AddressMap::linear) text += ",map=" + std::string(name_of(ptable.map));
  if (ptable.base != 0)
    text += ",base=" + std::string(ptable.base < 0 ? "-" : "") +
            hex_number(static_cast<std::uint64_t>(ptable.base < 0 ? -ptable.base : ptable.base));
  if (ptable.bank) text += ",bank=" + hex_number(*ptable.bank);
  if (ptable.window != 0x8000)
    text += ",window=" + hex_number(ptable.window);
  if (ptable.banksize) text += ",banksize=" + hex_number(*ptable.banksize);
  if (ptable.null != std::optional<std::uint32_t>(0))
    text += ",null=" + (ptable.null ? hex_number(*ptable.null) : std::string("none"));
  return text;
}

RomLayout layout_of(const RomView& rom) {
  RomLayout layout;
  layout.size = rom.size;
  layout.copier_header = header_size_of(rom);
  layout.ines = rom.size >= 16 && rom.data[0] == 'N' && rom.data[1] == 'E' && rom.data[2] == 'S' &&
                rom.data[3] == 0x1A;
  if (layout.ines) {
    layout.prg_start = 16 + ((rom.data[6] & 0x04) != 0 ? 512u : 0u);
    layout.prg_size = std::uint32_t{rom.data[4]} * 0x4000;
  }
  return layout;
}

std::optional<std::uint64_t> map_pointer(const PointerTable& ptable, const RomLayout& layout,
                                         std::uint32_t value, std::uint32_t slot) {
  const std::uint64_t h = layout.copier_header;
  const bool wide = ptable.size >= 3;
  std::optional<std::uint64_t> offset;
  switch (ptable.map) {
  case AddressMap::linear: {
    const std::int64_t at = static_cast<std::int64_t>(value) + ptable.base;
    if (at >= 0) offset = static_cast<std::uint64_t>(at);
    break;
  }
  case AddressMap::lorom: {
    if ((value & 0x8000) == 0) break;
    const std::uint64_t bank =
        wide ? (value >> 16) & 0x7F : ptable.bank.value_or(slot >= h ? (slot - h) / 0x8000 : 0);
    offset = (value & 0x7FFF) + bank * 0x8000 + h;
    break;
  }
  case AddressMap::hirom: {
    if (wide) {
      const std::uint32_t bank = (value >> 16) & 0xFF;
      if (bank < 0x40 || (bank > 0x7D && bank < 0xC0)) break;
      offset = (value & 0x3FFFFF) + h;
    } else {
      offset = (value & 0xFFFF) +
               ptable.bank.value_or(slot >= h ? (slot - h) / 0x10000 : 0) * 0x10000 + h;
    }
    break;
  }
  case AddressMap::gb: {
    const std::uint32_t address = value & 0xFFFF;
    if (address >= 0x8000) break;
    if (address < 0x4000) {
      offset = address;
      break;
    }
    std::uint64_t bank = wide ? (value >> 16) & 0xFF : ptable.bank.value_or(slot / 0x4000);
    if (!wide && !ptable.bank && bank == 0) bank = 1;
    offset = bank * 0x4000 + (address - 0x4000);
    break;
  }
  case AddressMap::nes: {
    if (!layout.ines) break;
    const std::uint64_t banksize = ptable.banksize.value_or(
        layout.prg_size != 0 && layout.prg_size <= 0x8000 ? layout.prg_size : 0x4000);
    if (value < ptable.window || value - ptable.window >= banksize) break;
    const std::uint64_t bank =
        ptable.bank.value_or(slot >= layout.prg_start ? (slot - layout.prg_start) / banksize : 0);
    offset = layout.prg_start + bank * banksize + (value - ptable.window);
    break;
  }
  }
  if (offset && *offset >= layout.size) return std::nullopt;
  return offset;
}

std::vector<PointerRead> read_pointers(const PointerTable& ptable, const RomView& rom) {
  const RomLayout layout = layout_of(rom);
  std::vector<PointerRead> pointers(ptable.count);
  for (std::uint32_t i = 0; i < ptable.count; ++i) {
    PointerRead& pointer = pointers[i];
    pointer.index = i;
    pointer.slot = std::uint64_t{ptable.at} + std::uint64_t{i} * ptable.stride;
    pointer.inside = pointer.slot + ptable.size <= rom.size;
    if (!pointer.inside) continue;
    for (unsigned b = 0; b < ptable.size; ++b) {
      const std::uint32_t byte = rom.data[pointer.slot + b];
      pointer.value |= byte << (8 * (ptable.order == ByteOrder::le ? b : ptable.size - 1 - b));
    }
    pointer.target =
        map_pointer(ptable, layout, pointer.value, static_cast<std::uint32_t>(pointer.slot));
  }
  return pointers;
}

} // namespace textdump
