// What the painter draws into: a page's content or a form's (a transparency group, a visual brush, a
// tile, a mask), each with resources of its own. Outside an element's own q/Q its drawing space is the
// surface's default space, which patterns and soft masks are placed in.
#pragma once

#include "xps/pdf/pdf_content.h"
#include "xps/pdf/pdf_resources.h"
#include "xps/pdf/pdf_value.h"

struct Surface {
    explicit Surface(const PdfRect& box) : box(box) {}

    PdfContent content;
    PdfResources resources;
    // What the surface can show, in its default space: anything drawn beyond is clipped away.
    PdfRect box;
};
