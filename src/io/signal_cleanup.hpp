// Files the process removes when it is ended by a signal it can catch: Ctrl-C,
// a pipe whose reader has gone, a request to terminate or hang up (on Windows,
// the console's Ctrl-C, Ctrl-Break and close events).
//
// The output step holds its hidden temporary files here while they exist, so
// that a run stopped while it writes to a pipe or waits for a FIFO's reader
// leaves none beside the user's files. The signal then ends the process as it
// would have (a signal the process was started with ignored stays ignored).
// At most 16 names are held at once, each of at most 4095 bytes; one more is
// not held.
#pragma once

#include <string>

namespace textdump {

// Holds the name until forget_on_signal.
void remove_on_signal(const std::string& path);

// No longer removed on a signal: renamed into place, or removed already.
void forget_on_signal(const std::string& path);

} // namespace textdump
