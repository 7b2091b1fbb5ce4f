// A colour as hex text, from the settings file or the colour fields.
#include "FuzzSupport.h"
#include "settings/AppSettings.h"

using namespace fadebin;

FUZZ_TARGET(bytes) {
    const std::optional<RgbColor> color = colorFromHex(QString::fromUtf8(bytes));
    if (!color)
        return;
    for (const double channel : {color->red, color->green, color->blue})
        FUZZ_CHECK(channel >= 0 && channel <= 1);
    FUZZ_CHECK(colorFromHex(hexFromColor(*color)) == color);
}
