#include "app/PaletteContent.h"

#include "app/RbxSearchField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

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
    searchField_ = new RbxSearchField(window);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setPlaceholderText(QStringLiteral("Search"));
    searchField_->setMaximumWidth(200);
    bar->addWidget(fontLabel_, 1);
    bar->addWidget(searchField_);
    outer->addLayout(bar);

    split_ = new QSplitter(Qt::Horizontal, window);
    split_->setChildrenCollapsible(true);
    pages_ = new QStackedWidget(split_);
    pages_->setObjectName(QStringLiteral("contentTabView"));
    tablePage_ = new QWidget(pages_);
    auto* tableLayout = new QVBoxLayout(tablePage_);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(tablePage_);
    split_->addWidget(pages_);
    split_->setStretchFactor(0, 1);
    outer->addWidget(split_, 1);

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

void PaletteContent::setFontListPanel(QWidget* panel, int width) {
    split_->insertWidget(0, panel);
    split_->setCollapsible(0, true);
    split_->setCollapsible(1, false);
    split_->setStretchFactor(0, 0);
    split_->setStretchFactor(1, 1);
    width = std::max(0, width);
    split_->setSizes({width, std::max(1, split_->width() - width)});
}

void PaletteContent::setCurrentFontText(const QString& displayName, qsizetype characterCount) {
    fontLabel_->setText(QStringLiteral("%1 (%2)").arg(displayName).arg(characterCount));
}

void PaletteContent::setVersionText(const QString& version) { versionLabel_->setText(version); }
