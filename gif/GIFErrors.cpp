#include "gif/GIFErrors.h"

namespace gif {

void RaiseGifError(const std::string& message) {
    throw EInvalidGraphicOperation(message);
}

void RaiseReadError() {
    throw EReadError(kMsgReadError);
}

}  // namespace gif
