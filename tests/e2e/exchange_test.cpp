// Exchange files on the README's example and on the real games: a script
// dumped, exported in each format and imported back unchanged; translated,
// exported and imported into the unedited script; and dumped again with
// --translations. PO files pass gettext's msgfmt -c where it is installed.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/exchange/exchange.hpp"
#include "support/realdata.hpp"
#include "support/run_program.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

namespace fs = std::filesystem;

struct Game {
  std::string name;
  fs::path rom, table;
  std::vector<std::string> pointers;
};

std::vector<Game> games() {
  const fs::path folder = testing::REALDATA / "games";
  const auto truth = nlohmann::json::parse(read_file_bytes((folder / "truth.json").string()));
  std::vector<Game> all;
  for (const auto& game : truth["games"]) {
    Game g{game["name"], folder / std::string(game["rom"]), folder / std::string(game["table"]), {}};
    for (const auto& table : game["tables"]) g.pointers.push_back(table["pointers"]);
    all.push_back(std::move(g));
  }
  return all;
}

// The README's example: seven 16-bit pointers at $6D00 to the seven strings
// of 01-basics.nes at $6C10, as examples/make-nes-example.sh plants them.
Game readme_example(const TempDir& dir) {
  std::string rom = read_file_bytes((testing::REALDATA / "roms" / "01-basics.nes").string());
  std::size_t at = 0x6C10;
  for (std::size_t k = 0; k < 7; ++k) {
    const std::size_t value = at - 0x10 + 0x8000;
    rom[0x6D00 + 2 * k] = static_cast<char>(value & 0xFF);
    rom[0x6D01 + 2 * k] = static_cast<char>(value >> 8);
    at = rom.find('\0', at) + 1;
  }
  write_file(dir.file("planted.nes"), rom);
  return {"readme", dir.path() / "planted.nes", fs::path(TEXTDUMP_SOURCE_DIR) / "examples" / "ascii-std.tbl",
          {"at=6D00,count=7,map=nes"}};
}

bool has_msgfmt() {
  return std::system("command -v msgfmt >/dev/null 2>&1") == 0;
}

// Every letter of the originals in the other case: a translation of every string.
std::string translated(const std::string& script) {
  std::vector<ExchangeRow> rows = script_translations(script_entries(script));
  for (ExchangeRow& row : rows) {
    row.translation = row.original;
    for (char& c : row.translation)
      if (std::isalpha(static_cast<unsigned char>(c)) != 0)
        c = static_cast<char>(std::islower(static_cast<unsigned char>(c)) != 0 ? std::toupper(c)
                                                                              : std::tolower(c));
  }
  return apply_translations(script, rows).script;
}

void expect_round_trips(const Game& game, const TempDir& dir, bool msgfmt) {
  const std::string folder = dir.path().string();
  // The ROM and table beside the script, named as the program under Wine reads them too.
  fs::copy_file(game.rom, dir.path() / "game.rom", fs::copy_options::overwrite_existing);
  fs::copy_file(game.table, dir.path() / "game.tbl", fs::copy_options::overwrite_existing);
  std::vector<std::string> dump = {"--script", "--std-table"};
  for (const std::string& p : game.pointers) dump.insert(dump.end(), {"--pointers", p});
  dump.insert(dump.end(), {"game.rom", "game.tbl"});
  const auto redump = [&](const std::string& script, const std::vector<std::string>& more) {
    std::vector<std::string> args = dump;
    args.insert(args.end() - 2, more.begin(), more.end());
    args.push_back(script);
    return run_program(folder, args, "");
  };
  fs::create_directory(dir.path() / "new");
  ASSERT_EQ(redump("s.txt", {}).status, 0) << game.name;
  const std::string script = read_file_bytes(dir.file("s.txt"));
  const std::string edited = translated(script);
  ASSERT_NE(edited, script) << game.name;
  write_file(dir.file("e.txt"), edited);
  for (const std::string format : {"po", "tsv", "csv"}) {
    SCOPED_TRACE(game.name + " ." + format);
    for (const std::string from : {"s", "e"}) {
      const std::string file = from + "." + format;
      ASSERT_EQ(run_program(folder, {"--export", from + ".txt", file}, "").status, 0);
      if (format == "po" && msgfmt) {
        const std::string check = "msgfmt -c -o /dev/null '" + dir.file(file) + "' 2>'" +
                                  dir.file("msgfmt.txt") + "'";
        EXPECT_EQ(std::system(check.c_str()), 0) << read_file_bytes(dir.file("msgfmt.txt"));
      }
      write_file(dir.file("u.txt"), script);
      const auto imported = run_program(folder, {"--import", file, "u.txt"}, "");
      EXPECT_EQ(imported.status, 0) << imported.err;
      EXPECT_EQ(read_file_bytes(dir.file("u.txt")), from == "s" ? script : edited);
    }
    const auto carried = redump("new/s.txt", {"--translations", "e." + format});
    EXPECT_EQ(carried.status, 0) << carried.err;
    EXPECT_EQ(read_file_bytes(dir.file("new/s.txt")), edited);
  }
  const auto carried = redump("new/s.txt", {"--translations", "e.txt"});
  EXPECT_EQ(carried.status, 0) << carried.err;
  EXPECT_EQ(read_file_bytes(dir.file("new/s.txt")), edited);
}

TEST(ExchangeFiles, RoundTripsOnTheReadmeExampleAndTheRealGames) {
  REQUIRE_REALDATA();
  const bool msgfmt = has_msgfmt();
  if (!msgfmt) std::cout << "msgfmt is not installed: the PO files are not checked with it\n";
  {
    const TempDir dir;
    expect_round_trips(readme_example(dir), dir, msgfmt);
  }
  for (const Game& game : games()) {
    const TempDir dir;
    expect_round_trips(game, dir, msgfmt);
  }
}

} // namespace
} // namespace textdump
