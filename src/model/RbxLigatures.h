#pragma once
// The final ligature list of one font, less the ligatures its tuning excludes. The
// font info turns list positions into the virtual characters U+B0000 + index.

#include "core/CharSet.h"
#include "platform/fonts/Font.h"

#include <QStringList>
#include <cstddef>
#include <memory>
#include <optional>

class RbxLigatures {
public:
    static std::shared_ptr<RbxLigatures> ligaturesOfFont(const rbx::Font& font);
    explicit RbxLigatures(const rbx::Font& font);

    const rbx::Font& font() const { return font_; }
    // nullopt when the font has none.
    const std::optional<QStringList>& ligatures() const { return ligatures_; }
    int count() const { return ligatures_ ? int(ligatures_->size()) : 0; }
    // kx::NotFound when there is no list or no such string.
    std::size_t indexOfLigatureString(const QString& s) const;
    // U+B0000 to U+B0000 + count - 1; nullopt when there are none.
    std::optional<kx::CharSet> characterSet() const;
    // "no ligatures", or "%lu ligatures in %@: %@".
    QString description() const;

private:
    rbx::Font font_;
    std::optional<QStringList> ligatures_;
};
