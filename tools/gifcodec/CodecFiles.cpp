#include "CodecFiles.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Commands.h"
#include "gif/GIFErrors.h"
#include "gif/GIFStream.h"

namespace gifcodec {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kChunkSize = 1 << 16;

[[noreturn]] void RaiseErrno(const std::string& path) {
    throw EFileError(path, std::strerror(errno));
}

}  // namespace

std::vector<std::uint8_t> ReadInputFile(const std::string& path) {
    FilePtr owned;
    std::FILE* in = stdin;
    if (path != "-") {
        owned.reset(std::fopen(path.c_str(), "rb"));
        if (!owned) {
            RaiseErrno(path);
        }
        in = owned.get();
    }
    std::vector<std::uint8_t> bytes;
    std::size_t got = 0;
    do {
        const std::size_t old = bytes.size();
        bytes.resize(old + kChunkSize);
        got = std::fread(bytes.data() + old, 1, kChunkSize, in);
        bytes.resize(old + got);
    } while (got == kChunkSize);
    if (std::ferror(in)) {
        RaiseErrno(path);
    }
    return bytes;
}

void LoadGifFile(const std::string& path, gif::TGIFImage& image) {
    gif::TMemoryStream stream(ReadInputFile(path));
    try {
        image.LoadGifData(static_cast<std::int64_t>(stream.Size()), stream, false);
    } catch (const gif::EGifError& error) {
        throw EFileError(path, error.what());
    }
}

void SaveGifFile(const std::string& path, gif::TGIFImage& image) {
    gif::TMemoryStream stream;
    try {
        image.WriteToStream(stream);
    } catch (const gif::EGifError& error) {
        throw EFileError(path, error.what());
    }
    const std::array<std::span<const std::uint8_t>, 1> parts = {stream.Bytes()};
    WriteOutputFile(path, parts);
}

void WriteOutputFile(const std::string& path,
                     std::span<const std::span<const std::uint8_t>> parts) {
    FilePtr owned;
    std::FILE* out = stdout;
    if (path != "-") {
        owned.reset(std::fopen(path.c_str(), "wb"));
        if (!owned) {
            RaiseErrno(path);
        }
        out = owned.get();
    }
    for (const auto& part : parts) {
        if (!part.empty() && std::fwrite(part.data(), 1, part.size(), out) != part.size()) {
            RaiseErrno(path);
        }
    }
    if (std::fflush(out) != 0) {
        RaiseErrno(path);
    }
    if (owned && std::fclose(owned.release()) != 0) {
        RaiseErrno(path);
    }
}

}  // namespace gifcodec
