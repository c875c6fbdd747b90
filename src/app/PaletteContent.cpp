#include "app/PaletteContent.h"

#include "app/InsertModeButtons.h"
#include "app/RbxSearchField.h"
#include "kxlib/gui/ClearButton.h"
#include "kxlib/gui/KXDynamicImage.h"
#include "kxlib/gui/KXPopUpButton.h"
#include "kxlib/gui/KXSeparator.h"
#include "kxlib/gui/SegmentedControl.h"
#include "table/widgets/RbxCharKeys.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxGroupButton.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const ViewProperty = "rbxView";

QToolButton* makeToolButton(QWidget* parent, const QString& name, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAccessibleName(tip);  // the buttons show pictures: screen readers say the tip
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

KXPopUpButton* makePopUp(QWidget* parent, const QString& name, const QString& tip, int characters) {
    auto* p = new KXPopUpButton(parent);
    p->setObjectName(name);
    p->setToolTip(tip);
    p->setAccessibleName(tip);
    p->setMinimumContentsLength(characters);
    p->setFocusPolicy(Qt::TabFocus);
    return p;
}

// A button's layout fills it with the clear button that lies over it.
void lay(QWidget* over, QWidget* under) {
    auto* l = new QHBoxLayout(under);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(over);
    over->hide();
}

} // namespace

PaletteContent::PaletteContent(QWidget* window) : QObject(window) {
    // Only the height is set: the layout gives the window the width its bars need.
    window->setMinimumHeight(MinimumHeight);
    window->resize(DefaultWidth, DefaultHeight);

    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(6, 6, 6, 4);
    outer->setSpacing(4);
    buildTopBar(window, outer);
    buildViewBar(window, outer);

    split_ = new QSplitter(Qt::Horizontal, window);
    split_->setChildrenCollapsible(true);
    pages_ = new QStackedWidget(split_);
    pages_->setObjectName(QStringLiteral("contentTabView"));
    tablePage_ = new QWidget(pages_);
    tablePage_->setObjectName(QStringLiteral("tablePage"));
    auto* tableLayout = new QVBoxLayout(tablePage_);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(tablePage_);
    split_->addWidget(pages_);
    split_->setStretchFactor(0, 1);
    outer->addWidget(split_, 1);

    buildBottomBar(window, outer);
    updateImages();
    outer->activate();
}

namespace {

QIcon imageIcon(const QString& name) {
    const KXDynamicImage image = KXDynamicImage::imageNamed(name);
    return image.isValid() ? QIcon(QPixmap::fromImage(image.effectiveImage())) : QIcon();
}

} // namespace

void PaletteContent::updateImages() {
    recentPopUp_->setPullDownImage(imageIcon(QStringLiteral("recent")));
    linkButton_->setIcon(imageIcon(QStringLiteral("link")));
    shapeButton_->setIcon(imageIcon(QStringLiteral("shapeFinder")));
    menuButton_->setIcon(imageIcon(QStringLiteral("menu")));
    groupButton_->setIcon(imageIcon(QStringLiteral("visibleGroup")));
    insertModes_->setImage(0, imageIcon(QStringLiteral("plain")));
    insertModes_->setImage(1, imageIcon(QStringLiteral("formatted")));
}

void PaletteContent::finishAfterFirstPaint() { kx::view::enableClearButton(searchField_); }

void PaletteContent::buildTopBar(QWidget* window, QVBoxLayout* outer) {
    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    familyPopUp_ = makePopUp(window, QStringLiteral("fontFamilyPopUp"), tr("Font family"), 8);
    facePopUp_ = makePopUp(window, QStringLiteral("facePopUp"), tr("Typeface of the family"), 5);
    recentPopUp_ = makePopUp(window, QStringLiteral("recentFontsPopUp"), tr("Recent fonts and font detection"), 1);
    recentPopUp_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    linkButton_ = makeToolButton(window, QStringLiteral("layoutLinkButton"), QString());
    linkButton_->setCheckable(true);
    linkButton_->setAccessibleName(tr("Link the font to the layout"));  // its tip says which
    shapeButton_ = makeToolButton(window, QStringLiteral("shapeFinderButton"), tr("Find a character by drawing its shape"));
    searchField_ = new RbxSearchField(window);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setPlaceholderText(tr("Search"));
    searchField_->setAccessibleName(tr("Search"));
    searchField_->setMinimumWidth(90);
    searchField_->setMaximumWidth(220);
    bar->addWidget(familyPopUp_, 3);
    bar->addWidget(facePopUp_, 2);
    bar->addWidget(recentPopUp_);
    bar->addWidget(linkButton_);
    bar->addSpacing(4);
    bar->addWidget(shapeButton_);
    bar->addWidget(searchField_, 2);
    outer->addLayout(bar);
}

