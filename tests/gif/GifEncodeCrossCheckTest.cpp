// The writer checked by other decoders: bitmaps of every depth encoded by gifcodec decode to
// their colours in giflib, Pillow and ImageMagick; animations keep their timing, disposal and
// looping there; copies of GIFs from other encoders keep their pixels and are stable; comments of
// any length survive (checked in giflib: Pillow and ImageMagick ignore a comment after the last
// image).
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "EncodeFixtures.h"
#include "gif/GIFDib.h"

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

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

// Runs a shell command and returns its standard output; fails the test on a non-zero status.
std::string Shell(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return output;
}

std::string Tool(const std::string& args) {
    return Shell(std::string(GIFCODEC_PATH) + " " + args);
}

GiflibFile Slurp(const fs::path& path) {
    int error = 0;
    GiflibFile file(DGifOpenFileName(path.c_str(), &error));
    if (!file || DGifSlurp(file.get()) != GIF_OK) {
        ADD_FAILURE() << "giflib cannot read " << path;
        return nullptr;
    }
    return file;
}

const ColorMapObject* FrameMap(const GifFileType* file, int frame) {
    const ColorMapObject* local = file->SavedImages[frame].ImageDesc.ColorMap;
    return local != nullptr ? local : file->SColorMap;
}

// Colours of a frame as giflib decodes them, row by row, 0x00BBGGRR.
std::vector<TColor> GiflibColors(const GifFileType* file, int frame) {
    const SavedImage& image = file->SavedImages[frame];
    const ColorMapObject* map = FrameMap(file, frame);
    std::vector<TColor> colors;
    const int count = image.ImageDesc.Width * image.ImageDesc.Height;
    for (int i = 0; i < count; ++i) {
        const GifColorType& c = map->Colors[image.RasterBits[i]];
        colors.push_back(TColor(c.Red) | TColor(c.Green) << 8 | TColor(c.Blue) << 16);
    }
    return colors;
}

std::vector<TColor> FromRgbBytes(const std::string& rgb) {
    std::vector<TColor> colors;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        colors.push_back(TColor(static_cast<std::uint8_t>(rgb[i])) |
                         TColor(static_cast<std::uint8_t>(rgb[i + 1])) << 8 |
                         TColor(static_cast<std::uint8_t>(rgb[i + 2])) << 16);
    }
    return colors;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

nlohmann::json Pillow(const fs::path& gif) {
    return nlohmann::json::parse(
        Shell("/usr/bin/python3 " + std::string(PILLOW_DUMP) + " " + Quote(gif)));
}

std::vector<TColor> PillowColors(const nlohmann::json& dump, int frame) {
    return FromRgbBytes(FromHex(dump["frames"][static_cast<std::size_t>(frame)]["rgb"]));
}

std::vector<TColor> MagickColors(const fs::path& image, int frame = 0) {
    return FromRgbBytes(Shell("convert " +
                              Quote(image.string() + "[" + std::to_string(frame) + "]") +
                              " -depth 8 rgb:-"));
}

std::vector<TColor> BitmapColors(const TDib& dib) {
    std::vector<TColor> colors;
    for (int y = 0; y < dib.Height; ++y) {
        for (int x = 0; x < dib.Width; ++x) {
            colors.push_back(PixelColor(dib, x, y));
        }
    }
    return colors;
}

int Distance(TColor a, TColor b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

int LoopCount(const GifFileType* file) {
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& image = file->SavedImages[i];
        for (int k = 0; k + 1 < image.ExtensionBlockCount; ++k) {
            const ExtensionBlock& block = image.ExtensionBlocks[k];
            const ExtensionBlock& data = image.ExtensionBlocks[k + 1];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && data.ByteCount >= 3) {
                return data.Bytes[1] | data.Bytes[2] << 8;
            }
        }
    }
    return -1;
}

class GifEncodeCrossCheck : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        FDir = fs::temp_directory_path() / ("verinox-gifw-" + std::to_string(::getpid()));
        fs::create_directories(FDir / "others");
        const std::string command =
            std::string(MAKE_TEST_GIFS) + " " + Quote(FDir / "others") + " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() { fs::remove_all(FDir); }

    // Writes dib as a bitmap file and encodes it with gifcodec.
    static fs::path EncodeBitmap(const std::string& name, const TDib& dib,
                                 const std::string& options = "") {
        const fs::path bmp = FDir / (name + ".bmp");
        const fs::path gif = FDir / (name + ".gif");
        WriteFile(bmp, dib.FileImage());
        Tool("encode " + Quote(bmp) + " -o " + Quote(gif) + " " + options);
        return gif;
    }

    // giflib, Pillow and ImageMagick all see expected in frame 0 of gif.
    static void ExpectDecodersSee(const fs::path& gif, const std::vector<TColor>& expected) {
        GiflibFile file = Slurp(gif);
        ASSERT_TRUE(file);
        EXPECT_TRUE(GiflibColors(file.get(), 0) == expected) << "giflib";
        EXPECT_TRUE(PillowColors(Pillow(gif), 0) == expected) << "Pillow";
        EXPECT_TRUE(MagickColors(gif) == expected) << "ImageMagick";
    }

    static fs::path FDir;
};

