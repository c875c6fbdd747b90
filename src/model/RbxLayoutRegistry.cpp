// The class side of RbxLayout: the built-in and user layouts and the layout pop-up.

#include "kxlib/RbxDefaults.h"
#include "core/Bundle.h"
#include "core/DirectoryListing.h"
#include "core/KXAppSupport.h"
#include "core/KXUserFileAccess.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "core/StringExtensions.h"
#include "model/RbxFontRepertoire.h"
#include "model/RbxGroupDescription.h"
#include "model/RbxLayout.h"
#include "model/RbxLayoutFileState.h"
#include "model/RbxLayoutPopUp.h"
#include "model/RbxLayoutRegistry.h"
#include "model/RbxLayoutWindow.h"
#include "model/RbxSelectedFont.h"
#include "core/ProcessWide.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <algorithm>

namespace {

RbxLayoutRegistry& registry() { return RbxLayoutRegistry::shared(); }

RbxDefaults& settings() { return registry().settings(); }

int currentView() { return settings().integerForKey(rbx::key::view); }

bool isLayoutFileName(const QString& name) {
    return name.endsWith(QLatin1String(".txt")) && !name.startsWith(u'.') && !name.startsWith(u'-');
}

} // namespace

RbxLayoutRegistry& RbxLayoutRegistry::shared() { return kx::ProcessWide<RbxLayoutRegistry>::get(); }

std::unique_ptr<RbxLayoutRegistry> RbxLayoutRegistry::makeDefault() {
    return std::make_unique<RbxLayoutRegistry>(nullptr, nullptr, nullptr);
}

RbxLayoutRegistry::RbxLayoutRegistry(RbxDefaults* settings, RbxSelectedFont* selectedFont, RbxLayoutWindow* window)
    : settings_(settings), selectedFont_(selectedFont), window_(window) {}

RbxDefaults& RbxLayoutRegistry::settings() const { return settings_ ? *settings_ : RbxDefaults::userDefaults(); }

RbxFontRepertoire* RbxLayoutRegistry::selectedFontRepertoire() const {
    return selectedFont_ ? selectedFont_->selectedFontRepertoire() : nullptr;
}

void RbxLayoutRegistry::readBuiltinLayouts() {
    builtinRead_ = true;
    const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("Layouts"), QStringLiteral("plist"));
    if (path.isEmpty()) {
        kx::log(QStringLiteral("Layouts.plist not found in the bundle"));
        return;
    }
    const kx::plist::Result result = kx::plist::readFile(path);
    if (!result.ok() || result.value.typeId() != QMetaType::QVariantList) {
        kx::log(QStringLiteral("could not read Layouts.plist (%1)").arg(result.ok() ? QStringLiteral("not an array") : result.error));
        return;
    }
    for (const QVariant& entry : result.value.toList()) {
        const QStringList array = entry.toStringList();
        const QString name = array.value(0);
        if (name != RbxLayout::unicodeBlocksName() && name != RbxLayout::scriptsAndSymbolsName()) continue;
        auto layout = RbxGroupLayout::layoutWithArray(array);
        if (name == RbxLayout::unicodeBlocksName() && !unicodeBlocks_) unicodeBlocks_ = layout;
        builtin_.push_back(std::move(layout));
    }
}

namespace rbx::layouts {

QStringList layoutFileNames(const QString& folder) {
    QStringList names;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (isLayoutFileName(name)) names << name;
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return kx::str::caseInsensitiveNumericCompare(a, b) < 0;
    });
    return names;
}

} // namespace rbx::layouts

std::vector<std::shared_ptr<RbxLayout>> RbxLayout::builtinUnicodeLayouts() {
    RbxLayoutRegistry& r = registry();
    if (!r.builtinRead_) r.readBuiltinLayouts();
    return r.builtin_;
}

std::shared_ptr<RbxGroupLayout> RbxLayout::unicodeBlocksLayout() {
    RbxLayoutRegistry& r = registry();
    if (!r.builtinRead_) r.readBuiltinLayouts();
    return r.unicodeBlocks_;
}

std::shared_ptr<RbxGroupDescription> RbxLayout::unicodeGroupDescriptionWithName(const QString& name) {
    const auto layout = unicodeBlocksLayout();
    if (!layout) return nullptr;
    for (const auto& d : layout->groupList())
        if (d->role() == RbxGroupDescription::Role::Layout && d->name().compare(name, Qt::CaseInsensitive) == 0)
            return d;
    return nullptr;
}

