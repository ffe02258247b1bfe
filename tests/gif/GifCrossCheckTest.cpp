#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "GifBytes.h"
#include "gif/GIFImage.h"
#include "gif/LzwDecoder.h"

using namespace gif;
using namespace giftest;
namespace fs = std::filesystem;

namespace {

struct GifCloser {
    void operator()(GifFileType* file) const {
        int error = 0;
        DGifCloseFile(file, &error);
    }
};
using GiflibFile = std::unique_ptr<GifFileType, GifCloser>;

struct TMemoryInput {
    const Bytes* Data;
    std::size_t Pos = 0;
};

int ReadFromMemory(GifFileType* file, GifByteType* out, int count) {
    auto* in = static_cast<TMemoryInput*>(file->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), in->Data->size() - in->Pos);
    std::memcpy(out, in->Data->data() + in->Pos, n);
    in->Pos += n;
    return static_cast<int>(n);
}

// giflib's reading of data, all frames slurped.
GiflibFile Slurp(const Bytes& data, TMemoryInput& input) {
    input.Data = &data;
    int error = 0;
    GiflibFile file(DGifOpen(&input, ReadFromMemory, &error));
    if (!file || DGifSlurp(file.get()) != GIF_OK) {
        ADD_FAILURE() << "giflib cannot read the data";
        return nullptr;
    }
    return file;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TColor EntryColor(const ColorMapObject* map, int index) {
    const GifColorType& c = map->Colors[index];
    return TColor(c.Red) | TColor(c.Green) << 8 | TColor(c.Blue) << 16;
}

// The loop count of a NETSCAPE2.0 block anywhere in the file, -1 when there is none.
int GiflibLoopCount(const GifFileType* file) {
    auto scan = [](const ExtensionBlock* blocks, int count) {
        for (int i = 0; i + 1 < count; ++i) {
            if (blocks[i].Function == APPLICATION_EXT_FUNC_CODE && blocks[i].ByteCount >= 11 &&
                std::memcmp(blocks[i].Bytes, "NETSCAPE2.0", 11) == 0 &&
                blocks[i + 1].ByteCount >= 3 && blocks[i + 1].Bytes[0] == 1) {
                return blocks[i + 1].Bytes[1] | blocks[i + 1].Bytes[2] << 8;
            }
        }
        return -1;
    };
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& image = file->SavedImages[i];
        if (const int loop = scan(image.ExtensionBlocks, image.ExtensionBlockCount); loop >= 0) {
            return loop;
        }
    }
    return scan(file->ExtensionBlocks, file->ExtensionBlockCount);
}

