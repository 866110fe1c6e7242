// The elements XPS markup may hold in its own namespace: pages, documents and sequences, with every
// property element. A reader that met any other there would not know what it missed of the page.
#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

// Sorted, for the search.
inline constexpr std::string_view kXpsElements[] = {
    "ArcSegment",
    "Canvas",
    "Canvas.Clip",
    "Canvas.OpacityMask",
    "Canvas.RenderTransform",
    "Canvas.Resources",
    "DocumentReference",
    "FixedDocument",
    "FixedDocumentSequence",
    "FixedPage",
    "FixedPage.Resources",
    "Glyphs",
    "Glyphs.Clip",
    "Glyphs.Fill",
    "Glyphs.OpacityMask",
    "Glyphs.RenderTransform",
    "GradientStop",
    "ImageBrush",
    "ImageBrush.Transform",
    "LinearGradientBrush",
    "LinearGradientBrush.GradientStops",
    "LinearGradientBrush.Transform",
    "LinkTarget",
    "MatrixTransform",
    "PageContent",
    "PageContent.LinkTargets",
    "Path",
    "Path.Clip",
    "Path.Data",
    "Path.Fill",
    "Path.OpacityMask",
    "Path.RenderTransform",
    "Path.Stroke",
    "PathFigure",
    "PathGeometry",
    "PathGeometry.Transform",
    "PolyBezierSegment",
    "PolyLineSegment",
    "PolyQuadraticBezierSegment",
    "RadialGradientBrush",
    "RadialGradientBrush.GradientStops",
    "RadialGradientBrush.Transform",
    "ResourceDictionary",
    "SolidColorBrush",
    "VisualBrush",
    "VisualBrush.Transform",
    "VisualBrush.Visual",
};

inline bool XpsDefinesElement(std::string_view local)
{
    return std::binary_search(std::begin(kXpsElements), std::end(kXpsElements), local);
}