std::vector<std::shared_ptr<RbxLayout>> RbxLayout::customLayouts() {
    RbxLayoutRegistry& r = registry();
    const QString folder = KXAppSupport::makeSupportSubfolder(QStringLiteral("Layouts"));
    // A program that only reads the user's files finds no folder when there is none.
    if (folder.isEmpty()) return {};
    const bool upkeep = KXUserFileAccess::mayChange();
    if (!r.folderFilled_ && upkeep) {
        r.folderFilled_ = true;
        fillCustomLayoutFolder(folder);
    }
    const QString listing = kx::ns::descriptionOfDirectoryContentsAtPath(folder, false);
    if (r.listing_ && *r.listing_ == listing) return r.custom_;

    r.custom_.clear();
    for (const QString& name : rbx::layouts::layoutFileNames(folder)) {
        const QString path = QDir(folder).filePath(name);
        if (upkeep) applyLayoutUpdates(path);
        r.custom_.push_back(std::make_shared<RbxCustomLayout>(path));
    }
    // Taken after the updates, which may have rewritten files.
    r.listing_ = kx::ns::descriptionOfDirectoryContentsAtPath(folder, false);
    const auto custom = r.custom_;
    if (r.window_) r.window_->layoutsChanged();
    if (!r.rebuiltOnce_ && upkeep) {
        r.rebuiltOnce_ = true;
        if (QCoreApplication::instance())
            QTimer::singleShot(5000, QCoreApplication::instance(), [] { RbxLayout::updateCustomLayoutFiles(); });
    }
    return custom;
}

std::vector<std::shared_ptr<RbxLayout>> RbxLayout::allUnicodeLayouts() {
    std::vector<std::shared_ptr<RbxLayout>> all = builtinUnicodeLayouts();
    const auto custom = customLayouts();
    if (custom.empty()) return all;
    all.push_back(std::make_shared<RbxLayout>());
    all.insert(all.end(), custom.begin(), custom.end());
    return all;
}

std::shared_ptr<RbxLayout> RbxLayout::layoutNamed(const QString& name) {
    for (const auto& layout : currentLayouts())
        if (!layout->isSeparator() && layout->name() == name) return layout;
    return nullptr;
}

// ---- the pop-up ----

std::shared_ptr<RbxLayoutPopUp> RbxLayout::layoutPopUp() {
    RbxLayoutRegistry& r = registry();
    if (!r.popUp_) {
        r.popUp_ = std::make_shared<RbxLayoutPopUp>();
        r.lastFilledView_ = -1;
        fillLayoutPopUp(1, true);
    }
    return r.popUp_;
}

void RbxLayout::setLayoutPopUp(std::shared_ptr<RbxLayoutPopUp> popUp) {
    registry().popUp_ = std::move(popUp);
    if (registry().popUp_) fillLayoutPopUp(1, true);
}

void RbxLayout::fillLayoutPopUp(int view, bool forceUpdate) {
    RbxLayoutRegistry& r = registry();
    if (!r.popUp_) {
        layoutPopUp();
        if (view == 1 && forceUpdate) return;
    }
    if (view < 4) view = 1;
    if (!forceUpdate && view == r.lastFilledView_) return;
    // Listing the layouts may report a changed folder, whose handler refills the pop-up:
    // let that happen before this filling starts.
    const bool showsLayouts = view != 10 && view != 11 && view != 12;
    const auto layouts = showsLayouts ? currentLayouts() : std::vector<std::shared_ptr<RbxLayout>>();
    RbxLayoutPopUp& popUp = *r.popUp_;
    r.lastFilledView_ = view;
    popUp.removeAllItems();
    popUp.setHidden(false);
    if (view == 10 || view == 11) {
        for (const QString& title : r.window_ ? r.window_->sampleTextTitles() : QStringList()) {
            if (title == QLatin1String("-"))
                popUp.addSeparator();
            else
                popUp.addItem(title == QLatin1String("Editable Text") ? QStringLiteral("Custom Sample Text") : title,
                              title);
        }
        popUp.selectItemAtIndex(popUp.indexOfItemWithRepresentedObject(settings().stringForKey(rbx::key::sample)));
        return;
    }
    if (view == 12) {
        popUp.setHidden(true);
        return;
    }
    for (const auto& layout : layouts) {
        if (layout->isSeparator())
            popUp.addSeparator();
        else
            popUp.addItem(layout->name(), layout->name());
    }
    const int selected = popUp.indexOfItemWithTitle(settings().stringForKey(rbx::key::layout));
    popUp.addSeparator();
    popUp.addItem(QStringLiteral("Custom Layouts..."), RbxLayoutPopUp::customLayoutsFolderItem());
    popUp.addItem(QStringLiteral("More Layouts..."), RbxLayoutPopUp::moreLayoutsItem());
    popUp.selectItemAtIndex(selected);
}

