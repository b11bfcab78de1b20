// The end-to-end cases of tests/cases, read by this one runner: each case
// folder is a run of the built program (its arguments, standard input and
// input files) beside what the run must give (standard output, standard
// error, exit status and the files of its folder afterwards). Each case is
// the test GROUP.CASE, after its two folders. tests/cases/README.md describes
// a case's files.
//
// With TEXTDUMP_UPDATE_CASES=1 in the environment a case that differs is
// rewritten with what the run gave, for a deliberate change of output; the
// change is then reviewed as a diff of the case files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/atlas_inserter.hpp"
#include "support/realdata.hpp"
#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::read_file_bytes;
using testing::write_file;

const fs::path CASES = TEXTDUMP_SOURCE_DIR "/tests/cases";

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::size_t hex_value(std::string_view digits, std::string_view token) {
  std::size_t value = 0;
  for (const char c : digits) {
    if (hex_digit(c) < 0 || digits.size() > 8) throw std::invalid_argument(std::string(token));
    value = value * 16 + static_cast<std::size_t>(hex_digit(c));
  }
  if (digits.empty()) throw std::invalid_argument(std::string(token));
  return value;
}

// The bytes that a NAME.hex file describes: pairs of hex digits (a "*COUNT"
// after them repeats them), "quoted text" as its bytes (\" and \\ escaped),
// @OFFSET to go on from that offset, fill=XX for the byte of the gaps that
// @ leaves (00 at first); # begins a comment.
std::string hex_form(std::string_view text) {
  std::string rom;
  std::size_t at = 0;
  char fill = '\0';
  const auto write = [&](std::string_view bytes) {
    if (rom.size() < at) rom.resize(at, fill);
    rom.replace(at, std::min(bytes.size(), rom.size() - at), bytes);
    at += bytes.size();
  };
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '#') {
      i = std::min(text.find('\n', i), text.size());
    } else if (c == '"') {
      std::string bytes;
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        bytes += text[i];
      }
      if (i++ == text.size()) throw std::invalid_argument("a text without its closing quote");
      write(bytes);
    } else {
      const std::size_t end = std::min(text.find_first_of(" \t\r\n#\"", i), text.size());
      const std::string_view token = text.substr(i, end - i);
      i = end;
      if (token.starts_with("@")) {
        at = hex_value(token.substr(1), token);
        if (rom.size() < at) rom.resize(at, fill);
      } else if (token.starts_with("fill=")) {
        fill = static_cast<char>(hex_value(token.substr(5), token) & 0xFF);
      } else {
        const std::size_t star = std::min(token.find('*'), token.size());
        const std::string_view digits = token.substr(0, star);
        const std::size_t count =
            star < token.size() ? hex_value(token.substr(star + 1), token) : 1;
        if (digits.size() % 2 != 0) throw std::invalid_argument(std::string(token));
        std::string bytes;
        for (std::size_t d = 0; d < digits.size(); d += 2)
          bytes += static_cast<char>(hex_value(digits.substr(d, 2), token));
        for (std::size_t n = 0; n < count; ++n) write(bytes);
      }
    }
  }
  return rom;
}

// The files under a folder by their paths inside it ('/' between folders),
// each NAME.hex as the bytes it describes under NAME; .keep files, which
// hold an empty folder in git, left out.
std::map<std::string, std::string> files_of(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    fs::path name = entry.path().lexically_relative(folder);
    if (entry.is_directory()) {
      files[name.generic_string() + "/"];
      continue;
    }
    if (name.filename() == ".keep") continue;
    std::string bytes = read_file_bytes(entry.path().string());
    if (name.extension() == ".hex") {
      try {
        bytes = hex_form(bytes);
      } catch (const std::invalid_argument& bad) {
        ADD_FAILURE() << entry.path().string() << ": cannot read \"" << bad.what() << "\"";
      }
      name.replace_extension();
    }
    files[name.generic_string()] = std::move(bytes);
  }
  return files;
}

// What a folder holds: each file's bytes and time, each folder as NAME/.
struct Item {
  std::string bytes;
  fs::file_time_type time;
};
using Snapshot = std::map<std::string, Item>;

