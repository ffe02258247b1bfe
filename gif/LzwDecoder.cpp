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

// The data sub-blocks of a code stream joined into one run of bytes, so that a code is one
// unaligned load. Joining stops in front of a sub-block that claims more bytes than the stream
// holds: the decoder raises only if it actually needs bits from there, as a reader that takes
// sub-blocks one by one would.
class TJoinedCodes {
  public:
    explicit TJoinedCodes(std::span<const std::uint8_t> stream) {
        FBytes.reserve(stream.size() + kPadding);
        std::size_t pos = 1;  // after the minimum code size byte
        while (pos < stream.size()) {
            const std::size_t n = stream[pos++];
            if (n == 0) {
                continue;
            }
            if (stream.size() - pos < n) {
                FShortBlockFollows = true;
                break;
            }
            FBytes.insert(FBytes.end(), stream.begin() + static_cast<std::ptrdiff_t>(pos),
                          stream.begin() + static_cast<std::ptrdiff_t>(pos + n));
            pos += n;
            FBlockEnds.push_back({FBytes.size(), pos});
        }
        FValidBits = std::uint64_t{FBytes.size()} * 8;
        FBytes.resize(FBytes.size() + kPadding, 0);
    }

    const std::uint8_t* Bytes() const { return FBytes.data(); }
    std::uint64_t ValidBits() const { return FValidBits; }
    bool ShortBlockFollows() const { return FShortBlockFollows; }

    // Position in the code stream once the bits before bitPos were read: the sub-block holding
    // the last of them counts as read whole. Calls must come with growing bitPos.
    std::size_t StreamPosition(std::uint64_t bitPos) {
        const std::size_t lastByte = bitPos == 0 ? 0 : static_cast<std::size_t>((bitPos - 1) / 8);
        while (FBlock + 1 < FBlockEnds.size() && FBlockEnds[FBlock].JoinedEnd <= lastByte) {
            ++FBlock;
        }
        return FBlockEnds.empty() ? 1 : FBlockEnds[FBlock].StreamEnd;
    }

  private:
    static constexpr std::size_t kPadding = 8;
    struct TBlockEnd {
        std::size_t JoinedEnd;
        std::size_t StreamEnd;
    };
    std::vector<std::uint8_t> FBytes;
    std::vector<TBlockEnd> FBlockEnds;
    std::size_t FBlock = 0;
    std::uint64_t FValidBits = 0;
    bool FShortBlockFollows = false;
};

// The code table. Besides the prefix and suffix of every code it keeps, for codes defined since
// the last clear code whose whole chain was defined in that time as well, the string's length and
// the string's length: those strings are written straight into the row without a stack. Everything
// else (codes from before a clear, never-defined codes, chains with loops) takes the general walk.
// In 8-bit bitmaps a known string that already stands in one row of the output is copied from
// there instead of walked, which saves a dependent load per pixel. Run holds its address and
// length in one word, so the common short string costs one table load and one 8-byte copy.
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
        : FStreamSize(stream.size()),
          FCodes(stream),
          FProgress(progress),
          FCorrupt(corrupt),
          FPixelMask((1u << frameBits) - 1),
          FAcceptDamaged(acceptDamaged) {}

    void Run(int minCodeSize, std::uint8_t* pixels, std::int32_t width, std::int32_t height,
             int depth, bool interlaced);

  private:
    void ReportProgress(std::uint64_t bitPos) {
        const auto percent = static_cast<int>(FCodes.StreamPosition(bitPos) * 100 / FStreamSize);
        FProgress->Progress(psRunning, percent, false, {});
    }

    std::size_t FStreamSize;
    TJoinedCodes FCodes;
    IGIFNotify* FProgress;
    bool& FCorrupt;
    std::uint32_t FPixelMask;
    bool FAcceptDamaged;
    TCodeTable FTable{};
};

