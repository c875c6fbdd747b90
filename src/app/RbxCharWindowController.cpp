#include "app/RbxCharWindowController.h"

#include "app/FrontApplication.h"
#include "app/PaletteAlerts.h"
#include "app/PaletteFocus.h"
#include "app/PaletteFontFollower.h"
#include "app/PaletteContent.h"
#include "app/PaletteFader.h"
#include "app/PaletteFontControls.h"
#include "app/PaletteInsertModes.h"
#include "app/PaletteViews.h"
#include "app/PaletteFontList.h"
#include "app/PaletteFrameKeeper.h"
#include "app/PalettePresenter.h"
#include "app/PreferencesSheet.h"
#include "app/PaletteSearch.h"
#include "app/PaletteFontTable.h"
#include "app/PaletteCharacterActions.h"
#include "app/FontListTableView.h"
#include "app/RbxSearchField.h"
#include "app/WritesAfterPaint.h"
#include "app/PaletteTable.h"
#include "app/RbxPositionLog.h"
#include "app/SystemFont.h"
#include "core/Clock.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXToolTip.h"
#include "model/FontExtensions.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontList.h"
#include "table/widgets/RbxCharTracking.h"
#include "table/widgets/RbxCharView.h"

#include "platform/x11/KeyboardFocus.h"

#include <QCursor>
#include <QGuiApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QUrlQuery>
#include <QSplitter>

namespace {
RbxCharWindowController*& sharedController() {
    static RbxCharWindowController* c = nullptr;
    return c;
}
} // namespace

RbxCharWindowController* RbxCharWindowController::windowController() { return sharedController(); }

RbxCharWindowController::RbxCharWindowController(RbxDefaults& settings, PaletteTable& table, PaletteFontList& fonts,
                                                 FrontApplication& front, PaletteFrontServices services,
                                                 QObject* parent)
    : QObject(parent), settings_(settings), table_(table), fonts_(fonts), front_(front) {
    processChangeTimer_.setSingleShot(true);
    processChangeTimer_.setTimerType(Qt::PreciseTimer);  // a coarse one may fire 5 % early
    processChangeTimer_.setInterval(ProcessChangeDelayMs);
    connect(&processChangeTimer_, &QTimer::timeout, this, &RbxCharWindowController::checkFrontProcessAndFonts);
    window_ = new RbxCharWindow(this);
    window_->setWindowTitle(QStringLiteral("Runebox"));
    focus_ = services.focus ? services.focus
                            : std::make_shared<PaletteFocus>(std::shared_ptr<KeyboardFocus>(&KeyboardFocus::shared(),
                                                                                            [](KeyboardFocus*) {}));
    focus_->attachWindow(*window_);
    content_ = new PaletteContent(window_);
    content_->setCharView(table_.view());
    writesAfterPaint_ = new WritesAfterPaint(settings_.platformDefaults().domain(), table_.view()->viewport(), this);
    fader_ = new PaletteFader(*this, this);
    sheets_ = new SheetHost(*this, this);
    frameKeeper_ = new PaletteFrameKeeper(window_, settings_, RbxPositionLog::shared(), this);
    presenter_ = new PalettePresenter(*this);
    insertModes_ = new PaletteInsertModes(settings_, *content_, this);
    fontControls_ = new PaletteFontControls(*this, settings_, fonts_, *content_, this);
    views_ = new PaletteViews(*this, settings_, *content_, table_, *table_.layoutPopUp(), this);
    search_ = new PaletteSearch(settings_, table_, *content_, fonts_, window_, this);
    connect(search_, &PaletteSearch::performed, this, &RbxCharWindowController::searchPerformed);
    // The font list beside the table, as wide as the user left it; Tab goes from the
    // search field to its filter.
    fontTable_ = new PaletteFontTable(settings_, fonts_, this);
    content_->setFontListPanel(fontTable_->panel(), settings_.integerForKey(rbx::key::fontListWidth));
    connect(content_->splitter(), &QSplitter::splitterMoved, this, [this] {
        settings_.setInteger(content_->splitter()->sizes().value(0), rbx::key::fontListWidth.qname());
    });
    content_->searchField()->setNextField(fontTable_->fontFilterField());
    // The rest of the font list follows its filter, and then what followed the search field.
    QWidget::setTabOrder(content_->searchField(), fontTable_->fontFilterField());
    QWidget::setTabOrder(fontTable_->fontFilterField(), fontTable_->fontTableView());
    QWidget::setTabOrder(fontTable_->fontTableView(), fontTable_->collectionsPopUp());
    connect(this, &RbxCharWindowController::fontSelected, fontTable_, &PaletteFontTable::showSelectedFont);
    connect(fontTable_, &PaletteFontTable::fontChosen, this, [this](const rbx::Font& font) {
        selectFont(font);
        settings_.setApplicationFontDectection(false);
        settings_.setApplicationFont(font.postScriptName());
    });
    connect(fontTable_, &PaletteFontTable::markChanged, this, [this] { charView()->viewport()->update(); });
    characterActions_ = new PaletteCharacterActions(*search_, table_, this);
    connect(fontTable_, &PaletteFontTable::markedCharacterWanted, characterActions_,
            &PaletteCharacterActions::goToMarkedCharacter);
    connect(fontTable_, &PaletteFontTable::fontDetectionResumed, this, [this] {
        checkForAutomaticFontChange(true);
        fontControls_->updateRecentFontsPopUp();
    });
    updates_ = services.updates;
    alerts_ = new PaletteAlerts(*this, settings_, services.accessibility, services.updates, this);
    if (services.detectors) follower_ = new PaletteFontFollower(*this, settings_, front_, fonts_, *services.detectors);
}

