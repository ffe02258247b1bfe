#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace gif {

// Memory for a large buffer that is written once, front to back (an encoder's output). Where the
// system offers huge pages it is backed by them, so its first touch costs one page fault per
// 2 MiB instead of one per 4 KiB. Not cleared. Throws std::bad_alloc; freed with TFreeLarge.
std::uint8_t* AllocateLarge(std::size_t size);

struct TFreeLarge {
    void operator()(std::uint8_t* p) const { std::free(p); }
};

}  // namespace gif
