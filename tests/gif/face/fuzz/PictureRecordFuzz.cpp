// libFuzzer target: arbitrary bytes are read as a persisted picture (class name, then the
// graphic's own data) through the picture registry, which knows bitmaps and GIF images, as layouts
// and the clipboard hand them over. A record that reads must write a record that reads back to the
// same bytes. The picture system's errors are expected answers; anything else is a finding.
#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Errors.h"
#include "FuzzQt.h"
#include "GIFGraphic.h"
#include "Graphics.h"

namespace {

// Frames above this are refused by the codec's own limit (so that limit is fuzzed too) before
// they take the allocator long.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 16;

bool ReadRecord(vx::TPicture& picture, const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        picture.ReadData(buffer);
    } catch (const vx::Exception&) {
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vx::StartFuzzApplication(argc, argv);
    vx::RegisterGIFImage();
    vx::TGraphicRegistry::Instance().RegisterClass({QStringLiteral("TGIFImage"), [] {
                                                        auto image =
                                                            std::make_unique<vx::TGIFImage>();
                                                        image->Image().FMaxPixels = kMaxPixels;
                                                        return image;
                                                    }});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vx::TPicture picture;
    if (!ReadRecord(picture, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) {
        return 0;
    }
    QByteArray record;
    try {
        record = picture.Data();
    } catch (const vx::Exception&) {
        return 0;
    }
    vx::TPicture copy;
    if (!ReadRecord(copy, record) || copy.Data() != record) {
        std::fprintf(stderr, "picture record: what was written does not read back the same\n");
        std::abort();
    }
    return 0;
}