void TLzwDecoder::Run(int minCodeSize, std::uint8_t* const pixels, const std::int32_t width,
                      const std::int32_t height, const int depth, const bool interlaced) {
    const std::uint32_t clearCode = 1u << minCodeSize;
    const std::uint32_t endCode = clearCode + 1;
    const std::uint32_t firstFree = clearCode + 2;
    const int initialCodeSize = minCodeSize + 1;
    const std::uint32_t pixelMask = FPixelMask;
    IGIFNotify* const progress = FProgress;
    std::uint16_t* const prefix = FTable.Prefix;
    std::uint8_t* const suffix = FTable.Suffix;
    std::uint16_t* const length = FTable.Length;
    std::uint64_t* const runs = FTable.Run;
    std::uint8_t* const stack = FTable.Stack;
    // Rows of 1 and 4 bits per pixel are assembled in one reused buffer, so strings can only be
    // copied out of 8-bit bitmaps.
    const bool copyStrings = depth == 8;

    const std::uint8_t* const bytes = FCodes.Bytes();
    const std::uint64_t validBits = FCodes.ValidBits();
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    std::vector<std::uint8_t> rowBuffer(depth == 8 ? 0 : static_cast<std::size_t>(width), 0);

    for (std::uint32_t c = 0; c <= pixelMask; ++c) {
        length[c] = 1;
        runs[c] = MakeRun(kLiteralPixels.data() + c, 1);
    }

    std::uint64_t bitPos = 0;
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
    // Runs out of data: false. Needing bits from a sub-block cut short raises.
    auto nextCode = [&](std::uint32_t& code) {
        if (bitPos + static_cast<unsigned>(codeSize) > validBits) {
            if (FCodes.ShortBlockFollows()) {
                RaiseReadError();
            }
            return false;
        }
        code = static_cast<std::uint32_t>(LoadLe64(bytes + bitPos / 8) >> (bitPos % 8)) & readMask;
        bitPos += static_cast<unsigned>(codeSize);
        return true;
    };
    // Writes the known string of code backwards from its last pixel; returns its first pixel.
    auto writeKnown = [&](std::uint32_t code, std::uint8_t* last) {
        while (code > pixelMask) {
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
            codeSize = initialCodeSize;
            capacity = 1u << codeSize;
            readMask = capacity - 1;
            nextFree = firstFree;
            haveCode = nextCode(code);
            if (!haveCode) {
                break;
            }
            // The code after a clear code is taken as a literal without any further test.
            oldCode = code;
            firstPixel = static_cast<std::uint8_t>(code & pixelMask);
            std::uint8_t* const at = line + column;
            putPixel(firstPixel);
            runStart = column != 0 && code <= pixelMask ? at : nullptr;
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
            std::int32_t stringLength = 0;
            bool kwkwk = false;
            bool slowPath = false;
            if (run != 0 && RunLength(run) <= kChunk && kChunk <= room) {
                // The common case: one load and store. The bytes after the string land on
                // pixels of this row still to come, which overwrite them.
                std::uint64_t chunk;
                std::memcpy(&chunk, RunStart(run), kChunk);
                std::memcpy(dst, &chunk, kChunk);
                firstPixel = FirstByte(chunk);
                runStart = dst;
                column += RunLength(run);
                stringLength = RunLength(run);
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
                stringLength = n;
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
                kwkwk = true;
                stringLength = n;
            } else {
                int depthUsed = 0;
                if (code >= nextFree) {
                    stack[depthUsed++] = firstPixel;
                    code = oldCode;
                }
                while (code > pixelMask) {
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
                slowPath = true;
            }
            if (column == width) {
                finishRow();
            }

            if (!tableFull) {
                const std::uint32_t entry = nextFree;
                prefix[entry] = static_cast<std::uint16_t>(oldCode);
                suffix[entry] = firstPixel;
                // Codes up to the pixel mask stay literals even where the table overlaps them
                // (a colour table larger than the minimum code size says).
                if (entry > pixelMask) {
                    const std::int32_t n = oldLength != 0 ? oldLength + 1 : 0;
                    length[entry] = static_cast<std::uint16_t>(n);
                    // The previous string followed in the same row by this string's first pixel.
                    runs[entry] = n != 0 && copyStrings && previousRun != nullptr
                                      ? MakeRun(previousRun, static_cast<std::uint32_t>(n))
                                      : 0;
                }
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
            if (slowPath) {
                oldLength = known(inCode) ? length[inCode] : 0;
            } else {
                // After the code being defined, only that very code counts as known.
                oldLength = !kwkwk || known(inCode) ? stringLength : 0;
            }
        }
        haveCode = nextCode(code);
        if (progress != nullptr) {
            ReportProgress(bitPos);
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
