#include "insertion/RbxFontDetector.h"

#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/PathInFolder.h"
#include "core/RbxMacRoman.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/KXUtilities.h"
#include "model/FontExtensions.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SessionBus.h"
#include "platform/fonts/FamilyMatch.h"
#include "platform/x11/PointerQueries.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

namespace ns = kx::ns;

namespace {

const QString FixedFontKey = QStringLiteral("fdFixedFont");
const QString AEDescKey = QStringLiteral("fdAEDesc");
const QString& ScriptKey = KXAppSettings::ScriptKey;
const QString PreferenceKey = QStringLiteral("fdPreferenceKey");
const QString MaxScanLevelKey = QStringLiteral("fdMaxScanLevel");
const QString PickSeparatorKey = QStringLiteral("fdPickSeparator");

// Titles of checked items that name a style, not a font.
bool isStyleTitle(const QString& title) {
    static const QStringList styles = {QStringLiteral("Plain"), QStringLiteral("Italic"), QStringLiteral("Bold"),
                                       QStringLiteral("BoldItalic")};
    return styles.contains(title);
}

// The PostScript name of an installed font named so, by PostScript name, family-like
// name, or family; "" when there is none.
QString installedFontName(const QString& name) {
    if (name.isEmpty()) return {};
    if (const rbx::Font f = rbx::font::tryFindingFontWithName(name, 12)) return f.postScriptName();
    const QString ps = rbx::postScriptNameForFamily(name, 400, false);
    if (!ps.isEmpty())
        if (const rbx::Font f = rbx::font::tryFindingFontWithName(ps, 12)) return f.postScriptName();
    return {};
}

class X11Desktop : public RbxFontDetectors::Desktop {
public:
    bool mouseButtonDown() override { return pointer::anyButtonDown(X11Session::shared()); }
    bool accessibilityTrusted() override { return atspi::accessibilityEnabled(dbus::sessionBus()); }
    bool fullScreen() override { return KXUtilities::fullScreenMode(); }
    QString systemFontFamily(bool fixedPitch) override {
        return QFontDatabase::systemFont(fixedPitch ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont).family();
    }
};

} // namespace

// ---- the rules

double RbxFontDetector::nextDelay(double base, double duration, int attempts, int successes) {
    const double d = duration * (successes > 0 ? 10 : 10 + attempts);
    if (d >= base) base = std::min(d, 10.0);
    return base;
}

QString RbxFontDetector::appleEventDescription(const QVariantList& items) {
    QString out;
    for (int i = 0; i < items.size(); ++i) {
        out += i == 0 ? QStringLiteral("'----':obj ") : QStringLiteral("from:obj ");
        const QVariant& item = items[i];
        if (ns::isArray(item)) {
            const QVariantList pair = item.toList();
            out += QStringLiteral("{form:indx,want:type(%1),seld:long(%2),")
                       .arg(ns::stringOrEmpty(pair.value(0)))
                       .arg(ns::intValue(pair.value(1)));
        } else {
            out += QStringLiteral("{form:prop,want:type(prop),seld:type(%1),").arg(ns::stringOrEmpty(item));
        }
    }
    if (!items.isEmpty()) out += QStringLiteral("from: 'null'()") + QString(items.size(), QLatin1Char('}'));
    return out;
}

