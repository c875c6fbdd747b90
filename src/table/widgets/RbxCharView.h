#pragma once
// The character table view: the groups of one font in a vertical scroll area. The table
// itself (RbxCharTable) keeps its own coordinates (y up, the bottom of the table at 0, a
// scroll position naming the visible top); this view converts at painting and event
// handling and paints only the part of the table that is visible.
//
// One table view serves the process: the last one made registers itself as view().
// A clicked character goes down to the insertion road the view was given when it was made
// (RbxCharViewServices); upward calls (the window controller) and the model's character
// sets go through the interfaces of RbxCharViewHooks.h; without them the view draws with
// what it knows and the calls do nothing. Main thread only.

#include "kxlib/KXDefaultObserver.h"
#include "core/CharSet.h"
#include "core/Types.h"
#include "platform/fonts/Font.h"
#include "table/core/RbxCharTable.h"
#include "table/widgets/RbxCellText.h"
#include "table/widgets/RbxCharViewHooks.h"
#include "table/widgets/RbxQtFonts.h"

#include <QAbstractScrollArea>
#include <QTimer>
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class KXToolTip;
class QKeyEvent;
class QMenu;
class QTimer;

class RbxCharView : public QAbstractScrollArea, public KXDefaultObserver {
    Q_OBJECT
public:
    // Values of clickButton().
    enum ClickButton : int { NoClick = 0, LeftClick = 1, RightClick = 2, OtherClick = 3, ProgrammaticClick = 99 };

    explicit RbxCharView(RbxCharViewServices services = {}, QWidget* parent = nullptr);
    ~RbxCharView() override;

    // The table view of the process (the last one made that still exists), or nullptr.
    static RbxCharView* view();

    // ---- the layers above and the model's sets (null: the do-nothing default)
    void setController(std::shared_ptr<RbxCharViewController> controller);
    void setSources(std::shared_ptr<RbxCharViewSources> sources);
    RbxCharViewController& controller() const { return *controller_; }
    RbxCharViewSources& sources() const { return *sources_; }

    // ---- binding a font and its groups
    // The font shown (its size is the base the cells are scaled from) and its tuning.
    // Lays the table out again.
    void setFont(const rbx::Font& font, const RbxFontTuning& tuning = {});
    // Replaces the groups (top group first); `recentLayout` tells that they are the
    // recent-characters layout's. Marks the recent characters, lays out and scrolls to
    // the layout's anchor.
    void setGroups(const std::vector<std::shared_ptr<RbxCharGroup>>& groups, bool recentLayout = false);
    const rbx::Font& font() const { return font_; }
    const RbxFontTuning& tuning() const { return tuning_; }
    // The PostScript name of the font shown; "" without a font.
    QString fontName() const { return font_.postScriptName(); }
    // The font at the size the cells are drawn with.
    const rbx::Font& displayFont() const { return displayFont_; }
    bool showingRecentLayout() const { return showingRecentLayout_; }
    RbxCharTable& table() { return table_; }
    const RbxCharTable& table() const { return table_; }
    const std::vector<RbxTableGroup>& groups() const { return table_.groups(); }
    // Recent insertions (the insertion road's log), for the diagnostics report.
    const QStringList& insertionLog() const { return posting_->insertionLog(); }

    // Hands the first recent-characters group (kind 2) the recent characters the font has
    // and lays out again; false when the table has no such group (the caller then rebuilds
    // the table from the font and the selected layout).
    bool updateRecentGroup(std::vector<char32_t> recentCharacters);

    // ---- the size adjustment of the font's family
    // The stored adjustment of the current font's family (the size slider's value).
    float customSize() const;
    // Stores a new adjustment for the family; the settings change lays the table out.
    void customSizeChanged(float adjustment);
    // Back to no adjustment.
    void updateAfterSizeReset();

    // ---- cell size and layout
    // The unscaled cell of the font shown (16 × 16 without a font).
    QSizeF characterSize() const;
    std::size_t charactersToFit() const;
    double adjustmentFactorForSize(const QSizeF& size) const;
    // Lays the groups out for the current font, settings and visible area.
    void calculateSize();
    // The same, keeping the distance from the table's top to the visible top.
    void recalculateSize();
    void expandAllGroups(bool expanded);
    // Hands every group the recent characters to mark ("hilite recent characters").
    void defineRecentCharactersToHilite();
    QSizeF charSize() const { return table_.charSize(); }
    int charactersPerRow() const { return table_.charactersPerRow(); }
    float tableHeight() const { return table_.tableHeight(); }

