#include "app/PaletteSampleViews.h"

#include "app/PaletteContent.h"
#include "app/RbxCharWindow.h"
#include "app/RbxTextEditView.h"
#include "app/SamplePages.h"
#include "app/SheetHost.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "kxlib/gui/AttributedStringDocument.h"
#include "model/RbxLayout.h"
#include "model/RbxSampleText.h"

#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int PreviewView = 10;
constexpr int SampleEditorView = 11;
constexpr int MinimumEditorSize = 8;
constexpr int MaximumEditorSize = 96;

RbxTextEditView* makeEditor(QWidget* parent, const QString& name) {
    auto* editor = new RbxTextEditView(parent);
    editor->setObjectName(name);
    // The sample views are always light, like paper.
    QPalette light = editor->palette();
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    editor->setPalette(light);
    editor->document()->setDocumentMargin(4);
    return editor;
}

QPushButton* makeButton(QWidget* parent, const QString& title, const QString& name) {
    auto* b = new QPushButton(title, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

PaletteSampleViews::PaletteSampleViews(RbxDefaults& settings, PaletteContent& content, RbxCharWindow* window,
                                       SheetHost& sheets, QObject* parent)
    : QObject(parent), settings_(settings), content_(content), window_(window), sheets_(sheets) {
    QStackedWidget* pages = content.contentTabView();

    previewPage_ = new QWidget(pages);
    previewPage_->setObjectName(QStringLiteral("previewPage"));
    auto* previewLayout = new QVBoxLayout(previewPage_);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewEditor_ = makeEditor(previewPage_, QStringLiteral("previewEditor"));
    previewEditor_->setEditable(false);
    previewLayout->addWidget(previewEditor_, 1);
    auto* previewBar = new QHBoxLayout;
    previewBar->addStretch(1);
    previewPrintButton_ = makeButton(previewPage_, tr("Print…"), QStringLiteral("previewPrintButton"));
    previewBar->addWidget(previewPrintButton_);
    previewLayout->addLayout(previewBar);
    content.addPage(PreviewView, previewPage_, tr("Preview"));

    samplePage_ = new QWidget(pages);
    samplePage_->setObjectName(QStringLiteral("samplePage"));
    auto* sampleLayout = new QVBoxLayout(samplePage_);
    sampleLayout->setContentsMargins(0, 0, 0, 0);
    auto* controls = new QHBoxLayout;
    sizeLeft_ = new QLabel(QStringLiteral("A"), samplePage_);
    sizeSlider_ = new QSlider(Qt::Horizontal, samplePage_);
    sizeSlider_->setObjectName(QStringLiteral("editorFontSizeSlider"));
    sizeSlider_->setRange(MinimumEditorSize, MaximumEditorSize);
    sizeSlider_->setFocusPolicy(Qt::NoFocus);
    sizeSlider_->setMinimumWidth(48);
    sizeRight_ = new QLabel(QStringLiteral("A"), samplePage_);
    QFont big = sizeRight_->font();
    big.setPixelSize(18);
    sizeRight_->setFont(big);
    sizeValue_ = new QLabel(samplePage_);
    sizeValue_->setObjectName(QStringLiteral("editorFontSizeValueText"));
    sizePt_ = new QLabel(QStringLiteral("pt"), samplePage_);
    controls->addWidget(sizeLeft_);
    controls->addWidget(sizeSlider_, 1);
    controls->addWidget(sizeRight_);
    controls->addWidget(sizeValue_);
    controls->addWidget(sizePt_);
    editButton_ = makeButton(samplePage_, tr("Edit"), QStringLiteral("sampleTextEditButton"));
    editButton_->setCheckable(true);
    controls->addWidget(editButton_);
    samplePrintButton_ = makeButton(samplePage_, tr("Print…"), QStringLiteral("sampleTextPrintButton"));
    controls->addWidget(samplePrintButton_);
    sampleLayout->addLayout(controls);
    sampleTextEditor_ = makeEditor(samplePage_, QStringLiteral("sampleTextEditor"));
    sampleLayout->addWidget(sampleTextEditor_, 1);
    content.addPage(SampleEditorView, samplePage_, tr("Sample"));

    connect(previewPrintButton_, &QPushButton::clicked, this, &PaletteSampleViews::printPreview);
    connect(samplePrintButton_, &QPushButton::clicked, this, &PaletteSampleViews::printSampleText);
    connect(editButton_, &QPushButton::clicked, this, &PaletteSampleViews::toggleSampleTextEditMode);
    connect(sizeSlider_, &QSlider::valueChanged, this,
            [this](int size) { settings_.setFloat(float(size), rbx::key::editorFontSize.qname()); });
    connect(sampleTextEditor_, &QTextEdit::textChanged, this, &PaletteSampleViews::textDidChange);

    previewEditor_->viewport()->installEventFilter(this);
    sampleTextEditor_->viewport()->installEventFilter(this);
    // The editor starts editable (the edit button's value is 1 while it is not).
    sampleTextEditor_->setEditable(true);
    editButton_->setChecked(false);
    settings_.addObserver(this);
    showView(settings_.integerForKey(rbx::key::view));
}

QString PaletteSampleViews::visiblePage() const {
    QWidget* current = content_.contentTabView()->currentWidget();
    if (current == previewPage_) return QStringLiteral("preview");
    if (current == samplePage_) return QStringLiteral("sample");
    return QStringLiteral("table");
}

int PaletteSampleViews::editorFontSize() const {
    const double size = settings_.floatForKey(rbx::key::editorFontSize);
    return std::clamp(int(std::lround(size > 0 ? size : 18)), 1, 512);
}

void PaletteSampleViews::updateEditButton() {
    // Only the user's own text is edited.
    editButton_->setVisible(settings_.integerForKey(rbx::key::view) == SampleEditorView &&
                            RbxSampleText::isUsersOwnText(RbxSampleText::selectedSampleTextTitle()));
}

void PaletteSampleViews::showView(int view) {
    updateEditButton();
    QStackedWidget* pages = content_.contentTabView();
    if (view == PreviewView || view == SampleEditorView) RbxLayout::fillLayoutPopUp(view, true);
    if (view == PreviewView) {
        pages->setCurrentWidget(previewPage_);
        makePreview();
    } else if (view == SampleEditorView) {
        pages->setCurrentWidget(samplePage_);
        updateEditorFont();
    } else if (pages->currentWidget() == previewPage_ || pages->currentWidget() == samplePage_) {
        pages->setCurrentIndex(0);
        RbxLayout::fillLayoutPopUp(view, true);
        // The table does not take keys: the palette is a panel again.
        if (madeActivating_ && window_) window_->setActivating(false);
        madeActivating_ = false;
    }
}

bool PaletteSampleViews::eventFilter(QObject* watched, QEvent* event) {
    // A click into a text view makes the palette take the keys, as a text field does.
    if (event->type() == QEvent::MouseButtonPress && window_ && !window_->isActivating()) {
        window_->setActivating(true);
        madeActivating_ = true;
        window_->raise();
        window_->activateWindow();
        if (watched == sampleTextEditor_->viewport())
            activateSampleEditor();
        else
            activatePreview();
    }
    return QObject::eventFilter(watched, event);
}

void PaletteSampleViews::setFont(const rbx::Font& font) {
    font_ = font;
    auto covered = font ? std::make_shared<const kx::CharSet>(font->coveredCharacters()) : nullptr;
    previewEditor_->setCoveredCharacters(covered);
    sampleTextEditor_->setCoveredCharacters(covered);
    const int view = settings_.integerForKey(rbx::key::view);
    if (view == PreviewView || view == SampleEditorView) updateEditorFont();
}

void PaletteSampleViews::searchChanged() {
    refreshHighlighting(sampleTextEditor_);
    refreshHighlighting(previewEditor_);
}

void PaletteSampleViews::refreshHighlighting(RbxTextEditView* view) {
    const QSignalBlocker quiet(view);
    settingText_ = true;
    view->updateHighlighting();
    settingText_ = false;
}

void PaletteSampleViews::activatePreview() {
    if (settings_.boolForKey(rbx::key::logFocus)) kx::log(QStringLiteral("FOCUS: activatePreview"));
    previewEditor_->setFocus(Qt::MouseFocusReason);
}

void PaletteSampleViews::activateSampleEditor() {
    if (settings_.boolForKey(rbx::key::logFocus)) kx::log(QStringLiteral("FOCUS: activateSampleEditor"));
    sizeSlider_->setEnabled(true);
    sizeSlider_->setToolTip(QString());
    const QColor secondary = sizeLeft_->palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QLabel* l : {sizeLeft_, sizeRight_}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, secondary);
        l->setPalette(p);
    }
    sampleTextEditor_->setFocus(Qt::MouseFocusReason);
}

