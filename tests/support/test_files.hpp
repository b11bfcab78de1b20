// Small helpers shared by the tests: a temporary folder, whole-file writes and
// reads, and a console that collects what the engine says.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "app/common/console.hpp"

namespace textdump::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "textdump-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

// A byte string from byte values, for ROM contents.
inline std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

inline void write_file(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A console whose messages land in `messages` and whose pauses are counted.
struct CapturedConsole {
  std::shared_ptr<std::string> messages = std::make_shared<std::string>();
  std::shared_ptr<int> pauses = std::make_shared<int>(0);
  Console console;

  CapturedConsole() {
    auto text = messages;
    auto count = pauses;
    console.print = [text](std::string_view s) { text->append(s); };
    console.pause = [count] { ++*count; };
  }
};

} // namespace textdump::testing
