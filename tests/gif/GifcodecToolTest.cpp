// The gifcodec tool as people run it: rendered frames against ImageMagick and Pillow, PNG in and
// out checked by Pillow, decompression bombs, frame comments and the argument reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "GifBytes.h"

using namespace giftest;
namespace fs = std::filesystem;

namespace {

struct TResult {
    int Status = -1;
    std::string Output;  // standard output and error together
};

TResult Shell(const std::string& command) {
    TResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.Output.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class GifcodecTool : public ::testing::Test {
  protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() /
               ("gifcodec-tool-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }

    std::string Path(const std::string& name) const { return (FDir / name).string(); }
    void Write(const std::string& name, const Bytes& data) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
    }
    static std::string Tool() { return GIFCODEC_PATH; }

    fs::path FDir;
};

TEST_F(GifcodecTool, RenderedFramesMatchImageMagickAndPillowForEveryDisposal) {
    const TResult result = Shell(std::string(RENDER_CHECK) + " " + Tool() + " " + Path("work"));
    ASSERT_EQ(result.Status, 0) << result.Output;
    const auto report = nlohmann::json::parse(result.Output);
    ASSERT_EQ(report.size(), 5u);
    for (const auto& [name, picture] : report.items()) {
        EXPECT_GE(picture["frames"].get<int>(), 4) << name;
        EXPECT_EQ(picture["imagemagick"].get<int>(), 0) << name;
        EXPECT_EQ(picture["pillow"].get<int>(), 0) << name;
    }
}

TEST_F(GifcodecTool, PngInAndOutKeepsColoursIndicesAndTransparency) {
    const TResult result = Shell(std::string(PNG_CHECK) + " " + Tool() + " " + Path("work"));
    ASSERT_EQ(result.Status, 0) << result.Output;
    const auto checks = nlohmann::json::parse(result.Output);
    ASSERT_EQ(checks.size(), 6u);
    for (const auto& [name, holds] : checks.items()) {
        EXPECT_TRUE(holds.get<bool>()) << name;
    }
}

// A few hundred bytes claiming 65535 x 65535 pixels: every command that decodes refuses it, within
// 100 MB of address space, names the size and the option, and writes nothing.
TEST_F(GifcodecTool, DecompressionBombIsRefusedUpFront) {
    TGifBytes bomb;
    bomb.Header().Screen(65535, 65535, 1).Descriptor(0, 0, 65535, 65535).Raster(2, OnePixelCodes());
    Write("bomb.gif", bomb.Trailer().Data());
#if defined(__SANITIZE_ADDRESS__)
    // (AddressSanitizer reserves more address space than the limit allows.)
    const std::string limited = Tool();
#else
    const std::string limited = "ulimit -v 102400; " + Tool();
#endif
    for (const std::string& command :
         {"decode " + Path("bomb.gif") + " -o " + Path("out.bmp"),
          "decode " + Path("bomb.gif") + " -o " + Path("out.png"),
          "render " + Path("bomb.gif") + " -o " + Path("out.png"), "info " + Path("bomb.gif")}) {
        const TResult result = Shell(limited + " " + command);
        EXPECT_EQ(result.Status, 1) << command;
        EXPECT_NE(result.Output.find("65535 x 65535 pixels is above the limit of 180000000"),
                  std::string::npos)
            << result.Output;
        EXPECT_NE(result.Output.find("--max-pixels N"), std::string::npos) << result.Output;
    }
    EXPECT_FALSE(fs::exists(Path("out.bmp")));
    EXPECT_FALSE(fs::exists(Path("out.png")));

    // A lower limit refuses smaller frames; a higher one lets them through.
    TGifBytes small;
    small.Header().Screen(20, 10, 1).Descriptor(0, 0, 20, 10).Raster(2, OnePixelCodes());
    Write("small.gif", small.Trailer().Data());
    EXPECT_EQ(
        Shell(Tool() + " decode --max-pixels 199 " + Path("small.gif") + " -o " + Path("small.bmp"))
            .Status,
        1);
    EXPECT_EQ(
        Shell(Tool() + " decode --max-pixels 200 " + Path("small.gif") + " -o " + Path("small.bmp"))
            .Status,
        0);
}

TEST_F(GifcodecTool, InfoJsonGivesEachFrameItsComment) {
    TGifBytes gif;
    gif.Header().Screen(4, 4, 1);
    gif.Descriptor(0, 0, 1, 1).Raster(2, OnePixelCodes());
    gif.Comment({"first line", "second"}).Descriptor(1, 1, 1, 1).Raster(2, OnePixelCodes());
    gif.Comment({"image"});
    Write("comments.gif", gif.Trailer().Data());
    const TResult result = Shell(Tool() + " info --json " + Path("comments.gif"));
    ASSERT_EQ(result.Status, 0) << result.Output;
    const auto info = nlohmann::json::parse(result.Output);
    EXPECT_EQ(info["frames"][0]["comment"], nlohmann::json::array());
    EXPECT_EQ(info["frames"][1]["comment"], nlohmann::json({"first line", "second"}));
    EXPECT_EQ(info["comment"], nlohmann::json({"image"}));
}

TEST_F(GifcodecTool, ArgumentErrorsNameTheFlagAndHelpEndsWithANewline) {
    for (const char* command : {"info", "decode", "render", "encode", "copy", "comment"}) {
        const TResult help = Shell(Tool() + " " + std::string(command) + " --help");
        EXPECT_EQ(help.Status, 0) << command;
        ASSERT_FALSE(help.Output.empty());
        EXPECT_EQ(help.Output.back(), '\n') << command;
    }
    EXPECT_EQ(Shell(Tool() + " --help").Output.back(), '\n');
    const TResult number = Shell(Tool() + " decode x.gif --frame 1x -o y.bmp");
    EXPECT_EQ(number.Status, 1);
    EXPECT_NE(number.Output.find("--frame needs a number from 0 to 2147483647, not '1x'"),
              std::string::npos)
        << number.Output;
    const TResult pixels = Shell(Tool() + " render x.gif --max-pixels 0 -o y.png");
    EXPECT_NE(pixels.Output.find("--max-pixels needs a number from 1 to 4294836225, not '0'"),
              std::string::npos)
        << pixels.Output;
    EXPECT_NE(Shell(Tool() + " encode a.bmp --delay").Output.find("--delay needs a value"),
              std::string::npos);
    EXPECT_NE(Shell(Tool() + " copy a.gif --fast -o b.gif").Output.find("unknown option '--fast'"),
              std::string::npos);
    EXPECT_NE(Shell(Tool() + " render a.gif --all --frame 2 -o b.png").Output.find("exclude"),
              std::string::npos);
}

}  // namespace
