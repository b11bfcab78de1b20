// The usage, in the shape of a manual's synopsis, made from the declarations:
// a line for each mode with the groups of options it takes, each group with
// its options, then the names and the exit statuses.
#include <algorithm>

#include "app/cli/declarations.hpp"

namespace textdump {

namespace {

using namespace cli;

constexpr std::string_view FOOTER =
    "ROM is the game image, TABLE the character table file, DUMP the text file to\n"
    "write; START and END are hexadecimal ROM offsets of up to eight digits (0x or\n"
    "$ may lead), both included, or with --map MAP addresses as MAP writes them\n"
    "(C1:013D); WORD is text seen on screen (? any one code, \\? a question mark).\n"
    "Options come first; -- ends them, for names that begin with -.\n"
    "\n"
    "Exit status: 0 complete run (or a clean table, or an encoding found), 1 failure\n"
    "(or a table with reports, or no encoding found), 2 command line not understood.\n";

// Where the usage's summaries and the options' descriptions begin.
constexpr std::size_t MODE_COLUMN = 39, OPTION_COLUMN = 27;

// "--pointers FIELDS...", "--help | -h".
std::string usage_of(std::string_view names, std::string_view label, bool repeated) {
  std::string text;
  for (std::size_t from = 0; from < names.size();) {
    const std::size_t comma = std::min(names.find(',', from), names.size());
    text += (text.empty() ? "" : " | ") + std::string(names.substr(from, comma - from));
    from = comma + 1;
  }
  if (!label.empty()) text += " " + std::string(label);
  return repeated ? text + "..." : text;
}

std::string usage_of(const OptionDeclaration& option) {
  return usage_of(option.name, option.label, option.repeated);
}

const OptionDeclaration& option_named(std::string_view name) {
  const auto& options = option_declarations();
  return *std::find_if(options.begin(), options.end(),
                       [name](const OptionDeclaration& option) { return option.name == name; });
}

// head, then the lines of text from column: beside it when there is room.
std::string in_columns(std::string head, std::string_view text, std::size_t column) {
  std::string out = std::move(head);
  for (std::size_t line = 0; !text.empty(); ++line) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (line > 0 || out.size() + 2 > column) out += "\n"; // two spaces at least between
    out.append(column - std::min(out.size() - (out.rfind('\n') + 1), column), ' ');
    out.append(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return out + "\n";
}

// Whether a mode's line names the group: its own groups, and the table
// options wherever one of them is taken.
bool names_group(const Group& group, std::size_t index, Mode mode) {
  if (!group.modes.empty())
    return std::find(group.modes.begin(), group.modes.end(), mode) != group.modes.end();
  const auto& options = option_declarations();
  return std::any_of(options.begin(), options.end(), [&](const OptionDeclaration& option) {
    return std::find(option.groups.begin(), option.groups.end(), index) != option.groups.end() &&
           belongs(option, mode);
  });
}

std::string mode_line(const ModeDeclaration& mode) {
  std::string line = "  textdump";
  if (!mode.flag.empty()) line += " " + usage_of(mode.flag, mode.value, false);
  for (std::size_t g = 0; g < GROUPS.size(); ++g)
    if (names_group(GROUPS[g], g, mode.mode)) line += " [" + std::string(GROUPS[g].label) + "]";
  std::string one_of;
  for (const std::string_view option : mode.one_of)
    one_of += (one_of.empty() ? "" : " | ") + usage_of(option_named(option));
  if (!one_of.empty()) line += " (" + one_of + ")";
  if (!mode.names.empty()) line += " " + names_text(mode);
  return in_columns(line, mode.summary, MODE_COLUMN);
}

} // namespace

std::string usage_text() {
  std::string text = "Usage:\n";
  for (const ModeDeclaration& mode : mode_declarations()) text += mode_line(mode);
  for (std::size_t g = 0; g < GROUPS.size(); ++g) {
    text += "\n" + std::string(GROUPS[g].heading) + ":\n";
    for (const OptionDeclaration& option : option_declarations())
      if (std::find(option.groups.begin(), option.groups.end(), g) != option.groups.end())
        text += in_columns("  " + usage_of(option), option.description, OPTION_COLUMN);
  }
  return text + "\n" + std::string(FOOTER);
}

} // namespace textdump
