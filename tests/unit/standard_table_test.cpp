// Standard table files: each rule of the format as a data file beside the table
// it gives, the longest match at the range end through the decoder, the
// encodings, and the real translators' tables decoding text encoded through them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/tables/tables.hpp"
#include "io/encoding.hpp"
#include "support/engine_fixture.hpp"
#include "support/realdata.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::EngineFixture;
using testing::read_file_bytes;

// Bytes in quotes as the .expected files write them: \r, \n and other control
// characters escaped, everything else as it is.
std::string in_quotes(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '"' || c == '\\')
      out += std::string{'\\', c};
    else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      out += "\\x" + hex_byte(static_cast<std::uint8_t>(c));
    else
      out += c;
  }
  return out + "\"";
}

std::string hex_key(std::string_view key) {
  std::string digits;
  for (const char c : key) digits += hex_byte(static_cast<std::uint8_t>(c));
  return digits;
}

std::string kind_name(EntryKind kind) {
  switch (kind) {
  case EntryKind::text: return "text";
  case EntryKind::end: return "end";
  case EntryKind::line_break: return "line-break";
  case EntryKind::control: return "control";
  case EntryKind::frames: return "switch";
  default: return "other";
  }
}

CodeTable table_of(const std::vector<Definition>& definitions) {
  CodeTable table(TableFormat::standard);
  table.lay_over(definitions);
  return table;
}

// A switch's PARAMs as the file writes them, the tables by their place.
std::string params_of(const Entry& entry) {
  std::string out;
  for (const FrameParam& p : entry.params) {
    out += " ";
    if (p.kind == FrameParam::Kind::back) out += "-1";
    if (p.kind == FrameParam::Kind::raw) out += std::to_string(p.count);
    if (p.kind == FrameParam::Kind::table)
      out += "@" + std::to_string(p.table) + ":" +
             (p.until.empty() ? std::to_string(p.count) : "$" + hex_key(p.until));
    if (p.plus) out += "+";
  }
  return out;
}

// What a parse gives: for each table ("table NAME" first when there are
// several), every key of its code table in byte order ("key HEX KIND
// RENDERING", a weight other than 1 as <W>, a control code's parameter count
// and what follows them, a switch's PARAMs), then every report
// ("SEVERITY LINE:COLUMN KIND").
std::string described(const StandardTable& parsed) {
  std::string out;
  for (const NamedTable& named : parsed.tables) {
    if (parsed.tables.size() > 1) out += "table " + named.name + "\n";
    const CodeTable table = table_of(named.definitions);
    auto keys = table.keys();
    std::sort(keys.begin(), keys.end());
    for (const auto& [key, index] : keys) {
      const Entry& entry = table.entry(index);
      out += "key " + hex_key(key) +
             (entry.weight != 1 ? "<" + std::to_string(entry.weight) + ">" : "") + " " +
             kind_name(entry.kind) + " " + in_quotes(entry.rendering);
      if (entry.kind == EntryKind::control)
        out += " +" + std::to_string(entry.arguments) + " " + in_quotes(entry.after);
      if (entry.kind == EntryKind::frames) out += params_of(entry);
      out += "\n";
    }
  }
  static constexpr const char* SEVERITY[] = {"error", "warning", "note"};
  for (const TableReport& report : parsed.reports)
    out += std::string(SEVERITY[static_cast<int>(report.severity)]) + " " +
           std::to_string(report.line) + ":" + std::to_string(report.column) + " " +
           std::string(report_row(report.id).name) +
           "\n";
  return out;
}

// The decoder through every table of a file, starting in the first.
std::string dump_tables(const StandardTable& parsed, const std::string& rom, std::uint32_t last,
                        bool threads = false) {
  std::vector<CodeTable> tables;
  for (const NamedTable& named : parsed.tables) tables.push_back(table_of(named.definitions));
  MemorySink sink;
  Writer out(sink);
  Decoder decoder(tables[0],
                  RomView{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()}, out);
  decoder.use_tables(&tables);
  decoder.use_threads(threads, 1);
  EXPECT_EQ(decoder.run_to(last), DecodeEnd::complete);
  out.flush();
  return sink.bytes;
}

