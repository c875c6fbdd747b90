#include "app/FontListTableView.h"

#include "app/FontListModel.h"
#include "model/RbxFontList.h"

#include <QApplication>
#include <QHeaderView>

QSize FontNameDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(FontListModel::RowHeight);
    return s;
}

void FontNameDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideRight;
    // The focus frame would cut through names drawn in large fonts.
    option->state &= ~QStyle::State_HasFocus;
}

FontListTableView::FontListTableView(FontListModel* model, QWidget* parent) : RbxFontTableView(parent), model_(model) {
    // The headers are hidden before the model comes: a shown header measures its sections
    // in the bold face of the system font, which the list never draws.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setModel(model);
    setItemDelegate(new FontNameDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(FontListModel::RowHeight);
    verticalHeader()->setMinimumSectionSize(FontListModel::RowHeight);
    horizontalHeader()->setMinimumSectionSize(12);
    horizontalHeader()->setSectionResizeMode(FontListModel::NameColumn, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(FontListModel::MarkColumn, QHeaderView::Fixed);
    horizontalHeader()->resizeSection(FontListModel::MarkColumn, 16);
    // The names are first drawn in the system font; their own fonts are found after the
    // picture is shown, in short turns of the event loop, for the rows in view only.
    nameFonts_.setSingleShot(true);
    nameFonts_.setInterval(0);
    connect(&nameFonts_, &QTimer::timeout, this, &FontListTableView::loadNameFontsInView);
}

std::pair<int, int> FontListTableView::rowsInView() const {
    const int first = rowAt(0);
    if (first < 0) return {-1, -1};
    const int last = rowAt(viewport()->height() - 1);
    return {first, last < 0 ? model_->rowCount() - 1 : last};
}

void FontListTableView::paintEvent(QPaintEvent* event) {
    RbxFontTableView::paintEvent(event);
    if (nameFonts_.isActive()) return;
    const auto [first, last] = rowsInView();
    for (int row = std::max(0, first); first >= 0 && row <= last; ++row)
        if (!model_->hasNameFont(row)) {
            nameFonts_.start();
            return;
        }
}

void FontListTableView::loadNameFontsInView() {
    constexpr int TurnMs = 4;
    if (!isVisible() || viewport()->width() <= 0) return;
    QElapsedTimer turn;
    turn.start();
    const auto [first, last] = rowsInView();
    for (int row = std::max(0, first); first >= 0 && row <= last; ++row) {
        if (model_->hasNameFont(row)) continue;
        if (turn.elapsed() >= TurnMs) {
            nameFonts_.start();
            return;
        }
        model_->loadNameFont(row);
    }
}

int FontListTableView::selectedRow() const {
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void FontListTableView::selectRowQuietly(int row) {
    quiet_ = true;
    if (row < 0 || row >= model_->rowCount()) {
        clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const QModelIndex index = model_->index(row, FontListModel::NameColumn);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    quiet_ = false;
}

void FontListTableView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    RbxFontTableView::selectionChanged(selected, deselected);
    if (quiet_) return;
    const int row = selectedRow();
    if (row >= 0) emit rowChosen(row);
}

void FontListTableView::keyboardSearch(const QString& search) {
    const RbxFontList* list = model_->list();
    if (!list || search.isEmpty() || model_->rowCount() == 0) return;
    const bool goesOn = lastTyped_.isValid() && lastTyped_.elapsed() <= QApplication::keyboardInputInterval();
    lastTyped_.start();
    typed_ = goesOn ? typed_ + search : search;
    const int count = model_->rowCount();
    const int current = std::max(0, currentIndex().row());
    const int from = goesOn ? current : (current + 1) % count;
    const int to = (from + count - 1) % count;
    const int match = list->typeSelectMatchFromRow(from, to, typed_);
    if (match < 0) return;
    const QModelIndex index = model_->index(match, FontListModel::NameColumn);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}
