#pragma once
#include "raster/tcolor.h"

namespace raster {

class TBrush {
  public:
    TColor Color = clWhite;
};

}  // namespace raster
