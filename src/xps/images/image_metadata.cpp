#include "xps/images/image_metadata.h"

#include <cmath>
#include <string_view>

#include "xps/byte_order.h"

namespace {

constexpr std::size_t kProfileHeader = 128;
constexpr double kUnknownDpi = 96;
// A dot an inch wide, or a millionth of one, is not a resolution but a broken header.
constexpr double kLowestDpi = 1;
constexpr double kHighestDpi = 1e6;

std::string_view ProfileSpace(PdfColours colours)
{
    switch (colours) {
    case PdfColours::Gray:
        return "GRAY";
    case PdfColours::Cmyk:
        return "CMYK";
    case PdfColours::Rgb:
    case PdfColours::Indexed:
        break;
    }
    return "RGB ";
}

}  // namespace

std::string FittingProfile(std::string profile, PdfColours colours)
{
    const auto* header = reinterpret_cast<const unsigned char*>(profile.data());
    const bool fits = profile.size() >= kProfileHeader && Big32(header) <= profile.size() &&
                      std::string_view(profile).substr(36, 4) == "acsp" &&
                      std::string_view(profile).substr(16, 4) == ProfileSpace(colours);
    return fits ? profile : std::string();
}

double Dpi(double dotsPerInch)
{
    return std::isfinite(dotsPerInch) && dotsPerInch >= kLowestDpi && dotsPerInch <= kHighestDpi ? dotsPerInch
                                                                                                    : kUnknownDpi;
}