// In NAME.dumps, one ROM a line through NAME.tbl: its bytes in hex, "->" and
// the dump as the .expected files quote it. The range is the whole ROM, or the
// bytes before a "|" among them.
void check_dumps(const fs::path& table, const StandardTable& parsed) {
  fs::path dumps = table;
  dumps.replace_extension(".dumps");
  if (!fs::exists(dumps)) return;
  const std::string lines = read_file_bytes(dumps.string());
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = std::min(lines.find('\n', at), lines.size());
    const std::string line = lines.substr(at, end - at);
    at = end + 1;
    const std::size_t arrow = line.find(" -> ");
    if (arrow == std::string::npos) continue;
    std::string rom;
    std::size_t range = 0;
    for (std::size_t i = 0; i < arrow; i = line.find(' ', i) + 1)
      if (line[i] == '|')
        range = rom.size();
      else
        rom += static_cast<char>(hex_to_int(line.substr(i, 2)));
    SCOPED_TRACE(line);
    const auto last = static_cast<std::uint32_t>((range ? range : rom.size()) - 1);
    EXPECT_EQ(in_quotes(dump_tables(parsed, rom, last)), line.substr(arrow + 4));
    EXPECT_EQ(dump_tables(parsed, rom, last, true), dump_tables(parsed, rom, last));
  }
}

// tests/data/standard: NAME.tbl, and in NAME.expected what it gives.
TEST(StandardTable, EachDataFileGivesItsExpectedTableAndReports) {
  const fs::path folder = fs::path(TEXTDUMP_TEST_DATA) / "standard";
  std::vector<fs::path> tables;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".tbl") tables.push_back(entry.path());
  std::sort(tables.begin(), tables.end());
  ASSERT_GE(tables.size(), 8u);
  for (const fs::path& table : tables) {
    SCOPED_TRACE(table.filename().string());
    const StandardTable parsed = parse_standard_table(read_file_bytes(table.string()));
    fs::path expected = table;
    expected.replace_extension(".expected");
    EXPECT_EQ(described(parsed), read_file_bytes(expected.string()));
    if (parsed.errors == 0) check_dumps(table, parsed);
    const auto count = [&](Severity severity) {
      return static_cast<std::size_t>(
          std::count_if(parsed.reports.begin(), parsed.reports.end(),
                        [&](const TableReport& r) { return r.severity == severity; }));
    };
    EXPECT_EQ(parsed.errors, count(Severity::error));
    EXPECT_EQ(parsed.warnings, count(Severity::warning));
  }
}

// Each step counts toward every frame that "+" marks chain to it: a chain as
// deep as the ROM is long must still take one look per step.
TEST(StandardTable, FramesChainedByPlusAsDeepAsTheRomCountInOneStep) {
  const StandardTable parsed =
      parse_standard_table("@main\n41=A\n!F0=,<@k>:1\n@k\n41=a\n!E0=,<@k>:0+\n");
  ASSERT_EQ(parsed.errors, 0u);
  const std::string rom = "\xF0" + std::string(1 << 20, '\xE0') + "AA";
  EXPECT_EQ(dump_tables(parsed, rom, static_cast<std::uint32_t>(rom.size() - 1)), "aA");
}

