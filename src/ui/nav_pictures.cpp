#include "ui/nav_pictures.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace lumbrel::ui {
namespace {

// Neutral greys only for the face, so that the bar casts no colour next to
// the pictures being judged; one quiet blue marks the details of a symbol
// and the focus.
struct Inks {
    QColor faceTop;
    QColor faceBottom;
    QColor border;
    QColor line;    // the body of a symbol
    QColor accent;  // the detail of a symbol that says what the action does
    QColor text;
};

Inks inksFor(ButtonState state) {
    switch (state) {
        case ButtonState::Up:
            return {QColor(0x60, 0x60, 0x60), QColor(0x4b, 0x4b, 0x4b), QColor(0x24, 0x24, 0x24),
                    QColor(0xee, 0xee, 0xee), QColor(0x7c, 0xb8, 0xe8), QColor(0xf2, 0xf2, 0xf2)};
        case ButtonState::Focused:
            return {QColor(0x66, 0x66, 0x66), QColor(0x50, 0x50, 0x50), QColor(0x24, 0x24, 0x24),
                    QColor(0xf4, 0xf4, 0xf4), QColor(0x8c, 0xc4, 0xf0), QColor(0xff, 0xff, 0xff)};
        case ButtonState::Down:
            return {QColor(0x36, 0x36, 0x36), QColor(0x40, 0x40, 0x40), QColor(0x1a, 0x1a, 0x1a),
                    QColor(0xe4, 0xe4, 0xe4), QColor(0x70, 0xac, 0xdc), QColor(0xe8, 0xe8, 0xe8)};
        case ButtonState::Disabled:
            break;
    }
    return {QColor(0x52, 0x52, 0x52), QColor(0x4a, 0x4a, 0x4a), QColor(0x36, 0x36, 0x36),
            QColor(0x86, 0x86, 0x86), QColor(0x76, 0x76, 0x76), QColor(0x8e, 0x8e, 0x8e)};
}

// The symbols are drawn on a 32 × 32 grid with strokes two units wide on
// whole units: at a scale of one device pixel per unit (or any whole number)
// every straight edge falls on pixel boundaries.
constexpr qreal kGrid = 32;
constexpr qreal kStroke = 2;

// A painter on the symbol's own transparent layer. Where one shape stands in
// front of another, the layer is cut along the front shape first (with
// antialiasing, which a clip path would not give), so a thin gap of the face
// shows between the two.
class SymbolPainter {
public:
    SymbolPainter(QPainter& painter, const Inks& inks) : p_(painter), inks_(inks) {
        p_.setRenderHint(QPainter::Antialiasing);
    }

    void stroke(const QPainterPath& path, const QColor& colour, qreal width = kStroke) {
        p_.strokePath(path, pen(colour, width));
    }
    void fill(const QPainterPath& path, const QColor& colour) { p_.fillPath(path, colour); }
    void line(QPointF a, QPointF b, const QColor& colour, qreal width = kStroke) {
        QPainterPath path(a);
        path.lineTo(b);
        stroke(path, colour, width);
    }
    void dot(QPointF centre, qreal radius, const QColor& colour) {
        QPainterPath path;
        path.addEllipse(centre, radius, radius);
        fill(path, colour);
    }

    /// Clears the layer within `gap` units of the stroke of `front` (and
    /// inside it, when `solid`), before `front` is drawn.
    void cut(const QPainterPath& front, bool solid, qreal gap = 1.5) {
        p_.save();
        p_.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        p_.strokePath(front, pen(Qt::black, kStroke + 2 * gap));
        if (solid) p_.fillPath(front, Qt::black);
        p_.restore();
    }

    const Inks& inks() const { return inks_; }

private:
    static QPen pen(const QColor& colour, qreal width) {
        return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }

