#include "app/PreferencesSheet.h"

#include "app/PaletteAlerts.h"
#include "app/RbxCharWindowController.h"
#include "app/SettingBinding.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "table/widgets/RbxCharView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// A title shown as written: an "&" in it marks no shortcut letter.
QString plain(const QString& title) {
    QString t = kx::loc(title);
    return t.replace(u'&', QStringLiteral("&&"));
}

QCheckBox* checkBox(RbxDefaults& store, QWidget* parent, const QString& key, const QString& title, const char* name) {
    auto* box = new QCheckBox(plain(title), parent);
    box->setObjectName(QString::fromLatin1(name));
    SettingBinding::check(store, key, box);
    return box;
}

QComboBox* popUp(RbxDefaults& store, QWidget* parent, const QString& key, const QList<QPair<QString, int>>& items,
                 const char* name) {
    auto* p = new QComboBox(parent);
    p->setObjectName(QString::fromLatin1(name));
    for (const auto& [title, value] : items) p->addItem(kx::loc(title), value);
    SettingBinding::choice(store, key, p);
    return p;
}

} // namespace

PreferencesSheet::PreferencesSheet(RbxCharWindowController& palette, RbxDefaults& settings, QWidget* parent)
    : QDialog(parent), palette_(palette), settings_(settings) {
    setObjectName(QStringLiteral("preferencesSheet"));
    setWindowTitle(kx::loc(QStringLiteral("Runebox Preferences")));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("preferencesTabView"));
    tabs_->addTab(activationTab(), kx::loc(QStringLiteral("Activation")));
    tabs_->addTab(viewTab(), plain(QStringLiteral("View & Insertion")));
    tabs_->addTab(updatesTab(), kx::loc(QStringLiteral("Updates")));
    tabs_->widget(Activation)->setObjectName(QStringLiteral("Activation"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("preferencesOKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("preferencesCancelButton"));
    for (QAbstractButton* b : buttons->buttons()) static_cast<QPushButton*>(b)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesSheet::confirmPreferencesSheet);
    connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesSheet::cancelPreferencesSheet);
    connect(tabs_, &QTabWidget::currentChanged, this, &PreferencesSheet::tabChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    setMinimumWidth(460);
    settings_.addObserver(this);
    settings_.observeKey(rbx::key::openWindowHotkey.qname());
}

PreferencesSheet::~PreferencesSheet() {
    // Ended (as cancelled) while this sheet is whole: its end handler uses it.
    if (palette_.sheets().attachedSheet() == this) palette_.sheets().endSheet(0);
    settings_.removeObserver(this);
}

QWidget* PreferencesSheet::activationTab() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(kx::loc(QStringLiteral("Open the palette with:")),
                 popUp(settings_, page, rbx::key::activator.qname(),
                       {{QStringLiteral("the top-left corner of the screen"), 0},
                        {QStringLiteral("the icon in the tray"), 1},
                        {QStringLiteral("the top-right corner of the screen"), 2}},
                       "activatorPopUp"));
    auto* hideQ = checkBox(settings_, page, rbx::key::hideQInCorner.qname(),
                           QStringLiteral("Show the corner activator only when the mouse is there"), "autoHideQButton");
    autoHideQButton_ = hideQ;
    form->addRow(QString(), hideQ);
    statusHint_ = new QLabel(kx::loc(QStringLiteral("Without a tray on the desktop the corner activator stands in.")), page);
    statusHint_->setObjectName(QStringLiteral("statusHintField"));
    statusHint_->setWordWrap(true);
    form->addRow(QString(), statusHint_);
    hotkey_ = new KXHotkeyField(page);
    hotkey_->setObjectName(QStringLiteral("showWindowHotkey"));
    hotkey_->setDelegate(this);
    form->addRow(kx::loc(QStringLiteral("Hot key:")), hotkey_);
    form->addRow(QString(), checkBox(settings_, page, rbx::key::startAtLogin.qname(), QStringLiteral("Start at login"), "startAtLoginButton"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::animateWindow.qname(), QStringLiteral("Fade the palette in and out"),
                                     "animateWindowButton"));
    form->addRow(kx::loc(QStringLiteral("Close the palette:")),
                 checkBox(settings_, page, rbx::key::insertionCloses.qname(), QStringLiteral("after inserting a character"),
                          "insertionClosesButton"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::clickOutsideCloses.qname(),
                                     QStringLiteral("on a click outside it"), "clickOutsideClosesButton"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::mouseOutsideCloses.qname(),
                                     QStringLiteral("when the mouse leaves it"), "mouseOutsideClosesButton"));
    connect(page->findChild<QComboBox*>(QStringLiteral("activatorPopUp")), &QComboBox::activated, this,
            &PreferencesSheet::updateActivatorControls);
    return page;
}