fs::path GifEncodeCrossCheck::FDir;

TEST_F(GifEncodeCrossCheck, BitmapsOfEveryDepthDecodeToTheirColours) {
    std::mt19937 random(31);
    struct TCase {
        int Depth;
        int Colors;
    };
    const TCase cases[] = {{1, 2},  {4, 16},   {4, 5},    {8, 256}, {8, 100},
                           {24, 3}, {24, 256}, {32, 200}, {32, 256}};
    int index = 0;
    for (const TCase& c : cases) {
        for (const bool runs : {false, true}) {
            const int width = 1 + static_cast<int>(random() % 220);
            const int height = 1 + static_cast<int>(random() % 90);
            SCOPED_TRACE("depth " + std::to_string(c.Depth) + ", " + std::to_string(c.Colors) +
                         " colours, " + std::to_string(width) + " x " + std::to_string(height));
            const TDib dib = RandomDib(width, height, c.Depth, c.Colors, random, runs);
            const fs::path gif = EncodeBitmap("depth" + std::to_string(index++), dib);
            ExpectDecodersSee(gif, BitmapColors(dib));
        }
    }
}

TEST_F(GifEncodeCrossCheck, ManyColoursDecodeToTheNearestPopularColours) {
    std::mt19937 random(32);
    for (const int colors : {257, 1500}) {
        SCOPED_TRACE(std::to_string(colors) + " colours");
        const TDib dib = RandomDib(160, 120, 24, colors, random, true);
        const fs::path gif = EncodeBitmap("many" + std::to_string(colors), dib);
        GiflibFile file = Slurp(gif);
        ASSERT_TRUE(file);
        const std::vector<TColor> original = BitmapColors(dib);
        const std::vector<TColor> decoded = GiflibColors(file.get(), 0);
        const ColorMapObject* map = FrameMap(file.get(), 0);
        ASSERT_EQ(map->ColorCount, 256);
        std::map<TColor, int> counts;
        for (TColor c : original) {
            ++counts[c];
        }
        std::map<TColor, bool> chosen;
        int lowestChosen = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const GifColorType& e = map->Colors[i];
            const TColor c = TColor(e.Red) | TColor(e.Green) << 8 | TColor(e.Blue) << 16;
            chosen[c] = true;
            lowestChosen = std::min(lowestChosen, counts[c]);
        }
        for (const auto& [color, count] : counts) {
            EXPECT_TRUE(chosen.contains(color) || count <= lowestChosen);
        }
        for (std::size_t i = 0; i < original.size(); ++i) {
            int best = 1 << 30;
            for (const auto& [color, isChosen] : chosen) {
                best = std::min(best, Distance(original[i], color));
            }
            ASSERT_EQ(Distance(original[i], decoded[i]), best) << "pixel " << i;
        }
        EXPECT_TRUE(PillowColors(Pillow(gif), 0) == decoded) << "Pillow";
        EXPECT_TRUE(MagickColors(gif) == decoded) << "ImageMagick";
    }
}

TEST_F(GifEncodeCrossCheck, GreyLevelsDecodeEverywhere) {
    std::mt19937 random(33);
    const TDib dib = RandomDib(90, 40, 24, 5000, random);
    const fs::path gif = EncodeBitmap("grey", dib, "--gray");
    std::vector<TColor> expected;
    for (TColor c : BitmapColors(dib)) {
        const std::uint32_t level =
            (77 * (c & 0xFF) + 150 * ((c >> 8) & 0xFF) + 29 * ((c >> 16) & 0xFF)) >> 8;
        expected.push_back(level | level << 8 | level << 16);
    }
    ExpectDecodersSee(gif, expected);
}