void PaletteSampleViews::setSampleText() {
    settingText_ = true;
    sampleTextEditor_->setPlainText(RbxSampleText::selectedSampleText());
    settingText_ = false;
    updateEditorFont();
    QTextCursor start = sampleTextEditor_->textCursor();
    start.movePosition(QTextCursor::Start);
    sampleTextEditor_->setTextCursor(start);
    sampleTextEditor_->ensureCursorVisible();
    checkPrintable(sampleTextEditor_->toPlainText());
    if (settings_.integerForKey(rbx::key::view) == PreviewView) makePreview();
}

void PaletteSampleViews::updateEditorFont() {
    if (!editorFontSet_ || sampleTextEditor_->toPlainText() != RbxSampleText::selectedSampleText()) {
        editorFontSet_ = true;
        setSampleText();
        return;
    }
    const int size = editorFontSize();
    {
        const QSignalBlocker quiet(sizeSlider_);
        sizeSlider_->setValue(size);
    }
    sizeValue_->setText(QString::number(size));
    setParagraphAttributes();
    if (settings_.integerForKey(rbx::key::view) == PreviewView) makePreview();
}

void PaletteSampleViews::setParagraphAttributes() {
    const int size = editorFontSize();
    const QString text = sampleTextEditor_->toPlainText();
    const int position = sampleTextEditor_->textCursor().position();
    settingText_ = true;
    {
        const QSignalBlocker quiet(sampleTextEditor_);
        kx::setDocumentText(*sampleTextEditor_->document(),
                            kx::AttributedString(text, rbx::sample::textAttributes(font_, size, rbx::sample::sampleAlignment(),
                                                                                  size * 0.25)));
        QTextCursor c = sampleTextEditor_->textCursor();
        c.setPosition(std::min(position, int(text.size())));
        sampleTextEditor_->setTextCursor(c);
        sampleTextEditor_->updateHighlighting();
    }
    settingText_ = false;
}

