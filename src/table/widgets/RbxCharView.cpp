// The table view: binding a font and its groups, cell size and layout, scrolling.
#include "table/widgets/RbxCharView.h"

#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "kxlib/gui/KXToolTip.h"
#include "platform/fonts/FontBackend.h"
#include "table/core/RbxCellGlyphs.h"
#include "table/core/RbxCellSizing.h"
#include "table/core/RbxGeometry.h"
#include "table/core/RbxTools.h"
#include "table/widgets/RbxCharKeys.h"
#include "table/widgets/RbxCharViewAccessible.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxCharTracking.h"
#include "table/widgets/RbxQtFonts.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QNativeGestureEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <malloc.h>

using namespace rbx::geom;

namespace {

// The scroll bar's range stays well inside int.
constexpr double MaxScrollUnits = 1e9;

std::vector<QPointer<RbxCharView>>& registeredViews() {
    static std::vector<QPointer<RbxCharView>> views;
    return views;
}

RbxDefaults& settings() { return RbxDefaults::userDefaults(); }

// The favourites hint as the drawing sets it: 12 pixels, wrapped, 20 points in from each side.
class FavoritesHintText : public RbxFavoritesHint {
public:
    double height(double width) const override {
        QFont font = QApplication::font();
        font.setPixelSize(12);
        const QFontMetricsF fm(font);
        const double w = std::max(1.0, width - 40);
        const QRectF r = fm.boundingRect(QRectF(0, 0, w, 1e6), Qt::AlignHCenter | Qt::TextWordWrap,
                                         RbxCharGroup::favoritesHint());
        return std::ceil(r.height());
    }
};

// A view without an insertion road: a click posts nothing.
class NoPosting : public RbxCharacterPosting {
public:
    void postCharacter(char32_t, const QString&, const rbx::Font&) override {}
    const QStringList& insertionLog() const override { return log_; }

private:
    QStringList log_;
};

// The pointer and the keyboard as they are now.
class PointerLocation : public RbxMouseLocator {
public:
    QPoint globalMouseLocation() const override { return QCursor::pos(); }
};

class KeyboardModifiers : public RbxModifierSource {
public:
    std::uint32_t currentModifierFlags() const override {
        return kx::modifier::fromQt(QGuiApplication::queryKeyboardModifiers());
    }
};

bool traceCalcFont() { return settings().boolForKey(rbx::key::logCalcFont) || RbxTools::debugging(1); }

constexpr int SettledAfterMs = 1000;

QString sizeText(const QSizeF& s) { return QStringLiteral("{%1, %2}").arg(s.width()).arg(s.height()); }

} // namespace

RbxCharView::RbxCharView(RbxCharViewServices services, QWidget* parent)
    : QAbstractScrollArea(parent),
      mouse_(services.mouse ? std::move(services.mouse) : std::make_shared<PointerLocation>()),
      modifiers_(services.modifiers ? std::move(services.modifiers) : std::make_shared<KeyboardModifiers>()),
      controller_(std::make_shared<RbxCharViewController>()),
      posting_(services.posting ? std::move(services.posting) : std::make_shared<NoPosting>()),
      sources_(std::make_shared<RbxCharViewSources>()),
      selection_(std::make_unique<RbxCharSelection>(*this)),
      tracking_(std::make_unique<RbxCharTracking>(*this)),
      keys_(std::make_unique<RbxCharKeys>(*this)) {
    rbxaccessible::installCharViewFactory();
    // After an insertion the palette takes the keys again while the mouse is in it.
    connect(posting_.get(), &RbxCharacterPosting::activationDue, this, [this] {
        if (tracking_->mouseInWindow()) tracking_->activateWindow(true);
    });
    registeredViews().emplace_back(this);
    settings().addObserver(this);
    setFrameShape(QFrame::NoFrame);
    // Always shown, so that the width of the table does not change with its height.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
    settledTimer_ = new QTimer(this);
    settledTimer_->setSingleShot(true);
    settledTimer_->setInterval(SettledAfterMs);
    connect(settledTimer_, &QTimer::timeout, this, &RbxCharView::settled);
}

