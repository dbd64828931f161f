#pragma once
// The Load page: "camera(&C)" loads from a card or USB camera (or, with the
// RS232C connection chosen, from a serial camera), "other(&E)" loads folders
// the user picks. The connection choice is the setting USB/Serial, read when
// the page is made and written back when it goes.

#include <QPushButton>
#include <QRadioButton>

#include "app/settings.h"
#include "ui/pages.h"

namespace lumbrel::ui {

class LoadPage : public Page {
    Q_OBJECT
public:
    LoadPage(app::Settings* settings, QWidget* parent = nullptr);
    ~LoadPage() override;

    /// 0 = Card/USB, 1 = RS232C, as the radios show it.
    int connection() const;
    QPushButton* cameraButton() const { return camera_; }
    QPushButton* otherButton() const { return other_; }

signals:
    void cameraRequested(int connection);
    void otherRequested();

private:
    app::Settings* settings_;
    QRadioButton* cardUsb_;
    QRadioButton* serial_;
    QPushButton* camera_;
    QPushButton* other_;
};

}  // namespace lumbrel::ui
