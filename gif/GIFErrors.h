#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Errors of the GIF codec. They live in their own namespace so that the picture system of the
// platform layer can keep exception classes of the same names beside them.
namespace gif {

// Base of every codec error; what() is the exact message shown to the user.
class EGifError : public std::runtime_error {
  public:
    explicit EGifError(const std::string& message) : std::runtime_error(message) {}
};

// Invalid data or an operation the codec refuses.
class EInvalidGraphicOperation : public EGifError {
  public:
    using EGifError::EGifError;
};

// A frame whose bitmap would pass the image's pixel limit, refused before any memory is taken:
// a few bytes of GIF data can claim 65535 x 65535 pixels.
class EFrameTooLarge : public EInvalidGraphicOperation {
  public:
    EFrameTooLarge(std::int64_t width, std::int64_t height, std::int64_t limit);
    std::int64_t Width;
    std::int64_t Height;
    std::int64_t Limit;
};

// An exact read that came up short.
class EReadError : public EGifError {
  public:
    using EGifError::EGifError;
};

// A bitmap that cannot be worked on (no pixels, or pixels of an unknown layout).
class EInvalidGraphic : public EGifError {
  public:
    using EGifError::EGifError;
};

// Raised by a progress listener to cancel a long operation; it carries no message for the user.
class EAbort : public EGifError {
  public:
    EAbort() : EGifError("Operation aborted") {}
};

inline constexpr const char* kMsgReadError = "Stream-Lesefehler";
inline constexpr const char* kMsgUnknownVersion = "Unknown GIF version";
inline constexpr const char* kMsgWrongColorCount = "Wrong number of colors; must be a power of 2";
inline constexpr const char* kMsgCodeSizeRange = "GIF code size not in range 2 to 9";
inline constexpr const char* kMsgCorruptData = "GIF encoded data is corrupt";
inline constexpr const char* kMsgNoGifData = "No GIF Data to write";
inline constexpr const char* kMsgEncodingError = "GIF image encoding error";
inline constexpr const char* kMsgInvalidBitmap = "Bitmap ist ungültig";

[[noreturn]] void RaiseGifError(const std::string& message);
[[noreturn]] void RaiseReadError();

}  // namespace gif
