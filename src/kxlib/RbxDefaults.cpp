#include "kxlib/RbxDefaults.h"

#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/ProcessWide.h"

#include <QFile>
#include <thread>

namespace ns = kx::ns;
namespace key = rbx::key;

namespace {

bool listHolds(const QVariantList& list, const QString& name) {
    for (const QVariant& v : list)
        if (ns::isString(v) && v.toString() == name) return true;
    return false;
}

} // namespace

RbxDefaults::RbxDefaults(const QString& domain, const QString& resourceFolder, Services services)
    : KXDefaults(domain, resourceFolder), services_(services) {}

std::unique_ptr<RbxDefaults> RbxDefaults::open(const QString& domain, const QString& resourceFolder,
                                               Services services) {
    std::unique_ptr<RbxDefaults> store(new RbxDefaults(domain, resourceFolder, services));
    store->loadInitialValues();
    store->migrate();
    return store;
}

std::unique_ptr<RbxDefaults> RbxDefaults::open(const QString& domain, const QString& resourceFolder) {
    return open(domain, resourceFolder, Services());
}

std::unique_ptr<RbxDefaults> RbxDefaults::makeDefault() { return open(QString(), QString()); }

RbxDefaults& RbxDefaults::userDefaults() { return kx::ProcessWide<RbxDefaults>::get(); }

void RbxDefaults::migrate() {
    if (boolForKey(key::statusItem)) {
        removeObjectForKey(key::statusItem.qname());
        setInteger(1, key::activator.qname());
    }
}

QVariantMap RbxDefaults::defaultValues() {
    std::lock_guard guard(lock_);
    if (!rbxDefaultValues_) {
        QVariantMap values = KXDefaults::defaultValues();
        values.insert(key::recentFontsV2.qname(), ns::arrayOrEmpty(values.value(key::recentFontsV2.qname())));
        values.insert(key::applications.qname(), QVariantMap());
        values.insert(key::fontRecentCharacters.qname(), QVariantMap());
        values.insert(key::buildNr.qname(), kx::Bundle::buildNumberInFile(resourcePath(QStringLiteral("build.nr"))));
        rbxDefaultValues_ = values;
    }
    return *rbxDefaultValues_;
}

// ---- table and sample text ----

int RbxDefaults::defaultSampleAlignment() { return integerForKey(key::editorAlignment) == 3 ? 3 : 4; }

void RbxDefaults::setDefaultBlocksCollapsed(bool collapsed) {
    setBool(collapsed, key::defaultBlocksCollapsed.qname());
    removeObjectForKey(key::collapsedBlocks.qname());
    removeObjectForKey(key::expandedBlocks.qname());
}

bool RbxDefaults::isExpandedGroup(const QString& name) {
    if (boolForKey(key::defaultBlocksCollapsed)) {
        const QVariant expanded = objectForKey(key::expandedBlocks);
        return ns::isArray(expanded) && listHolds(expanded.toList(), name);
    }
    const QVariant collapsed = objectForKey(key::collapsedBlocks);
    return !(ns::isArray(collapsed) && listHolds(collapsed.toList(), name));
}

void RbxDefaults::setPrefersExpanded(bool expanded, const QString& group) {
    const bool collapsedByDefault = boolForKey(key::defaultBlocksCollapsed);
    const QString listKey = collapsedByDefault ? key::expandedBlocks.qname() : key::collapsedBlocks.qname();
    const bool wanted = collapsedByDefault ? expanded : !expanded;
    QVariantList list = ns::arrayOrEmpty(objectForKey(listKey));
    if (listHolds(list, group) == wanted) return;
    if (wanted) {
        list << group;
    } else {
        list.removeIf([&](const QVariant& v) { return ns::isString(v) && v.toString() == group; });
    }
    setObject(list, listKey);
}

bool RbxDefaults::darkTable() {
    if (!services_.menuTheme || !services_.menuTheme->isDarkMenuTheme()) return false;
    return boolForKey(key::darkTable);
}

// ---- login item ----

void RbxDefaults::updateStartAtLogin() {
    if (services_.loginItem)
        services_.loginItem->updateLoginItem(boolForKey(key::startAtLogin), false, QStringLiteral("Runebox"));
}

void RbxDefaults::updateStartAtLoginInBackground() {
    // The setting is read here so that the thread needs nothing of the store.
    const bool enabled = boolForKey(key::startAtLogin);
    RbxLoginItem* loginItem = services_.loginItem;
    if (!loginItem) return;
    std::thread([loginItem, enabled] { loginItem->updateLoginItem(enabled, false, QStringLiteral("Runebox")); }).detach();
}
