#include "app/RbxCharWindowController.h"

#include "app/ClickOutsideMonitor.h"
#include "app/PaletteContent.h"
#include "app/PaletteFader.h"
#include "app/PaletteFrameKeeper.h"
#include "app/PalettePresenter.h"
#include "app/PaletteTable.h"
#include "app/PaletteTableController.h"
#include "table/widgets/RbxCharView.h"
#include "app/RbxPositionLog.h"
#include "kxlib/KXNotificationCenter.h"
#include "kxlib/KXProcess.h"
#include "kxlib/RbxDefaults.h"
#include "core/Log.h"
#include "kxlib/gui/KXToolTip.h"
#include "model/FontExtensions.h"
#include "model/RbxCharacterName.h"
#include "app/StartupHooks.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

namespace {
RbxCharWindowController*& sharedController() {
    static RbxCharWindowController* c = nullptr;
    return c;
}
} // namespace

RbxCharWindowController* RbxCharWindowController::windowController() { return sharedController(); }

RbxCharWindowController::RbxCharWindowController(QObject* parent) : QObject(parent) {
    window_ = new RbxCharWindow(this);
    window_->setWindowTitle(QStringLiteral("Runebox"));
    content_ = new PaletteContent(window_);
    table_ = new PaletteTable(this);
    content_->setCharView(table_->view());
    PaletteTableController::install(*this, *table_->view());

    PaletteFader::Hooks fade;
    fade.hasSheet = [this] { return hasSheet(); };
    fade.animate = [] { return RbxDefaults::userDefaults().boolForKey(rbx::key::animateWindow); };
    fade.setAlpha = [this](float a) { setWindowAlphas(a); };
    fade.close = [this] { close(); };
    fade.hideTransients = [this] { hideTransients(); };
    fader_ = new PaletteFader(std::move(fade), this);

    SheetHost::Hooks sheet;
    sheet.window = [this]() -> QWidget* { return window_; };
    sheet.isWindowVisible = [this] { return isWindowVisible(); };
    sheet.appearWindow = [this] { appearWindow(this); };
    sheet.stopFading = [this] {
        fader_->stopFadeIn();
        fader_->stopFading();
        setWindowAlphas(1);
    };
    sheet.hideTransients = [this] { hideTransients(); };
    sheet.setSheetTracking = [this](QWidget* s, bool on) {
        if (extensions_.setSheetTracking) extensions_.setSheetTracking(s, on);
    };
    sheet.setWindowActivating = [this](bool on) { window_->setActivating(on); };
    sheet.logSheets = [] { return RbxDefaults::userDefaults().boolForKey(rbx::key::logSheets); };
    sheets_ = new SheetHost(std::move(sheet), this);

    frameKeeper_ = new PaletteFrameKeeper(window_, RbxPositionLog::shared(), this);
    presenter_ = new PalettePresenter(*this);
    clickMonitor_ = new ClickOutsideMonitor([this] { clickedOutside(); }, this);
    // Presses outside matter once the palette is shown; the monitor's connection to the
    // display is opened after the showing, off the way to the first paint.
    connect(this, &RbxCharWindowController::windowOpened, clickMonitor_, [this] {
        QTimer::singleShot(0, clickMonitor_, [this] { clickMonitor_->start(); });
    });
}

RbxCharWindowController::~RbxCharWindowController() {
    if (sharedController() == this) sharedController() = nullptr;
    if (loaded_) RbxDefaults::userDefaults().removeObserver(this);
    delete window_.data();
}

void RbxCharWindowController::load() {
    if (loaded_) return;
    loaded_ = true;
    sharedController() = this;
    RbxDefaults& defaults = RbxDefaults::userDefaults();

    // The frame is remembered under "MainWindow" and put back.
    frameKeeper_->setAutosave(true);
    frameKeeper_->restoreFrame();

    selectFont(startFont());
    if (defaults.boolForKey(rbx::key::wRef)) window_->winId();
    if (extensions_.showActivator) extensions_.showActivator();

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
    defaults.addObserver(this);
    KXNotificationCenter::defaultCenter().addObserver(
        KXProcess::ChangeNotification, KXProcess::notificationObject(),
        [this](const KXNotification&) { frontProcessChanged(); }, this);
    // Appearance changes reach the widgets as palette changes; the table redraws then.
    connect(content_->searchField(), &QLineEdit::returnPressed, this, &RbxCharWindowController::performSearch);
}

QLineEdit* RbxCharWindowController::searchField() const { return content_->searchField(); }

QWidget* RbxCharWindowController::charView() const { return content_->charView(); }

void RbxCharWindowController::setFirstPaintHook(std::function<void()> hook) {
    window_->setFirstPaintHook(std::move(hook));
}

// ---- showing and hiding

void RbxCharWindowController::openWindow(QObject* sender) { presenter_->openWindow(sender); }
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
    if (extensions_.setActivatorActive) extensions_.setActivatorActive(false);
    RbxCharacterName::flushNames();
    emit windowClosed();
}

void RbxCharWindowController::windowMiniaturized(bool miniaturized) {
    if (auto* view = qobject_cast<RbxCharView*>(charView())) view->setMiniaturized(miniaturized);
}

// ---- fading

