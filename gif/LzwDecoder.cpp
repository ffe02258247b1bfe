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

#define LZW_INLINE [[gnu::always_inline]] inline

// A run word: where a string stands, as an offset from the start of the frame's pixels (or, for
// a literal, of kLiteralPixels: flag bit 47), with its length in the top 16 bits. 0: the string is
// not in the output.
constexpr int kRunLengthShift = 48;
constexpr std::uint64_t kRunLiteral = std::uint64_t{1} << 47;
constexpr std::uint64_t kRunOffsetMask = kRunLiteral - 1;

// Every byte value, as the source of literal strings; padded for the chunked copy.
constexpr auto kLiteralPixels = [] {
    std::array<std::uint8_t, 256 + kChunk> bytes{};
    for (int i = 0; i < 256; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    return bytes;
}();

LZW_INLINE std::uint64_t MakeRun(std::size_t offset, std::uint32_t length) {
    return std::uint64_t{offset} | std::uint64_t{length} << kRunLengthShift;
}

LZW_INLINE std::int32_t RunLength(std::uint64_t run) {
    return static_cast<std::int32_t>(run >> kRunLengthShift);
}

LZW_INLINE const std::uint8_t* RunStart(std::uint64_t run, const std::uint8_t* pixels) {
    const std::uint8_t* base = (run & kRunLiteral) != 0 ? kLiteralPixels.data() : pixels;
    return base + static_cast<std::size_t>(run & kRunOffsetMask);
}

LZW_INLINE std::uint64_t LoadLe64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap64(v);
    }
    return v;
}

// The code table. Besides the prefix and suffix of every code it keeps the string's length for
// codes defined since the last clear code whose whole chain was defined in that time as well:
// those strings are written straight into the row without a stack. Everything else (codes from
// before a clear, never-defined codes, chains with loops) takes the general walk. In 8-bit
// bitmaps a known string that already stands in one row of the output is copied from there
// instead of walked, which saves a dependent load per pixel; its run word holds where and how
// long, so the common short string costs one table load and one 8-byte copy.
struct TCodeTable {
    std::uint16_t Prefix[kTableSize];
    std::uint8_t Suffix[kTableSize];
    std::uint16_t Length[kTableSize];  // 0: no known string
    std::uint64_t Run[kTableSize];     // 0: not in the output
    // One spare entry: the first pixel is pushed after a walk that may have filled the stack.
    std::uint8_t Stack[kStackSize + 1];
};

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

// Codes least significant bit first through a 64-bit accumulator, straight from the sub-blocks.
// A sub-block is taken up only when a code needs its bits, so one that claims more bytes than
// the stream holds raises only then.
struct TBitReader {
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos = 1;  // after the minimum code size byte
    std::size_t BlockLeft = 0;
    std::uint64_t Acc = 0;
    int Bits = 0;

    // Fills the accumulator up to a whole code; false when the data run out first.
    LZW_INLINE bool Refill(int codeSize) {
        while (Bits < codeSize) {
            if (BlockLeft == 0) {
                if (Pos >= Size) {
                    return false;
                }
                const std::size_t n = Data[Pos++];
                if (n == 0) {
                    continue;
                }
                if (Size - Pos < n) {
                    RaiseReadError();
                }
                BlockLeft = n;
            }
            const std::size_t take =
                std::min(static_cast<std::size_t>(kAccumulatorBits - 1 - Bits) / 8, BlockLeft);
            std::uint64_t word = 0;
            if (Size - Pos >= sizeof word) {
                word = LoadLe64(Data + Pos) & ((std::uint64_t{1} << (8 * take)) - 1);
            } else {
                for (std::size_t i = 0; i < take; ++i) {
                    word |= std::uint64_t{Data[Pos + i]} << (8 * i);
                }
            }
            Acc |= word << Bits;
            Bits += static_cast<int>(8 * take);
            Pos += take;
            BlockLeft -= take;
        }
        return true;
    }

    // False when the data run out; needing bits from a sub-block cut short raises.
    LZW_INLINE bool Next(std::uint32_t& code, int codeSize, std::uint32_t readMask) {
        if (Bits < codeSize && !Refill(codeSize)) {
            return false;
        }
        code = static_cast<std::uint32_t>(Acc) & readMask;
        Acc >>= codeSize;
        Bits -= codeSize;
        return true;
    }

