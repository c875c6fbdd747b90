#include "app/SearchCommands.h"

#include <QStringList>
#include <iterator>

namespace {

enum class Action {
    Setting,         // a boolean setting: YES by the first word, NO by the second
    Version,         // the version label
    BoundingBox,     // the glyphs' bounding boxes
    Transparent,     // the window's shadow: off by the first word
    Listing,         // a listing of the selected font, the font list or the clipboard
    WholeTable,      // a listing of the table's groups, made from the whole font
    Widest,          // the widest characters, then searched for
};

struct Row {
    const char* on;        // the word that switches on (or the listing's word)
    const char* off;       // the word that switches off; null for a listing
    Action action;
    const char* key;       // the setting
    const char* replyOn;   // the reply to `on`
    const char* replyOff;  // the reply to `off`
};

// In the order they are tried, after the tooltips switch and the gate words.
const Row rows[] = {
    {"+vcktest", "-vcktest", Action::Setting, "vcktest", "vcktest ON", "vcktest OFF"},
    {"+cnames", "-cnames", Action::Setting, "charNames", "character names ON", "character names OFF"},
    {"+saveclip", "-saveclip", Action::Setting, "KXPasteboardSavingEnabled", "clipboard saving ON", "clipboard saving OFF"},
    {"+minute", "-minute", Action::Setting, "monthlyMinute", "minute ON", "minute OFF"},
    {"+sheets", "-sheets", Action::Setting, "log sheets", "sheet log ON", "sheet log OFF"},
    {"+dropFont", "-dropFont", Action::Setting, "dropFont", "font drop ON", "font drop OFF"},
    {"+shapetools", "-shapetools", Action::Setting, "shapeTools", "shape tools ON", "shape tools OFF"},
    {"+ginfo", "-ginfo", Action::Setting, "glyphInfo", "glyph info ON", "glyph info OFF"},
    {"+version", "-version", Action::Version, nullptr, "show version", "hide version"},
    {"+b_box", "-b_box", Action::BoundingBox, nullptr, "show bounding box", "hide bounding box"},
    {"+wtransparent", "-wtransparent", Action::Transparent, nullptr, "transparent", "opaque"},
    {"+hexhtml", "-hexhtml", Action::Setting, "hexHtml", "hex HTML ON", "hex HTML OFF"},
    {"!info", nullptr, Action::Listing, nullptr, "(info listed)", nullptr},
    {"!fonts", nullptr, Action::Listing, nullptr, "(fonts listed)", nullptr},
    {"!fam", nullptr, Action::Listing, nullptr, "(families listed)", nullptr},
    {"!styles", nullptr, Action::Listing, nullptr, "(families+styles listed)", nullptr},
    {"!glyphs", nullptr, Action::Listing, nullptr, "(glyphs listed)", nullptr},
    {"!cmaps", nullptr, Action::Listing, nullptr, "(cmaps listed)", nullptr},
    {"!glyph#", nullptr, Action::Listing, nullptr, "(ch glyphs listed)", nullptr},
    {"!gmap", nullptr, Action::Listing, nullptr, "(glyph map listed)", nullptr},
    {"!clip", nullptr, Action::Listing, nullptr, "(clipboard listed)", nullptr},
    {"!pbtypes", nullptr, Action::Listing, nullptr, "(clipboard listed)", nullptr},
    {"!emoji", nullptr, Action::Listing, nullptr, "(emojis listed)", nullptr},
    {"!emosnp", nullptr, Action::Listing, nullptr, "(Snipwright emojis listed)", nullptr},
    {"!emohb", nullptr, Action::WholeTable, nullptr, "(Hintboard emojis listed)", nullptr},
    {"!emoseq", nullptr, Action::Listing, nullptr, "(emoji sequences listed)", nullptr},
    {"!flags", nullptr, Action::Listing, nullptr, "(flags listed)", nullptr},
    {"!attr", nullptr, Action::Listing, nullptr, "(attributes listed)", nullptr},
    {"!sizes", nullptr, Action::Listing, nullptr, "(font sizes listed)", nullptr},
    {"!names", nullptr, Action::Listing, nullptr, "(named chars listed)", nullptr},
    {"!wide", nullptr, Action::Widest, nullptr, nullptr, nullptr},
    {"!time", nullptr, Action::Listing, nullptr, "time listed", nullptr},
    {"!all", nullptr, Action::Listing, nullptr, "all characters", nullptr},
    {"!fontchars", nullptr, Action::Listing, nullptr, "font characters", nullptr},
    {"!layout", nullptr, Action::WholeTable, nullptr, "layout list", nullptr},
    {"!chars", nullptr, Action::WholeTable, nullptr, "layout chars", nullptr},
    {"!ftab", nullptr, Action::Listing, nullptr, "font tables", nullptr},
    {"!post", nullptr, Action::Listing, nullptr, "post table", nullptr},
    {"!fglyphs", nullptr, Action::Listing, nullptr, "font glyphs", nullptr},
    {"!flig", nullptr, Action::Listing, nullptr, "font ligature", nullptr},
    {"!lig#", nullptr, Action::Listing, nullptr, "ligature counts", nullptr},
    {"!ligtime", nullptr, Action::Listing, nullptr, "ligature timing", nullptr},
    {"!ligall", nullptr, Action::Listing, nullptr, "all ligatures", nullptr},
};

const QLatin1String gateOpen("pebble++"), gateClose("pebble--");
const QLatin1String tooltipsOn("+tooltips"), tooltipsOff("-tooltips");
const QLatin1String debugOn("+debug:"), debugOff("-debug:");

bool same(const QString& text, const char* word) {
    return word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList SearchCommands::words() {
    QStringList out{tooltipsOn, tooltipsOff, gateOpen, gateClose};
    for (const Row& r : rows) {
        out << QLatin1String(r.on);
        if (r.off) out << QLatin1String(r.off);
    }
    return out;
}

std::optional<QString> SearchCommands::setDebugFlag(bool on, const QString& text) {
    if (text.size() != debugOn.size() + 1) return std::nullopt;
    const QChar digit = text.back();
    if (digit < u'0' || digit > u'9') return std::nullopt;
    const int flag = digit.unicode() - u'0';
    host_.setDebugging(on, flag);
    return QStringLiteral("(debug #%1 %2)").arg(flag).arg(on ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

std::optional<QString> SearchCommands::perform(const QString& text) {
    if (gateOpen_ && (text.compare(tooltipsOn, Qt::CaseInsensitive) == 0 || text.compare(tooltipsOff, Qt::CaseInsensitive) == 0)) {
        const bool on = text.front() == u'+';
        host_.setSetting(QStringLiteral("showTooltips"), on);
        return on ? QStringLiteral("tooltips ON") : QStringLiteral("tooltips OFF");
    }
    if (text.compare(gateOpen, Qt::CaseInsensitive) == 0) {
        gateOpen_ = true;
        return QString(gateOpen);
    }
    if (text.compare(gateClose, Qt::CaseInsensitive) == 0) {
        gateOpen_ = false;
        return QString(gateClose);
    }
    if (text.startsWith(debugOn)) return setDebugFlag(true, text);
    if (text.startsWith(debugOff)) return setDebugFlag(false, text);

    for (const Row& r : rows) {
        const bool first = same(text, r.on);
        if (!first && !same(text, r.off)) continue;
        const QString reply = QString::fromLatin1(first ? r.replyOn : r.replyOff);
        switch (r.action) {
        case Action::Setting: host_.setSetting(QString::fromLatin1(r.key), first); break;
        case Action::Version: host_.showVersion(first); break;
        case Action::BoundingBox: host_.showBoundingBox(first); break;
        case Action::Transparent: host_.setWindowTransparent(first); break;
        case Action::Listing: host_.runListing(QLatin1String(r.on)); break;
        case Action::WholeTable:
            host_.clearSearch();
            host_.runListing(QLatin1String(r.on));
            break;
        case Action::Widest: {
            const QString widest = host_.widestCharacters();
            if (widest.isEmpty()) return std::nullopt;
            host_.searchFor(widest);
            return widest;
        }
        }
        return reply;
    }
    return std::nullopt;
}
