// One pass over the data, command by command, straight into the emitter.
#include "xps/geometry/path_data.h"

#include "platform/linux/statuses.h"
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

// Data read command by command, each drawn into the emitter as it is read.
class PathDataReader {
public:
    PathDataReader(std::string_view data, PathEmitter& emitter) : m_scanner(data), m_emitter(emitter) {}

    FillRule Read()
    {
        const FillRule rule = ReadFillRule();
        while (!m_scanner.AtEnd()) {
            const char command = NextCommand();
            Draw(command);
            // A comma may part one set of numbers from the next, but must lead to one.
            if (Upper(command) != 'Z' && m_scanner.Peek() == ',') {
                m_scanner.Skip();
                if (!m_scanner.AtNumber())
                    ThrowDocument(XPS_E_INVALID_MARKUP);
            }
        }
        m_emitter.End(false);
        return rule;
    }

private:
    FillRule ReadFillRule()
    {
        if (m_scanner.Peek() != 'F')
            return FillRule::EvenOdd;
        m_scanner.Skip();
        return m_scanner.Flag() ? FillRule::NonZero : FillRule::EvenOdd;
    }

    // The command the next numbers are for: one named, or the last one repeated.
    char NextCommand()
    {
        const char next = m_scanner.Peek();
        if (IsCommand(next)) {
            m_command = next;
            m_scanner.Skip();
        } else if (m_command == 0 || Upper(m_command) == 'Z' || !m_scanner.AtNumber()) {
            ThrowDocument(XPS_E_INVALID_MARKUP);
        }
        // Data starts with a move.
        if (Upper(m_command) != 'M' && !m_started)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        m_started = true;
        return m_command;
    }

    void Draw(char command)
    {
        const char kind = Upper(command);
        // After Z, drawing goes on in a new figure where the last one began.
        if (kind != 'M' && kind != 'Z' && !m_emitter.Open())
            m_emitter.Begin(m_emitter.Current(), true);
        const Point current = m_emitter.Current();
        const Point base = IsLower(command) ? current : Point{};
        switch (kind) {
        case 'M':
            m_emitter.Begin(Plus(m_scanner.Pair(), base), true);
            m_command = IsLower(command) ? 'l' : 'L';
            break;
        case 'L':
            m_emitter.Line(Plus(m_scanner.Pair(), base), true);
            break;
        case 'H':
            m_emitter.Line({m_scanner.Number() + base.x, current.y}, true);
            break;
        case 'V':
            m_emitter.Line({current.x, m_scanner.Number() + base.y}, true);
            break;
        case 'C':
        case 'S':
            DrawCubic(kind, current, base);
            break;
        case 'Q': {
            const Point control = Plus(m_scanner.Pair(), base);
            m_scanner.Separator();
            m_emitter.Quadratic(control, Plus(m_scanner.Pair(), base), true);
            break;
        }
        case 'A':
            DrawArc(base);
            break;
        case 'Z':
            m_emitter.End(true);
            break;
        }
        m_reflectable = kind == 'C' || kind == 'S';
    }

    // An S's first control point reflects the last C or S's second, or is the current point.
    void DrawCubic(char kind, Point current, Point base)
    {
        Point control1 = current;
        if (kind == 'C') {
            control1 = Plus(m_scanner.Pair(), base);
            m_scanner.Separator();
        } else if (m_reflectable) {
            control1 = {2 * current.x - m_lastControl.x, 2 * current.y - m_lastControl.y};
        }
        const Point control2 = Plus(m_scanner.Pair(), base);
        m_scanner.Separator();
        m_emitter.Cubic(control1, control2, Plus(m_scanner.Pair(), base), true);
        m_lastControl = control2;
    }

    void DrawArc(Point base)
    {
        const Point radii = m_scanner.Pair();
        m_scanner.Separator();
        const double angle = m_scanner.Number();
        m_scanner.Separator();
        const bool largeArc = m_scanner.Flag();
        m_scanner.Separator();
        const bool clockwise = m_scanner.Flag();
        m_scanner.Separator();
        m_emitter.Arc(Plus(m_scanner.Pair(), base), radii, angle, largeArc, clockwise, true);
    }

    NumberScanner m_scanner;
    PathEmitter& m_emitter;
    // The command being repeated; after M, its L.
    char m_command = 0;
    bool m_started = false;
    // Whether a C or S was just drawn, whose second control point, m_lastControl, the next S reflects.
    bool m_reflectable = false;
    Point m_lastControl;
};

}  // namespace

FillRule ReadPathData(std::string_view data, GeometrySink& sink, SegmentBudget& budget)
{
    PathEmitter emitter(sink, budget);
    return ReadPathData(data, emitter);
}

FillRule ReadPathData(std::string_view data, PathEmitter& emitter)
{
    return PathDataReader(data, emitter).Read();
}