TEST_F(GifEncodeCrossCheck, BitmapFilesOfOtherProgramsEncode) {
    const fs::path dir = FDir / "bmp";
    fs::create_directories(dir);
    Shell("cd " + Quote(dir) +
          " && convert -size 71x33 -seed 4 plasma:fractal -colors 40 -type Palette -compress None "
          "BMP3:im8.bmp"
          " && convert -size 50x20 -seed 5 plasma:fractal -colors 60 -type TrueColor BMP3:im24.bmp"
          " && convert -size 45x25 -seed 6 plasma:fractal -colors 90 -alpha on"
          " -type TrueColorAlpha im32.bmp"
          " && convert -size 29x17 -seed 7 plasma:fractal -colors 2 -type Bilevel -compress None "
          "BMP3:im1.bmp"
          " && /usr/bin/python3 -c \"from PIL import Image; im = Image.open('im8.bmp');"
          " im.convert('P', palette=Image.ADAPTIVE, colors=16).save('pil4.bmp');"
          " im.convert('RGB').save('pil24.bmp')\"");
    for (const char* name : {"im1", "im8", "im24", "im32", "pil4", "pil24"}) {
        SCOPED_TRACE(name);
        const fs::path bmp = dir / (std::string(name) + ".bmp");
        const fs::path gif = dir / (std::string(name) + ".gif");
        Tool("encode " + Quote(bmp) + " -o " + Quote(gif));
        GiflibFile file = Slurp(gif);
        ASSERT_TRUE(file);
        EXPECT_TRUE(GiflibColors(file.get(), 0) == MagickColors(bmp));
    }
}

TEST_F(GifEncodeCrossCheck, AnimationsKeepDelayDisposalAndLooping) {
    std::mt19937 random(34);
    std::string inputs;
    std::vector<std::vector<TColor>> frames;
    for (int i = 0; i < 3; ++i) {
        const TDib dib = RandomDib(48, 32, i == 1 ? 24 : 8, 30 + i, random, true);
        const fs::path bmp = FDir / ("frame" + std::to_string(i) + ".bmp");
        WriteFile(bmp, dib.FileImage());
        inputs += Quote(bmp) + " ";
        frames.push_back(BitmapColors(dib));
    }
    struct TCase {
        int DelayMs;
        int Disposal;
        int Loop;
        const char* MagickDisposal;
    };
    for (const TCase& c : {TCase{130, 2, 4, "Background"}, TCase{1000, 1, 0, "None"}}) {
        SCOPED_TRACE("delay " + std::to_string(c.DelayMs));
        const fs::path gif = FDir / ("anim" + std::to_string(c.DelayMs) + ".gif");
        Tool("encode " + inputs + "-o " + Quote(gif) + " --delay " + std::to_string(c.DelayMs) +
             " --dispose " + std::to_string(c.Disposal) + " --loop " + std::to_string(c.Loop));

        GiflibFile file = Slurp(gif);
        ASSERT_TRUE(file);
        ASSERT_EQ(file->ImageCount, 3);
        EXPECT_EQ(LoopCount(file.get()), c.Loop);
        const nlohmann::json pillow = Pillow(gif);
        EXPECT_EQ(pillow["loop"], c.Loop);
        std::istringstream magick(Shell("identify -format '%T %D\\n' " + Quote(gif)));
        const std::string iterations =
            Shell("identify -verbose " + Quote(gif) + " | grep -m1 Iterations | tr -dc 0-9");
        // ImageMagick counts plays, not repeats, except for "for ever".
        EXPECT_EQ(std::stoi(iterations), c.Loop == 0 ? 0 : c.Loop + 1);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            GraphicsControlBlock gcb{};
            ASSERT_EQ(DGifSavedExtensionToGCB(file.get(), i, &gcb), GIF_OK);
            EXPECT_EQ(gcb.DelayTime, c.DelayMs / 10);
            EXPECT_EQ(gcb.DisposalMode, c.Disposal);
            EXPECT_EQ(gcb.TransparentColor, NO_TRANSPARENT_COLOR);
            EXPECT_TRUE(GiflibColors(file.get(), i) == frames[i]);
            const auto& frame = pillow["frames"][static_cast<std::size_t>(i)];
            EXPECT_EQ(frame["duration"], c.DelayMs);
            EXPECT_EQ(frame["disposal"], c.Disposal);
            EXPECT_TRUE(PillowColors(pillow, i) == frames[i]);
            int delay = 0;
            std::string disposal;
            magick >> delay >> disposal;
            EXPECT_EQ(delay, c.DelayMs / 10);
            EXPECT_EQ(disposal, c.MagickDisposal);
            EXPECT_TRUE(MagickColors(gif, i) == frames[i]);
        }
    }
}

