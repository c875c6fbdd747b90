#include "app/ShapeFinder.h"

#include "app/AlertSheet.h"
#include "app/PaletteContent.h"
#include "app/RbxCharWindowController.h"
#include "app/RbxSearchField.h"
#include "core/Bundle.h"
#include "core/KXAppSupport.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "shapes/widgets/RbxShapeView.h"
#include "shapes/widgets/ShapeFinderSheet.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolButton>

ShapeFinder::ShapeFinder(RbxCharWindowController& controller, RbxDefaults& settings, shapes::ShapeDataFiles files,
                         QObject* parent)
    : QObject(parent), controller_(controller), settings_(settings),
      matching_(shapes::ShapeGeometry(QSize(shapes::PadWidth, shapes::PadHeight)), std::move(files)) {
    // Editing the search forgets the matches the table marks.
    connect(controller_.searchField(), &QLineEdit::textEdited, this, [this] { matching_.result().reset(); });
    connect(controller_.content().shapeFinderButton(), &QToolButton::clicked, this,
            [this] { controller_.openSheet(QStringLiteral("shapeFinder")); });
}

ShapeFinder::~ShapeFinder() { delete sheet_.data(); }

void ShapeFinder::registerSheet() {
    // "file": a shape file to load into the pad first.
    controller_.sheets().registerSheet(QStringLiteral("shapeFinder"), [this](const QVariantMap& options) {
        const QString file = options.value(QStringLiteral("file")).toString();
        if (file.isEmpty())
            open();
        else
            openShapeFile(file);
    });
}

shapes::ShapeFinderSheet& ShapeFinder::sheet() {
    if (!sheet_) {
        sheet_ = new shapes::ShapeFinderSheet(kx::Bundle::mainBundle().resourcePath(), controller_.sheetParent());
        connect(sheet_, &shapes::ShapeFinderSheet::findRequested, this, &ShapeFinder::confirm);
        connect(&sheet_->view().pad(), &shapes::ShapePad::shapeChanged, this, [this] { matching_.result().reset(); });
    }
    return *sheet_;
}

shapes::ShapePad& ShapeFinder::pad() { return sheet().view().pad(); }

bool ShapeFinder::isSheetVisible() const {
    return sheet_ && controller_.sheets().attachedSheet() == sheet_.data();
}

void ShapeFinder::open() {
    if (controller_.logsSheets()) kx::log(QStringLiteral("show ShapeFinder"));
    shapes::ShapeFinderSheet& s = sheet();
    const bool tools = settings_.boolForKey(rbx::key::shapeTools);
    s.setDeveloperMode(tools);
    s.view().setCompareCharacters(tools ? settings_.stringForKey(rbx::key::shapeCompareCharacters) : QString());
    s.updateShapeControlButtons();
    const SheetHost::Begin begun = controller_.sheets().beginSheet(
        &s, QStringLiteral("shapeFinder"), [this](int code) { ended(code); }, SheetHost::Keyboard::Takes);
    if (begun == SheetHost::Begin::Began) s.view().setFocus(Qt::OtherFocusReason);
}

void ShapeFinder::ended(int) {
    if (controller_.logsSheets()) kx::log(QStringLiteral("shapeFinder closed"));
}

QString ShapeFinder::drawingFileName(const QString& folder) {
    const QString stem = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd@HH.mm.ss"));
    QString name = stem + QStringLiteral(".rbxshape");
    // Two saves in the same second keep both drawings.
    for (int n = 2; QFileInfo::exists(QDir(folder).filePath(name)); ++n)
        name = QStringLiteral("%1-%2.rbxshape").arg(stem).arg(n);
    return QDir(folder).filePath(name);
}

void ShapeFinder::confirm() {
    shapes::ShapePad& p = pad();
    const QString search = matching_.bestMatch(p);
    if (p.numberOfPaths() > 0 && p.savedShapeFile().isEmpty()) {
        const QString folder = KXAppSupport::makeSupportSubfolder(QStringLiteral("Shapes"));
        QString error;
        if (folder.isEmpty() || !p.save(drawingFileName(folder), &error))
            kx::log(QStringLiteral("drawing not saved: %1").arg(error));
    }
    controller_.searchField()->setText(search);
    controller_.performSearch();
    if (isSheetVisible()) controller_.sheets().endSheet(1);
}

void ShapeFinder::cancel() {
    if (isSheetVisible()) controller_.sheets().endSheet(0);
}

void ShapeFinder::findSimilarShape(char32_t c, const QString& font) {
    pad().setSimilarCharacter(c, font);
    open();
}

void ShapeFinder::openShapeFile(const QString& path) {
    const shapes::ShapeReadResult r = pad().load(path);
    if (!r) {
        showUnreadableFile(path, r.error);
        return;
    }
    sheet().view().animation().stop();
    // The finder already up shows the file's drawing in place of the one before.
    if (!isSheetVisible()) open();
}

void ShapeFinder::showUnreadableFile(const QString& path, const QString& reason) {
    // The finder makes way for the alert and comes back after it, its drawing unchanged.
    const bool finderWasUp = isSheetVisible();
    cancel();
    auto* alert = new AlertSheet(UnreadableFileAlert,
                                 kx::loc(QStringLiteral("The shape file “%1” could not be opened.")).arg(QFileInfo(path).fileName()),
                                 reason + u'\n' + kx::loc(QStringLiteral("The drawing is unchanged.")), QString(), QString(),
                                 QString(), controller_.sheetParent());
    alert->setAttribute(Qt::WA_DeleteOnClose);
    const SheetHost::Begin begun = controller_.sheets().beginSheet(alert, UnreadableFileAlert, [this, finderWasUp](int) {
        if (finderWasUp) QMetaObject::invokeMethod(this, &ShapeFinder::open, Qt::QueuedConnection);
    });
    if (begun == SheetHost::Begin::Refused) delete alert;
}

bool ShapeFinder::offersTrainingCommands() const {
    return sheet_ && !sheet_->view().pad().savedShapeFile().isEmpty() && settings_.boolForKey(rbx::key::shapeTools);
}

bool ShapeFinder::offersCommand(RbxMenuCommand command) const {
    switch (command) {
    case RbxMenuCommand::FindSimilarShape: return true;
    case RbxMenuCommand::SetBestMatch:
    case RbxMenuCommand::AddMismatch: return offersTrainingCommands();
    default: return false;
    }
}

void ShapeFinder::performCommand(RbxMenuCommand command, char32_t c, const QString& font) {
    if (!offersCommand(command)) return;
    if (command == RbxMenuCommand::FindSimilarShape) {
        findSimilarShape(c, font);
        return;
    }
    shapes::ShapePad& p = pad();
    const bool written = command == RbxMenuCommand::SetBestMatch ? p.setBestMatch(c) : p.addMismatch(c);
    if (!written) kx::log(QStringLiteral("shape match not recorded in %1").arg(p.savedShapeFile()));
}

bool ShapeFinder::reenter() {
    if (!isSheetVisible()) return false;
    shapes::RbxShapeView& view = sheet().view();
    if (view.focusPolicy() != Qt::NoFocus) {
        if (settings_.boolForKey(rbx::key::logFocus)) kx::log(QStringLiteral("FOCUS: reenterShapeFinder"));
        view.setFocus(Qt::OtherFocusReason);
    }
    sheet().activateWindow();
    return false;
}
