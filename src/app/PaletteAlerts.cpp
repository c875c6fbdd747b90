#include "app/PaletteAlerts.h"

#include "app/AlertSheet.h"
#include "app/RbxCharWindowController.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "platform/atspi/Accessible.h"
#include "platform/dbus/SessionBus.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {

class DesktopAccessibilitySwitch : public RbxAccessibilitySwitch {
public:
    void switchOnAndOpenSettings() override {
        atspi::enableAccessibility(dbus::sessionBus());
        // The accessibility pages of the desktops' settings programs.
        static const QList<QStringList> programs = {
            {QStringLiteral("gnome-control-center"), QStringLiteral("universal-access")},
            {QStringLiteral("systemsettings"), QStringLiteral("kcm_access")},
            {QStringLiteral("xfce4-accessibility-settings")},
            {QStringLiteral("mate-at-properties")},
        };
        for (const QStringList& p : programs) {
            const QString path = QStandardPaths::findExecutable(p.first());
            if (path.isEmpty()) continue;
            QProcess::startDetached(path, p.mid(1));
            return;
        }
    }
};

} // namespace

std::shared_ptr<RbxAccessibilitySwitch> RbxAccessibilitySwitch::makeDefault() {
    return std::make_shared<DesktopAccessibilitySwitch>();
}

PaletteAlerts::PaletteAlerts(RbxCharWindowController& controller, RbxDefaults& settings,
                             std::shared_ptr<RbxAccessibilitySwitch> accessibility,
                             std::shared_ptr<RbxUpdateActions> updates, QObject* parent)
    : QObject(parent), controller_(controller), settings_(settings), accessibility_(std::move(accessibility)),
      updates_(std::move(updates)) {}

void PaletteAlerts::showAXAlertForApplication(const QString& application) {
    if (!pending_.isEmpty() || controller_.hasSheet()) return;
    pending_ = application;
    const bool named = !application.isEmpty();
    QString message = named ? kx::loc(QStringLiteral("To automatically display the font currently used in %@, Runebox "
                                                 "requires \"Accessibility\" permission to control your computer."))
                            : kx::loc(QStringLiteral("Runebox requires \"Accessibility\" permission to control your computer."));
    message.replace(QStringLiteral("%@"), application);
    const QString informative =
        kx::loc(QStringLiteral("Click the button below to open the \"Security & Privacy\" pane of System Settings, then "
                           "activate Runebox in the \"Accessibility\" section."));
    controller_.hideTransients();
    // The alert comes without a user action: the palette shows it without taking the
    // keyboard from the application the user types in.
    if (!controller_.isWindowVisible()) {
        controller_.openWindowWithoutKeyboard(&controller_);
        controller_.stopMouseOutsideFading();
    }
    QApplication::beep();
    auto* alert = new AlertSheet(QStringLiteral("axAlert"), message, informative,
                                 kx::loc(QStringLiteral("Open System Settings")),
                                 kx::loc(named ? QStringLiteral("Deactivate") : QStringLiteral("Cancel")), QString(),
                                 controller_.window());
    alert->setAttribute(Qt::WA_DeleteOnClose);
    // A Return meant for another window must not switch the system's accessibility on.
    alert->withoutDefaultButton();
    sheet_ = alert;
    if (controller_.sheets().beginSheet(
            alert, QStringLiteral("axAlert"), [this](int code) { axAlertEnded(code); }, SheetHost::Keyboard::Waits) ==
        SheetHost::Begin::Refused) {
        pending_.clear();
        delete alert;
    }
}

void PaletteAlerts::axAlertEnded(int returnCode) {
    const QString application = pending_;
    pending_.clear();
    if (returnCode == AlertSheet::AlternateReturn) {
        if (!application.isEmpty()) settings_.disableFontDetectionForApplication(application);
        controller_.updateToFrontApplication(true);
    } else if (returnCode == AlertSheet::DefaultReturn) {
        QTimer::singleShot(100, &controller_, [c = &controller_] { c->close(); });
        if (accessibility_) accessibility_->switchOnAndOpenSettings();
    }
}

void PaletteAlerts::showNewVersionAlert(AlertSheet* alert) {
    if (!alert) return;
    controller_.hideTransients();
    if (!alert->parent()) alert->setParent(controller_.window(), alert->windowFlags());
    alert->setAttribute(Qt::WA_DeleteOnClose);
    sheet_ = alert;
    if (controller_.sheets().beginSheet(
            alert, alert->name(), [this](int code) { versionAlertEnded(code); }, SheetHost::Keyboard::Waits) ==
        SheetHost::Begin::Refused)
        delete alert;
}

void PaletteAlerts::versionAlertEnded(int returnCode) {
    if (!updates_) return;
    if (returnCode == AlertSheet::AlternateReturn) updates_->setSkipThisVersion(true);
    else if (returnCode == AlertSheet::DefaultReturn) updates_->downloadAndInstallUpdate();
    else if (returnCode >= AlertSheet::OtherReturn) updates_->showWhatsNew();
    else if (returnCode != NotNowReturn) kx::log(QStringLiteral("unknown version alert button %1").arg(returnCode));
}
