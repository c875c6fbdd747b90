#pragma once
// One font family of the font list with its usable member fonts (at 12 points) and
// their style names. Members are collected on first use, from the backend's list of
// faces; their fonts (and so the faces' objects) are made when the members are asked for.

#include "platform/fonts/Font.h"
#include "platform/fonts/FontBackend.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class RbxFontFamily {
public:
    // A family whose members are looked up among the backend's faces.
    explicit RbxFontFamily(const QString& name);
    // A family with its faces given (the font list groups all faces in one pass); they
    // are let go once the members are collected.
    RbxFontFamily(const QString& name, const QList<rbx::FaceInfo>& faces);

    const QString& name() const { return name_; }
    // Style names, parallel to members().
    const QStringList& typefaces();
    const QList<rbx::Font>& members();
    // How many members were found usable (0 when only the stand-in font is there).
    int numberOfValidMembers();

    // The first member whose style is, ignoring case, "Regular", else "Plain", "Normal",
    // "Book", "Medium", "Roman" or "C"; 0 when none is.
    int regularFaceIndex();
    rbx::Font regularFont();
    // The regular font if it covers c, else the first member that does, else the
    // regular font.
    rbx::Font fontContainingCharacter(char32_t c);
    // Whether some member covers c; for the colour emoji family also the emoji
    // sequences it shows as one picture.
    bool anyMemberContainsCharacter(char32_t c);
    // The index of the member with that PostScript name; 0 when none.
    int indexOfFont(const rbx::Font& font);
    // Names compared ignoring case: -1, 0 or 1.
    int compare(const RbxFontFamily& other) const;
    // "name (style, style, ...)"
    QString description();

    // The font used when a family has no usable member and when a font list row has
    // no family: the desktop's default sans-serif face, else the first available face.
    static rbx::Font systemFont();

private:
    void collectMembers();
    void makeMembers();

    QString name_;
    std::optional<QList<rbx::FaceInfo>> faces_;
    bool collected_ = false;
    QStringList typefaces_;
    QList<rbx::Font> members_;
    QStringList memberNames_; // of the members not made yet, parallel to members_
    bool membersMade_ = false;
    int numberOfValidMembers_ = 0;
};
