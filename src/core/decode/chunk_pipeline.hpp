// Two threads through chunks that are decoded apart and written in order: the
// loop shared by the decoder's runs on two threads.
#pragma once

#include <cstddef>
#include <functional>

namespace textdump {

// Chunks 0 to count - 1, on the caller's thread and one more. decode(k)
// decodes chunk k into slot k % slots, once chunk k - slots is written.
// write(turn) writes chunk turn once it and the `ahead` chunks after it (those
// there are; ahead below slots) are decoded and no other write runs; false
// stops the loop, and no chunk after it is written. Each thread writes the
// next chunk when it can and otherwise decodes the next chunk that has a free
// slot, so that the writes of one thread overlap the decoding of the other,
// and a thread waits only when every slot is full. What decode or write
// throws stops both threads and is thrown again to the caller once they are
// done.
void run_chunk_pipeline(std::size_t count, std::size_t slots, std::size_t ahead,
                        const std::function<void(std::size_t)>& decode,
                        const std::function<bool(std::size_t)>& write);

} // namespace textdump
