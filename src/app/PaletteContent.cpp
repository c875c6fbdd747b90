#include "app/PaletteContent.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

PaletteContent::PaletteContent(QWidget* window) : QObject(window) {
    window->setMinimumSize(MinimumWidth, MinimumHeight);
    window->resize(DefaultWidth, DefaultHeight);

    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(6, 6, 6, 4);
    outer->setSpacing(4);

    auto* bar = new QHBoxLayout;
    fontLabel_ = new QLabel(window);
    fontLabel_->setObjectName(QStringLiteral("currentFontLabel"));
    fontLabel_->setTextFormat(Qt::PlainText);
    fontLabel_->setMinimumWidth(80);
    fontLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    searchField_ = new QLineEdit(window);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setPlaceholderText(QStringLiteral("Search"));
    searchField_->setClearButtonEnabled(true);
    searchField_->setMaximumWidth(200);
    bar->addWidget(fontLabel_, 1);
    bar->addWidget(searchField_);
    outer->addLayout(bar);

    pages_ = new QStackedWidget(window);
    pages_->setObjectName(QStringLiteral("contentTabView"));
    tablePage_ = new QWidget(pages_);
    auto* tableLayout = new QVBoxLayout(tablePage_);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(tablePage_);
    outer->addWidget(pages_, 1);

    versionLabel_ = new QLabel(window);
    versionLabel_->setObjectName(QStringLiteral("versionLabel"));
    versionLabel_->setTextFormat(Qt::PlainText);
    versionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont small = versionLabel_->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    versionLabel_->setFont(small);
    versionLabel_->setForegroundRole(QPalette::PlaceholderText);
    outer->addWidget(versionLabel_);
}

void PaletteContent::setCharView(QWidget* view) {
    if (view == charView_) return;
    if (charView_) {
        tablePage_->layout()->removeWidget(charView_);
        charView_->hide();
    }
    charView_ = view;
    if (view) {
        view->setParent(tablePage_);
        tablePage_->layout()->addWidget(view);
        view->show();
    }
}

void PaletteContent::setCurrentFontText(const QString& displayName, qsizetype characterCount) {
    fontLabel_->setText(QStringLiteral("%1 (%2)").arg(displayName).arg(characterCount));
}

void PaletteContent::setVersionText(const QString& version) { versionLabel_->setText(version); }
