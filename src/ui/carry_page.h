#pragma once
// The Copy and Move pages: the selected libraries go to a folder the user
// chooses. Copy leaves the collection as it is; Move takes the libraries out
// of it. The space the selection takes is shown as it changes.

#include "ui/list_page.h"

namespace lumbrel::ui {

class CarryPage : public ListPage {
    Q_OBJECT
public:
    enum class Kind { Copy, Move };

    CarryPage(Kind kind, app::Settings* settings, LibraryCommands* commands, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    QPushButton* carryButton() const { return carry_; }
    /// Asks for the destination, then copies or moves the selected libraries there.
    void carry();

protected:
    void enableCommands(int selected) override;

private:
    Kind kind_;
    QPushButton* carry_;
};

}  // namespace lumbrel::ui