QWidget* PreferencesSheet::viewTab() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    auto* size = new QDoubleSpinBox(page);
    size->setObjectName(QStringLiteral("relativeFontSizeField"));
    size->setRange(rbx::key::relativeFontSize.lowest, 400);
    size->setDecimals(0);
    size->setSuffix(QStringLiteral(" %"));
    SettingBinding::number(settings_, rbx::key::relativeFontSize.qname(), size);
    form->addRow(kx::loc(QStringLiteral("Character size:")), size);
    auto* fit = new QDoubleSpinBox(page);
    fit->setObjectName(QStringLiteral("minimumFitSizeField"));
    fit->setRange(0, 200);
    fit->setDecimals(0);
    SettingBinding::number(settings_, rbx::key::minimumFitSize.qname(), fit);
    form->addRow(kx::loc(QStringLiteral("Smallest fitted size:")), fit);
    form->addRow(QString(), checkBox(settings_, page, rbx::key::fitAscii.qname(), QStringLiteral("Fit wide ASCII characters into their cells"),
                                     "fitAsciiButton"));
    auto* lines = new QSpinBox(page);
    lines->setObjectName(QStringLiteral("recentLinesField"));
    lines->setRange(0, 20);
    SettingBinding::integer(settings_, rbx::key::recentLines.qname(), lines);
    form->addRow(kx::loc(QStringLiteral("Lines of recent characters:")), lines);
    form->addRow(QString(), checkBox(settings_, page, rbx::key::hiliteRecentCharacters.qname(),
                                     QStringLiteral("Highlight recent characters"), "hiliteRecentButton"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::showTooltips.qname(), QStringLiteral("Show tool tips"), "showTooltipsButton"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::characterShadow.qname(), QStringLiteral("Shadow behind characters"),
                                     "characterShadowButton"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::fontNameInFont.qname(), QStringLiteral("Show font names in their font"),
                                     "fontNameInFontButton"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::useUniversalFont.qname(),
                                     QStringLiteral("One font for all applications"), "useUniversalFontButton"));
    auto* dark = checkBox(settings_, page, rbx::key::darkTable.qname(), QStringLiteral("Dark table in dark mode"), "darkTableButton");
    darkTable_ = dark;
    form->addRow(QString(), dark);

    auto* html = new QButtonGroup(page);
    numericHtml_ = new QRadioButton(plain(QStringLiteral("Numeric references (&#241;)")), page);
    numericHtml_->setObjectName(QStringLiteral("htmlNumericButton"));
    auto* named = new QRadioButton(plain(QStringLiteral("Named entities where there are (&ntilde;)")), page);
    named->setObjectName(QStringLiteral("htmlEntitiesButton"));
    html->addButton(numericHtml_, 0);
    html->addButton(named, 1);
    SettingBinding::radio(settings_, rbx::key::htmlEntities.qname(), html, true);
    form->addRow(kx::loc(QStringLiteral("HTML:")), numericHtml_);
    form->addRow(QString(), named);
    form->addRow(QString(), checkBox(settings_, page, rbx::key::hexHtml.qname(), QStringLiteral("Hexadecimal numbers"), "hexHtmlButton"));

    auto* reset = new QPushButton(kx::loc(QStringLiteral("Reset Font Sizes")), page);
    reset->setObjectName(QStringLiteral("resetFontSizesButton"));
    reset->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, &PreferencesSheet::resetCustomFontSizes);
    form->addRow(QString(), reset);
    return page;
}

QWidget* PreferencesSheet::updatesTab() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(kx::loc(QStringLiteral("Look for new versions:")),
                 popUp(settings_, page, rbx::key::updateInterval.qname(),
                       {{QStringLiteral("never"), 0}, {QStringLiteral("daily"), 1}, {QStringLiteral("weekly"), 2},
                        {QStringLiteral("every four weeks"), 3}},
                       "updateIntervalPopUp"));
    form->addRow(QString(), checkBox(settings_, page, rbx::key::checkForBetaVersions.qname(),
                                     QStringLiteral("Include test versions"), "checkForBetaVersionsButton"));
    updateStatus_ = new QLabel(page);
    updateStatus_->setObjectName(QStringLiteral("updateStatusField"));
    updateStatus_->setWordWrap(true);
    form->addRow(QString(), updateStatus_);
    auto* row = new QHBoxLayout;
    auto button = [this, page, row](const QString& title, const char* name, void (PreferencesSheet::*action)()) {
        auto* b = new QPushButton(kx::loc(title), page);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, action);
        row->addWidget(b);
        return b;
    };
    button(QStringLiteral("Check Now"), "checkUpdatesNowButton", &PreferencesSheet::checkUpdatesNow);
    updateDownload_ = button(QStringLiteral("Download and Install"), "updateDownloadButton", &PreferencesSheet::downloadAndInstallUpdate);
    updateWhatsNew_ = button(QStringLiteral("What's New?"), "updateWhatsNewButton", &PreferencesSheet::showWhatsNew);
    row->addStretch();
    form->addRow(QString(), row);
    for (const auto* key : {&rbx::key::lastUpdateCheck, &rbx::key::lastCurrentVersion, &rbx::key::versionToSkip})
        settings_.observeKey(key->qname());
    return page;
}

