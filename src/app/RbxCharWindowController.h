#pragma once
// The palette's controller: one facade with the operations the rest of the system
// calls (open, toggle, fade out, cancel a pending close, Escape, sheets, the URL
// commands "open" and "set"), and one object per duty behind it:
//   PaletteContent       the widgets of the window
//   PaletteFader         fading out with delays, fading in
//   SheetHost            every sheet's way onto the palette
//   PaletteFrameKeeper   frame memory, position log, off-screen repair
//   PalettePresenter     opening, showing, closing, Escape, clicks outside
//   PaletteFontControls  the family, face and recent-fonts pop-ups, the layout link
//   PaletteInsertModes   the insert-mode control with its size and types menus
//   PaletteViews         the window mode, the view and layout pop-ups, the pages
//   PaletteSearch        the search field, its templates and maintenance commands
//   PaletteFontTable     the font list beside the table: collections, filter, marks
//   PaletteCharacterActions  the context menu's actions on a character
// The character table (PaletteTable), the settings store, the font list and the front
// application are given when it is made (PaletteAssembly makes it); `windowController()`
// answers it from its loading on. Main thread only.

#include "app/PaletteFader.h"
#include "app/RbxCharWindow.h"
#include "app/SheetHost.h"
#include "kxlib/KXDefaultObserver.h"
#include "kxlib/KXProcess.h"
#include "platform/fonts/Font.h"

#include <optional>
#include <memory>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariant>

class AlertSheet;
class FrontApplication;
class PaletteAlerts;
class PaletteFocus;
class PaletteFontFollower;
class RbxAccessibilitySwitch;
class RbxActivationSet;
class RbxFontDetectors;
class RbxUpdateClient;
class PaletteContent;
class PaletteFontControls;
class PaletteInsertModes;
class PaletteViews;
class WritesAfterPaint;
class PaletteFontList;
class PaletteFrameKeeper;
class PalettePresenter;
class PaletteSearch;
class PaletteFontTable;
class PaletteCharacterActions;
class PaletteTable;
class QLineEdit;
class RbxSearchField;
class RbxCharView;
class RbxDefaults;

// What following the front application and the alerts need beyond the palette; each may
// be null (no font detection, no accessibility switch, no update client).
struct PaletteFrontServices {
    RbxFontDetectors* detectors = nullptr;
    std::shared_ptr<RbxAccessibilitySwitch> accessibility;
    std::shared_ptr<RbxUpdateClient> updates;
    // Who holds the keyboard; null: one of the palette's own on the process's keyboard.
    std::shared_ptr<PaletteFocus> focus;
};

