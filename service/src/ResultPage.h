#pragma once

#include "CheckReport.h"

#include <string>
#include <string_view>

namespace verinox::checkd {

// The verdict word shown and sent: "gültig", "riskant", "ungültig", "unbekannt".
std::string_view verdictWord(Verdict verdict);

std::string escapeHtml(std::string_view text);

// A self-contained German page whose top 113 pixels (367 wide) hold the verdict, the address,
// the reason and the suggestion; the step-by-step report follows below.
std::string renderHtml(const CheckReport& report);

// Raised whenever a field changes meaning or goes; new fields alone keep it.
inline constexpr int kJsonSchemaVersion = 2;

std::string renderJson(const CheckReport& report);

// A page for requests that are not checks (unknown path, wrong method, malformed request).
std::string renderErrorPage(int status);

}  // namespace verinox::checkd
