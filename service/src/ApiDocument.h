#pragma once

#include <string_view>

namespace verinox::checkd {

// The OpenAPI 3.1 description of the service's paths and of its JSON result.
std::string_view openApiDocument();

}  // namespace verinox::checkd
