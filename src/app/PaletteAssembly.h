#pragma once
// The one place where the palette application is built: every object of the running
// palette is made here, receives what it needs when it is made, and is connected to the
// others here (through the small interfaces of each duty or Qt signals). main.cpp makes
// one assembly; tests make one with their own settings store and find the same wiring.
//
// What is made, from the ground up:
//   the settings store of the program, with its services (installProgramSettings);
//   the model's services;
//   PaletteTable (the character table view and its sources, the recent characters
//   among them);
//   PaletteFontList (the font list as the palette uses it); font files activated for the
//   process are handed to Qt's font database;
//   RbxCharWindowController (the window and its duties), following the front
//   application through the process-change notification (with its font through the
//   font detectors, RbxFontDetectors, which the poster pauses after each insertion) and
//   the installed fonts through the font list's change check;
//   the shape finder's sheet (ShapeFinder: "shapeFinder" among the sheets, its
//   matches marked by the table);
//   the table's controller (PaletteTableController) and its insertion road (RbxPoster
//   over RbxPostingSystem, which records the font of each insertion as used in the
//   font list), the clipboard of its copy commands;
//   PaletteEventRouter (mouse releases and keys before the normal delivery);
//   ClickOutsideMonitor (presses anywhere close the palette);
//   RbxCharAppController (start-up, URL commands, shut-down);
//   the global hot key (PaletteHotKeys over KXHotKeyRegistry over the X server's grabs),
//   once the launch is over, and the handlers of other programs' requests
//   (PaletteAppleEvents), and the activator (PaletteActivators: tray icon or corner strip);
//   DesktopAccent (the desktop's accent colour, read once the launch is over), the
//   process's accent colour source.

#include <memory>

class DesktopPalette;
class ClickOutsideMonitor;
class DesktopAccent;
class FrontApplication;
class KXHotKeyRegistry;
class KXURLHandler;
class PaletteActivators;
class PaletteAppleEvents;
class QMenu;
class PaletteHotKeys;
class PaletteSampleViews;
class PaletteSheets;
class PaletteEventRouter;
class PaletteEvents;
class PaletteFontDrops;
class PaletteFontList;
class PaletteTable;
class RbxCharAppController;
class RbxCharWindowController;
class RbxDefaults;
class RbxFontDetectors;
class RbxPoster;
class RbxPostingSystem;
class ShapeFinder;
class X11Session;
namespace kx::x11 {
class HotKeyGrabs;
}

class PaletteAssembly {
public:
    // `urls` takes the application's URL commands at launch (may be null); `front` names
    // the application the palette follows (null: the desktop's front process).
    PaletteAssembly(RbxDefaults& settings, X11Session& x11, KXURLHandler* urls, FrontApplication* front = nullptr);
    ~PaletteAssembly();
    PaletteAssembly(const PaletteAssembly&) = delete;

    // The settings store of the running program, opened with what it asks of the layers
    // above it (font availability, menu theme, login item) and installed as the
    // process's store (RbxDefaults::userDefaults()).
    static RbxDefaults& installProgramSettings();

    PaletteAssembly& operator=(const PaletteAssembly&) = delete;

    RbxCharAppController& application() const { return *application_; }
    RbxCharWindowController& windowController() const { return *windowController_; }
    PaletteTable& table() const { return *table_; }
    PaletteFontList& fonts() const { return *fonts_; }
    PaletteEventRouter& router() const { return *router_; }
    RbxPoster& poster() const { return *poster_; }
    RbxFontDetectors& fontDetectors() const { return *detectors_; }
    ShapeFinder& shapeFinder() const { return *shapeFinder_; }
    // Null until the launch is over.
    PaletteHotKeys* hotKeys() const { return hotKeys_.get(); }
    PaletteAppleEvents* appleEvents() const { return appleEvents_.get(); }
    PaletteActivators* activators() const { return activators_.get(); }
    PaletteSheets& sheets() const { return *sheets_; }

private:
    RbxDefaults& settings_;
    std::unique_ptr<DesktopPalette> desktopPalette_;
    std::unique_ptr<FrontApplication> desktopFront_;
    std::unique_ptr<PaletteTable> table_;
    std::unique_ptr<PaletteFontList> fonts_;
    std::unique_ptr<RbxCharWindowController> windowController_;
    std::unique_ptr<ShapeFinder> shapeFinder_;
    std::unique_ptr<PaletteSampleViews> samples_;
    std::unique_ptr<PaletteSheets> sheets_;
    std::shared_ptr<RbxPostingSystem> postingSystem_;
    std::shared_ptr<RbxFontDetectors> detectors_;
    std::shared_ptr<RbxPoster> poster_;
    std::unique_ptr<PaletteEvents> events_;
    std::unique_ptr<PaletteEventRouter> router_;
    std::unique_ptr<PaletteFontDrops> fontDrops_;
    std::unique_ptr<ClickOutsideMonitor> clickMonitor_;
    std::unique_ptr<RbxCharAppController> application_;
    std::shared_ptr<DesktopAccent> accent_;
    std::unique_ptr<kx::x11::HotKeyGrabs> hotKeyGrabs_;
    std::unique_ptr<KXHotKeyRegistry> hotKeyRegistry_;
    std::unique_ptr<PaletteHotKeys> hotKeys_;
    std::unique_ptr<PaletteAppleEvents> appleEvents_;
    std::unique_ptr<QMenu> programMenu_;
    std::unique_ptr<PaletteActivators> activators_;
};
