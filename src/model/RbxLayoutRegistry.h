#pragma once
// The layouts of the process, behind RbxLayout's class operations: the built-in layouts
// read from the bundle, the user layouts of the support folder, the layout pop-up and
// the bundle's layout updates, with the settings store and the palette it was made with.
// Each service may be null: no store means the process's store at each use, no palette
// means no selected font, and layout changes go unheard.

#include "model/RbxLayout.h"

#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

class RbxDefaults;
class RbxLayoutWindow;
class RbxSelectedFont;

class RbxLayoutRegistry {
public:
    // The registry of the process (kx::ProcessWide<RbxLayoutRegistry>): installed by the
    // composition root, else made on first use without services.
    static RbxLayoutRegistry& shared();
    static std::unique_ptr<RbxLayoutRegistry> makeDefault();

    // The services must outlive the registry.
    RbxLayoutRegistry(RbxDefaults* settings, RbxSelectedFont* selectedFont, RbxLayoutWindow* window);

    RbxDefaults& settings() const;
    RbxFontRepertoire* selectedFontRepertoire() const;

    // The bundle's "Layout-Updates.plist", read on first need (empty when missing).
    const QVariantMap& bundleLayoutUpdates();

private:
    friend class RbxLayout;

    void readBuiltinLayouts();

    RbxDefaults* const settings_;
    RbxSelectedFont* const selectedFont_;
    RbxLayoutWindow* const window_;

    bool builtinRead_ = false;
    std::vector<std::shared_ptr<RbxLayout>> builtin_;
    std::shared_ptr<RbxGroupLayout> unicodeBlocks_;

    bool folderFilled_ = false;
    bool rebuiltOnce_ = false;
    std::optional<QString> listing_;
    std::vector<std::shared_ptr<RbxLayout>> custom_;

    std::shared_ptr<RbxLayoutPopUp> popUp_;
    int lastFilledView_ = -1;

    std::optional<QVariantMap> layoutUpdates_;
};
