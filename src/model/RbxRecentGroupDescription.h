#pragma once
// The recent characters as the second group of every group layout: the merged recent
// list of the font (RbxRecentLayout), newest first, limited to what the font has.

#include "model/RbxGroupDescription.h"

#include <memory>
#include <optional>
#include <vector>

class RbxRecentGroupDescription : public RbxGroupDescription {
public:
    static std::shared_ptr<RbxRecentGroupDescription> sharedRecents();

    Role role() const override { return Role::Recents; }
    QString name() const override { return QStringLiteral("Recent Characters"); }
    QString description() const override { return QStringLiteral("Recent Chracters Group"); }
    QString className() const override { return QStringLiteral("RbxRecentGroupDescription"); }

    // The merged recent list of the font, only characters the repertoire has; none when
    // there are none.
    std::optional<std::vector<char32_t>> availableCharactersForFontInfo(RbxFontRepertoire* info);
    // That list as a group of kind 2; nullptr when there is none.
    std::shared_ptr<RbxCharGroup> groupForFontInfo(RbxFontRepertoire* info) override;
    // The characters of the global recent list (not the font-specific ones or ligatures).
    kx::CharSet characterSet() const override;
    std::size_t bestIndexOf(char32_t, const std::vector<char32_t>&) const override { return 0; }
};
