#include "gif/LzwDecoder.h"

#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "gif/GIFErrors.h"

namespace gif {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;
constexpr int kStackSize = kTableSize + 1;
constexpr int kMinCodeSizeLow = 2;
constexpr int kMinCodeSizeHigh = 9;
constexpr std::int32_t kInterlaceRowSteps[4] = {8, 8, 4, 2};
constexpr int kAccumulatorBits = 64;

// Reads codes least significant bit first across the data sub-blocks of a code stream. Bytes are
// taken from a sub-block only as codes need them, so a sub-block that claims more bytes than the
// stream holds raises exactly when the decoder reaches it.
class TCodeReader {
  public:
    TCodeReader(std::span<const std::uint8_t> stream, std::size_t position)
        : FData(stream.data()), FSize(stream.size()), FPos(position) {}

    void SetCodeSize(int bits) {
        FCodeSize = bits;
        FReadMask = (1u << bits) - 1;
    }

    // False when the stream has no more data for a whole code; buffered bits are never
    // stretched beyond what was read.
    bool NextCode(std::uint32_t& code) {
        if (FBits < FCodeSize && !Refill()) {
            return false;
        }
        code = static_cast<std::uint32_t>(FAcc) & FReadMask;
        FAcc >>= FCodeSize;
        FBits -= FCodeSize;
        return true;
    }

    // Stream position as seen by progress: the current sub-block counts as read whole.
    std::size_t Position() const { return FPos + FBlockLeft; }

  private:
    bool Refill() {
        while (FBits < FCodeSize) {
            if (FBlockLeft == 0) {
                if (FPos >= FSize) {
                    return false;
                }
                const std::size_t n = FData[FPos++];
                if (n == 0) {
                    continue;
                }
                if (FSize - FPos < n) {
                    RaiseReadError();
                }
                FBlockLeft = n;
            }
            const std::size_t room = static_cast<std::size_t>(kAccumulatorBits - 1 - FBits) / 8;
            const std::size_t take = room < FBlockLeft ? room : FBlockLeft;
            if (take == 0) {
                continue;
            }
            std::uint64_t bytes = 0;
            if (FSize - FPos >= sizeof bytes) {
                std::memcpy(&bytes, FData + FPos, sizeof bytes);
                bytes = le64(bytes) & ((std::uint64_t{1} << (8 * take)) - 1);
            } else {
                for (std::size_t i = 0; i < take; ++i) {
                    bytes |= std::uint64_t{FData[FPos + i]} << (8 * i);
                }
            }
            FAcc |= bytes << FBits;
            FBits += static_cast<int>(8 * take);
            FPos += take;
            FBlockLeft -= take;
        }
        return true;
    }

    static std::uint64_t le64(std::uint64_t v) {
        if constexpr (std::endian::native == std::endian::big) {
            return __builtin_bswap64(v);
        }
        return v;
    }

    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos;
    std::size_t FBlockLeft = 0;
    std::uint64_t FAcc = 0;
    int FBits = 0;
    int FCodeSize = 0;
    std::uint32_t FReadMask = 0;
};

// Places decoded pixels: one row at a time as bytes, straight into the bitmap for 8 bits per
// pixel, packed into it at the row's end for 1 and 4 bits.
class TPixelWriter {
  public:
    TPixelWriter(std::uint8_t* pixels, std::int32_t width, std::int32_t height, int depth,
                 bool interlaced)
        : FPixels(pixels),
          FWidth(width),
          FHeight(height),
          FDepth(depth),
          FInterlaced(interlaced),
          FStride((static_cast<std::size_t>(width) * depth + 31) / 32 * 4) {
        if (depth != 8) {
            FRowBuffer.assign(static_cast<std::size_t>(width), 0);
        }
        FLine = LineFor(0);
    }

    bool Done() const { return FRow >= FHeight; }
    std::int32_t RoomInRow() const { return FWidth - FColumn; }
    std::uint8_t* Cursor() { return FLine + FColumn; }

