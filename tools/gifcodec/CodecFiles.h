#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gif/GIFImage.h"

namespace gifcodec {

// Whole content of path, or of standard input for "-". Raises EFileError.
std::vector<std::uint8_t> ReadInputFile(const std::string& path);

// Reads the GIF in path into image without decoding any frame. Raises EFileError, also for the
// codec's errors.
void LoadGifFile(const std::string& path, gif::TGIFImage& image);

// Writes image as GIF data to path (or standard output for "-"); the file is touched only once
// the whole GIF has been built. Raises EFileError, also for the codec's errors.
void SaveGifFile(const std::string& path, gif::TGIFImage& image);

// Writes the parts one after the other to path, or to standard output for "-".
void WriteOutputFile(const std::string& path, std::span<const std::span<const std::uint8_t>> parts);

}  // namespace gifcodec
