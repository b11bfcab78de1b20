#include "io/sha256.hpp"

#include <algorithm>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>
#else
#include <nettle/sha2.h>
#endif

namespace textdump {

std::string sha256_hex(std::string_view bytes) {
  unsigned char digest[32] = {};
#ifdef _WIN32
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
  constexpr std::size_t PIECE = std::size_t{1} << 30;
  for (std::size_t at = 0; at < bytes.size(); at += PIECE)
    BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)),
                   static_cast<ULONG>(std::min(PIECE, bytes.size() - at)), 0);
  BCryptFinishHash(hash, digest, sizeof digest, 0);
  BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
#else
  sha256_ctx context;
  sha256_init(&context);
  // Nettle takes lengths in size_t; large inputs go in pieces all the same.
  constexpr std::size_t PIECE = std::size_t{1} << 30;
  for (std::size_t at = 0; at < bytes.size(); at += PIECE) {
    const std::size_t size = std::min(PIECE, bytes.size() - at);
    sha256_update(&context, size, reinterpret_cast<const std::uint8_t*>(bytes.data() + at));
  }
  sha256_digest(&context, sizeof digest, digest);
#endif
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char b : digest) {
    text += DIGITS[b >> 4];
    text += DIGITS[b & 0xF];
  }
  return text;
}

} // namespace textdump