RbxCharWindowController::~RbxCharWindowController() {
    delete follower_;
    if (sharedController() == this) sharedController() = nullptr;
    if (loaded_) settings_.removeObserver(this);
    delete window_.data();
}

void RbxCharWindowController::load() {
    if (loaded_) return;
    loaded_ = true;
    sharedController() = this;

    // The frame is remembered under "MainWindow" and put back.
    frameKeeper_->setAutosave(true);
    frameKeeper_->restoreFrame();

    selectFont(startFont());
    if (settings_.boolForKey(rbx::key::wRef)) window_->winId();

    // Screens coming, going and changing.
    auto watchScreen = [this](QScreen* s) {
        connect(s, &QScreen::geometryChanged, this, &RbxCharWindowController::screenChanged);
        connect(s, &QScreen::availableGeometryChanged, this, &RbxCharWindowController::screenChanged);
    };
    for (QScreen* s : QGuiApplication::screens()) watchScreen(s);
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen* s) {
        watchScreen(s);
        screenChanged();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &RbxCharWindowController::screenChanged);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &RbxCharWindowController::screenChanged);
    settings_.addObserver(this);
    // Appearance changes reach the widgets as palette changes; the table redraws then.
    search_->buildSearchTemplateMenu();
    updateToFrontApplication(true);
}

RbxSearchField* RbxCharWindowController::searchField() const { return content_->searchField(); }

RbxCharView* RbxCharWindowController::charView() const { return table_.view(); }

// ---- showing and hiding

void RbxCharWindowController::openWindow(QObject* sender) { presenter_->openWindow(sender); }
void RbxCharWindowController::openWindowWithoutKeyboard(QObject* sender) { presenter_->openWindowWithoutKeyboard(sender); }
void RbxCharWindowController::toggleWindow(QObject* sender) { presenter_->toggleWindow(sender); }
void RbxCharWindowController::appearWindow(QObject* sender) { presenter_->appearWindow(sender); }
void RbxCharWindowController::showWindow(QObject* sender) { presenter_->showWindow(sender); }
void RbxCharWindowController::close() { presenter_->close(); }
bool RbxCharWindowController::closeWithESC() { return presenter_->closeWithESC(); }
void RbxCharWindowController::orderFront() { presenter_->orderFront(); }
void RbxCharWindowController::logWindowOpening(QObject* sender) { presenter_->logWindowOpening(sender); }
void RbxCharWindowController::clickedOutside() { presenter_->clickedOutside(); }

bool RbxCharWindowController::isWindowVisible() const { return window_ && window_->isVisible(); }

void RbxCharWindowController::windowOrderedOut() {
    charView()->tracking().windowOrderedOut();
    focus_->closed();
    RbxCharacterName::flushNames();
    emit windowClosed();
}

void RbxCharWindowController::windowMiniaturized(bool miniaturized) { charView()->setMiniaturized(miniaturized); }

// ---- fading

void RbxCharWindowController::fadeOut(float duration, float delay) { fader_->fadeOut(duration, delay); }
void RbxCharWindowController::stopFading() { fader_->stopFading(); }
void RbxCharWindowController::stopMouseOutsideFading() { fader_->stopMouseOutsideFading(); }
void RbxCharWindowController::setWindowAlphas(float alpha) { window_->setWindowOpacity(qBound(0.0, double(alpha), 1.0)); }
float RbxCharWindowController::windowAlpha() const { return float(window_->windowOpacity()); }
bool RbxCharWindowController::animatesWindow() const { return settings_.boolForKey(rbx::key::animateWindow); }

void RbxCharWindowController::hideTransients() {
    charView()->magnifierPopover().close();
    KXToolTip::hide();
}

// ---- sheets

bool RbxCharWindowController::hasSheet() const { return sheets_->hasSheet(); }

void RbxCharWindowController::clearForSheet() {
    fader_->stopFadeIn();
    fader_->stopFading();
    setWindowAlphas(1);
    hideTransients();
}

