// Build-time tool: draws the program's built-in images into the directory given as its only
// argument: the gear frames of the waiting animation (rcdata/PNGIMAGE_<n>), the arrow glyphs
// of the digit buttons (glyphs/Arrow*.bmp) and the small images of the "Ruby Graphite" style
// (styles/ruby-graphite/*). Drawing into a QImage needs no QGuiApplication.

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

namespace {

constexpr double pi = std::numbers::pi;

constexpr QSize frameSize{164, 181};
constexpr int frameCount = 30;
// One animation cycle turns both gears by this many tooth pitches. It is a multiple of each
// gear's teeth-per-hole ratio, so the last frame leads seamlessly back into the first.
constexpr int pitchesPerCycle = 2;
constexpr double module = 7.0;            // pitch-circle diameter per tooth, in pixels
constexpr double pressureAngle = 20.0 * pi / 180.0;
constexpr double backlash = 0.8;          // tooth gap widened at the pitch circle, in pixels
constexpr double meshDirection = 55.0;    // degrees below the horizontal, grey to red

struct GearLook {
    QColor light, dark;        // body, lit from the upper left
    QColor webLight, webDark;  // the recessed ring between rim and hub
    QColor edge;
};

struct Gear {
    int teeth;
    int holes;  // lightening holes; teeth / holes is a whole number
    GearLook look;
    QPointF centre;
    double phase = 0;  // degrees

