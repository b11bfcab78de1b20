#include "app/cli/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <new>
#include <set>
#include <string_view>

#include "app/cli/console_main.hpp"
#include "app/cli/declarations.hpp"
#include "core/decode/decode.hpp"
#include "io/streams.hpp"
#include "textdump_version.hpp"

namespace textdump {

namespace {

using namespace cli;

// The declarations built into a CLI11 App that reads the words into values.
class Reading {
public:
  Reading();
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;

  std::variant<Command, UsageError> read(const std::vector<std::string>& words);

private:
  CLI::Option* add_flag(std::string_view names);
  CLI::Option* add_value(const std::string& name, Reader read, bool repeated);
  std::optional<Message> misread(const std::vector<std::string>& words) const;
  std::optional<Message> conflicts(const ModeDeclaration& mode) const;
  std::optional<Message> names_wanted(const ModeDeclaration& mode) const;
  bool given(std::string_view option) const;

  CLI::App app_{"", "textdump"};
  OptionValues values_;
  std::vector<CLI::Option*> modes_;   // as mode_declarations(); nullptr for a mode without a flag
  std::vector<CLI::Option*> options_; // as option_declarations()
  std::vector<std::string> names_;
  std::optional<Message> wrong_value_; // the first value given that is wrong
  std::set<std::string> given_;        // the options given a value so far
};

Reading::Reading() {
  app_.set_help_flag(); // --help is a mode of its own
  app_.allow_extras();  // unknown options are reported as this program words them
  // A word starting with '/' is a file name on every system, never an option.
  app_.allow_windows_style_options(false);
  app_.positionals_at_end();
  for (const ModeDeclaration& mode : mode_declarations()) {
    CLI::Option* option = nullptr;
    if (!mode.value.empty())
      option = add_value(std::string(mode.flag), [](OptionValues& values, std::string_view text) {
        values.pointed = std::string(text);
        return std::optional<Message>();
      }, false);
    else if (!mode.flag.empty())
      option = add_flag(mode.flag);
    modes_.push_back(option);
  }
  for (const OptionDeclaration& declared : option_declarations())
    options_.push_back(declared.label.empty()
                           ? add_flag(declared.name)
                           : add_value(declared.name, declared.read, declared.repeated));
  app_.add_option("names", names_);
}

// A flag refuses every value, even one CLI11 would read as true: its one
// accepted value is a byte no one types.
CLI::Option* Reading::add_flag(std::string_view names) {
  std::string declared; // each name with its one accepted value, as CLI11 reads them
  for (std::size_t from = 0; from < names.size();) {
    const std::size_t comma = std::min(names.find(',', from), names.size());
    declared +=
        (declared.empty() ? "" : ",") + std::string(names.substr(from, comma - from)) + "{\x01}";
    from = comma + 1;
  }
  return app_.add_flag(declared)->disable_flag_override();
}

// Read at once, in the order given, so that the first wrong value is the one
// reported; an option that does not repeat is wrong the second time.
CLI::Option* Reading::add_value(const std::string& name, Reader read, bool repeated) {
  return app_
      .add_option_function<std::string>(
          name,
          [this, read, repeated, name](const std::string& text) {
            std::optional<Message> why;
            if (!given_.insert(name).second && !repeated)
              why = Message{MessageId::usage_repeated, {name.substr(name.rfind(',') + 1)}};
            else
              why = read(values_, text);
            if (why && !wrong_value_) wrong_value_ = std::move(why);
          })
      ->trigger_on_parse()
      ->multi_option_policy(repeated ? CLI::MultiOptionPolicy::TakeAll
                                     : CLI::MultiOptionPolicy::TakeLast);
}

bool Reading::given(std::string_view option) const {
  const CLI::Option* found = app_.get_option_no_throw(std::string(option));
  return found != nullptr && found->count() > 0;
}

// An unknown option, or a first name that looks like one without "--" before it.
std::optional<Message> Reading::misread(const std::vector<std::string>& words) const {
  for (const std::string& word : app_.remaining())
    if (word != "--") return Message{MessageId::usage_unknown_option, {printable(word)}};
  if (names_.empty() || names_.front().size() < 2 || names_.front()[0] != '-')
    return std::nullopt;
  const std::size_t first = words.size() - names_.size();
  if (first > 0 && words[first - 1] == "--") return std::nullopt;
  return Message{MessageId::usage_unknown_option, {printable(names_.front())}};
}

std::optional<Message> Reading::conflicts(const ModeDeclaration& mode) const {
  const auto& options = option_declarations();
  for (std::size_t i = 0; i < options.size(); ++i)
    if (options_[i]->count() > 0 && !options[i].needs.empty() && !given(options[i].needs))
      return Message{MessageId::usage_requires, {options[i].name, options[i].needs}};
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (options_[i]->count() == 0 || belongs(options[i], mode.mode)) continue;
    if (mode.mode == Mode::help || mode.mode == Mode::version) // they take nothing else
      return Message{MessageId::usage_excludes, {flag_name(mode), options[i].name}};
    std::vector<std::string> flags;
    for (const ModeDeclaration& other : mode_declarations())
      if (!other.flag.empty() && belongs(options[i], other.mode)) flags.push_back(flag_name(other));
    return Message{MessageId::usage_requires, {options[i].name, or_list(flags)}};
  }
  if (!mode.one_of.empty() &&
      std::none_of(mode.one_of.begin(), mode.one_of.end(),
                   [this](std::string_view option) { return given(option); }))
    return Message{MessageId::usage_requires,
                   {flag_name(mode), or_list({mode.one_of.begin(), mode.one_of.end()})}};
  return names_wanted(mode);
}

std::optional<Message> Reading::names_wanted(const ModeDeclaration& mode) const {
  const std::size_t wanted = mode.names.size(), count = names_.size();
  if (mode.more ? count >= wanted : count == wanted) return std::nullopt;
  const std::string name = mode.flag.empty() ? text_of(MessageId::mode_dump) : flag_name(mode);
  if (wanted == 0) return Message{MessageId::usage_takes_no_names, {name, std::to_string(count)}};
  return Message{MessageId::usage_takes_names,
                 {name, std::to_string(wanted), names_text(mode), std::to_string(count)}};
}

std::variant<Command, UsageError> Reading::read(const std::vector<std::string>& words) {
  // CLI11 takes the words last first, and leaves in them those it has not read.
  std::vector<std::string> left(words.rbegin(), words.rend());
  try {
    app_.parse(left);
  } catch (const CLI::ArgumentMismatch&) {
    // A flag given a value, or an option without one at the end: the word it stopped at.
    if (auto why = misread(words)) return UsageError{*why};
    const std::string& word = words[words.size() - left.size() - 1];
    const std::string name = word.substr(0, word.find('='));
    const CLI::Option* option = app_.get_option_no_throw(name);
    return UsageError{{option != nullptr && option->get_items_expected_max() == 0
                           ? MessageId::usage_takes_no_value
                           : MessageId::usage_needs_value,
                       {name}}};
  } catch (const CLI::Error& error) {
    return UsageError{{MessageId::usage_report, {error.what()}}};
  }
  if (auto why = misread(words)) return UsageError{*why};
  const auto& options = option_declarations();
  for (std::size_t i = 0; i < options.size(); ++i)
    if (options[i].label.empty() && options_[i]->count() > 0) options[i].read(values_, "");
  if (wrong_value_) return UsageError{*wrong_value_};
  const auto& modes = mode_declarations();
  // None given: the dump.
  const ModeDeclaration* mode = &*std::find_if(
      modes.begin(), modes.end(), [](const ModeDeclaration& m) { return m.mode == Mode::dump; });
  for (std::size_t i = 0; i < modes.size(); ++i) {
    if (modes_[i] == nullptr || modes_[i]->count() == 0) continue;
    if (mode->flag.empty())
      mode = &modes[i];
    else
      return UsageError{{MessageId::usage_excludes, {flag_name(*mode), flag_name(modes[i])}}};
  }
  if (auto why = conflicts(*mode)) return UsageError{*why};
  return mode->build(std::move(values_), std::move(names_));
}

// The runs of the command line's own modes; each command's run_command is
// declared in its own folder's header.
int run_command(const HelpRequest&) {
  const std::string usage = usage_text();
  std::fwrite(usage.data(), 1, usage.size(), stdout);
  return 0;
}

int run_command(const VersionRequest&) {
  const std::string version = message_line({MessageId::version, {TEXTDUMP_VERSION}});
  std::fwrite(version.data(), 1, version.size(), stdout);
  return 0;
}

} // namespace

