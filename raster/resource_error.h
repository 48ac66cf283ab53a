#pragma once
#include <stdexcept>

namespace raster {

// Pixels that cannot be made: a negative side, or more than the machine should give.
class ResourceError : public std::runtime_error {
  public:
    ResourceError() : std::runtime_error("システム リソースが足りません") {}
};

// The largest picture we make, in pixels (16384 by 16384). Larger requests fail
// with ResourceError before any memory is taken.
inline constexpr long long kMaxPixels = 1LL << 28;

}  // namespace raster
