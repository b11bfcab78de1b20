#include "generator/rom_text_encodings.hpp"

#include <algorithm>
#include <stdexcept>

#include "generator/rom_random.hpp"

namespace textdump::testing {

namespace {

struct Run {
  std::string name;
  std::vector<std::string> letters;
};

std::string utf8(char32_t c) {
  std::string s;
  s += static_cast<char>(0xE0 | (c >> 12));
  s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  s += static_cast<char>(0x80 | (c & 0x3F));
  return s;
}

std::vector<std::string> split(std::string_view text) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < text.size(); at += 3) out.emplace_back(text.substr(at, 3));
  return out;
}

Run latin(std::string name, char first, char last) {
  Run run{std::move(name), {}};
  for (char c = first; c <= last; ++c) run.letters.emplace_back(1, c);
  return run;
}

Run kana_run(TextScript script, KanaOrder order) {
  const bool hiragana = script == TextScript::hiragana;
  Run run{hiragana ? "hiragana" : "katakana", {}};
  switch (order) {
  case KanaOrder::gojuon:
    run.letters = split(hiragana ? "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
                                 : "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン");
    break;
  case KanaOrder::gojuon_full:
    for (char32_t c = hiragana ? 0x3041 : 0x30A1; c <= (hiragana ? 0x3093u : 0x30F4u); ++c)
      run.letters.push_back(utf8(c));
    break;
  case KanaOrder::iroha:
    run.letters = split(hiragana ? "いろはにほへとちりぬるをわかよたれそつねならむうゐのおくやまけふこえてあさきゆめみしゑひもせすん"
                                 : "イロハニホヘトチリヌルヲワカヨタレソツネナラムウヰノオクヤマケフコエテアサキユメミシヱヒモセスン");
    break;
  }
  return run;
}

std::string hex(std::uint32_t value, unsigned digits) {
  static const char DIGITS[] = "0123456789ABCDEF";
  std::string text(digits, '0');
  for (unsigned i = 0; i < digits; ++i) text[digits - 1 - i] = DIGITS[(value >> (4 * i)) & 0xF];
  return text;
}

// The characters of a text, each one UTF-8 sequence.
std::vector<std::string> characters(std::string_view text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    out.emplace_back(text.substr(i, length));
    i += length;
  }
  return out;
}

constexpr const char* TWO_BYTE_LETTERS[] = {"ñ", "é", "ü", "ç"};

class TextRomBuilder {
public:
  explicit TextRomBuilder(const TextRomOptions& o) : o_(o), rng_(o.seed ^ 0x7E47E47Eull) {}

  TextRom build() {
    assign_codes();
    make_words();
    write_table();
    rom_.resize(o_.rom_size);
    for (std::uint8_t& b : rom_) b = rng_.byte();
    std::size_t at = align(rng_.range(0, std::min<std::size_t>(o_.rom_size / 8, 0x1000)));
    // The planted sentences go among the others, each word 1 to 3 times.
    std::vector<std::size_t> plants;
    if (o_.plant)
      for (std::size_t w = 0; w < out_.words.size(); ++w)
        for (std::size_t k = rng_.range(1, 3); k > 0; --k) plants.push_back(w);
    rng_.shuffle(plants);
    const std::size_t blocks = rng_.range(2, 6);
    const std::size_t text_bytes = o_.rom_size / 3;
    std::size_t planted = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
      const std::size_t block_end = std::min(at + text_bytes / blocks, o_.rom_size - 256);
      const std::size_t share = (plants.size() * (block + 1)) / blocks;
      while (at + 128 < block_end) {
        std::vector<std::string> sentence = random_sentence();
        std::optional<std::size_t> word;
        if (planted < share) {
          word = plants[planted++];
          const std::size_t k = rng_.range(0, sentence.size());
          sentence.insert(sentence.begin() + static_cast<std::ptrdiff_t>(k),
                          out_.words[*word].word);
        }
        at = write_sentence(at, sentence, word);
      }
      // Padding or random bytes between the blocks.
      const std::size_t gap = align(rng_.range(64, 4096));
      if (rng_.percent(50))
        std::fill_n(rom_.begin() + static_cast<std::ptrdiff_t>(std::min(at, o_.rom_size)),
                    std::min(gap, o_.rom_size - std::min(at, o_.rom_size)),
                    rng_.percent(50) ? 0x00 : 0xFF);
      at = align(at + gap);
      if (at + 512 >= o_.rom_size) break;
    }
    for (PlantedWord& w : out_.words) std::sort(w.offsets.begin(), w.offsets.end());
    out_.rom = std::move(rom_);
    return std::move(out_);
  }

