#include "controls/FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ with the C library's headers

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vantrel {

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    ::malloc_trim(0); // every arena, and whole free pages inside the heap
#endif
}

} // namespace vantrel
