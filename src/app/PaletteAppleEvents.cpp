#include "app/PaletteAppleEvents.h"

#include "app/PaletteHotKeys.h"
#include "app/RbxCharWindowController.h"
#include "core/CharSet.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "insertion/RbxPoster.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxFontList.h"
#include "model/RbxNameFilter.h"
#include "model/RbxRecentLayout.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/FourCharCode.h"

namespace {

QString characterLine(char32_t c, const QString& name) {
    return QStringLiteral("%1\t%2\t%3\n").arg(QString::fromUcs4(&c, 1)).arg(uint(c)).arg(name);
}

// A text parameter; nothing for any other value.
std::optional<QString> textOf(const QVariant& v) {
    if (v.metaType().id() != QMetaType::QString) return std::nullopt;
    return v.toString();
}

QVariantMap replyWith(const QString& text) { return {{appleevent::DirectParameter, text}}; }

quint32 code(const char* text) { return *fourcc::fromText(QString::fromLatin1(text)); }

struct Handled {
    quint32 eventClass;
    const char* id;
};
constexpr Handled HandledEvents[] = {
    {PaletteAppleEvents::HintboardClass, "SKey"}, {PaletteAppleEvents::HintboardClass, "TKey"},
    {PaletteAppleEvents::RuneboxClass, "List"},   {PaletteAppleEvents::RuneboxClass, "FnoC"},
    {PaletteAppleEvents::RuneboxClass, "Fcjk"},   {PaletteAppleEvents::RuneboxClass, "Post"},
    {PaletteAppleEvents::RuneboxClass, "ARec"},
};

} // namespace

PaletteAppleEvents::PaletteAppleEvents(RbxCharWindowController& windowController, PaletteHotKeys& hotKeys,
                                       RbxPoster& poster)
    : windowController_(windowController), hotKeys_(hotKeys), poster_(poster) {}

PaletteAppleEvents::~PaletteAppleEvents() {
    if (!bridge_) return;
    for (const Handled& h : HandledEvents) bridge_->setHandler(h.eventClass, code(h.id), {});
}

void PaletteAppleEvents::install(AppleEventBridge& bridge) {
    bridge_ = &bridge;
    auto id = code;
    bridge.setHandler(HintboardClass, id("SKey"), [this](const appleevent::Event&) { return replyWith(systemWideHotkeys()); });
    bridge.setHandler(HintboardClass, id("TKey"), [this](const appleevent::Event& e) {
        triggerHotkey(e.directParameter());
        return QVariantMap();
    });
    bridge.setHandler(RuneboxClass, id("List"), [this](const appleevent::Event& e) {
        return replyWith(characterList(e.directParameter()));
    });
    bridge.setHandler(RuneboxClass, id("FnoC"), [this](const appleevent::Event& e) {
        return replyWith(findCharacters(e.directParameter(), false));
    });
    bridge.setHandler(RuneboxClass, id("Fcjk"), [this](const appleevent::Event& e) {
        return replyWith(findCharacters(e.directParameter(), true));
    });
    bridge.setHandler(RuneboxClass, id("Post"), [this](const appleevent::Event& e) {
        postString(e.directParameter());
        return QVariantMap();
    });
    bridge.setHandler(RuneboxClass, id("ARec"), [this](const appleevent::Event& e) {
        addRecent(e.directParameter());
        return QVariantMap();
    });
}

QString PaletteAppleEvents::systemWideHotkeys() const {
    QVariantList keys;
    const KXHotKey& openWindow = hotKeys_.openWindowHotKey();
    if (openWindow.isEnabled()) {
        keys << QVariantMap{
            {QStringLiteral("modifiers"), openWindow.modifiers()},
            {QStringLiteral("keycode"), openWindow.keyCode()},
            {QStringLiteral("title"), windowController_.isWindowVisible() ? QStringLiteral("Close Window")
                                                                           : QStringLiteral("Open Window")},
            {QStringLiteral("id"), ToggleWindowID},
        };
    }
    return kx::ns::description(keys);
}

void PaletteAppleEvents::triggerHotkey(const QVariant& id) {
    if (textOf(id) == ToggleWindowID) hotKeys_.openWindowHotKey().invoke();
}

QString PaletteAppleEvents::characterList(const QVariant& request) const {
    const std::optional<QString> text = textOf(request);
    if (!text) return QString();
    if (*text == QLatin1String("Favorites")) return RbxFavGroupDescription::sharedFavorites()->tableRepresentation();
    if (!text->startsWith(QLatin1String("Recent"))) return QString();
    const RbxRecentArray& recent = RbxDefaults::userDefaults().globalRecentCharacters();
    const int count = recent.count();
    if (count == 0) return QString();
    int n = kx::ns::intValue(text->mid(6));
    if (n <= 0 || n >= count) n = count;
    QString reply = *text + QLatin1Char('\n');
    for (int i = 0; i < n; ++i) {
        const char32_t c = recent.elementAtIndex(i).character;
        reply += characterLine(c, RbxCharacterName::fullNameOfCharacter(c));
    }
    return reply;
}

QString PaletteAppleEvents::findCharacters(const QVariant& search, bool withCJK) const {
    const std::optional<QString> text = textOf(search);
    if (!text || text->trimmed().isEmpty()) return QString();
    const kx::CharSet& available = RbxFontList::fontList().availableCharactersInAllFonts();
    QString reply;
    for (const RbxCharacterName& name : RbxNameFilter::namesMatchingSearchString(*text)) {
        const char32_t c = name.character();
        if (kx::isPrivateUse(c) || !available.contains(c)) continue;
        if (!withCJK && kx::CharSet::cjkCharacters().contains(c)) continue;
        reply += characterLine(c, name.plainName());
    }
    return reply;
}

void PaletteAppleEvents::postString(const QVariant& text) {
    const std::optional<QString> s = textOf(text);
    if (!s || s->isEmpty()) return;
    poster_.postCharacter(0, *s, InsertMode::Plain, windowController_.selectedFont());
}

void PaletteAppleEvents::addRecent(const QVariant& character) {
    bool ok = false;
    const qlonglong value = character.metaType().id() == QMetaType::QString ? -1 : character.toLongLong(&ok);
    if (!ok || value <= 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        kx::log(QStringLiteral("ARec: not a character: %1").arg(character.toString().left(40)));
        return;
    }
    RbxRecentLayout::recentLayout()->addRecentCharacter(char32_t(value), nullptr);
}