QString RbxFontDetector::replyText(const QByteArray& macRoman) {
    QString out;
    const qsizetype n = std::min<qsizetype>(macRoman.size(), 208);
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t c = RbxMacRoman::unicodeForMacRoman(quint8(macRoman[i]));
        if (c == 0) break;
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

QString RbxFontDetector::withoutSize(const QString& description) {
    static const QRegularExpression size(QStringLiteral("\\s+\\d+(\\.\\d+)?\\s*$"));
    return QString(description).remove(size).trimmed();
}

// ---- one detector

RbxFontDetector::RbxFontDetector(const KXProcess::Ptr& process, const QVariantMap& methodDict, RbxFontDetectors& owner)
    : process_(process), methodDict_(methodDict), owner_(owner) {
    nextCheckMs_ = owner_.clock().nowMs() + 1000;
    const QString name = processName();
    fixedFont_ = ns::stringOrEmpty(methodDict_.value(FixedFontKey));
    const QVariantList aeItems = methodDict_.value(AEDescKey).toList();
    const QString scriptName = ns::stringOrEmpty(methodDict_.value(ScriptKey));
    prefsPath_ = ns::stringOrEmpty(methodDict_.value(PreferenceKey));
    if (!fixedFont_.isEmpty()) {
        method_ = Method::FixedFont;
        return;
    }
    if (!aeItems.isEmpty()) {
        method_ = Method::AppleEvent;
        aeDesc_ = appleEventDescription(aeItems);
        return;
    }
    if (!scriptName.isEmpty()) {
        const QString resolved = QString(scriptName).replace(QLatin1Char('%'), name);
        script_ = KXScript::bundleScript(resolved);
        if (script_.isValid()) {
            script_.setTimeout(2);
            method_ = Method::Script;
            return;
        }
        kx::log(QStringLiteral("cannot find script %1").arg(resolved));
    }
    if (!prefsPath_.isEmpty() && process_ && !process_->identifier().isEmpty()) {
        method_ = Method::Preferences;
        return;
    }
    method_ = Method::Accessibility;
    maxScanDepth_ = methodDict_.contains(MaxScanLevelKey) ? ns::intValue(methodDict_.value(MaxScanLevelKey)) : 2;
    shouldPickSeparator_ = settingFlag(PickSeparatorKey);
}

bool RbxFontDetector::settingFlag(const QString& key) const {
    const QVariant v = methodDict_.value(key);
    return v.isValid() && KXAppSettings::parseFlag(v);
}

QString RbxFontDetector::processName() const { return process_ ? process_->name() : QString(); }

QString RbxFontDetector::description() const {
    static const char* const codes[] = {"FF", "AE", "SC", "PR", "AX", "NN"};
    return QStringLiteral("detector(%1): %2").arg(processName(), QLatin1String(codes[int(method_)]));
}

bool RbxFontDetector::shouldCheck() {
    if (owner_.desktop().mouseButtonDown() || owner_.isPaused()) return false;
    return owner_.clock().nowMs() >= nextCheckMs_;
}

QString RbxFontDetector::detectedFontName() {
    const double launchDelay = ns::floatValue(methodDict_.value(QStringLiteral("fdLaunchDelay")));
    if (process_ && launchDelay > 0 && process_->secondsRunning() < launchDelay) return {};
    if (settingFlag(QStringLiteral("fdCheckContext"))) {
        const bool logContext = settingFlag(QStringLiteral("logAppContext"));
        const QVariantMap context = activeApplicationContext();
        if (logContext) kx::log(QStringLiteral("font detection context: %1").arg(ns::description(context)));
        const QString subrole = ns::stringOrEmpty(methodDict_.value(QStringLiteral("fdSubrole")));
        const QString modal = ns::stringOrEmpty(methodDict_.value(QStringLiteral("fdModal")));
        const QString windowSubrole = context.value(QStringLiteral("windowSubrole")).toString();
        const QString windowModal = context.value(QStringLiteral("windowModal")).toString();
        if (!subrole.isEmpty() && subrole != windowSubrole) {
            if (logContext) kx::log(QStringLiteral("window subrole (%1) does not match %2").arg(windowSubrole, subrole));
            return {};
        }
        if (!modal.isEmpty() && modal != windowModal) {
            if (logContext) kx::log(QStringLiteral("window modality (%1) does not match %2").arg(windowModal, modal));
            return {};
        }
    }
    const qint64 start = owner_.clock().nowMs();
    QString name;
    double base = 1.5;
    switch (method_) {
    case Method::FixedFont:
        name = fixedFontName();
        base = 60;
        break;
    case Method::AppleEvent: name = appleEventFontName(); break;
    case Method::Script: name = scriptFontName(); break;
    case Method::Preferences:
        name = preferencesFontName();
        base = 10;
        break;
    case Method::Accessibility:
        if (owner_.desktop().accessibilityTrusted()) name = accessibilityFontName();
        break;
    case Method::None: break;
    }
    ++nAttempts_;
    if (!name.isEmpty()) ++nSuccess_;
    const qint64 now = owner_.clock().nowMs();
    const double delay = nextDelay(base, double(now - start) / 1000.0, nAttempts_, nSuccess_);
    nextCheckMs_ = now + qint64(delay * 1000);
    return name;
}

// ---- the methods

QString RbxFontDetector::fixedFontName() const {
    QString family;
    if (fixedFont_ == QLatin1String("system font") || fixedFont_ == QLatin1String("user font"))
        family = owner_.desktop().systemFontFamily(false);
    else if (fixedFont_ == QLatin1String("mono font"))
        family = owner_.desktop().systemFontFamily(true);
    else
        return fixedFont_;
    const QString ps = rbx::postScriptNameForFamily(family, 400, false);
    return ps.isEmpty() ? family : ps;
}

QString RbxFontDetector::appleEventFontName() const {
    // Only the owner of a creator code's bus name can answer.
    const quint32 signature = process_ ? process_->signature() : 0;
    if (signature == 0 || signature == fourcc::make('?', '?', '?', '?')) return {};
    const appleevent::SendResult r = appleevent::sendToSignature(
        signature, fourcc::make('c', 'o', 'r', 'e'), fourcc::make('g', 'e', 't', 'd'), {{QStringLiteral("----"), aeDesc_}},
        2 * 1000 / 60);
    if (!r.ok) return {};
    const QVariant reply = r.reply.value(QStringLiteral("----"));
    return replyText(reply.userType() == QMetaType::QByteArray ? reply.toByteArray() : reply.toString().toLatin1());
}

QString RbxFontDetector::scriptFontName() {
    const QString out = script_.run({processName()}).trimmed();
    return out;
}

QString RbxFontDetector::preferencesFontName() const {
    const QString identifier = process_ ? process_->identifier() : QString();
    // The identifier comes from the other program (its window class, its desktop entry).
    const kx::PathInFolder inside = kx::fileInFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                                                     identifier + QStringLiteral(".conf"));
    const QString ini = inside.path;
    QString value;
    if (!identifier.isEmpty() && !inside) {
        kx::log(QStringLiteral("font detection: preferences file refused: %1").arg(inside.refusal));
        return {};
    }
    if (QFile::exists(ini)) {
        QSettings prefs(ini, QSettings::IniFormat);
        prefs.sync();
        const QVariant v = prefs.value(QString(prefsPath_).replace(QLatin1Char('.'), QLatin1Char('/')));
        if (v.userType() == QMetaType::QString) value = v.toString();
    } else {
        const qsizetype dot = prefsPath_.lastIndexOf(QLatin1Char('.'));
        if (dot <= 0) return {};
        value = KXUtilities::shellCommandResult(QStringLiteral("gsettings"),
                                                {QStringLiteral("get"), prefsPath_.left(dot), prefsPath_.mid(dot + 1)}, 2)
                    .trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        else
            value.clear();  // no text
    }
    return withoutSize(value);
}

