#include "ui/preview_box.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "media/imaging.h"
#include "platform/shell_link.h"

namespace lumbrel::ui {
namespace {

const QColor kBoxBackground(40, 40, 40);
constexpr int kMarkSize = 26;

bool endsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The mark of a picture marked for deletion: a white cross on a red disc.
QPixmap markPicture(qreal ratio) {
    QPixmap pixmap(QSize(kMarkSize, kMarkSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(QColor(200, 30, 30));
    painter.drawEllipse(QRectF(1, 1, kMarkSize - 2, kMarkSize - 2));
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    const qreal a = kMarkSize * 0.32, b = kMarkSize * 0.68;
    painter.drawLine(QPointF(a, a), QPointF(b, b));
    painter.drawLine(QPointF(a, b), QPointF(b, a));
    return pixmap;
}

}  // namespace

std::optional<std::string> previewTarget(const std::string& path) {
    if (endsWith(path, "LNK") || endsWith(path, "lnk")) return platform::resolveLink(path);
    return path;
}

QImage loadPicture(const std::string& path, int longerSide) {
    const std::optional<media::Image> image = media::loadJpegFile(path, std::max(longerSide, 1));
    if (!image || image->width < 1 || image->height < 1) return {};
    const QImage view(image->rgb.data(), image->width, image->height, image->width * 3, QImage::Format_RGB888);
    return view.copy();  // the decoded buffer goes with image
}

PreviewBox::PreviewBox(QWidget* parent) : QWidget(parent), mark_(new QLabel(this)) {
    setObjectName(QStringLiteral("preview"));
    setMinimumSize(120, 90);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    mark_->setObjectName(QStringLiteral("mark"));
    mark_->setPixmap(markPicture(devicePixelRatioF()));
    mark_->setFixedSize(kMarkSize, kMarkSize);
    mark_->move(4, 4);
    mark_->hide();
}

bool PreviewBox::showEntry(const std::string& entry) {
    const std::optional<std::string> file = previewTarget(entry);
    QImage picture;
    if (file) {
        const QSize device = size() * devicePixelRatioF();
        picture = loadPicture(*file, std::max(device.width(), device.height()));
    }
    if (picture.isNull()) {
        clear();
        return false;
    }
    picture_ = std::move(picture);
    shownFile_ = *file;
    update();
    return true;
}

void PreviewBox::clear() {
    picture_ = QImage();
    shownFile_.clear();
    update();
}

void PreviewBox::setMarkVisible(bool visible) { mark_->setVisible(visible); }

bool PreviewBox::markVisible() const { return mark_->isVisibleTo(this); }

// A dark sunken box; the picture as large as fits, its proportions kept.
void PreviewBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBoxBackground);
    painter.setPen(QColor(60, 60, 60));
    painter.drawLine(0, 0, width() - 1, 0);
    painter.drawLine(0, 0, 0, height() - 1);
    painter.setPen(QColor(200, 200, 200));
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
    if (picture_.isNull()) return;
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const QSize fitted = picture_.size().scaled(inner.size(), Qt::KeepAspectRatio);
    const QRect target(inner.x() + (inner.width() - fitted.width()) / 2,
                       inner.y() + (inner.height() - fitted.height()) / 2, fitted.width(), fitted.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
}

}  // namespace lumbrel::ui