void PreferencesSheet::setUpdateStatusMessage() {
    RbxUpdateClient* updates = palette_.updateClient();
    QString status = updates ? updates->versionStatusMessage() : QString();
    updateStatus_->setText(status.replace(QStringLiteral(": "), QStringLiteral(":\n")));
    const bool available = updates && updates->updateAvailable();
    updateDownload_->setVisible(available);
    updateWhatsNew_->setVisible(available);
}

void PreferencesSheet::checkUpdatesNow() {
    if (RbxUpdateClient* updates = palette_.updateClient()) updates->checkNow(false);
    setUpdateStatusMessage();
}

void PreferencesSheet::downloadAndInstallUpdate() {
    if (RbxUpdateClient* updates = palette_.updateClient()) updates->downloadAndInstallUpdate();
}

void PreferencesSheet::showWhatsNew() {
    confirmPreferencesSheet();
    if (RbxUpdateClient* updates = palette_.updateClient()) updates->showWhatsNew();
}

void PreferencesSheet::showPreferences(int tab) {
    const bool logs = palette_.logsSheets();
    if (logs) kx::log(QStringLiteral("showPreferences"));
    if (palette_.hasSheet()) {
        if (logs) kx::log(QStringLiteral("showPreferences blocked"));
        return;
    }
    snapshot_.take(settings_);
    // A change whose report is still queued must not leave a control showing the old value.
    for (SettingBinding* binding : findChildren<SettingBinding*>()) binding->read();
    hotkey_->setEnabled(true);
    hotkey_->setSerializedDescription(settings_.stringForKey(rbx::key::openWindowHotkey));
    darkTable_->setEnabled(true);
    updateHTMLNumberLabel();
    updateActivatorControls();
    setUpdateStatusMessage();
    if (tab >= 0 && tab < tabs_->count()) tabs_->setCurrentIndex(tab);
    tabChanged(tabs_->currentIndex());
    palette_.sheets().beginSheet(this, SheetName, [this](int code) { ended(code); });
}

void PreferencesSheet::confirmPreferencesSheet() { palette_.sheets().endSheet(1); }
void PreferencesSheet::cancelPreferencesSheet() { palette_.sheets().endSheet(0); }

void PreferencesSheet::ended(int returnCode) {
    if (returnCode == 0) {
        snapshot_.restore(settings_);
        // The restored key is registered again by the hot keys' own observer.
        hotkey_->setEnabled(false);
    }
    if (palette_.logsSheets()) kx::log(QStringLiteral("preferences closed"));
}

void PreferencesSheet::resetCustomFontSizes() {
    settings_.clearAllSizeAdjustments();
    if (RbxCharView* view = palette_.charView()) view->updateAfterSizeReset();
}

void PreferencesSheet::updateHTMLNumberLabel() {
    QString title = numericHtml_->text();
    if (settings_.boolForKey(rbx::key::hexHtml)) title.replace(QStringLiteral("241"), QStringLiteral("xf1"));
    else title.replace(QStringLiteral("xf1"), QStringLiteral("241"));
    numericHtml_->setText(title);
}

void PreferencesSheet::updateActivatorControls() {
    const bool status = settings_.integerForKey(rbx::key::activator) == 1;
    statusHint_->setVisible(status);
    autoHideQButton_->setVisible(!status);
}

void PreferencesSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The button box made OK the default as it was shown.
    tabChanged(tabs_->currentIndex());
}

void PreferencesSheet::tabChanged(int index) {
    // On "Activation" Return may be what the hot-key recorder takes.
    ok_->setDefault(index != Activation);
}

void PreferencesSheet::hotkeyChanged(KXHotkeyField& field) {
    settings_.setString(field.serializedDescription(), rbx::key::openWindowHotkey.qname());
}

void PreferencesSheet::defaultChanged(const QString& key) {
    if (key == rbx::key::hexHtml.qname()) updateHTMLNumberLabel();
    else if (key == rbx::key::activator.qname()) updateActivatorControls();
    else if (key == rbx::key::lastUpdateCheck.qname() || key == rbx::key::lastCurrentVersion.qname() ||
             key == rbx::key::versionToSkip.qname())
        setUpdateStatusMessage();
    else if (key == rbx::key::openWindowHotkey.qname() && !hotkey_->hasFocus())
        hotkey_->setSerializedDescription(settings_.stringForKey(rbx::key::openWindowHotkey));
}
