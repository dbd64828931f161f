#include "ui/folder_tree.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QHeaderView>

#include "camera/drive_list.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

constexpr int kListedRole = Qt::UserRole + 2;
constexpr QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot;

bool hasSubfolders(const QString& path) {
    QDirIterator it(path, kFolders);
    return it.hasNext();
}

QString withSlash(QString path) {
    if (!path.endsWith('/')) path += '/';
    return path;
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : FolderTree(systemTops(), parent) {}

FolderTree::FolderTree(const QList<QPair<QString, QString>>& tops, QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("folderTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    addTops(tops);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::populate);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        emit pathChosen(item ? item->data(0, kPathRole).toString() : QString());
    });
}

QList<QPair<QString, QString>> FolderTree::systemTops() {
    QList<QPair<QString, QString>> tops;
    const QString home = QDir::homePath();
    tops.append({QStringLiteral("Home (%1)").arg(home), home});
    bool rootSeen = false;
    for (const camera::Drive& drive : camera::enumerateDrives()) {
        QString root = qt(drive.root);
        if (root.size() > 1 && root.endsWith('/')) root.chop(1);
        if (root == QLatin1String("/")) rootSeen = true;
        const QString label = root == QLatin1String("/") ? QStringLiteral("File system (/)") : root;
        tops.append({label, root});
    }
    if (!rootSeen) tops.append({QStringLiteral("File system (/)"), QStringLiteral("/")});
    return tops;
}

void FolderTree::addTops(const QList<QPair<QString, QString>>& tops) {
    QFileIconProvider icons;
    for (const auto& [label, path] : tops) {
        auto* item = new QTreeWidgetItem(this, {label});
        item->setData(0, kPathRole, path);
        item->setIcon(0, icons.icon(path == QDir::homePath() ? QFileIconProvider::Computer : QFileIconProvider::Drive));
        item->setChildIndicatorPolicy(hasSubfolders(path) ? QTreeWidgetItem::ShowIndicator
                                                          : QTreeWidgetItem::DontShowIndicator);
    }
}

void FolderTree::populate(QTreeWidgetItem* item) {
    if (!item || item->data(0, kListedRole).toBool()) return;
    item->setData(0, kListedRole, true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString path = item->data(0, kPathRole).toString();
    const QFileInfoList folders =
        QDir(path).entryInfoList(kFolders, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    QFileIconProvider icons;
    const QIcon folderIcon = icons.icon(QFileIconProvider::Folder);
    for (const QFileInfo& folder : folders) {
        auto* child = new QTreeWidgetItem(item, {folder.fileName()});
        child->setData(0, kPathRole, withSlash(path) + folder.fileName());
        child->setIcon(0, folderIcon);
        child->setChildIndicatorPolicy(folder.isReadable() && hasSubfolders(folder.absoluteFilePath())
                                           ? QTreeWidgetItem::ShowIndicator
                                           : QTreeWidgetItem::DontShowIndicator);
    }
    if (folders.isEmpty()) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    QApplication::restoreOverrideCursor();
}

QString FolderTree::chosenPath() const {
    const QTreeWidgetItem* item = currentItem();
    return item ? item->data(0, kPathRole).toString() : QString();
}

bool FolderTree::choosePath(const QString& path) {
    // The top whose path is the longest beginning of path.
    QTreeWidgetItem* node = nullptr;
    qsizetype best = -1;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = topLevelItem(i);
        const QString topPath = top->data(0, kPathRole).toString();
        const bool holds = path == topPath || path.startsWith(withSlash(topPath));
        if (holds && topPath.size() > best) {
            node = top;
            best = topPath.size();
        }
    }
    if (!node) return false;
    const QString rest = path.mid(node->data(0, kPathRole).toString().size());
    for (const QString& name : rest.split('/', Qt::SkipEmptyParts)) {
        populate(node);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i)
            if (node->child(i)->text(0) == name) next = node->child(i);
        if (!next) break;
        node->setExpanded(true);
        node = next;
    }
    setCurrentItem(node);
    scrollToItem(node, QAbstractItemView::PositionAtCenter);
    return true;
}

}  // namespace lumbrel::ui
