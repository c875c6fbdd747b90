#include "app/PaletteViews.h"

#include "app/PaletteContent.h"
#include "app/RbxSearchField.h"
#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "core/Bundle.h"
#include "core/KXAppSupport.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "kxlib/gui/KXPopUpButton.h"
#include "kxlib/gui/SegmentedControl.h"
#include "model/RbxFontInfo.h"
#include "model/RbxLayout.h"
#include "model/RbxLayoutPopUp.h"
#include "table/widgets/RbxGroupButton.h"

#include <QComboBox>
#include <QSlider>
#include <QToolButton>
#include <QLineEdit>
#include <QListView>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStackedWidget>

namespace {

constexpr int TableTag = 1;
constexpr int LastSwipeView = 5;

bool isTableView(int view) { return view >= 1 && view < 4; }

} // namespace

QString PaletteViews::moreLayoutsAddress() {
    QString site = kx::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("RbxWebSite")).toString();
    while (site.endsWith(u'/')) site.chop(1);
    return site + QStringLiteral("/runebox/extensions/");
}

PaletteViews::PaletteViews(RbxCharWindowController& controller, RbxDefaults& settings, PaletteContent& content,
                           PaletteTable& table, RbxLayoutPopUp& layouts, QObject* parent)
    : QObject(parent), c_(controller), settings_(settings), content_(content), table_(table), layouts_(layouts) {
    connect(content_.windowModeSegmentedControl(), &SegmentedControl::segmentClicked, this, [this] { changeView(); });
    connect(content_.viewPopUp(), &QComboBox::activated, this, [this] { changeView(); });
    connect(&layouts_, &RbxLayoutPopUp::changed, this, &PaletteViews::showLayoutPopUp);
    connect(content_.layoutPopUp(), &QComboBox::activated, this, [this](int index) {
        layouts_.selectItemAtIndex(index);
        changeLayout();
    });
    connect(content_.contentTabView(), &QStackedWidget::currentChanged, this, &PaletteViews::pageShown);
    showLayoutPopUp();
    const int view = settings_.integerForKey(rbx::key::view);
    selectControlsForView(view < 1 ? 1 : view, false);
}

void PaletteViews::pageShown() {
    if (changing_) return;
    const int view = settings_.integerForKey(rbx::key::view);
    if (view < 1 || content_.pageForView(view) != content_.contentTabView()->currentWidget()) return;
    selectControlsForView(view, false);
    showControlsOfView(view);
    shownView_ = view;
}

bool PaletteViews::selectControlsForView(int view, bool tableKeepsItsView) {
    SegmentedControl& mode = *content_.windowModeSegmentedControl();
    // The table's segment may keep the view chosen in the pop-up; views 2 and 3 are
    // chosen there.
    if (isTableView(view) && !(view == TableTag && tableKeepsItsView)) {
        QComboBox& popUp = *content_.viewPopUp();
        const int item = popUp.findData(view);
        if (item >= 0) popUp.setCurrentIndex(item);
        view = TableTag;
    }
    if (mode.selectSegmentWithTag(view)) return true;
    mode.setSelectedSegment(0);
    return false;
}

void PaletteViews::changeViewTo(int tag) { showView(tag, true); }

void PaletteViews::showView(int view, bool tableKeepsItsView) {
    // A view without a segment is applied as asked, and falls back to the table.
    if (!selectControlsForView(view, tableKeepsItsView) && view >= 4)
        applyView(view);
    else
        changeView();
}

void PaletteViews::adoptStoredView() {
    int view = settings_.integerForKey(rbx::key::view);
    if (view == 0) {
        view = 1;
        setViewSetting(1);
    }
    showView(view, false);
}

void PaletteViews::viewSettingChanged() {
    const int view = settings_.integerForKey(rbx::key::view);
    if (changing_ || view < 1 || view == shownView_) return;
    showView(view, false);
}

void PaletteViews::setViewSetting(int view) {
    if (settings_.integerForKey(rbx::key::view) != view) settings_.setInteger(view, rbx::key::view.qname());
}

void PaletteViews::changeView() {
    int v = content_.windowModeSegmentedControl()->selectedTag();
    if (v == TableTag) v = content_.viewPopUp()->currentData().toInt();
    applyView(v);
}

