#include "ui/navigation_bar.h"
#include "ui/qt_text.h"

#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include "app/strings.h"

namespace lumbrel::ui {
namespace {

constexpr QSize kButtonSize{104, 44};
const QColor kLabelBackground(178, 178, 178);


QLabel* label(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAutoFillBackground(true);
    QPalette palette = l->palette();
    palette.setColor(QPalette::Window, kLabelBackground);
    palette.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(palette);
    l->setContentsMargins(4, 1, 4, 1);
    l->setWordWrap(true);
    QFont font = l->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    l->setFont(font);
    return l;
}

}  // namespace

PictureButton::PictureButton(NavButton button, QSize size, QWidget* parent)
    : QAbstractButton(parent), button_(button), size_(size) {
    setFixedSize(size);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(navigationTooltip(button));
    setAccessibleName(navigationCaption(button));
    setAccessibleDescription(navigationTooltip(button));
    setText(navigationCaption(button));
    setCursor(Qt::PointingHandCursor);
}

ButtonState PictureButton::state() const {
    if (!isEnabled()) return ButtonState::Disabled;
    if (isDown()) return ButtonState::Down;
    if (hasFocus()) return ButtonState::Focused;
    return ButtonState::Up;
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, navigationPicture(button_, state(), size(), devicePixelRatioF()));
}

NavigationBar::NavigationBar(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 8, 6, 8);
    column->setSpacing(3);
    for (std::size_t i = 0; i < kNavButtons.size(); ++i) {
        const NavButton which = kNavButtons[i];
        buttons_[i] = new PictureButton(which, kButtonSize, this);
        column->addWidget(buttons_[i], 0, Qt::AlignHCenter);
        connect(buttons_[i], &QAbstractButton::clicked, this, [this, which] { emit triggered(which); });
    }
    column->addSpacing(8);
    column->addWidget(label(qt("Automatic loading:"), this));
    automatic_ = label({}, this);
    column->addWidget(automatic_);
    column->addWidget(label(qt("Number of libraries:"), this));
    count_ = label({}, this);
    column->addWidget(count_);
    column->addStretch(1);
    setFixedWidth(kButtonSize.width() + 12);
}

PictureButton* NavigationBar::button(NavButton which) const {
    for (PictureButton* b : buttons_)
        if (b->button() == which) return b;
    return nullptr;
}

void NavigationBar::setAutomaticLoading(bool on) {
    automatic_->setText(qt(app::text(on ? app::kStrOn : app::kStrOff)));
}

void NavigationBar::setLibraryCount(int count) {
    count_->setText(QString::number(count) + qt(app::text(app::kStrCountSuffix)));
}

// The strip's own background: a calm slate gradient with a faint light edge.
void NavigationBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient shade(0, 0, width(), 0);
    shade.setColorAt(0, QColor(74, 82, 92));
    shade.setColorAt(1, QColor(58, 64, 72));
    painter.fillRect(rect(), shade);
}

}  // namespace lumbrel::ui
