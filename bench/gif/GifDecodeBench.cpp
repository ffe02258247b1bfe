// Decoding GIF data into indexed pixels: our codec (load, then BuildDib of every frame) against
// giflib (DGifSlurp) and stb_image (all frames, composed to RGBA) on the same data in the same run.
// Before timing, every frame of ours is checked against giflib's pixel indices.
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <stb/stb_image.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gif/GIFImage.h"
#include "gif/GIFStream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadPicture(const std::string& name) {
    std::ifstream in(std::string(BENCH_PICTURES) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct TInput {
    const Bytes* Data;
    std::size_t Pos;
};

int ReadFromMemory(GifFileType* file, GifByteType* out, int count) {
    auto* in = static_cast<TInput*>(file->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), in->Data->size() - in->Pos);
    std::memcpy(out, in->Data->data() + in->Pos, n);
    in->Pos += n;
    return static_cast<int>(n);
}

GifFileType* GiflibSlurp(const Bytes& data, TInput& input) {
    input = {&data, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&input, ReadFromMemory, &error);
    if (file != nullptr && DGifSlurp(file) != GIF_OK) {
        DGifCloseFile(file, &error);
        return nullptr;
    }
    return file;
}

std::int64_t PixelCount(const Bytes& data) {
    TInput input{};
    GifFileType* file = GiflibSlurp(data, input);
    std::int64_t pixels = 0;
    for (int i = 0; file != nullptr && i < file->ImageCount; ++i) {
        pixels += std::int64_t{file->SavedImages[i].ImageDesc.Width} *
                  file->SavedImages[i].ImageDesc.Height;
    }
    int error = 0;
    DGifCloseFile(file, &error);
    return pixels;
}

// Like giflib's reader below, ours reads from data held in memory outside the timed loop.
void DecodeOurs(gif::TMemoryStream& stream, gif::TGIFImage& image) {
    stream.Seek(0);
    image.LoadGifData(static_cast<std::int64_t>(stream.Size()), stream, false);
    for (int i = 0; i < image.FrameCount(); ++i) {
        image.Frame(i).FrameBitmap();
    }
}

// Our pixel indices equal giflib's on every frame.
bool SameAsGiflib(const Bytes& data) {
    gif::TGIFImage image;
    gif::TMemoryStream stream(data);
    DecodeOurs(stream, image);
    TInput input{};
    GifFileType* file = GiflibSlurp(data, input);
    bool same = file != nullptr && file->ImageCount == image.FrameCount();
    for (int i = 0; same && i < file->ImageCount; ++i) {
        const SavedImage& saved = file->SavedImages[i];
        const gif::TDib& dib = image.Frame(i).FrameBitmap();
        for (int y = 0; y < saved.ImageDesc.Height; ++y) {
            for (int x = 0; x < saved.ImageDesc.Width; ++x) {
                same =
                    same && dib.PixelIndex(x, y) == saved.RasterBits[y * saved.ImageDesc.Width + x];
            }
        }
    }
    int error = 0;
    DGifCloseFile(file, &error);
    return same;
}

void SetRate(benchmark::State& state, std::int64_t pixels) {
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(pixels) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_Verinox(benchmark::State& state, const char* name) {
    const Bytes data = ReadPicture(name);
    if (!SameAsGiflib(data)) {
        state.SkipWithError("pixel indices differ from giflib's");
        return;
    }
    gif::TMemoryStream stream(data);
    for (auto _ : state) {
        gif::TGIFImage image;
        DecodeOurs(stream, image);
        benchmark::DoNotOptimize(image.Frame(0).FrameBitmap().Pixels.Data());
    }
    SetRate(state, PixelCount(data));
}

void BM_Giflib(benchmark::State& state, const char* name) {
    const Bytes data = ReadPicture(name);
    for (auto _ : state) {
        TInput input{};
        GifFileType* file = GiflibSlurp(data, input);
        benchmark::DoNotOptimize(file->SavedImages[0].RasterBits);
        int error = 0;
        DGifCloseFile(file, &error);
    }
    SetRate(state, PixelCount(data));
}

void BM_StbImage(benchmark::State& state, const char* name) {
    const Bytes data = ReadPicture(name);
    for (auto _ : state) {
        int* delays = nullptr;
        int width = 0;
        int height = 0;
        int frames = 0;
        int channels = 0;
        stbi_uc* pixels =
            stbi_load_gif_from_memory(data.data(), static_cast<int>(data.size()), &delays, &width,
                                      &height, &frames, &channels, 0);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
        stbi_image_free(delays);
    }
    SetRate(state, PixelCount(data));
}

}  // namespace

BENCHMARK_CAPTURE(BM_Verinox, icon, "icon.gif");
BENCHMARK_CAPTURE(BM_Giflib, icon, "icon.gif");
BENCHMARK_CAPTURE(BM_StbImage, icon, "icon.gif");
BENCHMARK_CAPTURE(BM_Verinox, animation, "animation.gif");
BENCHMARK_CAPTURE(BM_Giflib, animation, "animation.gif");
BENCHMARK_CAPTURE(BM_StbImage, animation, "animation.gif");
BENCHMARK_CAPTURE(BM_Verinox, photo, "photo.gif");
BENCHMARK_CAPTURE(BM_Giflib, photo, "photo.gif");
BENCHMARK_CAPTURE(BM_StbImage, photo, "photo.gif");

BENCHMARK_MAIN();
