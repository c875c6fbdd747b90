#include "app/PaletteAssembly.h"

#include "app/ClickOutsideMonitor.h"
#include "app/DesktopAccent.h"
#include "app/FrontApplication.h"
#include "app/KXSpaceWinController.h"
#include "app/PaletteAlerts.h"
#include "app/PaletteContent.h"
#include "app/PaletteFontTable.h"
#include "insertion/RbxFontDetector.h"
#include "app/ModelBridges.h"
#include "app/PaletteEvents.h"
#include "app/PaletteFocus.h"
#include "app/PaletteFontDrops.h"
#include "app/PaletteFontList.h"
#include "app/DesktopPalette.h"
#include "app/PaletteActivators.h"
#include "app/ProgramMenu.h"
#include "app/PaletteAppleEvents.h"
#include "app/PaletteHotKeys.h"
#include "app/PaletteTable.h"
#include "app/PaletteSampleViews.h"
#include "app/PaletteSheets.h"
#include "app/PaletteTableController.h"
#include "app/PaletteUpdates.h"
#include "app/PaletteViews.h"
#include "app/RbxCharAppController.h"
#include "app/RbxCharApplication.h"
#include "app/RbxCharWindowController.h"
#include "app/ShapeFinder.h"
#include "app/SystemFont.h"
#include "core/ProcessWide.h"
#include "insertion/RbxClipboardCopies.h"
#include "insertion/RbxPoster.h"
#include "kxlib/KXLoginPrefs.h"
#include "kxlib/KXNotificationCenter.h"
#include "kxlib/KXProcess.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXDynamicColor.h"
#include "model/CharacterNameState.h"
#include "model/RbxLayoutRegistry.h"
#include "model/RbxNameFilter.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/SessionBus.h"
#include "platform/fonts/FontBackend.h"
#include "platform/x11/HotKeyGrabs.h"
#include "platform/x11/KeyboardFocus.h"
#include "platform/x11/X11Keyboard.h"
#include "table/widgets/RbxCharView.h"
#include "update/RbxVersionChecker.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QMenu>
#include <QToolButton>
#include <QTimer>

namespace {

// What the settings store asks of the layers above it.
class StoreServices : public RbxFontAvailability, public RbxMenuTheme {
public:
    QString availableFontName(const QString& postScriptName) override {
        return systemfont::availableFontName(postScriptName);
    }
    bool isDarkMenuTheme() override { return KXAppearance::shared().isDark(); }
};

// The font list's record of the fonts used, told by the poster after each insertion.
class UsedFonts : public RbxUsedFonts {
public:
    explicit UsedFonts(PaletteFontList& fonts) : fonts_(fonts) {}
    void markSelectedFontAsUsed() override { fonts_.markSelectedFontAsUsed(); }

private:
    PaletteFontList& fonts_;
};

} // namespace

RbxDefaults& PaletteAssembly::installProgramSettings() {
    static StoreServices services;
    static KXAutostartLoginItem loginItem;
    kx::ProcessWide<RbxDefaults>::install(RbxDefaults::open(QString(), QString(), {&services, &services, &loginItem}));
    return RbxDefaults::userDefaults();
}

