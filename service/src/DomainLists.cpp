#include "DomainLists.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace verinox::checkd {
namespace {

// A typo is one edit away, or two in a long name with the provider's own ending; beyond that too
// many real domains would be "corrected" ("hotmail.de" is no typo of "hotmail.fr"). The provider
// lists cannot tell real domains from typos: they hold both ("gmial.com").
constexpr std::size_t kLongNameOctets = 9;
constexpr std::size_t kMaxEdits = 1;
constexpr std::size_t kMaxEditsLongSameEnding = 2;
constexpr std::size_t kMaxProviderOctets = 256;

std::vector<std::string> readList(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    std::vector<std::string> entries;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            entries.push_back(std::move(line));
        }
    }
    if (entries.empty()) {
        throw std::runtime_error(file.string() + " is empty");
    }
    return entries;
}

std::unordered_set<std::string> readSet(const std::filesystem::path& file) {
    auto entries = readList(file);
    return {std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end())};
}

// Optimal string alignment distance: insertions, deletions, substitutions and swaps of neighbours.
// The three rows are the caller's, so comparing against every provider allocates once.
struct DistanceRows {
    std::vector<std::size_t> beforeLast, last, current;
};

std::size_t editDistance(std::string_view a, std::string_view b, DistanceRows& rows) {
    for (auto* row : {&rows.beforeLast, &rows.last, &rows.current}) {
        row->assign(b.size() + 1, 0);
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        rows.last[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        rows.current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            rows.current[j] =
                std::min({rows.last[j] + 1, rows.current[j - 1] + 1, rows.last[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                rows.current[j] = std::min(rows.current[j], rows.beforeLast[j - 2] + 1);
            }
        }
        std::swap(rows.beforeLast, rows.last);
        std::swap(rows.last, rows.current);
    }
    return rows.last[b.size()];
}

std::string_view topLevel(std::string_view domain) {
    return domain.substr(domain.rfind('.') + 1);
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

}  // namespace

DomainLists::DomainLists(const std::filesystem::path& directory)
    : disposable_(readSet(directory / "disposable.txt")),
      disposableWithSubdomains_(readSet(directory / "disposable-wildcard.txt")),
      free_(readSet(directory / "free.txt")),
      roles_(readSet(directory / "role.txt")),
      commonProviders_(readList(directory / "providers-common.txt")),
      commonProviderSet_(commonProviders_.begin(), commonProviders_.end()) {}

bool DomainLists::isDisposable(std::string_view asciiDomain) const {
    if (disposable_.contains(std::string(asciiDomain))) {
        return true;
    }
    for (std::string_view rest = asciiDomain;;) {
        if (disposableWithSubdomains_.contains(std::string(rest))) {
            return true;
        }
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(dot + 1);
    }
}

bool DomainLists::isFreeProvider(std::string_view asciiDomain) const {
    return free_.contains(std::string(asciiDomain));
}

// "info+news" and "Info" are the role "info" too.
bool DomainLists::isRoleAddress(std::string_view localPart) const {
    return roles_.contains(lowerAscii(localPart.substr(0, localPart.find('+'))));
}

std::optional<std::string> DomainLists::suggestDomain(std::string_view asciiDomain) const {
    if (commonProviderSet_.contains(std::string(asciiDomain))) {
        return std::nullopt;
    }
    std::optional<std::string> best;
    std::size_t bestDistance = kMaxEditsLongSameEnding + 1;
    DistanceRows rows;
    rows.beforeLast.reserve(kMaxProviderOctets);
    rows.last.reserve(kMaxProviderOctets);
    rows.current.reserve(kMaxProviderOctets);
    for (const auto& provider : commonProviders_) {
        const std::size_t lengthGap = provider.size() > asciiDomain.size()
                                          ? provider.size() - asciiDomain.size()
                                          : asciiDomain.size() - provider.size();
        if (lengthGap >= bestDistance) {
            continue;
        }
        const std::size_t distance = editDistance(asciiDomain, provider, rows);
        const bool close = distance <= kMaxEdits || (distance <= kMaxEditsLongSameEnding &&
                                                     asciiDomain.size() >= kLongNameOctets &&
                                                     topLevel(asciiDomain) == topLevel(provider));
        if (close && distance < bestDistance) {
            bestDistance = distance;
            best = provider;
        }
    }
    return best;
}

}  // namespace verinox::checkd
