// Depends on glibc's malloc tuning (mallopt, malloc_trim), where there is glibc.
#include "assets/heap_policy.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
// glibc gives each loading thread a heap of its own and, left to itself, lets each keep
// resident up to twice the largest buffer freed, and moves buffers of a size between the heap
// and fresh mappings as it learns sizes, faulting in new pages each time. Settled instead:
// every picture buffer comes from a heap, where freed ones are taken again for the next
// picture, and a heap hands back whatever lies free at its end.
constexpr int kLargestHeapBuffer = 32 * 1024 * 1024;  // glibc's limit; a texture takes 8 MiB
constexpr int kFreeTailKeptWhileLoading = 128 * 1024;
// While drawing, the renderer takes and frees its working memory every frame: handed back at
// each free, it would be faulted in again each frame, which cost llvmpipe 4 ms a frame at
// 1024 x 768. So the heap keeps a free end as large as glibc itself would let it for buffers
// up to kLargestHeapBuffer.
constexpr int kFreeTailKeptWhileDrawing = 2 * kLargestHeapBuffer;
}  // namespace

void heap_policy_for_loading()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBuffer);
    mallopt(M_TRIM_THRESHOLD, kFreeTailKeptWhileLoading);
#endif
}

// First gives back the free pages left between the buffers kept: with them, loading on several
// threads would leave more memory resident than loading on one did.
void heap_policy_for_drawing()
{
#ifdef __GLIBC__
    malloc_trim(0);
    mallopt(M_TRIM_THRESHOLD, kFreeTailKeptWhileDrawing);
#endif
}
