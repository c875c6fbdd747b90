#include "update/UpdateNetwork.h"

#include "core/Log.h"
#include "kxlib/KXNetwork.h"

#include <arpa/inet.h>
#include <cstring>

namespace update {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.constData(), &v6) != 1) return false;
    if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
    // An IPv4 loopback address written as IPv6 (::ffff:127.x.y.z).
    return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
}

bool isPermittedAddress(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    return scheme == QLatin1String("http") && isLoopbackHost(url.host());
}

bool isPermittedRedirect(const QUrl& from, const QUrl& to) {
    if (!isPermittedAddress(to)) return false;
    return !(from.scheme().toLower() == QLatin1String("https") && to.scheme().toLower() != QLatin1String("https"));
}

rbx::network::Request makeRequest(const QUrl& url, qint64 maxBytes, int timeoutMs) {
    rbx::network::Request request;
    request.url = url;
    request.maxBytes = maxBytes;
    request.timeoutMs = timeoutMs;
    request.identityEncoding = true;
    request.redirectAllowed = &isPermittedRedirect;
    return request;
}

void logRefusedRedirect(const QString& refused) {
    if (!refused.isEmpty()) kx::log(QStringLiteral("redirect refused: %1").arg(refused));
}

Fetched fetch(const QUrl& url, qint64 maxBytes, int timeoutMs) {
    if (!isPermittedAddress(url)) {
        kx::log(QStringLiteral("address refused (https only): %1").arg(url.toString()));
        return {std::nullopt, QStringLiteral("address refused")};
    }
    rbx::network::Answer answer = kx::fetch(makeRequest(url, maxBytes, timeoutMs));
    logRefusedRedirect(answer.refusedRedirect);
    return {std::move(answer.data), answer.error};
}

} // namespace update