    // ---- scrolling (y values name the visible top, in table coordinates)
    // The visible part of the table.
    QRectF scrollArea() const;
    // The scroll position in points from the table's top (0 shows the top).
    double scrollValue() const;
    void scrollToY(double y);
    void scrollToCharacter(char32_t c);
    // Scrolls to the top of the group at that position and saves the anchor.
    void scrollToGroup(std::size_t position);
    void saveAnchorCharacter();
    void scrollToAnchorCharacter();
    // The scroll bar counts in units of this many points (1 unless the table is too high
    // for the scroll bar's integer range).
    double scrollUnit() const { return scrollUnit_; }

    // ---- coordinates and hit-testing
    QPointF tablePointFromViewport(const QPointF& viewportPoint) const;
    QRectF viewportRectFromTable(const QRectF& tableRect) const;
    // The global index of the character under a pixel of the viewport; kx::NotFound for none.
    std::size_t indexOfCharacterAtViewportPoint(const QPoint& viewportPoint) const;
    std::size_t indexOfCharacterAtPoint(const QPointF& tablePoint) const { return table_.indexOfCharacterAtPoint(tablePoint); }
    std::size_t indexOfCharacter(char32_t c) const { return table_.indexOfCharacter(c); }
    QRectF rectForCharacterAtIndex(std::size_t index) const { return table_.rectForCharacterAtIndex(index); }
    char32_t characterAtIndex(std::size_t index) const { return table_.characterAtIndex(index); }
    const RbxTableGroup* groupAtIndex(std::size_t index) const { return table_.groupAtIndex(index); }
    const RbxTableGroup* groupAtPoint(const QPointF& tablePoint) const;
    bool isGroupVisible(const RbxTableGroup& group) const;
    std::size_t indexOfFirstVisibleGroup() const;

    // ---- selection (global indexes; kx::NotFound is none)
    std::size_t selectedCharIndex() const { return selectedCharIndex_; }
    // Selects an index (kx::NotFound deselects), redraws both cells and shows the
    // character's information; during a press (or a programmatic selection) the cell is
    // scrolled into view. Then the magnifier is placed anew.
    void selectCharacterAtIndex(std::size_t index);
    // Sets the index without scrolling or information, and repaints at once.
    void temporarilySelectCharacterAtIndex(std::size_t index);
    // Selects the index near the middle of the visible area and lets it blink.
    void selectAndShowCharacterAtIndex(std::size_t index);
    // Off at 0.2 s, on at 0.3 s, off at 0.4 s, on at 0.5 s; nothing for kx::NotFound.
    void blinkCharacterAtIndex(std::size_t index);
    char32_t selectedCharacter() const;
    // Marks the selected cell for redrawing.
    void invalidateSelection();
    void invalidateCharacterAtIndex(std::size_t index);
    int clickButton() const { return clickButton_; }
    void setClickButton(int button);
    bool duringClick() const { return clickButton_ != NoClick; }

    // The hover selection: the cell under the mouse while the mouse is in the window, over
    // the visible table, with no sheet and no menu; none otherwise. Frozen while the
    // window is hidden or one of the table's menus is open.
    void updateSelection();
    // Deselect and select again after a moment (the magnifier hides meanwhile).
    void reselectAfterDelay();
    void reselectAfterScrolling();
    // Keeps the selection as it is for `seconds`.
    void suppressSelectionUpdate(float seconds);
    // The hover selection is frozen (the cell stays drawn pressed).
    bool updateSuppressed() const { return updateSuppressed_; }
    // The mouse location the hover selection used last, in viewport coordinates;
    // (-1, -1) when none.
    QPointF prevMouseLocation() const { return prevMouseLocation_; }
    // Where the mouse is, in global coordinates, read outside the event stream.
    QPoint globalMouseLocation() const;
    // The mouse location in viewport coordinates.
    QPointF currentMouseLocation() const;

    // ---- the magnifier popover
    void setMagnifierPopover(std::shared_ptr<RbxMagnifierPopover> popover);
    RbxMagnifierPopover& magnifierPopover() const { return *magnifier_; }
    // Shows, moves or hides the magnifier after a change of selection, scrolling or
    // modifier keys.
    void selectionRectChanged();
    // Whether the magnifier is wanted now, and the font and cell it would show.
    struct MagnifierPlacement {
        bool wanted = false;
        char32_t character = 0;
        rbx::Font font;
        QRect cell;  // global coordinates; empty: the selection has no cell
    };
    MagnifierPlacement magnifierPlacement() const;
    // The modifier keys held now, in the stored form (Shift 0x20000, Control 0x40000,
    // Option 0x80000, Command 0x100000).
    std::uint32_t currentModifierFlags() const;

