// The decoder over hand-placed entries: what each kind writes, the range rules,
// reads past the end of the ROM and long runs across many buffer refills.
#include <gtest/gtest.h>

#include <stdexcept>

#include "core/base/base.hpp"
#include "core/tables/tables.hpp"
#include "support/engine_fixture.hpp"
#include "support/tables.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using testing::bytes;
using testing::EngineFixture;

std::string ffs(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "(FF)";
  return out;
}

TEST(Decoder, EveryKindWritesItsBytesAndNoneEndsTheDump) {
  const std::string odd("x\xFF\0y", 4);
  const struct {
    int code;
    Entry entry;
    std::string expected; // for one occurrence
  } cases[] = {
      {0x0A, Entry{}, "(0A)"},          {0xAB, Entry{}, "(AB)"},
      {0x00, Entry{}, "(00)"},          {0x20, line_break_entry(), "\r\n"},
      {0x21, end_entry(), "[END]\r\n"}, {0x22, wait_entry(), "[WAIT]\r\n"},
      {0x23, text_entry(""), ""},       {0x24, text_entry(odd), odd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EngineFixture e(bytes({c.code, c.code}));
    e.set(static_cast<std::uint8_t>(c.code), c.entry);
    EXPECT_EQ(e.run(0, 1), DecodeEnd::complete);
    EXPECT_EQ(e.dump(), c.expected + c.expected);
    EXPECT_EQ(e.out.count(), 2 * c.expected.size());
    EXPECT_EQ(e.decoder->position(), 2u);
  }
}

TEST(Decoder, RangeBoundsAndReadsPastTheRomEnd) {
  const struct {
    std::string rom;
    std::uint32_t start, end;
    std::string expected;
  } cases[] = {
      {"A", 0, 3, "<A>" + ffs(3)},
      {"", 0, 1, ffs(2)},
      {"AB", 1, 0, ""},
      {"ABC", 1, 1, "<B>"},
      // No 32-bit position is past 0xFFFFFFFF: the run ends after decoding it.
      {"A", 0xFFFFFFF0u, 0xFFFFFFFFu, ffs(16)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rom + " " + std::to_string(c.start) + ".." + std::to_string(c.end));
    EngineFixture e(c.rom);
    for (char letter : {'A', 'B', 'C'})
      e.set(static_cast<std::uint8_t>(letter), text_entry(std::string{'<', letter, '>'}));
    EXPECT_EQ(e.run(c.start, c.end), DecodeEnd::complete);
    EXPECT_EQ(e.dump(), c.expected);
    EXPECT_EQ(e.out.count(), c.expected.size());
  }
  // A byte past the end is decoded through the entry of 0xFF.
  EngineFixture e(bytes({0x41}));
  e.set(0xFF, text_entry("<ff>"));
  e.run(1, 2);
  EXPECT_EQ(e.dump(), "<ff><ff>");
}

// A few MiB of varied bytes through texts of every length around the decoder's
// short-piece limit, across many buffer refills, against the byte-at-a-time rendering.
TEST(Decoder, LongRunsMatchTheByteAtATimeRendering) {
  std::string rom(3 << 20, '\0');
  std::uint32_t seed = 12345;
  for (char& c : rom) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  EngineFixture e(rom);
  for (int code = 1; code < 256; ++code) {
    const auto c = static_cast<std::uint8_t>(code);
    if (code % 7 == 0) continue; // undefined
    e.set(c, code == 0xF0   ? line_break_entry()
             : code == 0xF1 ? end_entry()
             : code == 0xF2 ? wait_entry()
                            : text_entry(std::string(static_cast<std::size_t>(code % 21),
                                                     static_cast<char>('a' + code % 26))));
  }
  const auto rendering = [&e](char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    const Entry& entry = e.table.at(byte);
    return entry.kind == EntryKind::undefined ? undefined_rendering(byte) : entry.rendering;
  };
  std::string expected;
  for (char c : rom) expected += rendering(c);
  expected += rendering('\xFF') + rendering('\xFF'); // two offsets past the end
  EXPECT_EQ(e.run(0, static_cast<std::uint32_t>(rom.size() + 1)), DecodeEnd::complete);
  EXPECT_EQ(e.out.count(), expected.size());
  EXPECT_TRUE(e.dump() == expected);
}

// The same with two-byte keys, on one thread and on two: a key at a time
// through the table's own longest match gives the expected dump. Some first
// bytes are also one-byte keys, some pairs are not keys (their first byte then
// stands alone) and some bytes are undefined.
TEST(Decoder, LongRunsOfTwoByteKeysMatchTheKeyAtATimeRendering) {
  std::string rom(3 << 20, '\0');
  std::uint32_t seed = 4242;
  for (char& c : rom) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(0x70 + (seed >> 24) % 0x40); // 70-AF: first bytes 80-9F half the time
  }
  std::string text;
  for (int first = 0x80; first < 0xA0; ++first) {
    if (first % 3 == 0) text += hex_byte(static_cast<std::uint8_t>(first)) + "=1\n";
    for (int second = 0x70; second < 0xB0; ++second)
      if ((first + second) % 5 != 0)
        text += hex_byte(static_cast<std::uint8_t>(first)) +
                hex_byte(static_cast<std::uint8_t>(second)) + "=<" + std::to_string(second % 13) +
                ">\n";
  }
  for (int single = 0x70; single < 0x80; ++single)
    if (single % 4 != 0) text += hex_byte(static_cast<std::uint8_t>(single)) + "=s\n";
  const CodeTable table = testing::standard_table(text);
  std::string expected;
  for (std::size_t i = 0; i < rom.size();) {
    const CodeTable::Match match = table.longest_match(std::string_view(rom).substr(i, 2));
    const auto byte = static_cast<std::uint8_t>(rom[i]);
    expected +=
        match.index != 0 ? table.entry(match.index).rendering : undefined_rendering(byte, true);
    i += match.index != 0 ? match.length : 1;
  }
  for (const bool threads : {false, true}) {
    SCOPED_TRACE(threads ? "two threads" : "one thread");
    EngineFixture e(rom);
    e.table = table;
    e.threads = threads;
    EXPECT_EQ(e.run(0, static_cast<std::uint32_t>(rom.size() - 1)), DecodeEnd::complete);
    EXPECT_TRUE(e.dump() == expected);
  }
}

