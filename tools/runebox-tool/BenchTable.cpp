// runebox-tool bench table: laying out the table of every defined character and painting
// one screenful of it.
#include "Bench.h"
#include "ToolTable.h"

#include "model/RbxLayout.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr double LayoutTargetMs = 30;
constexpr double PaintTargetMs = 16;
// A screenful at a place not drawn before: the median, and the slowest of them.
constexpr double NewPlaceTargetMs = 8;
constexpr double NewPlaceWorstTargetMs = 16;

int runTableBench(const QStringList& args) {
    QString fontName = QStringLiteral("DejaVuSans");
    int width = 1000, height = 700;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--font") && i + 1 < args.size()) fontName = args[++i];
        else if (args[i] == QLatin1String("--size") && i + 1 < args.size() &&
                 tool::table::parseSize(args[++i], &width, &height)) continue;
        else {
            tool::err() << "usage: runebox-tool bench table [--font PSNAME] [--size WxH]" << Qt::endl;
            return 2;
        }
    }
    // Every defined character (view 3) in the "Unicode Blocks" layout.
    tool::table::TableSetup setup(3);
    QString error;
    if (!setup.bind(fontName, RbxLayout::unicodeBlocksName(), &error)) {
        tool::err() << error << Qt::endl;
        return 1;
    }
    QElapsedTimer allFonts;
    allFonts.start();
    setup.sources()->charactersInAllFonts();
    tool::out() << "characters of all fonts: " << allFonts.elapsed() << " ms (once)" << Qt::endl;
    QElapsedTimer building;
    building.start();
    const auto groups = setup.groups();
    tool::out() << "groups of the layout: " << building.elapsed() << " ms (once, font model)" << Qt::endl;

    RbxCharView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(width, height);
    view.show();
    QApplication::processEvents();
    setup.show(view);
    // Only the timed drawing draws: no paint events of the window in between.
    view.setUpdatesEnabled(false);
    const RbxFontTuning tuning = view.tuning();
    const tool::Timing groupsTime = tool::time(5, [&] { view.setGroups(groups); });
    tool::out() << view.table().totalCount() << " characters in " << view.groups().size() << " groups, "
                << view.charactersPerRow() << " per row, table " << view.tableHeight() << " points high, viewport "
                << view.viewport()->width() << "x" << view.viewport()->height() << Qt::endl;
    bool ok = tool::reportTiming(QStringLiteral("taking the groups and laying them out"), groupsTime, LayoutTargetMs);
    ok = tool::reportTiming(QStringLiteral("layout"), tool::time(20, [&] { view.calculateSize(); }), LayoutTargetMs) && ok;

    // The screens are drawn into one image, as the window draws into its backing store: a
    // fresh image for every screen would time the system handing out its pages.
    const QRect viewportRect = view.viewport()->rect();
    const qreal ratio = view.viewport()->devicePixelRatioF();
    QImage screen(viewportRect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(ratio);
    screen.fill(Qt::white);
    auto draw = [&] {
        QPainter painter(&screen);
        view.drawRect(painter, QRegion(viewportRect));
    };

    // Screens at places through the table: Latin, symbols, CJK (substituted or missing), the
    // end; once drawing the font's glyphs by number, once drawing every cell as text.
    for (bool asText : {false, true}) {
        RbxFontTuning t = tuning;
        t.requiresSafeDrawing = asText;
        view.setFont(setup.font(), t);
        view.setGroups(groups);
        tool::out() << (asText ? "drawn as text:" : "drawn as glyphs:") << Qt::endl;
        std::vector<double> cold, warm, step;
        char32_t slowestPlace = 0;
        for (char32_t c : {0x41u, 0x391u, 0x2190u, 0x4E00u, 0xAC00u, 0x1F600u, 0x20000u}) {
            view.scrollToCharacter(c);
            QApplication::processEvents();
            cold.push_back(tool::time(1, draw).best);
            if (cold.back() >= *std::max_element(cold.begin(), cold.end())) slowestPlace = c;
            warm.push_back(tool::time(10, draw).median);
        }
        // Two rows further each time: what a scroll step brings in.
        view.scrollToY(view.tableHeight());
        draw();
        for (int i = 0; i < 40; ++i) {
            view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + int(view.charSize().height() * 2));
            step.push_back(tool::time(1, draw).best);
        }
        auto summary = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return tool::Timing{v.front(), v[v.size() / 2]};
        };
        ok = tool::reportTiming(QStringLiteral("  one screenful, glyphs laid out before"), summary(warm), PaintTargetMs) && ok;
        ok = tool::reportTiming(QStringLiteral("  one screenful after scrolling two rows"), summary(step), PaintTargetMs) && ok;
        ok = tool::reportTiming(QStringLiteral("  one screenful at a new place"), summary(cold), NewPlaceTargetMs) && ok;
        const double slowest = *std::max_element(cold.begin(), cold.end());
        tool::out() << "  slowest new place: " << QString::number(slowest, 'f', 2) << " ms at U+"
                    << QString::number(uint(slowestPlace), 16).toUpper().rightJustified(4, QLatin1Char('0')) << " (target "
                    << NewPlaceWorstTargetMs << " ms) " << (slowest < NewPlaceWorstTargetMs ? "OK" : "SLOW") << Qt::endl;
        ok = slowest < NewPlaceWorstTargetMs && ok;
    }
    return ok ? 0 : 1;
}

} // namespace

RBX_BENCH(table, "laying out every defined character and painting one screenful (1000x700)", runTableBench);
