// The signature check on any bytes: the first byte chooses what the rest is.
//   even: 64 bytes of signature, then the signed data, checked under the built-in key;
//   odd: the base64 text of the feed's element, checked against a fixed archive.
// Neither ever passes: nobody here holds the private key of the built-in one.
#include "update/archive/ArchiveSignature.h"
#include "update/archive/UpdateKey.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {
QString archive;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    archive = QDir::tempPath() + QStringLiteral("/fuzz-archive-signature-%1.zip").arg(::getpid());
    QFile f(archive);
    if (!f.open(QIODevice::WriteOnly) || f.write("PK\x05\x06", 4) != 4) std::abort();
    std::atexit([] { QFile::remove(archive); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] % 2 == 0) {
        if (rest.size() >= update::SignatureBytes &&
            update::verifySignature(rest.sliced(update::SignatureBytes), rest.first(update::SignatureBytes),
                                    update::updatePublicKey()))
            std::abort();
    } else if (update::checkArchiveSignature(archive, QString::fromLatin1(rest)).isEmpty()) {
        std::abort();
    }
    return 0;
}
