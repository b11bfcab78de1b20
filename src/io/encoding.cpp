#include "io/encoding.hpp"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace textdump {

namespace {

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

#ifdef _WIN32
std::optional<std::string> convert(unsigned code_page, std::string_view value) {
  if (value.empty()) return std::string();
  // Five bytes have no character in Windows-1252 (as the C library's converter
  // says); Windows would pass them through as control characters.
  if (code_page == 1252 && value.find_first_of("\x81\x8D\x8F\x90\x9D") != std::string_view::npos)
    return std::nullopt;
  const int size = static_cast<int>(value.size());
  const int wide =
      MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, value.data(), size, nullptr, 0);
  if (wide <= 0) return std::nullopt;
  std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, value.data(), size, utf16.data(), wide);
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::nullopt;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}
#else
// One conversion descriptor, kept for every value of a load.
struct Iconv {
  iconv_t cd;
  explicit Iconv(const char* from) : cd(iconv_open("UTF-8", from)) {}
  ~Iconv() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  std::optional<std::string> operator()(std::string_view value) const {
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string utf8(value.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(value.data());
    std::size_t in_left = value.size();
    char* out = utf8.data();
    std::size_t out_left = utf8.size();
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1))
      return std::nullopt;
    utf8.resize(utf8.size() - out_left);
    return utf8;
  }
};
#endif

} // namespace

std::optional<TableEncoding> encoding_named(std::string_view name) {
  if (same_name(name, "utf-8")) return TableEncoding::utf8;
  if (same_name(name, "windows-1252")) return TableEncoding::windows_1252;
  if (same_name(name, "shift-jis")) return TableEncoding::shift_jis;
  return std::nullopt;
}

ValueConverter converter_for(TableEncoding encoding) {
  if (encoding == TableEncoding::utf8) return {};
#ifdef _WIN32
  const unsigned code_page = encoding == TableEncoding::windows_1252 ? 1252 : 932;
  return [code_page](std::string_view value) { return convert(code_page, value); };
#else
  const auto iconv =
      std::make_shared<Iconv>(encoding == TableEncoding::windows_1252 ? "CP1252" : "CP932");
  return [iconv](std::string_view value) { return (*iconv)(value); };
#endif
}

} // namespace textdump
