#include "ui/mail_list.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

// An envelope, for a program whose icon neither its entry nor the theme has.
QIcon envelopeIcon() {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        const QRectF body(1.5, 3.5, 13, 9);
        painter.setPen(QPen(QColor(70, 90, 130), 1));
        painter.setBrush(QColor(250, 244, 214));
        painter.drawRect(body);
        QPainterPath flap;
        flap.moveTo(body.topLeft());
        flap.lineTo(body.center().x(), body.top() + 5.5);
        flap.lineTo(body.topRight());
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(flap);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The colour a part of the way from one colour to another.
QColor blend(const QColor& from, const QColor& to, double part) {
    const auto mix = [part](int a, int b) { return static_cast<int>(a + (b - a) * part + 0.5); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
}

}  // namespace

MailRowDelegate::Colours MailRowDelegate::colours(const QPalette& palette, bool selected, bool choosable) {
    // The selection keeps its colours when the list loses the focus, so that
    // the choice stays plain to see.
    if (selected) return {palette.color(QPalette::Active, QPalette::Highlight),
                          palette.color(QPalette::Active, QPalette::HighlightedText)};
    if (choosable) return {palette.color(QPalette::Active, QPalette::Base), palette.color(QPalette::Active, QPalette::Text)};
    // A program that is not installed: on the grey of a scroll bar's groove,
    // in grey text that can still be read.
    const QColor background = palette.color(QPalette::Active, QPalette::Midlight);
    return {background, blend(palette.color(QPalette::Active, QPalette::Text), background, 0.5)};
}

QFont MailRowDelegate::nameFont(const QFont& base) {
    QFont font = base;
    font.setWeight(QFont::Black);
    font.setPixelSize(12);
    return font;
}

void MailRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const bool choosable = index.data(MailList::ChoosableRole).toBool();
    const Colours c = colours(option.palette, selected, choosable);
    const QRect row = option.rect;
    painter->save();
    painter->fillRect(row, c.background);
    if (index.data(MailList::IndexRole).toInt() != 0 && choosable) {
        const QIcon icon = index.data(MailList::IconRole).value<QIcon>();
        icon.paint(painter, QRect(row.topLeft(), QSize(kIconSize, kIconSize)));
    }
    const QFont font = nameFont(option.font);
    painter->setFont(font);
    painter->setPen(c.text);
    const QRect textArea = row.adjusted(kTextLeft, 0, 0, 0);
    const QString name = QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                       textArea.width());
    painter->drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
    painter->restore();
}

QSize MailRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QFontMetrics metrics(nameFont(option.font));
    return {kTextLeft + metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 4, kRowHeight};
}

MailList::MailList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("mailList"));
    setItemDelegate(new MailRowDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

QIcon MailList::iconOf(const app::MailRow& row) {
    const QString icon = qt(row.icon);
    QIcon found;
    if (icon.contains('/'))
        found = QFile::exists(icon) ? QIcon(icon) : QIcon();
    else if (!icon.isEmpty())
        found = QIcon::fromTheme(icon);
    if (found.isNull()) found = QIcon::fromTheme(QStringLiteral("mail-client"));
    if (found.isNull()) found = envelopeIcon();
    return found;
}

void MailList::setRows(const std::vector<app::MailRow>& rows) {
    clear();
    rows_ = rows;
    for (const app::MailRow& row : rows_) {
        auto* item = new QListWidgetItem(qt(row.name), this);
        item->setData(IndexRole, row.index);
        item->setData(ChoosableRole, app::choosable(row));
        if (row.index != 0 && row.installed) item->setData(IconRole, iconOf(row));
        if (!app::choosable(row)) item->setToolTip(QStringLiteral("Not installed"));
    }
}

int MailList::fullHeight() const {
    return MailRowDelegate::kRowHeight * static_cast<int>(rows_.size()) + 2 * frameWidth();
}

// A row that cannot be chosen takes neither a click nor a key: the current
// row may move onto it, the selection stays where it is.
QItemSelectionModel::SelectionFlags MailList::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    if (index.isValid() && !index.data(ChoosableRole).toBool()) return QItemSelectionModel::NoUpdate;
    return QListWidget::selectionCommand(index, event);
}

}  // namespace lumbrel::ui
