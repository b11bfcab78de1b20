#include "core/maps/pointer_table.hpp"

#include <algorithm>

#include "core/base/fields.hpp"
#include "core/maps/map_address.hpp"
#include "core/base/numbers.hpp"

namespace textdump {

std::variant<PointerTable, Report> parse_pointer_table(std::string_view text) {
  PointerTable ptable;
  bool at = false, count = false, size = false, stride = false, order = false, offset = false;
  std::vector<std::string_view> map_fields; // the map fields given, to check against the map
  for (const std::string_view field : comma_fields(text)) {
    const std::size_t equals = field.find('=');
    const std::string_view key = field.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : field.substr(equals + 1);
    const auto wrong = [&](ReportId id, std::string more = {}) {
      Report report = error_report(id, {std::string(field)});
      if (!more.empty()) report.args.push_back(std::move(more));
      return report;
    };
    const auto names = map_field_names();
    if (equals == std::string_view::npos) return wrong(ReportId::pointer_field_form);
    if (key == "at") {
      const auto v = parse_position(value);
      if (!v) return wrong(ReportId::pointer_at);
      ptable.typed_at = *v;
      at = true;
    } else if (key == "count") {
      const auto v = decimal_field(value);
      if (!v || *v == 0 || *v > MAX_POINTERS) return wrong(ReportId::pointer_count);
      ptable.count = *v;
      count = true;
    } else if (key == "size") {
      const auto v = decimal_field(value);
      if (!v || *v < 2 || *v > 4) return wrong(ReportId::pointer_size);
      ptable.size = *v;
      size = true;
    } else if (key == "stride") {
      const auto v = decimal_field(value);
      if (!v || *v == 0 || *v > 65536) return wrong(ReportId::pointer_stride);
      ptable.stride = *v;
      stride = true;
    } else if (key == "offset") {
      const auto v = decimal_field(value);
      if (!v || *v > 65535) return wrong(ReportId::pointer_offset);
      ptable.offset = *v;
      offset = true;
    } else if (key == "length") {
      const std::size_t colon = value.find(':');
      const auto where = decimal_field(value.substr(0, colon));
      const auto bytes =
          colon == std::string_view::npos ? std::nullopt : decimal_field(value.substr(colon + 1));
      if (!where || !bytes || *where > 65535 || *bytes < 1 || *bytes > 4)
        return wrong(ReportId::pointer_length);
      ptable.length = LengthField{*where, *bytes};
    } else if (key == "order") {
      if (value != "le" && value != "be") return wrong(ReportId::pointer_order);
      ptable.order = value == "le" ? ByteOrder::le : ByteOrder::be;
      order = true;
    } else if (key == "map") {
      const MapDescriptor* map = find_map(value);
      if (map == nullptr) return wrong(ReportId::pointer_map, map_names(", ", " or "));
      ptable.map = map->id;
    } else if (key == "null") {
      const auto v = hex_field(value);
      if (!v && value != "none") return wrong(ReportId::pointer_null);
      ptable.null = v ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*v)) : std::nullopt;
    } else if (std::find(names.begin(), names.end(), key) != names.end()) {
      if (const auto why = parse_map_field(key, value, ptable))
        return wrong(why->id == ReportId::map_base       ? ReportId::pointer_base
                     : why->id == ReportId::map_banksize ? ReportId::pointer_banksize
                                                         : ReportId::pointer_value);
      map_fields.push_back(key);
    } else {
      std::string known;
      for (const std::string_view name : names)
        known += (known.empty() ? "" : ", ") + std::string(name);
      return wrong(ReportId::pointer_unknown_field, known);
    }
  }
  if (!at) return error_report(ReportId::pointers_at_required);
  if (!count) return error_report(ReportId::pointers_count_required);
  const MapDescriptor& map = map_of(ptable.map);
  if (!size) ptable.size = map.default_size;
  if (!order) ptable.order = map.default_order;
  if (!stride) ptable.stride = std::max(ptable.size, entry_span(ptable));
  if (offset && ptable.offset + ptable.size > ptable.stride)
    return error_report(ReportId::pointers_offset_past);
  if (const auto& length = ptable.length) {
    if (length->at + length->size > ptable.stride)
      return error_report(ReportId::pointers_length_past);
    if (length->at < ptable.offset + ptable.size && ptable.offset < length->at + length->size)
      return error_report(ReportId::pointers_length_overlap);
  }
  if (!map.takes_size(ptable.size)) return error_report(map.sizes_refused);
  // A file offset is at itself; an address is placed once the ROM is known.
  const RomLayout any_rom{~std::uint64_t{0}, 0, true, 16, 0};
  const std::uint64_t probe = map.position_offset(any_rom, *ptable.typed_at);
  if (!ptable.typed_at->bank && probe == ptable.typed_at->value) {
    ptable.at = ptable.typed_at->value;
    ptable.typed_at.reset();
  } else if (probe == NO_OFFSET) {
    return error_report(ReportId::pointers_at_not_position, {std::string(map.name)});
  }
  for (const std::string_view field : map_fields) {
    if (map.takes_field(field)) continue;
    std::string takes;
    for (const std::string_view own : map.fields)
      takes += (takes.empty() ? "" : ", ") + std::string(own) + "=";
    return error_report(takes.empty() ? ReportId::pointers_map_field
                                      : ReportId::pointers_map_field_only,
                        {std::string(map.name), std::string(field), takes});
  }
  return ptable;
}

