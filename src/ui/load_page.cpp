#include "ui/load_page.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

namespace lumbrel::ui {
namespace {

QPushButton* commandButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setMinimumSize(150, 40);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

}  // namespace

LoadPage::LoadPage(app::Settings* settings, QWidget* parent)
    : Page(kPageLoad, parent),
      settings_(settings),
      cardUsb_(new QRadioButton(QStringLiteral("Card/USB connection(&U)"), this)),
      serial_(new QRadioButton(QStringLiteral("RS232C connection(&S)"), this)),
      camera_(commandButton(QStringLiteral("camera(&C)"), this)),
      other_(commandButton(QStringLiteral("other(&E)"), this)) {
    auto* cameraBox = new QGroupBox(QStringLiteral("Load images in camera"), this);
    lightText(cameraBox);
    auto* cameraRow = new QHBoxLayout(cameraBox);
    auto* radios = new QVBoxLayout;
    for (QRadioButton* radio : {cardUsb_, serial_}) {
        lightText(radio);
        radios->addWidget(radio);
    }
    auto* group = new QButtonGroup(this);
    group->addButton(cardUsb_, 0);
    group->addButton(serial_, 1);
    cameraRow->addLayout(radios, 1);
    cameraRow->addWidget(camera_, 0, Qt::AlignVCenter);

    auto* otherBox = new QGroupBox(QStringLiteral("Load other images"), this);
    lightText(otherBox);
    auto* otherRow = new QHBoxLayout(otherBox);
    auto* otherText = new QLabel(QStringLiteral("Load the pictures and movies of folders you choose."), otherBox);
    otherText->setWordWrap(true);
    lightText(otherText);
    otherRow->addWidget(otherText, 1);
    otherRow->addWidget(other_, 0, Qt::AlignVCenter);

    addToBody(cameraBox);
    addToBody(otherBox);

    const int stored = settings_ ? settings_->get(app::setting::UsbSerial) : 0;
    (stored == 1 ? serial_ : cardUsb_)->setChecked(true);
    connect(camera_, &QPushButton::clicked, this, [this] { emit cameraRequested(connection()); });
    connect(other_, &QPushButton::clicked, this, &LoadPage::otherRequested);
}

LoadPage::~LoadPage() {
    if (settings_) settings_->set(app::setting::UsbSerial, connection());
}

int LoadPage::connection() const { return serial_->isChecked() ? 1 : 0; }

}  // namespace lumbrel::ui
