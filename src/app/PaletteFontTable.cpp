#include "app/PaletteFontTable.h"

#include "app/FontListModel.h"
#include "app/PaletteFontList.h"
#include "app/FontListTableView.h"
#include "core/Log.h"
#include "insertion/RbxClipboardCopies.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/ClearButton.h"
#include "kxlib/gui/KXPopUpButton.h"
#include "model/RbxActivationSet.h"
#include "model/RbxFontList.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

QStringList familiesOf(const RbxActivationSet& set) {
    const QSet<QString> families = set.fontFamilies();
    return QStringList(families.begin(), families.end());
}

} // namespace

PaletteFontTable::PaletteFontTable(RbxDefaults& settings, PaletteFontList& fonts, QObject* parent)
    : QObject(parent), settings_(settings), fonts_(fonts) {
    panel_ = new QWidget;
    panel_->setObjectName(QStringLiteral("fontListPanel"));
    auto* layout = new QVBoxLayout(panel_);
    layout->setContentsMargins(0, 0, 4, 0);
    layout->setSpacing(4);
    popUp_ = new KXPopUpButton(panel_);
    popUp_->setObjectName(QStringLiteral("collectionsPopUp"));
    popUp_->setMinimumContentsLength(6);
    filter_ = new QLineEdit(panel_);
    filter_->setObjectName(QStringLiteral("fontFilterField"));
    filter_->setPlaceholderText(QStringLiteral("Filter Fonts"));
    filter_->setAccessibleName(QStringLiteral("Filter Fonts"));
    model_ = new FontListModel(settings_, this);
    view_ = new FontListTableView(model_, panel_);
    view_->setObjectName(QStringLiteral("fontTableView"));
    layout->addWidget(popUp_);
    layout->addWidget(filter_);
    layout->addWidget(view_, 1);
    panel_->setMinimumWidth(0);
    panel_->installEventFilter(this);

    connect(popUp_, &QComboBox::activated, this, &PaletteFontTable::changeFontCollection);
    // Typing in the filter (its clear button too) filters at every change.
    connect(filter_, &QLineEdit::textEdited, this, &PaletteFontTable::filterFontList);
    connect(view_, &FontListTableView::rowChosen, this, &PaletteFontTable::rowChosen);
    connect(view_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == FontListModel::MarkColumn && model_->isMarkedFontInRow(index.row())) goToMarkedCharacter();
    });
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (auto menu = fontTableContextMenu()) menu->exec(view_->viewport()->mapToGlobal(p));
    });
}

PaletteFontTable::~PaletteFontTable() {
    if (panel_ && !panel_->parent()) delete panel_.data();
}

bool PaletteFontTable::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && !attached_ && (event->type() == QEvent::Show || event->type() == QEvent::Resize) &&
        panel_->isVisible() && panel_->width() > 0)
        attach();
    return false;
}

void PaletteFontTable::finishAfterFirstPaint() { kx::view::enableClearButton(filter_); }

void PaletteFontTable::attach() {
    if (attached_) return;
    attached_ = true;
    model_->setList(&fonts_.list());
    updateFontCollectionPopup();
}

// ---- collections and filter

void PaletteFontTable::updateFontCollectionPopup() {
    if (!attached_) return;
    RbxFontList& list = fonts_.list();
    const bool log = settings_.boolForKey(rbx::key::collLog);
    if (log) kx::log(QStringLiteral("updateFontCollectionPopup"));
    // What to select: the pending set, else on the first build the stored choice, else
    // the choice of now.
    sets_ = RbxActivationSet::activatedFontSets();
    QStringList setNames, setObjects;
    for (const auto& set : sets_) {
        setNames << set->displayName();
        setObjects << fontcollections::descriptionOfFamilies(familiesOf(*set));
    }
    QString toSelect;
    int pendingIndex = -1;
    const bool rebuilding = !pendingSet_ && popUp_->count() >= 2;
    if (pendingSet_) {
        for (qsizetype i = 0; i < sets_.size(); ++i)
            if (sets_[i] == pendingSet_) pendingIndex = int(i);
    } else if (popUp_->count() < 2) {
        toSelect = settings_.stringForKey(rbx::key::selectedCollection);
    } else {
        toSelect = selectedItem().object;
    }
    const QStringList names = list.fontCollectionNames();
    if (log)
        for (const QString& n : names) kx::log(QStringLiteral("collection name = %1").arg(n));
    items_ = fontcollections::items(names, setNames, setObjects, marked_ != 0,
                                    fontcollections::preferredLanguage(QLocale::system().uiLanguages()));

    building_ = true;
    popUp_->clear();
    auto* model = qobject_cast<QStandardItemModel*>(popUp_->model());
    for (const FontCollectionItem& item : items_) {
        if (item.kind == FontCollectionItem::Kind::Separator) {
            popUp_->insertSeparator(popUp_->count());
            continue;
        }
        popUp_->addItem(item.title, item.object);
        if (model && !item.enabled) model->item(popUp_->count() - 1)->setEnabled(false);
    }
    int index = fontcollections::indexOfObject(items_, toSelect);
    if (pendingIndex >= 0)
        for (qsizetype i = 0; i < items_.size(); ++i)
            if (items_[i].activationSet == pendingIndex) index = int(i);
    popUp_->setCurrentIndex(index);
    building_ = false;
    // A choice that can no longer be made ("Marked Fonts" once the marks are reset) gives
    // way to the first item, all fonts, which becomes the choice.
    if (rebuilding && index >= 0 && items_[index].object != toSelect)
        settings_.setString(items_[index].object, rbx::key::selectedCollection.qname());

    updateFontList();
    if (pendingSet_) {
        pendingSet_.reset();
        // The set's first family is chosen, as a click on its row would.
        if (model_->rowCount() > 0) {
            view_->selectRowQuietly(0);
            rowChosen(0);
        }
    }
}

