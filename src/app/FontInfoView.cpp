#include "app/FontInfoView.h"

#include "app/FontInfoText.h"
#include "app/PaletteContent.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxFontInfo.h"

#include <QFontMetricsF>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>
#include <optional>

FontInfoView::FontInfoView(RbxDefaults& settings, PaletteContent& content, QObject* parent)
    : QObject(parent), settings_(settings), content_(content) {
    page_ = new QWidget;
    page_->setObjectName(QStringLiteral("fontInfoPage"));
    text_ = new QTextBrowser(page_);
    text_->setObjectName(QStringLiteral("infoTextView"));
    text_->setOpenLinks(false);
    text_->setFrameShape(QFrame::NoFrame);
    text_->document()->setDocumentMargin(4);
    connect(text_, &QTextBrowser::anchorClicked, this, &FontInfoView::openLink);
    auto* layout = new QVBoxLayout(page_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    content_.addPage(View, page_, kx::loc(QStringLiteral("Info")));
    settings_.addObserver(this);
    showView(settings_.integerForKey(rbx::key::view));
}

FontInfoView::~FontInfoView() { settings_.removeObserver(this); }

void FontInfoView::setFont(const rbx::Font& font) {
    font_ = font;
    stale_ = true;
    if (settings_.integerForKey(rbx::key::view) == View) updateFontInfo();
}

void FontInfoView::defaultChanged(const QString& key) {
    if (key == rbx::key::view.qname()) showView(settings_.integerForKey(rbx::key::view));
}

void FontInfoView::showView(int view) {
    QStackedWidget* pages = content_.contentTabView();
    if (view == View) {
        if (stale_) updateFontInfo();
        pages->setCurrentWidget(page_);
    } else if (pages->currentWidget() == page_) {
        pages->setCurrentIndex(0);
    }
}

void FontInfoView::activateInfoView() {
    if (settings_.boolForKey(rbx::key::logFocus)) kx::log(QStringLiteral("FOCUS: activateInfoView"));
    if (text_->focusPolicy() != Qt::NoFocus) text_->setFocus();
}

void FontInfoView::updateFontInfo() {
    stale_ = false;
    QTextDocument* doc = text_->document();
    doc->clear();
    if (!font_) return;
    const auto info = RbxFontInfo::fontInfoWithFont(font_);
    std::optional<fontinfo::LigatureDetails> details;
    if (settings_.boolForKey(rbx::key::ligainfo)) details = fontinfo::ligatureDetails(font_);
    const QList<fontinfo::Line> lines =
        fontinfo::linesForFont(font_, info ? info->numberOfLigatures() : 0, details ? &*details : nullptr);

    QTextCharFormat title;
    title.setForeground(text_->palette().color(QPalette::Disabled, QPalette::Text));
    QTextCharFormat value;
    value.setForeground(text_->palette().color(QPalette::Text));
    const QFontMetricsF metrics(text_->font());
    double widest = 0;
    for (const fontinfo::Line& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(kx::loc(line.key) + u':'));

    QTextBlockFormat paragraph;
    paragraph.setTabPositions({QTextOption::Tab(widest + 1, QTextOption::RightTab), QTextOption::Tab(widest + 8, QTextOption::LeftTab)});
    // Lines after the first, wrapped or begun by a line feed of the value, start under
    // the value column.
    paragraph.setLeftMargin(widest + 8);
    paragraph.setTextIndent(-(widest + 8));
    paragraph.setTopMargin(3);
    paragraph.setBottomMargin(3);
    paragraph.setLayoutDirection(Qt::LeftToRight);

    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    bool first = true;
    for (const fontinfo::Line& line : lines) {
        if (first) cursor.setBlockFormat(paragraph);
        else cursor.insertBlock(paragraph);
        first = false;
        cursor.insertText(QStringLiteral("\t"), value);
        cursor.insertText(kx::loc(line.key) + u':', title);
        cursor.insertText(QStringLiteral("\t"), value);
        QTextCharFormat format = value;
        if (line.kind != fontinfo::Line::Text) {
            const QUrl target = line.kind == fontinfo::Line::File ? QUrl::fromLocalFile(line.value) : QUrl(line.value);
            format.setAnchor(true);
            format.setAnchorHref(target.toString());
            format.setForeground(QColor(0x1a, 0x5f, 0xd0));
            format.setFontUnderline(true);
        }
        // Continuation lines stay in the paragraph, under the value.
        cursor.insertText(QString(line.value).replace(u'\n', QChar::LineSeparator), format);
    }
    cursor.endEditBlock();
    text_->moveCursor(QTextCursor::Start);
    text_->ensureCursorVisible();
}

void FontInfoView::openLink(const QUrl& url) {
    if (url.isLocalFile()) KXUtilities::openFile(url.toLocalFile());
    else KXUtilities::openFile(url.toString(QUrl::FullyEncoded));
}