private:
  bool is(TextFamily family) const { return o_.family == family; }
  std::size_t align(std::size_t at) const { return (at + o_.width - 1) / o_.width * o_.width; }

  void assign_codes() {
    if (o_.script == TextScript::latin)
      runs_ = {latin("A-Z", 'A', 'Z'), latin("a-z", 'a', 'z'), latin("0-9", '0', '9')};
    else
      runs_ = {kana_run(o_.script, o_.kana), latin("0-9", '0', '9')};
    rng_.shuffle(runs_);
    punctuation_ = o_.script == TextScript::latin ? std::vector<std::string>{".", ",", "!", "?", "'"}
                                                  : std::vector<std::string>{"。", "、", "！"};
    if (is(TextFamily::letter_out_of_order)) move_a_letter();
    if (is(TextFamily::capitals_apart))
      codes_in_two_blocks();
    else
      codes_in_order();
    if (is(TextFamily::two_byte_letter)) two_byte_letter_codes();
    if (is(TextFamily::letter_out_of_order))
      for (std::size_t r = 0; r < runs_.size(); ++r) {
        out_.bases[r].first = "line " + std::to_string(r + 1);
        for (const std::string& letter : runs_[r].letters) out_.order_text += letter;
        out_.order_text += "\n";
      }
  }

  // The runs one after another from a random code, with or without gaps,
  // then the space, the punctuation and the end code.
  void codes_in_order() {
    std::size_t needed = 2 + punctuation_.size(); // the space and the end code
    for (const Run& run : runs_) needed += run.letters.size();
    const std::size_t codes = o_.width == 1 ? 256 : 65536;
    const std::size_t slack = std::min<std::size_t>(codes - needed, o_.width == 1 ? 255 : 2048);
    const std::size_t gap_room = o_.gaps ? rng_.range(runs_.size(), slack) : 0;
    std::uint32_t code = static_cast<std::uint32_t>(rng_.range(0, slack - gap_room));
    std::size_t left = gap_room;
    const auto gap = [&] {
      if (!o_.gaps) return;
      const std::size_t g = rng_.range(1, std::max<std::size_t>(1, left / (runs_.size() + 1)));
      code += static_cast<std::uint32_t>(g);
      left -= std::min(left, g);
    };
    for (const Run& run : runs_) {
      give_run(run, code);
      gap();
    }
    code = give_rest(code);
    gap();
    out_.end = code;
  }

  // A-Z, the space, the punctuation and the end code in one block; a-z and
  // 0-9 in another, in another half of the 1-byte codes or another high byte.
  void codes_in_two_blocks() {
    const bool upper_first = rng_.percent(50);
    std::uint32_t upper = 0, lower = 0;
    if (o_.width == 1) {
      upper = static_cast<std::uint32_t>(rng_.range(0, 0x80 - 33)) + (upper_first ? 0 : 0x80);
      lower = static_cast<std::uint32_t>(rng_.range(0, 0x80 - 36)) + (upper_first ? 0x80 : 0);
    } else {
      const std::size_t high = rng_.range(0, 6);
      const std::size_t other = rng_.range(high + 1, 7);
      upper =
          static_cast<std::uint32_t>((upper_first ? high : other) * 256 + rng_.range(0, 256 - 33));
      lower =
          static_cast<std::uint32_t>((upper_first ? other : high) * 256 + rng_.range(0, 256 - 36));
    }
    for (const Run& run : runs_) {
      std::uint32_t& code = run.name == "A-Z" ? upper : lower;
      give_run(run, code);
    }
    out_.end = give_rest(upper);
  }

  void give_run(const Run& run, std::uint32_t& code) {
    out_.bases.emplace_back(run.name, code);
    for (const std::string& letter : run.letters) text_of_.emplace_back(code++, letter);
  }

  // The space and the punctuation from code on; the code after them.
  std::uint32_t give_rest(std::uint32_t code) {
    out_.space = code++;
    text_of_.emplace_back(out_.space, " ");
    for (const std::string& p : punctuation_) text_of_.emplace_back(code++, p);
    return code;
  }

  bool taken(std::uint32_t code) const {
    return code == out_.end || std::any_of(text_of_.begin(), text_of_.end(),
                                           [&](const auto& t) { return t.first == code; });
  }
  std::uint32_t free_code() {
    for (;;) {
      const auto code = static_cast<std::uint32_t>(rng_.below(o_.width == 1 ? 256 : 65536));
      if (!taken(code)) return code;
    }
  }

  // A letter of the words' run moved to another place in it.
  void move_a_letter() {
    Run& run = *std::find_if(runs_.begin(), runs_.end(),
                             [&](const Run& r) { return r.name == letters().name; });
    const std::size_t from = rng_.range(0, run.letters.size() - 1);
    std::size_t to = rng_.range(0, run.letters.size() - 2);
    if (to >= from) ++to;
    moved_ = run.letters[from];
    run.letters.erase(run.letters.begin() + static_cast<std::ptrdiff_t>(from));
    run.letters.insert(run.letters.begin() + static_cast<std::ptrdiff_t>(to), moved_);
  }

  // Two free codes for the letter, written as one code above the width's.
  void two_byte_letter_codes() {
    two_byte_ = rng_.pick(TWO_BYTE_LETTERS);
    const std::uint32_t first = free_code();
    std::uint32_t second = free_code();
    while (second == first) second = free_code();
    text_of_.emplace_back(first << 8 | second, two_byte_);
  }

  void write_table() {
    const unsigned digits = 2 * o_.width;
    for (const auto& [c, text] : text_of_)
      out_.table_text += (c > 0xFFFF || (o_.width == 1 && c > 0xFF) ? hex(c, 4) : key(c, digits)) +
                         "=" + text + "\n";
    out_.table_text += "/" + key(out_.end, digits) + "\n";
  }

  std::string key(std::uint32_t code, unsigned digits) const {
    if (o_.width == 2 && o_.order == ByteOrder::le)
      return hex(code & 0xFF, 2) + hex(code >> 8, 2);
    return hex(code, digits);
  }

  const Run& letters() const {
    return *std::find_if(runs_.begin(), runs_.end(), [&](const Run& r) { return r.name != "0-9" && r.name != "A-Z"; });
  }

  std::string random_word(std::size_t lo, std::size_t hi, bool capital) {
    const Run& run = letters();
    std::string word;
    if (capital)
      word = std::string(1, static_cast<char>('A' + rng_.below(26)));
    for (std::size_t n = rng_.range(lo, hi) - (capital ? 1 : 0); n > 0; --n) word += rng_.pick(run.letters);
    return word;
  }

  void make_words() {
    const bool latin_text = o_.script == TextScript::latin;
    out_.words.push_back({random_word(5, 8, latin_text), {}});
    out_.words.push_back({random_word(4, 7, is(TextFamily::capitals_apart)), {}});
    if (is(TextFamily::capitals_apart)) // three words as the one-capital names of a game
      out_.words.push_back({random_word(5, 8, true), {}});
    else
      out_.words.push_back({random_word(3, 6, latin_text) + " " + random_word(3, 6, false), {}});
    if (is(TextFamily::letter_out_of_order)) put_in_word(1, moved_);
    if (is(TextFamily::two_byte_letter)) {
      put_in_word(0, two_byte_);
      put_in_word(1, two_byte_);
    }
    if (is(TextFamily::unmatched_word)) ligature_word();
  }

  // The letter in place of one of the word's others (its first kept when a capital).
  void put_in_word(std::size_t w, const std::string& letter) {
    std::vector<std::string> chars = characters(out_.words[w].word);
    if (std::find(chars.begin(), chars.end(), letter) != chars.end()) return;
    chars[rng_.range(1, chars.size() - 1)] = letter;
    out_.words[w].word.clear();
    for (const std::string& c : chars) out_.words[w].word += c;
  }

  // A fourth word whose pair of letters at k is written as one code of its own.
  void ligature_word() {
    std::vector<std::string> chars;
    do chars = characters(random_word(5, 8, false));
    while (chars[0] == chars[1]);
    const std::size_t k = rng_.range(0, chars.size() - 2);
    ligature_ = chars[k] + chars[k + 1];
    const std::uint32_t code = free_code();
    text_of_.emplace_back(code, ligature_);
    std::string word;
    for (const std::string& c : chars) word += c;
    out_.words.push_back({word, {}, false});
  }

  std::vector<std::string> random_sentence() {
    std::vector<std::string> words;
    for (std::size_t n = rng_.range(2, 9); n > 0; --n)
      words.push_back(random_word(1, 9, o_.script == TextScript::latin && rng_.percent(20)));
    // The words in lower case as well, among the others.
    if (is(TextFamily::capitals_apart) && o_.plant && rng_.percent(30)) {
      std::string lower = rng_.pick(out_.words).word;
      for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      words.insert(words.begin() + static_cast<std::ptrdiff_t>(rng_.range(0, words.size())), lower);
    }
    return words;
  }

  std::uint32_t code_of(std::string_view text) const {
    for (const auto& [c, t] : text_of_)
      if (t == text) return c;
    throw std::logic_error("no code for a character");
  }

  // The code at at, and the offset after it (two codes for the 2-code letter).
  std::size_t put(std::size_t at, std::uint32_t code) {
    if (o_.width == 1) {
      if (code > 0xFF) rom_[at++] = static_cast<std::uint8_t>(code >> 8);
      rom_[at] = static_cast<std::uint8_t>(code);
      return at + 1;
    }
    const auto low = static_cast<std::uint8_t>(code & 0xFF), high = static_cast<std::uint8_t>(code >> 8);
    rom_[at] = o_.order == ByteOrder::le ? low : high;
    rom_[at + 1] = o_.order == ByteOrder::le ? high : low;
    return at + 2;
  }

  // The text's codes, with a ligature the pair as its one code.
  std::vector<std::uint32_t> codes_of(const std::string& text, bool ligature) const {
    std::vector<std::uint32_t> codes;
    const std::vector<std::string> chars = characters(text);
    for (std::size_t i = 0; i < chars.size(); ++i) {
      if (ligature && i + 1 < chars.size() && chars[i] + chars[i + 1] == ligature_) {
        codes.push_back(code_of(ligature_));
        ++i;
        continue;
      }
      codes.push_back(code_of(chars[i]));
    }
    return codes;
  }
  std::size_t bytes_of(const std::string& text, bool ligature) const {
    std::size_t n = 0;
    for (const std::uint32_t c : codes_of(text, ligature))
      n += o_.width == 1 && c > 0xFF ? 2 : o_.width;
    return n;
  }

  // Writes the words with spaces between, punctuation after an unplanted
  // sentence now and then, and the end code; the offset after it. Only the
  // planted word's sentences hold its ligature.
  std::size_t write_sentence(std::size_t at, const std::vector<std::string>& words,
                             std::optional<std::size_t> planted) {
    const bool ligature = planted && !out_.words[*planted].matches;
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (i > 0) text += " ";
      if (planted && words[i] == out_.words[*planted].word && !placed_) {
        out_.words[*planted].offsets.push_back(at + bytes_of(text, ligature));
        placed_ = true;
      }
      text += words[i];
    }
    placed_ = false;
    if (!planted && rng_.percent(30)) text += rng_.pick(punctuation_);
    std::size_t p = at;
    for (const std::uint32_t code : codes_of(text, ligature)) {
      if (p + 4 * o_.width > rom_.size()) throw std::invalid_argument("the ROM is too small");
      p = put(p, code);
    }
    if (planted) out_.sentences.push_back({at, p, text, *planted});
    return put(p, out_.end);
  }

  const TextRomOptions& o_;
  Rng rng_;
  std::vector<Run> runs_;
  std::vector<std::string> punctuation_;
  std::vector<std::pair<std::uint32_t, std::string>> text_of_;
  std::vector<std::uint8_t> rom_;
  TextRom out_;
  bool placed_ = false;
  std::string moved_, two_byte_, ligature_;
};

} // namespace

