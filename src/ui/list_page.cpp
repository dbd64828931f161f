#include "ui/list_page.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "app/busy_flag.h"
#include "maintenance/library_list.h"
#include "library/library_folder.h"
#include "ui/library_commands.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

namespace ml = maintenance;
namespace setting = app::setting;

constexpr std::array<const app::IntSetting*, ml::kListColumns> kColumnWidths{
    &setting::Column0, &setting::Column1, &setting::Column2, &setting::Column3, &setting::Column4};

// The list reaches to this many pixels from the page's right and bottom edges.
constexpr int kListMargin = 7;

NavButton ownButton(int id) {
    switch (id) {
        case kPageEdit: return NavButton::Edit;
        case kPageDelete: return NavButton::Delete;
        case kPageCopy: return NavButton::Copy;
        default: return NavButton::Move;
    }
}

QPushButton* stepButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setMinimumWidth(96);
    return button;
}

}  // namespace

QPushButton* pageButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setMinimumSize(120, 32);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

ListPage::ListPage(int id, Features features, app::Settings* settings, LibraryCommands* commands, QWidget* parent)
    : Page(id, parent),
      settings_(settings),
      commands_(commands),
      model_(new LibraryListModel(this)),
      list_(new QTableView(this)),
      commandRow_(new QHBoxLayout),
      allSelect_(stepButton(QStringLiteral("Select all(&A)"), this)),
      before_(stepButton(QStringLiteral("Before(&B)"), this)),
      next_(stepButton(QStringLiteral("Next(&N)"), this)),
      preview_(new PreviewBox(this)) {
    setBodyMargins(14, 10, kListMargin, kListMargin);
    allSelect_->setObjectName(QStringLiteral("allselect"));
    before_->setObjectName(QStringLiteral("before"));
    next_->setObjectName(QStringLiteral("next"));

    auto* controls = new QVBoxLayout;
    controls->setSpacing(8);
    commandRow_->setSpacing(8);
    commandRow_->addStretch(1);
    controls->addLayout(commandRow_);
    auto* steps = new QHBoxLayout;
    steps->setSpacing(8);
    steps->addWidget(allSelect_);
    steps->addWidget(before_);
    steps->addWidget(next_);
    steps->addStretch(1);
    controls->addLayout(steps);
    if (features.previewChoice) {
        previewChoice_ = new QCheckBox(QStringLiteral("Display preview images(&P)"), this);
        previewChoice_->setObjectName(QStringLiteral("previewChoice"));
        lightText(previewChoice_);
        controls->addWidget(previewChoice_);
    }
    if (features.spaceFigure) {
        auto* space = new QHBoxLayout;
        auto* caption = new QLabel(QStringLiteral("Space in library selected:"), this);
        lightText(caption);
        spaceFigure_ = new QLabel(this);
        spaceFigure_->setObjectName(QStringLiteral("spaceFigure"));
        lightText(spaceFigure_);
        QFont bold = spaceFigure_->font();
        bold.setBold(true);
        spaceFigure_->setFont(bold);
        space->addWidget(caption);
        space->addWidget(spaceFigure_);
        space->addStretch(1);
        controls->addLayout(space);
    }
    controls->addStretch(1);

    auto* top = new QWidget(this);
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addLayout(controls, 1);
    topRow->addWidget(preview_, 0, Qt::AlignTop | Qt::AlignRight);
    preview_->setFixedSize(preview_->sizeHint());
    addToBody(top);

    auto* listLabel = new QLabel(QStringLiteral("Library list(&L)"), this);
    lightText(listLabel);
    listLabel->setBuddy(list_);
    addToBody(listLabel);

    list_->setObjectName(QStringLiteral("libraryList"));
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    list_->setWordWrap(false);
    list_->setAlternatingRowColors(true);
    list_->setTabKeyNavigation(false);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    QHeaderView* header = list_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(true);
    for (int column = 0; column < ml::kListColumns; ++column) list_->setColumnWidth(column, storedWidth(column));
    addToBody(list_, 1);

    navigation()->button(ownButton(id))->setEnabled(false);
    // Runs before the frame's own handling of the bar: the widths are kept
    // before the page goes.
    connect(navigation(), &NavigationBar::triggered, this, [this] { saveColumnWidths(); });
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        app::BusyScope busy;
        model_->clickColumn(column);
        const ml::ListState& state = ml::ListState::shared();
        list_->horizontalHeader()->setSortIndicator(state.sortColumn,
                                                    state.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        app::BusyScope busy;
        onSelectionChanged();
    });
    connect(allSelect_, &QPushButton::clicked, this, [this] {
        app::BusyScope busy;
        selectAll();
    });
    connect(before_, &QPushButton::clicked, this, [this] {
        app::BusyScope busy;
        showBefore();
    });
    connect(next_, &QPushButton::clicked, this, [this] {
        app::BusyScope busy;
        showNext();
    });
    if (previewChoice_) {
        previewChoice_->setChecked(ml::ListState::shared().preview);
        connect(previewChoice_, &QCheckBox::toggled, this, [this](bool on) {
            app::BusyScope busy;
            onPreviewToggled(on);
        });
    }
    before_->setEnabled(false);
    next_->setEnabled(false);
}

