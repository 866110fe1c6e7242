// A PDF a test writes, kept in a private folder while the test runs, and what qpdf and poppler make of it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "process.h"
#include "xps/document_failure.h"
#include "xps/pdf/pdf_writer.h"

// The status the work throws, or S_OK.
inline HRESULT StatusOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}

struct Rgb {
    int r, g, b;
};

class TestPdf {
public:
    TestPdf()
    {
        char folder[] = "/tmp/wrenpage-pdf-XXXXXX";
        if (mkdtemp(folder) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_folder = folder;
    }
    TestPdf(const TestPdf&) = delete;
    TestPdf& operator=(const TestPdf&) = delete;
    ~TestPdf()
    {
        unlink(Path().c_str());
        rmdir(m_folder.c_str());
    }

    PdfByteSink Sink()
    {
        return [this](const char* data, std::size_t size) { m_bytes.append(data, size); };
    }
    const std::string& Bytes() const { return m_bytes; }

    std::string Path() const { return m_folder + "/test.pdf"; }

    ProcessRun Run(const std::string& program, std::vector<std::string> arguments) const
    {
        std::ofstream(Path(), std::ios::binary) << m_bytes;
        arguments.push_back(Path());
        return RunProcess(program, arguments);
    }

    // Whether qpdf finds the file sound, with nothing to warn of.
    ::testing::AssertionResult Sound() const
    {
        const ProcessRun check = Run("/usr/bin/qpdf", {"--check"});
        if (check.exitCode == 0 && check.err.empty() && check.out.find("WARNING") == std::string::npos
            && check.out.find("No syntax or stream encoding errors found") != std::string::npos)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << check.out << check.err;
    }

    // The colour poppler draws at (x, y) of the page's default space, rendered at one pixel a point.
    Rgb Pixel(int page, double x, double y) const
    {
        if (m_rendered != page) {
            const std::string number = std::to_string(page);
            const ProcessRun rendered = Run("/usr/bin/pdftoppm", {"-r", "72", "-f", number, "-l", number});
            EXPECT_EQ(rendered.err, "");
            m_raster = rendered.out;
            m_rendered = page;
        }
        // P6, width, height, maximum, one whitespace byte, then the rows from the top.
        int width = 0, height = 0, maximum = 0, header = 0;
        if (std::sscanf(m_raster.c_str(), "P6 %d %d %d%n", &width, &height, &maximum, &header) != 3)
            return {-1, -1, -1};
        const int column = static_cast<int>(x);
        const int row = height - 1 - static_cast<int>(y);
        if (column < 0 || column >= width || row < 0 || row >= height)
            return {-1, -1, -1};
        const std::size_t at = static_cast<std::size_t>(header + 1) + 3 * static_cast<std::size_t>(row * width + column);
        auto component = [&](std::size_t i) { return static_cast<int>(static_cast<unsigned char>(m_raster.at(at + i))); };
        return {component(0), component(1), component(2)};
    }

private:
    std::string m_folder;
    std::string m_bytes;
    mutable std::string m_raster;
    mutable int m_rendered = 0;
};

inline ::testing::AssertionResult NearColor(Rgb actual, Rgb expected, int tolerance = 3)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance
        && std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "drawn " << actual.r << "," << actual.g << "," << actual.b << ", expected "
                                         << expected.r << "," << expected.g << "," << expected.b;
}