// A scroll through thousands of characters lays out texts by the thousand, in faces by the
// dozen: once the table stopped repainting, only what it shows is kept (with the font
// engines and the faces it is drawn with), and the heap is asked to give back the pages
// that freed.
void RbxCharView::settled() {
    cellTexts_.keepOnlyShown();
    colorPictures_.keepOnlyShown();
    rbx::qt::releaseDrawingFonts();
    rbx::FontFace::closeUnusedFaces();
    malloc_trim(0);
}

RbxCharView::~RbxCharView() {
    // The tracking lets go of the widgets it watches, the selection closes the magnifier.
    tracking_.reset();
    selection_.reset();
    settings().removeObserver(this);
    auto& views = registeredViews();
    views.erase(std::remove_if(views.begin(), views.end(), [this](const QPointer<RbxCharView>& v) {
                    return v.isNull() || v.data() == this;
                }),
                views.end());
}

RbxCharView* RbxCharView::view() {
    auto& views = registeredViews();
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if (!it->isNull()) return it->data();
    return nullptr;
}

void RbxCharView::setController(std::shared_ptr<RbxCharViewController> controller) {
    controller_ = controller ? std::move(controller) : std::make_shared<RbxCharViewController>();
    viewport()->update();
}

void RbxCharView::setSources(std::shared_ptr<RbxCharViewSources> sources) {
    sources_ = sources ? std::move(sources) : std::make_shared<RbxCharViewSources>();
    calculateSize();
}

// ---------------------------------------------------------------- binding

void RbxCharView::setFont(const rbx::Font& font, const RbxFontTuning& tuning) {
    if (RbxTools::debugging(0)) kx::log(QStringLiteral("view:setFontInfo: %1").arg(font.postScriptName()));
    font_ = font;
    tuning_ = tuning;
    scaleCharacters_.clear();
    for (char32_t c : tuning_.scaleCharacters) scaleCharacters_.addCharacter(c);
    cellTexts_.clear();
    emit customSizeLoaded(customSize());
    defineRecentCharactersToHilite();
    calculateSize();
}

bool RbxCharView::updateRecentGroup(std::vector<char32_t> recentCharacters) {
    auto& groups = table_.groups();
    // The group that holds the scroll anchor: the first one reaching the visible top.
    const std::size_t anchorGroup = table_.indexOfFirstVisibleGroup(maxY(scrollArea()));
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].groupKind() != RbxRecentGroupKind) continue;
        groups[i].group().setCharacters(std::move(recentCharacters));
        // Above the group of the anchor, the recent group may grow or shrink without
        // moving what is in view: the anchor keeps the character under the pointer where
        // it was. In view, the table keeps its distance from the top.
        if (i < anchorGroup) calculateSize();
        else recalculateSize();
        return true;
    }
    return false;
}

float RbxCharView::customSize() const {
    return font_ ? settings().sizeAdjustmentForFontFamily(font_.familyName()) : 0.0f;
}

void RbxCharView::customSizeChanged(float adjustment) {
    if (!font_) return;
    settings().setSizeAdjustment(adjustment, font_.familyName());
    // The store announces only keys it has seen before; the first adjustment ever made
    // would otherwise wait for the next layout.
    calculateSize();
}

void RbxCharView::updateAfterSizeReset() {
    emit customSizeLoaded(0);
    customSizeChanged(0);
}

void RbxCharView::setGroups(const std::vector<std::shared_ptr<RbxCharGroup>>& groups, bool recentLayout) {
    showingRecentLayout_ = recentLayout;
    selection_->forget();
    table_.setGroups(groups);
    defineRecentCharactersToHilite();
    calculateSize();
    scrollToAnchorCharacter();
}

void RbxCharView::defineRecentCharactersToHilite() {
    // While "hilite recent characters" is on, every recent character the font has is
    // marked; an empty list counts as none.
    std::optional<std::vector<char32_t>> recent;
    if (settings().boolForKey(rbx::key::hiliteRecentCharacters)) {
        recent = sources_->recentCharacters(font_);
        if (recent && recent->empty()) recent.reset();
    }
    for (auto& g : table_.groups()) g.group().setRecentCharactersToHilite(recent);
}

// ---------------------------------------------------------------- cell size and layout