// Two threads decode long plain runs in chunks (runs longer than all the
// chunk buffers together): the dump stays the same byte
// for byte, with pointers, switches, long texts and two-byte keys (which may
// run across a chunk's end) in the middle of the runs.
TEST(Decoder, TwoThreadsWriteTheSameBytes) {
  std::string rom(5 << 20, '\0');
  std::uint32_t seed = 777;
  for (std::size_t i = 0; i < rom.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    rom[i] = static_cast<char>('A' + (seed >> 24) % 20);         // A-T: plain texts
    if (i % 1700001 == 5) rom.replace(i, 4, "\xF0\x02\xF3\x41"); // pointer, long text
    if (i % 2300003 == 7) rom.replace(i, 3, "\xF1\x41\xFF");     // switch, text, restore
  }
  const std::string own = "41=a\r\n42=bb\r\n43=ccc\r\n/FF\r\n$F0=FIXED,10,4,1\r\n$F1=TABLE,1\r\n"
                          "F3=a text longer than sixteen bytes\r\n";
  std::string standard;
  for (char c = 'A'; c <= 'T'; ++c)
    standard += hex_byte(static_cast<std::uint8_t>(c)) + "=" + c + "\n";
  // Two-byte keys begin at half the bytes, so keys often run across a chunk's end.
  for (char a = 'A'; a <= 'J'; ++a)
    for (char b = 'A'; b <= 'T'; ++b)
      standard += hex_byte(static_cast<std::uint8_t>(a)) + hex_byte(static_cast<std::uint8_t>(b)) +
                  "=<" + a + b + ">\n";
  standard += "/FF=<END>\n";
  for (const bool std_table : {false, true}) {
    SCOPED_TRACE(std_table ? "standard table" : "own format");
    std::string dumps[2];
    for (const bool threads : {false, true}) {
      EngineFixture e(rom);
      if (std_table) {
        e.table = testing::standard_table(standard);
      } else {
        e.load(own);
        e.family[1] = "41=x\r\n";
        e.family[0] = own;
      }
      e.threads = threads;
      EXPECT_EQ(e.run(0, static_cast<std::uint32_t>(rom.size() - 1)), DecodeEnd::complete);
      dumps[threads ? 1 : 0] = e.dump();
    }
    EXPECT_GT(dumps[0].size(), rom.size());
    EXPECT_TRUE(dumps[0] == dumps[1]);
  }
}

// A sink that fails by throwing while the threads write a long run: the
// exception reaches the caller of the run instead of ending the process.
TEST(Decoder, AnExceptionOnTheThreadsReachesTheCaller) {
  struct Throwing final : Sink {
    bool write(std::string_view) override { throw std::runtime_error("sink"); }
  };
  const std::string rom(std::size_t{4} << 20, 'A'); // every byte plain: chunks on two threads
  CodeTable table;
  table.define({"A", text_entry("a")});
  Throwing sink;
  Writer out(sink);
  Decoder decoder(table, {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()}, out);
  decoder.use_threads(true);
  EXPECT_THROW(decoder.run_to(static_cast<std::uint32_t>(rom.size() - 1)), std::runtime_error);
}

} // namespace
} // namespace textdump
