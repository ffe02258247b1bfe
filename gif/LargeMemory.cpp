#include "gif/LargeMemory.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace gif {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a huge page costs more to clear than the small pages' faults it saves.
constexpr std::size_t kHugeFrom = std::size_t{1} << 19;

}  // namespace

std::uint8_t* AllocateLarge(std::size_t size) {
    void* memory = nullptr;
#if defined(__linux__)
    if (size >= kHugeFrom) {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory != nullptr) {
            madvise(memory, rounded, MADV_HUGEPAGE);
        }
    }
#endif
    if (memory == nullptr) {
        memory = std::malloc(size > 0 ? size : 1);
    }
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<std::uint8_t*>(memory);
}

}  // namespace gif
