#include "ui/serial_load_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/strings.h"
#include "ui/camera_folder_dialog.h"
#include "ui/communication_dialog.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

SerialLoadDialog::SerialLoadDialog(app::Settings& settings, Transfer transfer,
                                   std::unique_ptr<camera::CameraLink> link, QWidget* parent)
    : QDialog(parent), settings_(settings), transfer_(std::move(transfer)), link_(std::move(link)),
      batch_(new QRadioButton(QStringLiteral("Batch (&A)"), this)),
      folder_(new QRadioButton(QStringLiteral("Specified folder (&F)"), this)),
      ok_(new QPushButton(qt(app::kButtonOk), this)), setting_(new QPushButton(QStringLiteral("Setting(&S)"), this)),
      cancel_(new QPushButton(qt(app::kButtonCancel), this)) {
    setWindowTitle(QStringLiteral("Load image in camera - RS232C"));
    batch_->setObjectName("batch");
    folder_->setObjectName("folder");
    ok_->setObjectName("ok");
    setting_->setObjectName("setting");
    cancel_->setObjectName("cancel");
    link_->loadSettings(settings_);
    (settings_.get(app::setting::TransMode) == 1 ? folder_ : batch_)->setChecked(true);

    auto* unit = new QGroupBox(QStringLiteral("Transfer unit"), this);
    auto* radios = new QVBoxLayout(unit);
    radios->addWidget(batch_);
    radios->addWidget(folder_);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ok_, setting_, cancel_}) buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(unit);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &SerialLoadDialog::accept);
    connect(setting_, &QPushButton::clicked, this, &SerialLoadDialog::openSettings);
    connect(cancel_, &QPushButton::clicked, this, &SerialLoadDialog::reject);
}

void SerialLoadDialog::openSettings() {
    CommunicationDialog dialog(*link_, settings_, this);
    dialog.exec();
}

void SerialLoadDialog::accept() {
    const int mode = folder_->isChecked() ? 1 : 0;
    std::string folder;
    if (mode == 1) {
        QPointer<CameraFolderDialog> choice = new CameraFolderDialog(*link_, settings_, this);
        const bool chosen = choice->exec() == QDialog::Accepted && choice;
        if (!choice) return;
        folder = choice->folder();
        delete choice.data();
        if (!chosen) return;
    }
    setEnabled(false);
    const bool loaded = transfer_(*link_, mode, folder);
    setEnabled(true);
    if (loaded) {
        QDialog::accept();
        return;
    }
    activateWindow();
    ok_->setFocus();
}

void SerialLoadDialog::done(int result) {
    settings_.set(app::setting::TransMode, folder_->isChecked() ? 1 : 0);
    QDialog::done(result);
}

}  // namespace lumbrel::ui
