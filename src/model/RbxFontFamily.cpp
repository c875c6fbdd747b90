#include "model/RbxFontFamily.h"

#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/EmojiTables.h"
#include "model/RbxEmoji.h"
#include "platform/fonts/DesktopFonts.h"

#include <algorithm>

RbxFontFamily::RbxFontFamily(const QString& name) : name_(name) {}

RbxFontFamily::RbxFontFamily(const QString& name, const QList<rbx::FaceInfo>& faces) : name_(name), faces_(faces) {}

void RbxFontFamily::collectMembers() {
    if (collected_) return;
    collected_ = true;
    rbx::FontBackend& backend = rbx::FontBackend::shared();
    QList<rbx::FaceInfo> faces;
    if (faces_) {
        // The backend keeps the list of every face: once the members are made, the
        // family's own part of it is not kept.
        faces = std::move(*faces_);
        faces_.reset();
    } else {
        for (const rbx::FaceInfo& f : backend.faces())
            if (f.family == name_) faces.append(f);
    }
    struct Member {
        rbx::Font font; // null for a face the backend lists: made when the members are asked for
        QString postScriptName;
        QString style;
        int weight;
        bool italic;
    };
    std::vector<Member> found;
    for (const rbx::FaceInfo& f : faces) {
        // A face the backend lists needs no face object to be counted as a member.
        if (backend.faceInfo(f.postScriptName)) {
            found.push_back(Member{rbx::Font(), f.postScriptName, f.style, f.weight, f.italic});
            continue;
        }
        rbx::Font font = rbx::font::availableFontWithName(name_, rbx::Font::DefaultSize);
        if (!font) font = rbx::font::availableFontWithName(QStringLiteral("%1-%2").arg(f.postScriptName, f.style), rbx::Font::DefaultSize);
        if (!font) font = backend.font(name_);
        if (!font) {
            kx::log(QStringLiteral("cannot find style %1 for family %2 (w=%3, t=%4)")
                        .arg(f.style, name_, QStringLiteral("?"), QStringLiteral("?")));
            continue;
        }
        found.push_back(Member{font, f.postScriptName, f.style, f.weight, f.italic});
    }
    // Members in the order of the platform's font manager: by weight, upright first.
    std::stable_sort(found.begin(), found.end(), [](const Member& a, const Member& b) {
        if (a.weight != b.weight) return a.weight < b.weight;
        if (a.italic != b.italic) return !a.italic;
        return QString::compare(a.style, b.style, Qt::CaseInsensitive) < 0;
    });
    for (const Member& m : found) {
        members_.append(m.font);
        memberNames_.append(m.font ? QString() : m.postScriptName);
        typefaces_.append(m.style);
    }
    numberOfValidMembers_ = static_cast<int>(members_.size());
    if (members_.isEmpty()) {
        if (const rbx::Font system = systemFont()) {
            members_.append(system);
            memberNames_.append(QString());
            typefaces_.append(QStringLiteral("Regular"));
        }
    }
}

void RbxFontFamily::makeMembers() {
    collectMembers();
    if (membersMade_) return;
    membersMade_ = true;
    rbx::FontBackend& backend = rbx::FontBackend::shared();
    for (qsizetype i = 0; i < members_.size(); ++i) {
        if (members_.at(i)) continue;
        rbx::Font font = backend.font(memberNames_.at(i));
        if (!font) font = rbx::font::availableFontWithName(name_, rbx::Font::DefaultSize);
        if (!font) font = systemFont();
        members_[i] = font;
    }
    memberNames_.clear();
}

const QStringList& RbxFontFamily::typefaces() {
    collectMembers();
    return typefaces_;
}

const QList<rbx::Font>& RbxFontFamily::members() {
    makeMembers();
    return members_;
}

int RbxFontFamily::numberOfValidMembers() {
    collectMembers();
    return numberOfValidMembers_;
}

int RbxFontFamily::regularFaceIndex() {
    static const char* const regularNames[] = {"Regular", "Plain", "Normal", "Book", "Medium", "Roman", "C"};
    const QStringList& styles = typefaces();
    for (const char* n : regularNames)
        for (qsizetype i = 0; i < styles.size(); ++i)
            if (styles.at(i).compare(QLatin1String(n), Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return 0;
}

rbx::Font RbxFontFamily::regularFont() {
    const QList<rbx::Font>& m = members();
    const int i = regularFaceIndex();
    return i < m.size() ? m.at(i) : rbx::Font();
}

rbx::Font RbxFontFamily::fontContainingCharacter(char32_t c) {
    const rbx::Font regular = regularFont();
    if (regular && regular->covers(c)) return regular;
    for (const rbx::Font& f : members())
        if (f && f->covers(c)) return f;
    return regular;
}

bool RbxFontFamily::anyMemberContainsCharacter(char32_t c) {
    for (const rbx::Font& f : members())
        if (f && f->covers(c)) return true;
    // The family of the colour emoji font also holds the sequences it shows as one
    // picture (flags, joined sequences and keycaps); only those need its glyphs.
    using namespace rbx::emoji;
    if (c < FlagFirst || c > KeycapLast) return false;
    const QString emoji = RbxEmoji::colorEmojiFontName();
    if (!emoji.isEmpty() && numberOfValidMembers() > 0) {
        for (const rbx::Font& f : members())
            if (f.postScriptName() == emoji)
                return RbxEmoji::colorFlagsCharacterSet().contains(c) || RbxEmoji::zwjCharacterSet().contains(c) ||
                       RbxEmoji::keycapCharacterSet().contains(c);
    }
    return false;
}

int RbxFontFamily::indexOfFont(const rbx::Font& font) {
    const QString ps = font.postScriptName();
    const QList<rbx::Font>& m = members();
    for (qsizetype i = 0; i < m.size(); ++i)
        if (m.at(i).postScriptName() == ps) return static_cast<int>(i);
    return 0;
}

int RbxFontFamily::compare(const RbxFontFamily& other) const {
    const int c = QString::compare(name_, other.name_, Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString RbxFontFamily::description() {
    return QStringLiteral("%1 (%2)").arg(name_, typefaces().join(QStringLiteral(", ")));
}

rbx::Font RbxFontFamily::systemFont() {
    rbx::FontBackend& backend = rbx::FontBackend::shared();
    const QString ps = rbx::defaultSansSerifPostScriptName();
    if (!ps.isEmpty())
        if (rbx::Font f = backend.font(ps)) return f;
    for (const rbx::FaceInfo& f : backend.faces())
        if (rbx::Font font = backend.font(f.postScriptName)) return font;
    return rbx::Font();
}
