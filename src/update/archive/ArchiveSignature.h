#pragma once
// The Ed25519 signature of an archive of a new version: 64 bytes over the archive's
// bytes, given in the feed in base64 (PadFeed.h: Program_Archive_Ed25519). Checked
// with OpenSSL against the key built into the program (UpdateKey.h) before anything of
// the archive is unpacked or started. runebox-tool's "sign-archive" makes one with
// the private key in a PEM file (also `openssl pkeyutl -sign -rawin`).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace update {

inline constexpr int SignatureBytes = 64;

// The signature is valid for the data under the 32-byte public key.
bool verifySignature(QByteArrayView data, QByteArrayView signature, QByteArrayView publicKey);

// "" when `signatureBase64` is a valid signature of the file under the built-in key,
// else the reason (for the log).
QString checkArchiveSignature(const QString& archive, const QString& signatureBase64);

struct SignedArchive {
    QByteArray signature;  // the 64 bytes; empty on failure
    QString error;
};
// Signs the file with the Ed25519 private key in the PEM file.
SignedArchive signArchive(const QString& archive, const QString& privateKeyPem);

} // namespace update