    // The code stream taken up so far, the current sub-block counted whole.
    std::size_t Consumed() const { return Pos + BlockLeft; }
};

// The rows of the bitmap in the order codes fill them: top to bottom or in interlace passes.
// 8-bit rows are written in place; rows of 1 and 4 bits are assembled a byte per pixel in one
// reused buffer and packed when done.
struct TRowWriter {
    std::uint8_t* Pixels;
    std::int32_t Width;
    std::int32_t Height;
    int Depth;
    std::size_t Stride;
    bool Interlaced;
    std::uint8_t* RowBuffer;  // for 1 and 4 bits
    std::int32_t Row = 0;
    std::int32_t Column = 0;
    int Pass = 0;
    std::uint8_t* Line = nullptr;
    // Start of the last string written if it stands in one row and that row goes on after it.
    const std::uint8_t* RunStart = nullptr;

    LZW_INLINE std::uint8_t* LineFor(std::int32_t row) const {
        return Depth == 8 ? Pixels + static_cast<std::size_t>(Height - 1 - row) * Stride
                          : RowBuffer;
    }
    LZW_INLINE bool Done() const { return Row >= Height; }
    LZW_INLINE std::uint8_t* At() const { return Line + Column; }
    LZW_INLINE std::int32_t Room() const { return Width - Column; }

    LZW_INLINE void PackLine() const {
        PackRow(RowBuffer, Pixels + static_cast<std::size_t>(Height - 1 - Row) * Stride, Width,
                Depth);
    }
    LZW_INLINE void FinishRow() {
        if (Depth != 8) {
            PackLine();
            std::memset(RowBuffer, 0, static_cast<std::size_t>(Width));
        }
        Column = 0;
        RunStart = nullptr;
        if (Interlaced) {
            // Through a copy: the address of a field would keep the whole state in memory.
            int pass = Pass;
            Row = NextInterlacedRow(Row, Height, pass);
            Pass = pass;
        } else {
            ++Row;
        }
        if (Row < Height) {
            Line = LineFor(Row);
        }
    }
    // Pixels beyond the image are dropped.
    LZW_INLINE void Put(std::uint8_t value) {
        if (Row >= Height) {
            return;
        }
        Line[Column] = value;
        if (++Column == Width) {
            FinishRow();
        }
    }
    // After a string of n pixels written at At().
    LZW_INLINE void Advance(std::int32_t n) {
        Column += n;
        if (Column == Width) {
            FinishRow();
        }
    }
    // The last row as far as it was written.
    LZW_INLINE void Flush() {
        if (Row < Height) {
            // Bytes that a chunked copy put after the last string.
            std::memset(Line + Column, 0,
                        static_cast<std::size_t>(std::min(Width - Column, kChunk)));
            if (Depth != 8 && Column > 0) {
                PackLine();
            }
        }
    }
};

// The codes of one frame's code stream, fixed for the whole decode.
struct TCodes {
    std::uint32_t Clear;
    std::uint32_t End;
    std::uint32_t FirstFree;
    int InitialCodeSize;
    std::uint32_t PixelMask;
    // Literals are the codes up to the pixel mask, but never the clear code or beyond: a code
    // size smaller than the colour table (which encoders write when few colours are used) still
    // puts the table's codes above the end code.
    std::uint32_t LiteralMax;
    bool AcceptDamaged;
};

// The string table's state between codes.
struct TLzwState {
    int CodeSize;
    std::uint32_t ReadMask;
    std::uint32_t Capacity;
    std::uint32_t NextFree;
    std::uint32_t OldCode = 0;
    // Length of the previous string while its code counts as known, else 0.
    std::int32_t OldLength = 0;
    std::uint8_t FirstPixel = 0;
    bool TableFull = false;
    bool Corrupt = false;
};

