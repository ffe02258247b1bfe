#include "gif/LzwEncoder.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>

#include "gif/GIFErrors.h"
#include "gif/LzwDecoder.h"

namespace gif {

namespace {

constexpr int kHashSlots = 17777;
constexpr int kLastFreeCode = 4094;  // the table is cleared once this code has been given out
constexpr int kSubBlockSize = 255;
constexpr std::uint32_t kHashSeedOffset = 3;
constexpr std::uint32_t kHashSeedFactor = 301;
constexpr std::uint32_t kHashLengthOffset = 4;

// A slot holds one string record packed into 32 bits: prefix code in bits 0-11, last pixel in
// bits 12-19, own code in bits 20-31. Own codes start above the end code, so 0 means empty.
constexpr int kPixelShift = 12;
constexpr int kCodeShift = 20;
constexpr std::uint32_t kKeyMask = (1u << kCodeShift) - 1;

std::uint32_t HashSeed(std::uint32_t pixel) {
    return (pixel + kHashSeedOffset) * kHashSeedFactor;
}

// Packs codes least significant bit first into sub-blocks appended to the code stream.
class TCodePacker {
  public:
    explicit TCodePacker(std::vector<std::uint8_t>& out) : FOut(out) {}

    void SetCodeSize(int bits) { FCodeSize = bits; }

    void EmitCode(std::uint32_t code) {
        FAcc |= std::uint64_t{code} << FBits;
        FBits += FCodeSize;
        while (FBits >= 8) {
            FBlock[FBlockLength++] = static_cast<std::uint8_t>(FAcc);
            FAcc >>= 8;
            FBits -= 8;
            if (FBlockLength == kSubBlockSize) {
                FlushBlock();
            }
        }
    }

    // The last, partial sub-block and the terminator.
    void FinishCodes() {
        if (FBits > 0) {
            FBlock[FBlockLength++] = static_cast<std::uint8_t>(FAcc);
            FAcc = 0;
            FBits = 0;
        }
        if (FBlockLength > 0) {
            FlushBlock();
        }
        FOut.push_back(0);
    }

  private:
    void FlushBlock() {
        FOut.push_back(static_cast<std::uint8_t>(FBlockLength));
        FOut.insert(FOut.end(), FBlock.begin(), FBlock.begin() + FBlockLength);
        FBlockLength = 0;
    }

    std::vector<std::uint8_t>& FOut;
    std::array<std::uint8_t, kSubBlockSize> FBlock{};
    int FBlockLength = 0;
    std::uint64_t FAcc = 0;
    int FBits = 0;
    int FCodeSize = 0;
};

class TLzwEncoder {
  public:
    TLzwEncoder(std::vector<std::uint8_t>& out, int depth)
        : FPacker(out),
          FInitialCodeSize(depth == 1 ? 3 : depth + 1),
          FClearCode(1u << (FInitialCodeSize - 1)),
          FEndCode(FClearCode + 1),
          FSlots(kHashSlots, 0) {}

    int MinimumCodeSize() const { return FInitialCodeSize - 1; }

    void Start() {
        ResetTable();
        FPacker.EmitCode(FClearCode);
    }

    // One row of pixels; strings run on across row ends.
    template <int Depth>
    void EncodeRow(const std::uint8_t* row, std::int32_t width) {
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t pixel;
            if constexpr (Depth == 8) {
                pixel = row[x];
            } else if constexpr (Depth == 4) {
                pixel = (row[x >> 1] >> ((~x & 1) << 2)) & 0x0F;
            } else {
                pixel = (row[x >> 3] >> (7 - (x & 7))) & 1;
            }
            AddPixel(pixel);
        }
    }

    void Finish() {
        if (FLength > 0) {
            FPacker.EmitCode(FPrefix);
        }
        FPacker.EmitCode(FEndCode);
        FPacker.FinishCodes();
    }

  private:
    void ResetTable() {
        std::fill(FSlots.begin(), FSlots.end(), 0u);
        FFreeCode = FEndCode;
        FCodeSize = FInitialCodeSize;
        FCapacity = 1u << FCodeSize;
        FPacker.SetCodeSize(FCodeSize);
        FLength = 0;
    }

    void AddPixel(std::uint32_t pixel) {
        ++FLength;
        if (FLength == 1) {
            FPrefix = pixel;
            FHash = HashSeed(pixel);
            return;
        }
        FHash = (pixel + FLength + kHashLengthOffset) * FHash % kHashSlots;
        const std::uint32_t key = FPrefix | pixel << kPixelShift;
        std::uint32_t slot = FHash;
        while (FSlots[slot] != 0) {
            if ((FSlots[slot] & kKeyMask) == key) {
                FPrefix = FSlots[slot] >> kCodeShift;
                return;
            }
            slot = slot + 1 == kHashSlots ? 0 : slot + 1;
        }

        FPacker.EmitCode(FPrefix);
        ++FFreeCode;
        FSlots[slot] = key | FFreeCode << kCodeShift;
        FPrefix = pixel;
        FHash = HashSeed(pixel);
        FLength = 1;
        if (FFreeCode >= FCapacity) {
            FCapacity <<= 1;
            FPacker.SetCodeSize(++FCodeSize);
        } else if (FFreeCode >= kLastFreeCode) {
            FPacker.EmitCode(FPrefix);
            FPacker.EmitCode(FClearCode);
            ResetTable();
        }
    }

    TCodePacker FPacker;
    const int FInitialCodeSize;
    const std::uint32_t FClearCode;
    const std::uint32_t FEndCode;
    std::vector<std::uint32_t> FSlots;
    std::uint32_t FFreeCode = 0;
    std::uint32_t FCapacity = 0;
    int FCodeSize = 0;
    std::uint32_t FPrefix = 0;
    std::uint32_t FHash = 0;
    std::uint32_t FLength = 0;
};

void Report(IGIFNotify* progress, TProgressStage stage, int percent, const std::string& message) {
    if (progress != nullptr) {
        progress->Progress(stage, percent, false, message);
    }
}

// Upper bound of the code stream's size, so that it is allocated once: every pixel may cost a
// 12-bit code, each table clear two more, plus the size bytes of the sub-blocks.
std::size_t CodeStreamBound(std::int32_t width, std::int32_t height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t codes = pixels + 2 * (pixels / 256 + 1) + 4;
    const std::size_t bytes = codes * 12 / 8 + 2;
    return 1 + bytes + bytes / kSubBlockSize + 2;
}

}  // namespace

void EncodeRaster(std::vector<std::uint8_t>& codeStream, std::int32_t width, std::int32_t height,
                  int depth, bool interlaced, IGIFNotify* progress, const std::uint8_t* pixels) {
    if (depth != 1 && depth != 4 && depth != 8) {
        RaiseGifError(kMsgEncodingError);
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    static const std::string kNoMessage;
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    try {
        codeStream.reserve(codeStream.size() + CodeStreamBound(width, height));
        TLzwEncoder encoder(codeStream, depth);
        codeStream.push_back(static_cast<std::uint8_t>(encoder.MinimumCodeSize()));
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
        encoder.Finish();
    } catch (const std::exception& error) {
        Report(progress, psEnding, 0, error.what());
        throw;
    }
    Report(progress, psEnding, 100, kNoMessage);
}

}  // namespace gif
