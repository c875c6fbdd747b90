#pragma once
// What the table commands (render, bench table) share: a font shown in a layout as the
// palette shows it, in a view of their own (1: the font's characters, 3: every defined
// character) without touching the user's settings.

#include "app/ModelBridges.h"
#include "model/RbxCharGroup.h"
#include "model/RbxFontInfoRepertoire.h"
#include "model/RbxLayout.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

class RbxCharView;
class RbxModelSettings;

namespace tool::table {

// The table's sources with the characters of all installed fonts.
class ToolSources : public bridges::TableSources {
public:
    const kx::CharSet* charactersInAllFonts() override;
};

class TableSetup {
public:
    // Installs the model's bridges and reads "view" as given; other settings as stored.
    explicit TableSetup(int view);
    ~TableSetup();

    // Binds the font (nullptr info when there is no such font) and finds the layout (a
    // built-in or user layout, or the recent-characters layout by its name).
    bool bind(const QString& fontName, const QString& layoutName, QString* error);
    // Shows the font and the layout's groups in the view.
    void show(RbxCharView& view);
    std::vector<std::shared_ptr<RbxCharGroup>> groups();

    const rbx::Font& font() const { return font_; }
    const std::shared_ptr<ToolSources>& sources() const { return sources_; }

private:
    std::shared_ptr<RbxModelSettings> previousSettings_;
    rbx::Font font_;
    std::shared_ptr<RbxFontInfoRepertoire> repertoire_;
    std::shared_ptr<RbxLayout> layout_;
    std::shared_ptr<ToolSources> sources_;
};

// "WxH" as two positive numbers.
bool parseSize(const QString& text, int* width, int* height);

} // namespace tool::table
