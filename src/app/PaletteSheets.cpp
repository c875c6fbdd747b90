#include "app/PaletteSheets.h"

#include "app/AboutSheet.h"
#include "app/CharacterInfoSheet.h"
#include "app/ContactSheet.h"
#include "app/FavoritesFiles.h"
#include "app/FontInfoView.h"
#include "app/PaletteFontList.h"
#include "app/PreferencesSheet.h"
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

PaletteSheets::PaletteSheets(RbxCharWindowController& controller, RbxDefaults& settings, PaletteFontList& fonts)
    : palette_(std::make_unique<Palette>(controller, fonts)), controller_(controller), settings_(settings), fonts_(fonts) {
    SheetHost& host = controller.sheets();
    host.registerSheet(CharacterInfoSheet::SheetName, [this](const QVariantMap& options) {
        const rbx::Font font = rbx::font::availableFontWithName(options.value(QStringLiteral("font")).toString(), 0);
        characterInfo().showInfoForCharacter(char32_t(options.value(QStringLiteral("character")).toUInt()),
                                             options.contains(QStringLiteral("font")) ? font : rbx::Font());
    });
    host.registerSheet(AboutSheet::SheetName, [this](const QVariantMap&) { about().showAbout(); });
    host.registerSheet(PreferencesSheet::SheetName, [this](const QVariantMap& options) {
        preferences().showPreferences(options.value(QStringLiteral("tab"), -1).toInt());
    });
    host.registerSheet(ContactSheet::SheetName, [this](const QVariantMap&) { contact().showContact(); });
    favorites_ = std::make_unique<FavoritesFiles>(controller);
    // View 12 shows the facts of the palette's font.
    fontInfo_ = std::make_unique<FontInfoView>(settings, controller.content());
    fontInfo_->setFont(controller.selectedFont());
    QObject::connect(&controller, &RbxCharWindowController::fontSelected, fontInfo_.get(), &FontInfoView::setFont);
}

CharacterInfoSheet& PaletteSheets::characterInfo() const {
    if (!characterInfo_) characterInfo_ = new CharacterInfoSheet(controller_.sheets(), *palette_, controller_.window());
    return *characterInfo_;
}

AboutSheet& PaletteSheets::about() const {
    if (!about_) about_ = new AboutSheet(controller_, settings_, fonts_, controller_.window());
    return *about_;
}

PreferencesSheet& PaletteSheets::preferences() const {
    if (!preferences_) preferences_ = new PreferencesSheet(controller_, settings_, controller_.window());
    return *preferences_;
}

ContactSheet& PaletteSheets::contact() const {
    if (!contact_) contact_ = new ContactSheet(controller_, settings_, fonts_, controller_.window());
    return *contact_;
}

PaletteSheets::~PaletteSheets() {
    // The sheets go while what they use is still there.
    delete characterInfo_.data();
    delete about_.data();
    delete preferences_.data();
    delete contact_.data();
    favorites_.reset();
    fontInfo_.reset();
}
