// core/decode: ROM text read through a code table, as a dump writes it and as
// the readers that judge text walk it.
//
//   writer.hpp          the dump's output: one large buffer handed to a sink
//   rom_walk.hpp        the key at an offset, one step, the walk to an end
//   decoder.hpp         the decoder: a range of the ROM written through the
//                       table, with pointers, table switches and switches'
//                       frames (decoder.cpp, decoder_pointers.cpp,
//                       decoder_frames.cpp; on two threads in
//                       decoder_parallel.cpp and decoder_frame_chunks.cpp)
//   switch_walker.hpp   the frames of a switch, for readers that judge text
//   pieces.hpp          the decoder's short renderings (its own part)
//   chunk_pipeline.hpp  the decoder's two threads through ordered chunks (its
//                       own part)
//
// The decoder only reads the tables it is given and prints nothing. Each
// header states its own contract; this one only gathers them.
#pragma once

#include "core/decode/decoder.hpp"
#include "core/decode/rom_walk.hpp"
#include "core/decode/switch_walker.hpp"
#include "core/decode/writer.hpp"