void ExpectSameStructure(TGIFImage& ours, const GifFileType* theirs) {
    EXPECT_EQ(ours.FLogicalWidth, theirs->SWidth);
    EXPECT_EQ(ours.FLogicalHeight, theirs->SHeight);
    const ColorMapObject* global = theirs->SColorMap;
    ASSERT_EQ(ours.FShared->FGlobalTable.Count, global != nullptr ? global->ColorCount : 0);
    for (int i = 0; global != nullptr && i < global->ColorCount; ++i) {
        EXPECT_EQ(TripleToColor(ours.FShared->FGlobalTable.Entries[i]), EntryColor(global, i));
    }
    const bool hasBack = global != nullptr && theirs->SBackGroundColor < global->ColorCount;
    EXPECT_EQ(ours.FBackColor, hasBack ? EntryColor(global, theirs->SBackGroundColor) : clNone);
    const int loop = GiflibLoopCount(theirs);
    EXPECT_EQ(ours.FHasLoopBlock, loop >= 0);
    if (loop >= 0) {
        EXPECT_EQ(ours.FLoopCount, std::min(loop, 30000));
    }
    ASSERT_EQ(ours.FrameCount(), theirs->ImageCount);
    for (int i = 0; i < theirs->ImageCount; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const SavedImage& image = theirs->SavedImages[i];
        const GifImageDesc& desc = image.ImageDesc;
        TGIFFrame& frame = ours.Frame(i);
        EXPECT_EQ(frame.FOriginX, desc.Left);
        EXPECT_EQ(frame.FOriginY, desc.Top);
        EXPECT_EQ(frame.FItem->FPixelWidth, desc.Width);
        EXPECT_EQ(frame.FItem->FPixelHeight, desc.Height);
        EXPECT_EQ(frame.FIsInterlaced, desc.Interlace);
        EXPECT_EQ(frame.FOwnTable, desc.ColorMap != nullptr);
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : global;
        ASSERT_NE(map, nullptr);
        ASSERT_EQ(frame.FItem->FItemTable.Count, map->ColorCount);

        GraphicsControlBlock gcb{};
        if (DGifSavedExtensionToGCB(const_cast<GifFileType*>(theirs), i, &gcb) == GIF_OK) {
            EXPECT_EQ(frame.FDelayMs, 10u * static_cast<unsigned>(gcb.DelayTime));
            EXPECT_EQ(frame.FDisposalCode, gcb.DisposalMode);
            const bool transparent = gcb.TransparentColor != NO_TRANSPARENT_COLOR &&
                                     gcb.TransparentColor < map->ColorCount;
            EXPECT_EQ(frame.FTransColor,
                      transparent ? EntryColor(map, gcb.TransparentColor) : clNone);
        } else {
            EXPECT_EQ(frame.FDelayMs, 0u);
            EXPECT_EQ(frame.FTransColor, clNone);
        }

        const TDib& dib = frame.FrameBitmap();
        EXPECT_FALSE(frame.FIsCorrupt);
        int mismatches = 0;
        for (int y = 0; y < desc.Height; ++y) {
            for (int x = 0; x < desc.Width; ++x) {
                mismatches += dib.PixelIndex(x, y) != image.RasterBits[y * desc.Width + x];
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

// Pixel indices of a bitmap file that gifcodec wrote, checked against giflib's raster.
void ExpectBitmapFileMatches(const Bytes& bmp, const SavedImage& image) {
    ASSERT_GE(bmp.size(), 54u);
    auto le32 = [&](std::size_t at) {
        return std::uint32_t(bmp[at]) | std::uint32_t(bmp[at + 1]) << 8 |
               std::uint32_t(bmp[at + 2]) << 16 | std::uint32_t(bmp[at + 3]) << 24;
    };
    const int width = static_cast<int>(le32(18));
    const int height = static_cast<int>(le32(22));
    const int bits = bmp[28];
    ASSERT_EQ(width, image.ImageDesc.Width);
    ASSERT_EQ(height, image.ImageDesc.Height);
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    ASSERT_EQ(bmp.size(), le32(10) + stride * height);
    ASSERT_EQ(le32(2), bmp.size());
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bmp.data() + le32(10) + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            int index = row[x];
            if (bits == 4) {
                index = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
            } else if (bits == 1) {
                index = (row[x / 8] >> (7 - x % 8)) & 1;
            }
            mismatches += index != image.RasterBits[y * width + x];
        }
    }
    EXPECT_EQ(mismatches, 0);
}

class GifCrossCheck : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        FDir = fs::temp_directory_path() / ("verinox-gif-" + std::to_string(::getpid()));
        const std::string command = std::string(MAKE_TEST_GIFS) + " " + Quote(FDir);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() { fs::remove_all(FDir); }

    static std::vector<fs::path> Pictures() {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(FDir)) {
            if (entry.path().extension() == ".gif") {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    static fs::path FDir;
};

fs::path GifCrossCheck::FDir;

TEST_F(GifCrossCheck, LibraryAgreesWithGiflibOnEveryFrame) {
    const auto pictures = Pictures();
    ASSERT_GE(pictures.size(), 22u);
    for (const fs::path& path : pictures) {
        SCOPED_TRACE(path.filename().string());
        const Bytes data = ReadFile(path);
        TMemoryInput input;
        GiflibFile theirs = Slurp(data, input);
        ASSERT_TRUE(theirs);
        TGIFImage ours;
        Load(ours, data);
        ExpectSameStructure(ours, theirs.get());
    }
}

TEST_F(GifCrossCheck, ToolAgreesWithGiflib) {
    for (const fs::path& path : Pictures()) {
        SCOPED_TRACE(path.filename().string());
        const Bytes data = ReadFile(path);
        TMemoryInput input;
        GiflibFile theirs = Slurp(data, input);
        ASSERT_TRUE(theirs);

        const fs::path json = FDir / (path.stem().string() + ".json");
        const std::string info =
            std::string(GIFCODEC_PATH) + " info " + Quote(path) + " --json > " + Quote(json);
        ASSERT_EQ(std::system(info.c_str()), 0);
        std::ifstream in(json);
        const nlohmann::json description = nlohmann::json::parse(in);
        EXPECT_EQ(description["logicalWidth"], theirs->SWidth);
        EXPECT_EQ(description["globalColorTable"],
                  theirs->SColorMap != nullptr ? theirs->SColorMap->ColorCount : 0);
        ASSERT_EQ(description["frames"].size(), static_cast<std::size_t>(theirs->ImageCount));

        for (int i = 0; i < theirs->ImageCount; ++i) {
            const auto& frame = description["frames"][static_cast<std::size_t>(i)];
            const GifImageDesc& desc = theirs->SavedImages[i].ImageDesc;
            EXPECT_EQ(frame["left"], desc.Left);
            EXPECT_EQ(frame["width"], desc.Width);
            EXPECT_EQ(frame["interlaced"], desc.Interlace);
            EXPECT_EQ(frame["corrupt"], false);

            // Through standard input and output for the last frame, through files otherwise.
            const fs::path bmp = FDir / (path.stem().string() + std::to_string(i) + ".bmp");
            const bool piped = i + 1 == theirs->ImageCount;
            const std::string decode = std::string(GIFCODEC_PATH) + " decode " +
                                       (piped ? "-" : Quote(path)) + " --frame " +
                                       std::to_string(i) + " -o " +
                                       (piped ? "- < " + Quote(path) + " > " : "") + Quote(bmp);
            ASSERT_EQ(std::system(decode.c_str()), 0) << decode;
            ExpectBitmapFileMatches(ReadFile(bmp), theirs->SavedImages[i]);
        }
    }
}

TEST_F(GifCrossCheck, ToolReportsErrorsWithFileName) {
    const fs::path broken = FDir / "broken.gif";
    std::ofstream(broken, std::ios::binary) << "GIF90a";
    const fs::path err = FDir / "err.txt";
    const std::string command =
        std::string(GIFCODEC_PATH) + " info " + Quote(broken) + " 2> " + Quote(err);
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    std::ifstream in(err);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "gifcodec: " + broken.string() + ": Unknown GIF version");

    const std::string missingFrame = std::string(GIFCODEC_PATH) + " decode " +
                                     Quote(FDir / "rose.gif") + " --frame 1 -o " +
                                     Quote(FDir / "x.bmp") + " 2>/dev/null";
    const int missing = std::system(missingFrame.c_str());
    EXPECT_TRUE(WIFEXITED(missing) && WEXITSTATUS(missing) == 1);
}

// giflib's encoder as a second source of data: random pictures of every table size, noise (full
// tables, deferred clears) and runs (long strings), plain and interlaced.
int WriteToVector(GifFileType* file, const GifByteType* data, int count) {
    auto* out = static_cast<Bytes*>(file->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

Bytes EncodeWithGiflib(int width, int height, int bits, bool interlaced,
                       const std::vector<GifPixelType>& pixels) {
    Bytes out;
    int error = 0;
    GifFileType* file = EGifOpen(&out, WriteToVector, &error);
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (int i = 0; i < map->ColorCount; ++i) {
        map->Colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i),
                          static_cast<GifByteType>(i * 7)};
    }
    EGifPutScreenDesc(file, width, height, bits, 0, map);
    EGifPutImageDesc(file, 0, 0, width, height, interlaced, nullptr);
    // Rows go in in the order they are stored.
    std::vector<int> order;
    if (interlaced) {
        for (int pass = 0, row = 0; row < height; row = NextInterlacedRow(row, height, pass)) {
            order.push_back(row);
        }
    } else {
        for (int row = 0; row < height; ++row) {
            order.push_back(row);
        }
    }
    for (int row : order) {
        EGifPutLine(file, const_cast<GifPixelType*>(pixels.data()) + row * width, width);
    }
    EGifCloseFile(file, &error);
    GifFreeMapObject(map);
    return out;
}

TEST(GifGiflibRoundTrip, DecodesGiflibEncodedPicturesExactly) {
    std::mt19937 random(99);
    for (int round = 0; round < 48; ++round) {
        const int bits = 1 + round % 8;
        const int width = 1 + static_cast<int>(random() % 300);
        const int height = 1 + static_cast<int>(random() % 120);
        const bool interlaced = round % 3 == 0;
        const bool noise = round % 2 == 0;
        std::vector<GifPixelType> pixels(static_cast<std::size_t>(width) * height);
        GifPixelType value = 0;
        for (auto& p : pixels) {
            if (noise || random() % 16 == 0) {
                value = static_cast<GifPixelType>(random() % (1u << bits));
            }
            p = value;
        }
        SCOPED_TRACE("round " + std::to_string(round));
        const Bytes data = EncodeWithGiflib(width, height, bits, interlaced, pixels);
        TGIFImage image;
        Load(image, data);
        const TDib& dib = image.Frame(0).FrameBitmap();
        int mismatches = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                mismatches +=
                    dib.PixelIndex(x, y) != pixels[static_cast<std::size_t>(y) * width + x];
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_FALSE(image.Frame(0).FIsCorrupt);

        TMemoryInput input;
        GiflibFile theirs = Slurp(data, input);
        ASSERT_TRUE(theirs);
        ExpectSameStructure(image, theirs.get());
    }
}

}  // namespace
