// The version feed as a server might send it: any bytes. Parsing never fails on them,
// and what it collects feeds the two readers of its fields.
#include "update/PadFeed.h"

#include <QLoggingCategory>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    QLoggingCategory::setFilterRules(QStringLiteral("runebox.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QVariantMap feed = update::parsePadFeed(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    update::releaseDate(feed);
    update::minimumSystemVersion(feed.value(QStringLiteral("Program_System_Requirements")).toString());
    return 0;
}