// One decode: the codes, the bit reader, the row writer and the table state in one struct, held
// in a local of Run. Its parts are worked on only by inlined functions, so the compiler keeps
// their fields in registers; as members of an object they would be reloaded after every pixel
// store, which may alias anything in memory.
struct TDecodeState {
    TCodes Codes;
    TBitReader Reader;
    TRowWriter Rows;
    TLzwState Lzw;
};

LZW_INLINE void ResetTable(TDecodeState& s) {
    TLzwState& lzw = s.Lzw;
    lzw.CodeSize = s.Codes.InitialCodeSize;
    lzw.Capacity = 1u << lzw.CodeSize;
    lzw.ReadMask = lzw.Capacity - 1;
    lzw.NextFree = s.Codes.FirstFree;
}

LZW_INLINE bool Known(const TDecodeState& s, const TCodeTable& table, std::uint32_t code) {
    return code < s.Lzw.NextFree && table.Length[code] != 0;
}

// Reads the code after a clear code and writes it as a literal; false when the data end.
LZW_INLINE bool StartAfterClear(TDecodeState& s, const TCodeTable& table) {
    TLzwState& lzw = s.Lzw;
    std::uint32_t code = 0;
    // A clear code right after a clear code resets again and writes nothing: two in a row are
    // legal, and taking the second as a literal would shift the picture.
    do {
        ResetTable(s);
        if (!s.Reader.Next(code, lzw.CodeSize, lzw.ReadMask)) {
            return false;
        }
    } while (code == s.Codes.Clear);
    // Any other code after a clear code is taken as a literal without any further test.
    lzw.OldCode = code;
    lzw.FirstPixel = static_cast<std::uint8_t>(code & s.Codes.PixelMask);
    TRowWriter& rows = s.Rows;
    const std::uint8_t* const at = rows.At();
    rows.Put(lzw.FirstPixel);
    // (A row that this pixel finished starts again at column 0.)
    rows.RunStart = rows.Column != 0 && code <= s.Codes.LiteralMax ? at : nullptr;
    lzw.OldLength = Known(s, table, code) ? 1 : 0;
    lzw.TableFull = false;
    return true;
}

// Writes the known string of code backwards from its last pixel; returns its first pixel.
LZW_INLINE std::uint8_t WriteKnown(const TDecodeState& s, const TCodeTable& table,
                                   std::uint32_t code, std::uint8_t* last) {
    while (code > s.Codes.LiteralMax) {
        *last-- = table.Suffix[code];
        code = table.Prefix[code];
    }
    *last = static_cast<std::uint8_t>(code);
    return static_cast<std::uint8_t>(code);
}

// The entry after a string: the previous string followed by this one's first pixel.
LZW_INLINE void AddEntry(TDecodeState& s, TCodeTable& table, const std::uint8_t* previousRun) {
    TLzwState& lzw = s.Lzw;
    if (lzw.TableFull) {
        return;
    }
    const std::uint32_t entry = lzw.NextFree;
    table.Prefix[entry] = static_cast<std::uint16_t>(lzw.OldCode);
    table.Suffix[entry] = lzw.FirstPixel;
    const std::int32_t n = lzw.OldLength != 0 ? lzw.OldLength + 1 : 0;
    table.Length[entry] = static_cast<std::uint16_t>(n);
    // The previous string followed in the same row by this string's first pixel.
    table.Run[entry] = n != 0 && s.Rows.Depth == 8 && previousRun != nullptr
                           ? MakeRun(static_cast<std::size_t>(previousRun - s.Rows.Pixels),
                                     static_cast<std::uint32_t>(n))
                           : 0;
    if (++lzw.NextFree == lzw.Capacity) {
        // Deferred clear: a full table stays in use, codes stay 12 bits wide.
        if (lzw.CodeSize >= kMaxCodeBits) {
            lzw.TableFull = true;
        } else {
            ++lzw.CodeSize;
            lzw.Capacity <<= 1;
            lzw.ReadMask = lzw.Capacity - 1;
        }
    }
}

