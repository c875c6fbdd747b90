#include "common/ZipArchive.h"

#include "common/TestEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace rbxtest {

namespace {

// argv[1]: the archive; argv[2]: the entries as JSON.
const char* const Script = R"(
import base64, json, struct, sys, zipfile
entries = json.loads(sys.argv[2])
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for e in entries:
        info = zipfile.ZipInfo(e['name'], (2026, 1, 1, 0, 0, 0))
        info.create_system = 3
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = e['mode'] << 16
        if e['zeros']:
            with z.open(info, 'w') as f:
                for _ in range(e['zeros'] >> 20):
                    f.write(bytes(1 << 20))
        else:
            z.writestr(info, base64.b64decode(e['data']))
data = bytearray(open(sys.argv[1], 'rb').read())
understated = {e['name'] for e in entries if e['understated']}
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    if info.filename in understated:
        struct.pack_into('<I', data, info.header_offset + 22, 10)
at = data.find(b'PK\x01\x02')
while at >= 0:
    n, extra, comment = struct.unpack_from('<HHH', data, at + 28)
    if data[at + 46:at + 46 + n].decode() in understated:
        struct.pack_into('<I', data, at + 24, 10)
    at = data.find(b'PK\x01\x02', at + 46 + n + extra + comment)
open(sys.argv[1], 'wb').write(data)
)";

} // namespace

QByteArray zipArchive(const QList<ZipEntry>& entries) {
    QJsonArray list;
    for (const ZipEntry& e : entries)
        list.append(QJsonObject{{QStringLiteral("name"), e.name},
                                {QStringLiteral("data"), QString::fromLatin1(e.data.toBase64())},
                                {QStringLiteral("mode"), e.mode},
                                {QStringLiteral("zeros"), double(e.zeros)},
                                {QStringLiteral("understated"), e.understated}});
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/out.zip");
    const ProgramRun r = runProgram(QStringLiteral("python3"),
                                    {QStringLiteral("-c"), QString::fromLatin1(Script), path,
                                     QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact))});
    QFile zip(path);
    if (r.code != 0 || !zip.open(QIODevice::ReadOnly)) return {};
    return zip.readAll();
}

} // namespace rbxtest
