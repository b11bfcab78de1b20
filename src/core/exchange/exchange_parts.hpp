// The readers and writers of each format, and what they share: a string's
// columns as they are written, and the check that no id comes twice.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/exchange/exchange_types.hpp"
#include "core/script/script_types.hpp"

namespace textdump::exchanging {

// The id of a string at an offset: "$6C10".
std::string id_of(const ScriptEntry& entry);

// Its translation: its text when that differs from its original, else nothing.
std::string translation_of(const ScriptEntry& entry);

// Its room ("10", the bytes it held; empty when the dump does not say) and
// its notes: its pointers and its block.
std::string room_of(const ScriptEntry& entry);
std::string notes_of(const ScriptEntry& entry);

// A reading whose rows name an id twice is malformed.
void check_ids(ExchangeReading& reading);

std::string write_po(std::span<const ScriptEntry> entries, std::string_view project,
                     std::string_view box);
ExchangeReading read_po(std::string_view bytes);

std::string write_table(std::span<const ScriptEntry> entries, bool csv, std::string_view box);
ExchangeReading read_table(std::string_view bytes, bool csv);

} // namespace textdump::exchanging
