#pragma once
// The main window: one page at a time with the navigation bar on each. With
// the navigation page the window is a narrow column of fixed size; with any
// other page it has the page size, can be enlarged, minimised and maximised.
// It remembers its place and size (WinPositon), watches for automatic-loading
// requests every 5 seconds and hands the buttons' commands to FrameActions.

#include <QMainWindow>
#include <QPointer>
#include <QTimer>


#include "app/settings.h"
#include "ui/pages.h"

namespace lumbrel::ui {

/// What the window's buttons and its watch ask of the program.
class FrameActions {
public:
    virtual ~FrameActions() = default;
    virtual void loadFromCamera(int connection) = 0;
    virtual void loadOtherImages() = 0;
    virtual void viewLibrary() = 0;
    virtual void startPrintProgram() = 0;
    virtual void openHelp() = 0;
    /// One tick of the watch for a request file of the watcher.
    virtual void pollAutomaticLoading() = 0;
    virtual int libraryCount() const = 0;
    virtual bool automaticLoading() const = 0;
    /// The library maintenance commands of the list pages; null: the lists
    /// stay empty.
    virtual LibraryCommands* libraryCommands() { return nullptr; }
};

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kPollMilliseconds = 5000;

    MainFrame(app::Settings& settings, FrameActions& actions, QWidget* parent = nullptr);
    ~MainFrame() override;

    int currentPage() const { return current_; }
    Page* page() const { return page_; }
    /// Shows page id (nothing when it shows already or id is no page).
    /// saveSize: the size of the page being left is remembered first.
    void switchPage(int id, bool saveSize);
    /// Client sizes of the window with the navigation page and with any other.
    QSize navigationSize() const { return navigationSize_; }
    QSize pageSize() const { return pageSize_; }
    /// Starts the 5-second watch (at the end of start-up).
    void startWatch() { poll_.start(kPollMilliseconds); }
    bool watching() const { return poll_.isActive(); }
    /// Refreshes "Automatic loading:" and "Number of libraries:".
    void refreshCounts();
    /// The document changed: the page shows it anew, then the counts.
    void updateViews();
    /// Brings the window to the front, also from minimised.
    void comeForward();
    /// Writes the window's place and size to WinPositon (done when it closes).
    void rememberGeometry();

protected:
    void closeEvent(QCloseEvent* event) override;

public:
    /// One tick of the watch: asks the program to look for a request file,
    /// then waits another 5 seconds.
    void pollTick();

private:
    void onNavigation(NavButton button);
    void applyPageFrame(bool wasMaximised);

    app::Settings& settings_;
    FrameActions& actions_;
    QPointer<Page> page_;
    int current_ = 0;
    bool closeRequested_ = false;
    bool geometryWritten_ = false;
    QSize navigationSize_;
    QSize pageSize_;
    QTimer poll_;
};

}  // namespace lumbrel::ui