QSizeF RbxCharView::characterSize() const {
    if (!font_) return rbx::cells::characterSize(std::nullopt, false);
    RbxFontMeasures m = rbx::qt::measures(font_);
    m.tuningRelativeWidth = tuning_.relativeWidth;
    m.tuningZoomX = tuning_.zoomX;
    m.tuningZoomY = tuning_.zoomY;
    return rbx::cells::characterSize(m, settings().boolForKey(rbx::key::logCalcFont));
}

std::size_t RbxCharView::charactersToFit() const { return table_.charactersToFit(settings().boolForKey(rbx::key::fitAscii)); }

double RbxCharView::adjustmentFactorForSize(const QSizeF& size) const {
    double familyFactor = 1;
    if (font_) {
        const float a = settings().sizeAdjustmentForFontFamily(font_.familyName());
        if (a != 0) familyFactor = RbxDefaults::fontSizeFactorForAdjustment(a);
    }
    return rbx::cells::adjustmentFactorForSize(size, charactersToFit(), viewport()->size(),
                                               settings().doubleForKey(rbx::key::relativeFontSize), familyFactor,
                                               settings().boolForKey(rbx::key::logCalcFont));
}

RbxTableEnvironment RbxCharView::environment() const {
    RbxTableEnvironment env;
    env.visibleSize = viewport()->size();
    env.recentLines = settings().integerForKey(rbx::key::recentLines);
    env.fitAscii = settings().boolForKey(rbx::key::fitAscii);
    static const FavoritesHintText hint;
    env.favoritesHint = &hint;
    return env;
}

void RbxCharView::calculateSize() {
    const bool trace = traceCalcFont();
    QSizeF size = characterSize();
    double f = adjustmentFactorForSize(size);
    rbx::Font display;
    if (font_) {
        const auto ds = rbx::cells::displayFontSize(font_.pointSize(), f, charactersToFit() >= 1,
                                                    int(settings().doubleForKey(rbx::key::minimumFitSize)));
        f = ds.factor;
        if (ds.pointSize > 0 && std::isfinite(ds.pointSize)) display = font_.withPointSize(ds.pointSize);
    }
    if (trace) {
        kx::log(QStringLiteral("calculate font: %1 %2").arg(display.postScriptName()).arg(display.pointSize()));
        kx::log(QStringLiteral("charSize = %1, adjustment = %2").arg(sizeText(size)).arg(f, 0, 'f', 1));
    }
    displayFont_ = display;
    displayMetrics_ = rbx::qt::metrics(displayFont_);
    size = QSizeF(size.width() * f, size.height() * f);
    table_.layout(size, viewport()->width(), environment());
    characterShadow_ = settings().boolForKey(rbx::key::characterShadow);

    // The colour emoji font is sized for these cells when the first emoji is drawn.
    emojiSized_ = false;
    emojiFont_ = {};
    emojiBox_ = {};
    emojiDescender_ = 0;
    cellTexts_.setFonts(displayFont_, emojiFont_);

    autoSaveAnchor_ = false;
    updateScrollRange();
    scrollToAnchorCharacter();
    viewport()->update();
    autoSaveAnchor_ = true;
    if (trace) kx::log(QStringLiteral("size calculated(%1), %2 groups").arg(f, 0, 'f', 1).arg(table_.groups().size()));
    emit layoutChanged();
}

void RbxCharView::sizeEmojiFont() {
    if (emojiSized_) return;
    emojiSized_ = true;
    // The colour emoji font at 80 % of the size at which its box fills the cell.
    const QSizeF cell = table_.charSize();
    if (const rbx::Font emoji100 = sources_->colorEmojiFont(100)) {
        const auto m = rbx::qt::metrics(emoji100);
        const double W = m.boundingRect.width(), H = m.boundingRect.height();
        if (W > 0 && H > 0 && cell.width() > 0 && cell.height() > 0) {
            const double size100 = rbx::cells::emojiFontSize(cell, QSizeF(W, H), 80);
            emojiFont_ = emoji100.withPointSize(size100);
            emojiBox_ = QSizeF(W * size100 / 100, H * size100 / 100);
            emojiDescender_ = m.descender * size100 / 100;
        }
    }
    cellTexts_.setEmojiFont(emojiFont_);
}

void RbxCharView::recalculateSize() {
    const double oldHeight = table_.tableHeight();
    const double oldTop = maxY(scrollArea());
    calculateSize();
    scrollToY(table_.topKeepingDistance(oldHeight, oldTop));
    viewport()->update();
}

