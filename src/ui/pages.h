#pragma once
// The pages of the main window. Every page carries the navigation bar down its
// left side; the navigation page shows nothing else, the other pages their
// heading line and their own controls to the right of the strip.

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "app/settings.h"
#include "ui/navigation_bar.h"

namespace lumbrel::ui {

class LibraryCommands;

/// Page identifiers; any other is ignored by the page switch.
enum PageId : int {
    kPageNavigation = 131,
    kPageEdit = 101,
    kPageDelete = 103,
    kPageCopy = 132,
    kPageMove = 133,
    kPageLoad = 134,
    kPageSetup = 135,
};

bool isPageId(int id);
/// The heading line of a page ("Edit: Change title of selected library and
/// rebuild library"); empty for the navigation page.
QString pageHeading(int id);

class Page : public QWidget {
    Q_OBJECT
public:
    Page(int id, QWidget* parent = nullptr);
    int id() const { return id_; }
    NavigationBar* navigation() const { return navigation_; }
    /// Adds a control of the page's own below the heading and the controls
    /// added before it, in the column right of the strip (not on the
    /// navigation page). A control with a stretch takes the height left over.
    void addToBody(QWidget* widget, int stretch = 0);
    /// The space between the body and the page's edges.
    void setBodyMargins(int left, int top, int right, int bottom);
    /// What gets the keyboard focus when the page comes up.
    virtual QWidget* focusTarget() const;
    /// The document changed (a load, a command): the page shows it anew.
    virtual void updateFromDocument() {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int id_;
    NavigationBar* navigation_;
    QVBoxLayout* body_ = nullptr;
};

/// The page of an identifier: the Load page, the library list pages over
/// commands (an empty list without), or the navigation page with the bar alone.
/// Light text on the grey page, for labels, group boxes and their buttons.
void lightText(QWidget* w);

Page* makePage(int id, app::Settings* settings, LibraryCommands* commands, QWidget* parent);

}  // namespace lumbrel::ui
