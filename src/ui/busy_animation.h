#pragma once
// The animation of the progress window: a picture card leaves the camera,
// flies over in an arc and drops into a folder. It is drawn with QPainter at
// whatever size and device pixel ratio the widget has, so it stays sharp on
// high-density screens. It plays from the first frame to the last, over and
// over, while the widget is shown, and stops when it is hidden.

#include <QTimer>
#include <QWidget>

class QPainter;

namespace lumbrel::ui {

class BusyAnimation : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrameCount = 18;
    static constexpr int kFrameIntervalMs = 70;

    explicit BusyAnimation(QWidget* parent = nullptr);

    int frame() const { return frame_; }
    /// Shows frame (taken modulo kFrameCount) without starting or stopping.
    void setFrame(int frame);
    bool isRunning() const { return timer_.isActive(); }

    QSize sizeHint() const override;

    /// Paints frame into a width × height area at the painter's origin.
    static void paintFrame(QPainter& painter, int frame, qreal width, qreal height);

signals:
    void frameChanged(int frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void advance();

    QTimer timer_;
    int frame_ = 0;
};

}  // namespace lumbrel::ui
