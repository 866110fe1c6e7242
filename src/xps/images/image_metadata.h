// What images say about themselves beyond their pixels, made safe to put in a PDF.
#pragma once

#include <string>

#include "xps/images/decoded_image.h"

// The profile where it is an ICC profile for the image's colours (for Indexed, its RGB base); empty
// otherwise, as a PDF reader refuses an /ICCBased space whose components do not match.
std::string FittingProfile(std::string profile, PdfColours colours);

// A resolution as the image gives it, or 96 where it gives none or one no page could be laid out with.
double Dpi(double dotsPerInch);
