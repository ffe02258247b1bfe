#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "gif/GIFImage.h"
#include "gif/GIFStream.h"

// Builds GIF data byte by byte for the tests, so each case shows exactly what the reader meets.
namespace giftest {

using Bytes = std::vector<std::uint8_t>;

// Packs codes least significant bit first, each with its own width.
class TCodePacker {
  public:
    TCodePacker& Put(std::uint32_t code, int width) {
        FAcc |= std::uint64_t{code} << FBits;
        FBits += width;
        while (FBits >= 8) {
            FBytes.push_back(static_cast<std::uint8_t>(FAcc));
            FAcc >>= 8;
            FBits -= 8;
        }
        return *this;
    }
    Bytes Finish() {
        if (FBits > 0) {
            FBytes.push_back(static_cast<std::uint8_t>(FAcc));
        }
        FAcc = 0;
        FBits = 0;
        return std::move(FBytes);
    }

  private:
    Bytes FBytes;
    std::uint64_t FAcc = 0;
    int FBits = 0;
};

// Data split into sub-blocks, with the terminator.
inline Bytes SubBlocks(const Bytes& data, std::size_t blockSize = 255) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += blockSize) {
        const std::size_t n = std::min(blockSize, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + i, data.begin() + i + n);
    }
    out.push_back(0);
    return out;
}

class TGifBytes {
  public:
    TGifBytes& Raw(std::initializer_list<int> bytes) {
        for (int b : bytes) {
            FBytes.push_back(static_cast<std::uint8_t>(b));
        }
        return *this;
    }
    TGifBytes& Raw(const Bytes& bytes) {
        FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TGifBytes& Text(const std::string& text) {
        FBytes.insert(FBytes.end(), text.begin(), text.end());
        return *this;
    }
    TGifBytes& Le16(int v) { return Raw({v & 0xFF, (v >> 8) & 0xFF}); }

    TGifBytes& Header(const std::string& signature = "GIF89a") { return Text(signature); }

    // Logical screen; tableBits > 0 adds a global table of 2^tableBits entries (entry i = i, 2i,
    // 3i).
    TGifBytes& Screen(int width, int height, int tableBits = 0, int background = 0) {
        Le16(width).Le16(height);
        Raw({tableBits > 0 ? 0x80 | 0x70 | (tableBits - 1) : 0, background, 0});
        return tableBits > 0 ? Table(1 << tableBits) : *this;
    }
    TGifBytes& Table(int count) {
        for (int i = 0; i < count; ++i) {
            Raw({i, (2 * i) & 0xFF, (3 * i) & 0xFF});
        }
        return *this;
    }
    TGifBytes& GraphicControl(int packed, int delay, int transIndex) {
        Raw({0x21, 0xF9, 4, packed}).Le16(delay);
        return Raw({transIndex, 0});
    }
    TGifBytes& Comment(std::initializer_list<std::string> lines) {
        Raw({0x21, 0xFE});
        for (const std::string& line : lines) {
            Raw({static_cast<int>(line.size())}).Text(line);
        }
        return Raw({0});
    }
    TGifBytes& Application(const std::string& id, const Bytes& block) {
        Raw({0x21, 0xFF, 11}).Text(id);
        Raw({static_cast<int>(block.size())}).Raw(block);
        return Raw({0});
    }
    TGifBytes& PlainText() {
        Raw({0x21, 0x01, 12});
        for (int i = 0; i < 12; ++i) {
            Raw({0});
        }
        return Raw({2, 'h', 'i', 0});
    }
    // Image descriptor; localBits > 0 adds a local table.
    TGifBytes& Descriptor(int left, int top, int width, int height, bool interlaced = false,
                          int localBits = 0) {
        Raw({0x2C}).Le16(left).Le16(top).Le16(width).Le16(height);
        Raw({(interlaced ? 0x40 : 0) | (localBits > 0 ? 0x80 | (localBits - 1) : 0)});
        return localBits > 0 ? Table(1 << localBits) : *this;
    }
    // Minimum code size byte and the codes in sub-blocks.
    TGifBytes& Raster(int minCodeSize, const Bytes& codes) {
        Raw({minCodeSize});
        return Raw(SubBlocks(codes));
    }
    TGifBytes& Trailer() { return Raw({0x3B}); }

    const Bytes& Data() const { return FBytes; }

  private:
    Bytes FBytes;
};

// A single-pixel raster: clear, the literal, end (minimum code size 2).
inline Bytes OnePixelCodes(int pixel = 1) {
    return TCodePacker().Put(4, 3).Put(static_cast<std::uint32_t>(pixel), 3).Put(5, 3).Finish();
}

// Loads data the way the picture system does (the rest of the stream, first frame decoded).
inline void Load(gif::TGIFImage& image, const Bytes& data, bool decodeFirst = true) {
    gif::TMemoryStream stream(data);
    image.LoadGifData(static_cast<std::int64_t>(data.size()), stream, decodeFirst);
}

// The message of the error of type E that f raises; "(no error)" when it raises none.
template <class E, class F>
std::string ErrorText(F&& f) {
    try {
        f();
    } catch (const E& error) {
        return error.what();
    }
    return "(no error)";
}

// Restores AcceptDamagedGif when a test ends.
class TAcceptDamaged {
  public:
    explicit TAcceptDamaged(bool value) : FOld(gif::AcceptDamagedGif) {
        gif::AcceptDamagedGif = value;
    }
    ~TAcceptDamaged() { gif::AcceptDamagedGif = FOld; }

  private:
    bool FOld;
};

}  // namespace giftest