    void PutPixel(std::uint8_t value) {
        if (Done()) {
            return;
        }
        FLine[FColumn] = value;
        if (++FColumn == FWidth) {
            FinishRow();
        }
    }

    // After count pixels were written at Cursor(), all within the row.
    void Advance(std::int32_t count) {
        FColumn += count;
        if (FColumn == FWidth) {
            FinishRow();
        }
    }

    // Packs a partly written last row.
    void Flush() {
        if (FDepth != 8 && FColumn > 0 && !Done()) {
            PackRow();
        }
    }

  private:
    std::uint8_t* BitmapRow(std::int32_t row) {
        return FPixels + static_cast<std::size_t>(FHeight - 1 - row) * FStride;
    }

    std::uint8_t* LineFor(std::int32_t row) {
        return FDepth == 8 ? BitmapRow(row) : FRowBuffer.data();
    }

    void PackRow() {
        std::uint8_t* out = BitmapRow(FRow);
        const std::uint8_t* in = FRowBuffer.data();
        if (FDepth == 4) {
            for (std::int32_t x = 0; x + 1 < FWidth; x += 2) {
                out[x / 2] = static_cast<std::uint8_t>(in[x] << 4 | in[x + 1]);
            }
            if (FWidth % 2 != 0) {
                out[FWidth / 2] = static_cast<std::uint8_t>(in[FWidth - 1] << 4);
            }
        } else {
            for (std::int32_t x = 0; x < FWidth; x += 8) {
                std::uint8_t byte = 0;
                for (std::int32_t bit = 0; bit < 8 && x + bit < FWidth; ++bit) {
                    byte |= static_cast<std::uint8_t>(in[x + bit] << (7 - bit));
                }
                out[x / 8] = byte;
            }
        }
        std::memset(FRowBuffer.data(), 0, FRowBuffer.size());
    }

    void FinishRow() {
        if (FDepth != 8) {
            PackRow();
        }
        FColumn = 0;
        FRow = FInterlaced ? NextInterlacedRow(FRow, FHeight, FPass) : FRow + 1;
        if (!Done()) {
            FLine = LineFor(FRow);
        }
    }

    std::uint8_t* FPixels;
    std::int32_t FWidth;
    std::int32_t FHeight;
    int FDepth;
    bool FInterlaced;
    std::size_t FStride;
    std::int32_t FColumn = 0;
    std::int32_t FRow = 0;
    int FPass = 0;
    std::uint8_t* FLine = nullptr;
    std::vector<std::uint8_t> FRowBuffer;
};

// The code table. Besides the prefix and suffix of every code it keeps, for codes defined since
// the last clear code whose whole chain was defined in that time as well, the string's length and
// first pixel: those strings are written straight into the row without a stack. Everything else
// (codes from before a clear, never-defined codes, chains with loops) takes the general walk.
struct TCodeTable {
    std::uint16_t Prefix[kTableSize];
    std::uint8_t Suffix[kTableSize];
    std::uint8_t First[kTableSize];
    std::uint16_t Length[kTableSize];  // 0: no known string
    // One spare entry: the first pixel is pushed after a walk that may have filled the stack.
    std::uint8_t Stack[kStackSize + 1];
};

class TLzwDecoder {
  public:
    TLzwDecoder(std::span<const std::uint8_t> stream, TPixelWriter& writer, IGIFNotify* progress,
                bool& corrupt, int frameBits, bool acceptDamaged)
        : FStream(stream),
          FReader(stream, 1),
          FWriter(writer),
          FProgress(progress),
          FCorrupt(corrupt),
          FPixelMask((1u << frameBits) - 1),
          FAcceptDamaged(acceptDamaged) {}

    void Run(int minCodeSize);

  private:
    void ReportProgress() {
        if (FProgress != nullptr && !FStream.empty()) {
            const auto percent = static_cast<int>(FReader.Position() * 100 / FStream.size());
            FProgress->Progress(psRunning, percent, false, {});
        }
    }

    bool Known(std::uint32_t code) const { return code < FNextFree && FTable.Length[code] != 0; }

