#include "PngFiles.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "gif/ColorReduction.h"
#include "gif/GIFErrors.h"

namespace gifcodec {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kOpaqueFrom = 128;  // alpha from here up counts as opaque
constexpr int kMaxEntries = 256;

// libpng reports errors by calling this and jumping back to the setjmp of the call in progress;
// the text is kept for the exception raised there.
struct TPngErrors {
    char Message[256] = "PNG error";
};

void OnError(png_structp png, png_const_charp message) {
    auto* errors = static_cast<TPngErrors*>(png_get_error_ptr(png));
    std::snprintf(errors->Message, sizeof errors->Message, "PNG: %s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

struct TReadCursor {
    std::span<const std::uint8_t> Bytes;
    std::size_t Position = 0;
};

void TakeBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* cursor = static_cast<TReadCursor*>(png_get_io_ptr(png));
    if (cursor->Bytes.size() - cursor->Position < length) {
        png_error(png, "file cut short");
    }
    std::memcpy(data, cursor->Bytes.data() + cursor->Position, length);
    cursor->Position += length;
}

using TRgb = std::array<std::uint8_t, 3>;

std::uint32_t Key(const TRgb& rgb) {
    return std::uint32_t{rgb[0]} | std::uint32_t{rgb[1]} << 8 | std::uint32_t{rgb[2]} << 16;
}

gif::TColor ColorOf(const gif::TRgbQuad& quad) {
    return gif::TColor{quad[2]} | gif::TColor{quad[1]} << 8 | gif::TColor{quad[0]} << 16;
}

// A colour that no entry of palette but skip has: transparency is held as a colour, so the
// transparent entry must not share it with a visible one.
gif::TRgbQuad UniqueColor(const std::vector<gif::TRgbQuad>& palette, std::size_t skip) {
    for (std::uint32_t c = 0xFF00FF;; ++c) {
        const gif::TRgbQuad quad{static_cast<std::uint8_t>(c >> 16),
                                 static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c),
                                 0};
        bool used = false;
        for (std::size_t i = 0; i < palette.size() && !used; ++i) {
            used = i != skip && palette[i][0] == quad[0] && palette[i][1] == quad[1] &&
                   palette[i][2] == quad[2];
        }
        if (!used) {
            return quad;
        }
    }
}

gif::TDib NewDib(std::int32_t width, std::int32_t height, int depth) {
    gif::TDib dib;
    dib.Width = width;
    dib.Height = height;
    dib.BitCount = static_cast<std::uint16_t>(depth);
    if (depth <= 8) {
        dib.Palette.assign(std::size_t{1} << depth, gif::TRgbQuad{0, 0, 0, 0});
    }
    dib.Pixels = gif::TPixelBuffer(dib.ImageSize());
    return dib;
}

std::uint8_t* DibRow(gif::TDib& dib, std::int32_t y) {
    return dib.Pixels.Data() + static_cast<std::size_t>(dib.Height - 1 - y) * dib.Stride();
}

// An RGBA picture as an 8-bit bitmap: its own colours when they fit, else reduced; transparent
// pixels get an entry of their own whose colour no visible entry has.
TPngPicture IndexedFromRgba(const std::vector<std::uint8_t>& rgba, std::int32_t width,
                            std::int32_t height, bool gray) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    bool hasTransparent = false;
    std::unordered_set<std::uint32_t> colors;
    const std::size_t room = kMaxEntries - 1;
    for (std::size_t i = 0; i < count && colors.size() <= room + 1; ++i) {
        const std::uint8_t* p = &rgba[4 * i];
        if (p[3] < kOpaqueFrom) {
            hasTransparent = true;
        } else {
            colors.insert(Key({p[0], p[1], p[2]}));
        }
    }
    for (std::size_t i = 0; i < count && !hasTransparent; ++i) {
        hasTransparent = rgba[4 * i + 3] < kOpaqueFrom;
    }
    TPngPicture picture;
    gif::TDib& out = picture.Bitmap;
    const std::size_t limit = hasTransparent ? room : kMaxEntries;
    std::vector<std::uint8_t> index(count);
    if (!gray && colors.size() <= limit) {
        out = NewDib(width, height, 8);
        std::vector<std::uint32_t> keys(colors.begin(), colors.end());
        std::sort(keys.begin(), keys.end());
        for (std::size_t k = 0; k < keys.size(); ++k) {
            out.Palette[k] = {static_cast<std::uint8_t>(keys[k] >> 16),
                              static_cast<std::uint8_t>(keys[k] >> 8),
                              static_cast<std::uint8_t>(keys[k]), 0};
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = &rgba[4 * i];
            const auto at = std::lower_bound(keys.begin(), keys.end(), Key({p[0], p[1], p[2]}));
            index[i] = p[3] < kOpaqueFrom ? static_cast<std::uint8_t>(keys.size())
                                          : static_cast<std::uint8_t>(at - keys.begin());
        }
        if (hasTransparent) {
            out.Palette[keys.size()] = UniqueColor(out.Palette, keys.size());
            picture.Transparent = ColorOf(out.Palette[keys.size()]);
        }
    } else {
        gif::TDib full = NewDib(width, height, 24);
        for (std::int32_t y = 0; y < height; ++y) {
            std::uint8_t* row = DibRow(full, y);
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = &rgba[4 * (static_cast<std::size_t>(y) * width + x)];
                row[3 * x] = p[2];
                row[3 * x + 1] = p[1];
                row[3 * x + 2] = p[0];
            }
        }
        out = gif::ReduceToIndexed(full, gray ? gif::rmGrey : gif::rmPopularity);
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* row = DibRow(out, y);
            std::copy(row, row + width, index.begin() + static_cast<std::ptrdiff_t>(y) * width);
        }
        if (hasTransparent) {
            // The entry least used by visible pixels gives way to transparency; its pixels move
            // to their nearest other entry.
            std::array<std::size_t, kMaxEntries> used{};
            for (std::size_t i = 0; i < count; ++i) {
                used[index[i]] += rgba[4 * i + 3] >= kOpaqueFrom ? 1 : 0;
            }
            const auto key =
                static_cast<std::size_t>(std::min_element(used.begin(), used.end()) - used.begin());
            std::size_t nearest = key == 0 ? 1 : 0;
            int best = -1;
            for (std::size_t k = 0; k < kMaxEntries; ++k) {
                if (k == key) {
                    continue;
                }
                int distance = 0;
                for (int c = 0; c < 3; ++c) {
                    const int d = out.Palette[k][c] - out.Palette[key][c];
                    distance += d * d;
                }
                if (best < 0 || distance < best) {
                    best = distance;
                    nearest = k;
                }
            }
            for (std::size_t i = 0; i < count; ++i) {
                if (rgba[4 * i + 3] < kOpaqueFrom) {
                    index[i] = static_cast<std::uint8_t>(key);
                } else if (index[i] == key) {
                    index[i] = static_cast<std::uint8_t>(nearest);
                }
            }
            out.Palette[key] = UniqueColor(out.Palette, key);
            picture.Transparent = ColorOf(out.Palette[key]);
        }
    }
    for (std::int32_t y = 0; y < height; ++y) {
        std::copy(index.begin() + static_cast<std::ptrdiff_t>(y) * width,
                  index.begin() + static_cast<std::ptrdiff_t>(y + 1) * width, DibRow(out, y));
    }
    return picture;
}

