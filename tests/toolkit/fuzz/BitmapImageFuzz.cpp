// libFuzzer target: arbitrary bytes are read as a bitmap file image by the picture system's
// reader (bitmaps in layouts, files and on the clipboard). An image that reads must write a file
// image that reads back to the same pixels, palette and pixel format. The picture system's errors
// are the expected answer to bad bytes; anything else is a finding.
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "Errors.h"
#include "FuzzQt.h"
#include "Graphics.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vx::StartFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vx::TPixelFormat format = vx::pfDevice;
    QImage image;
    try {
        image = vx::ReadBitmapFileImage(
            QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &format);
    } catch (const vx::Exception&) {
        return 0;
    }
    vx::TPixelFormat againFormat = vx::pfDevice;
    QImage again;
    try {
        again = vx::ReadBitmapFileImage(vx::WriteBitmapFileImage(image, format), &againFormat);
    } catch (const vx::Exception& error) {
        std::fprintf(stderr, "bitmap image: the written file is not read back: %s\n", error.what());
        std::abort();
    }
    if (again != image || againFormat != format) {
        std::fprintf(stderr, "bitmap image: the written file reads back differently\n");
        std::abort();
    }
    return 0;
}
