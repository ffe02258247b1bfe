#include "gif/LzwDecoder.h"

#include <algorithm>
#include <array>
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
// Strings up to this length are copied with one 8-byte load and store.
constexpr std::int32_t kChunk = 8;

// Every byte value, as the source of literal strings; padded for the chunked copy.
constexpr auto kLiteralPixels = [] {
    std::array<std::uint8_t, 256 + kChunk> bytes{};
    for (int i = 0; i < 256; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    return bytes;
}();

// The code table. Besides the prefix and suffix of every code it keeps the string's length for
// codes defined since the last clear code whose whole chain was defined in that time as well:
// those strings are written straight into the row without a stack. Everything else (codes from
// before a clear, never-defined codes, chains with loops) takes the general walk. In 8-bit
// bitmaps a known string that already stands in one row of the output is copied from there
// instead of walked, which saves a dependent load per pixel; Run holds its address and length in
// one word, so the common short string costs one table load and one 8-byte copy.
struct TCodeTable {
    std::uint16_t Prefix[kTableSize];
    std::uint8_t Suffix[kTableSize];
    std::uint16_t Length[kTableSize];  // 0: no known string
    std::uint64_t Run[kTableSize];     // 0: not in the output
    // One spare entry: the first pixel is pushed after a walk that may have filled the stack.
    std::uint8_t Stack[kStackSize + 1];
};

// A run word: the address of a string in memory in the low bits, its length in the top 16.
// User-space addresses fit in 48 bits on the 64-bit targets the codec is built for.
static_assert(sizeof(void*) == 8, "run words need 64-bit pointers");
constexpr int kRunLengthShift = 48;
constexpr std::uint64_t kRunAddressMask = (std::uint64_t{1} << kRunLengthShift) - 1;

std::uint64_t MakeRun(const std::uint8_t* start, std::uint32_t length) {
    return reinterpret_cast<std::uintptr_t>(start) | std::uint64_t{length} << kRunLengthShift;
}

const std::uint8_t* RunStart(std::uint64_t run) {
    return reinterpret_cast<const std::uint8_t*>(
        static_cast<std::uintptr_t>(run & kRunAddressMask));
}

std::int32_t RunLength(std::uint64_t run) {
    return static_cast<std::int32_t>(run >> kRunLengthShift);
}

std::uint64_t LoadLe64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap64(v);
    }
    return v;
}

// The byte that came first in memory of a word loaded with memcpy.
std::uint8_t FirstByte(std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::big) {
        return static_cast<std::uint8_t>(word >> 56);
    }
    return static_cast<std::uint8_t>(word);
}

// Packs a row of one byte per pixel into 1 or 4 bits per pixel.
void PackRow(const std::uint8_t* in, std::uint8_t* out, std::int32_t width, int depth) {
    if (depth == 4) {
        for (std::int32_t x = 0; x + 1 < width; x += 2) {
            out[x / 2] = static_cast<std::uint8_t>(in[x] << 4 | in[x + 1]);
        }
        if (width % 2 != 0) {
            out[width / 2] = static_cast<std::uint8_t>(in[width - 1] << 4);
        }
        return;
    }
    for (std::int32_t x = 0; x < width; x += 8) {
        std::uint8_t byte = 0;
        for (std::int32_t bit = 0; bit < 8 && x + bit < width; ++bit) {
            byte |= static_cast<std::uint8_t>(in[x + bit] << (7 - bit));
        }
        out[x / 8] = byte;
    }
}

// One decode. The loop keeps all of its state in locals: pixel stores go through a byte pointer,
// which may alias anything in memory, so state kept in members would be reloaded after each one.
class TLzwDecoder {
  public:
    TLzwDecoder(std::span<const std::uint8_t> stream, IGIFNotify* progress, bool& corrupt,
                int frameBits, bool acceptDamaged)
        : FStream(stream),
          FProgress(progress),
          FCorrupt(corrupt),
          FPixelMask((1u << frameBits) - 1),
          FAcceptDamaged(acceptDamaged) {}