bool place_pointer_table(PointerTable& ptable, const RomLayout& layout) {
  if (!ptable.typed_at) return true;
  const std::uint64_t offset = position_offset(map_of(ptable.map), layout, *ptable.typed_at);
  if (offset == NO_OFFSET) return false;
  ptable.at = static_cast<std::uint32_t>(offset);
  ptable.typed_at.reset();
  return true;
}

std::string pointers_argument(const PointerTable& ptable) {
  const MapDescriptor& map = map_of(ptable.map);
  std::string at = hex_number(ptable.at);
  if (ptable.typed_at)
    at = (ptable.typed_at->bank ? hex_number(*ptable.typed_at->bank) + ":" : "") +
         hex_number(ptable.typed_at->value);
  std::string text = "at=" + at + ",count=" + std::to_string(ptable.count);
  if (ptable.size != map.default_size) text += ",size=" + std::to_string(ptable.size);
  if (ptable.stride != ptable.size) text += ",stride=" + std::to_string(ptable.stride);
  if (ptable.offset != 0) text += ",offset=" + std::to_string(ptable.offset);
  if (ptable.length)
    text +=
        ",length=" + std::to_string(ptable.length->at) + ":" + std::to_string(ptable.length->size);
  if (ptable.order != map.default_order)
    text += ",order=" + std::string(ptable.order == ByteOrder::be ? "be" : "le");
  if (ptable.map != AddressMap::linear) text += ",map=" + std::string(map.name);
  if (ptable.base != 0)
    text += ",base=" + std::string(ptable.base < 0 ? "-" : "") +
            hex_number(static_cast<std::uint64_t>(ptable.base < 0 ? -ptable.base : ptable.base));
  if (ptable.bank) text += ",bank=" + hex_number(*ptable.bank);
  if (ptable.window != 0x8000) text += ",window=" + hex_number(ptable.window);
  if (ptable.banksize) text += ",banksize=" + hex_number(*ptable.banksize);
  if (ptable.null != std::optional<std::uint32_t>(0))
    text += ",null=" + (ptable.null ? hex_number(*ptable.null) : std::string("none"));
  return text;
}

std::vector<PointerRead> read_pointers(const PointerTable& ptable, const RomView& rom) {
  const RomLayout layout = layout_of(rom);
  std::vector<PointerRead> pointers(ptable.count);
  for (std::uint32_t i = 0; i < ptable.count; ++i) {
    PointerRead& pointer = pointers[i];
    pointer.index = i;
    const std::uint64_t entry = std::uint64_t{ptable.at} + std::uint64_t{i} * ptable.stride;
    pointer.slot = entry + ptable.offset;
    if (ptable.length)
      pointer.length =
          read_pointer_value(rom, entry + ptable.length->at, ptable.length->size, ptable.order);
    const std::optional<std::uint32_t> value =
        read_pointer_value(rom, pointer.slot, ptable.size, ptable.order);
    pointer.inside = value.has_value();
    if (!pointer.inside) continue;
    pointer.value = *value;
    pointer.target = map_pointer(ptable, layout, pointer.value, pointer.slot);
  }
  return pointers;
}

unsigned entry_span(const PointerTable& ptable) {
  const unsigned pointer = ptable.offset + ptable.size;
  return ptable.length ? std::max(pointer, ptable.length->at + ptable.length->size) : pointer;
}

std::uint64_t pointers_that_fit(const PointerTable& ptable, std::uint64_t rom_size) {
  const unsigned span = entry_span(ptable);
  if (std::uint64_t{ptable.at} + span > rom_size) return 0;
  return (rom_size - ptable.at - span) / ptable.stride + 1;
}

} // namespace textdump