Snapshot snapshot(const fs::path& folder) {
  Snapshot items;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().lexically_relative(folder).generic_string();
    if (entry.is_directory())
      items[name + "/"] = {};
    else
      items[name] = {read_file_bytes(entry.path().string()), entry.last_write_time()};
  }
  return items;
}

// A case file's bytes; "" when it is not there.
std::string case_file(const fs::path& folder, const char* name) {
  return fs::exists(folder / name) ? read_file_bytes((folder / name).string()) : "";
}

// The lines of a case file, each without its line end.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

bool updating() {
  const char* update = std::getenv("TEXTDUMP_UPDATE_CASES");
  return update != nullptr && *update != '\0';
}

// Writes bytes as the case file name, or removes it when they are what its
// absence stands for.
void update_case_file(const fs::path& file, const std::string& bytes, const std::string& absent) {
  if (bytes == absent)
    fs::remove(file);
  else
    write_file(file.string(), bytes);
}

// The run's script, inserted by the test inserter into its ROM, changes no
// byte of it, and writes every byte of each string and pointer that the
// run's JSON lists.
void expect_reinserted(const fs::path& run, const std::string& names) {
  std::istringstream line(names);
  std::vector<std::string> words;
  for (std::string word; line >> word;) words.push_back(word);
  ASSERT_EQ(words.size(), 3u) << "reinsert names ROM SCRIPT JSON";
  const std::string rom = read_file_bytes((run / words[0]).string());
  const fs::path script = run / words[1];
  const testing::InsertResult inserted =
      testing::atlas_insert(rom, read_file_bytes(script.string()), [&](const std::string& name) {
        const fs::path table = script.parent_path() / name;
        return fs::exists(table) ? std::optional(read_file_bytes(table.string())) : std::nullopt;
      });
  ASSERT_EQ(inserted.status, 0) << inserted.message;
  EXPECT_FALSE(inserted.cut);
  EXPECT_FALSE(inserted.overflow_reported);
  ASSERT_EQ(inserted.rom.size(), rom.size());
  const auto differ = std::mismatch(rom.begin(), rom.end(), inserted.rom.begin());
  EXPECT_TRUE(differ.first == rom.end())
      << "the inserted script changes the byte at $" << std::hex << (differ.first - rom.begin());
  const auto json = nlohmann::json::parse(read_file_bytes((run / words[2]).string()));
  const auto written = [&](std::uint64_t at) {
    return at < inserted.written.size() && inserted.written[at];
  };
  for (const auto& string : json.at("strings")) {
    const auto start = string.at("start").get<std::uint64_t>();
    auto at = start;
    while (at < string.at("end").get<std::uint64_t>() && written(at)) ++at;
    EXPECT_EQ(at, string.at("end").get<std::uint64_t>())
        << "the string at $" << std::hex << start << " is not written back from $" << at;
    for (const auto& pointer : string.at("pointers"))
      EXPECT_TRUE(written(pointer.at("at").get<std::uint64_t>()))
          << "the pointer at $" << std::hex << pointer.at("at").get<std::uint64_t>()
          << " is not written";
  }
}

// Whether the folder after the run holds the inputs as they were and the
// files of out/, and nothing else; with report, each difference is a failure.
bool folder_as_expected(const Snapshot& before, const Snapshot& after,
                        const std::map<std::string, std::string>& written, bool report) {
  bool as_expected = true;
  const auto fail = [&] {
    as_expected = false;
    return report;
  };
  for (const auto& [name, item] : after) {
    const auto expected = written.find(name);
    const auto input = before.find(name);
    if (expected != written.end()) {
      if (item.bytes != expected->second && fail()) {
        EXPECT_EQ(item.bytes, expected->second) << "the file " << name;
      }
    } else if (input == before.end()) {
      if (fail()) ADD_FAILURE() << "the run wrote " << name << ", which out/ does not hold";
    } else if (item.bytes != input->second.bytes || item.time != input->second.time) {
      if (fail()) ADD_FAILURE() << "the run changed the input " << name;
    }
  }
  for (const auto& [name, bytes] : written)
    if (!after.contains(name) && fail()) ADD_FAILURE() << "the run did not write " << name;
  for (const auto& [name, item] : before)
    if (!after.contains(name) && fail()) ADD_FAILURE() << "the run removed the input " << name;
  return as_expected;
}

