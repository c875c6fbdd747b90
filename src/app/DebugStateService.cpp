#include "app/DebugStateService.h"

#include "app/PaletteContent.h"
#include "app/PaletteFocus.h"
#include "platform/x11/KeyboardFocus.h"
#include "app/PaletteFontList.h"
#include "app/PaletteFontTable.h"
#include "app/FontListModel.h"
#include "app/FontListTableView.h"
#include "app/KXHotkeyField.h"
#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "app/RbxSearchField.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXDynamicColor.h"
#include "kxlib/gui/KXToolTip.h"
#include "core/Log.h"
#include "core/Types.h"
#include "model/RbxFontList.h"
#include "core/ProcessWide.h"
#include "platform/dbus/SessionBus.h"
#include "kxlib/gui/KXGraphicalMenu.h"
#include "table/widgets/RbxCharSelection.h"
#include "platform/fonts/FontFace.h"
#include "shapes/widgets/RbxShapeView.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxMagnifierPopup.h"
#include "table/widgets/RbxMagnifierView.h"
#include "table/widgets/RbxQtFonts.h"

#include "app/PaletteViews.h"
#include "kxlib/gui/KXPopUpButton.h"
#include "kxlib/gui/SegmentedControl.h"

#include <QAbstractItemView>
#include <QAction>
#include <QAbstractButton>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QSlider>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QApplication>
#include <cmath>
#include <QCoreApplication>
#include <QMenu>
#include <QStackedWidget>
#include <QToolButton>
#include <QDBusConnection>
#include <QEvent>
#include <QMouseEvent>
#include <QLineEdit>

#include <time.h>

bool DebugStateService::enabled() { return qEnvironmentVariable("RUNEBOX_DEBUG_STATE") == QLatin1String("1"); }

bool DebugStateService::exportIfEnabled(RbxCharWindowController* controller, RbxDefaults& settings) {
    if (!enabled() || !controller) return false;
    QDBusConnection bus = dbus::sessionBus();
    if (!bus.isConnected()) return false;
    auto* service = new DebugStateService(controller, settings, controller);
    if (!bus.registerObject(QStringLiteral("/Debug"), service, QDBusConnection::ExportScriptableSlots)) {
        kx::log(QStringLiteral("debug state: /Debug is taken"));
        delete service;
        return false;
    }
    return true;
}

namespace {

// A widget's place on the screen as x, y, width, height.
// Qt names the foundry after a family found at more than one: "Family [foundry]".
QString withoutFoundry(QString family) {
    const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
    if (open >= 0 && family.endsWith(u']') && family.indexOf(u']', open) == family.size() - 1) family.truncate(open);
    return family;
}

QVariantList screenRect(const QWidget* w) {
    const QPoint topLeft = w->mapToGlobal(QPoint(0, 0));
    return {topLeft.x(), topLeft.y(), w->width(), w->height()};
}

} // namespace

DebugStateService::DebugStateService(RbxCharWindowController* controller, RbxDefaults& settings, QObject* parent)
    : QObject(parent), controller_(controller), settings_(settings), facesOpenedAtStart_(rbx::FontFace::facesOpened()) {
    // The time is taken once the table has drawn.
    connect(controller_->charView(), &RbxCharView::painted, this, [this] {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        tablePaintedNs_ = qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
        if (const QString font = controller_->selectedFont().postScriptName(); font != paintedFont_) {
            paintedFont_ = font;
            fontPaintedNs_ = tablePaintedNs_;
        }
        tableSearch_ = controller_->table().shownSearch();
    });
    // The pointer events the application's windows take, before any widget sees them.
    qApp->installEventFilter(this);
}

bool DebugStateService::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseMove || type == QEvent::MouseButtonPress || type == QEvent::Enter) &&
        watched->isWindowType()) {
        const QPoint at = static_cast<QSinglePointEvent*>(event)->globalPosition().toPoint();
        pointer_ = {at.x(), at.y()};
    }
    return false;
}

