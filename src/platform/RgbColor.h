#pragma once

namespace fadebin {

// An opaque sRGB colour, each channel from 0 to 1. The core keeps colours as plain values;
// the user interface converts them to its own colour type.
struct RgbColor {
    double red = 0;
    double green = 0;
    double blue = 0;

    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

} // namespace fadebin