QString RbxFontDetector::accessibilityFontName() {
    if (!axApplication_ || !axApplication_->stillExists())
        axApplication_ = process_ ? AXObject::applicationObjectForPID(process_->unixPID()) : nullptr;
    if (!axApplication_) {
        kx::log(QStringLiteral("Cannot access application object"));
        return {};
    }
    const QString caret = caretFontName();
    if (!caret.isEmpty()) return caret;
    return scanMenus();
}

QString RbxFontDetector::caretFontName() {
    const AXObject::Ptr focused = axApplication_->attributeNamed(QStringLiteral("AXFocusedUIElement"));
    if (!focused) return {};
    const auto attrs = atspi::Client::shared().textAttributesAtCaret(focused->element());
    if (!attrs) return {};
    const QString family = attrs->value(QStringLiteral("family-name"));
    if (family.isEmpty()) return {};
    const QString weightText = attrs->value(QStringLiteral("weight")).trimmed();
    bool ok = false;
    int weight = weightText.toInt(&ok);
    if (!ok) weight = weightText.compare(QLatin1String("bold"), Qt::CaseInsensitive) == 0 ? 700 : 400;
    const QString style = attrs->value(QStringLiteral("style"));
    const bool italic = style == QLatin1String("italic") || style == QLatin1String("oblique");
    const QString ps = rbx::postScriptNameForFamily(family, weight, italic);
    if (!ps.isEmpty()) return ps;
    return family;  // the name guessing of the caller may still find it
}