void RbxCharWindowController::fadeOut(float duration, float delay) { fader_->fadeOut(duration, delay); }
void RbxCharWindowController::stopFading() { fader_->stopFading(); }
void RbxCharWindowController::stopMouseOutsideFading() { fader_->stopMouseOutsideFading(); }
void RbxCharWindowController::setWindowAlphas(float alpha) { window_->setWindowOpacity(qBound(0.0, double(alpha), 1.0)); }
float RbxCharWindowController::windowAlpha() const { return float(window_->windowOpacity()); }

void RbxCharWindowController::hideTransients() {
    if (extensions_.hideMagnifier) extensions_.hideMagnifier();
    KXToolTip::hide();
}

// ---- sheets

bool RbxCharWindowController::hasSheet() const { return sheets_->hasSheet(); }

void RbxCharWindowController::openSheet(const QString& name, const QVariantMap& options) {
    openWindow(this);
    orderFront();
    stopMouseOutsideFading();
    if (sheets_->hasSheet()) {
        if (!name.isEmpty() && sheets_->attachedSheetName() == name) return;
        sheets_->endSheet(0);
    }
    if (name.isEmpty()) return;
    if (!sheets_->openNamedSheet(name, options)) kx::log(QStringLiteral("no sheet named %1").arg(name));
}

void RbxCharWindowController::closeSheet() { sheets_->endSheet(0); }

void RbxCharWindowController::terminate() {
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// ---- insert mode and search

void RbxCharWindowController::selectInsertModeSegment(int segment) {
    if (segment >= 0 && segment <= 2) insertSegment_ = segment;
}

void RbxCharWindowController::changeInsertMode() {
    RbxDefaults& defaults = RbxDefaults::userDefaults();
    const int mode = insertSegment_ == 2 ? defaults.latestSpecialInsertMode() : insertSegment_;
    defaults.setApplicationInsertMode(mode);
    if (extensions_.updateInsertionModeSegments) extensions_.updateInsertionModeSegments();
}

void RbxCharWindowController::performSearch() {
    const QString text = searchField()->text();
    if (extensions_.performSearch)
        extensions_.performSearch(text);
    else
        table_->setSearch(text);
    emit searchPerformed(text);
}

void RbxCharWindowController::resetBestMatchingCharacters() {
    if (extensions_.resetBestMatchingCharacters) extensions_.resetBestMatchingCharacters();
}

// ---- fonts

rbx::Font RbxCharWindowController::startFont() {
    const QString stored = RbxDefaults::userDefaults().stringForKey(rbx::key::selectedFont);
    if (!stored.isEmpty())
        if (rbx::Font f = rbx::font::tryFindingFontWithName(stored, 12)) return f;
    if (rbx::Font f = rbx::font::tryFindingFontWithName(QStringLiteral("LucidaGrande"), 12)) return f;
    const QString system = startup::systemFontName();
    return system.isEmpty() ? rbx::Font() : rbx::font::tryFindingFontWithName(system, 12);
}

void RbxCharWindowController::selectFont(const rbx::Font& font) {
    if (!font) return;
    font_ = font;
    content_->setCurrentFontText(font.displayName(), qsizetype(font->coveredCharacters().numberOfCharacters()));
    table_->showFont(font);
    if (extensions_.fontSelected) extensions_.fontSelected(font);
}

void RbxCharWindowController::selectApplicationFont() {
    // A front application without a font of its own keeps the palette's font.
    const QString name = RbxDefaults::userDefaults().applicationFont();
    if (name.isEmpty() || name == font_.postScriptName()) return;
    if (rbx::Font f = rbx::font::tryFindingFontWithName(name, 12)) selectFont(f);
}

// ---- window reactions

void RbxCharWindowController::windowSizeChanged() { frameKeeper_->windowSizeChanged(); }
void RbxCharWindowController::windowLocationChanged() { frameKeeper_->windowLocationChanged(); }

void RbxCharWindowController::screenChanged() {
    RbxPositionLog::shared().addScreens(QStringLiteral("screens changed"), PaletteFrameKeeper::screenFrames());
    if (extensions_.showActivator) extensions_.showActivator();
    fixOffscreenWindow();
}

void RbxCharWindowController::fixOffscreenWindow() { frameKeeper_->fixOffscreenWindow(); }

void RbxCharWindowController::darkModeChanged() {
    for (QWidget* w : window_->findChildren<QWidget*>()) w->update();
    window_->update();
}

void RbxCharWindowController::setVisibleInAllSpaces(bool all) { window_->setVisibleOnAllDesktops(all); }

void RbxCharWindowController::frontProcessChanged() {
    if (extensions_.frontProcessChanged) extensions_.frontProcessChanged();
}

void RbxCharWindowController::monitorMouseMove() {
    if (extensions_.monitorMouseMove) extensions_.monitorMouseMove();
}

QVariant RbxCharWindowController::versionCheckViaURL(const QUrl& url) {
    if (extensions_.versionCheck)
        extensions_.versionCheck(url);
    else
        kx::log(QStringLiteral("vcheck: no update check in this build"));
    return {};
}

void RbxCharWindowController::defaultChanged(const QString& key) {
    // The reactions to other keys belong to the duties that use them.
    if (key == QLatin1String("activator") || key == QLatin1String("hide Q in corner")) {
        if (extensions_.showActivator) extensions_.showActivator();
    } else if (key == QLatin1String("useUniversalFont")) {
        if (extensions_.updateToFrontApplication) extensions_.updateToFrontApplication(true);
    } else if (key == QLatin1String("start at login")) {
        RbxDefaults::userDefaults().updateStartAtLoginInBackground();
    }
}
