#include "gif/GIFErrors.h"

namespace gif {

EFrameTooLarge::EFrameTooLarge(std::int64_t width, std::int64_t height, std::int64_t limit)
    : EInvalidGraphicOperation("GIF frame of " + std::to_string(width) + " x " +
                               std::to_string(height) + " pixels is above the limit of " +
                               std::to_string(limit) + " pixels"),
      Width(width),
      Height(height),
      Limit(limit) {}

void RaiseGifError(const std::string& message) {
    throw EInvalidGraphicOperation(message);
}

void RaiseReadError() {
    throw EReadError(kMsgReadError);
}

}  // namespace gif