void RbxCharView::expandAllGroups(bool expanded) {
    table_.expandAllGroups(expanded);
    recalculateSize();
}

// ---------------------------------------------------------------- scrolling

void RbxCharView::updateScrollRange() {
    const double viewportHeight = viewport()->height();
    const double maxValue = std::max(0.0, double(table_.tableHeight()) - viewportHeight);
    scrollUnit_ = maxValue > MaxScrollUnits ? maxValue / MaxScrollUnits : 1.0;
    QScrollBar* bar = verticalScrollBar();
    const QSignalBlocker block(bar);
    bar->setRange(0, int(std::ceil(maxValue / scrollUnit_)));
    bar->setPageStep(std::max(1, int(viewportHeight / scrollUnit_)));
    // One arrow click scrolls one row.
    bar->setSingleStep(std::max(1, int(std::lround(table_.charSize().height() / scrollUnit_))));
}

double RbxCharView::scrollValue() const {
    const double maxValue = std::max(0.0, double(table_.tableHeight()) - viewport()->height());
    return std::clamp(verticalScrollBar()->value() * scrollUnit_, 0.0, maxValue);
}

void RbxCharView::setScrollValue(double value) {
    QScrollBar* bar = verticalScrollBar();
    const int units = int(std::clamp(std::round(value / scrollUnit_), 0.0, double(bar->maximum())));
    if (units != bar->value()) bar->setValue(units);
}

QRectF RbxCharView::scrollArea() const {
    return table_.visibleRectForScrollValue(scrollValue(), viewport()->size());
}

void RbxCharView::scrollToY(double y) { setScrollValue(table_.scrollValueForY(y, viewport()->size())); }

void RbxCharView::scrollToCharacter(char32_t c) { scrollToY(table_.yForCharacter(c)); }

void RbxCharView::scrollToGroup(std::size_t position) {
    if (position >= table_.groups().size()) return;
    scrollToY(table_.groups()[position].top());
    saveAnchorCharacter();
}

void RbxCharView::saveAnchorCharacter() { table_.saveAnchorCharacter(maxY(scrollArea())); }

void RbxCharView::scrollToAnchorCharacter() {
    selection_->reselectAfterDelay();
    // Groups that no layout made keep no anchor: they are shown from the top.
    const auto& groups = table_.groups();
    const bool anchored = std::any_of(groups.begin(), groups.end(), [](const RbxTableGroup& g) {
        return bool(g.group().layout());
    });
    scrollToY(anchored ? table_.anchorTop() : double(table_.tableHeight()));
}

void RbxCharView::scrollRectToVisible(const QRectF& r) {
    const QRectF visible = scrollArea();
    if (maxY(r) > maxY(visible)) scrollToY(maxY(r));
    else if (minY(r) < minY(visible)) scrollToY(minY(r) + visible.height());
}

void RbxCharView::scrollContentsBy(int, int) {
    viewport()->update();
    selection_->selectionRectChanged();
    if (autoSaveAnchor_) saveAnchorCharacter();
}

void RbxCharView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    calculateSize();
    scrollToAnchorCharacter();
}

void RbxCharView::wheelEvent(QWheelEvent* event) {
    // Only vertical movement scrolls; a purely sideways wheel does nothing.
    if (float(event->angleDelta().y()) == 0 && float(event->pixelDelta().y()) == 0) {
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
    selection_->reselectAfterScrolling();
}

bool RbxCharView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::NativeGesture) return QAbstractScrollArea::viewportEvent(event);
    const auto* gesture = static_cast<QNativeGestureEvent*>(event);
    if (gesture->gestureType() == Qt::ZoomNativeGesture)
        kx::log(QStringLiteral("magnify %1").arg(gesture->value(), 0, 'f', 3));
    else if (gesture->gestureType() == Qt::SwipeNativeGesture)
        kx::log(QStringLiteral("swipe x=%1 y=%2").arg(gesture->delta().x(), 0, 'f', 3).arg(gesture->delta().y(), 0, 'f', 3));
    event->accept();
    return true;
}

void RbxCharView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    tracking_->setupViewTracking();
}

void RbxCharView::hideEvent(QHideEvent* event) {
    QAbstractScrollArea::hideEvent(event);
    // A table nobody sees selects nothing: its selection, magnifier and tool tip end.
    selection_->tableHidden();
}