namespace {

QVariantList rectList(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

} // namespace

QVariantMap DebugStateService::state() const {
    RbxDefaults& defaults = settings_;
    RbxCharWindow* w = controller_->window();
    const KXToolTip* tip = KXToolTip::current();
    const QWidget* page = controller_->content().contentTabView()->currentWidget();
    const RbxFontList* fontList = kx::ProcessWide<RbxFontList>::current();
    QVariantList recent;
    const auto& groups = controller_->charView()->groups();
    if (!groups.empty())
        if (const auto& marked = groups.front().group().recentCharactersToHilite())
            for (const char32_t c : *marked) recent << uint(c);
    QVariantList shapePad;
    if (const QDialog* sheet = controller_->sheets().attachedSheet())
        if (const auto* pad = sheet->findChild<shapes::RbxShapeView*>(); pad && pad->isVisible()) {
            const QPoint topLeft = pad->mapToGlobal(QPoint(0, 0));
            shapePad << topLeft.x() << topLeft.y() << pad->width() << pad->height() << pad->pad().numberOfPaths()
                     << pad->pad().numberOfAllPaths() << uint(pad->pad().backgroundCharacter())
                     << (pad->animation().isRunning() ? pad->animation().drawingIndex() : 0)
                     << int(pad->animation().finishedStrokes().size())
                     << int(pad->pad().countedStrokes().isEmpty() ? 0 : pad->pad().countedStrokes().last().size());
        }
    QVariantList magnifier;
    uint magnified = 0;
    QString arrow;
    if (const auto* popup = dynamic_cast<const RbxMagnifierPopup*>(&controller_->charView()->magnifierPopover());
        popup && popup->isShown()) {
        magnifier = rectList(popup->window().frameGeometry());
        magnified = uint(popup->window().content().character());
        arrow = popup->window().placement().arrowEdge == RbxPopupPlacement::ArrowEdge::Bottom ? QStringLiteral("down")
                                                                                             : QStringLiteral("up");
    }
    QStringList insertLabels;
    const SegmentedControl* insertModes = controller_->content().insertModeSegments();
    for (int i = 0; i < insertModes->segmentCount(); ++i) insertLabels << insertModes->label(i);
    const PaletteFontTable& fonts = controller_->fontTable();
    QStringList markedFamilies;
    const FontListModel& rows = fonts.model();
    for (int r = 0; r < rows.rowCount(); ++r)
        if (rows.isMarkedFontInRow(r)) markedFamilies << rows.list()->fontNameAtIndex(r);
    const int fontRow = fonts.fontTableView()->selectedRow();
    // The family each name in view is drawn in.
    QVariantMap fontRowFonts;
    const FontListTableView* fontView = fonts.fontTableView();
    if (rows.list() && fontView->isVisible())
        for (int r = 0; r < rows.rowCount(); ++r) {
            const QRect cell = fontView->visualRect(rows.index(r, FontListModel::NameColumn));
            if (!fontView->viewport()->rect().intersects(cell)) continue;
            const QFont f = rows.data(rows.index(r, FontListModel::NameColumn), Qt::FontRole).value<QFont>();
            fontRowFonts.insert(rows.list()->fontNameAtIndex(r),
                                rows.hasNameFont(r) ? withoutFoundry(QFontInfo(f).family()) : QString());
        }
    return {
        {QStringLiteral("mark"), uint(fonts.markedCharacter())},
        {QStringLiteral("collection"), fonts.collectionsPopUp()->currentText()},
        {QStringLiteral("fontRows"), rows.rowCount()},
        {QStringLiteral("fontRow"), fontRow >= 0 && rows.list() ? rows.list()->fontNameAtIndex(fontRow) : QString()},
        {QStringLiteral("markedFamilies"), markedFamilies},
        {QStringLiteral("fontRowFonts"), fontRowFonts},
        {QStringLiteral("nameFonts"), rows.nameFontCount()},
        {QStringLiteral("shapePad"), shapePad},
        {QStringLiteral("magnifier"), magnifier},
        {QStringLiteral("magnified"), magnified},
        {QStringLiteral("magnifierArrow"), arrow},
        {QStringLiteral("visible"), controller_->isWindowVisible()},
        {QStringLiteral("alpha"), double(controller_->windowAlpha())},
        {QStringLiteral("sheet"), controller_->sheets().attachedSheetName()},
        {QStringLiteral("sheetWindow"), qulonglong(controller_->sheets().attachedSheet()
                                                       ? controller_->sheets().attachedSheet()->effectiveWinId()
                                                       : 0)},
        {QStringLiteral("view"), defaults.integerForKey(rbx::key::view)},
        {QStringLiteral("layout"), controller_->table().layoutName()},
        {QStringLiteral("font"), controller_->selectedFont().postScriptName()},
        {QStringLiteral("fontFamily"), controller_->selectedFont().familyName()},
        {QStringLiteral("search"), controller_->searchField()->text()},
        {QStringLiteral("shown"), w ? w->showCount() : 0},
        {QStringLiteral("paintedNs"), w ? w->lastShowPaintNs() : qint64(0)},
        {QStringLiteral("activating"), w && w->isActivating()},
        // The X window that has the keyboard, the window it goes back to, and why the
        // palette holds it.
        {QStringLiteral("keyboardOwner"), qulonglong(controller_->focus().keyboard().keyboardOwner())},
        {QStringLiteral("handBackTo"), qulonglong(controller_->focus().keyboard().handBackTo())},
        {QStringLiteral("keyboardHold"), PaletteFocus::holdName(controller_->focus().hold())},
        {QStringLiteral("pid"), int(QCoreApplication::applicationPid())},
        {QStringLiteral("front"), controller_->frontApplicationName()},
        {QStringLiteral("frontAdaptations"), controller_->frontAdaptations()},
        {QStringLiteral("fontChecks"), controller_->fontChecks()},
        {QStringLiteral("recent"), recent},
        {QStringLiteral("selected"), uint(controller_->charView()->selectedCharacter())},
        {QStringLiteral("scroll"), controller_->charView()->scrollValue()},
        {QStringLiteral("count"), qulonglong(controller_->charView()->table().totalCount())},
        {QStringLiteral("searchRect"), screenRect(controller_->searchField())},
        {QStringLiteral("accent"), KXDynamicColor::accentColorName()},
        {QStringLiteral("tooltip"), tip && tip->isVisible() ? tip->textField()->text() : QString()},
        {QStringLiteral("page"), page ? page->objectName() : QString()},
        {QStringLiteral("focus"), QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString()},
        {QStringLiteral("tablePaintedNs"), tablePaintedNs_},
        {QStringLiteral("fontPaintedNs"), fontPaintedNs_},
        {QStringLiteral("tableSearch"), tableSearch_},
        {QStringLiteral("facesOpened"), qulonglong(rbx::FontFace::facesOpened())},
        {QStringLiteral("facesOpen"), rbx::FontFace::facesOpenNow()},
        {QStringLiteral("faceObjects"), rbx::FontFace::facesAlive()},
        {QStringLiteral("facesOpenedAtStart"), qulonglong(facesOpenedAtStart_)},
        {QStringLiteral("fontFilesMapped"), rbx::FontFace::fileMappingsNow()},
        {QStringLiteral("drawingFonts"), rbx::qt::DrawingFont::liveCount()},
        {QStringLiteral("fontListLoaded"), fontList && fontList->isLoaded()},
        {QStringLiteral("fontLabel"), controller_->content().currentFontLabel()->text()},
        {QStringLiteral("face"), controller_->content().facePopUp()->currentText()},
        {QStringLiteral("recentFont"), controller_->content().recentFontsPopUp()->currentText()},
        {QStringLiteral("insertSegment"), controller_->selectedInsertModeSegment()},
        {QStringLiteral("insertMode"), insertModeNumber(defaults.applicationInsertMode())},
        {QStringLiteral("shownView"), controller_->views().shownView()},
        {QStringLiteral("insertLabels"), insertLabels},
        {QStringLiteral("layoutLinked"), controller_->content().layoutLinkButton()->isChecked()},
        {QStringLiteral("layoutLinkTip"), controller_->content().layoutLinkButton()->toolTip()},
        {QStringLiteral("customSize"), controller_->content().customSizeSlider()->value()},
        // The activator's settings as the palette has read them.
        {QStringLiteral("activator"), defaults.integerForKey(rbx::key::activator)},
        {QStringLiteral("hideQInCorner"), defaults.boolForKey(rbx::key::hideQInCorner)},
        {QStringLiteral("fadingOut"), controller_->fader().isFadeScheduled()},
        {QStringLiteral("pointer"), pointer_},
        {QStringLiteral("dark"), KXAppearance::shared().isDark()},
    };
}

QStringList DebugStateService::fontFamilies() const {
    QStringList names;
    for (const RbxFontList::FamilyPtr& family : controller_->fonts().list().allFontFamilies()) names << family->name();
    return names;
}

namespace {

// The cell at that index of the table on the screen; empty when it is not in view.
QVariantList screenCell(const RbxCharView& view, std::size_t i) {
    const QRect cell = view.viewportRectFromTable(view.rectForCharacterAtIndex(i)).toAlignedRect();
    if (!view.viewport()->rect().contains(cell)) return {};
    const QPoint topLeft = view.viewport()->mapToGlobal(cell.topLeft());
    return {topLeft.x(), topLeft.y(), cell.width(), cell.height()};
}

} // namespace

QVariantList DebugStateService::cellRect(char32_t c) const {
    const RbxCharView* view = controller_->charView();
    const std::size_t i = view->indexOfCharacter(c);
    if (i == kx::NotFound || !view->isVisible()) return {};
    return screenCell(*view, i);
}

QVariantList DebugStateService::cellRects(char32_t c) const {
    const RbxCharView* view = controller_->charView();
    QVariantList cells;
    if (c == 0 || !view->isVisible()) return cells;
    const RbxCharTable& table = view->table();
    for (std::size_t i = 0; i < table.totalCount(); ++i)
        if (table.characterAtIndex(i) == c)
            if (const QVariantList cell = screenCell(*view, i); !cell.isEmpty()) cells << QVariant(cell);
    return cells;
}

QVariantList DebugStateService::menuItems() const {
    QVariantList items;
    QWidget* popup = QApplication::activePopupWidget();
    // A pop-up button's list: its rows.
    if (const auto* list = popup ? popup->findChild<const QAbstractItemView*>() : nullptr;
        list && !qobject_cast<const QMenu*>(popup)) {
        const QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            // Only a row in view has a place on the screen.
            QRect r = list->visualRect(index);
            if (r.top() < 0 || r.bottom() >= list->viewport()->height()) r = QRect();
            if (index.data(Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator")) continue;
            items << QVariantMap{{QStringLiteral("title"), index.data().toString()},
                                 {QStringLiteral("enabled"), bool(model->flags(index) & Qt::ItemIsEnabled)},
                                 {QStringLiteral("rect"), r.isEmpty() ? QVariantList()
                                                                      : rectList(QRect(list->viewport()->mapToGlobal(r.topLeft()), r.size()))}};
        }
        return items;
    }
    const auto* menu = qobject_cast<const QMenu*>(popup);
    if (!menu) return items;
    if (const auto* pictures = qobject_cast<const KXGraphicalMenu*>(menu)) {
        const KXGraphicalMenuView& canvas = pictures->canvas();
        for (const KXGraphicalItem& item : canvas.items())
            items << QVariantMap{{QStringLiteral("title"), item.argument.toString()},
                                 {QStringLiteral("enabled"), true},
                                 {QStringLiteral("rect"), rectList(QRect(canvas.mapToGlobal(item.rect.topLeft()), item.rect.size()))}};
        return items;
    }
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        const QRect r = menu->actionGeometry(action);
        items << QVariantMap{{QStringLiteral("title"), action->text()},
                             {QStringLiteral("enabled"), action->isEnabled()},
                             {QStringLiteral("rect"), rectList(QRect(menu->mapToGlobal(r.topLeft()), r.size()))}};
    }
    return items;
}

void DebugStateService::Close() {
    if (controller_->isWindowVisible()) controller_->close();
}

QVariantList DebugStateService::controlRect(const QString& name) const {
    const QWidget* w = controller_->window() ? controller_->window()->findChild<QWidget*>(name) : nullptr;
    // Else a control of another window of ours that shows.
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (w) break;
        if (top->isVisible()) w = top->findChild<QWidget*>(name);
    }
    if (!w || !w->isVisible()) return {};
    const QPoint topLeft = w->mapToGlobal(QPoint(0, 0));
    return {topLeft.x(), topLeft.y(), w->width(), w->height()};
}

