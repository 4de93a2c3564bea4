#pragma once

namespace vantrel {

/// Hands the pages of the heap that hold no live block back to the system.
///
/// The C library keeps memory that was freed inside its heap for later
/// allocations; after a burst of many small blocks (the recorded pages of a
/// print preview, hundreds of megabytes for a month at one-minute steps)
/// the process would go on holding it all. Call after such a burst has been
/// freed. Costs a walk over the heap's free blocks: some 30 ms after the
/// preview of a month. Does nothing where the C library has no such call.
void ReturnFreedMemory();

} // namespace vantrel