// ---------------------------------------------------------------- coordinates

QPointF RbxCharView::tablePointFromViewport(const QPointF& p) const {
    return table_.tablePointFromViewport(p, scrollValue());
}

QRectF RbxCharView::viewportRectFromTable(const QRectF& r) const {
    return table_.viewportRectFromTable(r, scrollValue());
}

std::size_t RbxCharView::indexOfCharacterAtViewportPoint(const QPoint& p) const {
    if (!viewport()->rect().contains(p)) return kx::NotFound;
    return table_.indexOfCharacterAtPoint(tablePointFromViewport(QPointF(p) + QPointF(0.5, 0.5)));
}

const RbxTableGroup* RbxCharView::groupAtPoint(const QPointF& p) const { return table_.groupAtPoint(p, scrollArea()); }

bool RbxCharView::isGroupVisible(const RbxTableGroup& group) const {
    return RbxCharTable::isGroupVisible(group, scrollArea());
}

std::size_t RbxCharView::indexOfFirstVisibleGroup() const {
    return table_.indexOfFirstVisibleGroup(maxY(scrollArea()));
}

// ---------------------------------------------------------------- the held objects' parts

std::size_t RbxCharView::selectedCharIndex() const { return selection_->selectedCharIndex(); }

char32_t RbxCharView::selectedCharacter() const { return selection_->selectedCharacter(); }

void RbxCharView::selectCharacterAtIndex(std::size_t index) { selection_->selectCharacterAtIndex(index); }

RbxMagnifierPopover& RbxCharView::magnifierPopover() const { return selection_->magnifierPopover(); }

void RbxCharView::invalidateCharacterAtIndex(std::size_t index) {
    const QRectF cell = rectForCharacterAtIndex(index);
    if (cell.isEmpty()) return;
    viewport()->update(viewportRectFromTable(cell).toAlignedRect().adjusted(-1, -1, 1, 1));
}

QPoint RbxCharView::globalMouseLocation() const { return mouse_->globalMouseLocation(); }

QPointF RbxCharView::currentMouseLocation() const { return QPointF(viewport()->mapFromGlobal(globalMouseLocation())); }

std::uint32_t RbxCharView::currentModifierFlags() const { return modifiers_->currentModifierFlags(); }

void RbxCharView::setupViewTracking() { tracking_->setupViewTracking(); }

void RbxCharView::setSheetTracking(QWidget* sheet, bool enable) { tracking_->setSheetTracking(sheet, enable); }

void RbxCharView::setMiniaturized(bool miniaturized) { tracking_->setMiniaturized(miniaturized); }

void RbxCharView::keyPressEvent(QKeyEvent* event) {
    if (!keys_->handleKey(event)) event->ignore();
}

void RbxCharView::keyReleaseEvent(QKeyEvent* event) {
    keys_->keyReleased(event);
    event->ignore();
}

// ---------------------------------------------------------------- settings

void RbxCharView::defaultChanged(const QString& key) {
    static const QStringList relayout = {QStringLiteral("relativeFontSize"), QStringLiteral("fontSizeAdjustment"),
                                         QStringLiteral("fitAscii"), QStringLiteral("minimumFitSize"),
                                         QStringLiteral("characterShadow")};
    if (relayout.contains(key)) {
        calculateSize();
    } else if (key == QLatin1String("hilite recent characters") || key == QLatin1String("recentLines")) {
        defineRecentCharactersToHilite();
        calculateSize();
    } else if (key == QLatin1String("darkTable")) {
        viewport()->update();
    } else if (key == QLatin1String("fontNameInFont")) {
        // The font list shows its names in their own fonts or not.
        if (QWidget* list = controller().fontListView()) {
            if (auto* area = qobject_cast<QAbstractScrollArea*>(list)) area->viewport()->update();
            else list->update();
        }
    }
}

// ---------------------------------------------------------------- posting

void RbxCharView::postCharacter(char32_t c, const QString& s) { posting_->postCharacter(c, s, font_); }

rbx::Font RbxCharViewSources::colorEmojiFont(double size) {
    const QString name = rbx::FontBackend::shared().defaultColorEmojiFontName();
    return name.isEmpty() ? rbx::Font() : rbx::FontBackend::shared().font(name, size);
}