void RbxCharWindowController::setSheetTracking(QWidget* sheet, bool on) { charView()->setSheetTracking(sheet, on); }

void RbxCharWindowController::appearForSheet(bool takesKeyboard) {
    if (takesKeyboard) appearWindow(this);
    else openWindowWithoutKeyboard(this);
}

void RbxCharWindowController::sheetBegan(bool takesKeyboard) { focus_->sheetBegan(takesKeyboard); }

void RbxCharWindowController::sheetEnded() { focus_->sheetEnded(pointerOverPalette()); }

void RbxCharWindowController::sheetPointedAt(QWidget* sheet) { focus_->alertPointedAt(sheet); }

bool RbxCharWindowController::pointerOverPalette() const {
    const QPoint p = QCursor::pos();
    if (window_ && window_->isVisible() && window_->frameGeometry().contains(p)) return true;
    const QWidget* sheet = sheets_->attachedSheet();
    return sheet && sheet->isVisible() && sheet->frameGeometry().contains(p);
}

bool RbxCharWindowController::logsSheets() const { return settings_.boolForKey(rbx::key::logSheets); }

void RbxCharWindowController::openSheet(const QString& name, const QVariantMap& options) {
    openWindow(this);
    orderFront();
    stopMouseOutsideFading();
    if (sheets_->hasSheet()) {
        const bool shown = !name.isEmpty() && sheets_->attachedSheetName() == name;
        // The sheet shown stays; a document to open in it ("file") goes to it all the same.
        if (shown && !options.contains(QStringLiteral("file"))) return;
        if (!shown) sheets_->endSheet(0);
    }
    if (name.isEmpty()) return;
    if (!sheets_->openNamedSheet(name, options)) kx::log(QStringLiteral("no sheet named %1").arg(name));
}

void RbxCharWindowController::closeSheet() { sheets_->endSheet(0); }