void PaletteContent::buildViewBar(QWidget* window, QVBoxLayout* outer) {
    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    windowMode_ = new SegmentedControl(window);
    windowMode_->setObjectName(QStringLiteral("windowModeSegmentedControl"));
    windowMode_->addSegment(tr("Table"), 1);
    windowMode_->button(0)->setObjectName(QStringLiteral("windowModeSegment1"));
    windowMode_->setSegmentToolTip(0, tr("The characters as a table"));
    viewPopUp_ = makePopUp(window, QStringLiteral("viewPopUp"), tr("Which characters the table shows"), 5);
    viewPopUp_->addItem(tr("This Font"), 1);
    viewPopUp_->addItem(tr("All Fonts"), 2);
    viewPopUp_->addItem(tr("All Unicode"), 3);
    layoutPopUp_ = makePopUp(window, QStringLiteral("layoutPopUp"), tr("How the characters are grouped"), 6);
    groupButton_ = new RbxGroupButton(nullptr, window);
    groupButton_->setObjectName(QStringLiteral("groupJumpButton"));
    groupButton_->setToolTip(tr("Jump to a group of the table"));
    groupButton_->setFocusPolicy(Qt::TabFocus);
    groupButton_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    bar->addWidget(windowMode_);
    bar->addWidget(viewPopUp_, 2);
    bar->addWidget(layoutPopUp_, 3);
    bar->addWidget(groupButton_);
    outer->addLayout(bar);
}

void PaletteContent::buildBottomBar(QWidget* window, QVBoxLayout* outer) {
    // A line parts the table from the bar below it.
    auto* line = new KXSeparator(window);
    line->setObjectName(QStringLiteral("bottomSeparator"));
    line->setFixedHeight(5);
    outer->addWidget(line);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(6);
    insertModes_ = new SegmentedControl(window);
    insertModes_->setObjectName(QStringLiteral("insertModeSegments"));
    insertModes_->addSegment(QString(), 0);
    insertModes_->addSegment(QString(), 1);
    insertModes_->addSegment(QString(), 2);
    for (int i = 0; i < 3; ++i) insertModes_->button(i)->setObjectName(QStringLiteral("insertModeSegment%1").arg(i));
    insertModes_->setSegmentToolTip(0, tr("Insert plain characters"));
    insertModes_->setSegmentToolTip(1, tr("Insert formatted text in the font, at a size"));
    insertModes_->setSegmentToolTip(2, tr("Insert a special form: HTML or a notation"));
    sizeButton_ = new RbxFormattedSizeButton(insertModes_->button(1));
    sizeButton_->setToolTip(tr("Size of formatted text"));
    lay(sizeButton_, insertModes_->button(1));
    typesButton_ = new RbxInsertTypeButton(insertModes_->button(2));
    typesButton_->setToolTip(tr("Special form"));
    lay(typesButton_, insertModes_->button(2));

    fontLabel_ = new QLabel(window);
    fontLabel_->setObjectName(QStringLiteral("currentFontLabel"));
    fontLabel_->setTextFormat(Qt::PlainText);
    fontLabel_->setMinimumWidth(60);
    fontLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    fontLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    versionLabel_ = new QLabel(window);
    versionLabel_->setObjectName(QStringLiteral("versionLabel"));
    versionLabel_->setTextFormat(Qt::PlainText);
    versionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont small = versionLabel_->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    versionLabel_->setFont(small);
    versionLabel_->setForegroundRole(QPalette::PlaceholderText);

    menuButton_ = makeToolButton(window, QStringLiteral("programMenuButton"), tr("Runebox menu"));
    menuButton_->setPopupMode(QToolButton::InstantPopup);
    // Its image says that it holds a menu; the style's small arrow beside it would only
    // crowd the corner.
    menuButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));

    sizeSlider_ = new QSlider(Qt::Horizontal, window);
    sizeSlider_->setObjectName(QStringLiteral("customSizeSlider"));
    sizeSlider_->setToolTip(tr("Size of the characters of this font family"));
    sizeSlider_->setRange(-SizeSliderSteps, SizeSliderSteps);
    sizeSlider_->setPageStep(SizeSliderSteps / 4);
    sizeSlider_->setFocusPolicy(Qt::TabFocus);
    sizeSlider_->setMinimumWidth(32);
    sizeSlider_->setMaximumWidth(90);
    bar->addWidget(insertModes_);
    bar->addWidget(sizeSlider_);
    bar->addWidget(fontLabel_, 1);
    bar->addWidget(versionLabel_);
    bar->addWidget(menuButton_);
    outer->addLayout(bar);
}

