#include "app/ContactSheet.h"

#include "app/PaletteFontList.h"
#include "app/RbxCharWindowController.h"
#include "app/SupportInfo.h"
#include "core/Bundle.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "kxlib/KXUtilities.h"

#include <QDeadlineTimer>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ContactSheet::ContactSheet(RbxCharWindowController& palette, RbxDefaults& settings, PaletteFontList& fonts, QWidget* parent)
    : QDialog(parent), palette_(palette), settings_(settings), fonts_(fonts) {
    setObjectName(QStringLiteral("contactSheet"));
    setWindowTitle(kx::loc(QStringLiteral("Contact")));
    auto* intro = new QLabel(kx::loc(QStringLiteral("Questions, ideas or trouble with Runebox? Read the answers to common "
                                                    "questions, or write to us: the mail carries a line about your "
                                                    "installation that helps us answer.")),
                             this);
    intro->setWordWrap(true);
    const auto button = [this](const char* title, const char* name, void (ContactSheet::*action)()) {
        auto* b = new QPushButton(kx::loc(QString::fromLatin1(title)), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, action);
        return b;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(button("Visit the Web Site", "visitMakerButton", &ContactSheet::visitMaker), 0, 0);
    grid->addWidget(button("Questions and Answers", "visitFAQButton", &ContactSheet::visitFAQ), 0, 1);
    grid->addWidget(button("Mail Technical Support", "supportMailButton", &ContactSheet::sendSupportMail), 1, 0);
    grid->addWidget(button("Mail Customer Service", "salesMailButton", &ContactSheet::sendSalesMail), 1, 1);
    auto* close = button("Close", "closeContactButton", &ContactSheet::closeContact);
    close->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(close, 0, Qt::AlignRight);
    setMinimumWidth(420);
}

QString ContactSheet::configValue(const QString& key) {
    const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("Config"), QStringLiteral("plist"));
    const kx::plist::Result r = kx::plist::readFile(path);
    if (!r.ok()) kx::log(QStringLiteral("Config.plist: %1").arg(r.error));
    return r.value.toMap().value(key).toString();
}

QUrl ContactSheet::makerURL() { return QUrl(KXUtilities::safeHTTPS(configValue(QStringLiteral("makerURL")))); }

QUrl ContactSheet::faqURL() { return makerURL().resolved(QUrl(configValue(QStringLiteral("faqPath")))); }

void ContactSheet::showContact() {
    const bool logs = palette_.logsSheets();
    if (logs) kx::log(QStringLiteral("showContact"));
    if (palette_.hasSheet()) {
        if (logs) kx::log(QStringLiteral("showContact blocked"));
        return;
    }
    palette_.sheets().beginSheet(this, SheetName, [logs](int) {
        if (logs) kx::log(QStringLiteral("contact closed"));
    });
}

void ContactSheet::closeContact() { palette_.sheets().endSheet(1); }

void ContactSheet::visitMaker() {
    KXUtilities::openFile(makerURL().toString(QUrl::FullyEncoded));
    closeContact();
}

void ContactSheet::visitFAQ() {
    KXUtilities::openFile(faqURL().toString(QUrl::FullyEncoded));
    closeContact();
}

void ContactSheet::sendMailTo(const QString& address, const QString& subjectKey) {
    const QString subject = kx::loc(subjectKey) +
                            QStringLiteral(" REF#%1").arg(support::referenceNumber(std::uint64_t(QDeadlineTimer::current().deadline())));
    const QString line = support::techInfoLine(support::currentTechInfo(settings_, fonts_.list()));
    KXUtilities::openFile(support::mailURL(address, subject, support::mailBody(line)).toString(QUrl::FullyEncoded));
    closeContact();
    if (palette_.isWindowVisible()) palette_.toggleWindow(&palette_);
}

void ContactSheet::sendSupportMail() {
    sendMailTo(configValue(QStringLiteral("supportAddress")), QStringLiteral("Runebox Question (Technical Support)"));
}

void ContactSheet::sendSalesMail() {
    sendMailTo(configValue(QStringLiteral("salesAddress")), QStringLiteral("Runebox Question (Customer Service)"));
}
