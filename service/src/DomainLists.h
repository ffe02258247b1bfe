#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace verinox::checkd {

// The classification lists that the set-up exports from the data packages (one entry a line).
class DomainLists {
  public:
    // Throws std::runtime_error when a list is missing or empty.
    explicit DomainLists(const std::filesystem::path& directory);

    bool isDisposable(std::string_view asciiDomain) const;
    bool isFreeProvider(std::string_view asciiDomain) const;
    bool isRoleAddress(std::string_view localPart) const;

    // A common provider's domain that the given one is probably a misspelling of.
    std::optional<std::string> suggestDomain(std::string_view asciiDomain) const;

  private:
    std::unordered_set<std::string> disposable_;
    std::unordered_set<std::string> disposableWithSubdomains_;
    std::unordered_set<std::string> free_;
    std::unordered_set<std::string> roles_;
    std::vector<std::string> commonProviders_;  // most used first
    std::unordered_set<std::string> commonProviderSet_;
};

}  // namespace verinox::checkd
