// The text box as the command line gives it (--box, --widths, --line-break,
// --page), and its width table read, for --fit, --insert and --export.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/common/console.hpp"
#include "core/script/text_box.hpp"

namespace textdump {

// The width table still a file name.
struct BoxOptions {
  std::uint32_t width = 0, lines = 0;   // --box
  std::optional<std::string> widths;    // --widths FILE
  std::vector<std::string> line_breaks; // --line-break TEXT
  std::vector<std::string> pages;       // --page TEXT
};

// The box with its width table read; nothing after its message when the
// table cannot be read or is wrong.
std::optional<TextBox> load_box(const BoxOptions& options, const Console& console);

} // namespace textdump
