#pragma once
// The Edit page: "Change title" gives the one selected library a new title;
// "Rebuild" scans the selected libraries' folders again and writes their
// album pages anew with the current template and options.

#include "ui/list_page.h"

namespace lumbrel::ui {

class EditPage : public ListPage {
    Q_OBJECT
public:
    EditPage(app::Settings* settings, LibraryCommands* commands, QWidget* parent = nullptr);

    QPushButton* titleButton() const { return title_; }
    QPushButton* rebuildButton() const { return rebuild_; }

    void changeTitle();
    void rebuild();

protected:
    void enableCommands(int selected) override;

private:
    QPushButton* title_;
    QPushButton* rebuild_;
};

}  // namespace lumbrel::ui