void PaletteContent::addPage(int view, QWidget* page, const QString& title) {
    page->setProperty(ViewProperty, view);
    pages_->addWidget(page);
    const int segment = windowMode_->addSegment(title, view);
    windowMode_->button(segment)->setObjectName(QStringLiteral("windowModeSegment%1").arg(view));
    // Tab goes from segment to segment.
    QWidget::setTabOrder(windowMode_->button(segment - 1), windowMode_->button(segment));
}

QWidget* PaletteContent::pageForView(int view) const {
    if (view < 4) return tablePage_;
    for (int i = 1; i < pages_->count(); ++i)
        if (pages_->widget(i)->property(ViewProperty).toInt() == view) return pages_->widget(i);
    return nullptr;
}

void PaletteContent::setCharView(RbxCharView* view) {
    if (view == charView_) return;
    if (charView_) {
        tablePage_->layout()->removeWidget(charView_);
        charView_->hide();
        disconnect(charView_, nullptr, this, nullptr);
        disconnect(sizeSlider_, nullptr, charView_, nullptr);
    }
    charView_ = view;
    groupButton_->setCharView(view);
    // While the search field has the keys, the table's shortcuts (Ctrl+I, Ctrl+K, ...)
    // still reach the character under the pointer.
    searchField_->setUnusedShortcutHandler([table = QPointer<RbxCharView>(view)](QKeyEvent* event) {
        return table && table->underMouse() && table->keys().handleHardWiredShortcut(event);
    });
    if (view) {
        // The slider shows the adjustment of the family of each font the table takes, and
        // moved, stores it for that family.
        connect(view, &RbxCharView::customSizeLoaded, this, [this](float adjustment) {
            const QSignalBlocker quiet(sizeSlider_);
            sizeSlider_->setValue(qRound(adjustment * SizeSliderSteps));
        });
        connect(sizeSlider_, &QSlider::valueChanged, view,
                [view](int value) { view->customSizeChanged(float(value) / SizeSliderSteps); });
        {
            const QSignalBlocker quiet(sizeSlider_);
            sizeSlider_->setValue(qRound(view->customSize() * SizeSliderSteps));
        }
        view->setParent(tablePage_);
        tablePage_->layout()->addWidget(view);
        view->show();
        // Tab reaches the table after the controls above it.
        QWidget::setTabOrder(groupButton_, view);
    }
}

void PaletteContent::setCurrentFontText(const QString& displayName, qsizetype characterCount) {
    fontLabel_->setText(QStringLiteral("%1 (%2)").arg(displayName).arg(characterCount));
}

void PaletteContent::setVersionText(const QString& version) { versionLabel_->setText(version); }

void PaletteContent::setFontListPanel(QWidget* panel, int width) {
    split_->insertWidget(0, panel);
    split_->setCollapsible(0, true);
    split_->setCollapsible(1, false);
    split_->setStretchFactor(0, 0);
    split_->setStretchFactor(1, 1);
    width = std::max(0, width);
    split_->setSizes({width, std::max(1, split_->width() - width)});
}
