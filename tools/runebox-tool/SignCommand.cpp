// runebox-tool sign ARCHIVE KEY.pem [SIGNATURE-FILE]: the Ed25519 signature of the
// archive of a release, made with the private key in the PEM file, in base64 as the
// feed's Program_Archive_Ed25519 gives it: printed, and with a third argument also
// written to that file. The signature is checked against the key this program was built
// with, and a mismatch is said (the key is not the release key).
#include "ToolCommand.h"

#include "update/archive/ArchiveSignature.h"

#include <QFile>

namespace {

int runSign(const QStringList& args) {
    if (args.size() != 2 && args.size() != 3) return tool::usage("sign");
    const update::SignedArchive made = update::signArchive(args[0], args[1]);
    if (!made.error.isEmpty()) {
        tool::err() << made.error << Qt::endl;
        return 1;
    }
    const QByteArray text = made.signature.toBase64();
    if (args.size() == 3) {
        QFile out(args[2]);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text + '\n') != text.size() + 1 || !out.flush()) {
            tool::err() << "cannot write " << args[2] << ": " << out.errorString() << Qt::endl;
            return 1;
        }
    }
    tool::out() << text << Qt::endl;
    if (!update::checkArchiveSignature(args[0], QString::fromLatin1(text)).isEmpty())
        tool::err() << "note: this program does not accept the key of " << args[1] << Qt::endl;
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(sign, "sign ARCHIVE PRIVATE-KEY.pem [SIGNATURE-FILE]", runSign);
