// The pages of an XPS package, walked with libgxps once the package's ZIP has passed its checks.
#pragma once

// Before GLib, whose TRUE and FALSE give way to Windows's.
#include "platform.h"

#include <libgxps/gxps.h>

#include <functional>

#include "gobject_owner.h"
#include "page_picture.h"

// Called for each page in order, with its size in XPS units (1/96 inch). The visitor owns the page:
// libgxps keeps every image the page decoded until the page goes.
// picture, where not null, is the page's first picture, which libgxps will not draw: the visitor does.
using XpsPageVisitor =
    std::function<HRESULT(GObjectRef<GXPSPage> page, double width, double height, const PlacedPicture* picture)>;

// Checks the package's ZIP, then loads the fixed document sequence, every fixed document and every
// page's markup, visiting each page. Returns S_OK, or the first failure's status (the visitor's included).
HRESULT ForEachXpsPage(int packageFd, const XpsPageVisitor& visit);

// The status for a failed gxps_page_render.
HRESULT StatusFromRenderError(const GError* error);
