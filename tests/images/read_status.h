// The status reading an image ends with: S_OK, or what it threw.
#pragma once

#include <string>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/images/decoded_image.h"

inline HRESULT ReadStatus(const std::string& bytes)
{
    try {
        ReadImage(bytes);
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}
