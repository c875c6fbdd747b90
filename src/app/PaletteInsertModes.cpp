#include "app/PaletteInsertModes.h"

#include "app/InsertModeButtons.h"
#include "app/PaletteContent.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "kxlib/gui/SegmentedControl.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>
#include <cmath>

namespace {

const QChar DownTriangle(0x25BE);

} // namespace

PaletteInsertModes::PaletteInsertModes(RbxDefaults& settings, PaletteContent& content, QObject* parent)
    : QObject(parent), settings_(settings), content_(content) {
    SegmentedControl* segments = content_.insertModeSegments();
    segments->setSelectedSegment(0);
    connect(segments, &SegmentedControl::segmentClicked, this, [this] { changeInsertMode(); });
    connect(content_.formattedSizeButton()->sizeMenu(), &QMenu::triggered, this,
            [this](QAction* item) { changeFormattedSize(item->text()); });
    connect(content_.insertTypesButton()->typesMenu(), &QMenu::triggered, this,
            [this](QAction* item) { changeInsertType(item->data().toInt()); });
    updateInsertionModeSegments();
}

bool PaletteInsertModes::isSpecialInsertType(int tag) { return tag == 2 || (tag >= 5 && tag <= 9); }

QString PaletteInsertModes::sizeLabel(int size) { return QString::asprintf("%2d ", size) + DownTriangle; }

int PaletteInsertModes::selectedSegment() const { return content_.insertModeSegments()->selectedSegment(); }

void PaletteInsertModes::selectSegment(int segment) {
    if (segment < 0 || segment > 2) return;
    content_.insertModeSegments()->setSelectedSegment(segment);
    updateInsertionModeSegments();
}

void PaletteInsertModes::adoptApplicationInsertMode() {
    selectSegment(insertModeNumber(settings_.safeApplicationInsertMode()));
    changeInsertMode();
}

void PaletteInsertModes::changeInsertMode() {
    const int segment = selectedSegment();
    if (segment < 0) return;
    const InsertMode mode = segment == 2 ? settings_.latestSpecialInsertMode() : insertModeFromNumber(segment);
    settings_.setApplicationInsertMode(mode);
    updateInsertionModeSegments();
}

void PaletteInsertModes::updateInsertionModeSegments() {
    SegmentedControl* segments = content_.insertModeSegments();
    const int s = segments->selectedSegment();
    // A button becomes visible over its segment and in front of it.
    auto place = [s](QToolButton* button, int segment) {
        button->setText(QString());
        const bool show = s == segment;
        if (show && button->isHidden()) button->raise();
        button->setVisible(show);
    };
    place(content_.formattedSizeButton(), 1);
    segments->setLabel(1, sizeLabel(int(std::lround(settings_.floatForKey(rbx::key::formattedSize)))));
    place(content_.insertTypesButton(), 2);
    segments->setLabel(2, RbxDefaults::applicationInsertModeAsString(settings_.latestSpecialInsertMode()) +
                              QLatin1Char(' ') + DownTriangle);
}

void PaletteInsertModes::changeFormattedSize(const QString& title) {
    settings_.setFloat(float(title.trimmed().toInt()), rbx::key::formattedSize.qname());
    updateInsertionModeSegments();
}

void PaletteInsertModes::changeInsertType(int tag) {
    if (!isSpecialInsertType(tag)) return;
    const InsertMode mode = insertModeFromNumber(tag);
    settings_.setLatestSpecialInsertMode(mode);
    settings_.setApplicationInsertMode(mode);
    updateInsertionModeSegments();
}
