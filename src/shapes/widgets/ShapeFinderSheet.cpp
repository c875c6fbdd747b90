#include "shapes/widgets/ShapeFinderSheet.h"

#include "shapes/widgets/RbxShapeView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace shapes {

ShapeFinderSheet::ShapeFinderSheet(const QString& animationFolder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("shapeFinderSheet"));
    setWindowTitle(tr("Find by Shape"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Draw a character:"), this);
    layout->addWidget(hint);
    view_ = new RbxShapeView(animationFolder, this);
    layout->addWidget(view_, 0, Qt::AlignHCenter);
    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("shapeInfo"));
    info_->setVisible(false);
    layout->addWidget(info_);

    auto* buttons = new QHBoxLayout;
    undo_ = new QPushButton(tr("Undo"), this);
    redo_ = new QPushButton(tr("Redo"), this);
    clear_ = new QPushButton(tr("Clear"), this);
    for (QPushButton* b : {undo_, redo_, clear_}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setAutoDefault(false);
    cancel->setFocusPolicy(Qt::NoFocus);
    find_ = new QPushButton(tr("Find"), this);
    find_->setDefault(true);
    find_->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(cancel);
    buttons->addWidget(find_);
    layout->addLayout(buttons);

    ShapePad& pad = view_->pad();
    connect(undo_, &QPushButton::clicked, &pad, &ShapePad::undo);
    connect(redo_, &QPushButton::clicked, &pad, &ShapePad::redo);
    connect(clear_, &QPushButton::clicked, &pad, &ShapePad::clear);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(find_, &QPushButton::clicked, this, &ShapeFinderSheet::findRequested);
    connect(&pad, &ShapePad::shapeChanged, this, &ShapeFinderSheet::updateShapeControlButtons);
    connect(&pad, &ShapePad::needsDisplay, this, &ShapeFinderSheet::updateInfo);
    setFocusProxy(view_);
    updateShapeControlButtons();
}

void ShapeFinderSheet::setDeveloperMode(bool on) {
    info_->setVisible(on);
    // Wider for developers: room for the information and the comparison characters.
    setFixedWidth(on ? view_->width() + 220 : view_->width() + 24);
    updateInfo();
}

void ShapeFinderSheet::updateShapeControlButtons() {
    const ShapePad& pad = view_->pad();
    // Kept in the layout while hidden, so the pad does not move.
    for (QPushButton* b : {undo_, redo_, clear_}) {
        QSizePolicy policy = b->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        b->setSizePolicy(policy);
    }
    clear_->setVisible(!pad.isClear());
    undo_->setVisible(pad.canUndo());
    redo_->setVisible(pad.canRedo());
}

void ShapeFinderSheet::updateInfo() {
    if (!info_->isVisible()) return;
    const ShapePad& pad = view_->pad();
    QString text;
    if (const char16_t best = pad.bestMatchCharacter())
        text += QStringLiteral("Best: %1 [%2]\n").arg(QChar(best)).arg(QString::number(int(best), 16).toUpper().rightJustified(4));
    if (const std::optional<QString> wrong = pad.mismatches()) text += QStringLiteral("Mismatch: %1\n").arg(*wrong);
    info_->setText(text.trimmed());
}

} // namespace shapes