FontCollectionItem PaletteFontTable::selectedItem() const {
    const int i = popUp_->currentIndex();
    if (i < 0 || i >= items_.size()) return {};
    return items_[i];
}

void PaletteFontTable::updateFontList() {
    if (!attached_) return;
    RbxFontList& list = fonts_.list();
    const FontCollectionItem item = selectedItem();
    const QString filter = filter_->text();
    const rbx::Font remembered = list.selectedFont();
    using Kind = FontCollectionItem::Kind;
    if (item.kind == Kind::ActivationSet && item.activationSet < sets_.size()) {
        list.filterFamiliesMatchingName(filter, sets_[item.activationSet]->fontFamilies());
    } else if (item.kind == Kind::Recent) {
        list.filterRecentFamiliesMatchingName(filter);
    } else if (item.kind == Kind::Marked) {
        list.filterFontsMatchingName(filter, marked_);
    } else if (item.kind == Kind::Collection && item.object != RbxFontList::allFontsCollection()) {
        list.filterFamiliesMatchingName(filter, list.familyNamesInCollection(item.object));
    } else {
        list.filterFamiliesMatchingName(filter);
    }
    model_->reload();
    if (remembered) list.selectFont(remembered);
    showSelectedFont();
}

void PaletteFontTable::filterFontList() {
    const bool detecting = settings_.applicationFontDectection();
    updateFontList();
    if (detecting) {
        settings_.setApplicationFontDectection(true);
        emit fontDetectionResumed();
    }
}

void PaletteFontTable::changeFontCollection(int index) {
    if (building_) return;
    const QString object = index >= 0 && index < items_.size() ? items_[index].object : QString();
    settings_.setString(object, rbx::key::selectedCollection.qname());
    filterFontList();
}

void PaletteFontTable::selectActivationSet(std::shared_ptr<RbxActivationSet> set) {
    pendingSet_ = std::move(set);
    updateFontCollectionPopup();
}

// ---- selection

void PaletteFontTable::showSelectedFont() {
    if (!attached_) return;
    view_->selectRowQuietly(fonts_.list().selectedFamilyIndex());
}

void PaletteFontTable::rowChosen(int row) {
    RbxFontList& list = fonts_.list();
    list.selectFamilyAtIndex(row);
    if (const rbx::Font font = list.selectedFont()) emit fontChosen(font);
}

// ---- marks

void PaletteFontTable::markFontsContainingCharacter(char32_t c) {
    marked_ = c;
    if (attached_) {
        model_->setMarkedCharacter(c);
        updateFontCollectionPopup();
    }
    emit markChanged(c);
}

void PaletteFontTable::goToMarkedCharacter() {
    if (marked_ == 0) return;
    if (const int row = view_->selectedRow(); row >= 0) rowChosen(row);
    emit markedCharacterWanted(marked_);
}

void PaletteFontTable::resetMarkedFonts() {
    if (marked_ == 0) return;
    markFontsContainingCharacter(0);
}

// ---- context menu and copy

std::unique_ptr<QMenu> PaletteFontTable::fontTableContextMenu() {
    auto menu = std::make_unique<QMenu>(QStringLiteral("Font List"));
    connect(menu->addAction(QStringLiteral("Copy Font List")), &QAction::triggered, this, &PaletteFontTable::copyFontList);
    if (marked_ != 0) {
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("Reset Marks")), &QAction::triggered, this, &PaletteFontTable::resetMarkedFonts);
    }
    return menu;
}

void PaletteFontTable::copyFontList() {
    RbxFontList& list = fonts_.list();
    QString text;
    for (int i = 0; i < list.count(); ++i) text += list.fontNameAtIndex(i) + u'\n';
    RbxTableClipboard::shared().publishString(text);
}

// ---- installed fonts changed

void PaletteFontTable::updateAfterFontChange() {
    if (!attached_) return;
    model_->forgetNameFonts();
    updateFontCollectionPopup();
}