void PaletteViews::applyView(int v) {
    const QScopedValueRollback<bool> guard(changing_, true);
    QComboBox& viewPopUp = *content_.viewPopUp();
    kx::log(QStringLiteral("changeView: %1").arg(v));
    if (v >= 1) {
        setViewSetting(v);
        QWidget* page = content_.pageForView(v);
        if (v >= 4) {
            const auto* items = qobject_cast<const QListView*>(viewPopUp.view());
            const bool usable = viewPopUp.currentIndex() >= 0 && (!items || !items->isRowHidden(viewPopUp.currentIndex())) &&
                                (viewPopUp.model()->flags(viewPopUp.model()->index(viewPopUp.currentIndex(), 0)) &
                                 Qt::ItemIsEnabled);
            if (!page || !usable) {
                kx::log(QStringLiteral("unknown view tag %1").arg(v));
                viewPopUp.setCurrentIndex(0);
                content_.windowModeSegmentedControl()->setSelectedSegment(0);
                v = 1;
                setViewSetting(1);
                page = content_.pageForView(1);
            }
        }
        content_.contentTabView()->setCurrentWidget(page);
        // The character lists are made anew for the view; refilling the layout pop-up
        // chooses the font's layout, which builds the table.
        RbxFontInfo::flushCachedCharacters();
        RbxLayout::updateLayoutPopUp();
        if (isTableView(v) && !layouts_.isEnabled()) table_.reload();
        shownView_ = v;
    }
    showControlsOfView(v);
    emit viewChanged(v);
}

void PaletteViews::showControlsOfView(int v) {
    if (v >= 1) content_.searchField()->setVisible(v != 12);
    // The table's own controls show only with the table.
    const bool table = isTableView(v);
    content_.shapeFinderButton()->setVisible(table);
    content_.recentFontsPopUp()->setVisible(table);
    content_.viewPopUp()->setVisible(table);
    content_.groupButton()->setVisible(table);
    content_.customSizeSlider()->setVisible(table);
}

void PaletteViews::swipeView(int delta) {
    QComboBox& popUp = *content_.viewPopUp();
    const int tag = popUp.currentData().toInt() + delta;
    if (tag <= 0 || tag > LastSwipeView) return;
    const int item = popUp.findData(tag);
    if (item < 0) return;
    popUp.setCurrentIndex(item);
    changeView();
}

void PaletteViews::changeLayout() {
    const int view = settings_.integerForKey(rbx::key::view);
    const int selected = layouts_.indexOfSelectedItem();
    const QString object = selected >= 0 ? layouts_.items()[std::size_t(selected)].representedObject : QString();
    if (view < 4) {
        if (object == RbxLayoutPopUp::customLayoutsFolderItem()) {
            RbxLayout::updateCustomLayoutFiles();
            KXUtilities::openFile(KXAppSupport::makeSupportSubfolder(QStringLiteral("Layouts")));
            RbxLayout::updateLayoutPopUp();
            c_.close();
            return;
        }
        if (object == RbxLayoutPopUp::moreLayoutsItem()) {
            KXUtilities::openFile(moreLayoutsAddress());
            RbxLayout::updateLayoutPopUp();
            c_.close();
            return;
        }
        // Kept first: should the table's rebuild find the user's layout files changed,
        // the layout it then puts back for the font is this one.
        RbxLayout::saveLayoutInPrefs();
        RbxFontInfo::flushCachedCharacters();
        table_.reload();
        return;
    }
    if (view == 10 || view == 11) settings_.setString(object, rbx::key::sample.qname());
}

namespace {

// Whether the pop-up shows these items already (a separator has no title).
bool showsItems(const QComboBox& popUp, const std::vector<RbxLayoutPopUp::Item>& items) {
    if (popUp.count() != int(items.size())) return false;
    for (int i = 0; i < popUp.count(); ++i) {
        const RbxLayoutPopUp::Item& item = items[std::size_t(i)];
        const bool separator = popUp.itemData(i, Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator");
        if (separator != item.isSeparator) return false;
        if (!separator && (popUp.itemText(i) != kx::loc(item.title) || popUp.itemData(i).toString() != item.representedObject))
            return false;
    }
    return true;
}

} // namespace

void PaletteViews::showLayoutPopUp() {
    KXPopUpButton& popUp = *content_.layoutPopUp();
    const QSignalBlocker quiet(popUp);
    // The same items are left as they are: a list the user has open stays open.
    if (!showsItems(popUp, layouts_.items())) {
        popUp.clear();
        for (const RbxLayoutPopUp::Item& item : layouts_.items()) {
            if (item.isSeparator)
                popUp.insertSeparator(popUp.count());
            else
                popUp.addItem(kx::loc(item.title), item.representedObject);
        }
    }
    popUp.setCurrentIndex(layouts_.indexOfSelectedItem());
    popUp.setVisible(!layouts_.isHidden());
    popUp.setEnabled(layouts_.isEnabled());
}
