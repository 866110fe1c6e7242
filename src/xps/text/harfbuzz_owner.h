// Owners of HarfBuzz's reference-counted objects: each holds one reference and drops it on destruction.
#pragma once

#include <hb-subset.h>
#include <hb.h>

#include <memory>

template <class T, void (*Destroy)(T*)>
struct HarfBuzzRelease {
    void operator()(T* object) const noexcept { Destroy(object); }
};

using HbBlob = std::unique_ptr<hb_blob_t, HarfBuzzRelease<hb_blob_t, hb_blob_destroy>>;
using HbFace = std::unique_ptr<hb_face_t, HarfBuzzRelease<hb_face_t, hb_face_destroy>>;
using HbFont = std::unique_ptr<hb_font_t, HarfBuzzRelease<hb_font_t, hb_font_destroy>>;
using HbSubsetInput = std::unique_ptr<hb_subset_input_t, HarfBuzzRelease<hb_subset_input_t, hb_subset_input_destroy>>;
