// A picture as the report takes it: 24-bit RGB pixels, rows from top to bottom, three
// bytes (R, G, B) per pixel and no padding between rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace voltaris {

struct RgbRaster {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb{};  // 3 x width x height bytes

  // A raster with pixels whose byte count matches its size.
  bool Valid() const {
    return width > 0 && height > 0 &&
           rgb.size() == static_cast<size_t>(width) * static_cast<size_t>(height) * 3u;
  }
};

}  // namespace voltaris
