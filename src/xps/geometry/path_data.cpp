// One pass over the data, command by command, straight into the emitter.
#include "xps/geometry/path_data.h"

#include "xps/document_status.h"
#include "xps/geometry/path_emitter.h"
#include "xps/geometry/xps_numbers.h"

namespace {

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
char Upper(char c) { return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsCommand(char c)
{
    switch (Upper(c)) {
    case 'M': case 'L': case 'H': case 'V': case 'C': case 'Q': case 'S': case 'A': case 'Z':
        return true;
    default:
        return false;
    }
}

Point Plus(Point p, Point base) { return {p.x + base.x, p.y + base.y}; }

}  // namespace

FillRule ReadPathData(std::string_view data, GeometrySink& sink, SegmentBudget& budget)
{
    PathEmitter emitter(sink, budget);
    return ReadPathData(data, emitter);
}

FillRule ReadPathData(std::string_view data, PathEmitter& emitter)
{
    NumberScanner scanner(data);
    FillRule rule = FillRule::EvenOdd;
    if (scanner.Peek() == 'F') {
        scanner.Skip();
        rule = scanner.Flag() ? FillRule::NonZero : FillRule::EvenOdd;
    }
    char command = 0;
    bool started = false;
    // The second control point of a C or S just drawn, which the next S reflects.
    bool reflectable = false;
    Point lastControl;
    while (!scanner.AtEnd()) {
        const char next = scanner.Peek();
        if (IsCommand(next)) {
            command = next;
            scanner.Skip();
        } else if (command == 0 || Upper(command) == 'Z' || !scanner.AtNumber()) {
            ThrowDocument(XPS_E_INVALID_MARKUP);
        }
        const char kind = Upper(command);
        // Data starts with a move; after Z, drawing goes on in a new figure where the last one began.
        if (kind != 'M' && !started)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        started = true;
        if (kind != 'M' && kind != 'Z' && !emitter.Open())
            emitter.Begin(emitter.Current(), true);
        const Point current = emitter.Current();
        const Point base = IsLower(command) ? current : Point{};
        bool drewCurve = false;
        switch (kind) {
        case 'M':
            emitter.Begin(Plus(scanner.Pair(), base), true);
            command = IsLower(command) ? 'l' : 'L';
            break;
        case 'L':
            emitter.Line(Plus(scanner.Pair(), base), true);
            break;
        case 'H':
            emitter.Line({scanner.Number() + base.x, current.y}, true);
            break;
        case 'V':
            emitter.Line({current.x, scanner.Number() + base.y}, true);
            break;
        case 'C':
        case 'S': {
            Point control1 = current;
            if (kind == 'C') {
                control1 = Plus(scanner.Pair(), base);
                scanner.Separator();
            } else if (reflectable) {
                control1 = {2 * current.x - lastControl.x, 2 * current.y - lastControl.y};
            }
            const Point control2 = Plus(scanner.Pair(), base);
            scanner.Separator();
            emitter.Cubic(control1, control2, Plus(scanner.Pair(), base), true);
            lastControl = control2;
            drewCurve = true;
            break;
        }
        case 'Q': {
            const Point control = Plus(scanner.Pair(), base);
            scanner.Separator();
            emitter.Quadratic(control, Plus(scanner.Pair(), base), true);
            break;
        }
        case 'A': {
            const Point radii = scanner.Pair();
            scanner.Separator();
            const double angle = scanner.Number();
            scanner.Separator();
            const bool largeArc = scanner.Flag();
            scanner.Separator();
            const bool clockwise = scanner.Flag();
            scanner.Separator();
            emitter.Arc(Plus(scanner.Pair(), base), radii, angle, largeArc, clockwise, true);
            break;
        }
        case 'Z':
            emitter.End(true);
            break;
        }
        reflectable = drewCurve;
        // A comma may part one set of numbers from the next, but must lead to one.
        if (kind != 'Z' && scanner.Peek() == ',') {
            scanner.Skip();
            if (!scanner.AtNumber())
                ThrowDocument(XPS_E_INVALID_MARKUP);
        }
    }
    emitter.End(false);
    return rule;
}