// Tables that open each other, as deep as the ROM is long, keep a stack of
// their cycle and come back frame by frame; frames that each still have work
// to do stop the run past FRAMES_MAX rather than take memory without bound.
TEST(StandardTable, CyclesOfTablesNestAsDeepAsTheRomAndOtherFramesStopAtTheBound) {
  const StandardTable cycle = parse_standard_table(
      "@a\n41=A\n!F0=,<@b>:0\n!F1=<]>,-1\n@b\n41=b\n!F0=,<@c>:$FF\n!F1=<]>,-1\n"
      "@c\n41=c\n!F0=,<@a>:0\n!F1=<]>,-1\n");
  ASSERT_EQ(cycle.errors, 0u);
  const std::size_t depth = 3 * FRAMES_MAX;
  std::string rom(depth, '\xF0'), expected;
  for (std::size_t level = depth; level > 0; --level) { // c's frames leave at FF
    rom += level % 3 == 2 ? "A\xFF" : "A\xF1";
    expected += std::string(1, "Abc"[level % 3]) + (level % 3 == 2 ? "" : "]");
  }
  const std::string dumped = dump_tables(cycle, rom, static_cast<std::uint32_t>(rom.size() - 1));
  EXPECT_TRUE(dumped == expected) << dumped.substr(0, 64);

  const StandardTable counted = parse_standard_table("@a\n41=A\n!F0=,<@a>:2\n");
  ASSERT_EQ(counted.errors, 0u);
  const std::string deep(FRAMES_MAX + 1, '\xF0');
  EXPECT_THROW(dump_tables(counted, deep, static_cast<std::uint32_t>(deep.size() - 1)),
               FramesTooDeep);
}

// The decoder through a standard table, on both its fast path (keys of at most
// two bytes) and its general one.
std::string dump_through(const std::string& table_text, const std::string& rom, std::uint32_t start,
                         std::uint32_t last) {
  const StandardTable parsed = parse_standard_table(table_text);
  EXPECT_EQ(parsed.errors, 0u);
  EngineFixture e(rom);
  e.table = table_of(parsed.definitions());
  EXPECT_EQ(e.run(start, last), DecodeEnd::complete);
  return e.dump();
}

