#pragma once
// "Select template" (dialog 165): the templates of every plug-in in one
// sorted list, the chosen one's overview, its plug-in's colour patterns and
// the chosen colour's sample. OK writes the choice to the five template
// settings; Cancel leaves them as they were.

#include <QDialog>
#include <QString>

#include <string>

#include "app/settings.h"
#include "web/template_choice.h"

class QLabel;
class QListWidget;
class QTextEdit;

namespace lumbrel::ui {

class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 165;

    /// Opens on the template and colour that settings hold (DllPath,
    /// TemplateTypeNo, TemplateBackNo), else on the first template.
    TemplateDialog(app::Settings& settings, std::string pluginsFolder, QWidget* parent = nullptr);

    /// Writes TemplateType, TemplateTypeNo, TemplateBackCol, TemplateBackNo
    /// and DllPath, then closes. Without a template to choose it does neither.
    void accept() override;

    /// The choice as the Setup page shows it: title + " / Background " + colour.
    QString shownChoice() const;

    QListWidget* templateList() const { return templates_; }
    QListWidget* colourList() const { return colours_; }
    QTextEdit* overview() const { return overview_; }
    /// The sample picture; it shows no pixmap when there is no sample.
    QLabel* sampleArea() const { return sample_; }

private:
    void templateChanged(int row);
    void colourChanged(int row);
    void fillColours();
    void showSummary();
    void showSample();

    app::Settings& settings_;
    web::TemplatePicker picker_;
    QListWidget* templates_;
    QTextEdit* overview_;
    QListWidget* colours_;
    QLabel* sample_;
};

}  // namespace lumbrel::ui
