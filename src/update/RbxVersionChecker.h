#pragma once
// The application's update check: the addresses on the update server, the settings
// store of the program, the explanation in the alert. Every address is relative to the
// server's base address: the hidden setting "updateServer" when it holds one, else the
// project's https server. Before each check asked for by the user the per-application
// settings update is fetched too.

#include "update/KXVersionChecker.h"

class RbxVersionChecker : public KXVersionChecker {
    Q_OBJECT
public:
    static inline const QString DefaultServer = QStringLiteral("https://updates.runebox.org/");

    RbxVersionChecker(KXDefaults& settings, std::shared_ptr<UpdateActivity> activity, QObject* parent = nullptr);

    // The base address, ending in "/".
    QString serverAddress() const;

    QString padURL() const override;
    QString whatsNewURL() const override;
    QString downloadFinalURL() const override;
    QString downloadBetaURL() const override;
    QString counterURL() const override;
    QString monceURL() const override;
    QString extraExplanation() const override;
    double delayAfterLaunching() const override { return 2.5; }

protected:
    void willCheck(bool user) override;

private:
    QString address(const QString& relative) const;
};