    // ---- mouse
    // A press with button b (1 left, 2 right or Control, 3 middle or Command) at a
    // viewport point; a release of the press in progress.
    void handleClick(const QPoint& viewportPoint, int button, int clickCount, std::uint32_t modifierFlags,
                     const QPoint& globalPoint, bool rightButtonEvent = false);
    void handleMouseUp(int button);
    // A button released anywhere in the application: ends the press in progress (the
    // left button inserts); nothing while no press is in progress or a menu has it.
    void mouseUp(Qt::MouseButton button);
    // The side of the bottom-right corner of a cell that opens an emoji's picture menu.
    static double hotCornerSize(const QSizeF& cell);
    // Opens the context menu of the selected character (at the cell's top-right corner,
    // else at `globalPoint`); false when there is none to show.
    bool showContextMenu(const QPoint& globalPoint);
    // Auto-scrolling while a press is held: the table scrolls towards the mouse when it
    // is above or below the visible area.
    void startAutoScrolling();
    void stopAutoScrolling();
    bool autoscroll();
    bool isAutoScrolling() const;

    // ---- keys
    // A key typed while the table has the keyboard. Answers whether it was taken.
    bool handleKey(QKeyEvent* event);
    // The fixed shortcuts (Command with c, d, h, i, k, n, r, x; Command-Shift with s, d).
    bool handleHardWiredShortcut(const QKeyEvent* event);
    // Command-1 ... Command-4: the view modes.
    bool viewSelectionKeyEvent(const QKeyEvent* event);
    // Home, End, space, the arrows and the page keys (Qt key codes).
    void navigate(int key);
    // Gives the search field the keyboard (with the key event that asked for it).
    void gotoSearchField();

    // ---- tracking the mouse (window with its title bar, table, font list, sheet)
    enum TrackingArea : int { NoArea = 0, WindowArea = 1, ViewArea = 2, FontListArea = 3, SheetArea = 4 };
    void setupViewTracking();
    void removeTrackingRects();
    void setSheetTracking(QWidget* sheet, bool enable);
    // The tracking events and their handlers.
    void mouseEntered(int area);
    void mouseExited(int area);
    void windowEntered();
    void windowExited();
    void fontsEntered();
    void fontsExited();
    void viewEntered();
    void viewExited();
    void sheetEntered();
    void sheetExited();
    // A menu was opened or closed anywhere on the display.
    void menuOpened();
    void menuClosed();
    // Makes the palette take the keys (true) or gives them back.
    void activateWindow(bool activate);
    void startClosing();
    void stopClosing();
    void setMiniaturized(bool miniaturized);
    // Whether an area's tracking is installed.
    bool isTracking(int area) const;
    bool mouseInWindow() const { return inWindow_; }
    bool mouseInView() const { return inView_; }
    bool mouseInSheet() const { return inSheet_; }
    bool mouseInFonts() const { return inFonts_; }
    bool menuOpen() const { return menuOpen_; }
    bool contextMenuOpen() const { return contextMenuOpen_; }
    bool isMiniaturized() const { return isMiniaturized_; }

    // ---- after an insertion from the table
    void afterPosting();

    // ---- drawing
    // The table is drawn dark: the override when set, else the setting.
    bool isDarkTable() const;
    void setDarkTableOverride(std::optional<bool> dark);
    QColor backgroundColor() const;
    // Draws the part `region` (viewport coordinates) of the visible table.
    void drawRect(QPainter& painter, const QRegion& region);
    // The visible table as an image of the viewport's size.
    QImage renderViewport();
    // Draws glyph bounding boxes and baselines (a debugging aid for all views).
    static void showBoundingBox(bool on);
    static bool showsBoundingBox();

    // ---- character information
    // The tool tip's text; "" for character 0.
    QString tooltipTextForCharacter(char32_t c);
    void showTooltipForCharacter(char32_t c);
    void displayCharacterInfo(char32_t c) { showTooltipForCharacter(c); }

    // ---- group headers
    // A press on a group's header (`eventType` 1 left, 3 right; modifiers in the stored
    // form, Command 0x100000 ... Shift 0x20000).
    void headerClick(std::size_t groupPosition, const QPointF& tablePoint, int clickCount, int eventType,
                     std::uint32_t modifierFlags, const QPoint& globalPoint);
    // The header menu ("Runebox": the three copy commands) of a group.
    std::unique_ptr<QMenu> headerMenu(std::size_t groupPosition);
    void copyAllCharacters(std::size_t groupPosition);
    void copyCharacterDescriptions(std::size_t groupPosition, bool asTable);
    void copyCharacterDescriptionsAsText(std::size_t groupPosition) { copyCharacterDescriptions(groupPosition, false); }
    void copyCharacterDescriptionsAsTable(std::size_t groupPosition) { copyCharacterDescriptions(groupPosition, true); }

