#include "app/PaletteFontFollower.h"

#include "app/FrontApplication.h"
#include "app/PaletteFontControls.h"
#include "app/PaletteFontList.h"
#include "app/RbxCharWindowController.h"
#include "core/Log.h"
#include "insertion/RbxFontDetector.h"
#include "kxlib/RbxDefaults.h"
#include "model/FontExtensions.h"
#include "model/RbxFontList.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxCharView.h"

namespace {
const QString FailedFont = QStringLiteral("failed font");
} // namespace

PaletteFontFollower::PaletteFontFollower(RbxCharWindowController& controller, RbxDefaults& settings,
                                         FrontApplication& front, PaletteFontList& fonts, RbxFontDetectors& detectors)
    : controller_(controller), settings_(settings), front_(front), fonts_(fonts), detectors_(detectors) {}

QStringList PaletteFontFollower::guessedNames(const QString& detectedName) {
    QStringList words = detectedName.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList out;
    if (words.size() < 2) return out;
    for (qsizetype k = words.size() - 2; k >= 0; --k) {
        const QString prefix = words.mid(0, k).join(QString());
        const QString& a = words[k];
        const QString& b = words[k + 1];
        if (!prefix.isEmpty()) out << prefix + QLatin1Char('-') + a + b;
        out << prefix + a + QLatin1Char('-') + b << prefix + a + b;
        words.removeLast();
        out << words.join(QLatin1Char(' '));
    }
    return out;
}

rbx::Font PaletteFontFollower::guessFont(const QString& detectedName, QString* lastTried) {
    QStringList names{detectedName};
    names += guessedNames(detectedName);
    for (const QString& name : std::as_const(names)) {
        if (lastTried) *lastTried = name;
        if (rbx::Font f = rbx::font::tryFindingFontWithName(name, 12)) return f;
    }
    return {};
}

void PaletteFontFollower::checkForAutomaticFontChange(bool force) {
    if (settings_.boolForKey(rbx::key::useUniversalFont)) return;
    RbxCharView* view = controller_.charView();
    if (view->selection().duringClick() || view->selectedCharacter() != 0) return;
    const KXProcess::Ptr process = front_.frontProcess();
    const auto detector = detectors_.detectorForProcess(process);
    if (!detector) return;
    if (!force && !detector->shouldCheck()) return;

    const QString detected = detector->detectedFontName();
    QString tried;
    const rbx::Font font = detected.isEmpty() ? rbx::Font() : guessFont(detected, &tried);
    RbxFontList& list = fonts_.list();
    if (font) {
        process->setInfo(QVariant(), FailedFont);
        if (list.automaticSuccess() && font.postScriptName() == settings_.applicationFont()) return;
        settings_.setApplicationFont(font.postScriptName());
        list.setAutomaticSuccess(true);
        if (controller_.isWindowVisible()) {
            controller_.selectFont(font);
            view->selection().reselectAfterDelay();
        }
        return;
    }
    if (!tried.isEmpty() && tried != process->infoForKey(FailedFont).toString()) {
        kx::log(QStringLiteral("Could not find font \"%1\" in %2").arg(tried, process->name()));
        process->setInfo(tried, FailedFont);
    }
    if (list.automaticSuccess()) {
        list.setAutomaticSuccess(false);
        controller_.fontControls().updateRecentFontsPopUp();
    }
    // Most methods need the accessibility service.
    if (!detectors_.desktop().accessibilityTrusted() && controller_.isWindowVisible())
        controller_.showAXAlertForApplication(process->name());
}
