#include "Utf8.h"

#include <cstdint>
#include <optional>

namespace verinox::checkd {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

struct Decoded {
    char32_t codePoint;
    std::size_t length;
};

// Strict decoding: no overlong forms, no surrogates, nothing above U+10FFFF.
std::optional<Decoded> decodeAt(std::string_view bytes, std::size_t pos) {
    const auto lead = static_cast<std::uint8_t>(bytes[pos]);
    if (lead < 0x80) {
        return Decoded{lead, 1};
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (pos + length > bytes.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(bytes[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return std::nullopt;
    }
    return Decoded{codePoint, length};
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool isInvisibleFormatting(char32_t c) {
    return c == 0x00AD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF;
}

bool containsAny(std::string_view utf8, bool (*test)(char32_t)) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto decoded = decodeAt(utf8, pos);
        if (!decoded) {
            return false;
        }
        if (test(decoded->codePoint)) {
            return true;
        }
        pos += decoded->length;
    }
    return false;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        const auto decoded = decodeAt(bytes, pos);
        if (!decoded) {
            return false;
        }
        pos += decoded->length;
    }
    return true;
}

bool containsControlCharacter(std::string_view utf8) {
    return containsAny(utf8, isControl);
}

bool containsInvisibleFormatting(std::string_view utf8) {
    return containsAny(utf8, isInvisibleFormatting);
}

bool isAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<std::uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string toDisplayUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const auto decoded = decodeAt(bytes, pos);
        const bool control =
            decoded && (isControl(decoded->codePoint) || isInvisibleFormatting(decoded->codePoint));
        if (decoded && !control) {
            out.append(bytes.substr(pos, decoded->length));
            pos += decoded->length;
        } else {
            out.append(kReplacementCharacter);
            pos += control ? decoded->length : 1;
        }
    }
    return out;
}

}  // namespace verinox::checkd