    // ---- copying one character (each publishes one string directly)
    // The character a command's sender carries: an integer value, else 0.
    static char32_t characterFromSender(const QVariant& sender);
    void copyCharacterPlain(char32_t c);
    void copyCharacterHTML(char32_t c);
    void copyCharacterUnicodeDecimal(char32_t c);
    void copyCharacterUnicodeHex(char32_t c);
    void copyCharacterSwift(char32_t c);
    void copyCharacterName(char32_t c);
    void copyCharacterDescription(char32_t c);

    // ---- posting
    // Posts the character (or the string) in the font shown, down the insertion road.
    void postCharacter(char32_t c, const QString& s);
    RbxCharacterPosting& posting() const { return *posting_; }

    // ---- settings
    void defaultChanged(const QString& key) override;

signals:
    // The table was laid out anew.
    void layoutChanged();
    // A new font brought the size adjustment of its family (for the size slider).
    void customSizeLoaded(float adjustment);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    // Pinch and swipe gestures are only logged.
    bool viewportEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QString observerClassName() const override { return QStringLiteral("RbxCharView"); }

private:
    friend class RbxCharViewPainter;
    void updateScrollRange();
    void setScrollValue(double value);
    void scrollRectToVisible(const QRectF& tableRect);
    RbxTableEnvironment environment() const;
    double favoritesHintHeight(double width) const;
    void handlePress(QMouseEvent* event, int clickCount);
    void openPictureMenu(std::unique_ptr<QMenu> menu, const QRectF& cellInViewport);
    void closeMagnifierLater();
    void repostKeyEvent(QWidget* target, const QKeyEvent& event);
    void trackWidget(int area, QWidget* widget);
    void untrack(int area);
    void checkTitleBarExit();
    void watchModifiers(bool on);
    bool windowHasSheet() const;
    bool logFocus() const;
    void noteMenuState(bool open);

    RbxCharTable table_;
    rbx::Font font_;
    RbxFontTuning tuning_;
    kx::CharSet scaleCharacters_;
    rbx::Font displayFont_;
    rbx::qt::FaceMetrics displayMetrics_;
    // The colour emoji font at the size of the cells, and its box.
    rbx::Font emojiFont_;
    QSizeF emojiBox_;
    double emojiDescender_ = 0;
    bool characterShadow_ = false;
    bool showingRecentLayout_ = false;

    std::size_t selectedCharIndex_ = kx::NotFound;
    int clickButton_ = NoClick;
    bool updateSuppressed_ = false;
    // Monotonic milliseconds; 0 = not set.
    qint64 updateSuppressedUntilMs_ = 0;
    qint64 nextSelectionUpdateMs_ = 0;
    QPointF prevMouseLocation_{-1, -1};
    std::shared_ptr<const RbxMouseLocator> mouse_;
    std::shared_ptr<const RbxModifierSource> modifiers_;
    std::shared_ptr<RbxMagnifierPopover> magnifier_;
    bool shouldHideMagnifier_ = false;
    QTimer* autoScrollTimer_ = nullptr;

    // Where the mouse is (tracking).
    bool inWindow_ = false, inView_ = false, inFonts_ = false, inSheet_ = false;
    bool menuOpen_ = false, contextMenuOpen_ = false, isMiniaturized_ = false;
    // The widgets of the tracked areas (index by TrackingArea).
    std::array<QPointer<QWidget>, 5> tracked_;
    // Polls while the mouse is over the window's title bar, which reports no crossing.
    QTimer* titleBarTimer_ = nullptr;
    // Looks at Shift while the mouse is in the window: the palette gets no key events of
    // its own, and Shift shows or hides the magnifier at once.
    QTimer* modifierTimer_ = nullptr;
    bool shiftHeld_ = false;
    bool autoSaveAnchor_ = true;
    double scrollUnit_ = 1;
    std::optional<bool> darkOverride_;

    std::shared_ptr<RbxCharViewController> controller_;
    std::shared_ptr<RbxCharacterPosting> posting_;
    std::shared_ptr<RbxCharViewSources> sources_;
    RbxCellTextCache cellTexts_;
    std::unique_ptr<KXToolTip> tooltip_;
};