void PaletteSampleViews::makePreview() {
    const QSignalBlocker quiet(previewEditor_);
    kx::setDocumentText(*previewEditor_->document(),
                        rbx::sample::previewText(font_, RbxSampleText::selectedSampleText(),
                                                 kx::loc(QStringLiteral("__PREVIEW_TOP__"))));
    previewEditor_->updateHighlighting();
    previewEditor_->moveCursor(QTextCursor::Start);
    previewEditor_->ensureCursorVisible();
    previewPrintButton_->setEnabled(RbxSampleText::isPrintable(RbxSampleText::selectedSampleText()));
}

void PaletteSampleViews::checkPrintable(const QString& text) { samplePrintButton_->setEnabled(RbxSampleText::isPrintable(text)); }

void PaletteSampleViews::textDidChange() {
    if (settingText_) return;
    const QString text = sampleTextEditor_->toPlainText();
    settings_.setString(text, rbx::key::editableSampleText.qname());
    setParagraphAttributes();
    RbxLayout::saveLayoutInPrefs();
    checkPrintable(text);
}

void PaletteSampleViews::toggleSampleTextEditMode() {
    const bool editable = !sampleTextEditor_->isEditable();
    sampleTextEditor_->setEditable(editable);
    editButton_->setChecked(!editable);
}

void PaletteSampleViews::printSampleText() { print(rbx::sample::Page::SampleText); }

void PaletteSampleViews::printPreview() { print(rbx::sample::Page::Preview); }

void PaletteSampleViews::print(rbx::sample::Page page) {
    const QString sample = RbxSampleText::selectedSampleText();
    if (!font_ || !RbxSampleText::isPrintable(sample)) return;
    if (const QString pdf = rbx::sample::printToPdfFile(); !pdf.isEmpty()) {
        if (rbx::sample::printToPdf(pdf, page, font_, sample, editorFontSize())) kx::log(QStringLiteral("printed to %1").arg(pdf));
        return;
    }
    // The dialog prints the page itself once the user accepts it.
    QDialog* dialog = rbx::sample::printDialog(page, font_, sample, editorFontSize());
    if (!dialog) return;
    dialog->setObjectName(QStringLiteral("printPanel"));
    // Wide enough for the printer's name and the output file's path.
    dialog->setMinimumWidth(440);
    if (sheets_.beginSheet(dialog, PrintSheet, nullptr) == SheetHost::Begin::Refused) delete dialog;
}

void PaletteSampleViews::defaultChanged(const QString& key) {
    if (key == QLatin1String(rbx::key::view.name)) {
        showView(settings_.integerForKey(rbx::key::view));
    } else if (key == QLatin1String(rbx::key::sample.name) || key == QLatin1String(rbx::key::editorFontSize.name) ||
               key == QLatin1String(rbx::key::editorAlignment.name)) {
        const int view = settings_.integerForKey(rbx::key::view);
        if (view != PreviewView && view != SampleEditorView) return;
        // The layout pop-up of the sample views shows the chosen sample.
        if (key == QLatin1String(rbx::key::sample.name)) {
            RbxLayout::fillLayoutPopUp(view, true);
            updateEditButton();
        }
        updateEditorFont();
    }
}
