#pragma once
// The navigation bar down the left side of every page: ten picture buttons
// (View library, Load, Edit, Delete, Copy, Move, Setup, Print, Help, Exit),
// then "Automatic loading:" ON or OFF and "Number of libraries:".

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include <array>

#include "ui/nav_pictures.h"

namespace lumbrel::ui {

/// A button showing its picture for the state it is in: pressed, focused,
/// disabled or up.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(NavButton button, QSize size, QWidget* parent = nullptr);
    NavButton button() const { return button_; }
    ButtonState state() const;
    QSize sizeHint() const override { return size_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NavButton button_;
    QSize size_;
};

class NavigationBar : public QWidget {
    Q_OBJECT
public:
    explicit NavigationBar(QWidget* parent = nullptr);

    PictureButton* button(NavButton which) const;
    void setAutomaticLoading(bool on);
    void setLibraryCount(int count);
    QString automaticLoadingText() const { return automatic_->text(); }
    QString libraryCountText() const { return count_->text(); }

signals:
    void triggered(NavButton button);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<PictureButton*, 10> buttons_{};
    QLabel* automatic_ = nullptr;
    QLabel* count_ = nullptr;
};

}  // namespace lumbrel::ui
