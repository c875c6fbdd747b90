// The timing listing: how long the character table takes to draw a list of fonts from
// top to bottom, screen by screen.
#include "app/RbxListings.h"

#include "core/FoundationValues.h"
#include "table/core/RbxGeometry.h"
#include "table/widgets/RbxCharView.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace rbx::listings {

const QStringList& timedFontNames() {
    static const QStringList names = {
        QStringLiteral("AppleGothic"), QStringLiteral("AppleMyungjo"), QStringLiteral("Arial"),
        QStringLiteral("ArialUnicodeMS"), QStringLiteral("Courier"),   QStringLiteral("Geneva"),
        QStringLiteral("LucidaGrande"), QStringLiteral("Helvetica"),  QStringLiteral("Osaka"),
        QStringLiteral("Times"),       QStringLiteral("Verdana"),
    };
    return names;
}

namespace {

// Home: the table's top in view.
void goToTop(RbxCharView& view) { view.scrollToY(view.tableHeight()); }

} // namespace

int drawScreenByScreen(RbxCharView& view) {
    goToTop(view);
    view.viewport()->repaint();
    int screens = 1;
    // Space: the visible bottom becomes the top, until the end is in view.
    for (;;) {
        const double before = view.scrollValue();
        view.scrollToY(rbx::geom::minY(view.scrollArea()));
        if (view.scrollValue() <= before) break;
        view.viewport()->repaint();
        ++screens;
    }
    goToTop(view);
    return screens;
}

QString listTimingResults(const Context& c) {
    if (!c.timedTable) return QString();
    TimedTable& table = *c.timedTable;
    QElapsedTimer timer;
    timer.start();
    table.prepare();
    QString out = QStringLiteral("Timing on %1\n\n").arg(kx::ns::dateDescription(QDateTime::currentDateTime()));
    goToTop(table.view());
    for (const QString& name : timedFontNames()) {
        out += name + QStringLiteral(": ");
        if (!table.showFont(name)) {
            out += QStringLiteral("NOT FOUND\n");
            continue;
        }
        out += QStringLiteral("%1\n").arg(drawScreenByScreen(table.view()));
    }
    out += QStringLiteral("%1 sec").arg(QString::number(double(timer.elapsed()) / 1000.0, 'f', 2));
    table.restore();
    return out;
}

} // namespace rbx::listings
