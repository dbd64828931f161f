#include "ui/pages.h"

#include <QHBoxLayout>
#include <QPainter>

#include "ui/carry_page.h"
#include "ui/delete_page.h"
#include "ui/edit_page.h"
#include "ui/load_page.h"
#include "ui/setup_page.h"

namespace lumbrel::ui {
namespace {

const QColor kPageBackground(107, 107, 107);

}  // namespace

bool isPageId(int id) {
    switch (id) {
        case kPageNavigation: case kPageEdit: case kPageDelete: case kPageCopy:
        case kPageMove: case kPageLoad: case kPageSetup: return true;
        default: return false;
    }
}

QString pageHeading(int id) {
    switch (id) {
        case kPageEdit: return QStringLiteral("Edit: Change title of selected library and rebuild library");
        case kPageDelete: return QStringLiteral("Delete: Delete library selected");
        case kPageCopy: return QStringLiteral("Copy: Copy selected library to another location");
        case kPageMove: return QStringLiteral("Move: Move selected library to another location");
        case kPageLoad: return QStringLiteral("Load: Load images in camera");
        case kPageSetup: return QStringLiteral("Setup: Set up Lumbrel");
        default: return {};
    }
}

Page::Page(int id, QWidget* parent) : QWidget(parent), id_(id), navigation_(new NavigationBar(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(navigation_);
    if (id == kPageNavigation) return;
    row->addSpacing(2);  // the two separator lines
    body_ = new QVBoxLayout;
    body_->setContentsMargins(14, 12, 14, 12);
    body_->setSpacing(10);
    auto* heading = new QLabel(pageHeading(id), this);
    heading->setObjectName(QStringLiteral("heading"));
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    heading->setFont(font);
    heading->setWordWrap(true);
    QPalette palette = heading->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    heading->setPalette(palette);
    body_->addWidget(heading);
    body_->addStretch(1);
    row->addLayout(body_, 1);
}

void Page::addToBody(QWidget* widget, int stretch) {
    if (!body_) return;
    body_->insertWidget(body_->count() - 1, widget, stretch);
    // The space at the bottom gives way to a control that stretches.
    if (stretch > 0) body_->setStretch(body_->count() - 1, 0);
}

void Page::setBodyMargins(int left, int top, int right, int bottom) {
    if (body_) body_->setContentsMargins(left, top, right, bottom);
}

QWidget* Page::focusTarget() const { return navigation_->button(NavButton::Load); }

// The page area in grey; right of the navigation strip a black and a white
// line of one pixel each.
void Page::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kPageBackground);
    if (id_ == kPageNavigation) return;
    const int x = navigation_->geometry().right() + 1;
    painter.fillRect(QRect(x, 0, 1, height()), Qt::black);
    painter.fillRect(QRect(x + 1, 0, 1, height()), Qt::white);
}

Page* makePage(int id, app::Settings* settings, LibraryCommands* commands, QWidget* parent) {
    switch (id) {
        case kPageLoad: return new LoadPage(settings, parent);
        case kPageEdit: return new EditPage(settings, commands, parent);
        case kPageDelete: return new DeletePage(settings, commands, parent);
        case kPageCopy: return new CarryPage(CarryPage::Kind::Copy, settings, commands, parent);
        case kPageMove: return new CarryPage(CarryPage::Kind::Move, settings, commands, parent);
        case kPageSetup:
            if (settings) return new SetupPage(*settings, commands, parent);
            break;
        default: break;
    }
    return new Page(id, parent);
}

void lightText(QWidget* w) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    w->setPalette(palette);
}

}  // namespace lumbrel::ui