class Case : public ::testing::Test {
public:
  Case(fs::path group, fs::path folder) : group_(std::move(group)), folder_(std::move(folder)) {}

  void TestBody() override {
    const testing::TempDir dir;
    const fs::path run = dir.path();
    if (fs::exists(folder_ / "realdata")) {
      REQUIRE_REALDATA();
      for (const std::string& path : lines_of(case_file(folder_, "realdata")))
        fs::copy_file(testing::REALDATA / path, run / fs::path(path).filename());
    }
    lay_out_inputs(run);
    const Snapshot before = snapshot(run);
    const std::vector<std::string> output_to = lines_of(case_file(folder_, "stdout_to"));
    const auto result = testing::run_program(run.string(), lines_of(case_file(folder_, "args")),
                                             case_file(folder_, "stdin"), false,
                                             output_to.empty() ? "" : output_to.front());
    ASSERT_FALSE(result.timed_out);
    const Snapshot after = snapshot(run);
    const bool folder_right =
        folder_as_expected(before, after, files_of(folder_ / "out"), !updating());
    if (updating()) {
      update(result, folder_right, before, after);
    } else {
      const std::string status = case_file(folder_, "status");
      EXPECT_EQ(result.status, status.empty() ? 0 : std::stoi(status));
      EXPECT_EQ(result.out, case_file(folder_, "stdout")) << "standard output";
      EXPECT_EQ(result.err, case_file(folder_, "stderr")) << "standard error";
    }
    if (fs::exists(folder_ / "reinsert")) expect_reinserted(run, case_file(folder_, "reinsert"));
  }

private:
  // The group's files, then the case's own over them; every input an hour old,
  // so that a run that rewrites one shows in its time.
  void lay_out_inputs(const fs::path& run) const {
    std::map<std::string, std::string> inputs = files_of(group_ / "files");
    for (auto& [name, bytes] : files_of(folder_ / "files")) inputs[name] = std::move(bytes);
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& [name, bytes] : inputs) {
      fs::create_directories((run / name).parent_path());
      if (name.ends_with("/")) continue;
      write_file((run / name).string(), bytes);
      fs::last_write_time(run / name, then);
    }
  }

  // Rewrites the case with what the run gave.
  void update(const testing::ProgramResult& result, bool folder_right, const Snapshot& before,
              const Snapshot& after) const {
    update_case_file(folder_ / "stdout", result.out, "");
    update_case_file(folder_ / "stderr", result.err, "");
    update_case_file(folder_ / "status", std::to_string(result.status) + "\n", "0\n");
    if (folder_right) return;
    fs::remove_all(folder_ / "out");
    for (const auto& [name, item] : after) {
      const auto input = before.find(name);
      if (name.ends_with("/") || (input != before.end() && input->second.bytes == item.bytes &&
                                  input->second.time == item.time))
        continue;
      fs::create_directories((folder_ / "out" / name).parent_path());
      write_file((folder_ / "out" / name).string(), item.bytes);
    }
  }

  fs::path group_, folder_;
};

bool is_name(const std::string& name) {
  return !name.empty() &&
         name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos;
}

// Every folder of a group but files/ is a case.
const bool REGISTERED = [] {
  std::vector<fs::path> folders;
  for (const auto& group : fs::directory_iterator(CASES))
    if (group.is_directory())
      for (const auto& folder : fs::directory_iterator(group.path()))
        if (folder.is_directory() && folder.path().filename() != "files")
          folders.push_back(folder.path());
  std::sort(folders.begin(), folders.end());
  for (const fs::path& folder : folders) {
    const std::string group = folder.parent_path().filename().string();
    const std::string name = folder.filename().string();
    ::testing::RegisterTest(group.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                            [=]() -> ::testing::Test* {
                              if (!is_name(group) || !is_name(name))
                                ADD_FAILURE() << folder
                                              << ": name a case's folders with a-z, "
                                                 "0-9 and _ only";
                              return new Case(folder.parent_path(), folder);
                            });
  }
  return true;
}();

} // namespace
} // namespace textdump
