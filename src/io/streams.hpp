// The process's standard streams: whether they are terminals, their
// descriptors, and binary mode, so that every byte written is the byte meant
// (no CR LF translation on Windows).
#pragma once

namespace textdump {

inline constexpr int STANDARD_INPUT = 0;
inline constexpr int STANDARD_OUTPUT = 1;
inline constexpr int STANDARD_ERROR = 2;

// True when the descriptor is a terminal (a console window on Windows).
bool is_terminal(int fd);

// Standard input, output and error pass bytes unchanged.
void use_binary_streams();

} // namespace textdump
