// The real games of the real data (games/truth.json): each one's ROM, the
// tables of its standard table file, and its entry of the truth (its pointer
// tables as its source gives them). Call after REQUIRE_REALDATA().
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/base.hpp"
#include "core/tables/tables.hpp"
#include "support/realdata.hpp"
#include "support/test_files.hpp"

namespace textdump::testing {

struct RealGame {
  std::string name, bytes;
  std::vector<CodeTable> tables; // the file's, the first where strings start
  nlohmann::json truth;

  RomView rom() const {
    return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
  }
};

inline std::vector<RealGame> real_games() {
  const std::filesystem::path games = REALDATA / "games";
  const auto truth = nlohmann::json::parse(read_file_bytes((games / "truth.json").string()));
  std::vector<RealGame> all;
  for (const auto& game : truth.at("games")) {
    RealGame g{game.at("name"), read_file_bytes((games / game.at("rom")).string()), {}, game};
    for (const NamedTable& named :
         parse_standard_table(read_file_bytes((games / game.at("table")).string())).tables)
      g.tables.emplace_back(TableFormat::standard).lay_over(named.definitions);
    all.push_back(std::move(g));
  }
  return all;
}

} // namespace textdump::testing