std::variant<Command, UsageError> parse_command_line(const std::vector<std::string>& words) {
  if (words.empty()) return DialogueRequest{};
  Reading reading;
  return reading.read(words);
}

int run_command_line(const Command& command) {
  return std::visit([](const auto& request) { return run_command(request); }, command);
}

namespace {

// A run stopped by what no message of its command foresees: one line, on the
// stream its messages go to (standard output in the dialogue).
int stopped(const std::vector<std::string>& words, const Message& why, Failure failure) {
  std::fflush(stdout);
  const std::string line = message_line(why);
  std::fwrite(line.data(), 1, line.size(), words.empty() ? stdout : stderr);
  return exit_status(failure);
}

} // namespace

int console_main(int argc, char** argv) {
  use_binary_streams();
  const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
  // Out of memory anywhere, or switches nesting past the decoder's bound,
  // end the run with one line and status 1.
  try {
    const auto command = parse_command_line(words);
    if (const auto* error = std::get_if<UsageError>(&command)) {
      const std::string text = usage_error_text(error->why);
      std::fwrite(text.data(), 1, text.size(), stderr);
      return exit_status(Failure::usage);
    }
    return run_command_line(std::get<Command>(command));
  } catch (const std::bad_alloc&) {
    return stopped(words, {MessageId::out_of_memory}, Failure::out_of_memory);
  } catch (const FramesTooDeep&) {
    return stopped(words, {MessageId::frames_too_deep, {std::to_string(FRAMES_MAX)}},
                   Failure::frames_too_deep);
  }
}

} // namespace textdump
