#include "core/search/letter_runs.hpp"

#include <set>

#include "core/base/utf8.hpp"

namespace textdump {

namespace {

constexpr std::string_view HIRAGANA_GOJUON =
    "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん";
constexpr std::string_view KATAKANA_GOJUON =
    "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン";
constexpr std::string_view HIRAGANA_IROHA =
    "いろはにほへとちりぬるをわかよたれそつねならむうゐのおくやまけふこえてあさきゆめみしゑひもせすん";
constexpr std::string_view KATAKANA_IROHA =
    "イロハニホヘトチリヌルヲワカヨタレソツネナラムウヰノオクヤマケフコエテアサキユメミシヱヒモセスン";

// A character from its code point (three bytes: the kana blocks).
std::string utf8_of(char32_t c) {
  std::string s;
  s += static_cast<char>(0xE0 | (c >> 12));
  s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  s += static_cast<char>(0x80 | (c & 0x3F));
  return s;
}

LetterRun block(std::string name, char32_t first, char32_t last) {
  LetterRun run{std::move(name), {}};
  for (char32_t c = first; c <= last; ++c) run.letters.push_back(utf8_of(c));
  return run;
}

LetterRun ascii(std::string name, char first, char last) {
  LetterRun run{std::move(name), {}};
  for (char c = first; c <= last; ++c) run.letters.emplace_back(1, c);
  return run;
}

std::vector<LetterRun> latin_runs() {
  return {ascii("A-Z", 'A', 'Z'), ascii("a-z", 'a', 'z'), ascii("0-9", '0', '9')};
}

LetterSystem with_latin(std::string name, std::vector<LetterRun> kana) {
  LetterSystem system{std::move(name), latin_runs()};
  for (LetterRun& run : kana) system.runs.push_back(std::move(run));
  return system;
}

} // namespace

std::optional<LetterSystem::Place> LetterSystem::find(std::string_view character) const {
  for (std::size_t r = 0; r < runs.size(); ++r)
    for (std::size_t i = 0; i < runs[r].letters.size(); ++i)
      if (runs[r].letters[i] == character) return Place{r, i};
  return std::nullopt;
}

std::vector<std::string> characters_of(std::string_view text) {
  std::vector<std::string> characters;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = std::max<std::size_t>(utf8_sequence_at(text, at), 1);
    characters.emplace_back(text.substr(at, length));
    at += length;
  }
  return characters;
}

std::vector<LetterSystem> gojuon_systems() {
  return {with_latin("gojuon", {{"hiragana", characters_of(HIRAGANA_GOJUON)},
                                {"katakana", characters_of(KATAKANA_GOJUON)}}),
          with_latin("gojuon, small and voiced kana as codes",
                     {block("hiragana", 0x3041, 0x3093), block("katakana", 0x30A1, 0x30F4)})};
}

std::vector<LetterSystem> iroha_systems() {
  return {with_latin("iroha", {{"hiragana", characters_of(HIRAGANA_IROHA)},
                               {"katakana", characters_of(KATAKANA_IROHA)}})};
}

std::variant<std::vector<LetterSystem>, Report> user_systems(std::string_view name,
                                                             std::string_view text) {
  const auto wrong = [&](ReportId id, std::vector<std::string> more = {}) {
    more.insert(more.begin(), std::string(name));
    return error_report(id, std::move(more));
  };
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (!is_utf8(text)) return wrong(ReportId::order_not_utf8);
  LetterSystem system{std::string(name), {}};
  system.file = true;
  std::set<std::string> seen;
  std::size_t longest = 0;
  for (TextLines lines(text); const std::optional<TextLine> line = lines.next();) {
    LetterRun run{"line " + std::to_string(line->number), {}};
    for (std::string& c : characters_of(line->content)) {
      if (c == " " || c == "\t") continue;
      if (!seen.insert(c).second) return wrong(ReportId::order_twice, {c});
      run.letters.push_back(std::move(c));
    }
    longest = std::max(longest, run.letters.size());
    if (!run.letters.empty()) system.runs.push_back(std::move(run));
  }
  if (longest < 2) return wrong(ReportId::order_no_run);
  for (LetterRun& run : latin_runs()) system.runs.push_back(std::move(run));
  return std::vector<LetterSystem>{std::move(system)};
}

} // namespace textdump
