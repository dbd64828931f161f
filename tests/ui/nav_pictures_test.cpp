// The navigation bar's pictures and texts, and the window icon: sizes and
// ratios, that every picture carries a symbol and a caption, that the states
// and the buttons can be told apart, and that disabled pictures are grey.

#include "ui/app_icon.h"
#include "ui/nav_pictures.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <cmath>
#include <span>

using lumbrel::ui::ButtonState;
using lumbrel::ui::kNavButtons;
using lumbrel::ui::NavButton;

Q_DECLARE_METATYPE(NavButton)
Q_DECLARE_METATYPE(ButtonState)

namespace {

constexpr ButtonState kStates[] = {ButtonState::Up, ButtonState::Down, ButtonState::Focused,
                                   ButtonState::Disabled};
const QSize kButton(96, 64);

const char* stateName(ButtonState state) {
    switch (state) {
        case ButtonState::Up: return "up";
        case ButtonState::Down: return "down";
        case ButtonState::Focused: return "focused";
        case ButtonState::Disabled: return "disabled";
    }
    return "?";
}

QByteArray buttonName(NavButton button) { return lumbrel::ui::navigationCaption(button).toUtf8(); }

// One row for each of the buttons at device pixel ratios 1 and 2.
void addButtonRows(std::span<const NavButton> buttons) {
    QTest::addColumn<NavButton>("button");
    QTest::addColumn<qreal>("dpr");
    for (NavButton button : buttons)
        for (qreal dpr : {1.0, 2.0})
            QTest::addRow("%s @%gx", buttonName(button).constData(), dpr) << button << dpr;
}

QImage render(NavButton button, ButtonState state, QSize size = kButton, qreal dpr = 1) {
    return lumbrel::ui::navigationPicture(button, state, size, dpr).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Symbol strokes and caption letters are light; every face colour is darker
// than this.
bool isInk(QRgb pixel) { return qAlpha(pixel) > 128 && qGray(pixel) > 110; }

// Ink pixels within the rectangle (in device pixels).
int inkIn(const QImage& image, QRect area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) count += isInk(image.pixel(x, y));
    return count;
}

// The central part of a picture, clear of the border and the focus ring,
// from the fraction `from` to `to` of its height.
QRect band(const QImage& image, double from, double to) {
    const int margin = int(std::ceil(6 * image.devicePixelRatio()));
    return QRect(QPoint(margin, int(image.height() * from)),
                 QPoint(image.width() - 1 - margin, int(image.height() * to) - 1));
}

int differingPixels(const QImage& a, const QImage& b, QRect area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// The offset (dx, dy), within two pixels, at which the ink of `moved` best
// covers the ink of `base` inside the area.
QPoint bestShift(const QImage& base, const QImage& moved, QRect area, int reach) {
    QPoint best;
    int fewest = INT_MAX;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            int mismatches = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    mismatches += isInk(base.pixel(x, y)) != isInk(moved.pixel(x + dx, y + dy));
            if (mismatches < fewest) fewest = mismatches, best = QPoint(dx, dy);
        }
    return best;
}

double meanGrey(const QImage& image) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255) sum += qGray(image.pixel(x, y)), ++n;
    return n ? sum / n : 0;
}

int maxSaturation(const QImage& image) {
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            // Colours of nearly transparent pixels are rounding noise.
            if (qAlpha(pixel) >= 64) most = std::max(most, QColor::fromRgba(pixel).hsvSaturation());
        }
    return most;
}

}  // namespace

class NavPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void pictureSizeAndContent_data();
    void pictureSizeAndContent();
    void otherSizes_data();
    void otherSizes();
    void emptyRequestGivesNullPixmap();
    void statesDiffer_data();
    void statesDiffer();
    void symbolsDiffer();
    void straightEdgesAreSharp_data();
    void straightEdgesAreSharp();
    void disabledIsGrey_data();
    void disabledIsGrey();
    void captionsAndTooltips_data();
    void captionsAndTooltips();
    void textsAreDistinct();
    void applicationIconSizes();
};

void NavPicturesTest::pictureSizeAndContent_data() {
    QTest::addColumn<NavButton>("button");
    QTest::addColumn<ButtonState>("state");
    QTest::addColumn<qreal>("dpr");
    for (NavButton button : kNavButtons)
        for (ButtonState state : kStates)
            for (qreal dpr : {1.0, 2.0})
                QTest::addRow("%s %s @%gx", buttonName(button).constData(), stateName(state), dpr)
                    << button << state << dpr;
}

void NavPicturesTest::pictureSizeAndContent() {
    QFETCH(NavButton, button);
    QFETCH(ButtonState, state);
    QFETCH(qreal, dpr);
    const QPixmap pixmap = lumbrel::ui::navigationPicture(button, state, kButton, dpr);
    QCOMPARE(pixmap.size(), kButton * dpr);
    QCOMPARE(pixmap.devicePixelRatio(), dpr);
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(kButton));

    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    // The face covers the picture but for its rounded corners.
    QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    // A symbol in the upper part, a caption in the lower.
    const QRect symbol = band(image, 0.08, 0.66), caption = band(image, 0.70, 0.95);
    QVERIFY2(inkIn(image, symbol) > symbol.width() * symbol.height() / 25, "no symbol");
    QVERIFY2(inkIn(image, caption) > caption.width() * caption.height() / 40, "no caption");
    // Drawn into memory that was cleared first: the same call, the same pixels.
    QCOMPARE(render(button, state, kButton, dpr), image);
}

