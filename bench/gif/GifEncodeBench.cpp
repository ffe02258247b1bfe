// Encoding a one-megapixel 8-bit photo: our writer (a frame holding only its bitmap, written as a
// whole GIF) against giflib's EGifPutLine on the same pixel indices and palette in the same run.
// Before timing, both outputs are decoded by giflib and checked against the source pixels, and our
// output is checked to come out byte for byte the same on a second run. Each benchmark reports
// megapixels per second and the size of its GIF.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gif/GIFImage.h"
#include "gif/GIFStream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The photo's pixels as an 8-bit bitmap, decoded once.
const gif::TDib& Photo() {
    static const gif::TDib photo = [] {
        std::ifstream in(std::string(BENCH_PICTURES) + "/photo.gif", std::ios::binary);
        const Bytes data{std::istreambuf_iterator<char>(in), {}};
        gif::TGIFImage image;
        gif::TMemoryStream stream(data);
        image.LoadGifData(static_cast<std::int64_t>(data.size()), stream, false);
        gif::TDib dib = image.Frame(0).BuildDib();
        dib.Palette.resize(256);
        return dib;
    }();
    return photo;
}

std::int64_t PixelCount() {
    return std::int64_t{Photo().Width} * Photo().Height;
}

// An image whose one frame holds only the photo's bitmap, as a picture copied from a bitmap is.
class TBitmapImage {
  public:
    explicit TBitmapImage(const gif::TDib& dib) {
        FImage.FGifVersion = gif::gfv87a;
        FImage.NewFrame().FBitmapCache = std::make_unique<gif::TDib>(dib.Clone());
    }

    // Encodes the bitmap afresh into stream: the frame drops its code stream and the image its
    // global table.
    void Encode(gif::TMemoryStream& stream) {
        FImage.Frame(0).FreshItem();
        FImage.FShared->FGlobalTable.Clear();
        FImage.WriteToStream(stream);
    }

    Bytes Encode() {
        gif::TMemoryStream stream;
        Encode(stream);
        return Bytes(stream.Bytes().begin(), stream.Bytes().end());
    }

  private:
    gif::TGIFImage FImage;
};

int WriteToVector(GifFileType* file, const GifByteType* data, int count) {
    auto* out = static_cast<Bytes*>(file->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

// Top-down rows of palette indices, as giflib takes them.
std::vector<GifPixelType> TopDownIndices(const gif::TDib& dib) {
    std::vector<GifPixelType> rows(static_cast<std::size_t>(PixelCount()));
    for (int y = 0; y < dib.Height; ++y) {
        std::memcpy(rows.data() + static_cast<std::size_t>(y) * dib.Width, dib.Row(y),
                    static_cast<std::size_t>(dib.Width));
    }
    return rows;
}

Bytes EncodeGiflib(const gif::TDib& dib, std::vector<GifPixelType>& rows, ColorMapObject* map) {
    Bytes out;
    out.reserve(static_cast<std::size_t>(PixelCount()));
    int error = 0;
    GifFileType* file = EGifOpen(&out, WriteToVector, &error);
    EGifPutScreenDesc(file, dib.Width, dib.Height, 8, 0, map);
    EGifPutImageDesc(file, 0, 0, dib.Width, dib.Height, false, nullptr);
    for (int y = 0; y < dib.Height; ++y) {
        EGifPutLine(file, rows.data() + static_cast<std::size_t>(y) * dib.Width, dib.Width);
    }
    EGifCloseFile(file, &error);
    return out;
}

ColorMapObject* PaletteMap(const gif::TDib& dib) {
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; ++i) {
        const gif::TRgbQuad& q = dib.Palette[static_cast<std::size_t>(i)];
        map->Colors[i] = {q[2], q[1], q[0]};
    }
    return map;
}

int ReadFromVector(GifFileType* file, GifByteType* out, int count) {
    auto* in = static_cast<std::pair<const Bytes*, std::size_t>*>(file->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), in->first->size() - in->second);
    std::memcpy(out, in->first->data() + in->second, n);
    in->second += n;
    return static_cast<int>(n);
}

// giflib decodes data to the photo's own colours.
bool DecodesToPhoto(const Bytes& data) {
    const gif::TDib& dib = Photo();
    std::pair<const Bytes*, std::size_t> input{&data, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&input, ReadFromVector, &error);
    bool same = file != nullptr && DGifSlurp(file) == GIF_OK && file->ImageCount == 1;
    for (int y = 0; same && y < dib.Height; ++y) {
        const SavedImage& image = file->SavedImages[0];
        const ColorMapObject* map =
            image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : file->SColorMap;
        for (int x = 0; same && x < dib.Width; ++x) {
            const GifColorType& c = map->Colors[image.RasterBits[y * dib.Width + x]];
            const gif::TRgbQuad& q = dib.Palette[dib.PixelIndex(x, y)];
            same = c.Red == q[2] && c.Green == q[1] && c.Blue == q[0];
        }
    }
    DGifCloseFile(file, &error);
    return same;
}

void SetCounters(benchmark::State& state, std::size_t bytes) {
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(PixelCount()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_VerinoxEncode(benchmark::State& state) {
    TBitmapImage image(Photo());
    const Bytes first = image.Encode();
    if (!DecodesToPhoto(first) || TBitmapImage(Photo()).Encode() != first) {
        state.SkipWithError("our GIF does not decode to the photo, or differs between runs");
        return;
    }
    for (auto _ : state) {
        gif::TMemoryStream stream;
        image.Encode(stream);
        benchmark::DoNotOptimize(stream.Bytes().data());
    }
    SetCounters(state, first.size());
}

void BM_GiflibEncode(benchmark::State& state) {
    std::vector<GifPixelType> rows = TopDownIndices(Photo());
    ColorMapObject* map = PaletteMap(Photo());
    const Bytes first = EncodeGiflib(Photo(), rows, map);
    if (!DecodesToPhoto(first)) {
        state.SkipWithError("giflib's GIF does not decode to the photo");
    } else {
        for (auto _ : state) {
            benchmark::DoNotOptimize(EncodeGiflib(Photo(), rows, map).data());
        }
        SetCounters(state, first.size());
    }
    GifFreeMapObject(map);
}

}  // namespace

BENCHMARK(BM_VerinoxEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GiflibEncode)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