// Writes the string of code: a literal, a string that stands in the output already (one 8-byte
// copy when short), a string known to the table, the code being defined right now, or anything
// else through the stack. False when the data turn out corrupt (and that is accepted).
LZW_INLINE bool WriteString(TDecodeState& s, TCodeTable& table, std::uint32_t code) {
    TLzwState& lzw = s.Lzw;
    TRowWriter& rows = s.Rows;
    const std::uint32_t inCode = code;
    const std::uint8_t* const previousRun = rows.RunStart;
    std::uint8_t* const dst = rows.At();
    const std::int32_t room = rows.Room();
    const std::uint64_t run = code < lzw.NextFree ? table.Run[code] : 0;
    // What OldLength becomes after this step; -1: look it up once the table has grown.
    std::int32_t nextOldLength = -1;
    if (run != 0 && RunLength(run) <= kChunk && kChunk <= room) {
        // The common case: one load and store. The bytes after the string land on pixels of this
        // row still to come, which overwrite them.
        std::uint64_t chunk;
        std::memcpy(&chunk, RunStart(run, rows.Pixels), kChunk);
        std::memcpy(dst, &chunk, kChunk);
        lzw.FirstPixel = dst[0];
        rows.RunStart = dst;
        rows.Column += RunLength(run);
        nextOldLength = RunLength(run);
    } else if (Known(s, table, code) && table.Length[code] <= room) {
        const std::int32_t n = table.Length[code];
        if (run != 0) {
            std::memcpy(dst, RunStart(run, rows.Pixels), static_cast<std::size_t>(n));
            lzw.FirstPixel = dst[0];
        } else {
            lzw.FirstPixel = WriteKnown(s, table, code, dst + n - 1);
        }
        rows.RunStart = dst;
        rows.Column += n;
        nextOldLength = n;
    } else if (code >= lzw.NextFree && lzw.OldLength != 0 && lzw.OldLength < room) {
        // The code being defined right now: the previous string plus its first pixel.
        const std::int32_t n = lzw.OldLength + 1;
        if (previousRun != nullptr) {
            std::memcpy(dst, previousRun, static_cast<std::size_t>(n - 1));
        } else {
            WriteKnown(s, table, lzw.OldCode, dst + n - 2);
        }
        dst[n - 1] = lzw.FirstPixel;
        rows.RunStart = dst;
        rows.Column += n;
        // Known afterwards only if it is the very code that this step defines.
        nextOldLength = code == lzw.NextFree ? n : 0;
    } else {
        std::uint8_t* const stack = table.Stack;
        int depthUsed = 0;
        if (code >= lzw.NextFree) {
            stack[depthUsed++] = lzw.FirstPixel;
            code = lzw.OldCode;
        }
        while (code > s.Codes.LiteralMax) {
            if (depthUsed > kTableSize) {
                if (!s.Codes.AcceptDamaged) {
                    RaiseGifError(kMsgCorruptData);
                }
                lzw.Corrupt = true;
                return false;
            }
            stack[depthUsed++] = table.Suffix[code];
            code = table.Prefix[code];
        }
        lzw.FirstPixel = static_cast<std::uint8_t>(code & s.Codes.PixelMask);
        stack[depthUsed++] = lzw.FirstPixel;
        while (depthUsed > 0) {
            rows.Put(stack[--depthUsed]);
        }
        rows.RunStart = nullptr;
    }
    if (rows.Column == rows.Width) {
        rows.FinishRow();
    }
    AddEntry(s, table, previousRun);
    lzw.OldCode = inCode;
    lzw.OldLength =
        nextOldLength >= 0 ? nextOldLength : (Known(s, table, inCode) ? table.Length[inCode] : 0);
    return true;
}

class TLzwDecoder {
  public:
    TLzwDecoder(std::span<const std::uint8_t> stream, IGIFNotify* progress, int frameBits,
                bool acceptDamaged, int minCodeSize)
        : FStream(stream), FProgress(progress) {
        FCodes.Clear = 1u << minCodeSize;
        FCodes.End = FCodes.Clear + 1;
        FCodes.FirstFree = FCodes.Clear + 2;
        FCodes.InitialCodeSize = minCodeSize + 1;
        FCodes.PixelMask = (1u << frameBits) - 1;
        FCodes.LiteralMax = std::min(FCodes.PixelMask, FCodes.Clear - 1);
        FCodes.AcceptDamaged = acceptDamaged;
    }

