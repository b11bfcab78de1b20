// What a key of a table stands for, and what the dump writes for it.
//
// Every kind is stated explicitly. An entry keeps what its kind needs: the
// bytes it writes (texts, line breaks, waits and ends render once, here, when
// the entry is made) and a directive's fields. The builders below are the one
// place where each kind's rendering is decided.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/maps/maps.hpp"

namespace textdump {

enum class EntryKind : std::uint8_t {
  undefined,    // no entry: the byte is written as (XX)
  text,         // the entry's own text bytes
  line_break,   // CR LF
  wait,         // "[WAIT]" CR LF
  end,          // "[END]" CR LF; brings table 0 back while another is in force
  fixed,        // a string in a fixed-length record
  snes,         // a string through a SNES pointer table
  table_switch, // another member of the table family for what follows
  control,      // a control code followed by parameter bytes (standard tables)
  frames,       // a switch of a standard table: its label, then frames of other tables
};

// One parameter of a standard table's switch: the frame it opens, run until the
// frame ends, or a return from the frame the switch was matched in.
struct FrameParam {
  enum class Kind : std::uint8_t {
    table, // a frame of another table of the file
    raw,   // count bytes, each written <$XX>
    back,  // no frame: the frame the switch was matched in ends
  };
  Kind kind = Kind::table;
  std::uint32_t table = 0; // table: its place among the file's tables
  std::uint32_t count = 0; // table: the weighted matches it lasts, 0 for no counter; raw: bytes
  std::string until;       // table: the bytes that end it (no counter); empty for none
  bool plus = false;       // its matches also count toward the frame that switched
  bool operator==(const FrameParam&) const = default;
};

struct Entry {
  EntryKind kind = EntryKind::undefined;
  std::string rendering;          // text, line_break, wait, end: the bytes written;
                                  // control: what comes before the parameters
  std::string after;              // control: what comes after the parameters
  std::string label;              // standard tables: the value as the file writes it
  std::uint32_t base = 0;         // fixed, snes
  std::uint8_t length = 0;        // fixed: the record length, the most codes decoded
  std::uint8_t arguments = 0;     // fixed, snes: argument bytes after the control byte;
                                  // control: parameter bytes
  std::uint8_t pointer_size = 0;  // snes: 3 for 24-bit pointers, else 16-bit; also the stride
  SnesMap map = SnesMap::lorom;   // snes
  std::uint8_t table = 0;         // table_switch: the family member
  std::uint32_t weight = 1;       // standard tables: what a match counts toward a frame's counter
  std::vector<FrameParam> params; // frames: the frames it opens, in order
};

Entry text_entry(std::string_view bytes);
Entry line_break_entry();
Entry wait_entry();
Entry end_entry();
Entry fixed_entry(std::uint32_t base, std::uint8_t length, std::uint8_t arguments);
Entry snes_entry(SnesMap map, std::uint32_t base, std::uint8_t pointer_size,
                 std::uint8_t arguments);
Entry switch_entry(std::uint8_t member);

// Standard tables: "\n" in a value stands for a line break (CR LF).
Entry standard_text_entry(std::string_view value);
// LABEL (<END> when empty), then CR LF unless the label ends with "\n".
Entry standard_end_entry(std::string_view label);
// LABEL (<LINE> when empty), then CR LF.
Entry standard_break_entry(std::string_view label);
// LABEL without its trailing "\n"s, each parameter byte as <$XX>, then those line breaks.
Entry control_entry(std::string_view label, std::uint8_t parameters);

// Standard tables: LABEL written where the switch stands ("\n" as CR LF), then the frames.
Entry frames_entry(std::string_view label, std::vector<FrameParam> params);

// What a byte without an entry writes: (XX) in the tool's own format, <$XX> in
// standard tables.
std::string undefined_rendering(std::uint8_t byte, bool standard = false);
// A parameter byte of a control code, and an unknown byte of a standard table.
std::string raw_byte_rendering(std::uint8_t byte);

// The labels of a standard table's end and line break whose line gives none,
// and the texts of the own format's wait and end (each written before CR LF).
inline constexpr std::string_view END_LABEL = "<END>";
inline constexpr std::string_view LINE_LABEL = "<LINE>";
inline constexpr std::string_view WAIT_TEXT = "[WAIT]";
inline constexpr std::string_view END_TEXT = "[END]";

// True for the kinds that readers judging ROM text count as text: texts, line
// breaks and waits.
constexpr bool is_text_key(EntryKind kind) {
  return kind == EntryKind::text || kind == EntryKind::line_break || kind == EntryKind::wait;
}

// True for the kinds that only write their rendering (undefined bytes too).
constexpr bool writes_only(EntryKind kind) {
  return kind == EntryKind::undefined || kind == EntryKind::text || kind == EntryKind::line_break ||
         kind == EntryKind::wait;
}

} // namespace textdump
