#pragma once
// Hands the memory freed by a phase back to the system, so that the next phase's peak does not come
// on top of it (the heap keeps freed blocks between large live ones otherwise).

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kivo::eng {

inline void releaseFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace kivo::eng