    // Returns whether the data were damaged; corrupt: damage found before decoding began.
    bool Run(const TRasterTarget& target, bool interlaced, bool corrupt);

  private:
    void ReportProgress(std::size_t position) {
        const auto percent = static_cast<int>(position * 100 / FStream.size());
        FProgress->Progress(psRunning, percent, false, {});
    }

    std::span<const std::uint8_t> FStream;
    IGIFNotify* FProgress;
    TCodes FCodes{};
    // Filled in Run: only what is read before it is written (see there).
    TCodeTable FTable;
};

bool TLzwDecoder::Run(const TRasterTarget& target, bool interlaced, bool corrupt) {
    const std::int32_t width = target.Width;
    const std::int32_t height = target.Height;
    const int depth = target.BitsPerPixel;
    std::vector<std::uint8_t> rowBuffer(depth == 8 ? 0 : static_cast<std::size_t>(width), 0);

    // Never-defined codes are looked up in zeroed prefix and suffix tables. Length and run are read
    // only below the next free code: literals, the unused codes up to the clear code and the end
    // code; every code above is written before it is read.
    std::memset(FTable.Prefix, 0, sizeof FTable.Prefix);
    std::memset(FTable.Suffix, 0, sizeof FTable.Suffix);
    for (std::uint32_t c = 0; c < FCodes.FirstFree; ++c) {
        const bool literal = c <= FCodes.LiteralMax;
        FTable.Length[c] = literal ? 1 : 0;
        FTable.Run[c] = literal ? MakeRun(c, 1) | kRunLiteral : 0;
    }

    TDecodeState s{
        FCodes,
        TBitReader{FStream.data(), FStream.size()},
        TRowWriter{target.Pixels, width, height, depth,
                   (static_cast<std::size_t>(width) * depth + 31) / 32 * 4, interlaced,
                   rowBuffer.data()},
        TLzwState{},
    };
    s.Rows.Line = s.Rows.LineFor(0);
    ResetTable(s);
    s.Lzw.Corrupt = corrupt;
    IGIFNotify* const progress = FProgress;

    std::uint32_t code = 0;
    bool haveCode = s.Reader.Next(code, s.Lzw.CodeSize, s.Lzw.ReadMask);
    while (haveCode && code != s.Codes.End && !s.Rows.Done()) {
        if (code == s.Codes.Clear) {
            haveCode = StartAfterClear(s, FTable);
            if (!haveCode) {
                break;
            }
        } else if (s.Lzw.Corrupt || !WriteString(s, FTable, code)) {
            break;
        }
        haveCode = s.Reader.Next(code, s.Lzw.CodeSize, s.Lzw.ReadMask);
        if (progress != nullptr) {
            ReportProgress(s.Reader.Consumed());
        }
    }
    s.Rows.Flush();
    // Data that run out before the last row leave the rest at index 0; the frame counts as damaged.
    return s.Lzw.Corrupt || (!haveCode && !s.Rows.Done());
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

bool DecodeRaster(std::span<const std::uint8_t> codeStream, int frameBits, bool interlaced,
                  const TRasterTarget& target, bool acceptDamaged, IGIFNotify* progress) {
    if (progress != nullptr) {
        progress->Progress(psStarting, 0, false, {});
    }
    bool damaged = false;
    try {
        if (codeStream.empty()) {
            RaiseReadError();
        }
        int minCodeSize = codeStream[0];
        if (minCodeSize < kMinCodeSizeLow || minCodeSize > kMinCodeSizeHigh) {
            if (!acceptDamaged) {
                RaiseGifError(kMsgCodeSizeRange);
            }
            // Accepted: decoding ends at the first code that is neither a clear code nor the
            // literal after one.
            damaged = true;
            minCodeSize = minCodeSize < kMinCodeSizeLow ? kMinCodeSizeLow : kMinCodeSizeHigh;
        }
        if (target.Width > 0 && target.Height > 0) {
            auto decoder = std::make_unique<TLzwDecoder>(codeStream, progress, frameBits,
                                                         acceptDamaged, minCodeSize);
            damaged = decoder->Run(target, interlaced, damaged);
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
    return damaged;
}

}  // namespace gif
