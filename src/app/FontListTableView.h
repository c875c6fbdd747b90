#pragma once
// The font list's table view (its keys go to the character table's shortcuts first): rows
// of 24 pixels, the family names in their own fonts, a
// narrow column for the marks, type-select by the families' names (typed letters within
// the keyboard interval go on the same search) and a context menu asked of its owner.

#include <QElapsedTimer>
#include <QStyledItemDelegate>
#include <QTimer>
#include "table/widgets/RbxFontTableView.h"

class FontListModel;

class FontNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class FontListTableView : public RbxFontTableView {
    Q_OBJECT
public:
    explicit FontListTableView(FontListModel* model, QWidget* parent = nullptr);

    FontListModel* fontModel() const { return model_; }
    // The row selected alone and scrolled into view; -1 clears the selection.
    void selectRowQuietly(int row);
    int selectedRow() const;

    // Type-select: from the row after the current one (the current one while a search
    // goes on), wrapping round, the first family whose name begins with the text typed.
    void keyboardSearch(const QString& search) override;
    QString typeSelectText() const { return typed_; }

signals:
    // The user chose a row (not selectRowQuietly).
    void rowChosen(int row);

protected:
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The rows in view, first and last; first -1 for none.
    std::pair<int, int> rowsInView() const;
    // Finds the name fonts of rows in view that lack theirs, a few milliseconds' worth at a time.
    void loadNameFontsInView();

    FontListModel* model_;
    QTimer nameFonts_;
    QString typed_;
    QElapsedTimer lastTyped_;
    bool quiet_ = false;
};