QString RbxFontDetector::scanMenu(const AXObject::Ptr& menu, int level) {
    if (!menu) return {};
    for (int i = 0, n = menu->numberOfChildren(); i < n; ++i) {
        const AXObject::Ptr item = menu->childAtIndex(i);
        if (!item || !item->isEnabled()) continue;
        const QString mark = item->stringAttribute(QStringLiteral("AXMenuItemMarkChar"));
        const QString title = item->title();
        if (!mark.isEmpty() && mark.at(0).unicode() != 0 && !isStyleTitle(title)) {
            const QString name = installedFontName(title);
            if (!name.isEmpty()) {
                previousFontItem_ = item;
                return name;
            }
        }
        if (level < maxScanDepth_) {
            const AXObject::Ptr sub = item->childAtIndex(0);
            if (sub && sub->role() == QLatin1String("AXMenu")) {
                const QString name = scanMenu(sub, level + 1);
                if (!name.isEmpty()) return name;
            }
        }
    }
    return {};
}

QString RbxFontDetector::scanMenus() {
    const AXObject::Ptr bar = axApplication_->attributeNamed(QStringLiteral("AXMenuBar"));
    if (!bar) {
        kx::log(QStringLiteral("Cannot access menu bar"));
        return {};
    }
    auto menuAt = [&bar](int index) {
        const AXObject::Ptr item = bar->childAtIndex(index);
        return item ? item->childAtIndex(0) : nullptr;
    };
    // An application refreshes its menus when one of them is used: a separator is picked.
    if (shouldPickSeparator_ && bar->countOfAttribute(QStringLiteral("AXSelectedChildren")) == 0) {
        auto pick = [](const AXObject::Ptr& menu) {
            if (!menu) return false;
            for (int i = 0, n = menu->numberOfChildren(); i < n; ++i) {
                const AXObject::Ptr item = menu->childAtIndex(i);
                const QString t = item ? item->title() : QStringLiteral("?");
                if (item && item->role() == QLatin1String("AXMenuItem") && (t.isEmpty() || t == QLatin1String("-"))) {
                    item->performAction(QStringLiteral("AXPick"));
                    return true;
                }
            }
            return false;
        };
        if (!pick(menuAt(3)) && !pick(menuAt(2))) {
            previousFontItem_.reset();
            return {};
        }
    }
    QString name;
    if (previousFontItem_ && previousFontItem_->stillExists()) {
        name = scanMenu(previousFontItem_->parent(), maxScanDepth_);
    } else {
        previousFontItem_.reset();
        if (previousMenu_ > 0) name = scanMenu(menuAt(previousMenu_), 1);
        for (int i = 4, n = bar->numberOfChildren(); name.isEmpty() && i < n; ++i) {
            name = scanMenu(menuAt(i), 1);
            if (!name.isEmpty()) previousMenu_ = i;
        }
    }
    if (name.isEmpty()) previousFontItem_.reset();
    return name;
}

