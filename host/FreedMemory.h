// How the process keeps the memory it frees.
#pragma once

// glibc gives a large freed block back to the kernel at once, and an import
// frees one per inventory (its bytes, the parser's copy) and the server one
// per page; in a virtual machine every give-back flushes the TLB of each
// core, which measured 2.5 times the cost of the import itself. Keeps freed
// memory (up to 128 MB) in the process instead. Process-wide and for good:
// call it once from the main thread, before the work starts.
void KeepFreedMemory();
