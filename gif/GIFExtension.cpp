#include "gif/GIFExtension.h"

namespace gif {

void TExtension::CopyFrom(const TExtension& source) {
    FExtKind = source.FExtKind;
    FRaw = source.FRaw;
    if (source.FBlockLines) {
        FBlockLines = source.FBlockLines;
    }
}

std::uint16_t TExtension::DelayHundredths() const {
    if (FRaw.size() < 4) {
        return 0;
    }
    return static_cast<std::uint16_t>(FRaw[2] | FRaw[3] << 8);
}

}  // namespace gif
