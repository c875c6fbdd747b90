#pragma once
// The messages that programs send one another over the session bus in place of Apple
// events: an event class, an event ID and a dictionary of parameters keyed by
// four-character keywords, the direct parameter under "----". Every program that takes
// them exports the object "/AppleEvents" with the interface "org.runebox.AppleEvents":
//
//   Send(s class, s id, a{sv} params) -> a{sv} reply
//
// A program with a creator code 'ABCD' owns the bus name "org.runebox.sig.x41424344".

#include <QString>
#include <QVariantMap>
#include <QtGlobal>

namespace appleevent {

inline const QString ObjectPath = QStringLiteral("/AppleEvents");
inline const QString Interface = QStringLiteral("org.runebox.AppleEvents");
inline const QString Method = QStringLiteral("Send");
inline const QString SignaturePrefix = QStringLiteral("org.runebox.sig.x");
inline const QString DirectParameter = QStringLiteral("----");
// Reply keys for a handler's failure, as the platform's events carry them.
inline const QString ErrorNumberKey = QStringLiteral("errn");
inline const QString ErrorStringKey = QStringLiteral("errs");

// D-Bus error names of refused calls.
inline const QString ErrorInvalidArgs = QStringLiteral("org.runebox.AppleEvents.Error.InvalidArgs");
inline const QString ErrorNotHandled = QStringLiteral("org.runebox.AppleEvents.Error.NotHandled");
inline const QString ErrorHandlerFailed = QStringLiteral("org.runebox.AppleEvents.Error.HandlerFailed");

// Limits on what a caller may send us.
inline constexpr int MaxParameters = 64;
inline constexpr qsizetype MaxStringLength = 1 << 20;       // characters
inline constexpr qsizetype MaxBytesLength = 16 << 20;       // bytes
inline constexpr qsizetype MaxListLength = 4096;            // strings in a list

struct Event {
    quint32 eventClass = 0;
    quint32 eventID = 0;
    QVariantMap params;
    QString sender;      // unique bus name of the sender ("" for local calls)
    uint senderPid = 0;  // 0 when unknown
    QVariant directParameter() const { return params.value(DirectParameter); }
};

// The bus name that stands for a creator code: "org.runebox.sig.x41424344".
QString signatureBusName(quint32 signature);
// The creator code of such a name; nothing for any other name.
std::optional<quint32> signatureOfBusName(const QString& name);

// Checks a parameter dictionary received from outside: keys four-character codes,
// values strings, byte arrays, numbers, flags or lists of strings, within the limits.
// Answers "" when it is acceptable, else what is wrong.
QString validateParameters(const QVariantMap& params);

} // namespace appleevent
