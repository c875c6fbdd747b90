#pragma once
// The version feed: an XML file of which only the leaf elements' texts count, collected
// into one flat dictionary by element name (a later element of a name replaces an
// earlier one; a parent's text is dropped; text after a child element is ignored).
//   <XML_DIZ_INFO><Program_Info>
//     <Program_Version>5.4b2</Program_Version>
//     <Program_Release_Year>2024</Program_Release_Year> ... Month, Day
//     <Program_System_Requirements>Linux 6.1 or later</Program_System_Requirements>
//     <Program_Archive_SHA256>(64 hex digits)</Program_Archive_SHA256>   optional
//     <Program_Archive_Ed25519>(base64)</Program_Archive_Ed25519>   the archive's signature
//   </Program_Info></XML_DIZ_INFO>
// A parse error is logged "XML parse error <reason>" and keeps what was collected.
// Documents with a type declaration are refused (no entities are expanded).

#include <QByteArray>
#include <QString>
#include <QVariantMap>

namespace update {

// The element with the SHA-256 of the offered archive: a download that differs is refused.
inline const QString ArchiveChecksumElement = QStringLiteral("Program_Archive_SHA256");
// The element with the archive's Ed25519 signature (ArchiveSignature.h): an archive
// without a valid one is refused.
inline const QString ArchiveSignatureElement = QStringLiteral("Program_Archive_Ed25519");

QVariantMap parsePadFeed(const QByteArray& xml);

// From the first digit on, the run of digits and dots ("" without a digit).
QString minimumSystemVersion(const QString& requirements);

// "%04d-%02d-%02d" of the release fields when all three are numbers of at least 1,
// else "".
QString releaseDate(const QVariantMap& feed);

} // namespace update
