#include "io/streams.hpp"

#include <initializer_list>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace textdump {

bool is_terminal(int fd) {
#ifdef _WIN32
  return _isatty(fd) != 0;
#else
  return ::isatty(fd) == 1;
#endif
}

void use_binary_streams() {
#ifdef _WIN32
  for (const int fd : {STANDARD_INPUT, STANDARD_OUTPUT, STANDARD_ERROR}) _setmode(fd, _O_BINARY);
#endif
}

} // namespace textdump
