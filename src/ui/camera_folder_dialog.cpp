#include "ui/camera_folder_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings.h"
#include "camera/serial_transfer.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

const QString kPrefix = QStringLiteral("\\DCIM\\");

void showLinkError(QWidget* parent, camera::LinkError error) {
    if (const int message = camera::linkErrorStringId(error))
        QMessageBox::critical(parent, QStringLiteral("Lumbrel"), qt(app::text(message)));
}

}  // namespace

CameraFolderDialog::CameraFolderDialog(camera::CameraLink& link, app::Settings& settings, QWidget* parent)
    : QDialog(parent), link_(link), camera_(link), settings_(settings), folders_(new QComboBox(this)),
      ok_(new QPushButton(qt(app::kButtonOk), this)), cancel_(new QPushButton(qt(app::kButtonCancel), this)) {
    setWindowTitle(QStringLiteral("Folder setting"));
    folders_->setObjectName("folders");
    ok_->setObjectName("ok");
    cancel_->setObjectName("cancel");
    folders_->addItem(qt(app::text(app::kStrReceivingFolders)));
    folders_->setMinimumWidth(folders_->fontMetrics().horizontalAdvance(QStringLiteral("\\DCIM\\100ABCDE")) * 2);
    ok_->setEnabled(false);
    cancel_->setEnabled(false);
    ok_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(folders_);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &CameraFolderDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &CameraFolderDialog::reject);
    battery_.setInterval(kBatteryCheckMs);
    connect(&battery_, &QTimer::timeout, this, &CameraFolderDialog::checkBattery);
}

CameraFolderDialog::~CameraFolderDialog() {
    if (worker_.joinable()) worker_.join();
}

void CameraFolderDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!worker_.joinable()) query();
}

// The camera is asked on a worker thread, which owns the link until it has
// answered; the buttons stay disabled meanwhile.
void CameraFolderDialog::query() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    worker_ = std::thread([this] {
        std::vector<std::string> names;
        const int code = camera::SerialTransfer::queryFolders(camera_, names);
        QMetaObject::invokeMethod(
            this, [this, code, names = std::move(names)]() mutable { answered(code, std::move(names)); },
            Qt::QueuedConnection);
    });
}

void CameraFolderDialog::answered(int code, std::vector<std::string> names) {
    answered_ = true;
    QApplication::restoreOverrideCursor();
    if (code) showLinkError(this, static_cast<camera::LinkError>(code));
    folders_->clear();
    cancel_->setEnabled(true);
    if (code || names.empty()) {
        folders_->addItem(qt(app::text(app::kStrNoFoldersReceived)));
        cancel_->setFocus();
        return;
    }
    const QString saved = qt(settings_.get(app::setting::SCameraDir));
    int chosen = 0;
    for (const std::string& name : names) {
        if (qt(name) == saved) chosen = folders_->count();
        folders_->addItem(kPrefix + qt(name));
    }
    folders_->setCurrentIndex(chosen);
    linkUp_ = true;
    ok_->setEnabled(true);
    ok_->setFocus();
    battery_.start();
}

void CameraFolderDialog::checkBattery() {
    const camera::LinkError error = link_.batteryCheck();
    if (error == camera::LinkError::Ok) return;
    battery_.stop();
    linkUp_ = false;
    link_.endLink();
    showLinkError(this, error);
    QDialog::reject();
}

void CameraFolderDialog::accept() {
    if (!ok_->isEnabled()) return;
    battery_.stop();
    folder_ = folders_->currentText().mid(kPrefix.size()).toStdString();
    settings_.set(app::setting::SCameraDir, folder_);
    link_.setCameraFolder(folder_);
    QDialog::accept();
}

void CameraFolderDialog::reject() {
    if (!answered_) return;  // the camera is still being asked: the link is the worker's
    battery_.stop();
    if (linkUp_) link_.endLink();
    linkUp_ = false;
    QDialog::reject();
}

}  // namespace lumbrel::ui
