#include "app/SheetHost.h"

#include "app/PanelHints.h"
#include "core/Log.h"

#include <QDialog>
#include <QEvent>
#include <QWindow>
#include <QTimer>
#include <QWidget>

SheetHost::SheetHost(SheetWindow& palette, QObject* parent) : QObject(parent), palette_(palette) {}

SheetHost::~SheetHost() {
    disconnect(finishedConnection_);
    disconnect(destroyedConnection_);
}

SheetHost::Begin SheetHost::beginSheet(QDialog* sheet, const QString& name, EndHandler onEnd, Keyboard keyboard) {
    if (!sheet) return Begin::Refused;
    if (hasSheet()) {
        if (palette_.logsSheets()) kx::log(QStringLiteral("%1 blocked").arg(name));
        return Begin::Refused;
    }
    if (!palette_.isWindowVisible()) {
        palette_.appearForSheet(keyboard != Keyboard::Waits);
        QPointer<QDialog> guard(sheet);
        QTimer::singleShot(10, this, [this, guard, name, onEnd = std::move(onEnd), keyboard]() mutable {
            if (guard) beginSheet(guard, name, std::move(onEnd), keyboard);
        });
        return Begin::Deferred;
    }
    if (palette_.logsSheets()) kx::log(QStringLiteral("begin sheet %1").arg(name));
    // A fade under way would leave the sheet on an invisible palette.
    palette_.clearForSheet();

    sheet_ = sheet;
    attached_ = true;
    name_ = name;
    onEnd_ = std::move(onEnd);
    keyboard_ = keyboard;
    if (keyboard == Keyboard::Waits) {
        // Shown on the palette without taking the keyboard from the application the user
        // types in.
        sheet->setAttribute(Qt::WA_ShowWithoutActivating);
        sheet->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        sheet->installEventFilter(this);
    }
    palette_.sheetBegan(keyboard == Keyboard::Takes);

    QWidget* window = palette_.sheetParent();
    if (window && sheet->parentWidget() != window) sheet->setParent(window, sheet->windowFlags() | Qt::Sheet);
    sheet->setWindowModality(Qt::WindowModal);
    if (window) {
        // Below the palette's top edge, centred, as a sheet hangs from its window.
        sheet->adjustSize();
        const QRect w = window->geometry();
        sheet->move(w.x() + (w.width() - sheet->width()) / 2, w.y());
    }
    finishedConnection_ = connect(sheet, &QDialog::finished, this,
                                  [this](int returnCode) { finished(returnCode, sheet_.data()); });
    // A sheet destroyed while attached ends as cancelled.
    destroyedConnection_ = connect(sheet, &QObject::destroyed, this, [this] { finished(0, nullptr); });
    sheet->open();
    palette_.setSheetTracking(sheet, true);
    emit sheetBegan(name);
    return Begin::Began;
}

void SheetHost::endSheet(int returnCode) {
    if (QDialog* sheet = sheet_.data()) sheet->done(returnCode);
}

void SheetHost::finished(int returnCode, QDialog* sheet) {
    if (!attached_) return;
    disconnect(finishedConnection_);
    disconnect(destroyedConnection_);
    finishedConnection_ = {};
    destroyedConnection_ = {};
    attached_ = false;
    const QString name = name_;
    EndHandler onEnd = std::move(onEnd_);
    sheet_.clear();
    name_.clear();
    onEnd_ = nullptr;
    palette_.setSheetTracking(sheet, false);
    if (sheet) sheet->removeEventFilter(this);
    if (sheet && sheet->isVisible()) sheet->hide();
    palette_.sheetEnded();
    if (palette_.logsSheets()) kx::log(QStringLiteral("end sheet %1 (%2)").arg(name).arg(returnCode));
    if (onEnd) onEnd(returnCode);
    emit sheetEnded(name, returnCode);
}

bool SheetHost::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter && attached_ && watched == sheet_.data() && keyboard_ == Keyboard::Waits) {
        // Pointed at: from now on the sheet takes keys like any other.
        keyboard_ = Keyboard::Takes;
        sheet_->removeEventFilter(this);
        sheet_->setAttribute(Qt::WA_ShowWithoutActivating, false);
        if (QWindow* w = sheet_->windowHandle()) w->setFlag(Qt::WindowDoesNotAcceptFocus, false);
        panelhints::setTakesFocus(sheet_.data(), true);
        palette_.sheetPointedAt(sheet_.data());
    }
    return QObject::eventFilter(watched, event);
}

void SheetHost::registerSheet(const QString& name, Opener opener) {
    if (opener)
        openers_.insert(name, std::move(opener));
    else
        openers_.remove(name);
}

bool SheetHost::openNamedSheet(const QString& name, const QVariantMap& options) {
    const auto it = openers_.constFind(name);
    if (it == openers_.constEnd()) return false;
    const Opener opener = *it;
    opener(options);
    return true;
}
