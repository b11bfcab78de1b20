// The SHA-256 digest of bytes, by the system's cryptographic library (Nettle;
// Windows' CNG there), as 64 lower-case hexadecimal digits.
#pragma once

#include <string>
#include <string_view>

namespace textdump {

std::string sha256_hex(std::string_view bytes);

} // namespace textdump
