// XPS's abbreviated geometry syntax, as in a Path's Data or a PathGeometry's Figures: an optional F0 or F1,
// then figures of M L H V C Q S A Z, lower case for coordinates relative to the current point, with
// commands repeated implicitly (pairs after M are lines). Malformed data fails with XPS_E_INVALID_MARKUP.
#pragma once

#include <string_view>

#include "xps/geometry/geometry_sink.h"

class PathEmitter;

// Returns the fill rule F0/F1 names: EvenOdd (F0, or no F) or NonZero (F1).
FillRule ReadPathData(std::string_view data, GeometrySink& sink, SegmentBudget& budget);
// The same into a PathGeometry's emitter, which carries its transform.
FillRule ReadPathData(std::string_view data, PathEmitter& emitter);
