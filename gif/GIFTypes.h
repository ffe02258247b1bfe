#pragma once

#include <array>
#include <cstdint>
#include <string>

// Basic values shared by the whole codec: colours, colour tables, version codes and the
// notification interface through which an image reports progress and changes.
namespace gif {

// Colour value laid out 0x00BBGGRR; system colours have the top byte set.
using TColor = std::uint32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;     // no colour (no transparent or background colour)
inline constexpr TColor clDefault = 0x20000000;  // "the bitmap's bottom-left pixel" when drawing
inline constexpr TColor clBlack = 0;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr int kMaxPaletteEntries = 256;

// A GIF colour table: entries are (red, green, blue) exactly as stored in the file; entries at and
// beyond Count are zero after Clear().
static_assert(sizeof(std::array<std::uint8_t, 3>) == 3, "colour tables are read as packed triples");

struct TGIFPalette {
    std::int32_t Count = 0;
    std::array<std::array<std::uint8_t, 3>, kMaxPaletteEntries> Entries{};

    void Clear() { *this = TGIFPalette{}; }
    bool operator==(const TGIFPalette&) const = default;
};

enum TGifVersion : std::uint8_t { gfvNone = 0, gfv87a = 1, gfv89a = 2 };

// The three characters after "GIF" for each version code (empty for gfvNone).
const char* GifVersionName(TGifVersion version);

// Entry (r, g, b) as the colour value r + g*256 + b*65536.
TColor TripleToColor(const std::array<std::uint8_t, 3>& triple);

// Index of the first entry equal to color, -1 for clNone or when none is equal. The platform layer
// resolves system colours to RGB before asking; here a colour is compared as it is.
int IndexOfColor(const TGIFPalette& palette, TColor color);

// 2 -> 1, 4 -> 2, ... 256 -> 8; any other count raises "Wrong number of colors; must be a power of
// 2".
int BitsForColorCount(int count);

// Progress stages of long codec operations.
enum TProgressStage : std::uint8_t { psStarting = 0, psRunning = 1, psEnding = 2 };

// What an image tells its holder: progress of decoding (and later encoding) and that its content
// changed. The rectangle of the picture system's progress report is always empty here and left out.
class IGIFNotify {
  public:
    virtual ~IGIFNotify() = default;
    virtual void Progress(TProgressStage stage, int percent, bool redrawNow,
                          const std::string& message) = 0;
    virtual void Changed() = 0;
};

// Process-wide: the initial damaged-data policy of every new image (each image then keeps its own,
// TGIFImage::FAcceptDamaged). While true, damaged raster data marks the frame corrupt instead of
// raising.
extern bool AcceptDamagedGif;

// The most pixels a frame may have before its bitmap is refused, unless an image sets another
// limit (TGIFImage::FMaxPixels): a frame of 65535 x 65535 would take 4 GiB from a few bytes of
// data. About 180 megapixels, as image libraries refuse by default.
inline constexpr std::int64_t kDefaultMaxPixels = 180'000'000;

}  // namespace gif