QVariantMap RbxFontDetector::activeApplicationContext() {
    QElapsedTimer timer;
    timer.start();
    QVariantMap context{{QStringLiteral("application"), processName()},
                        {QStringLiteral("fullScreen"), owner_.desktop().fullScreen()}};
    if (!owner_.desktop().accessibilityTrusted()) {
        context.insert(QStringLiteral("AXdisabled"), QStringLiteral("1"));
        return context;
    }
    const AXObject::Ptr app = AXObject::systemWideObject()->attributeNamed(QStringLiteral("AXFocusedApplication"));
    if (!app) {
        context.insert(QStringLiteral("error"), QStringLiteral("exception while getting focused window: no application"));
        return context;
    }
    context.insert(QStringLiteral("appTitle"), app->title());
    auto text = [](AXObject::Ptr& o, const char* attribute) {
        const QVariant v = o ? o->valueOfAttribute(QLatin1String(attribute)) : QVariant();
        return v.isValid() ? ns::description(v) : QStringLiteral("NONE");
    };
    AXObject::Ptr window = app->attributeNamed(QStringLiteral("AXFocusedWindow"));
    context.insert(QStringLiteral("windowTitle"), text(window, "AXTitle"));
    context.insert(QStringLiteral("windowRole"), text(window, "AXRole"));
    context.insert(QStringLiteral("windowFocused"), text(window, "AXFocused"));
    context.insert(QStringLiteral("windowMain"), text(window, "AXMain"));
    context.insert(QStringLiteral("windowModal"), text(window, "AXModal"));
    context.insert(QStringLiteral("windowSubrole"), text(window, "AXSubrole"));
    AXObject::Ptr focus = app->attributeNamed(QStringLiteral("AXFocusedUIElement"));
    context.insert(QStringLiteral("focusRole"), text(focus, "AXRole"));
    context.insert(QStringLiteral("time"), QString::asprintf("%1.3f ms", double(timer.nsecsElapsed()) / 1e6));
    return context;
}

// ---- the detectors

std::shared_ptr<RbxFontDetectors::Desktop> RbxFontDetectors::makeDesktop() { return std::make_shared<X11Desktop>(); }

RbxFontDetectors::RbxFontDetectors(std::shared_ptr<Desktop> desktop, kx::Clock& clock)
    : desktop_(std::move(desktop)), clock_(clock) {}

std::shared_ptr<RbxFontDetector> RbxFontDetectors::detectorForProcess(const KXProcess::Ptr& process) {
    if (!process) return nullptr;
    for (const auto& d : std::as_const(detectors_))
        if (d->process()->isSameProcess(*process)) return detectorForProcess(process, {});
    return detectorForProcess(process, KXAppSettings(process).settings());
}

std::shared_ptr<RbxFontDetector> RbxFontDetectors::detectorForProcess(const KXProcess::Ptr& process,
                                                                      const QVariantMap& methodDict) {
    if (!process) return nullptr;
    for (qsizetype i = 0; i < detectors_.size(); ++i) {
        if (!detectors_[i]->process()->isSameProcess(*process)) continue;
        auto d = detectors_.takeAt(i);
        detectors_.prepend(d);
        return d;
    }
    auto d = std::make_shared<RbxFontDetector>(process, methodDict, *this);
    detectors_.prepend(d);
    while (detectors_.size() > MaxDetectors) detectors_.removeLast();
    return d;
}

void RbxFontDetectors::disableCheckingForSeconds(double seconds) {
    pauseUntilMs_ = clock_.nowMs() + qint64(seconds * 1000);
}

bool RbxFontDetectors::isPaused() {
    if (!pauseUntilMs_) return false;
    if (clock_.nowMs() < *pauseUntilMs_) return true;
    pauseUntilMs_.reset();
    return false;
}

QStringList RbxFontDetectors::processNames() const {
    QStringList names;
    for (const auto& d : detectors_) names << d->processName();
    return names;
}
