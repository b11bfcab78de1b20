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

struct Named {
  const char* name;
  TableEncoding encoding;
  const char* iconv_name;
  unsigned code_page;
};
constexpr Named ENCODINGS[] = {
    {"utf-8", TableEncoding::utf8, "UTF-8", 65001},
    {"windows-1252", TableEncoding::windows_1252, "CP1252", 1252},
    {"shift-jis", TableEncoding::shift_jis, "CP932", 932},
    {"euc-jp", TableEncoding::euc_jp, "EUC-JP", 20932},
    {"euc-kr", TableEncoding::euc_kr, "EUC-KR", 51949},
    {"big5", TableEncoding::big5, "BIG5", 950},
    {"gbk", TableEncoding::gbk, "GBK", 936},
    {"utf-16le", TableEncoding::utf16le, "UTF-16LE", 1200},
    {"utf-16be", TableEncoding::utf16be, "UTF-16BE", 1201},
};

const Named& named(TableEncoding encoding) {
  for (const Named& n : ENCODINGS)
    if (n.encoding == encoding) return n;
  return ENCODINGS[0];
}

bool whole_file(TableEncoding encoding) {
  return encoding == TableEncoding::utf16le || encoding == TableEncoding::utf16be;
}

#ifdef _WIN32
// UTF-16 is no code page that MultiByteToWideChar reads: its units are taken as they are.
std::optional<std::string> from_utf16(bool big_endian, std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::wstring units(bytes.size() / 2, L'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto a = static_cast<unsigned char>(bytes[2 * i]),
               b = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<wchar_t>(big_endian ? a << 8 | b : b << 8 | a);
  }
  const int wide = static_cast<int>(units.size());
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units.data(), wide, nullptr,
                                       0, nullptr, nullptr);
  if (size <= 0) return units.empty() ? std::optional<std::string>(std::string()) : std::nullopt;
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units.data(), wide, utf8.data(), size, nullptr,
                      nullptr);
  return utf8;
}
#endif

} // namespace

std::optional<TableEncoding> encoding_named(std::string_view name) {
  for (const Named& n : ENCODINGS)
    if (same_name(name, n.name)) return n.encoding;
  return std::nullopt;
}

std::vector<std::string_view> encoding_names() {
  std::vector<std::string_view> names;
  for (const Named& n : ENCODINGS) names.push_back(n.name);
  return names;
}

ValueConverter converter_for(TableEncoding encoding) {
  if (encoding == TableEncoding::utf8 || whole_file(encoding)) return {};
#ifdef _WIN32
  const unsigned code_page = named(encoding).code_page;
  return [code_page](std::string_view value) { return convert(code_page, value); };
#else
  const auto iconv = std::make_shared<Iconv>(named(encoding).iconv_name);
  return [iconv](std::string_view value) { return (*iconv)(value); };
#endif
}

std::optional<std::string> whole_file_in_utf8(std::string_view bytes, TableEncoding encoding) {
  if (!whole_file(encoding)) return std::string(bytes);
#ifdef _WIN32
  return from_utf16(encoding == TableEncoding::utf16be, bytes);
#else
  return Iconv(named(encoding).iconv_name)(bytes);
#endif
}

} // namespace textdump