QVariantList DebugStateService::fontRowRect(const QString& family) const {
    const FontListTableView* view = controller_->fontTable().fontTableView();
    const FontListModel& rows = controller_->fontTable().model();
    if (!rows.list() || !view->isVisible()) return {};
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (rows.list()->fontNameAtIndex(r) != family) continue;
        const QRect cell = view->visualRect(rows.index(r, FontListModel::NameColumn));
        if (!view->viewport()->rect().contains(cell)) return {};
        return rectList(QRect(view->viewport()->mapToGlobal(cell.topLeft()), cell.size()));
    }
    return {};
}

QVariantMap DebugStateService::sheetFields() const {
    const QDialog* sheet = controller_->sheets().attachedSheet();
    return sheet ? fieldsOf(sheet) : QVariantMap();
}

QVariantMap DebugStateService::windowFields(const QString& name) const {
    for (const QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->objectName() == name) return fieldsOf(top);
    return {};
}

QVariantList DebugStateService::textLines(const QString& name) const {
    const QTextEdit* view = nullptr;
    for (const QWidget* top : QApplication::topLevelWidgets())
        if (!view && top->isVisible()) view = top->findChild<const QTextEdit*>(name);
    if (!view || !view->isVisible()) return {};
    QVariantList lines;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout) continue;
        const QString text = block.text();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QString part = text.mid(line.textStart(), line.textLength());
            int k = 0;
            while (k < part.size() && (part[k] == u'\t' || part[k] == QChar::LineSeparator)) ++k;
            const double x = layout->position().x() + line.cursorToX(line.textStart() + k);
            // Where the line's last tab leads: the value of a labelled line.
            const qsizetype tab = part.lastIndexOf(u'\t');
            const double afterTab =
                tab < 0 ? -1 : layout->position().x() + line.cursorToX(line.textStart() + int(tab) + 1);
            lines.append(QVariant(QVariantList{int(std::lround(x)), part.mid(k), i, int(std::lround(afterTab))}));
        }
    }
    return lines;
}

QVariantMap DebugStateService::fieldsOf(const QWidget* root) {
    QVariantMap fields;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
        if (const auto* label = qobject_cast<const QLabel*>(w)) fields.insert(w->objectName(), label->text());
        else if (const auto* field = qobject_cast<const QLineEdit*>(w)) fields.insert(w->objectName(), field->text());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(w); button && button->isCheckable())
            fields.insert(w->objectName(), button->isChecked());
        else if (const auto* hotkey = qobject_cast<const KXHotkeyField*>(w)) fields.insert(w->objectName(), hotkey->text());
        else if (const auto* popUp = qobject_cast<const QComboBox*>(w)) fields.insert(w->objectName(), popUp->currentIndex());
        else if (const auto* tabs = qobject_cast<const QTabWidget*>(w)) fields.insert(w->objectName(), tabs->currentIndex());
        else if (const auto* text = qobject_cast<const QTextEdit*>(w)) fields.insert(w->objectName(), text->toPlainText());
        else if (const auto* bar = qobject_cast<const QProgressBar*>(w))
            fields.insert(w->objectName(), QVariantList{bar->value(), bar->maximum()});
    }
    return fields;
}