TEST_F(GifEncodeCrossCheck, CopiesOfOtherEncodersKeepTheirPixelsAndAreStable) {
    int copied = 0;
    for (const auto& entry : fs::directory_iterator(FDir / "others")) {
        if (entry.path().extension() != ".gif") {
            continue;
        }
        const fs::path source = entry.path();
        SCOPED_TRACE(source.filename().string());
        const fs::path copy = FDir / ("copy_" + source.filename().string());
        const fs::path again = FDir / ("again_" + source.filename().string());
        Tool("copy " + Quote(source) + " -o " + Quote(copy));
        Tool("copy " + Quote(copy) + " -o " + Quote(again));
        EXPECT_TRUE(ReadFile(copy) == ReadFile(again));

        GiflibFile theirs = Slurp(source);
        GiflibFile ours = Slurp(copy);
        ASSERT_TRUE(theirs && ours);
        ASSERT_EQ(ours->ImageCount, theirs->ImageCount);
        for (int i = 0; i < theirs->ImageCount; ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const GifImageDesc& a = theirs->SavedImages[i].ImageDesc;
            const GifImageDesc& b = ours->SavedImages[i].ImageDesc;
            EXPECT_EQ(b.Left, a.Left);
            EXPECT_EQ(b.Top, a.Top);
            EXPECT_EQ(b.Width, a.Width);
            EXPECT_EQ(b.Height, a.Height);
            EXPECT_EQ(b.Interlace, a.Interlace);
            EXPECT_EQ(
                std::memcmp(ours->SavedImages[i].RasterBits, theirs->SavedImages[i].RasterBits,
                            static_cast<std::size_t>(a.Width) * a.Height),
                0);
            EXPECT_TRUE(GiflibColors(ours.get(), i) == GiflibColors(theirs.get(), i));
            GraphicsControlBlock gcbA{};
            GraphicsControlBlock gcbB{};
            const bool hasA = DGifSavedExtensionToGCB(theirs.get(), i, &gcbA) == GIF_OK;
            ASSERT_EQ(DGifSavedExtensionToGCB(ours.get(), i, &gcbB) == GIF_OK, hasA);
            EXPECT_EQ(gcbB.DelayTime, gcbA.DelayTime);
            EXPECT_EQ(gcbB.DisposalMode, gcbA.DisposalMode);
            EXPECT_EQ(gcbB.TransparentColor == NO_TRANSPARENT_COLOR,
                      gcbA.TransparentColor == NO_TRANSPARENT_COLOR);
        }
        EXPECT_EQ(LoopCount(ours.get()), theirs->ImageCount > 1 ? LoopCount(theirs.get()) : -1);
        ++copied;
    }
    EXPECT_GE(copied, 18);
}

TEST_F(GifEncodeCrossCheck, LongCommentsSurviveWhole) {
    const fs::path source = FDir / "others" / "rose.gif";
    const fs::path out = FDir / "commented.gif";
    std::string text;
    for (int i = 0; text.size() < 700; ++i) {
        text += "line " + std::to_string(i) + " of a comment that will not fit one block. ";
    }
    Tool("comment " + Quote(source) + " '" + text + "' -o " + Quote(out));
    GiflibFile file = Slurp(out);
    ASSERT_TRUE(file);
    std::string read;
    for (int i = 0; i < file->ExtensionBlockCount; ++i) {
        const ExtensionBlock& block = file->ExtensionBlocks[i];
        if (block.Function == COMMENT_EXT_FUNC_CODE || block.Function == CONTINUE_EXT_FUNC_CODE) {
            read.append(reinterpret_cast<const char*>(block.Bytes),
                        static_cast<std::size_t>(block.ByteCount));
        }
    }
    EXPECT_EQ(read, text);
    // Our reader keeps one line per sub-block.
    const auto info = nlohmann::json::parse(Tool("info --json " + Quote(out)));
    std::string lines;
    for (const auto& line : info["comment"]) {
        EXPECT_LE(line.get<std::string>().size(), 255u);
        lines += line.get<std::string>();
    }
    EXPECT_EQ(lines, text);
    EXPECT_TRUE(GiflibColors(file.get(), 0) == GiflibColors(Slurp(source).get(), 0));
}

TEST_F(GifEncodeCrossCheck, FailuresNameTheFileAndWriteNothing) {
    const fs::path bad = FDir / "bad.bmp";
    WriteFile(bad, Bytes{'B', 'M', 1, 2, 3});
    const fs::path out = FDir / "never.gif";
    const fs::path err = FDir / "err.txt";
    const std::string command = std::string(GIFCODEC_PATH) + " encode " + Quote(bad) + " -o " +
                                Quote(out) + " 2> " + Quote(err);
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_FALSE(fs::exists(out));
    std::ifstream in(err);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "gifcodec: " + bad.string() + ": Bitmap ist ungültig");
}

}  // namespace
