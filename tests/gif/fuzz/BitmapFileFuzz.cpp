// libFuzzer target: arbitrary bytes are read as a bitmap file image by the codec's reader (the
// input of `gifcodec encode`), once copied and once with the rows lent from the file as a mapped
// file lends them. A bitmap that reads must write a file image that reads back to the same size,
// depth, palette and pixels. "Bitmap ist ungültig" is the expected answer to bad bytes; anything
// else is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "gif/BitmapFile.h"
#include "gif/GIFErrors.h"

namespace {

std::optional<gif::TDib> Read(std::span<const std::uint8_t> file,
                              std::shared_ptr<const void> owner = {}, std::size_t readable = 0) {
    try {
        return gif::DibFromFileImage(file, std::move(owner), readable);
    } catch (const gif::EInvalidGraphic&) {
        return std::nullopt;
    }
}

void Fail(const char* what) {
    std::fprintf(stderr, "bitmap file: %s\n", what);
    std::abort();
}

// The bytes of each row that hold pixels (the padding to four bytes is not compared).
void ExpectSame(const gif::TDib& a, const gif::TDib& b) {
    if (a.Width != b.Width || a.Height != b.Height || a.BitCount != b.BitCount) {
        Fail("size or depth differs");
    }
    if (a.Palette != b.Palette) {
        Fail("palette differs");
    }
    const std::size_t used = (std::size_t(a.Width) * a.BitCount + 7) / 8;
    const std::int32_t height = a.Height < 0 ? -a.Height : a.Height;
    for (std::int32_t y = 0; y < height; ++y) {
        if (!std::equal(a.Row(y), a.Row(y) + used, b.Row(y))) {
            Fail("pixels differ");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const std::optional<gif::TDib> copied = Read(file);

    auto mapped = std::make_shared<std::vector<std::uint8_t>>(data, data + size);
    mapped->resize(size + gif::kPixelReadSlack);
    const std::optional<gif::TDib> lent =
        Read(std::span(mapped->data(), size), mapped, mapped->size());
    if (copied.has_value() != lent.has_value()) {
        Fail("lending the rows changes whether the file reads");
    }
    if (!copied) {
        return 0;
    }
    ExpectSame(*copied, *lent);
    const std::vector<std::uint8_t> written = copied->FileImage();
    const std::optional<gif::TDib> again = Read(written);
    if (!again) {
        Fail("the written file image is not read back");
    }
    ExpectSame(*copied, *again);
    return 0;
}
