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
#include "table/widgets/RbxColorGlyphPictures.h"
#include "table/widgets/RbxCharViewHooks.h"
#include "table/widgets/RbxQtFonts.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QRegion>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class KXToolTip;
class QKeyEvent;
class QMenu;
class QTimer;
class RbxCharKeys;
class RbxCharSelection;
class RbxCharTracking;

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

    // ---- the objects the view holds: its selection (with the hover selection and the
    // magnifier), its tracking of the mouse, its keys
    RbxCharSelection& selection() { return *selection_; }
    const RbxCharSelection& selection() const { return *selection_; }
    RbxCharTracking& tracking() { return *tracking_; }
    const RbxCharTracking& tracking() const { return *tracking_; }
    RbxCharKeys& keys() { return *keys_; }

    // ---- selection (global indexes; kx::NotFound is none)
    std::size_t selectedCharIndex() const;
    char32_t selectedCharacter() const;
    void selectCharacterAtIndex(std::size_t index);
    RbxMagnifierPopover& magnifierPopover() const;
    // Marks a cell for redrawing.
    void invalidateCharacterAtIndex(std::size_t index);
    // Where the mouse is, in global coordinates, read outside the event stream.
    QPoint globalMouseLocation() const;
    // The mouse location in viewport coordinates.
    QPointF currentMouseLocation() const;
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

    // ---- tracking the mouse (the palette's own calls; the rest is tracking()'s)
    void setupViewTracking();
    void setSheetTracking(QWidget* sheet, bool enable);
    void setMiniaturized(bool miniaturized);

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

    // A command of the context menu on a character: the copies here, the others through
    // the window controller.
    void performMenuCommand(RbxMenuCommand command, char32_t c);

    // ---- posting
    // Posts the character (or the string) in the font shown, down the insertion road.
    void postCharacter(char32_t c, const QString& s);
    // Posts a string chosen in a picture menu as its first code point and the whole
    // string, then updates the table as after a click; the delayed form waits 0.1 s, for
    // the menu to close.
    void postSkinnedString(const QString& s);
    Q_INVOKABLE void delayedPostSkinnedString(const QVariant& string);
    RbxCharacterPosting& posting() const { return *posting_; }

    // ---- settings
    void defaultChanged(const QString& key) override;

signals:
    // The table was laid out anew.
    void layoutChanged();
    // A new font brought the size adjustment of its family (for the size slider).
    void customSizeLoaded(float adjustment);
    // The viewport has drawn the table.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    // Pinch and swipe gestures are only logged.
    bool viewportEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    QString observerClassName() const override { return QStringLiteral("RbxCharView"); }

private:
    friend class RbxCharViewPainter;
    friend class RbxCharSelection;
    // The table stopped repainting for a while.
    void settled();
    void updateScrollRange();
    void setScrollValue(double value);
    void scrollRectToVisible(const QRectF& tableRect);
    RbxTableEnvironment environment() const;
    void handlePress(QMouseEvent* event, int clickCount);
    // The picture menu over a cell's hot corner, and its end.
    void openPictureMenu(std::unique_ptr<QMenu> menu, const QRectF& cellInViewport);
    bool openPictureMenuAt(char32_t c, const QPointF& tablePoint);
    // Whether the character is an emoji of the colour emoji font that takes a skin tone
    // (its hot corner shows the dot). Those are worked out by measuring the emoji font, so
    // only a character of that font asks for them.
    bool takesSkinTone(char32_t c) const;
    // The colour emoji font sized for the cells, worked out before the first emoji is
    // drawn after each layout: a table without emoji never measures that font.
    void sizeEmojiFont();

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
    bool emojiSized_ = false;  // emojiFont_, emojiBox_ and emojiDescender_ fit the cells
    bool characterShadow_ = false;
    bool showingRecentLayout_ = false;

    std::shared_ptr<const RbxMouseLocator> mouse_;
    std::shared_ptr<const RbxModifierSource> modifiers_;
    QTimer* autoScrollTimer_ = nullptr;
    // Runs once the table stopped repainting: what is not shown goes (settled()).
    QTimer* settledTimer_ = nullptr;
    bool autoSaveAnchor_ = true;
    double scrollUnit_ = 1;
    std::optional<bool> darkOverride_;

    std::shared_ptr<RbxCharViewController> controller_;
    std::shared_ptr<RbxCharacterPosting> posting_;
    std::shared_ptr<RbxCharViewSources> sources_;
    RbxCellTextCache cellTexts_;
    RbxColorGlyphPictures colorPictures_;
    std::unique_ptr<KXToolTip> tooltip_;
    std::unique_ptr<RbxCharSelection> selection_;
    std::unique_ptr<RbxCharTracking> tracking_;
    std::unique_ptr<RbxCharKeys> keys_;
};