    QPainter& p_;
    const Inks& inks_;
};

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (QPointF point : points) {
        if (first) path.moveTo(point);
        else path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath roundedRect(QRectF rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A folder seen from the front: the tab on the left of its top edge.
QPainterPath folder(QRectF body) {
    const qreal tabWidth = body.width() * 0.38;
    QPainterPath path;
    path.moveTo(body.left(), body.top() - 1.5);
    path.lineTo(body.left(), body.bottom());
    path.lineTo(body.right(), body.bottom());
    path.lineTo(body.right(), body.top() + 1.5);
    path.lineTo(body.left() + tabWidth + 2, body.top() + 1.5);
    path.lineTo(body.left() + tabWidth, body.top() - 1.5);
    path.closeSubpath();
    return path;
}

QPainterPath arrowHead(QPointF tip, qreal dx, qreal dy, qreal length) {
    // dx, dy: the unit direction the arrow points in.
    const QPointF back(tip.x() - dx * length, tip.y() - dy * length);
    const QPointF side(-dy * length, dx * length);
    return polyline({back + side, tip, back - side});
}

// An arrow in the accent ink from its shaft's start to tip, with a thin gap
// cut around it where it crosses what is drawn behind.
void accentArrow(SymbolPainter& s, QPointF from, QPointF tip, qreal dx, qreal dy, qreal headLength) {
    QPainterPath shaft(from);
    shaft.lineTo(tip);
    const QPainterPath head = arrowHead(tip + QPointF(dx * 0.5, dy * 0.5), dx, dy, headLength);
    s.cut(shaft, false);
    s.cut(head, false);
    s.stroke(shaft, s.inks().accent);
    s.stroke(head, s.inks().accent);
}

// The library pages in the browser: a browser window holding a landscape.
void drawViewLibrary(SymbolPainter& s) {
    const Inks& k = s.inks();
    s.stroke(roundedRect(QRectF(3, 5, 26, 22), 2.5), k.line);
    s.line(QPointF(3, 11), QPointF(29, 11), k.line);
    for (qreal x : {7.0, 10.5, 14.0}) s.dot(QPointF(x, 8), 1.1, k.line);
    QPainterPath hills = polyline({{6, 24}, {12, 17}, {15.5, 20.5}, {19.5, 15.5}, {26, 24}});
    hills.closeSubpath();
    s.fill(hills, k.accent);
    s.dot(QPointF(10, 15.5), 1.8, k.accent);
}

// Loading: a memory card with an arrow down into a folder.
void drawLoad(SymbolPainter& s) {
    const Inks& k = s.inks();
    s.stroke(folder(QRectF(3, 19, 26, 10)), k.line);
    QPainterPath card = polyline({{10, 2}, {10, 12}, {22, 12}, {22, 6}, {18, 2}});
    card.closeSubpath();
    s.stroke(card, k.line);
    for (qreal x : {13.0, 16.0}) s.line(QPointF(x, 5), QPointF(x, 7), k.line, 1.5);
    accentArrow(s, QPointF(16, 15), QPointF(16, 25), 0, 1, 4.5);
}

// Editing: a pencil writing a line.
void drawEdit(SymbolPainter& s) {
    const Inks& k = s.inks();
    s.line(QPointF(4, 28), QPointF(13, 28), k.accent);
    QTransform along;
    along.translate(16, 16);
    along.rotate(-45);
    // In the pencil's own coordinates: x along it from the point (-14) to the
    // end (+13), y across it.
    QPainterPath body = polyline({{-8, -3.5}, {11, -3.5}, {11, 3.5}, {-8, 3.5}});
    QPainterPath point = polyline({{-8, -3.5}, {-14.5, 0}, {-8, 3.5}});
    point.closeSubpath();
    QPainterPath end = roundedRect(QRectF(11, -3.5, 3.5, 7), 1.2);
    s.stroke(along.map(body), k.line);
    s.stroke(along.map(point), k.line);
    s.fill(along.map(polyline({{-12.2, -1.25}, {-14.5, 0}, {-12.2, 1.25}})), k.line);
    s.fill(along.map(end), k.accent);
    s.stroke(along.map(end), k.accent);
}

// Deleting: a waste bin.
void drawDelete(SymbolPainter& s) {
    const Inks& k = s.inks();
    s.line(QPointF(5, 8), QPointF(27, 8), k.line);
    s.stroke(polyline({{12, 8}, {12, 4}, {20, 4}, {20, 8}}), k.line);
    QPainterPath body(QPointF(8, 8));
    body.lineTo(9.6, 26.5);
    body.quadTo(9.8, 29, 12.3, 29);
    body.lineTo(19.7, 29);
    body.quadTo(22.2, 29, 22.4, 26.5);
    body.lineTo(24, 8);
    s.stroke(body, k.line);
    for (qreal x : {13.0, 16.0, 19.0}) s.line(QPointF(x, 12.5), QPointF(x, 24.5), k.accent);
}

// A sheet of paper with its top right corner folded.
QPainterPath sheet(QRectF r, qreal fold) {
    return polyline({{r.right() - fold, r.top()},
                     {r.left(), r.top()},
                     {r.left(), r.bottom()},
                     {r.right(), r.bottom()},
                     {r.right(), r.top() + fold},
                     {r.right() - fold, r.top()}});
}

// Copying: two sheets, one over the other.
void drawCopy(SymbolPainter& s) {
    const Inks& k = s.inks();
    const QRectF front(13, 10, 15, 19);
    s.stroke(sheet(QRectF(5, 3, 15, 19), 0), k.line);
    QPainterPath outline = sheet(front, 5);
    outline.closeSubpath();
    s.cut(outline, true);
    s.stroke(outline, k.line);
    s.stroke(polyline({{front.right() - 5, front.top()},
                       {front.right() - 5, front.top() + 5},
                       {front.right(), front.top() + 5}}),
             k.line);
    for (qreal y : {19.0, 23.0}) s.line(QPointF(17, y), QPointF(24, y), k.accent);
    s.line(QPointF(17, 15), QPointF(19.5, 15), k.accent);
}

// Moving: an arrow leaving a folder.
void drawMove(SymbolPainter& s) {
    const Inks& k = s.inks();
    s.stroke(folder(QRectF(3, 11, 17, 17)), k.line);
    accentArrow(s, QPointF(10, 19.5), QPointF(29, 19.5), 1, 0, 5);
}

// Settings: a gear wheel.
void drawSetup(SymbolPainter& s) {
    const Inks& k = s.inks();
    const QPointF c(16, 16);
    const int teeth = 8;
    const qreal outer = 13, root = 9.6;
    auto at = [&](qreal degrees, qreal radius) {
        const qreal a = qDegreesToRadians(degrees);
        return QPointF(c.x() + radius * std::cos(a), c.y() - radius * std::sin(a));
    };
    QPainterPath gear;
    for (int i = 0; i < teeth; ++i) {
        const qreal mid = i * 360.0 / teeth;
        const QPointF a = at(mid - 13, root), b = at(mid - 8, outer), d = at(mid + 8, outer),
                      e = at(mid + 13, root);
        if (i == 0) gear.moveTo(a);
        else gear.lineTo(a);
        gear.lineTo(b);
        gear.lineTo(d);
        gear.lineTo(e);
        // The root between this tooth and the next, as an arc.
        const QRectF circle(c.x() - root, c.y() - root, 2 * root, 2 * root);
        gear.arcTo(circle, mid + 13, 360.0 / teeth - 26);
    }
    gear.closeSubpath();
    s.stroke(gear, k.line);
    QPainterPath hub;
    hub.addEllipse(c, 4, 4);
    s.stroke(hub, k.accent);
}

// Printing: a printer with a printed sheet coming out.
void drawPrint(SymbolPainter& s) {
    const Inks& k = s.inks();
    s.stroke(polyline({{10, 11}, {10, 3}, {22, 3}, {22, 11}}), k.line);
    s.stroke(roundedRect(QRectF(4, 11, 24, 12), 2.5), k.line);
    s.dot(QPointF(23.5, 15.5), 1.4, k.accent);
    QPainterPath paper = polyline({{9, 18}, {9, 29}, {23, 29}, {23, 18}});
    paper.closeSubpath();
    s.cut(paper, true);
    s.stroke(paper, k.line);
    for (qreal y : {22.0, 25.5}) s.line(QPointF(12.5, y), QPointF(19.5, y), k.accent);
}

// Help: a question mark in a ring.
void drawHelp(SymbolPainter& s) {
    const Inks& k = s.inks();
    QPainterPath ring;
    ring.addEllipse(QPointF(16, 16), 13, 13);
    s.stroke(ring, k.line);
    QPainterPath mark;
    const QRectF bow(11.5, 7.5, 9, 9);
    mark.arcMoveTo(bow, 165);
    mark.arcTo(bow, 165, -215);
    mark.quadTo(16, 17.5, 16, 19.5);
    s.stroke(mark, k.accent, 2.6);
    s.dot(QPointF(16, 24), 1.6, k.accent);
}

// Exit: an arrow leaving through a door.
void drawExit(SymbolPainter& s) {
    const Inks& k = s.inks();
    s.stroke(polyline({{19, 9}, {19, 4}, {5, 4}, {5, 28}, {19, 28}, {19, 23}}), k.line);
    s.line(QPointF(11, 16), QPointF(28, 16), k.accent);
    s.stroke(arrowHead(QPointF(28.5, 16), 1, 0, 5), k.accent);
}

void drawSymbol(SymbolPainter& s, NavButton button) {
    switch (button) {
        case NavButton::ViewLibrary: return drawViewLibrary(s);
        case NavButton::Load: return drawLoad(s);
        case NavButton::Edit: return drawEdit(s);
        case NavButton::Delete: return drawDelete(s);
        case NavButton::Copy: return drawCopy(s);
        case NavButton::Move: return drawMove(s);
        case NavButton::Setup: return drawSetup(s);
        case NavButton::Print: return drawPrint(s);
        case NavButton::Help: return drawHelp(s);
        case NavButton::Exit: return drawExit(s);
    }
}

// The button face: a rounded slab, lit from above when raised and shaded
// from above when pressed.
void drawFace(QPainter& p, QRectF bounds, ButtonState state, const Inks& inks) {
    const qreal radius = std::clamp(std::min(bounds.width(), bounds.height()) * 0.07, 2.0, 6.0);
    const QRectF outer = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient face(bounds.topLeft(), bounds.bottomLeft());
    face.setColorAt(0, inks.faceTop);
    face.setColorAt(1, inks.faceBottom);
    p.setPen(QPen(inks.border, 1));
    p.setBrush(face);
    p.drawRoundedRect(outer, radius, radius);
    p.setBrush(Qt::NoBrush);

    const QRectF inner = bounds.adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient bevel(bounds.topLeft(), bounds.bottomLeft());
    switch (state) {
        case ButtonState::Up:
        case ButtonState::Focused:
            bevel.setColorAt(0, QColor(255, 255, 255, 70));
            bevel.setColorAt(0.5, QColor(255, 255, 255, 12));
            bevel.setColorAt(1, QColor(0, 0, 0, 60));
            break;
        case ButtonState::Down:
            bevel.setColorAt(0, QColor(0, 0, 0, 130));
            bevel.setColorAt(0.5, QColor(0, 0, 0, 30));
            bevel.setColorAt(1, QColor(255, 255, 255, 30));
            break;
        case ButtonState::Disabled:
            bevel.setColorAt(0, QColor(255, 255, 255, 18));
            bevel.setColorAt(1, QColor(0, 0, 0, 25));
            break;
    }
    p.setPen(QPen(QBrush(bevel), 1));
    p.drawRoundedRect(inner, radius - 1, radius - 1);
    if (state == ButtonState::Down) {
        // A second, softer line deepens the hollow along the top.
        QLinearGradient hollow(bounds.topLeft(), bounds.bottomLeft());
        hollow.setColorAt(0, QColor(0, 0, 0, 60));
        hollow.setColorAt(0.3, QColor(0, 0, 0, 0));
        p.setPen(QPen(QBrush(hollow), 1));
        p.drawRoundedRect(bounds.adjusted(2.5, 2.5, -2.5, -2.5), radius - 2, radius - 2);
    }
    if (state == ButtonState::Focused) {
        p.setPen(QPen(inks.accent, 2));
        p.drawRoundedRect(bounds.adjusted(3, 3, -3, -3), radius - 1.5, radius - 1.5);
    }
}

// The largest pixel size of the application font, up to `preferred`, at
// which `text` fits in `width`.
QFont captionFont(const QString& text, qreal width, int preferred) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(std::max(preferred, 6));
    while (font.pixelSize() > 6 && QFontMetricsF(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

qreal snap(qreal value, qreal dpr) { return std::round(value * dpr) / dpr; }

}  // namespace

QPixmap navigationPicture(NavButton button, ButtonState state, QSize size, qreal devicePixelRatio) {
    if (size.isEmpty() || !(devicePixelRatio > 0)) return QPixmap();
    const qreal dpr = devicePixelRatio;
    const QSize devicePixels(qRound(size.width() * dpr), qRound(size.height() * dpr));
    const qreal w = size.width(), h = size.height();
    const Inks inks = inksFor(state);

    QImage image(devicePixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawFace(p, QRectF(0, 0, w, h), state, inks);

    // Pressed, everything on the face sits one pixel right and down.
    const qreal shift = state == ButtonState::Down ? 1 : 0;

    const QString caption = navigationCaption(button);
    const qreal side = 4;  // room left and right of the caption, past the bevel
    const QFont font = captionFont(caption, w - 2 * side, std::min(qRound(h * 0.19), 14));
    const QFontMetricsF metrics(font);
    const qreal captionHeight = std::ceil(metrics.height());
    const qreal bottom = std::max<qreal>(3, std::round(h * 0.07));
    const QRectF captionRect(side + shift, h - bottom - captionHeight + shift, w - 2 * side, captionHeight);

    // The symbol fills what is left above the caption. Its scale is rounded
    // down to a whole number of device pixels per grid unit, for sharp
    // edges, unless that would shrink it by more than 30%.
    const qreal top = std::max<qreal>(3, std::round(h * 0.06));
    const qreal room = std::min(captionRect.top() - shift - 1 - top, w - 2 * side);
    if (room > 0) {
        qreal scale = room / kGrid;
        const qreal whole = std::floor(scale * dpr) / dpr;
        if (whole >= 0.7 * scale) scale = whole;
        const qreal extent = kGrid * scale;
        const qreal x = snap((w - extent) / 2, dpr) + shift;
        const qreal y = snap(top + (room - extent) / 2, dpr) + shift;

        QImage layer(devicePixels, QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(dpr);
        layer.fill(Qt::transparent);
        {
            QPainter lp(&layer);
            lp.translate(x, y);
            lp.scale(scale, scale);
            SymbolPainter symbol(lp, inks);
            drawSymbol(symbol, button);
        }
        p.drawImage(QPointF(0, 0), layer);
    }

    p.setFont(font);
    p.setPen(inks.text);
    p.drawText(captionRect, Qt::AlignHCenter | Qt::AlignVCenter,
               metrics.elidedText(caption, Qt::ElideRight, captionRect.width()));
    p.end();
    return QPixmap::fromImage(std::move(image));
}

QString navigationCaption(NavButton button) {
    switch (button) {
        case NavButton::ViewLibrary: return QCoreApplication::translate("Navigation", "View library");
        case NavButton::Load: return QCoreApplication::translate("Navigation", "Load images");
        case NavButton::Edit: return QCoreApplication::translate("Navigation", "Edit");
        case NavButton::Delete: return QCoreApplication::translate("Navigation", "Delete");
        case NavButton::Copy: return QCoreApplication::translate("Navigation", "Copy");
        case NavButton::Move: return QCoreApplication::translate("Navigation", "Move");
        case NavButton::Setup: return QCoreApplication::translate("Navigation", "Setup");
        case NavButton::Print: return QCoreApplication::translate("Navigation", "Print");
        case NavButton::Help: return QCoreApplication::translate("Navigation", "Help");
        case NavButton::Exit: return QCoreApplication::translate("Navigation", "Exit");
    }
    return {};
}

QString navigationTooltip(NavButton button) {
    switch (button) {
        case NavButton::ViewLibrary:
            return QCoreApplication::translate("Navigation", "View the library in the browser");
        case NavButton::Load:
            return QCoreApplication::translate("Navigation", "Load pictures and movies from a memory card or camera");
        case NavButton::Edit:
            return QCoreApplication::translate("Navigation", "Change a library's title and rebuild its pages");
        case NavButton::Delete: return QCoreApplication::translate("Navigation", "Delete libraries");
        case NavButton::Copy: return QCoreApplication::translate("Navigation", "Copy libraries to another folder");
        case NavButton::Move: return QCoreApplication::translate("Navigation", "Move libraries to another folder");
        case NavButton::Setup: return QCoreApplication::translate("Navigation", "Change the program's settings");
        case NavButton::Print: return QCoreApplication::translate("Navigation", "Print pictures with the print program");
        case NavButton::Help: return QCoreApplication::translate("Navigation", "Open the help contents");
        case NavButton::Exit: return QCoreApplication::translate("Navigation", "Close the program");
    }
    return {};
}

}  // namespace lumbrel::ui
