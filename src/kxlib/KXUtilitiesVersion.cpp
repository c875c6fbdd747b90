// Version texts, the system version and the processor.

#include "kxlib/KXUtilities.h"

#include "core/Log.h"
#include "core/StringExtensions.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>
#include <sys/utsname.h>

namespace {

struct SplitVersion {
    QString base;
    int stage;  // 0 p, 1 d, 2 a, 3 b, 4 f, 5 release
    QString rest;
};

bool isAsciiLetter(char16_t u) { return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z'); }

SplitVersion split(const QString& v) {
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char16_t u = v[i].unicode();
        if (!isAsciiLetter(u)) continue;
        static const QString stages = QStringLiteral("pdabf");
        const qsizetype stage = stages.indexOf(QChar(u));
        return {v.left(i), stage < 0 ? 0 : static_cast<int>(stage), v.mid(i + 1)};
    }
    return {v, 5, QStringLiteral("0")};
}

struct Uname {
    QString machine;
    QString release;
};

Uname readUname() {
    struct utsname u;
    if (::uname(&u) != 0) return {};
    return {QString::fromLocal8Bit(u.machine), QString::fromLocal8Bit(u.release)};
}

// Up to three leading numbers separated by dots; false when the text does not start with
// a digit.
bool parseNumbers(const QString& text, KXUtilities::SystemVersion* v) {
    static const QRegularExpression re(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return false;
    auto part = [&](int i) { return std::clamp(m.captured(i).left(6).toInt(), 0, 99); };
    v->major = part(1);
    v->minor = m.captured(2).isEmpty() ? 0 : part(2);
    v->patch = m.captured(3).isEmpty() ? 0 : part(3);
    return true;
}

} // namespace

void KXUtilities::initialize() {
    static std::once_flag once;
    std::call_once(once, [] { kx::log(QStringLiteral("**Utilities initialized")); });
}

QString KXUtilities::plainVersionOf(const QString& version) {
    qsizetype n = 0;
    while (n < version.size() && (version[n] == u'.' || (version[n] >= u'0' && version[n] <= u'9'))) ++n;
    return version.left(n);
}

int KXUtilities::compareVersion(const QString& a, const QString& b) {
    const SplitVersion x = split(a), y = split(b);
    if (const int c = kx::str::caseInsensitiveNumericCompare(x.base, y.base)) return c;
    if (x.stage != y.stage) return x.stage < y.stage ? -1 : 1;
    return kx::str::caseInsensitiveNumericCompare(x.rest, y.rest);
}

KXUtilities::SystemVersion KXUtilities::systemVersionFrom(const QString& osRelease, const QString& kernelRelease) {
    SystemVersion v;
    for (const QString& line : osRelease.split(u'\n')) {
        if (!line.startsWith(QLatin1String("VERSION_ID="))) continue;
        QString value = line.mid(11).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        if (parseNumbers(value, &v)) return v;
    }
    if (parseNumbers(kernelRelease, &v)) return v;
    return SystemVersion{};
}

int KXUtilities::decimalVersion(const SystemVersion& v) { return v.major * 10000 + v.minor * 100 + v.patch; }

KXUtilities::SystemVersion KXUtilities::threePartVersion() {
    initialize();
    static const SystemVersion version = [] {
        QString osRelease;
        for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
            QFile f(QString::fromLatin1(path));
            if (f.open(QIODevice::ReadOnly)) {
                osRelease = QString::fromUtf8(f.read(64 * 1024));
                break;
            }
        }
        return systemVersionFrom(osRelease, readUname().release);
    }();
    return version;
}

int KXUtilities::decimalSystemVersion() { return decimalVersion(threePartVersion()); }

QString KXUtilities::systemVersionString() {
    const SystemVersion v = threePartVersion();
    if (v.patch == 0) return QStringLiteral("%1.%2").arg(v.major).arg(v.minor);
    return QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.patch);
}

QString KXUtilities::processorType() {
    static const QString machine = [] {
        const QString m = readUname().machine;
        return m.isEmpty() ? QStringLiteral("?") : m;
    }();
    return machine;
}

QString KXUtilities::processorTypeLetterFor(const QString& machine) {
    if (machine.startsWith(QLatin1String("arm")) || machine.startsWith(QLatin1String("aarch64"))) return QStringLiteral("A");
    if (machine == QLatin1String("x86_64") || machine == QLatin1String("amd64") ||
        QRegularExpression(QStringLiteral("^i[3-6]86$")).match(machine).hasMatch())
        return QStringLiteral("I");
    return machine;
}

QString KXUtilities::processorTypeLetter() { return processorTypeLetterFor(processorType()); }

QString KXUtilities::safeHTTPS(const QString& address) { return address; }

QString KXUtilities::safeHTTPSForSystem(const QString& address, int decimalSystemVersion, const QVariant& httpsMinSys) {
    int threshold = 101300;
    bool ok = false;
    const qlonglong setting = httpsMinSys.toLongLong(&ok);
    if (ok && setting >= 100000 && setting <= 109999) threshold = static_cast<int>(setting);
    if (decimalSystemVersion < threshold && address.startsWith(QLatin1String("https:")))
        return QStringLiteral("http") + address.mid(5);
    return address;
}
