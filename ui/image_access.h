#pragma once
#include <functional>
#include "raster/timage.h"
namespace ui {
using ImageAccess = std::function<raster::TImage&()>;
}
