#include "xps/images/decode_apart.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <tuple>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/process/child_process.h"

namespace {

// As long as a decoder may go without handing over a piece of its image.
constexpr std::chrono::seconds kSilenceLimit{30};
// Deflated samples of the largest image allowed, with room to spare.
constexpr std::size_t kMaxString = 512u << 20;

struct Fields {
    std::uint32_t width;
    std::uint32_t height;
    PdfColours colours;
    int bitsPerComponent;
    bool inverted;
    PdfFilter filter;
    bool predicted;
    PngPrediction predictor;
    double dpiX;
    double dpiY;
};

// The fields an image and its Fields share by name, either way round.
template <typename Image>
auto SharedFields(Image& image)
{
    return std::tie(image.width, image.height, image.colours, image.bitsPerComponent, image.inverted, image.filter,
                    image.dpiX, image.dpiY);
}

// The child sends its image's fields and each of its strings as pieces, then its status; one that fails
// sends its status alone.
bool WriteImage(int output, const DecodedImage& image)
{
    Fields fields{};
    SharedFields(fields) = SharedFields(image);
    fields.predicted = image.predictor.has_value();
    fields.predictor = image.predictor.value_or(PngPrediction{});
    if (!WriteFrame(output, &fields, sizeof fields))
        return false;
    for (const std::string* value : {&image.palette, &image.iccProfile, &image.data, &image.alpha}) {
        if (!WriteFrame(output, value->data(), value->size()))
            return false;
    }
    return WriteStatus(output, S_OK);
}

int RunChild(int output, std::string_view bytes, DecodedImage (*decode)(std::string_view))
{
    // A crash leaves no core file behind, and nothing the decoder says reaches the tool's output.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, STDOUT_FILENO);
    dup2(nowhere, STDERR_FILENO);
    try {
        return WriteImage(output, decode(bytes)) ? 0 : 1;
    } catch (const DocumentFailure& failure) {
        return WriteStatus(output, failure.Status()) ? 0 : 1;
    } catch (const std::bad_alloc&) {
        return WriteStatus(output, E_OUTOFMEMORY) ? 0 : 1;
    }
}

// The next piece; a child that fails hands over its status, and one that stops short, goes silent or
// sends what no image has has failed.
void ReadPiece(ChildProcess& child, std::string& piece)
{
    HRESULT status = E_FAIL;
    const Frame frame = child.Read(piece, status, kMaxString);
    if (frame == Frame::Status)
        CheckDocument(status == S_OK ? WINCODEC_ERR_BADIMAGE : status);
    if (frame != Frame::Piece)
        ThrowDocument(WINCODEC_ERR_BADIMAGE);
}

DecodedImage ReadImageFrom(ChildProcess& child)
{
    std::string piece;
    ReadPiece(child, piece);
    if (piece.size() != sizeof(Fields))
        ThrowDocument(WINCODEC_ERR_BADIMAGE);
    Fields fields{};
    std::memcpy(&fields, piece.data(), sizeof fields);
    DecodedImage image;
    SharedFields(image) = SharedFields(fields);
    if (fields.predicted)
        image.predictor = fields.predictor;
    for (std::string* value : {&image.palette, &image.iccProfile, &image.data, &image.alpha})
        ReadPiece(child, *value);
    HRESULT status = E_FAIL;
    if (child.Read(piece, status, 0) != Frame::Status)
        ThrowDocument(WINCODEC_ERR_BADIMAGE);
    CheckDocument(status);
    return image;
}

}  // namespace

DecodedImage DecodeApart(std::string_view bytes, DecodedImage (*decode)(std::string_view))
{
    ChildProcess child([&](int output) { return RunChild(output, bytes, decode); }, kSilenceLimit);
    DecodedImage image = ReadImageFrom(child);
    if (!child.Succeeded())
        ThrowDocument(WINCODEC_ERR_BADIMAGE);
    return image;
}