std::string_view name_of(TextScript script) {
  switch (script) {
  case TextScript::latin: return "latin";
  case TextScript::hiragana: return "hiragana";
  case TextScript::katakana: return "katakana";
  }
  return "";
}

std::string_view name_of(TextFamily family) {
  switch (family) {
  case TextFamily::plain: return "plain";
  case TextFamily::capitals_apart: return "capitals-apart";
  case TextFamily::unmatched_word: return "unmatched-word";
  case TextFamily::letter_out_of_order: return "letter-out-of-order";
  case TextFamily::two_byte_letter: return "two-byte-letter";
  }
  return "";
}

std::string_view name_of(KanaOrder order) {
  switch (order) {
  case KanaOrder::gojuon: return "gojuon";
  case KanaOrder::gojuon_full: return "gojuon-full";
  case KanaOrder::iroha: return "iroha";
  }
  return "";
}

TextRomOptions random_text_options(std::uint64_t seed, TextFamily family) {
  Rng rng(seed);
  TextRomOptions o;
  o.seed = seed;
  o.rom_size = rng.range(1, 16) * 0x10000;
  o.width = rng.percent(50) ? 1 : 2;
  o.order = rng.percent(50) ? ByteOrder::le : ByteOrder::be;
  o.gaps = rng.percent(50);
  const unsigned script = static_cast<unsigned>(rng.below(4)); // half the ROMs in kana
  o.script = script < 2 ? TextScript::latin : script == 2 ? TextScript::hiragana : TextScript::katakana;
  o.kana = static_cast<KanaOrder>(rng.below(3));
  o.family = family;
  if (family == TextFamily::capitals_apart || family == TextFamily::two_byte_letter)
    o.script = TextScript::latin;
  if (family == TextFamily::two_byte_letter) o.width = 1;
  return o;
}

TextRom generate_text_rom(const TextRomOptions& options) {
  if (options.width != 1 && options.width != 2) throw std::invalid_argument("width 1 or 2");
  if (options.rom_size < 0x4000 || options.rom_size > 0x4000000)
    throw std::invalid_argument("a ROM of 16 KiB to 64 MiB");
  if ((options.family == TextFamily::capitals_apart ||
       options.family == TextFamily::two_byte_letter) &&
      options.script != TextScript::latin)
    throw std::invalid_argument("the family is of Latin text");
  if (options.family == TextFamily::two_byte_letter && options.width != 1)
    throw std::invalid_argument("the family is of 1-byte codes");
  return TextRomBuilder(options).build();
}

} // namespace textdump::testing