void RbxCharWindowController::terminate() {
    // Quitting closes every window, and a palette that only hid itself would keep the
    // program running.
    if (window_) window_->allowClosingForQuit();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// ---- insert mode and search

int RbxCharWindowController::selectedInsertModeSegment() const { return insertModes_->selectedSegment(); }

void RbxCharWindowController::selectInsertModeSegment(int segment) { insertModes_->selectSegment(segment); }

void RbxCharWindowController::changeInsertMode() { insertModes_->changeInsertMode(); }

void RbxCharWindowController::performSearch() { search_->performSearch(); }

// ---- fonts

rbx::Font RbxCharWindowController::startFont() const {
    const QString stored = settings_.stringForKey(rbx::key::selectedFont);
    if (!stored.isEmpty())
        if (rbx::Font f = rbx::font::tryFindingFontWithName(stored, 12)) return f;
    if (rbx::Font f = rbx::font::tryFindingFontWithName(QStringLiteral("LucidaGrande"), 12)) return f;
    const QString system = systemfont::systemFontName();
    return system.isEmpty() ? rbx::Font() : rbx::font::tryFindingFontWithName(system, 12);
}

void RbxCharWindowController::selectFont(const rbx::Font& font) {
    if (!font) return;
    // The settings this choice changes are written once the table shows the font.
    writesAfterPaint_->hold();
    font_ = font;
    fonts_.selectFont(font);
    // The table takes the font's characters; its groups are built once the layout of the
    // font is chosen.
    table_.setFont(font);
    fontControls_->showFont(font);
    content_->setCurrentFontText(font.displayName(), qsizetype(font->coveredCharacters().numberOfCharacters()));
    emit fontSelected(font);
    switchToLayoutForCurrentFont();
}

void RbxCharWindowController::switchToLayoutForCurrentFont() { fontControls_->switchToLayoutForCurrentFont(); }

// ---- views and layouts

void RbxCharWindowController::changeViewTo(int view) { views_->changeViewTo(view); }
void RbxCharWindowController::changeView() { views_->changeView(); }
void RbxCharWindowController::swipeView(int delta) { views_->swipeView(delta); }
void RbxCharWindowController::changeLayout() { views_->changeLayout(); }

void RbxCharWindowController::selectApplicationFont() {
    // A front application without a font of its own keeps the palette's font.
    const QString name = settings_.applicationFont();
    if (name.isEmpty() || name == font_.postScriptName()) return;
    if (rbx::Font f = rbx::font::tryFindingFontWithName(name, 12)) selectFont(f);
}

void RbxCharWindowController::checkForFontChanges(const QString& reason) {
    lastFontCheckMs_ = kx::Clock::shared().nowMs();
    ++fontChecks_;
    if (fonts_.list().fontsChanged()) updateAfterFontChange(reason);
}

void RbxCharWindowController::selectActivationSet(std::shared_ptr<RbxActivationSet> set) {
    if (!set) return;
    checkForFontChanges(QStringLiteral("font drop"));
    fontTable_->selectActivationSet(std::move(set));
    openWindow(this);
}

void RbxCharWindowController::updateAfterFontChange(const QString& reason) {
    fonts_.list().reload(reason);
    RbxFontInfo::flushCachedCharacters();
    rbx::Font font = font_ ? rbx::font::tryFindingFontWithName(font_.postScriptName(), 12) : rbx::Font();
    if (!font) font = startFont();
    selectFont(font);
    fontTable_->updateAfterFontChange();
    updateToFrontApplication(true);
}

// ---- window reactions

void RbxCharWindowController::windowSizeChanged() { frameKeeper_->windowSizeChanged(); }
void RbxCharWindowController::windowLocationChanged() { frameKeeper_->windowLocationChanged(); }

void RbxCharWindowController::screenChanged() {
    RbxPositionLog::shared().addScreens(QStringLiteral("screens changed"), PaletteFrameKeeper::screenFrames());
    fixOffscreenWindow();
}

void RbxCharWindowController::fixOffscreenWindow() { frameKeeper_->fixOffscreenWindow(); }

void RbxCharWindowController::darkModeChanged() {
    content_->updateImages();
    for (QWidget* w : window_->findChildren<QWidget*>()) w->update();
    window_->update();
}

void RbxCharWindowController::setVisibleInAllSpaces(bool all) { window_->setVisibleOnAllDesktops(all); }

// ---- following the front application

void RbxCharWindowController::frontProcessChanged() { processChangeTimer_.start(); }

void RbxCharWindowController::checkFrontProcessAndFonts() {
    updateToFrontApplication(false);
    // Only a list that exists can be out of date.
    if (fonts_.isMade() && (!lastFontCheckMs_ || kx::Clock::shared().nowMs() - *lastFontCheckMs_ > RegularFontCheckMs))
        checkForFontChanges(QStringLiteral("regular check"));
}

void RbxCharWindowController::updateToFrontApplication(bool force) {
    const QString name = front_.frontApplicationName();
    if (name.isEmpty()) return;
    const KXProcess::Ptr process = front_.frontProcess();
    const bool same = name == frontName_ && (!process || (frontProcess_ && frontProcess_->isSameProcess(*process)));
    if (!force && same) {
        if (settings_.applicationFontDectection()) checkForAutomaticFontChange(false);
        return;
    }
    frontName_ = name;
    frontProcess_ = process;
    ++frontAdaptations_;
    settings_.setFrontApplication(name);
    // The application's insert mode, its own view and the layouts. An application whose
    // view the user never chose keeps the one shown, and nothing is recorded for it: only a
    // choice made while it is in front becomes its own.
    insertModes_->adoptApplicationInsertMode();
    if (const int own = settings_.applicationView(); own > 0 && own != settings_.integerForKey(rbx::key::view))
        settings_.setInteger(own, rbx::key::view.qname());
    views_->adoptStoredView();
    if (settings_.applicationFontDectection()) checkForAutomaticFontChange(true);
    if (isWindowVisible()) selectApplicationFont();
}

void RbxCharWindowController::checkForAutomaticFontChange(bool force) {
    if (follower_) follower_->checkForAutomaticFontChange(force);
}

void RbxCharWindowController::showAXAlertForApplication(const QString& application) {
    alerts_->showAXAlertForApplication(application);
}

void RbxCharWindowController::showNewVersionAlert(AlertSheet* alert) { alerts_->showNewVersionAlert(alert); }

QVariant RbxCharWindowController::versionCheckViaURL(const QUrl& url) {
    if (!updates_) {
        kx::log(QStringLiteral("vcheck: no update client"));
        return {};
    }
    const bool background = QUrlQuery(url).queryItemValue(QStringLiteral("background")).toInt() >= 1;
    kx::log(QStringLiteral("vcheck: background=%1").arg(int(background)));
    if (background) updates_->checkNow(true);
    else checkForUpdate();
    return {};
}

void RbxCharWindowController::checkForUpdate() {
    openSheet(PreferencesSheet::SheetName, {{QStringLiteral("tab"), int(PreferencesSheet::Updates)}});
    if (updates_) QTimer::singleShot(0, this, [updates = updates_] { updates->checkNow(false); });
}

void RbxCharWindowController::defaultChanged(const QString& key) {
    // The reactions to other keys belong to the duties that use them.
    if (key == QLatin1String("start at login"))
        settings_.updateStartAtLoginInBackground();
    else if (key == QLatin1String("useUniversalFont"))
        updateToFrontApplication(true);
    else if (key == rbx::key::view.qname()) {
        views_->viewSettingChanged();
        // The front application's view from now on.
        if (!frontName_.isEmpty()) settings_.setApplicationView(settings_.integerForKey(rbx::key::view));
    }
}