ListPage::~ListPage() { saveColumnWidths(); }

// The width the user gave the column; until there is one, the default width,
// widened where this font needs more for the header.
int ListPage::storedWidth(int column) const {
    const app::IntSetting& key = *kColumnWidths[std::size_t(column)];
    const int stored = settings_ ? settings_->get(app::IntSetting{key.section, key.key, -1}) : -1;
    if (stored >= 0) return stored;
    const QString header = model_->headerData(column, Qt::Horizontal).toString();
    const int needed = list_->horizontalHeader()->fontMetrics().horizontalAdvance(header) + 24;
    return std::max(key.defaultValue, needed);
}

library::CKDCardAlbumDoc* ListPage::document() const { return commands_ ? &commands_->document() : nullptr; }

QPushButton* ListPage::addCommandButton(const QString& text) {
    QPushButton* button = pageButton(text, this);
    button->setEnabled(false);
    commandRow_->insertWidget(commandRow_->count() - 1, button);
    return button;
}

void ListPage::saveColumnWidths() {
    if (!settings_) return;
    for (int column = 0; column < ml::kListColumns; ++column)
        settings_->set(*kColumnWidths[std::size_t(column)], list_->columnWidth(column));
}

void ListPage::updateFromDocument() {
    beforeRefill();
    if (const library::CKDCardAlbumDoc* doc = document())
        model_->refill(*doc);
    else
        model_->refill(std::vector<ml::LibraryListItem>{});
    const ml::ListState& state = ml::ListState::shared();
    list_->horizontalHeader()->setSortIndicator(state.sortColumn,
                                                state.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    allSelect_->setEnabled(model_->rowCount() > 0);
    showLibraryCount();
    onSelectionChanged();
}

void ListPage::showLibraryCount() {
    navigation()->setLibraryCount(model_->rowCount());
}

// Read from the selection's ranges: the list selects whole rows, and asking
// the selection model for its rows looks at every cell of every row.
std::vector<int> ListPage::selectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : list_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<std::string> ListPage::selectedLocations() const {
    std::vector<std::string> locations;
    for (int row : selectedRows()) locations.push_back(model_->location(row));
    return locations;
}

void ListPage::selectRows(const std::vector<int>& rows) {
    QItemSelection selection;
    for (int row : rows)
        if (row >= 0 && row < model_->rowCount())
            selection.select(model_->index(row, 0), model_->index(row, ml::kListColumns - 1));
    QItemSelectionModel* select = list_->selectionModel();
    if (!rows.empty() && rows.front() >= 0 && rows.front() < model_->rowCount())
        select->setCurrentIndex(model_->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    select->select(selection, QItemSelectionModel::ClearAndSelect);
    list_->setFocus();
}

void ListPage::selectAll() {
    if (model_->rowCount() == 0) return;
    list_->selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::NoUpdate);
    list_->selectAll();
    list_->setFocus();
}

bool ListPage::previewOn() const { return !previewChoice_ || previewChoice_->isChecked(); }

// The commands follow the number of rows selected; the preview shows the one
// selected library; Copy and Move show what the selection holds.
void ListPage::onSelectionChanged() {
    const std::vector<int> rows = selectedRows();
    enableCommands(static_cast<int>(rows.size()));
    updatePreview(rows);
    if (spaceFigure_) showSpaceFigure(rows);
}

void ListPage::updatePreview() { updatePreview(selectedRows()); }

void ListPage::updatePreview(const std::vector<int>& rows) {
    if (rows.size() == 1 && previewOn()) {
        entries_ = library::previewList(model_->location(rows.front()));
        if (!entries_.empty()) {
            before_->setEnabled(true);
            next_->setEnabled(true);
            showEntry(0);
            return;
        }
    }
    before_->setEnabled(false);
    next_->setEnabled(false);
    clearPreview();
}

void ListPage::clearPreview() {
    entries_.clear();
    index_ = 0;
    preview_->clear();
    previewChanged();
}

void ListPage::showEntry(std::size_t index) {
    if (index >= entries_.size()) {
        clearPreview();
        return;
    }
    index_ = index;
    preview_->showEntry(entries_[index]);
    previewChanged();
}

void ListPage::showBefore() {
    if (entries_.empty()) return;
    showEntry(index_ == 0 ? entries_.size() - 1 : index_ - 1);
}

void ListPage::showNext() {
    if (entries_.empty()) return;
    showEntry(index_ + 1 >= entries_.size() ? 0 : index_ + 1);
}

void ListPage::onPreviewToggled(bool on) {
    ml::ListState::shared().preview = on;
    updatePreview();
}

void ListPage::showSpaceFigure(const std::vector<int>& rows) {
    const library::CKDCardAlbumDoc* doc = document();
    std::vector<std::string> locations;
    if (doc) {
        locations.reserve(rows.size());
        for (int row : rows) locations.push_back(model_->location(row));
    }
    const std::uint64_t bytes = doc ? ml::storedBytes(*doc, locations) : 0;
    spaceFigure_->setText(qt(ml::kilobyteText(bytes)));
}

}  // namespace lumbrel::ui
