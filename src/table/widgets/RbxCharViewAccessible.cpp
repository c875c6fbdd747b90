#include "table/widgets/RbxCharViewAccessible.h"

#include "core/Types.h"
#include "model/CharacterText.h"
#include "table/widgets/RbxCharView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace {

// A cell on screen, by its global index and the character it held when it was made: a
// new layout that puts another character there makes it invalid.
class CellAccessible : public QAccessibleInterface {
public:
    CellAccessible(RbxCharView* view, std::size_t index, char32_t c) : view_(view), index_(index), char_(c) {}

    bool isValid() const override {
        return view_ && index_ < view_->table().totalCount() && view_->characterAtIndex(index_) == char_;
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        switch (t) {
        case QAccessible::Name: {
            const QString name = CharacterText::fullNameOfCharacter(char_);
            const QString text = CharacterText::stringWithCharacter(char_);
            return name.isEmpty() ? text : text + u' ' + name;
        }
        case QAccessible::Description: return CharacterText::hexRepresentation(char_);
        case QAccessible::Value: return CharacterText::stringWithCharacter(char_);
        default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = view_->viewportRectFromTable(view_->rectForCharacterAtIndex(index_)).toAlignedRect();
        return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selected = view_->selectedCharIndex() == index_;
        return s;
    }

    std::size_t index() const { return index_; }

private:
    QPointer<RbxCharView> view_;
    std::size_t index_;
    char32_t char_;
};

// The view as a list of the cells on screen.
class CharViewAccessible : public QAccessibleWidget {
public:
    // The cells' interfaces stay with Qt's cache when the view goes (they answer invalid
    // from then on): this may be destroyed by that cache as the program ends.
    explicit CharViewAccessible(RbxCharView* view) : QAccessibleWidget(view, QAccessible::List) {}

    int childCount() const override { return int(visibleIndexes().size()); }
    QAccessibleInterface* child(int i) const override {
        const std::vector<std::size_t> visible = visibleIndexes();
        return i >= 0 && std::size_t(i) < visible.size() ? cell(visible[std::size_t(i)]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::ListItem) return -1;
        const std::vector<std::size_t> visible = visibleIndexes();
        const auto it = std::find(visible.begin(), visible.end(), static_cast<const CellAccessible*>(child)->index());
        return it == visible.end() ? -1 : int(it - visible.begin());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint p = view()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!view()->viewport()->rect().contains(p)) return nullptr;
        const std::size_t index = view()->indexOfCharacterAtViewportPoint(p);
        return index == kx::NotFound ? nullptr : cell(index);
    }
    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) s = QStringLiteral("Characters");
        return s;
    }

private:
    RbxCharView* view() const { return static_cast<RbxCharView*>(widget()); }

    // The global indexes of the cells on screen, group by group, row by row.
    std::vector<std::size_t> visibleIndexes() const {
        std::vector<std::size_t> out;
        const QRectF visible = view()->scrollArea();
        std::size_t first = 0;
        for (const RbxTableGroup& g : view()->groups()) {
            if (g.groupKind() != RbxMessageGroupKind && g.isExpanded() && g.meetsRect(visible)) {
                if (const auto range = g.dirtyRange(visible)) {
                    for (std::size_t i = range->firstIndex; i < range->endIndex; ++i)
                        if (range->isDrawn(i) && g.rectForCharacterAtIndex(i).intersects(visible)) out.push_back(first + i);
                }
            }
            first += g.count();
        }
        return out;
    }

    // The cell's interface, made and registered on first use and kept while it is valid.
    QAccessibleInterface* cell(std::size_t index) const {
        const char32_t c = view()->characterAtIndex(index);
        if (const auto it = cells_.constFind(index); it != cells_.constEnd()) {
            QAccessibleInterface* known = QAccessible::accessibleInterface(*it);
            if (known && known->isValid()) return known;
            QAccessible::deleteAccessibleInterface(*it);
            cells_.erase(it);
        }
        auto* made = new CellAccessible(view(), index, c);
        cells_.insert(index, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    mutable QHash<std::size_t, QAccessible::Id> cells_;
};

QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("RbxCharView"))
        if (auto* view = qobject_cast<RbxCharView*>(object)) return new CharViewAccessible(view);
    return nullptr;
}

} // namespace

namespace rbxaccessible {

void installCharViewFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    (void)installed;
}

} // namespace rbxaccessible