    // Writes the known string of code backwards from its last pixel; returns its first pixel.
    std::uint8_t WriteKnown(std::uint32_t code, std::uint8_t* last) {
        while (code > FPixelMask) {
            *last-- = FTable.Suffix[code];
            code = FTable.Prefix[code];
        }
        *last = static_cast<std::uint8_t>(code);
        return static_cast<std::uint8_t>(code);
    }

    bool DecodeString(std::uint32_t code);
    bool DecodeWithStack(std::uint32_t code);
    void AddEntry();

    std::span<const std::uint8_t> FStream;
    TCodeReader FReader;
    TPixelWriter& FWriter;
    IGIFNotify* FProgress;
    bool& FCorrupt;
    std::uint32_t FPixelMask;
    bool FAcceptDamaged;

    int FInitialCodeSize = 0;
    int FCodeSize = 0;
    std::uint32_t FCapacity = 0;
    std::uint32_t FClearCode = 0;
    std::uint32_t FEndCode = 0;
    std::uint32_t FFirstFree = 0;
    std::uint32_t FNextFree = 0;
    std::uint32_t FOldCode = 0;
    std::uint8_t FFirstPixel = 0;
    bool FTableFull = false;
    TCodeTable FTable{};
};

void TLzwDecoder::Run(int minCodeSize) {
    FInitialCodeSize = minCodeSize + 1;
    FClearCode = 1u << minCodeSize;
    FEndCode = FClearCode + 1;
    FFirstFree = FClearCode + 2;
    FNextFree = FFirstFree;
    FCodeSize = FInitialCodeSize;
    FCapacity = 1u << FCodeSize;
    FReader.SetCodeSize(FCodeSize);
    for (std::uint32_t c = 0; c <= FPixelMask; ++c) {
        FTable.First[c] = static_cast<std::uint8_t>(c);
        FTable.Length[c] = 1;
    }

    std::uint32_t code = 0;
    bool haveCode = FReader.NextCode(code);
    while (haveCode && code != FEndCode && !FWriter.Done()) {
        if (code == FClearCode) {
            FCodeSize = FInitialCodeSize;
            FCapacity = 1u << FCodeSize;
            FReader.SetCodeSize(FCodeSize);
            FNextFree = FFirstFree;
            if (!FReader.NextCode(code)) {
                haveCode = false;
                break;
            }
            // The code after a clear code is taken as a literal without any further test.
            FOldCode = code;
            FFirstPixel = static_cast<std::uint8_t>(code & FPixelMask);
            FWriter.PutPixel(FFirstPixel);
            FTableFull = false;
        } else {
            if (FCorrupt || !DecodeString(code)) {
                break;
            }
            AddEntry();
            FOldCode = code;
        }
        haveCode = FReader.NextCode(code);
        ReportProgress();
    }
    FWriter.Flush();
    // Data that run out before the last row leave the rest at index 0; the frame counts as damaged.
    if (!haveCode && !FWriter.Done()) {
        FCorrupt = true;
    }
}

// Writes the string of a code that is not a clear code; false when the data turned out corrupt.
bool TLzwDecoder::DecodeString(std::uint32_t code) {
    if (Known(code)) {
        const std::int32_t length = FTable.Length[code];
        if (length <= FWriter.RoomInRow()) {
            FFirstPixel = WriteKnown(code, FWriter.Cursor() + length - 1);
            FWriter.Advance(length);
            return true;
        }
    } else if (code >= FNextFree && Known(FOldCode)) {
        // The code being defined right now: the previous string plus its own first pixel.
        const std::int32_t length = FTable.Length[FOldCode] + 1;
        if (length <= FWriter.RoomInRow()) {
            std::uint8_t* last = FWriter.Cursor() + length - 1;
            *last = FFirstPixel;
            FFirstPixel = WriteKnown(FOldCode, last - 1);
            FWriter.Advance(length);
            return true;
        }
    }
    return DecodeWithStack(code);
}

bool TLzwDecoder::DecodeWithStack(std::uint32_t code) {
    std::uint8_t* const stack = FTable.Stack;
    int depth = 0;
    if (code >= FNextFree) {
        stack[depth++] = FFirstPixel;
        code = FOldCode;
    }
    while (code > FPixelMask) {
        if (depth > kTableSize) {
            if (!FAcceptDamaged) {
                RaiseGifError(kMsgCorruptData);
            }
            FCorrupt = true;
            return false;
        }
        stack[depth++] = FTable.Suffix[code];
        code = FTable.Prefix[code];
    }
    FFirstPixel = static_cast<std::uint8_t>(code & FPixelMask);
    stack[depth++] = FFirstPixel;
    while (depth > 0) {
        FWriter.PutPixel(stack[--depth]);
    }
    return true;
}

void TLzwDecoder::AddEntry() {
    if (FTableFull) {
        return;
    }
    const std::uint32_t entry = FNextFree;
    FTable.Prefix[entry] = static_cast<std::uint16_t>(FOldCode);
    FTable.Suffix[entry] = FFirstPixel;
    // Codes up to the pixel mask stay literals even where the table overlaps them (a table
    // larger than the minimum code size says).
    if (entry > FPixelMask) {
        const bool known = Known(FOldCode);
        FTable.Length[entry] =
            known ? static_cast<std::uint16_t>(FTable.Length[FOldCode] + 1) : std::uint16_t{0};
        FTable.First[entry] = known ? FTable.First[FOldCode] : std::uint8_t{0};
    }
    ++FNextFree;
    if (FNextFree == FCapacity) {
        // Deferred clear: a full table stays in use, codes stay 12 bits wide.
        if (FCodeSize >= kMaxCodeBits) {
            FTableFull = true;
        } else {
            ++FCodeSize;
            FCapacity <<= 1;
            FReader.SetCodeSize(FCodeSize);
        }
    }
}

}  // namespace

