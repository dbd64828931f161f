#pragma once
// The bar of the progress window, drawn by the program itself: a black frame,
// the filled part from the left and the percentage in the middle, which reads
// inverted where the filled part lies under it.

#include <QColor>
#include <QString>
#include <QWidget>

namespace lumbrel::ui {

class PercentBar : public QWidget {
    Q_OBJECT

public:
    explicit PercentBar(QWidget* parent = nullptr);

    /// The position as set; what is drawn is cut to 0..maximum().
    int position() const { return position_; }
    void setPosition(int position);
    /// Never below 1: a maximum of 0 (or less) is taken as 1.
    int maximum() const { return maximum_; }
    void setMaximum(int maximum);

    /// The colour of the filled part and of the text over the empty part.
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    /// The colour of the empty part and of the text over the filled part.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    /// The position cut to 0..maximum().
    int shownPosition() const;
    /// "%3d%%" of the shown position in hundredths of the maximum: "  0%" .. "100%".
    QString text() const;
    /// Width of the filled part inside a frame whose inside is innerWidth wide.
    int filledWidth(int innerWidth) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int position_ = 0;
    int maximum_ = 100;
    QColor textColor_;
    QColor backgroundColor_;
};

}  // namespace lumbrel::ui
