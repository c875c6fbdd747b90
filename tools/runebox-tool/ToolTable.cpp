#include "ToolTable.h"

#include "ToolModel.h"

#include "kxlib/RbxDefaults.h"
#include "model/FontExtensions.h"
#include "model/RbxFontList.h"
#include "core/ProcessWide.h"
#include "model/RbxModelSettings.h"
#include "model/RbxRecentLayout.h"
#include "table/widgets/RbxCharView.h"

#include <QRegularExpression>

namespace tool::table {

const kx::CharSet* ToolSources::charactersInAllFonts() { return &RbxFontList::fontList().availableCharactersInAllFonts(); }

TableSetup::TableSetup(int view) : sources_(std::make_shared<ToolSources>()) {
    bridges::install();
    previousSettings_ = kx::ProcessWide<RbxModelSettings>::install(
        std::make_unique<RbxModelSettings>(QVariantMap{{QStringLiteral("view"), view}}));
}

TableSetup::~TableSetup() {
    tool::selectedFont().select(nullptr);
    kx::ProcessWide<RbxModelSettings>::install(std::move(previousSettings_));
}

bool TableSetup::bind(const QString& fontName, const QString& layoutName, QString* error) {
    font_ = rbx::font::availableFontWithName(fontName, 12);
    if (!font_) {
        *error = QStringLiteral("no font named ") + fontName;
        return false;
    }
    repertoire_ = RbxFontInfoRepertoire::repertoireOfFont(font_);
    tool::selectedFont().select(repertoire_.get());
    sources_->setRepertoire(repertoire_.get());
    layout_ = layoutName == RbxRecentLayout::recentLayout()->name() ? RbxRecentLayout::recentLayout()
                                                                     : RbxLayout::layoutNamed(layoutName);
    if (!layout_) {
        *error = QStringLiteral("no layout named ") + layoutName;
        return false;
    }
    return true;
}

std::vector<std::shared_ptr<RbxCharGroup>> TableSetup::groups() {
    repertoire_->fontInfo()->loadCharacters();
    return layout_->groupsForFontInfo(repertoire_.get());
}

void TableSetup::show(RbxCharView& view) {
    view.setSources(sources_);
    view.setFont(font_, bridges::tuningOf(*repertoire_->fontInfo()));
    view.setGroups(groups(), layout_->isRecentLayout());
}

bool parseSize(const QString& text, int* width, int* height) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return false;
    *width = m.captured(1).toInt();
    *height = m.captured(2).toInt();
    return *width > 0 && *height > 0;
}

} // namespace tool::table
