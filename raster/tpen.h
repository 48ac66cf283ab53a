#pragma once
#include "raster/tcolor.h"

namespace raster {

class TPen {
  public:
    TColor Color = clBlack;
};

}  // namespace raster
