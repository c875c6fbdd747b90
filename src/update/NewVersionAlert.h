#pragma once
// The texts of the new-version alert, made by the update check and shown by the palette.
// Its answers: "Download and Install" 1 (never the default button), "Skip Version" 0
// (left out when skipping is not allowed), "Not Now" -1, "What's New?" 1002.

#include <QMetaType>
#include <QString>

struct NewVersionAlert {
    static constexpr int DownloadReturn = 1;
    static constexpr int SkipReturn = 0;
    static constexpr int NotNowReturn = -1;
    static constexpr int WhatsNewReturn = 1002;

    QString message;
    QString informative;
    QString download;
    QString skip;  // empty: no skip button
    QString notNow;
    QString whatsNew;
};
Q_DECLARE_METATYPE(NewVersionAlert)