void NavPicturesTest::otherSizes_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("96x64 @1.25x") << QSize(96, 64) << 1.25;
    QTest::newRow("96x64 @1.5x") << QSize(96, 64) << 1.5;
    QTest::newRow("64x48 @1x") << QSize(64, 48) << 1.0;
    QTest::newRow("56x40 @2x") << QSize(56, 40) << 2.0;
    QTest::newRow("160x96 @1x") << QSize(160, 96) << 1.0;
    QTest::newRow("128x128 @3x") << QSize(128, 128) << 3.0;
}

// At any size the picture has the asked number of device pixels and the
// longest caption stays clear of the sides.
void NavPicturesTest::otherSizes() {
    QFETCH(QSize, size);
    QFETCH(qreal, dpr);
    for (NavButton button : kNavButtons) {
        const QPixmap pixmap = lumbrel::ui::navigationPicture(button, ButtonState::Up, size, dpr);
        QCOMPARE(pixmap.size(), QSize(qRound(size.width() * dpr), qRound(size.height() * dpr)));
        QCOMPARE(pixmap.devicePixelRatio(), dpr);
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        const int edge = int(std::ceil(3 * dpr));
        const QRect lower(0, image.height() * 2 / 3, image.width(), image.height() / 3);
        QCOMPARE(inkIn(image, QRect(lower.left(), lower.top(), edge, lower.height())), 0);
        QCOMPARE(inkIn(image, QRect(lower.right() - edge + 1, lower.top(), edge, lower.height())), 0);
        QVERIFY(inkIn(image, band(image, 0.08, 0.6)) > 0);
        QVERIFY(inkIn(image, lower) > 0);
    }
}

void NavPicturesTest::emptyRequestGivesNullPixmap() {
    QVERIFY(lumbrel::ui::navigationPicture(NavButton::Edit, ButtonState::Up, QSize(0, 64), 1).isNull());
    QVERIFY(lumbrel::ui::navigationPicture(NavButton::Edit, ButtonState::Up, QSize(96, -1), 1).isNull());
    QVERIFY(lumbrel::ui::navigationPicture(NavButton::Edit, ButtonState::Up, kButton, 0).isNull());
}

void NavPicturesTest::statesDiffer_data() {
    addButtonRows(kNavButtons);
}

void NavPicturesTest::statesDiffer() {
    QFETCH(NavButton, button);
    QFETCH(qreal, dpr);
    QImage images[4];
    for (int i = 0; i < 4; ++i) images[i] = render(button, kStates[i], kButton, dpr);
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            QVERIFY2(images[i] != images[j], QByteArray(stateName(kStates[i])) + " = " + stateName(kStates[j]));
    const QImage& up = images[0];
    const QImage& down = images[1];
    const QImage& focused = images[2];

    // Pressed: a darker face, and what is on it one pixel right and down.
    QVERIFY(meanGrey(down) < meanGrey(up) - 5);
    const int reach = int(2 * dpr);
    const QRect inner = band(up, 0.08, 0.95).adjusted(reach, 0, -reach, -reach);
    QCOMPARE(bestShift(up, down, inner, reach), QPoint(int(dpr), int(dpr)));

    // Focused: a coloured ring just inside the border, down both sides.
    for (int x : {int(3 * dpr), up.width() - 1 - int(3 * dpr)}) {
        const QColor ring = QColor::fromRgb(focused.pixel(x, focused.height() / 2));
        QVERIFY2(ring.hsvSaturation() > 80 && ring.value() > 150, qPrintable(ring.name()));
        QVERIFY(QColor::fromRgb(up.pixel(x, up.height() / 2)).hsvSaturation() < 16);
    }
    // ...and otherwise a raised button, not a pressed one.
    QVERIFY(meanGrey(focused) > meanGrey(down) + 5);
}

// The ten raised pictures differ in their symbols, not only in their captions.
void NavPicturesTest::symbolsDiffer() {
    for (qreal dpr : {1.0, 2.0}) {
        QList<QImage> images;
        for (NavButton button : kNavButtons) images << render(button, ButtonState::Up, kButton, dpr);
        const QRect symbol = band(images[0], 0.05, 0.66);
        for (int i = 0; i < images.size(); ++i)
            for (int j = i + 1; j < images.size(); ++j)
                QVERIFY2(differingPixels(images[i], images[j], symbol) > symbol.width() * symbol.height() / 20,
                         buttonName(kNavButtons[i]) + " looks like " + buttonName(kNavButtons[j]));
    }
}

