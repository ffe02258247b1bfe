#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "gif/GIFShared.h"

namespace gif {

enum TExtKind : std::uint8_t {
    ekGraphicControl = 0,
    ekPlainText = 1,
    ekApplication = 2,
    ekComment = 3
};

// Sizes of the fixed parts as stored, including their block-size byte.
inline constexpr int kGraphicControlSize = 6;
inline constexpr int kPlainTextSize = 13;
inline constexpr int kApplicationSize = 12;

// One extension block of a frame.
class TExtension {
  public:
    explicit TExtension(TExtKind kind) : FExtKind(kind) {}

    // Takes kind and fixed part; takes a copy of the source's lines only when it has lines.
    void CopyFrom(const TExtension& source);

    // Graphic control fields as the codec uses them.
    bool TransparencyFlag() const { return FRaw.size() > 1 && (FRaw[1] & 0x01) != 0; }
    std::uint8_t DisposalMethod() const { return FRaw.size() > 1 ? (FRaw[1] & 0x1C) >> 2 : 0; }
    std::uint16_t DelayHundredths() const;
    std::uint8_t TransparentIndex() const { return FRaw.size() > 4 ? FRaw[4] : 0; }

    TExtKind FExtKind;
    std::optional<TBlockLines> FBlockLines;  // comment, plain text and application data
    std::vector<std::uint8_t> FRaw;          // fixed part, starting with its block-size byte
};

}  // namespace gif