std::int32_t NextInterlacedRow(std::int32_t row, std::int32_t height, int& pass) {
    row += kInterlaceRowSteps[pass];
    if (row < height) {
        return row;
    }
    if (pass == 0) {
        pass = 1;
        if (height > 4) {
            return 4;
        }
    }
    if (pass == 1) {
        pass = 2;
        if (height > 2) {
            return 2;
        }
    }
    if (pass == 2) {
        pass = 3;
        return 1;
    }
    return row;
}

void DecodeRaster(std::span<const std::uint8_t> codeStream, std::int32_t width, std::int32_t height,
                  int bitsPerPixel, bool interlaced, IGIFNotify* progress, bool& corrupt,
                  std::uint8_t* pixels, int frameBits, bool acceptDamaged) {
    if (progress != nullptr) {
        progress->Progress(psStarting, 0, false, {});
    }
    try {
        if (codeStream.empty()) {
            RaiseReadError();
        }
        int minCodeSize = codeStream[0];
        if (minCodeSize < kMinCodeSizeLow || minCodeSize > kMinCodeSizeHigh) {
            if (!acceptDamaged) {
                RaiseGifError(kMsgCodeSizeRange);
            }
            // With the flag set, decoding ends at the first code that is neither a clear code
            // nor the literal after one.
            corrupt = true;
            minCodeSize = minCodeSize < kMinCodeSizeLow ? kMinCodeSizeLow : kMinCodeSizeHigh;
        }
        if (width > 0 && height > 0) {
            TPixelWriter writer(pixels, width, height, bitsPerPixel, interlaced);
            auto decoder = std::make_unique<TLzwDecoder>(codeStream, writer, progress, corrupt,
                                                         frameBits, acceptDamaged);
            decoder->Run(minCodeSize);
        }
    } catch (const std::exception& error) {
        if (progress != nullptr) {
            progress->Progress(psEnding, 0, false, error.what());
        }
        throw;
    }
    if (progress != nullptr) {
        progress->Progress(psEnding, 100, false, {});
    }
}

}  // namespace gif
