#include "update/archive/ArchiveSignature.h"

#include "update/archive/UpdateKey.h"

#include <QFile>
#include <memory>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace update {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

QString openSslError() {
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (!e) return QStringLiteral("unknown error");
    char text[256];
    ERR_error_string_n(e, text, sizeof text);
    return QString::fromLatin1(text);
}

// The file's bytes, mapped for reading (Ed25519 signs the whole message at once); an
// empty file maps as no bytes.
class MappedFile {
public:
    explicit MappedFile(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::ReadOnly)) return;
        if (file_.size() == 0) {
            ok_ = true;
            return;
        }
        data_ = file_.map(0, file_.size());
        ok_ = data_ != nullptr;
    }
    bool ok() const { return ok_; }
    QString errorString() const { return file_.errorString(); }
    QByteArrayView bytes() const { return {reinterpret_cast<const char*>(data_), data_ ? file_.size() : 0}; }

private:
    QFile file_;
    uchar* data_ = nullptr;
    bool ok_ = false;
};

} // namespace

bool verifySignature(QByteArrayView data, QByteArrayView signature, QByteArrayView publicKey) {
    if (signature.size() != SignatureBytes || publicKey.size() != 32) return false;
    const Pkey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                               reinterpret_cast<const unsigned char*>(publicKey.data()),
                                               std::size_t(publicKey.size())));
    const MdCtx ctx(EVP_MD_CTX_new());
    static const unsigned char none = 0;
    const auto* bytes = data.isEmpty() ? &none : reinterpret_cast<const unsigned char*>(data.data());
    const bool valid = key && ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
                       EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                                        std::size_t(signature.size()),
                                        bytes, std::size_t(data.size())) == 1;
    ERR_clear_error();
    return valid;
}

QString checkArchiveSignature(const QString& archive, const QString& signatureBase64) {
    if (signatureBase64.trimmed().isEmpty()) return QStringLiteral("the archive is not signed");
    const auto decoded = QByteArray::fromBase64Encoding(signatureBase64.trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != SignatureBytes) return QStringLiteral("the signature is not 64 bytes in base64");
    const MappedFile file(archive);
    if (!file.ok()) return QStringLiteral("cannot read %1: %2").arg(archive, file.errorString());
    if (!verifySignature(file.bytes(), decoded.decoded, updatePublicKey())) return QStringLiteral("the signature is not valid");
    return {};
}

SignedArchive signArchive(const QString& archive, const QString& privateKeyPem) {
    QFile pem(privateKeyPem);
    if (!pem.open(QIODevice::ReadOnly)) return {{}, QStringLiteral("cannot read %1: %2").arg(privateKeyPem, pem.errorString())};
    const QByteArray pemBytes = pem.readAll();
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pemBytes.constData(), int(pemBytes.size())), &BIO_free);
    const Pkey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!key) return {{}, QStringLiteral("no private key in %1: %2").arg(privateKeyPem, openSslError())};
    if (EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) return {{}, QStringLiteral("%1 is not an Ed25519 key").arg(privateKeyPem)};
    const MappedFile file(archive);
    if (!file.ok()) return {{}, QStringLiteral("cannot read %1: %2").arg(archive, file.errorString())};
    static const unsigned char none = 0;
    const auto* bytes = file.bytes().isEmpty() ? &none : reinterpret_cast<const unsigned char*>(file.bytes().data());
    QByteArray signature(SignatureBytes, '\0');
    std::size_t length = std::size_t(signature.size());
    const MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       bytes, std::size_t(file.bytes().size())) != 1 ||
        length != std::size_t(SignatureBytes))
        return {{}, QStringLiteral("cannot sign %1: %2").arg(archive, openSslError())};
    return {signature, {}};
}

} // namespace update
