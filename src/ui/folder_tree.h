#pragma once
// The folder tree of the destination dialogs: the user's home and every
// mounted drive at the top, then their folders, only folders, each level
// listed when it is first opened (with the wait cursor while it is read),
// sorted by name ignoring case. Every node carries its folder's path.

#include <QString>
#include <QTreeWidget>

namespace lumbrel::ui {

class FolderTree : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kPathRole = Qt::UserRole + 1;

    /// tops: the folders at the top of the tree (label, path); empty for the
    /// home folder and the mounted drives of this system.
    explicit FolderTree(QWidget* parent = nullptr);
    FolderTree(const QList<QPair<QString, QString>>& tops, QWidget* parent);

    /// The path of the chosen node; empty when none is chosen.
    QString chosenPath() const;
    /// Opens the tree down to path (as far as its folders exist) and chooses
    /// the deepest node found; false when no top holds it.
    bool choosePath(const QString& path);

    /// The home folder and the roots of the mounted drives, as tops.
    static QList<QPair<QString, QString>> systemTops();

signals:
    /// A node was chosen (path empty: none).
    void pathChosen(const QString& path);

private:
    void addTops(const QList<QPair<QString, QString>>& tops);
    /// Lists the folders of item's folder as its children, once.
    void populate(QTreeWidgetItem* item);
};

}  // namespace lumbrel::ui
