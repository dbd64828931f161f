#include "ui/template_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextEdit>
#include <QVBoxLayout>

#include <string_view>

#include "app/strings.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

constexpr std::string_view kCaption = "Select template";
constexpr std::string_view kTypeLabel = "Select type(&T)";
constexpr std::string_view kOverviewLabel = "Overview";
constexpr std::string_view kColourLabel = "Select color(&C)";
constexpr std::string_view kColourHint = "(Menu color / background color)";
constexpr std::string_view kSampleLabel = "Color sample";
constexpr std::string_view kNotSaved = "The template could not be saved in the settings file.";

// The delivered plug-in's samples are 100 x 40; the area keeps that size.
constexpr int kSampleWidth = 100;
constexpr int kSampleHeight = 40;

// A label; the buddy takes the focus at the label's "&" mnemonic.
QLabel* label(std::string_view text, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(qt(text), parent);
    if (buddy) l->setBuddy(buddy);
    return l;
}

}  // namespace

TemplateDialog::TemplateDialog(app::Settings& settings, std::string pluginsFolder, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      picker_(std::move(pluginsFolder)),
      templates_(new QListWidget(this)),
      overview_(new QTextEdit(this)),
      colours_(new QListWidget(this)),
      sample_(new QLabel(this)) {
    setWindowTitle(qt(kCaption));
    templates_->setObjectName("templates");
    overview_->setObjectName("overview");
    colours_->setObjectName("colours");
    sample_->setObjectName("sample");

    overview_->setReadOnly(true);
    overview_->setAcceptRichText(false);
    sample_->setFixedSize(kSampleWidth + 2, kSampleHeight + 2);
    sample_->setFrameShape(QFrame::StyledPanel);
    sample_->setAlignment(Qt::AlignCenter);
    const int rowHeight = templates_->fontMetrics().height() + 4;
    templates_->setMinimumSize(templates_->fontMetrics().averageCharWidth() * 24, rowHeight * 6);
    colours_->setMinimumSize(colours_->fontMetrics().averageCharWidth() * 24, rowHeight * 8);
    overview_->setMinimumHeight(rowHeight * 6);

    auto* grid = new QGridLayout;
    grid->addWidget(label(kTypeLabel, templates_, this), 0, 0);
    grid->addWidget(templates_, 1, 0);
    grid->addWidget(label(kOverviewLabel, nullptr, this), 0, 1);
    grid->addWidget(overview_, 1, 1);
    auto* colourLabels = new QVBoxLayout;
    colourLabels->setSpacing(0);
    colourLabels->addWidget(label(kColourLabel, colours_, this));
    colourLabels->addWidget(label(kColourHint, nullptr, this));
    grid->addLayout(colourLabels, 2, 0);
    grid->addWidget(colours_, 3, 0);
    auto* sampleBox = new QVBoxLayout;
    sampleBox->addWidget(label(kSampleLabel, nullptr, this));
    sampleBox->addWidget(sample_);
    sampleBox->addStretch();
    grid->addLayout(sampleBox, 3, 1);
    grid->setColumnStretch(1, 1);

    auto* buttons = okAndRejectButtons(this, app::kButtonCancel);
    stackBodyAndButtons(this, grid, buttons);

    picker_.open(web::storedTemplate(settings_));
    for (const web::TemplateEntry& entry : picker_.entries()) templates_->addItem(qt(entry.title));
    if (const auto row = picker_.selectedTemplate()) templates_->setCurrentRow(static_cast<int>(*row));
    fillColours();
    showSummary();
    showSample();
    // Without any template there is nothing that OK could store.
    if (auto* ok = buttons->findChild<QPushButton*>("ok")) ok->setEnabled(picker_.choice().has_value());

    connect(templates_, &QListWidget::currentRowChanged, this, &TemplateDialog::templateChanged);
    connect(colours_, &QListWidget::currentRowChanged, this, &TemplateDialog::colourChanged);
    templates_->setFocus();
}

void TemplateDialog::accept() {
    const auto choice = picker_.choice();
    if (!choice) return;
    if (!web::saveTemplateChoice(settings_, *choice)) {
        // The Setup page would show a choice that the next start does not find.
        QMessageBox::warning(this, qt(app::kMessageCaption), qt(kNotSaved));
        return;
    }
    QDialog::accept();
}

QString TemplateDialog::shownChoice() const {
    const auto choice = picker_.choice();
    return choice ? qt(web::choiceText(choice->title, choice->colourName)) : QString();
}

void TemplateDialog::templateChanged(int row) {
    if (row < 0) return;
    if (picker_.selectTemplate(static_cast<std::size_t>(row))) {
        fillColours();
        showSample();
    }
    showSummary();
}

void TemplateDialog::colourChanged(int row) {
    if (row < 0) return;
    picker_.selectColour(row);
    showSample();
}

void TemplateDialog::fillColours() {
    const QSignalBlocker quiet(colours_);
    colours_->clear();
    for (const std::string& name : picker_.colourNames()) colours_->addItem(qt(name));
    if (const auto colour = picker_.selectedColour()) colours_->setCurrentRow(*colour);
}

void TemplateDialog::showSummary() { overview_->setPlainText(qt(picker_.summary())); }

void TemplateDialog::showSample() {
    const auto& sample = picker_.sample();
    if (!sample) {
        sample_->clear();
        return;
    }
    const QImage image(sample->rgb.data(), sample->width, sample->height, sample->width * 3, QImage::Format_RGB888);
    // copy(): the picture outlives the picker's buffer.
    sample_->setPixmap(QPixmap::fromImage(image.copy())
                           .scaled(kSampleWidth, kSampleHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace lumbrel::ui
