#include "AddressSyntax.h"

#include "AddressScope.h"
#include "Utf8.h"

#include <arpa/inet.h>
#include <idn2.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace verinox::checkd {
namespace {

constexpr std::string_view kAtextSpecials = "!#$%&'*+-/=?^_`{|}~";
constexpr std::string_view kIpv6Tag = "IPv6:";
constexpr std::size_t kMaxLabelOctets = 63;

bool isAtext(char c) {
    const auto u = static_cast<std::uint8_t>(c);
    return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || kAtextSpecials.find(c) != std::string_view::npos;
}

void checkDotAtom(std::string_view local) {
    if (local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos) {
        throw InvalidAddress("Der Teil vor dem @ hat einen Punkt an falscher Stelle.");
    }
    if (!std::all_of(local.begin(), local.end(), [](char c) { return c == '.' || isAtext(c); })) {
        throw InvalidAddress("Der Teil vor dem @ enthält ein unerlaubtes Zeichen.");
    }
}

// Quoted-string of RFC 5321: printable ASCII except '"' and '\', or a backslash pair; UTF-8
// allowed.
void checkQuotedString(std::string_view local) {
    if (local.size() < 2 || local.back() != '"') {
        throw InvalidAddress("Vor dem @ fehlt ein Anführungszeichen.");
    }
    const std::string_view inner = local.substr(1, local.size() - 2);
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const auto u = static_cast<std::uint8_t>(inner[i]);
        if (inner[i] == '\\') {
            if (++i == inner.size() || static_cast<std::uint8_t>(inner[i]) < 0x20 ||
                static_cast<std::uint8_t>(inner[i]) > 0x7E) {
                throw InvalidAddress("Unvollständiger Rückstrich vor dem @.");
            }
        } else if (inner[i] == '"') {
            throw InvalidAddress("Anführungszeichen an falscher Stelle vor dem @.");
        } else if (u < 0x20) {
            throw InvalidAddress("Der Teil vor dem @ enthält ein unerlaubtes Zeichen.");
        }
    }
}

bool isDotAtom(std::string_view text) {
    return !text.empty() && text.front() != '.' && text.back() != '.' &&
           text.find("..") == std::string_view::npos &&
           std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || isAtext(c); });
}

// "john"@x and john@x are one mailbox, as are "a\b"@x and "ab"@x.
std::string canonicalLocal(std::string_view local, bool quoted) {
    if (!quoted) {
        return std::string(local);
    }
    std::string inner;
    for (std::size_t i = 1; i + 1 < local.size(); ++i) {
        if (local[i] == '\\') {
            ++i;
        }
        inner += local[i];
    }
    if (isDotAtom(inner)) {
        return inner;
    }
    std::string quotedForm = "\"";
    for (const char c : inner) {
        if (c == '"' || c == '\\') {
            quotedForm += '\\';
        }
        quotedForm += c;
    }
    return quotedForm + "\"";
}

void checkAddressLiteral(std::string_view domain, ParsedAddress& parsed) {
    if (domain.back() != ']') {
        throw InvalidAddress("Der IP-Adresse nach dem @ fehlt die Klammer ].");
    }
    std::string_view inner = domain.substr(1, domain.size() - 2);
    int family = AF_INET;
    if (inner.starts_with(kIpv6Tag)) {
        inner.remove_prefix(kIpv6Tag.size());
        family = AF_INET6;
    }
    const std::string text(inner);
    unsigned char buffer[sizeof(in6_addr)];
    if (inet_pton(family, text.c_str(), buffer) != 1) {
        throw InvalidAddress("Die IP-Adresse nach dem @ ist ungültig.");
    }
    // One spelling per host: [IPv6:::ffff:127.0.0.3] is [127.0.0.3].
    parsed.addressLiteral = true;
    parsed.literalAddress = *canonicalAddress(text);
    parsed.asciiDomain = parsed.literalAddress.find(':') == std::string::npos
                             ? "[" + parsed.literalAddress + "]"
                             : "[IPv6:" + parsed.literalAddress + "]";
}

std::string toAsciiDomain(std::string_view domain) {
    const std::string input(domain);
    char* output = nullptr;
    const int rc = idn2_to_ascii_8z(input.c_str(), &output, IDN2_NONTRANSITIONAL | IDN2_NFC_INPUT);
    const std::unique_ptr<char, decltype(&std::free)> owner(output, &std::free);
    if (rc != IDN2_OK) {
        throw InvalidAddress("Der internationale Domainname ist ungültig.");
    }
    return output;
}