    void Run(int minCodeSize, std::uint8_t* pixels, std::int32_t width, std::int32_t height,
             int depth, bool interlaced);

  private:
    // position: in the code stream, with the current sub-block counted as read whole.
    void ReportProgress(std::size_t position) {
        const auto percent = static_cast<int>(position * 100 / FStream.size());
        FProgress->Progress(psRunning, percent, false, {});
    }

    std::span<const std::uint8_t> FStream;
    IGIFNotify* FProgress;
    bool& FCorrupt;
    std::uint32_t FPixelMask;
    bool FAcceptDamaged;
    // Filled in Run: only what is read before it is written (see there).
    TCodeTable FTable;
};

void TLzwDecoder::Run(int minCodeSize, std::uint8_t* const pixels, const std::int32_t width,
                      const std::int32_t height, const int depth, const bool interlaced) {
    const std::uint32_t clearCode = 1u << minCodeSize;
    const std::uint32_t endCode = clearCode + 1;
    const std::uint32_t firstFree = clearCode + 2;
    const int initialCodeSize = minCodeSize + 1;
    const std::uint32_t pixelMask = FPixelMask;
    // Literals are the codes up to the pixel mask, but never the clear code or beyond: a code
    // size smaller than the colour table (which encoders write when few colours are used) still
    // puts the table's codes above the end code.
    const std::uint32_t literalMax = std::min(pixelMask, clearCode - 1);
    IGIFNotify* const progress = FProgress;
    std::uint16_t* const prefix = FTable.Prefix;
    std::uint8_t* const suffix = FTable.Suffix;
    std::uint16_t* const length = FTable.Length;
    std::uint64_t* const runs = FTable.Run;
    std::uint8_t* const stack = FTable.Stack;
    // Rows of 1 and 4 bits per pixel are assembled in one reused buffer, so strings can only be
    // copied out of 8-bit bitmaps.
    const bool copyStrings = depth == 8;

    const std::uint8_t* const data = FStream.data();
    const std::size_t size = FStream.size();
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    std::vector<std::uint8_t> rowBuffer(depth == 8 ? 0 : static_cast<std::size_t>(width), 0);

    // Never-defined codes are looked up in zeroed prefix and suffix tables. Length and run are read
    // only below the next free code: literals, the unused codes up to the clear code and the end
    // code; every code above is written before it is read.
    std::memset(prefix, 0, sizeof FTable.Prefix);
    std::memset(suffix, 0, sizeof FTable.Suffix);
    for (std::uint32_t c = 0; c < firstFree; ++c) {
        const bool literal = c <= literalMax;
        length[c] = literal ? 1 : 0;
        runs[c] = literal ? MakeRun(kLiteralPixels.data() + c, 1) : 0;
    }

    // Codes are read least significant bit first through a bit accumulator, straight from the
    // sub-blocks; a sub-block is taken up only when a code needs its bits, so one that claims
    // more bytes than the stream holds raises only then.
    std::size_t pos = 1;  // after the minimum code size byte
    std::size_t blockLeft = 0;
    std::uint64_t acc = 0;
    int bits = 0;
    int codeSize = initialCodeSize;
    std::uint32_t readMask = (1u << codeSize) - 1;
    std::uint32_t capacity = 1u << codeSize;
    std::uint32_t nextFree = firstFree;
    std::uint32_t oldCode = 0;
    // Length of the previous string while its code counts as known, else 0.
    std::int32_t oldLength = 0;
    std::uint8_t firstPixel = 0;
    bool tableFull = false;
    bool corrupt = FCorrupt;

    std::int32_t row = 0;
    std::int32_t column = 0;
    int pass = 0;
    auto lineFor = [&](std::int32_t r) {
        return depth == 8 ? pixels + static_cast<std::size_t>(height - 1 - r) * stride
                          : rowBuffer.data();
    };
    std::uint8_t* line = lineFor(0);
    // Start of the last string written if it stands in one row and that row goes on after it.
    const std::uint8_t* runStart = nullptr;

    auto finishRow = [&] {
        if (depth != 8) {
            PackRow(rowBuffer.data(), pixels + static_cast<std::size_t>(height - 1 - row) * stride,
                    width, depth);
            std::memset(rowBuffer.data(), 0, rowBuffer.size());
        }
        column = 0;
        runStart = nullptr;
        row = interlaced ? NextInterlacedRow(row, height, pass) : row + 1;
        if (row < height) {
            line = lineFor(row);
        }
    };
    auto putPixel = [&](std::uint8_t value) {
        if (row >= height) {
            return;
        }
        line[column] = value;
        if (++column == width) {
            finishRow();
        }
    };
    // Fills the accumulator up to a whole code; false when the data run out first.
    auto refill = [&] {
        while (bits < codeSize) {
            if (blockLeft == 0) {
                if (pos >= size) {
                    return false;
                }
                const std::size_t n = data[pos++];
                if (n == 0) {
                    continue;
                }
                if (size - pos < n) {
                    RaiseReadError();
                }
                blockLeft = n;
            }
            const std::size_t take =
                std::min(static_cast<std::size_t>(kAccumulatorBits - 1 - bits) / 8, blockLeft);
            std::uint64_t word = 0;
            if (size - pos >= sizeof word) {
                word = LoadLe64(data + pos) & ((std::uint64_t{1} << (8 * take)) - 1);
            } else {
                for (std::size_t i = 0; i < take; ++i) {
                    word |= std::uint64_t{data[pos + i]} << (8 * i);
                }
            }
            acc |= word << bits;
            bits += static_cast<int>(8 * take);
            pos += take;
            blockLeft -= take;
        }
        return true;
    };
    // Runs out of data: false. Needing bits from a sub-block cut short raises.
    auto nextCode = [&](std::uint32_t& code) {
        if (bits < codeSize && !refill()) {
            return false;
        }
        code = static_cast<std::uint32_t>(acc) & readMask;
        acc >>= codeSize;
        bits -= codeSize;
        return true;
    };
    // Writes the known string of code backwards from its last pixel; returns its first pixel.
    auto writeKnown = [&](std::uint32_t code, std::uint8_t* last) {
        while (code > literalMax) {
            *last-- = suffix[code];
            code = prefix[code];
        }
        *last = static_cast<std::uint8_t>(code);
        return static_cast<std::uint8_t>(code);
    };
    auto known = [&](std::uint32_t code) { return code < nextFree && length[code] != 0; };

    std::uint32_t code = 0;
    bool haveCode = nextCode(code);
    while (haveCode && code != endCode && row < height) {
        if (code == clearCode) {
            // A clear code right after a clear code resets again and writes nothing: two in a
            // row are legal, and taking the second as a literal would shift the picture.
            do {
                codeSize = initialCodeSize;
                capacity = 1u << codeSize;
                readMask = capacity - 1;
                nextFree = firstFree;
                haveCode = nextCode(code);
            } while (haveCode && code == clearCode);
            if (!haveCode) {
                break;
            }
            // Any other code after a clear code is taken as a literal without any further test.
            oldCode = code;
            firstPixel = static_cast<std::uint8_t>(code & pixelMask);
            std::uint8_t* const at = line + column;
            putPixel(firstPixel);
            runStart = column != 0 && code <= literalMax ? at : nullptr;
            oldLength = known(code) ? 1 : 0;
            tableFull = false;
        } else {
            if (corrupt) {
                break;
            }
            const std::uint32_t inCode = code;
            const std::uint8_t* const previousRun = runStart;
            std::uint8_t* const dst = line + column;
            const std::int32_t room = width - column;
            const std::uint64_t run = code < nextFree ? runs[code] : 0;
            // What oldLength becomes after this step; -1: look it up once the table has grown.
            std::int32_t nextOldLength = -1;
            if (run != 0 && RunLength(run) <= kChunk && kChunk <= room) {
                // The common case: one load and store. The bytes after the string land on
                // pixels of this row still to come, which overwrite them.
                std::uint64_t chunk;
                std::memcpy(&chunk, RunStart(run), kChunk);
                std::memcpy(dst, &chunk, kChunk);
                firstPixel = FirstByte(chunk);
                runStart = dst;
                column += RunLength(run);
                nextOldLength = RunLength(run);
            } else if (known(code) && length[code] <= room) {
                const std::int32_t n = length[code];
                if (run != 0) {
                    std::memcpy(dst, RunStart(run), static_cast<std::size_t>(n));
                    firstPixel = dst[0];
                } else {
                    firstPixel = writeKnown(code, dst + n - 1);
                }
                runStart = dst;
                column += n;
                nextOldLength = n;
            } else if (code >= nextFree && oldLength != 0 && oldLength < room) {
                // The code being defined right now: the previous string plus its first pixel.
                const std::int32_t n = oldLength + 1;
                if (previousRun != nullptr) {
                    std::memcpy(dst, previousRun, static_cast<std::size_t>(n - 1));
                } else {
                    writeKnown(oldCode, dst + n - 2);
                }
                dst[n - 1] = firstPixel;
                runStart = dst;
                column += n;
                // Known afterwards only if it is the very code that this step defines.
                nextOldLength = code == nextFree ? n : 0;
            } else {
                int depthUsed = 0;
                if (code >= nextFree) {
                    stack[depthUsed++] = firstPixel;
                    code = oldCode;
                }
                while (code > literalMax) {
                    if (depthUsed > kTableSize) {
                        if (!FAcceptDamaged) {
                            RaiseGifError(kMsgCorruptData);
                        }
                        corrupt = true;
                        break;
                    }
                    stack[depthUsed++] = suffix[code];
                    code = prefix[code];
                }
                if (corrupt) {
                    break;
                }
                firstPixel = static_cast<std::uint8_t>(code & pixelMask);
                stack[depthUsed++] = firstPixel;
                while (depthUsed > 0) {
                    putPixel(stack[--depthUsed]);
                }
                runStart = nullptr;
            }
            if (column == width) {
                finishRow();
            }

            if (!tableFull) {
                const std::uint32_t entry = nextFree;
                prefix[entry] = static_cast<std::uint16_t>(oldCode);
                suffix[entry] = firstPixel;
                const std::int32_t n = oldLength != 0 ? oldLength + 1 : 0;
                length[entry] = static_cast<std::uint16_t>(n);
                // The previous string followed in the same row by this string's first pixel.
                runs[entry] = n != 0 && copyStrings && previousRun != nullptr
                                  ? MakeRun(previousRun, static_cast<std::uint32_t>(n))
                                  : 0;
                if (++nextFree == capacity) {
                    // Deferred clear: a full table stays in use, codes stay 12 bits wide.
                    if (codeSize >= kMaxCodeBits) {
                        tableFull = true;
                    } else {
                        ++codeSize;
                        capacity <<= 1;
                        readMask = capacity - 1;
                    }
                }
            }
            oldCode = inCode;
            if (nextOldLength >= 0) {
                oldLength = nextOldLength;
            } else {
                oldLength = known(inCode) ? length[inCode] : 0;
            }
        }
        haveCode = nextCode(code);
        if (progress != nullptr) {
            ReportProgress(pos + blockLeft);
        }
    }
    if (row < height) {
        // Bytes that a chunked copy put after the last string.
        std::memset(line + column, 0, static_cast<std::size_t>(std::min(width - column, kChunk)));
        if (depth != 8 && column > 0) {
            PackRow(rowBuffer.data(), pixels + static_cast<std::size_t>(height - 1 - row) * stride,
                    width, depth);
        }
    }
    // Data that run out before the last row leave the rest at index 0; the frame counts as damaged.
    if (!haveCode && row < height) {
        corrupt = true;
    }
    FCorrupt = corrupt;
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
            auto decoder = std::make_unique<TLzwDecoder>(codeStream, progress, corrupt, frameBits,
                                                         acceptDamaged);
            decoder->Run(minCodeSize, pixels, width, height, bitsPerPixel, interlaced);
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
