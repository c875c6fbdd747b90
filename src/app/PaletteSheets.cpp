#include "app/PaletteSheets.h"

#include "app/CharacterInfoSheet.h"
#include "app/PaletteFontList.h"
#include "app/RbxCharWindowController.h"
#include "model/FontExtensions.h"
#include "table/widgets/RbxCharView.h"

// The palette as the sheets see it.
struct PaletteSheets::Palette : CharacterInfoPalette {
    Palette(RbxCharWindowController& c, PaletteFontList& f) : controller(c), fonts(f) {}
    rbx::Font selectedFont() const override { return controller.selectedFont(); }
    void selectFont(const rbx::Font& font) override { controller.selectFont(font); }
    void markFontsContainingCharacter(char32_t c) override {
        controller.charView()->controller().markFontsContainingCharacter(c);
    }
    RbxFontList& fontList() override { return fonts.list(); }
    bool logsSheets() const override { return controller.logsSheets(); }

    RbxCharWindowController& controller;
    PaletteFontList& fonts;
};

PaletteSheets::PaletteSheets(RbxCharWindowController& controller, RbxDefaults&, PaletteFontList& fonts)
    : palette_(std::make_unique<Palette>(controller, fonts)) {
    SheetHost& host = controller.sheets();
    characterInfo_ = new CharacterInfoSheet(host, *palette_, controller.window());
    host.registerSheet(CharacterInfoSheet::SheetName, [sheet = characterInfo_.data()](const QVariantMap& options) {
        const rbx::Font font = rbx::font::availableFontWithName(options.value(QStringLiteral("font")).toString(), 0);
        sheet->showInfoForCharacter(char32_t(options.value(QStringLiteral("character")).toUInt()),
                                    options.contains(QStringLiteral("font")) ? font : rbx::Font());
    });
}

CharacterInfoSheet& PaletteSheets::characterInfo() const { return *characterInfo_; }

PaletteSheets::~PaletteSheets() {
    // The sheets go while what they use is still there.
    delete characterInfo_.data();
}