PaletteAssembly::PaletteAssembly(RbxDefaults& settings, X11Session& x11, KXURLHandler* urls, FrontApplication* front)
    : settings_(settings) {
    bridges::install();
    // Before any widget lays out text: the font the widgets inherit names an installed family.
    systemfont::useInstalledFamily();
    // The desktop's dark preference and accent colour across the whole window, and
    // placeholder texts readable in whatever colours the desktop gives.
    desktopPalette_ = std::make_unique<DesktopPalette>();

    // The window and its character table, following the application in front.
    if (!front) {
        desktopFront_ = std::make_unique<DesktopFrontApplication>();
        front = desktopFront_.get();
    }
    fonts_ = std::make_unique<PaletteFontList>();
    // The insertion road below the table: the posting system hands the keyboard back
    // through the palette's focus; each insertion marks the palette's font as used.
    auto keyboard = std::make_shared<KeyboardFocus>(x11);
    kx::ProcessWide<KeyboardFocus>::install(keyboard);
    // One object decides who holds the keyboard: the palette, its sheets, the poster.
    auto focus = std::make_shared<PaletteFocus>(keyboard);
    postingSystem_ = std::make_shared<RbxPostingSystem>(focus);
    postingSystem_->installPostingTap();
    // Font detection of the front application pauses after each insertion.
    detectors_ = std::make_shared<RbxFontDetectors>(RbxFontDetectors::makeDesktop());
    poster_ = std::make_shared<RbxPoster>(postingSystem_, RbxPoster::Services{std::make_shared<UsedFonts>(*fonts_), detectors_});
    table_ = std::make_unique<PaletteTable>(RbxCharViewServices{poster_, nullptr, nullptr});
    // The model's layouts, search filter and names know the table's font as the
    // selected one; the registry fills the table's layout pop-up.
    kx::ProcessWide<RbxLayoutRegistry>::install(std::make_unique<RbxLayoutRegistry>(&settings_, table_.get(), table_.get()));
    kx::ProcessWide<RbxNameFilterState>::install(std::make_unique<RbxNameFilterState>(table_.get()));
    kx::ProcessWide<RbxCharacterNameState>::install(std::make_shared<RbxCharacterNameState>(table_.get()));
    RbxLayout::setLayoutPopUp(table_->layoutPopUp());
    // The update check: the palette answers its alert, its update tab and "vcheck" from it.
    versionChecker_ = std::make_unique<RbxVersionChecker>(settings_, UpdateActivity::makeDefault());
    windowController_ = std::make_unique<RbxCharWindowController>(
        settings_, *table_, *fonts_, *front,
        PaletteFrontServices{detectors_.get(), RbxAccessibilitySwitch::makeDefault(),
                             std::make_shared<CheckerClient>(*versionChecker_), focus});
    RbxCharWindowController& wc = *windowController_;
    updates_ = std::make_unique<PaletteUpdates>(wc, *versionChecker_);
    RbxCharView& view = *table_->view();
    KXNotificationCenter::defaultCenter().addObserver(
        KXProcess::ChangeNotification, KXProcess::notificationObject(),
        [&wc](const KXNotification&) { wc.frontProcessChanged(); }, &wc);
    QObject::connect(fonts_.get(), &PaletteFontList::fontsChangeNoticed, &wc,
                     &RbxCharWindowController::checkForFontChanges);
    // Font files activated for this process are known to Qt's font database too.
    QObject::connect(&rbx::FontBackend::shared(), &rbx::FontBackend::fontFileActivated, &wc,
                     [](const QString& path) { QFontDatabase::addApplicationFont(path); });

    // The sample text views follow the shown font and the search.
    samples_ = std::make_unique<PaletteSampleViews>(settings_, wc.content(), wc.window(), wc.sheets());
    samples_->setFont(wc.selectedFont());
    QObject::connect(&wc, &RbxCharWindowController::fontSelected, samples_.get(), &PaletteSampleViews::setFont);
    QObject::connect(&wc, &RbxCharWindowController::searchPerformed, samples_.get(), &PaletteSampleViews::searchChanged);
    // The text views take the keys when the user switches to them; the layout registry's
    // refills choose the layout linked with the shown font.
    QObject::connect(&wc.views(), &PaletteViews::viewChanged, samples_.get(), [samples = samples_.get()](int view) {
        if (view == 11) samples->activateSampleEditor();
        else if (view == 10) samples->activatePreview();
    });
    QObject::connect(table_.get(), &PaletteTable::layoutForCurrentFontWanted, &wc,
                     &RbxCharWindowController::switchToLayoutForCurrentFont);
    // The table asks the window controller, and hands its clicked characters to the
    // insertion road; its copy commands publish on the real clipboard.
    shapeFinder_ = std::make_unique<ShapeFinder>(wc, settings_, shapes::ShapeDataFiles::installed());
    shapeFinder_->registerSheet();
    view.setController(std::make_shared<PaletteTableController>(wc, focus, samples_.get(), shapeFinder_.get()));
    // The sheets register with the window's sheet host.
    sheets_ = std::make_unique<PaletteSheets>(wc, settings_, *fonts_);
    // The program's menu, behind the palette's menu button and the activator.
    programMenu_.reset(makeProgramMenu(wc));
    wc.content().programMenuButton()->setMenu(programMenu_.get());
    kx::ProcessWide<RbxTableClipboard>::install(std::make_shared<RbxClipboardCopies>());
    // The posting tap is live whenever the palette shows.
    QObject::connect(&wc, &RbxCharWindowController::windowShown, &wc,
                     [system = postingSystem_] { system->enablePostingTap(); });

    // Font files dropped on the palette stand in for a drop on the tray icon.
    fontDrops_ = std::make_unique<PaletteFontDrops>(settings_, *wc.window());
    QObject::connect(fontDrops_.get(), &PaletteFontDrops::fontsDropped, &wc, &RbxCharWindowController::selectActivationSet);

    // Mouse releases and keys of our windows reach the table before the widgets.
    events_ = std::make_unique<PaletteEvents>(wc, view);
    router_ = std::make_unique<PaletteEventRouter>(*events_);
    QCoreApplication::instance()->installEventFilter(router_.get());

    // Presses outside close the palette; the monitor's connection to the display is
    // opened after the first showing, off the way to the first paint.
    clickMonitor_ = std::make_unique<ClickOutsideMonitor>(x11);
    QObject::connect(clickMonitor_.get(), &ClickOutsideMonitor::pressed, &wc, &RbxCharWindowController::clickedOutside);
    QObject::connect(&wc, &RbxCharWindowController::windowOpened, clickMonitor_.get(),
                     [monitor = clickMonitor_.get()] { QTimer::singleShot(0, monitor, [monitor] { monitor->start(); }); });

    // Start-up and shut-down; what follows the first picture waits for it.
    application_ = std::make_unique<RbxCharAppController>(wc, settings_, urls);
    QObject::connect(wc.window(), &RbxCharWindow::firstPaint, application_.get(), &RbxCharAppController::afterFirstPaint,
                     Qt::QueuedConnection);
    QObject::connect(wc.window(), &RbxCharWindow::firstPaint, &wc.content(), &PaletteContent::finishAfterFirstPaint,
                     Qt::QueuedConnection);
    QObject::connect(wc.window(), &RbxCharWindow::firstPaint, &wc.fontTable(), &PaletteFontTable::finishAfterFirstPaint,
                     Qt::QueuedConnection);
    // From then on the desktop's process changes are announced, and its accent colour is
    // read and followed.
    accent_ = std::make_shared<DesktopAccent>();
    kx::ProcessWide<KXAccentColorSource>::install(accent_);
    // The accent colour is the selection colour of every control.
    QObject::connect(accent_.get(), &DesktopAccent::portalAccentChanged, desktopPalette_.get(),
                     [palette = desktopPalette_.get(), accent = accent_.get()] {
                         palette->setAccentColor(accent->portalAccentColor());
                     });
    QObject::connect(application_.get(), &RbxCharAppController::launchFinished, accent_.get(),
                     [accent = accent_.get()] {
                         KXProcess::startWatching();
                         accent->follow(dbus::sessionBus());
                     });
    // The global hot key is registered once the launch is over, and again after each
    // change of the keyboard's layout.
    QObject::connect(application_.get(), &RbxCharAppController::launchFinished, &wc, [this, &x11, &wc] {
        hotKeyGrabs_ = std::make_unique<kx::x11::X11HotKeyGrabs>(x11, &kx::x11::X11Keyboard::shared());
        hotKeyRegistry_ = std::make_unique<KXHotKeyRegistry>(*hotKeyGrabs_);
        hotKeys_ = std::make_unique<PaletteHotKeys>(wc, settings_, *hotKeyRegistry_);
        hotKeys_->setupHotkeys();
        // Other programs' requests: the hot keys, the characters, typing a text.
        appleEvents_ = std::make_unique<PaletteAppleEvents>(wc, *hotKeys_, *poster_);
        appleEvents_->install(AppleEventBridge::shared());
        // The tray icon or the corner strip; fonts dropped on it are selected in the font list.
        activators_ = std::make_unique<PaletteActivators>(wc, settings_, x11, programMenu_.get());
        QObject::connect(activators_.get(), &PaletteActivators::fontsDropped, &wc,
                         &RbxCharWindowController::selectActivationSet);
        activators_->showActivator();
    });
    // The update check starts once the launch is over (Alt held at the start asks for one).
    QObject::connect(application_.get(), &RbxCharAppController::launchFinished, updates_.get(), &PaletteUpdates::start);
    // The spaces-fix window, when the hidden setting asks for it.
    QObject::connect(application_.get(), &RbxCharAppController::launchFinished, &wc, [this] {
        if (settings_.boolForKey(rbx::key::spaceWindow)) KXSpaceWinController::openSpaceWindow();
    });
    QObject::connect(application_.get(), &RbxCharAppController::newVersionCheckWanted, updates_.get(),
                     [checker = versionChecker_.get()] { checker->checkNow(true); });
    // The names' word index is made in the background once the palette showed.
    QObject::connect(application_.get(), &RbxCharAppController::launchFinished, table_.get(),
                     [table = table_.get()] { table->prepareSearch(); }, Qt::QueuedConnection);
}

PaletteAssembly::~PaletteAssembly() {
    activators_.reset();
    programMenu_.reset();
    appleEvents_.reset();
    sheets_.reset();
    hotKeys_.reset();
    hotKeyRegistry_.reset();
    hotKeyGrabs_.reset();
    // The model's objects that know the table go before it.
    kx::ProcessWide<RbxLayoutRegistry>::install(nullptr);
    kx::ProcessWide<RbxNameFilterState>::install(nullptr);
    kx::ProcessWide<RbxCharacterNameState>::install(nullptr);
    kx::ProcessWide<KeyboardFocus>::install(nullptr);
    if (kx::ProcessWide<KXAccentColorSource>::current() == accent_.get())
        kx::ProcessWide<KXAccentColorSource>::install(nullptr);
}
