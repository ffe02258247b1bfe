#pragma once

#include <string>
#include <string_view>

namespace verinox::checkd {

// Addresses arrive as percent-decoded bytes from any client; these helpers decide whether they are
// text at all and make any byte sequence safe to show.
bool isValidUtf8(std::string_view bytes);

// True for C0 controls, DEL and the C1 controls U+0080..U+009F (valid UTF-8 expected).
bool containsControlCharacter(std::string_view utf8);

bool isAscii(std::string_view bytes);

// True for characters that change how text around them reads without showing themselves:
// bidirectional embeddings, overrides and isolates, marks, zero-width characters, the byte order
// mark, the soft hyphen (valid UTF-8 expected).
bool containsInvisibleFormatting(std::string_view utf8);

// Replaces every control character, every invisible formatting character, and every byte that is
// not part of a well-formed UTF-8 sequence, by U+FFFD.
std::string toDisplayUtf8(std::string_view bytes);

}  // namespace verinox::checkd
