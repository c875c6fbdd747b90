// The ligature listings.
#include "app/RbxListings.h"

#include "core/AtomicFile.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/LigatureReaders.h"
#include "model/RbxFontList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <exception>

namespace rbx::listings {

namespace {

using Ligatures = std::optional<QStringList>;

// A table's ligatures without any filter; a damaged table gives none and a log line.
Ligatures unfiltered(const rbx::Font& font, const char* table,
                     Ligatures (*read)(const rbx::Font&, const kx::CharSet&, rbx::font::ReadingBudget*)) {
    try {
        return read(font, kx::CharSet(), nullptr);
    } catch (const std::exception& e) {
        kx::log(QStringLiteral("%1 of %2: %3").arg(QLatin1String(table), font.postScriptName(), QString::fromUtf8(e.what())));
        return std::nullopt;
    }
}

Ligatures unfilteredGSUB(const rbx::Font& font) {
    return unfiltered(font, "GSUB", &rbx::font::ligaturesFromGSUBWithoutCharacters);
}

Ligatures unfilteredMorx(const rbx::Font& font) {
    return unfiltered(font, "morx", &rbx::font::ligaturesFrommorxWithoutCharacters);
}

int count(const Ligatures& l) { return l ? int(l->size()) : 0; }

QList<rbx::Font> allFonts(const Context& c) { return c.fontList ? c.fontList->allFonts() : QList<rbx::Font>(); }

} // namespace

QString listOfLigatures(const Ligatures& ligatures, const QString& type, const rbx::Font& font) {
    if (!ligatures || ligatures->isEmpty()) return QStringLiteral("--- no %1 ligatures\n").arg(type);
    QString out = QStringLiteral("--- %1 %2 ligatures:\n").arg(ligatures->size()).arg(type);
    for (const QString& lig : *ligatures) {
        QString chars, codes;
        for (qsizetype i = 0; i < lig.size(); ++i) {
            chars += i == 0 ? QString(lig[i]) : QStringLiteral(" %1").arg(lig[i]);
            codes += (i == 0 ? QStringLiteral("\t%1") : QStringLiteral("+%1")).arg(lig[i].unicode());
        }
        out += QStringLiteral("%1\t%2\t%3\n").arg(lig, chars + codes).arg(rbx::font::glyphForString(font, lig));
    }
    return out;
}

QString listFontLigatures(const Context& c) {
    if (!c.selectedFont) return QString();
    return c.selectedFont.displayName() + u'\n' +
           listOfLigatures(unfilteredGSUB(c.selectedFont), QStringLiteral("GSUB"), c.selectedFont) +
           listOfLigatures(unfilteredMorx(c.selectedFont), QStringLiteral("morx"), c.selectedFont);
}

QString listAllFontLigatureCounts(const Context& c) {
    QString out = QStringLiteral("Font\tGSUB\tmorx\tGSUB\tmorx\ttime[s]\n");
    for (const rbx::Font& font : allFonts(c)) {
        QElapsedTimer timer;
        timer.start();
        const int otherGsub = count(unfilteredGSUB(font));
        const int otherMorx = count(unfilteredMorx(font));
        const double seconds = timer.nsecsElapsed() / 1e9;
        const int gsub = count(rbx::font::ligaturesFromGSUB(font));
        const int morx = count(rbx::font::ligaturesFrommorx(font));
        kx::log(QStringLiteral("GSUB=%1/%2, morx=%3/%4 in %5").arg(gsub).arg(otherGsub).arg(morx).arg(otherMorx).arg(font.displayName()));
        auto column = [](int shown, int n) { return shown == 0 ? QString() : QString::number(n); };
        out += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                   .arg(font.displayName(), column(gsub, gsub), column(morx, morx), column(gsub, otherGsub),
                        column(morx, otherMorx), QString::number(seconds, 'f', 3));
    }
    return out;
}

QString listLigatureTiming(const Context& c) {
    if (!c.selectedFont) return QString();
    QString out = QStringLiteral("ligature timing for %1\nGSUB\tmorx\ttGSUB\ttmorx\n").arg(c.selectedFont.displayName());
    double total = 0;
    for (int round = 0; round < 101 && total < 10; ++round) {
        QElapsedTimer timer;
        timer.start();
        const int gsub = count(unfilteredGSUB(c.selectedFont));
        const double tGsub = timer.nsecsElapsed() / 1e9;
        timer.restart();
        const int morx = count(unfilteredMorx(c.selectedFont));
        const double tMorx = timer.nsecsElapsed() / 1e9;
        total += tGsub + tMorx;
        out += QStringLiteral("%1\t%2\t%3\t%4\n").arg(gsub).arg(morx).arg(QString::number(tGsub, 'f', 6), QString::number(tMorx, 'f', 6));
    }
    return out;
}

QString writeAllFontLigaturesToFile(const Context& c) {
    QDir().mkpath(c.desktopFolder);
    const QString path = QDir(c.desktopFolder).filePath(QStringLiteral("All Ligatures.txt"));
    QString text = QStringLiteral("ALL LIGATURES");
    for (const rbx::Font& font : allFonts(c)) {
        const Ligatures gsub = unfilteredGSUB(font);
        if (gsub && !gsub->isEmpty())
            text += QStringLiteral("\n%1 - GSUB %2\n").arg(font.displayName()).arg(gsub->size()) + gsub->join(u'\n');
        const Ligatures morx = unfilteredMorx(font);
        if (morx && !morx->isEmpty())
            text += QStringLiteral("\n%1 - morx %2\n").arg(font.displayName()).arg(morx->size()) + morx->join(u'\n');
    }
    text += u'\n';
    QString error;
    if (!kx::writeFileAtomically(path, text.toUtf8(), &error)) kx::log(error);
    return QString();
}

} // namespace rbx::listings
