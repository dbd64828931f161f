#include "ui/transfer_window.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/strings.h"
#include "ui/percent_bar.h"
#include "ui/qt_text.h"
#include "ui/ui_thread.h"

namespace lumbrel::ui {

TransferWindow::TransferWindow(QWidget* mainWindow)
    : QDialog(nullptr), mainWindow_(mainWindow), text_(new QLabel(this)), percentLabel_(new QLabel(this)),
      bar_(new PercentBar(this)), status_(new QLabel(this)), cancel_(new QPushButton(qt(app::kButtonCancel), this)) {
    setModal(false);
    setObjectName("transferWindow");
    text_->setObjectName("text");
    percentLabel_->setObjectName("percent");
    status_->setObjectName("status");
    cancel_->setObjectName("cancel");
    for (QLabel* label : {text_, percentLabel_, status_}) label->setTextFormat(Qt::PlainText);
    bar_->setMaximum(100);
    bar_->setMinimumWidth(320);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(text_);
    layout->addWidget(percentLabel_);
    layout->addWidget(bar_);
    layout->addWidget(status_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel_);
    row->addStretch();
    layout->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, &TransferWindow::requestCancel);
}

void TransferWindow::start(const QString& caption, const QString& text) {
    setWindowTitle(caption);
    text_->setText(text);
    cancelled_ = false;
    cancel_->setEnabled(true);
    setStatus({});
    setPercent(0);
    placeOver(this, mainWindow_);
    lock_.lock(mainWindow_);
    show();
    raise();
    activateWindow();
}

void TransferWindow::setStatus(const QString& line) { status_->setText(line); }

void TransferWindow::setPercent(int percent) {
    percent_ = std::clamp(percent, 0, 100);
    bar_->setPosition(percent_);
    percentLabel_->setText(percentText());
}

QString TransferWindow::percentText() const { return QString::number(percent_) + '%'; }
QString TransferWindow::status() const { return status_->text(); }

void TransferWindow::finish() {
    hide();
    lock_.release();
}

void TransferWindow::requestCancel() {
    if (cancelled_) return;
    cancelled_ = true;
    cancel_->setEnabled(false);  // heard: the link stops after the block it is reading
    emit cancelRequested();
}

void TransferWindow::reject() { requestCancel(); }

GuiTransferProgress::~GuiTransferProgress() { delete window_.data(); }

void GuiTransferProgress::open(std::string_view caption, std::string_view text) {
    const QString captionText = qt(caption), bodyText = qt(text);
    onUiThread([&] {
        if (!window_) {
            window_ = new TransferWindow(mainWindow_);
            QObject::connect(window_, &TransferWindow::cancelRequested, &relay_, [this] { cancelled_.store(true); });
        }
        cancelled_.store(false);
        window_->start(captionText, bodyText);
    });
}

void GuiTransferProgress::status(std::string_view line) {
    const QString text = qt(line);
    onUiThread([&] {
        if (window_) window_->setStatus(text);
    });
}

void GuiTransferProgress::percent(int value) {
    if (onUiThreadNow()) {
        if (window_) window_->setPercent(value);
        return;
    }
    QMetaObject::invokeMethod(&relay_, [this, value] {
        if (window_) window_->setPercent(value);
    }, Qt::QueuedConnection);
}

bool GuiTransferProgress::cancelled() {
    if (onUiThreadNow()) QCoreApplication::processEvents();
    return cancelled_.load();
}

void GuiTransferProgress::close() {
    onUiThread([&] {
        if (window_) window_->finish();
    });
}

}  // namespace lumbrel::ui