class RbxCharWindowController : public QObject,
                                public RbxCharWindowDelegate,
                                public FadingWindow,
                                public SheetWindow,
                                public KXDefaultObserver {
    Q_OBJECT
public:
    // The controller of the process; null before one has loaded.
    static RbxCharWindowController* windowController();

    RbxCharWindowController(RbxDefaults& settings, PaletteTable& table, PaletteFontList& fonts,
                            FrontApplication& front, PaletteFrontServices services = {}, QObject* parent = nullptr);
    ~RbxCharWindowController() override;

    // Loading: becomes the shared controller, restores the frame (remembered from the
    // second launch on), selects the start font, registers its observers and adapts to the
    // front application.
    void load();

    // ---- the parts ---------------------------------------------------------------------
    RbxCharWindow* window() const { return window_; }
    PaletteContent& content() const { return *content_; }
    PaletteFader& fader() const { return *fader_; }
    SheetHost& sheets() const { return *sheets_; }
    PaletteFrameKeeper& frameKeeper() const { return *frameKeeper_; }
    PaletteFontControls& fontControls() const { return *fontControls_; }
    PaletteInsertModes& insertModes() const { return *insertModes_; }
    PaletteViews& views() const { return *views_; }
    PaletteSearch& search() const { return *search_; }
    PaletteFontTable& fontTable() const { return *fontTable_; }
    PaletteCharacterActions& characterActions() const { return *characterActions_; }
    PaletteTable& table() const { return table_; }
    PaletteFontList& fonts() const { return fonts_; }
    PaletteFocus& focus() const { return *focus_; }
    RbxSearchField* searchField() const;
    // The character table view on the first page.
    RbxCharView* charView() const;

    // ---- showing and hiding -------------------------------------------------------------
    // `sender` is who asked: null for the global hot key, the controller for its own
    // commands, a widget for menus and buttons.
    void openWindow(QObject* sender);        // opens a hidden palette; nothing when shown
    // Opens a hidden palette for a window that came without a user action (an alert): the
    // keyboard stays where it is.
    void openWindowWithoutKeyboard(QObject* sender);
    void toggleWindow(QObject* sender);      // shown: fades out over 0.3 s; hidden: opens
    void toggleWindowFromHotkey() { toggleWindow(nullptr); }
    void toggleWindowFromIcon() { toggleWindow(this); }
    void toggleWindowAction(QObject* sender) { toggleWindow(sender); }
    void appearWindow(QObject* sender);      // shows, fading in with "animate window"
    void showWindow(QObject* sender);        // shows at full alpha, on screen, on all desktops
    void close() override;                   // hides unless a sheet is attached
    bool closeWithESC();                     // Escape: clears the search, else closes
    void orderFront();                       // raises the palette, which takes the keyboard
    bool isWindowVisible() const override;
    void logWindowOpening(QObject* sender);  // the "logOpen" trace

    // ---- fading --------------------------------------------------------------------------
    void fadeOut(float duration, float delay);  // seconds; ignored while a sheet is attached
    void stopFading();
    void stopMouseOutsideFading();              // cancels a fade scheduled with a delay
    void setWindowAlphas(float alpha) override;
    float windowAlpha() const;
    // A mouse press somewhere on the display: closes the palette when it was outside.
    void clickedOutside();

    // ---- sheets ---------------------------------------------------------------------------
    // Opens the palette, brings it to the front and cancels a pending close; then ends
    // another attached sheet and opens the named one ("about", "preferences", "contact",
    // "shapeFinder"); "" opens only the window.
    void openSheet(const QString& name, const QVariantMap& options = {});
    void closeSheet();                          // ends the attached sheet with code 0
    bool hasSheet() const override;
    // The program menu's items: the one tagged 1 always works, the others only while no
    // sheet is attached.
    bool validateMenuItem(int tag) const { return tag == 1 || !hasSheet(); }
    // The program menu's Quit: asks the application to end once the current event is
    // done (the application controller's shut-down runs on the way out).
    void terminate();

    // ---- URL commands ----------------------------------------------------------------------
    QVariant openViaURL(const QUrl& url);       // "open": sheet=about|pref[&tab=]|contact|shape|...
    QVariant setModeViaURL(const QUrl& url);    // "set": insert=plain|form...|htm..., search=text
    // "vcheck": with "background" at least 1 a check asked for by the user runs at once,
    // here; otherwise as checkForUpdate.
    QVariant versionCheckViaURL(const QUrl& url);
    // The preferences on their "Updates" tab, and a check asked for by the user.
    void checkForUpdate();

    // ---- insert mode and search ------------------------------------------------------------
    int selectedInsertModeSegment() const;
    void selectInsertModeSegment(int segment);
    // Applies the selected segment as the front application's insert mode (segment 2
    // stands for the latest special insert mode).
    void changeInsertMode();
    // Runs the search of the search field's text: the table shows what it matches.
    void performSearch();

    // ---- fonts -------------------------------------------------------------------------------
    // The start font: "selectedFont" when available, else "LucidaGrande", else the
    // system font (a null font when there are no fonts).
    rbx::Font startFont() const;
    // Makes the font the selected one: the font list, the table, the pop-ups, the label
    // "<name> (<characters>)" and the layout linked with its family follow.
    void selectFont(const rbx::Font& font);
    void switchToLayoutForCurrentFont();
    rbx::Font selectedFont() const { return font_; }
    // The application's font (per front application) is selected when the palette opens.
    void selectApplicationFont();
    // After a burst of font changes, and now and then when another application comes to
    // the front: when the installed fonts changed, the font list is read again and the
    // palette shows its font (or, when that font is gone, the start font) anew.
    void checkForFontChanges(const QString& reason);
    void updateAfterFontChange(const QString& reason);
    // Fonts dropped on the palette or its activator: the font list reads them, selects
    // their set as the collection and its first family, and the palette opens.
    void selectActivationSet(std::shared_ptr<RbxActivationSet> set);
    // Front-application changes check the fonts at most this often.
    static constexpr int RegularFontCheckMs = 30 * 1000;
    // How often the installed fonts were checked for changes so far.
    int fontChecks() const { return fontChecks_; }

    // ---- views and layouts ---------------------------------------------------------------------
    // 1 to 3: the table of the selected font's, all fonts' or all defined characters;
    // 10 and 11: the sample text's preview and editor.
    void changeViewTo(int view);
    void changeView();
    void swipeView(int delta);
    void changeLayout();

    // ---- window reactions --------------------------------------------------------------------
    void windowSizeChanged();
    void windowLocationChanged();
    void screenChanged();
    void fixOffscreenWindow();
    void darkModeChanged();
    void setVisibleInAllSpaces(bool all);
    void hideTransients() override;             // magnifier and tool tip

    // ---- following the front application -------------------------------------------------------
    // "KXProcessChangeNotification": another application came to the front, started or
    // ended. The palette adapts 0.4 s after the last of a burst of changes, and checks the
    // fonts when the last check is more than 30 s ago.
    static constexpr int ProcessChangeDelayMs = 400;
    void frontProcessChanged();
    void checkFrontProcessAndFonts();
    // Adapts to the front application: its per-application settings become the ones in
    // force, and the open palette shows its font. Without `force` nothing happens while
    // the front application stays the one adapted to.
    void updateToFrontApplication(bool force);
    // The application adapted to last ("" before).
    QString frontApplicationName() const { return frontName_; }
    // How often the palette adapted to an application so far.
    int frontAdaptations() const { return frontAdaptations_; }
    // Asks the front application's font detector and shows the font it finds (see
    // PaletteFontFollower); nothing without font detection.
    void checkForAutomaticFontChange(bool force);

    // ---- alerts ----------------------------------------------------------------------------------
    // The accessibility alert for the application (empty: at start-up).
    void showAXAlertForApplication(const QString& application);
    void showNewVersionAlert(AlertSheet* alert);
    PaletteAlerts& alerts() const { return *alerts_; }
    // Null when the palette has no update client.
    RbxUpdateClient* updateClient() const { return updates_.get(); }

    // ---- settings observer -----------------------------------------------------------------------
    void defaultChanged(const QString& key) override;

    // ---- the window's delegate -------------------------------------------------------------------
    bool windowEscapePressed() override { return closeWithESC(); }
    void windowCloseRequested() override { close(); }
    void windowMoved() override { windowLocationChanged(); }
    void windowResized() override { windowSizeChanged(); }
    void windowMiniaturized(bool miniaturized) override;
    void windowWillOrderOut() override { hideTransients(); }
    void windowOrderedOut() override;

    // ---- what fading and sheets need of the palette ---------------------------------------------
    bool animatesWindow() const override;
    QWidget* sheetParent() const override { return window_; }
    void appearForSheet(bool takesKeyboard) override;
    void clearForSheet() override;
    void setSheetTracking(QWidget* sheet, bool on) override;
    void sheetBegan(bool takesKeyboard) override;
    void sheetEnded() override;
    void sheetPointedAt(QWidget* sheet) override;
    // The pointer is over the palette or its attached sheet.
    bool pointerOverPalette() const;
    bool logsSheets() const override;

signals:
    // Shown (every showing), opened (a showing that appeared, after its set-up), closed.
    void windowShown();
    void windowOpened();
    void windowClosed();
    void searchPerformed(const QString& text);
    // Another font is shown.
    void fontSelected(const rbx::Font& font);

protected:
    QString observerClassName() const override { return QStringLiteral("RbxCharWindowController"); }

private:
    friend class PalettePresenter;

    RbxDefaults& settings_;
    PaletteTable& table_;
    PaletteFontList& fonts_;
    FrontApplication& front_;
    QString frontName_;
    int frontAdaptations_ = 0;
    KXProcess::Ptr frontProcess_;
    PaletteFontFollower* follower_ = nullptr;
    std::shared_ptr<PaletteFocus> focus_;
    std::shared_ptr<RbxUpdateClient> updates_;
    PaletteAlerts* alerts_ = nullptr;
    QTimer processChangeTimer_;
    WritesAfterPaint* writesAfterPaint_ = nullptr;
    // When the fonts were checked last, on the process's clock.
    std::optional<qint64> lastFontCheckMs_;
    int fontChecks_ = 0;
    QPointer<RbxCharWindow> window_;
    PaletteContent* content_ = nullptr;
    PaletteFader* fader_ = nullptr;
    SheetHost* sheets_ = nullptr;
    PaletteFrameKeeper* frameKeeper_ = nullptr;
    PalettePresenter* presenter_ = nullptr;
    PaletteFontControls* fontControls_ = nullptr;
    PaletteInsertModes* insertModes_ = nullptr;
    PaletteViews* views_ = nullptr;
    PaletteSearch* search_ = nullptr;
    PaletteFontTable* fontTable_ = nullptr;
    PaletteCharacterActions* characterActions_ = nullptr;
    rbx::Font font_;
    bool loaded_ = false;
};
