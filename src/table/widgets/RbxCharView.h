#pragma once
// The character table view: the groups of one font in a vertical scroll area. The table
// itself (RbxCharTable) keeps its own coordinates (y up, the bottom of the table at 0, a
// scroll position naming the visible top); this view converts at painting and event
// handling and paints only the part of the table that is visible.
//
// One table view serves the process: the last one made registers itself as view().
// Upward calls (the window controller, posting, the clipboard) and the model's character
// sets go through the interfaces of RbxCharViewHooks.h; without them the view draws with
// what it knows and the calls do nothing. Main thread only.

#include "kxlib/KXDefaultObserver.h"
#include "kxlib/core/CharSet.h"
#include "kxlib/core/Types.h"
#include "platform/fonts/Font.h"
#include "table/core/RbxCharTable.h"
#include "table/widgets/RbxCellText.h"
#include "table/widgets/RbxCharViewHooks.h"
#include "table/widgets/RbxQtFonts.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class KXToolTip;
class QMenu;
class QTimer;

class RbxCharView : public QAbstractScrollArea, public KXDefaultObserver {
    Q_OBJECT
public:
    // Values of clickButton().
    enum ClickButton : int { NoClick = 0, LeftClick = 1, RightClick = 2, OtherClick = 3, ProgrammaticClick = 99 };

    explicit RbxCharView(QWidget* parent = nullptr);
    ~RbxCharView() override;

    // The table view of the process (the last one made that still exists), or nullptr.
    static RbxCharView* view();

    // ---- the layers above and the model's sets (null: the do-nothing default)
    void setController(std::shared_ptr<RbxCharViewController> controller);
    void setPosting(std::shared_ptr<RbxCharViewPosting> posting);
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
    // Recent insertions, for the diagnostics report.
    QStringList& insertionLog() { return insertionLog_; }

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

    // ---- selection
    std::size_t selectedCharIndex() const { return selectedCharIndex_; }
    // Selects a global index (kx::NotFound deselects), redraws both cells and shows the
    // character's information; during a press the cell is scrolled into view.
    void selectCharacterAtIndex(std::size_t index);
    char32_t selectedCharacter() const;
    // Marks the selected cell for redrawing.
    void invalidateSelection();
    void invalidateCharacterAtIndex(std::size_t index);
    int clickButton() const { return clickButton_; }
    void setClickButton(int button);
    bool duringClick() const { return clickButton_ != NoClick; }
    // The hover selection is frozen (the cell stays drawn pressed).
    void setUpdateSuppressed(bool suppressed);
    bool updateSuppressed() const { return updateSuppressed_; }

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
    // Posts the character (or the string) through the posting interface.
    void postCharacter(char32_t c, const QString& s);

    // ---- settings
    void defaultChanged(const QString& key) override;

    // ---- scrolling while a press is held
    void startAutoScrolling();
    void stopAutoScrolling();
    bool isAutoScrolling() const;
    // One step: when the mouse is above or below the viewport, scrolls towards it by the
    // distance (at most a row) and selects the cell under the mouse.
    void triggerAutoScroll();

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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    QString observerClassName() const override { return QStringLiteral("RbxCharView"); }

private:
    friend class RbxCharViewPainter;
    void updateScrollRange();
    void setScrollValue(double value);
    void scrollRectToVisible(const QRectF& tableRect);
    RbxTableEnvironment environment() const;
    double favoritesHintHeight(double width) const;
    void handlePress(QMouseEvent* event, int clickCount);
    void hoverSelect(const QPoint& viewportPoint);

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
    bool autoSaveAnchor_ = true;
    double scrollUnit_ = 1;
    std::optional<bool> darkOverride_;

    std::shared_ptr<RbxCharViewController> controller_;
    std::shared_ptr<RbxCharViewPosting> posting_;
    std::shared_ptr<RbxCharViewSources> sources_;
    RbxCellTextCache cellTexts_;
    std::unique_ptr<KXToolTip> tooltip_;
    QTimer* autoScrollTimer_ = nullptr;
    QStringList insertionLog_;
};
