// How the command's process keeps memory: the pipeline frees and asks again for
// buffers of hundreds of megabytes from stage to stage, and on virtual machines
// a freshly mapped page costs a fault and its zeroing, more than the work later
// done on it. Kept in the heap, freed buffers serve the next stage and the next
// image (about 10 % more peak memory on a large photograph). Only a process
// that owns its allocator should do this: the library never does.
#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pairseekCli {

inline void keepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_MAX, 0);               // large buffers from the heap too (threads' own arenas still map them)
    mallopt(M_TRIM_THRESHOLD, 1 << 30);   // and the heap's top not handed back between stages
#endif
}

}  // namespace pairseekCli
