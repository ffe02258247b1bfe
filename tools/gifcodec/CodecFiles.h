#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Commands.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gifcodec {

// The bytes of an input file, read once: a file is mapped (pages it writes stay private), standard
// input or a file that cannot be mapped is read into memory. Raises EFileError.
class TInputFile {
  public:
    explicit TInputFile(const std::string& path);

    const std::string& Path() const { return FPath; }
    std::span<const std::uint8_t> Bytes() const { return FBytes; }
    // Keeps the bytes for whoever holds it.
    std::shared_ptr<const void> Owner() const { return FOwner; }
    // Bytes from the start that may be read: the mapping's whole pages.
    std::size_t Readable() const { return FReadable; }

  private:
    std::string FPath;
    std::shared_ptr<const void> FOwner;
    std::span<const std::uint8_t> FBytes;
    std::size_t FReadable = 0;
};

// Zero-filled memory for a large output, taken straight from the system: untouched pages cost
// nothing, and a large one is backed by huge pages where the system offers them.
class TOutputBuffer {
  public:
    explicit TOutputBuffer(std::size_t size);
    ~TOutputBuffer();
    TOutputBuffer(const TOutputBuffer&) = delete;
    TOutputBuffer& operator=(const TOutputBuffer&) = delete;

    std::uint8_t* Data() { return FData; }

  private:
    void* FMapping = nullptr;
    std::size_t FMapped = 0;
    std::uint8_t* FData = nullptr;
};

// The frames' limit of pixels the tool was given, with the file named in its error.
struct TLoadOptions {
    std::int64_t MaxPixels = gif::kDefaultMaxPixels;
};

// Reads the GIF in path into image without decoding any frame; its frames keep the file's bytes.
// Raises EFileError, also for the codec's errors.
void LoadGifFile(const std::string& path, gif::TGIFImage& image, const TLoadOptions& options);

// Writes image as GIF data to path (or standard output for "-"); the file is touched only once
// the whole GIF has been built. Raises EFileError, also for the codec's errors.
void SaveGifFile(const std::string& path, gif::TGIFImage& image);

// Writes the parts one after the other to path, or to standard output for "-", with as few system
// calls as there are large blocks.
void WriteOutputFile(const std::string& path, std::span<const std::span<const std::uint8_t>> parts);

// Runs a codec call on the data of file; its errors leave as EFileError naming file, a frame above
// the pixel limit with a hint at --max-pixels.
template <typename F>
decltype(auto) OnFile(const std::string& file, F&& call);

[[noreturn]] void RaiseFrameTooLarge(const std::string& file, const gif::EFrameTooLarge& error);

template <typename F>
decltype(auto) OnFile(const std::string& file, F&& call) {
    try {
        return call();
    } catch (const gif::EFrameTooLarge& error) {
        RaiseFrameTooLarge(file, error);
    } catch (const gif::EGifError& error) {
        throw EFileError(file, error.what());
    }
}

}  // namespace gifcodec
