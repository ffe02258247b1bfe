#include "gif/LzwEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "gif/GIFErrors.h"
#include "gif/LargeMemory.h"
#include "gif/LzwDecoder.h"

namespace gif {

namespace {

constexpr std::uint32_t kHashSlots = 17777;
constexpr std::uint32_t kLastFreeCode = 4094;  // the table is cleared once this code is given out
constexpr std::size_t kSubBlockSize = 255;
constexpr int kMaxCodeBits = 12;
constexpr std::size_t kTableSize = std::size_t{1} << kMaxCodeBits;
constexpr std::uint32_t kKeyMultiplier = 0x9E3779B1;  // Fibonacci hashing

// A slot holds one string record packed into 32 bits: prefix code in bits 0-11, last pixel in
// bits 12-19, own code in bits 20-31. Own codes start above the end code, so 0 means empty.
constexpr int kPixelShift = 12;
constexpr int kCodeShift = 20;
constexpr std::uint32_t kKeyMask = (1u << kCodeShift) - 1;

// The slot where the search for a string record starts: a hash of the record's key (prefix code
// and last pixel), spread over the table by a multiply and a shift. Every string has its own key,
// so long strings of one colour spread as well as short ones.
std::uint32_t SlotOf(std::uint32_t key) {
    return static_cast<std::uint32_t>((std::uint64_t{key * kKeyMultiplier} * kHashSlots) >> 32);
}

void StoreLe64(std::uint8_t* out, std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &value, sizeof value);
    } else {
        for (std::size_t i = 0; i < sizeof value; ++i) {
            out[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
}

// Upper bound of the packed codes' size: every pixel may cost a 12-bit code, each table clear
// two more, plus the first clear, the end code and room for one whole accumulator store.
std::size_t PackedCodesBound(std::int32_t width, std::int32_t height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t codes = pixels + 2 * (pixels / 256 + 1) + 4;
    return codes * kMaxCodeBits / 8 + 2 + sizeof(std::uint64_t);
}

// Codes are packed behind room for the minimum code size byte and the first size byte; the
// sub-blocks are then laid out in place, so the buffer becomes the code stream without a copy.
constexpr std::size_t kPackedStart = 2;

std::size_t CodeStreamBound(std::int32_t width, std::int32_t height) {
    const std::size_t packed = PackedCodesBound(width, height);
    return kPackedStart + packed + packed / kSubBlockSize + 1;
}

// The encoder's state between rows.
struct TEncoderState {
    std::uint32_t Prefix = 0;
    std::uint32_t Length = 0;  // of the current string, 0 = none
    std::uint32_t FreeCode = 0;
    std::uint32_t Capacity = 0;
    int CodeSize = 0;
    std::uint64_t Acc = 0;  // bits not yet stored whole
    int Bits = 0;
    std::size_t Written = 0;  // bytes of packed codes
};

class TLzwEncoder {
  public:
    TLzwEncoder(std::int32_t width, std::int32_t height, int depth)
        : FInitialCodeSize(depth == 1 ? 3 : depth + 1),
          FClearCode(1u << (FInitialCodeSize - 1)),
          FEndCode(FClearCode + 1),
          FSlots(kHashSlots, 0),
          FUsedSlots(kTableSize, 0),
          FCapacity(CodeStreamBound(width, height)),
          FBytes(AllocateLarge(FCapacity)) {}

    int MinimumCodeSize() const { return FInitialCodeSize - 1; }

    void Start() {
        TEncoderState& s = FState;
        std::uint8_t* const bytes = FBytes.get() + kPackedStart;
        ResetTable(s);
        Emit(s, bytes, FClearCode);
    }

    // One row of pixels; strings run on across row ends. The state lives in plain locals here:
    // with its address never taken, it stays in registers although the loop stores bytes.
    template <int Depth>
    void EncodeRow(const std::uint8_t* row, std::int32_t width) {
        std::uint32_t prefix = FState.Prefix;
        std::uint32_t length = FState.Length;
        std::uint32_t freeCode = FState.FreeCode;
        std::uint32_t capacity = FState.Capacity;
        int codeSize = FState.CodeSize;
        std::uint64_t acc = FState.Acc;
        int bits = FState.Bits;
        std::size_t written = FState.Written;
        std::uint32_t* const slots = FSlots.data();
        std::uint16_t* const used = FUsedSlots.data();
        std::uint8_t* const bytes = FBytes.get() + kPackedStart;
        const std::uint32_t clearCode = FClearCode;
        const std::uint32_t endCode = FEndCode;
        const int initialCodeSize = FInitialCodeSize;
        const auto emit = [&](std::uint32_t code) {
            acc |= std::uint64_t{code} << bits;
            bits += codeSize;
            StoreLe64(bytes + written, acc);
            const int whole = bits >> 3;
            written += static_cast<std::size_t>(whole);
            acc >>= whole << 3;
            bits &= 7;
        };
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t pixel;
            if constexpr (Depth == 8) {
                pixel = row[x];
            } else if constexpr (Depth == 4) {
                pixel = (row[x >> 1] >> ((~x & 1) << 2)) & 0x0F;
            } else {
                pixel = (row[x >> 3] >> (7 - (x & 7))) & 1;
            }
            if (++length == 1) {
                prefix = pixel;
                continue;
            }
            const std::uint32_t key = prefix | pixel << kPixelShift;
            std::uint32_t slot = SlotOf(key);
            std::uint32_t record = slots[slot];
            // Collisions are rare, so the one hard-to-predict question is "known or new".
            while (record != 0 && (record & kKeyMask) != key) {
                slot = slot + 1 == kHashSlots ? 0 : slot + 1;
                record = slots[slot];
            }
            if (record != 0) {
                prefix = record >> kCodeShift;
                continue;
            }

            emit(prefix);
            ++freeCode;
            slots[slot] = key | freeCode << kCodeShift;
            used[freeCode] = static_cast<std::uint16_t>(slot);
            prefix = pixel;
            length = 1;
            if (freeCode >= capacity) {
                capacity <<= 1;
                ++codeSize;
            } else if (freeCode >= kLastFreeCode) {
                emit(prefix);
                emit(clearCode);
                EmptySlots(slots, used, endCode, freeCode);
                freeCode = endCode;
                codeSize = initialCodeSize;
                capacity = 1u << codeSize;
                length = 0;
            }
        }
        FState = TEncoderState{prefix, length, freeCode, capacity, codeSize, acc, bits, written};
    }

    // The last string, the end code, then the packed codes as sub-blocks of 255 bytes (the last
    // one shorter) and the terminator, behind the minimum code size byte: the whole code stream.
    TCodeStream Finish() {
        TEncoderState& s = FState;
        std::uint8_t* const all = FBytes.get();
        std::uint8_t* const bytes = all + kPackedStart;
        if (s.Length > 0) {
            Emit(s, bytes, s.Prefix);
        }
        Emit(s, bytes, FEndCode);
        if (s.Bits > 0) {
            bytes[s.Written++] = static_cast<std::uint8_t>(s.Acc);
        }
        // Block k moves from kPackedStart + 255 k to kPackedStart + 256 k, last block first, so
        // nothing is overwritten before it has moved; each gets its size byte in front.
        const std::size_t blocks = (s.Written + kSubBlockSize - 1) / kSubBlockSize;
        for (std::size_t k = blocks; k-- > 0;) {
            const std::size_t from = kPackedStart + k * kSubBlockSize;
            const std::size_t n = std::min(kSubBlockSize, s.Written - k * kSubBlockSize);
            const std::size_t to = kPackedStart + k * (kSubBlockSize + 1);
            std::memmove(all + to, all + from, n);
            all[to - 1] = static_cast<std::uint8_t>(n);
        }
        all[0] = static_cast<std::uint8_t>(MinimumCodeSize());
        const std::size_t size = 1 + s.Written + blocks + 1;
        all[size - 1] = 0;
        std::shared_ptr<std::uint8_t> owner(FBytes.release(), TFreeLarge());
        const std::span<const std::uint8_t> stream(owner.get(), size);
        return TCodeStream(std::move(owner), stream);
    }

  private:
    // Codes go least significant bit first into one run of bytes, cut into sub-blocks at the
    // end. Branch-free: the whole accumulator is stored and the position moves on by the bytes
    // that are complete.
    static void Emit(TEncoderState& s, std::uint8_t* bytes, std::uint32_t code) {
        s.Acc |= std::uint64_t{code} << s.Bits;
        s.Bits += s.CodeSize;
        StoreLe64(bytes + s.Written, s.Acc);
        const int whole = s.Bits >> 3;
        s.Written += static_cast<std::size_t>(whole);
        s.Acc >>= whole << 3;
        s.Bits &= 7;
    }

    // Empties the slots that the codes given out since the last clear took.
    static void EmptySlots(std::uint32_t* slots, const std::uint16_t* used, std::uint32_t endCode,
                           std::uint32_t lastCode) {
        for (std::uint32_t code = endCode + 1; code <= lastCode; ++code) {
            slots[used[code]] = 0;
        }
    }

    void ResetTable(TEncoderState& s) {
        EmptySlots(FSlots.data(), FUsedSlots.data(), FEndCode, s.FreeCode);
        s.FreeCode = FEndCode;
        s.CodeSize = FInitialCodeSize;
        s.Capacity = 1u << s.CodeSize;
        s.Length = 0;
    }

    const int FInitialCodeSize;
    const std::uint32_t FClearCode;
    const std::uint32_t FEndCode;
    std::vector<std::uint32_t> FSlots;
    std::vector<std::uint16_t> FUsedSlots;  // slot of each code given out
    std::size_t FCapacity;
    // Left uninitialised: only the pages that codes reach are ever touched.
    std::unique_ptr<std::uint8_t, TFreeLarge> FBytes;
    TEncoderState FState;
};

void Report(IGIFNotify* progress, TProgressStage stage, int percent, const std::string& message) {
    if (progress != nullptr) {
        progress->Progress(stage, percent, false, message);
    }
}

}  // namespace

TCodeStream EncodeRaster(std::int32_t width, std::int32_t height, int depth, bool interlaced,
                         IGIFNotify* progress, const std::uint8_t* pixels) {
    if (depth != 1 && depth != 4 && depth != 8) {
        RaiseGifError(kMsgEncodingError);
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    static const std::string kNoMessage;
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    TCodeStream result;
    try {
        TLzwEncoder encoder(width, height, depth);
        encoder.Start();
        Report(progress, psStarting, 0, kNoMessage);
        int pass = 0;
        std::int32_t y = 0;
        for (std::int32_t done = 1; done <= height; ++done) {
            const std::uint8_t* row = pixels + static_cast<std::size_t>(height - 1 - y) * stride;
            if (depth == 8) {
                encoder.EncodeRow<8>(row, width);
            } else if (depth == 4) {
                encoder.EncodeRow<4>(row, width);
            } else {
                encoder.EncodeRow<1>(row, width);
            }
            y = interlaced ? NextInterlacedRow(y, height, pass) : y + 1;
            Report(progress, psRunning,
                   static_cast<int>(std::int64_t{done} * 100 / std::int64_t{height}), kNoMessage);
        }
        result = encoder.Finish();
    } catch (const std::bad_alloc&) {
        const std::string message = "Not enough memory to encode a GIF frame of " +
                                    std::to_string(width) + " x " + std::to_string(height) +
                                    " pixels";
        Report(progress, psEnding, 0, message);
        RaiseGifError(message);
    } catch (const std::exception& error) {
        Report(progress, psEnding, 0, error.what());
        throw;
    }
    Report(progress, psEnding, 100, kNoMessage);
    return result;
}

void EncodeRaster(std::vector<std::uint8_t>& codeStream, std::int32_t width, std::int32_t height,
                  int depth, bool interlaced, IGIFNotify* progress, const std::uint8_t* pixels) {
    const TCodeStream code = EncodeRaster(width, height, depth, interlaced, progress, pixels);
    codeStream.insert(codeStream.end(), code.begin(), code.end());
}

}  // namespace gif
