// XPS's element form of geometry, built one element at a time as the markup is read:
//
//   <PathGeometry FillRule Transform Figures>     GeometryBuilder(sink, budget, fillRule, transform)
//     <PathGeometry.Transform><MatrixTransform>   Transform(matrix)
//     (its Figures attribute)                     Figures(figures)
//     <PathFigure StartPoint IsClosed IsFilled>   BeginFigure(...)
//       <PolyLineSegment Points IsStroked/> ...   one call per segment element, attributes in order
//     </PathFigure>                               EndFigure()
//
// An attribute is passed as its value, or std::nullopt where the element has none; defaults are XPS's.
// The transform must be known before any figure, so Figures is read after the property element, if any.
// Malformed or missing attributes, and segments outside a figure, fail with XPS_E_INVALID_MARKUP.
#pragma once

#include <optional>
#include <string_view>

#include "xps/geometry/geometry_sink.h"
#include "xps/geometry/path_emitter.h"

using Attribute = std::optional<std::string_view>;

class GeometryBuilder {
public:
    GeometryBuilder(GeometrySink& sink, SegmentBudget& budget, Attribute fillRule, Attribute transform);

    FillRule Rule() const { return m_rule; }

    void Transform(std::string_view matrix);
    // Any F0 or F1 in it yields to the FillRule attribute.
    void Figures(std::string_view abbreviated);

    void BeginFigure(Attribute startPoint, Attribute isClosed, Attribute isFilled);
    void EndFigure();

    void ArcSegment(Attribute point, Attribute size, Attribute rotationAngle, Attribute isLargeArc,
                    Attribute sweepDirection, Attribute isStroked);
    void PolyLineSegment(Attribute points, Attribute isStroked);
    void PolyBezierSegment(Attribute points, Attribute isStroked);
    void PolyQuadraticBezierSegment(Attribute points, Attribute isStroked);
    void LineSegment(Attribute point, Attribute isStroked);
    void BezierSegment(Attribute point1, Attribute point2, Attribute point3, Attribute isStroked);
    void QuadraticBezierSegment(Attribute point1, Attribute point2, Attribute isStroked);

private:
    GeometrySink& m_sink;
    SegmentBudget& m_budget;
    FillRule m_rule = FillRule::EvenOdd;
    // Made with the transform, once the first figure comes.
    std::optional<PathEmitter> m_emitter;
    Matrix m_transform;
    bool m_closed = false;

    PathEmitter& Emitter();
};
