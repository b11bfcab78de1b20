// The registry of the address maps: every platform's descriptor (one file a
// platform in core/maps, see core/maps/maps.hpp), found by id or name; the
// fields of a --pointers argument that the maps read; the list of maps as the
// usage text and the messages write it; and what a ROM's own bytes tell the
// maps of it. The --pointers parser, the finder, the usage text and the
// messages all read the registry, so a new map is one new platform file and
// one line of the registry (and its id).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/maps/map_types.hpp"

namespace textdump {

// Every map, in the order of their ids, which the usage text lists them in.
std::span<const MapDescriptor> address_maps();
const MapDescriptor& map_of(AddressMap map);
std::string_view name_of(AddressMap map);
const MapDescriptor* find_map(std::string_view name);

// The fields some map takes, in the order the usage text lists them.
std::span<const std::string_view> map_field_names();

// Reads a map field's value into fields; a report saying what a value of
// that field is when it is wrong. The field must be one of map_field_names().
std::optional<Report> parse_map_field(std::string_view field, std::string_view value,
                                      MapFields& fields);

// The names of the maps joined by separator, the last two by last (when
// given): map_names("|") is "linear|lorom|hirom|gb|nes|gba|md". With
// finder_forms a map with a finder field is followed by its NAME:FIELD form,
// as a list item (", " gives "linear, linear:BASE, lorom, ...") or in brackets
// when bracketed ("linear (or linear:BASE), lorom, ..."). With only, the maps
// it keeps alone.
enum class FinderForms { none, listed, bracketed };
std::string map_names(std::string_view separator, std::string_view last = {},
                      FinderForms finder_forms = FinderForms::none,
                      bool (*only)(const MapDescriptor&) = nullptr);

// The ROM's size, copier header and iNES header.
RomLayout layout_of(const RomView& rom);

} // namespace textdump