// Fills the picture from png, whose header has been read. Only trivially destructible locals
// live here: libpng's errors jump back over this frame.
void ReadPixels(png_structp png, png_infop info, std::vector<std::uint8_t>& pixels,
                std::vector<png_bytep>& rows, std::vector<gif::TRgbQuad>& palette,
                std::vector<std::uint8_t>& alpha, bool keepPalette) {
    const png_uint_32 height = png_get_image_height(png, info);
    if (keepPalette) {
        png_colorp colors = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colors, &count);
        for (int i = 0; i < count; ++i) {
            palette.push_back({colors[i].blue, colors[i].green, colors[i].red, 0});
        }
        png_bytep trans = nullptr;
        int transCount = 0;
        if (png_get_tRNS(png, info, &trans, &transCount, nullptr) != 0) {
            alpha.assign(trans, trans + transCount);
        }
        png_set_packing(png);
    } else {
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    pixels.resize(rowBytes * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = pixels.data() + static_cast<std::size_t>(y) * rowBytes;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
}

}  // namespace

bool IsPng(std::span<const std::uint8_t> file) {
    return file.size() >= sizeof kPngSignature &&
           std::equal(std::begin(kPngSignature), std::end(kPngSignature), file.begin());
}

std::vector<std::uint8_t> PngFromDib(const gif::TDib& dib, gif::TColor transparent) {
    std::vector<std::uint8_t> out;
    TPngErrors errors;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        throw std::bad_alloc();
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(std::max(dib.Height, 0)));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = const_cast<png_bytep>(dib.Row(static_cast<std::int32_t>(y)));
    }
    std::array<png_color, kMaxEntries> palette{};
    std::array<png_byte, kMaxEntries> alpha{};
    // Read after libpng's setjmp below: kept in memory.
    volatile int alphaCount = 0;
    const volatile int entries =
        static_cast<int>(std::min<std::size_t>(dib.Palette.size(), kMaxEntries));
    for (int i = 0; i < entries; ++i) {
        const gif::TRgbQuad& quad = dib.Palette[static_cast<std::size_t>(i)];
        palette[static_cast<std::size_t>(i)] = {quad[2], quad[1], quad[0]};
        const bool clear = transparent != gif::clNone && ColorOf(quad) == transparent;
        alpha[static_cast<std::size_t>(i)] = clear ? 0 : 0xFF;
        alphaCount = clear ? i + 1 : alphaCount;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        throw gif::EInvalidGraphic(errors.Message);
    }
    png_set_write_fn(png, &out, AppendBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(dib.Width),
                 static_cast<png_uint_32>(dib.Height), dib.BitCount, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette.data(), entries);
    if (alphaCount > 0) {
        png_set_tRNS(png, info, alpha.data(), alphaCount, nullptr);
    }
    // Palette images compress best unfiltered.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<std::uint8_t> PngFromRgba(const std::uint8_t* pixels, std::int32_t width,
                                      std::int32_t height) {
    std::vector<std::uint8_t> out;
    TPngErrors errors;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        throw std::bad_alloc();
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(std::max(height, 0)));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = const_cast<png_bytep>(pixels + y * 4 * static_cast<std::size_t>(width));
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        throw gif::EInvalidGraphic(errors.Message);
    }
    png_set_write_fn(png, &out, AppendBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

TPngPicture ReadPng(std::span<const std::uint8_t> file, std::int64_t maxPixels, bool gray) {
    TPngErrors errors;
    TReadCursor cursor{file};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw std::bad_alloc();
    }
    std::vector<std::uint8_t> pixels;  // RGBA, or one palette index per pixel
    std::vector<png_bytep> rows;
    std::vector<gif::TRgbQuad> palette;
    std::vector<std::uint8_t> alpha;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    bool tooLarge = false;
    bool keepPalette = false;
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw gif::EInvalidGraphic(errors.Message);
    }
    png_set_read_fn(png, &cursor, TakeBytes);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_read_info(png, info);
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    tooLarge = std::int64_t{width} * std::int64_t{height} > maxPixels;
    keepPalette = colorType == PNG_COLOR_TYPE_PALETTE && !gray;
    if (!tooLarge) {
        ReadPixels(png, info, pixels, rows, palette, alpha, keepPalette);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (tooLarge) {
        throw gif::EFrameTooLarge(width, height, maxPixels);
    }
    const auto w = static_cast<std::int32_t>(width);
    const auto h = static_cast<std::int32_t>(height);
    if (!keepPalette) {
        return IndexedFromRgba(pixels, w, h, gray);
    }
    // Palette images keep their entries and indices: 1, 4 or 8 bits per pixel (2 become 4).
    TPngPicture picture;
    const int depth = bitDepth == 1 ? 1 : bitDepth <= 4 ? 4 : 8;
    picture.Bitmap = NewDib(w, h, depth);
    gif::TDib& dib = picture.Bitmap;
    for (std::size_t i = 0; i < palette.size() && i < dib.Palette.size(); ++i) {
        dib.Palette[i] = palette[i];
    }
    // Entries under half alpha are transparent: all of them take one colour no visible entry has.
    std::vector<bool> clear(dib.Palette.size(), false);
    for (std::size_t i = 0; i < alpha.size() && i < clear.size(); ++i) {
        clear[i] = alpha[i] < kOpaqueFrom;
    }
    const auto firstClear = std::find(clear.begin(), clear.end(), true);
    if (firstClear != clear.end()) {
        std::vector<gif::TRgbQuad> visible;
        for (std::size_t i = 0; i < dib.Palette.size(); ++i) {
            if (!clear[i]) {
                visible.push_back(dib.Palette[i]);
            }
        }
        const gif::TRgbQuad key = UniqueColor(visible, visible.size());
        for (std::size_t i = 0; i < dib.Palette.size(); ++i) {
            if (clear[i]) {
                dib.Palette[i] = key;
            }
        }
        picture.Transparent = ColorOf(key);
    }
    for (std::int32_t y = 0; y < h; ++y) {
        const std::uint8_t* in = pixels.data() + static_cast<std::size_t>(y) * width;
        std::uint8_t* out = DibRow(dib, y);
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint8_t value = in[x];
            if (depth == 8) {
                out[x] = value;
            } else if (depth == 4) {
                out[x / 2] |= static_cast<std::uint8_t>((value & 0x0F) << (x % 2 == 0 ? 4 : 0));
            } else {
                out[x / 8] |= static_cast<std::uint8_t>((value & 1) << (7 - x % 8));
            }
        }
    }
    return picture;
}

}  // namespace gifcodec