void RbxLayout::updateLayoutPopUp() {
    fillLayoutPopUp(currentView(), true);
    if (layoutPopUp()->isEnabled())
        if (RbxLayoutWindow* window = registry().window_) window->switchToLayoutForCurrentFont();
}

QString RbxLayout::layoutPrefKey() {
    if (currentView() < 4) return rbx::key::layout.qname();
    return registry().lastFilledView_ == 12 ? rbx::key::disabledLayout.qname() : rbx::key::sample.qname();
}

void RbxLayout::saveLayoutInPrefs() {
    const int view = currentView();
    if (view >= 1 && view <= 3) {
        // The layout the pop-up shows chosen: reading the layouts again here could find
        // the user's files changed, and the window then puts the font's layout back
        // before this choice is kept.
        const auto popUp = layoutPopUp();
        const int i = popUp->indexOfSelectedItem();
        if (i < 0 || i >= popUp->numberOfItems()) return;
        const RbxLayoutPopUp::Item& item = popUp->items()[static_cast<std::size_t>(i)];
        const QString name = item.representedObject;
        if (item.isSeparator || name.isEmpty() || name == RbxLayoutPopUp::customLayoutsFolderItem() ||
            name == RbxLayoutPopUp::moreLayoutsItem())
            return;
        RbxFontRepertoire* font = registry().selectedFontRepertoire();
        const QString family = font ? font->fontFamilyName() : QString();
        if (!family.isEmpty() && !settings().layoutForFontFamily(family).isEmpty())
            settings().setLayout(name, family);
        else
            settings().setString(name, rbx::key::layout.qname());
    } else if (view == 10 || view == 11) {
        const auto popUp = layoutPopUp();
        const int i = popUp->indexOfSelectedItem();
        if (i >= 0 && i < popUp->numberOfItems())
            settings().setString(popUp->items()[static_cast<std::size_t>(i)].representedObject, layoutPrefKey());
    }
}

std::shared_ptr<RbxLayout> RbxLayout::selectedLayout() {
    auto layouts = currentLayouts();
    long index = 0;
    if (currentView() < 4) {
        const long count = static_cast<long>(layouts.size());
        index = layoutPopUp()->indexOfSelectedItem();
        if (index < 0 || index >= count) {
            kx::log(QStringLiteral("+++ layoutIndex OUT OF RANGE: %1").arg(index));
            updateLayoutPopUp();
            layouts = currentLayouts();
            index = layoutPopUp()->indexOfSelectedItem();
            kx::log(QStringLiteral("+++ fixed layoutIndex: %1").arg(index));
            if (index < 0 || index >= static_cast<long>(layouts.size())) index = 0;
        }
    }
    if (layouts.empty()) return nullptr;
    auto layout = layouts[static_cast<std::size_t>(index)];
    if (!layout->isSeparator()) return layout;
    // The first layout; when the built-in ones are missing the list starts with the
    // separator, and the first user layout stands in.
    for (const auto& l : layouts)
        if (!l->isSeparator()) return l;
    return layouts.front();
}

bool RbxLayout::switchToUnicodeBlocksLayout() {
    const auto popUp = layoutPopUp();
    const int before = popUp->indexOfSelectedItem();
    popUp->selectItemAtIndex(0);
    return popUp->indexOfSelectedItem() != before;
}

void RbxLayout::switchToLayoutNamed(const QString& name) {
    const auto popUp = layoutPopUp();
    const int i = name.isEmpty() ? -1 : popUp->indexOfItemWithTitle(name);
    popUp->selectItemAtIndex(i < 0 ? 0 : i);
}