void NavPicturesTest::straightEdgesAreSharp_data() {
    QTest::addColumn<NavButton>("button");
    QTest::addColumn<qreal>("dpr");
    // The symbols drawn mostly of straight lines.
    constexpr NavButton straight[] = {NavButton::ViewLibrary, NavButton::Copy, NavButton::Print, NavButton::Exit};
    addButtonRows(straight);
}

// Straight strokes lie on whole device pixels: most of a symbol's grey is
// the full stroke colour, little of it the blend of an edge that falls
// between pixels.
void NavPicturesTest::straightEdgesAreSharp() {
    QFETCH(NavButton, button);
    QFETCH(qreal, dpr);
    const QImage image = render(button, ButtonState::Up, kButton, dpr);
    const QRect symbol = band(image, 0.08, 0.62);
    QHash<QRgb, int> greys;
    for (int y = symbol.top(); y <= symbol.bottom(); ++y)
        for (int x = symbol.left(); x <= symbol.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel)) ++greys[pixel];
        }
    // The stroke colour is the lightest grey that covers many pixels.
    QRgb stroke = 0;
    for (auto it = greys.cbegin(); it != greys.cend(); ++it)
        if (it.value() > 20 * dpr * dpr && qGray(it.key()) > qGray(stroke)) stroke = it.key();
    QVERIFY(isInk(stroke));
    int full = 0, blended = 0;
    for (auto it = greys.cbegin(); it != greys.cend(); ++it) {
        if (it.key() == stroke) full += it.value();
        else if (isInk(it.key())) blended += it.value();
    }
    QVERIFY2(full > 3 * blended, qPrintable(QStringLiteral("%1 full, %2 blended").arg(full).arg(blended)));
}

void NavPicturesTest::disabledIsGrey_data() {
    addButtonRows(kNavButtons);
}

// Disabled pictures are grey; the raised one of the same button has its
// coloured detail (so the measure can tell the two apart).
void NavPicturesTest::disabledIsGrey() {
    QFETCH(NavButton, button);
    QFETCH(qreal, dpr);
    QVERIFY(maxSaturation(render(button, ButtonState::Disabled, kButton, dpr)) <= 12);
    QVERIFY(maxSaturation(render(button, ButtonState::Up, kButton, dpr)) > 60);
    // Greyed: the lightest ink is dimmer than on the raised button.
    const QImage disabled = render(button, ButtonState::Disabled, kButton, dpr);
    const QImage up = render(button, ButtonState::Up, kButton, dpr);
    const QRect inner = band(up, 0.05, 0.95);
    QVERIFY(inkIn(up, inner) > 0);
    int lightestDisabled = 0, lightestUp = 0;
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x) {
            lightestDisabled = std::max(lightestDisabled, qGray(disabled.pixel(x, y)));
            lightestUp = std::max(lightestUp, qGray(up.pixel(x, y)));
        }
    QVERIFY(lightestDisabled < lightestUp - 60);
}

void NavPicturesTest::captionsAndTooltips_data() {
    QTest::addColumn<NavButton>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("view library") << NavButton::ViewLibrary << "View library";
    QTest::newRow("load") << NavButton::Load << "Load images";
    QTest::newRow("edit") << NavButton::Edit << "Edit";
    QTest::newRow("delete") << NavButton::Delete << "Delete";
    QTest::newRow("copy") << NavButton::Copy << "Copy";
    QTest::newRow("move") << NavButton::Move << "Move";
    QTest::newRow("setup") << NavButton::Setup << "Setup";
    QTest::newRow("print") << NavButton::Print << "Print";
    QTest::newRow("help") << NavButton::Help << "Help";
    QTest::newRow("exit") << NavButton::Exit << "Exit";
}

void NavPicturesTest::captionsAndTooltips() {
    QFETCH(NavButton, button);
    QFETCH(QString, caption);
    QCOMPARE(lumbrel::ui::navigationCaption(button), caption);
    const QString tooltip = lumbrel::ui::navigationTooltip(button);
    QVERIFY(!tooltip.trimmed().isEmpty());
    QVERIFY(tooltip != caption);
    QVERIFY(!tooltip.contains(QLatin1Char('&')));  // plain words, no mnemonic marks
}

void NavPicturesTest::textsAreDistinct() {
    QSet<QString> captions, tooltips;
    for (NavButton button : kNavButtons) {
        captions << lumbrel::ui::navigationCaption(button);
        tooltips << lumbrel::ui::navigationTooltip(button);
    }
    QCOMPARE(captions.size(), int(kNavButtons.size()));
    QCOMPARE(tooltips.size(), int(kNavButtons.size()));
}

void NavPicturesTest::applicationIconSizes() {
    const QIcon icon = lumbrel::ui::applicationIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        const QImage image = icon.pixmap(QSize(side, side), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(side, side));
        QCOMPARE(qAlpha(image.pixel(side / 2, side / 2)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);  // a rounded tile
        QVERIFY(maxSaturation(image) > 60);      // the lens glass is blue
    }
}

QTEST_MAIN(NavPicturesTest)
#include "nav_pictures_test.moc"
