// A colour as hex text, from the settings file or the colour fields.
#include "FuzzSupport.h"
#include "settings/AppSettings.h"

using namespace fadebin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<RgbColor> color =
        colorFromHex(QString::fromUtf8(fuzz::bytesOf(data, size)));
    if (!color)
        return 0;
    for (const double channel : {color->red, color->green, color->blue})
        FUZZ_CHECK(channel >= 0 && channel <= 1);
    FUZZ_CHECK(colorFromHex(hexFromColor(*color)) == color);
    return 0;
}