void checkHostName(std::string_view ascii) {
    if (ascii.size() > kMaxDomainOctets) {
        throw InvalidAddress("Der Domainname ist länger als 255 Bytes.");
    }
    std::size_t labels = 0;
    std::string_view lastLabel;
    for (std::string_view rest = ascii;;) {
        const std::size_t dot = rest.find('.');
        const std::string_view label = rest.substr(0, dot);
        if (label.empty()) {
            throw InvalidAddress("Der Domainname hat einen Punkt an falscher Stelle.");
        }
        if (label.size() > kMaxLabelOctets) {
            throw InvalidAddress("Ein Teil des Domainnamens hat über 63 Zeichen.");
        }
        const bool ldh = std::all_of(label.begin(), label.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        });
        if (!ldh || label.front() == '-' || label.back() == '-') {
            throw InvalidAddress("Der Domainname enthält ein unerlaubtes Zeichen.");
        }
        ++labels;
        lastLabel = label;
        if (dot == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(dot + 1);
    }
    if (labels < 2 || std::all_of(lastLabel.begin(), lastLabel.end(),
                                  [](char c) { return c >= '0' && c <= '9'; })) {
        throw InvalidAddress("Dem Domainnamen fehlt die Endung (etwa .de).");
    }
}

void checkDomainName(std::string_view domain, ParsedAddress& parsed) {
    if (domain.size() > kMaxDomainOctets) {
        throw InvalidAddress("Der Domainname ist länger als 255 Bytes.");
    }
    if (domain.back() == '.' || domain.front() == '.') {
        throw InvalidAddress("Der Domainname hat einen Punkt an falscher Stelle.");
    }
    parsed.internationalDomain = !isAscii(domain);
    std::string ascii;
    if (parsed.internationalDomain || domain.find("xn--") != std::string_view::npos ||
        domain.find("XN--") != std::string_view::npos) {
        ascii = toAsciiDomain(domain);
    } else {
        ascii = std::string(domain);
    }
    std::transform(ascii.begin(), ascii.end(), ascii.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    checkHostName(ascii);
    parsed.asciiDomain = std::move(ascii);
}

}  // namespace

std::string ParsedAddress::mailboxKey() const {
    std::string key = canonicalLocalPart;
    std::transform(key.begin(), key.end(), key.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return key + "@" + asciiDomain;
}

ParsedAddress parseAddress(std::string_view address) {
    if (address.size() > kMaxRequestAddressOctets) {
        throw InvalidAddress("Die Adresse ist länger als 320 Bytes.");
    }
    if (address.empty()) {
        throw InvalidAddress("Es wurde keine Adresse angegeben.");
    }
    if (!isValidUtf8(address)) {
        throw InvalidAddress("Die Adresse ist kein gültiger UTF-8-Text.");
    }
    if (containsControlCharacter(address)) {
        throw InvalidAddress("Die Adresse enthält Steuerzeichen.");
    }
    // The domain never contains '@', so the last one separates even a quoted local part.
    const std::size_t at = address.rfind('@');
    if (at == std::string_view::npos) {
        throw InvalidAddress("Die Adresse enthält kein @-Zeichen.");
    }
    const std::string_view local = address.substr(0, at);
    const std::string_view domain = address.substr(at + 1);
    if (local.empty()) {
        throw InvalidAddress("Vor dem @ steht nichts.");
    }
    if (domain.empty()) {
        throw InvalidAddress("Nach dem @ steht nichts.");
    }
    if (local.size() > kMaxLocalPartOctets) {
        throw InvalidAddress("Der Teil vor dem @ ist länger als 64 Bytes.");
    }

    ParsedAddress parsed;
    parsed.localPart = std::string(local);
    parsed.domain = std::string(domain);
    parsed.quotedLocalPart = local.front() == '"';
    if (parsed.quotedLocalPart) {
        checkQuotedString(local);
    } else {
        checkDotAtom(local);
    }
    parsed.internationalLocalPart = !isAscii(local);
    if (parsed.internationalLocalPart && containsInvisibleFormatting(local)) {
        throw InvalidAddress(
            "Vor dem @ stehen unsichtbare Zeichen (Schreibrichtungswechsel, Zeichen ohne Breite "
            "oder BOM); die Adresse sähe anders aus, als sie ist.");
    }
    parsed.canonicalLocalPart = canonicalLocal(local, parsed.quotedLocalPart);

    if (domain.front() == '[') {
        checkAddressLiteral(domain, parsed);
    } else {
        checkDomainName(domain, parsed);
    }
    if (local.size() + 1 + parsed.asciiDomain.size() > kMaxPathOctets) {
        throw InvalidAddress("Die Adresse ist länger als 254 Bytes.");
    }
    return parsed;
}

}  // namespace verinox::checkd
