#include "app/AboutSheet.h"

#include "app/DiagnosticsReport.h"
#include "app/PaletteFontList.h"
#include "app/RbxCharWindowController.h"
#include "core/Bundle.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "insertion/RbxClipboardCopies.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxFontList.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutSheet::AboutSheet(RbxCharWindowController& palette, RbxDefaults& settings, PaletteFontList& fonts, QWidget* parent)
    : QDialog(parent), palette_(palette), settings_(settings), fonts_(fonts) {
    setObjectName(QStringLiteral("aboutSheet"));
    setWindowTitle(kx::loc(QStringLiteral("About Runebox")));
    auto* name = new QLabel(QStringLiteral("Runebox"), this);
    QFont big = name->font();
    big.setPixelSize(22);
    big.setBold(true);
    name->setFont(big);
    auto* what = new QLabel(kx::loc(QStringLiteral("Every character of every installed font, one click away.")), this);
    version_ = new QLabel(this);
    version_->setObjectName(QStringLiteral("versionField"));
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fontCount_ = new QLabel(this);
    fontCount_->setObjectName(QStringLiteral("fontCountField"));

    auto* report = new QPushButton(kx::loc(QStringLiteral("Copy Diagnostics Report")), this);
    report->setObjectName(QStringLiteral("copyDiagnosticsReportButton"));
    report->setAutoDefault(false);
    report->setToolTip(kx::loc(QStringLiteral("Puts a report for support on the clipboard")));
    auto* help = new QPushButton(kx::loc(QStringLiteral("User's Guide")), this);
    help->setObjectName(QStringLiteral("helpButton"));
    help->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("aboutOKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(1); });
    connect(report, &QPushButton::clicked, this, &AboutSheet::copyDiagnosticsReport);
    connect(help, &QPushButton::clicked, this, [] { showHelp(); });

    auto* row = new QHBoxLayout;
    row->addWidget(report);
    row->addWidget(help);
    row->addStretch(1);
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(what, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(version_, 0, Qt::AlignHCenter);
    layout->addWidget(fontCount_, 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    layout->addLayout(row);
    setMinimumWidth(420);
}

void AboutSheet::showAbout() {
    const bool logs = palette_.logsSheets();
    if (logs) kx::log(QStringLiteral("showAbout"));
    if (palette_.hasSheet()) {
        if (logs) kx::log(QStringLiteral("showAbout blocked"));
        return;
    }
    // The version the user knows with the build number (the bundle's version, which the
    // update check compares, is the build number itself).
    version_->setText(QStringLiteral("%1 (%2)").arg(kx::Bundle::mainBundle().shortVersionString()).arg(settings_.integerForKey(rbx::key::buildNr)));
    RbxFontList& list = fonts_.list();
    fontCount_->setText(kx::loc(QStringLiteral("%d fonts in %d families; %d unique Unicode characters"))
                            .replace(QStringLiteral("%d fonts"), QStringLiteral("%1 fonts"))
                            .replace(QStringLiteral("%d families"), QStringLiteral("%2 families"))
                            .replace(QStringLiteral("%d unique"), QStringLiteral("%3 unique"))
                            .arg(list.totalFontCount())
                            .arg(list.totalFamilyCount())
                            .arg(qulonglong(list.availableCharactersInAllFonts().numberOfCharacters())));
    palette_.sheets().beginSheet(this, SheetName, [logs](int) {
        if (logs) kx::log(QStringLiteral("about closed"));
    });
}

void AboutSheet::copyDiagnosticsReport() {
    palette_.closeSheet();
    RbxTableClipboard::shared().publishString(diagnostics::text(diagnostics::gather(palette_, settings_, fonts_.list())));
}

bool AboutSheet::showHelp() {
    const QString guide = kx::Bundle::mainBundle().pathForResource(kx::loc(QStringLiteral("Runebox User's Guide")), QStringLiteral("html"));
    if (guide.isEmpty() || !QFileInfo::exists(guide)) {
        kx::log(QStringLiteral("help: the user's guide is missing"));
        return false;
    }
    return KXUtilities::openFile(guide);
}
