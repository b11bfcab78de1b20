// The usage, in the shape of a manual's synopsis, made from the declarations.
#include <algorithm>
#include <memory>

#include "app/cli/command_declarations.hpp"

namespace textdump::command_declarations {

namespace {

constexpr std::string_view FOOTER =
    "ROM is the game image, TABLE the character table file, DUMP the text file to\n"
    "write; START and END are hexadecimal ROM offsets of up to eight digits (0x or\n"
    "$ may lead), both included, or with --map MAP addresses as MAP writes them\n"
    "(C1:013D); WORD is text seen on screen (? any one code).\n"
    "Options come first; -- ends them, for names that begin with -.\n"
    "\n"
    "Exit status: 0 complete run (or a clean table, or an encoding found), 1 failure\n"
    "(or a table with reports, or no encoding found), 2 command line not understood.\n";

// Where the usage's summaries and the options' descriptions begin.
constexpr std::size_t MODE_COLUMN = 39, OPTION_COLUMN = 27;

// "--pointers" or "--help | -h".
std::string names_of(const CLI::Option& option) {
  std::string text;
  for (const std::string& name : option.get_lnames()) text += (text.empty() ? "--" : " | --") + name;
  for (const std::string& name : option.get_snames()) text += (text.empty() ? "-" : " | -") + name;
  return text;
}

std::string option_usage(const CLI::Option& option) {
  std::string text = names_of(option);
  if (!option.get_type_name().empty()) text += " " + option.get_type_name();
  if (option.get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll) text += "...";
  return text;
}

// head, then the lines of text from column: beside it when there is room.
std::string in_columns(std::string head, std::string_view text, std::size_t column) {
  std::string out = std::move(head);
  for (std::size_t line = 0; !text.empty(); ++line) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (line > 0 || out.size() + 1 > column) out += "\n";
    out.append(column - std::min(out.size() - (out.rfind('\n') + 1), column), ' ');
    out.append(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return out + "\n";
}

// The usage in the shape of a manual's synopsis: the modes, the groups, the footer.
class UsageFormatter : public CLI::FormatterBase {
public:
  explicit UsageFormatter(const Declarations& declarations) : declarations_(declarations) {}
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const override {
    std::string text = "Usage:\n";
    for (const ModeFlag& mode : declarations_.modes) {
      std::string line = "  " + name;
      if (mode.option != nullptr) line += " " + option_usage(*mode.option);
      // The table options go with every mode that takes them; another group
      // goes with its own mode.
      const auto takes = [&](const Declared& option) {
        return Declarations::listed(option, GROUPS[0]) &&
               Declarations::belongs(option, mode.mode->mode);
      };
      for (const Group& group : GROUPS)
        if (&group == GROUPS ? std::any_of(declarations_.options.begin(),
                                           declarations_.options.end(), takes)
                             : group.mode == options_of(mode.mode->mode))
          line += " [" + std::string(group.label) + "]";
      if (mode.option != nullptr)
        for (const CLI::Option* needed : mode.option->get_needs())
          line += " " + option_usage(*needed);
      for (const OneOf& needed : declarations_.one_of)
        if (needed.mode == mode.mode->mode) {
          std::string names;
          for (const CLI::Option* option : needed.options)
            names += (names.empty() ? "" : " | ") + option_usage(*option);
          line += " (" + names + ")";
        }
      if (!mode.mode->names.empty()) line += " " + std::string(mode.mode->names);
      text += in_columns(line, mode.mode->summary, MODE_COLUMN);
    }
    for (const Group& group : GROUPS) {
      text += "\n" + std::string(group.heading) + ":\n";
      for (const Declared& option : declarations_.options)
        if (Declarations::listed(option, group))
          text += in_columns("  " + option_usage(*option.option),
                             option.option->get_description(), OPTION_COLUMN);
    }
    return text + "\n" + app->get_footer();
  }

private:
  const Declarations& declarations_;
};

} // namespace

void describe_usage(Declarations& declarations) {
  declarations.app.formatter(std::make_shared<UsageFormatter>(declarations));
  declarations.app.footer(std::string(FOOTER));
}

} // namespace textdump::command_declarations