TEST(StandardTable, LongestKeyWithinTheRangeAndParametersCompletedPastIt) {
  const std::string table = "41=A\n4142=[AB]\n414243=[ABC]\n42=B\n8140=_\n"
                            "0102030405060708=[8]\n010203=[3]\n61=a value longer than 16 bytes\n"
                            "$F0=[c],2\n$0500=<Color>,1\n$FE=[nl]\\n,1\n/FF=<end>\n42FF=[B_]\n";
  const struct {
    const char* what;
    std::string rom;
    std::uint32_t start, last;
    std::string expected;
  } cases[] = {
      {"the longest key wins", "ABCABA", 0, 5, "[ABC][AB]A"},
      {"a key never reaches past the last offset", "ABC", 0, 1, "[AB]"},
      {"the last offset cuts a two-byte key to one", "ABC", 0, 0, "A"},
      {"the range starts where asked", "ABCA", 1, 3, "B<$43>A"},
      {"two-byte keys, and a first byte alone", "\x81\x40\x81\x41\x81\x40", 0, 5, "_<$81>A_"},
      {"a two-byte key with its second byte past the last offset", "\x81\x40", 0, 0, "<$81>"},
      {"an eight-byte key, cut to three by the last offset",
       "\x01\x02\x03\x04\x05\x06\x07\x08\x01\x02\x03\x04\x05\x06\x07\x08", 0, 14,
       "[8][3]<$04><$05><$06><$07>"},
      {"values longer than a piece", "\x81\x40\x61\x81\x40", 0, 4,
       "_a value longer than 16 bytes_"},
      {"parameters are completed past the last offset, not past the ROM", "\xF0\x01", 0, 0,
       "[c]<$01>"},
      {"a two-byte control code", std::string("\x05\x00\x07\x05", 4) + "A", 0, 4,
       "<Color><$07><$05>A"},
      {"a label's trailing line break follows the parameters", "\xFE\x03\x41", 0, 2,
       "[nl]<$03>\r\nA"},
      {"offsets past the ROM read as FF", "A", 0, 2, "A<end>\r\n<end>\r\n"},
      {"a key's bytes past the ROM read as FF too", "xB", 0, 2, "<$78>[B_]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(dump_through(table, c.rom, c.start, c.last), c.expected);
  }
}

TEST(StandardTable, EncodingsConvertValuesAndLabelsToUtf8) {
  const struct {
    const char* what;
    TableEncoding encoding;
    std::string table;
    std::string expected; // as described()
  } cases[] = {
      {"utf-8 values pass byte for byte, invalid ones too", TableEncoding::utf8,
       "41=\xC3\xA9\n42=\xFF\xFE\n", "key 41 text \"\xC3\xA9\"\nkey 42 text \"\xFF\xFE\"\n"},
      {"windows-1252 texts, end labels and control labels", TableEncoding::windows_1252,
       "41=\xE9\n42=t\x85\n43=\x80\n/FF=\xAB[end]\xBB\n$F0=\xA7,1\n",
       "key 41 text \"\xC3\xA9\"\nkey 42 text \"t\xE2\x80\xA6\"\nkey 43 text \"\xE2\x82\xAC\"\n"
       "key F0 control \"\xC2\xA7\" +1 \"\"\nkey FF end \"\xC2\xAB[end]\xC2\xBB\\r\\n\"\n"},
      {"a byte that windows-1252 does not define", TableEncoding::windows_1252, "41=A\n42=x\x81\n",
       "key 41 text \"A\"\nerror 2:4 value-encoding\n"},
      {"shift-jis is code page 932: 5C is a backslash, 8740 a circled one",
       TableEncoding::shift_jis, "82A0=\x82\xA0\n5C=\x5C\nA6=\xA6\n8740=\x87\x40\n",
       "key 5C text \"\\\\\"\nkey 82A0 text \"\xE3\x81\x82\"\nkey 8740 text \"\xE2\x91\xA0\"\n"
       "key A6 text \"\xEF\xBD\xA6\"\n"},
      {"euc-jp through the system's converter", TableEncoding::euc_jp, "A4A2=\xA4\xA2\n",
       "key A4A2 text \"\xE3\x81\x82\"\n"},
      {"a shift-jis lead byte without its second byte", TableEncoding::shift_jis,
       "82A0=\x82\n*0A=\x82\xA0\x82\n", "error 1:6 value-encoding\nerror 2:5 value-encoding\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(described(parse_standard_table(c.table, converter_for(c.encoding))), c.expected);
  }
}

// --- The real translators' tables -------------------------------------------

StandardTable real_table(const std::string& name, TableEncoding encoding) {
  return parse_standard_table(read_file_bytes((testing::REALDATA / "tables" / name).string()),
                              converter_for(encoding));
}

TEST(StandardTable, RealTablesLoadWithoutErrorsAsTheirOwnersMeantThem) {
  REQUIRE_REALDATA();
  const struct {
    const char* file;
    TableEncoding encoding;
    std::string key; // a key, and what the dump writes for it
    std::string rendering;
  } cases[] = {
      {"FF3DT_2013.TBL", TableEncoding::windows_1252, "\x6F", "\xC3\x9F"},
      {"jw-py-main_menu.tbl", TableEncoding::utf8, "\xFE\xFF", "<end>"},
      {"medarot1.tbl", TableEncoding::utf8, "\x01", "\xE3\x83\xB4"},
      {"mgsgbLz__table.tbl", TableEncoding::utf8, "\xFF", "[end]\r\n\r\n"},
      {"telefang__patch.tbl", TableEncoding::utf8, "\x27", "'"},
      {"tokimeki__Atlas.tbl", TableEncoding::utf8, "\x82\xA0", "\xE3\x81\x82"},
      {"tokimeki__sjis.tbl", TableEncoding::shift_jis, "\x82\xA0", "\xE3\x81\x82"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const StandardTable parsed = real_table(c.file, c.encoding);
    EXPECT_EQ(parsed.errors, 0u);
    const CodeTable table = table_of(parsed.definitions());
    const CodeTable::Match match = table.longest_match(c.key);
    EXPECT_EQ(match.length, c.key.size());
    EXPECT_EQ(table.entry(match.index).rendering, c.rendering);
  }
}

// What text's dump needs: the bytes, with the key whose output (a control
// code's with its <$XX> parameters) is the longest start of the text left; of
// equals, one that begins no longer key. Nothing when some text has no key.
std::optional<std::string> encoded(const CodeTable& table, std::string_view text) {
  auto keys = table.keys();
  std::sort(keys.begin(), keys.end());
  std::set<std::string> begin_longer;
  for (std::size_t i = 0; i + 1 < keys.size(); ++i)
    if (keys[i + 1].first.starts_with(keys[i].first)) begin_longer.insert(keys[i].first);
  std::string rom;
  while (!text.empty()) {
    std::size_t best = 0;
    std::string best_bytes;
    bool best_begins_longer = true;
    for (const auto& [key, index] : keys) {
      const Entry& entry = table.entry(index);
      if (entry.rendering.empty() || !text.starts_with(entry.rendering)) continue;
      std::size_t used = entry.rendering.size();
      std::string bytes = key;
      if (entry.kind == EntryKind::control) {
        for (unsigned i = 0; i < entry.arguments; ++i, used += 5) {
          const std::string_view parameter = text.substr(used, 5);
          if (parameter.size() < 5 || !parameter.starts_with("<$") || !parameter.ends_with(">"))
            break;
          bytes += static_cast<char>(hex_to_int(parameter.substr(2, 2)));
        }
        if (bytes.size() != key.size() + entry.arguments ||
            !text.substr(used).starts_with(entry.after))
          continue;
        used += entry.after.size();
      }
      const bool begins_longer = begin_longer.contains(key);
      if (used > best || (used == best && best_begins_longer && !begins_longer)) {
        best = used;
        best_bytes = bytes;
        best_begins_longer = begins_longer;
      }
    }
    if (best == 0) return std::nullopt;
    rom += best_bytes;
    text.remove_prefix(best);
  }
  return rom;
}

TEST(StandardTable, TextEncodedThroughRealTablesDecodesBack) {
  REQUIRE_REALDATA();
  const struct {
    const char* file;
    TableEncoding encoding;
    std::string text; // two-byte keys, control codes and ends where the table has them
  } cases[] = {
      {"jw-py-main_menu.tbl", TableEncoding::utf8,
       "\xE3\x82\x86\xE3\x81\x86\xE3\x81\x97\xE3\x82\x83\xE3\x81\xAF?<br>"
       "\xE3\x83\x89\xE3\x83\xA9\xE3\x82\xB4\xE3\x83\xB3!<end>"},
      {"tokimeki__Atlas.tbl", TableEncoding::utf8,
       "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\xE3\x80\x81"
       "\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85 ABC[end]\r\n"},
      {"mgsgbLz__table.tbl", TableEncoding::utf8,
       "Snake, wait![area]<$07>[person]<$02>\r\nOK.[clr]\r\n[end]\r\n\r\n"},
      {"FF3DT_2013.TBL", TableEncoding::windows_1252,
       "TERRA: Gr\xC3\xBC\xC3\x9F"
       "e\xE2\x80\xA6<wait 15 frames>   (END)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const StandardTable parsed = real_table(c.file, c.encoding);
    const CodeTable table = table_of(parsed.definitions());
    const std::optional<std::string> rom = encoded(table, c.text);
    ASSERT_TRUE(rom) << "the table cannot write this text";
    EngineFixture e(*rom);
    e.table = table_of(parsed.definitions());
    ASSERT_EQ(e.run(0, static_cast<std::uint32_t>(rom->size() - 1)), DecodeEnd::complete);
    EXPECT_EQ(e.dump(), c.text);
  }
}

} // namespace
} // namespace textdump
