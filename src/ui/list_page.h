#pragma once
// What the four library list pages (Edit, Delete, Copy, Move) share: the list
// of every library with its columns, its sorting and its selection; "Select
// all", "Before" and "Next"; the preview of the one selected library's
// pictures; and the refill whenever the document changes. Each page adds its
// command buttons and says when they can be pressed.

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <string>
#include <vector>

#include "app/settings.h"
#include "library/album_doc.h"
#include "ui/library_list_model.h"
#include "ui/pages.h"
#include "ui/preview_box.h"

namespace lumbrel::ui {

class ListPage : public Page {
    Q_OBJECT
public:
    /// What the page has besides the list.
    struct Features {
        bool previewChoice = true;  ///< "Display preview images"; without it the preview is always on
        bool spaceFigure = false;   ///< "Space in library selected:"
    };

    /// commands: the document and the maintenance commands; without them the
    /// list is empty and stays so.
    ListPage(int id, Features features, app::Settings* settings, LibraryCommands* commands, QWidget* parent);
    ~ListPage() override;

    QTableView* list() const { return list_; }
    LibraryListModel* model() const { return model_; }
    QPushButton* allSelectButton() const { return allSelect_; }
    QPushButton* beforeButton() const { return before_; }
    QPushButton* nextButton() const { return next_; }
    /// Null on the Delete page.
    QCheckBox* previewChoice() const { return previewChoice_; }
    PreviewBox* preview() const { return preview_; }
    /// The space figure ("1,234 KB"); null on Edit and Delete.
    QLabel* spaceFigure() const { return spaceFigure_; }

    /// The locations of the selected rows, top to bottom.
    std::vector<std::string> selectedLocations() const;
    /// The rows selected, top to bottom.
    std::vector<int> selectedRows() const;
    /// Selects exactly rows (the first one also current) and gives the list the focus.
    void selectRows(const std::vector<int>& rows);
    void selectAll();
    /// The preview list of the one selected library, and the entry on display.
    const std::vector<std::string>& previewEntries() const { return entries_; }
    std::size_t previewIndex() const { return index_; }
    /// Steps to the entry before or after the one on display, round the ends.
    void showBefore();
    void showNext();

    /// Refills the list from the document.
    void updateFromDocument() override;
    /// Writes the widths of the five columns to WinPositon (column0..column4).
    void saveColumnWidths();
    QWidget* focusTarget() const override { return list_; }

protected:
    /// The command buttons go in a row above "Select all", in the order added.
    QPushButton* addCommandButton(const QString& text);
    /// Enables the page's command buttons for a number of selected rows.
    virtual void enableCommands(int selected) = 0;
    /// After the preview changed: the entry on display (or none).
    virtual void previewChanged() {}
    /// Before the list is filled anew (the Delete page renews its marks).
    virtual void beforeRefill() {}

    library::CKDCardAlbumDoc* document() const;
    LibraryCommands* commands() const { return commands_; }
    app::Settings* settings() const { return settings_; }
    /// Shows entry index of the preview list (or clears the box).
    void showEntry(std::size_t index);
    /// Forgets the preview list and clears the box.
    void clearPreview();
    /// Builds the preview list of the selection and shows its first entry
    /// when exactly one row is selected and the preview is on.
    void updatePreview();
    /// Shows the number of libraries in the navigation bar.
    void showLibraryCount();
    /// Runs a command with the page disabled and the busy flag raised.
    template <class F>
    void whileDisabled(F&& f) {
        setEnabled(false);
        f();
        setEnabled(true);
    }

private:
    void onSelectionChanged();
    void onPreviewToggled(bool on);
    void showSpaceFigure(const std::vector<int>& rows);
    void updatePreview(const std::vector<int>& rows);
    bool previewOn() const;
    int storedWidth(int column) const;

    app::Settings* settings_;
    LibraryCommands* commands_;
    LibraryListModel* model_;
    QTableView* list_;
    QHBoxLayout* commandRow_;
    QPushButton* allSelect_;
    QPushButton* before_;
    QPushButton* next_;
    QCheckBox* previewChoice_ = nullptr;
    QLabel* spaceFigure_ = nullptr;
    PreviewBox* preview_;
    std::vector<std::string> entries_;
    std::size_t index_ = 0;
};

/// A command button of the list pages: bold, as wide as its text needs.
QPushButton* pageButton(const QString& text, QWidget* parent);

}  // namespace lumbrel::ui
