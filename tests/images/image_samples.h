// Small images made by the tests with the codecs' own encoders, and their decoded samples read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved 8-bit samples, row after row.
struct Pixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 3;
    std::string samples;
};

// Samples that differ from pixel to pixel and channel to channel.
Pixels Gradient(std::uint32_t width, std::uint32_t height, int channels);

struct JpegOptions {
    // JFIF density, in dots per inch.
    unsigned dpiX = 0;
    unsigned dpiY = 0;
    bool arithmetic = false;
    // Written as APP2 segments in this order, each whole.
    std::vector<std::string> app2;
};
std::string MakeJpeg(const Pixels& pixels, const JpegOptions& options = {});

struct PngOptions {
    // PNG's own colour type; a palette image takes its samples as indices into palette.
    int colourType = 2;
    bool interlaced = false;
    std::string palette;
    std::string transparency;
    unsigned pixelsPerMetre = 0;
};
std::string MakePng(const Pixels& pixels, const PngOptions& options = {});

struct TiffOptions {
    int photometric = 2;
    // At 1 bit, the samples are rows packed into bytes, one channel.
    int bits = 8;
    // 0 for none; otherwise TIFF's ExtraSamples kind of the last channel.
    int alpha = 0;
    bool tiled = false;
    float xResolution = 0;
    float yResolution = 0;
    int resolutionUnit = 2;
};
std::string MakeTiff(const Pixels& pixels, const TiffOptions& options = {});

// Lossless, from 24-bit RGB pixels.
std::string MakeJpegXr(const Pixels& pixels, float dpiX, float dpiY);

std::string Inflated(const std::string& deflated);

// A PNG's IDAT chunks' data, joined.
std::string PngData(const std::string& png);
