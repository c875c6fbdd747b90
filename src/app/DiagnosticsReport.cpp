#include "app/DiagnosticsReport.h"

#include "app/CrashReports.h"
#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "app/RbxPositionLog.h"
#include "app/RbxSearchField.h"
#include "app/SupportInfo.h"
#include "core/Bundle.h"
#include "core/DateExtensions.h"
#include "insertion/KXTap.h"
#include "kxlib/KXProcess.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFontList.h"
#include "table/widgets/RbxCharView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

namespace diagnostics {

QString launchLine(bool relaunched, const QString& launchDate, qint64 s, bool startAtLogin) {
    return QStringLiteral("%1: %2 (for %3d%4:%5:%6) login=%7")
        .arg(relaunched ? QStringLiteral("relaunched") : QStringLiteral("launched"), launchDate)
        .arg(s / 86400)
        .arg(s / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'))
        .arg(startAtLogin ? 1 : 0);
}

QString activatorText(int activator, bool hide) {
    switch (activator) {
    case 2: return hide ? QStringLiteral("right/hidden") : QStringLiteral("right/always");
    case 1: return QStringLiteral("status");
    case 0: return hide ? QStringLiteral("left/hidden") : QStringLiteral("left/always");
    default: return QStringLiteral("?");
    }
}

QString text(const Report& r) {
    const auto orNone = [](const QStringList& lines) { return lines.isEmpty() ? QStringLiteral("none") : lines.join(u'\n'); };
    const QStringList pieces = {
        r.date, r.techLine, r.model + QStringLiteral(" // ") + r.processor, r.bundlePath, r.launchLine, r.crashLine,
        QString(), QStringLiteral("Taps:"), r.taps,
        QStringLiteral("font: %1").arg(r.font), QStringLiteral("view: %1").arg(r.view),
        QStringLiteral("layout: %1").arg(r.layout), QStringLiteral("collection: %1").arg(r.collection),
        QStringLiteral("insertion mode: %1").arg(r.insertionMode), QStringLiteral("Q icon: %1").arg(r.activator),
        QStringLiteral("char filter: \"%1\"").arg(r.charFilter), QStringLiteral("font filter: \"%1\"").arg(r.fontFilter),
        QString(), QStringLiteral("custom names:"), r.customNames, QStringLiteral("font changes:"), orNone(r.fontChanges),
        QString(), QStringLiteral("recent insertions:"), orNone(r.insertions),
        QString(), QStringLiteral("window positions:"), r.positions.isEmpty() ? QStringLiteral("none\n") : r.positions,
        QString()};
    QString out;
    for (const QString& piece : pieces) out += piece + u'\n';
    return out + r.processes;
}

namespace {

// The title of a named control of the palette (a pop-up's chosen item, a button's
// title); `fallback` when the palette has no such control.
QString titleOf(QWidget* window, const char* name, const QString& fallback) {
    QWidget* w = window ? window->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
    if (const auto* popUp = qobject_cast<QComboBox*>(w)) return popUp->currentText();
    if (const auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    if (const auto* field = qobject_cast<QLineEdit*>(w)) return field->text();
    return fallback;
}

} // namespace

Report gather(RbxCharWindowController& palette, RbxDefaults& settings, RbxFontList& fonts) {
    Report r;
    r.date = kx::ns::localDescription(QDateTime::currentDateTime());
    r.techLine = support::techInfoLine(support::currentTechInfo(settings, fonts));
    r.model = KXUtilities::computerModel();
    r.processor = KXUtilities::processorType();
    r.bundlePath = kx::Bundle::mainBundle().resourcePath();
    const KXProcess::Ptr self = KXProcess::currentProcess();
    const QDateTime launched = self ? self->launchDate() : QDateTime();
    r.launchLine = launchLine(QCoreApplication::arguments().contains(QStringLiteral("-relaunch")),
                              launched.isValid() ? kx::ns::localDescription(launched) : QString(),
                              launched.isValid() ? launched.secsTo(QDateTime::currentDateTime()) : 0,
                              settings.boolForKey(rbx::key::startAtLogin));
    r.crashLine = crashreports::crashLine(crashreports::reports(crashreports::folder()));
    r.taps = kx::KXTap::installedTapsInfo();
    QWidget* window = palette.window();
    r.font = titleOf(window, "recentFontsPopUp", palette.selectedFont().displayName());
    r.view = titleOf(window, "viewPopUp", QString::number(settings.integerForKey(rbx::key::view)));
    r.layout = titleOf(window, "layoutPopUp", palette.table().layoutName());
    r.collection = titleOf(window, "collectionsPopUp", settings.stringForKey(rbx::key::selectedCollection));
    r.insertionMode = RbxDefaults::applicationInsertModeAsString(settings.applicationInsertMode());
    r.activator = activatorText(settings.integerForKey(rbx::key::activator), settings.boolForKey(rbx::key::hideQInCorner));
    r.charFilter = palette.searchField()->text();
    r.fontFilter = titleOf(window, "fontFilterField", QString());
    r.customNames = RbxCharacterName::userDefinedNamesSummary();
    r.fontChanges = fonts.fontChangeLog();
    r.insertions = palette.charView()->insertionLog();
    r.positions = RbxPositionLog::shared().positionLog();
    r.processes = KXProcess::processListForDiagnosticsReport();
    return r;
}

} // namespace diagnostics