    double pitchRadius() const { return module * teeth / 2; }
    double outerRadius() const { return pitchRadius() + module; }
    double rootRadius() const { return pitchRadius() - 1.15 * module; }
    double rimInner() const { return rootRadius() - 0.7 * module; }
    double hubRadius() const { return 0.2 * pitchRadius() + 3; }
};

double involuteFunction(double angle) { return std::tan(angle) - angle; }

QPointF polar(double radius, double angle) { return {radius * std::cos(angle), radius * std::sin(angle)}; }

// Outline of an involute spur gear around the origin, tooth 0 centred on the positive x axis.
QPolygonF gearOutline(const Gear& gear)
{
    const double rp = gear.pitchRadius();
    const double rb = rp * std::cos(pressureAngle);
    const double ra = gear.outerRadius();
    const double rf = gear.rootRadius();
    const double flankStart = std::max(rb, rf);
    const double pitchAngle = 2 * pi / gear.teeth;
    // Half the angular thickness of a tooth at radius r.
    const auto halfThickness = [&](double r) {
        return (pitchAngle / 4 - backlash / 2 / rp) + involuteFunction(pressureAngle)
             - involuteFunction(std::acos(rb / r));
    };
    constexpr int flankSteps = 10;
    constexpr int arcSteps = 6;

    QPolygonF outline;
    for (int k = 0; k < gear.teeth; ++k) {
        const double centre = k * pitchAngle;
        const double rootEdge = halfThickness(flankStart);
        // Root arc from the middle of the gap before this tooth.
        for (int i = 0; i <= arcSteps; ++i) {
            const double from = centre - pitchAngle / 2;
            outline << polar(rf, from + (centre - rootEdge - from) * i / arcSteps);
        }
        for (int i = 0; i <= flankSteps; ++i) {
            const double r = flankStart + (ra - flankStart) * i / flankSteps;
            outline << polar(r, centre - halfThickness(r));
        }
        for (int i = 1; i < arcSteps; ++i) {
            const double tip = halfThickness(ra);
            outline << polar(ra, centre - tip + 2 * tip * i / arcSteps);
        }
        for (int i = flankSteps; i >= 0; --i) {
            const double r = flankStart + (ra - flankStart) * i / flankSteps;
            outline << polar(r, centre + halfThickness(r));
        }
        for (int i = 0; i < arcSteps; ++i) {
            const double to = centre + pitchAngle / 2;
            outline << polar(rf, centre + rootEdge + (to - centre - rootEdge) * i / arcSteps);
        }
    }
    return outline;
}

QPainterPath circle(QPointF centre, double radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

// Linear gradient across the square around centre, from its upper left to its lower right.
QLinearGradient diagonal(QPointF centre, double radius, const QColor& from, const QColor& to)
{
    QLinearGradient gradient(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

// The gear's solid parts, turned by angle degrees; paths are turned rather than the painter,
// so that the light stays fixed at the upper left.
QPainterPath gearBody(const Gear& gear, double angle)
{
    const double holeOrbit = (gear.rimInner() + gear.hubRadius()) / 2;
    const double holeRadius = 0.36 * (gear.rimInner() - gear.hubRadius());

    QPainterPath body;
    body.addPolygon(gearOutline(gear));
    body.closeSubpath();
    for (int h = 0; h < gear.holes; ++h)
        body -= circle(polar(holeOrbit, 2 * pi * h / gear.holes + pi / gear.holes), holeRadius);
    body -= circle({}, 0.4 * gear.hubRadius());
    return QTransform().translate(gear.centre.x(), gear.centre.y()).rotate(angle).map(body);
}

void drawShadow(QPainter& painter, const QPainterPath& body)
{
    painter.setPen(QPen(QColor(0, 0, 0, 28), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0, 0, 0, 80));
    painter.drawPath(body.translated(3, 4));
}

void drawGear(QPainter& painter, const Gear& gear, const QPainterPath& body)
{
    const QPointF c = gear.centre;
    const double r = gear.outerRadius();
    const double rimInner = gear.rimInner();
    const double hubRadius = gear.hubRadius();

    painter.setPen(Qt::NoPen);
    painter.setBrush(diagonal(c, r, gear.look.light, gear.look.dark));
    painter.drawPath(body);

    // The web sits lower than rim and hub: lit the other way round, it reads as a recess.
    painter.setBrush(diagonal(c, rimInner, gear.look.webDark, gear.look.webLight));
    painter.drawPath(body & (circle(c, rimInner) - circle(c, hubRadius)));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(diagonal(c, rimInner, QColor(0, 0, 0, 110), QColor(255, 255, 255, 90))), 1.2));
    painter.drawEllipse(c, rimInner, rimInner);
    painter.setPen(QPen(QBrush(diagonal(c, hubRadius, QColor(255, 255, 255, 120), QColor(0, 0, 0, 120))), 1.2));
    painter.drawEllipse(c, hubRadius, hubRadius);

    QRadialGradient sheen(c - QPointF(0.4 * r, 0.45 * r), 1.1 * r);
    sheen.setColorAt(0, QColor(255, 255, 255, 110));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setPen(QPen(gear.look.edge, 1.0));
    painter.setBrush(sheen);
    painter.drawPath(body);
}

// Grey gear at the upper left meshing with a red one at the lower right, the pair centred.
std::pair<Gear, Gear> gearPair()
{
    Gear grey{14, 7, {QColor(0xe4, 0xe6, 0xea), QColor(0x6a, 0x6f, 0x78), QColor(0x9a, 0x9f, 0xa7),
                      QColor(0x55, 0x5a, 0x62), QColor(0x2e, 0x31, 0x36)}, {}};
    Gear red{10, 5, {QColor(0xff, 0x6f, 0x7c), QColor(0x8c, 0x0b, 0x22), QColor(0xc4, 0x22, 0x3c),
                     QColor(0x6a, 0x08, 0x18), QColor(0x3c, 0x03, 0x0c)}, {}};
    const double distance = grey.pitchRadius() + red.pitchRadius();
    const double direction = meshDirection * pi / 180;
    const QPointF offset = polar(distance, direction);
    // Bounding box of the pair with the grey centre at the origin.
    const QRectF box = QRectF(-grey.outerRadius(), -grey.outerRadius(), 2 * grey.outerRadius(), 2 * grey.outerRadius())
                           .united(QRectF(offset.x() - red.outerRadius(), offset.y() - red.outerRadius(),
                                          2 * red.outerRadius(), 2 * red.outerRadius()));
    grey.centre = QPointF(frameSize.width(), frameSize.height()) / 2 - box.center();
    red.centre = grey.centre + offset;
    // A grey tooth pointing at the red centre must face a red gap.
    grey.phase = meshDirection;
    red.phase = meshDirection + 180 + 180.0 / red.teeth;
    return {grey, red};
}

QImage gearFrame(int index)
{
    const auto [grey, red] = gearPair();
    // Pitch circles roll on each other: equal arcs, opposite senses.
    const double greyTurn = 360.0 * pitchesPerCycle / grey.teeth * index / frameCount;
    const double redTurn = -greyTurn * grey.teeth / red.teeth;

    QImage image(frameSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath greyBody = gearBody(grey, grey.phase + greyTurn);
    const QPainterPath redBody = gearBody(red, red.phase + redTurn);
    // Both shadows first: the gears lie in one plane.
    drawShadow(painter, greyBody);
    drawShadow(painter, redBody);
    drawGear(painter, grey, greyBody);
    drawGear(painter, red, redBody);
    return image;
}

// Black triangle pointing up on pure red, the colour the buttons make transparent.
QImage arrowUpGlyph()
{
    QImage glyph(13, 8, QImage::Format_RGB888);
    glyph.fill(QColor(255, 0, 0));
    for (int row = 1; row <= 6; ++row)
        for (int column = 7 - row; column <= 5 + row; ++column)
            glyph.setPixelColor(column, row, Qt::black);
    return glyph;
}

// The style's check mark and drop-down arrow, drawn at 1x and 2x for high-density screens.
QImage styleImage(QSize size, int scale, const QPolygonF& stroke, double width)
{
    QImage image(size * scale, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.setPen(QPen(QColor(0xf4, 0xf4, 0xf6), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(stroke);
    return image;
}

bool save(const QImage& image, const QString& path, const char* format)
{
    if (!QDir().mkpath(path.section('/', 0, -2)) || !image.save(path, format)) {
        std::fprintf(stderr, "gen_resources: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_resources OUTPUT_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    for (int n = 1; n <= frameCount; ++n)
        ok &= save(gearFrame(n - 1), out + QStringLiteral("/rcdata/PNGIMAGE_%1").arg(n), "PNG");

    const QImage up = arrowUpGlyph();
    ok &= save(up, out + "/glyphs/ArrowUp.bmp", "BMP");
    ok &= save(up.mirrored(false, true), out + "/glyphs/ArrowDown.bmp", "BMP");

    const QPolygonF check{{2.5, 6.5}, {5, 9}, {10.5, 3.5}};
    const QPolygonF chevron{{1.5, 1.5}, {5, 5}, {8.5, 1.5}};
    for (const int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QStringLiteral(".png") : QStringLiteral("@2x.png");
        ok &= save(styleImage({13, 13}, scale, check, 2.0), out + "/styles/ruby-graphite/check" + suffix, "PNG");
        ok &= save(styleImage({10, 7}, scale, chevron, 1.6), out + "/styles/ruby-graphite/arrow-down" + suffix, "PNG");
    }
    return ok ? 0 : 1;
}
