#include "app/RbxTextEditView.h"

#include "app/TextHighlighting.h"
#include "model/RbxNameFilter.h"
#include "table/widgets/RbxNamedColors.h"
#include "table/widgets/RbxPrintBanner.h"

#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextCursor>
#include <QUrl>

RbxTextEditView::RbxTextEditView(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setObjectName(QStringLiteral("RbxTextEditView"));
}

bool RbxTextEditView::canInsertFromMimeData(const QMimeData* source) const {
    return isEditable() && source && (source->hasText() || source->hasUrls());
}

void RbxTextEditView::insertFromMimeData(const QMimeData* source) {
    if (!canInsertFromMimeData(source)) return;
    // The plain text first, then file names.
    QString text = source->hasFormat(QStringLiteral("text/plain")) ? source->text() : QString();
    if (text.isEmpty() && source->hasUrls()) {
        QStringList names;
        for (const QUrl& u : source->urls()) names << (u.isLocalFile() ? u.toLocalFile() : u.toString());
        text = names.join(u'\n');
    }
    textCursor().insertText(text);
}

void RbxTextEditView::updateHighlighting() {
    QTextDocument* doc = document();
    const QString text = doc->toPlainText();
    QTextCursor all(doc);
    all.select(QTextCursor::Document);
    QTextCharFormat white;
    white.setBackground(Qt::white);
    all.mergeCharFormat(white);

    auto mark = [&](const rbx::highlight::Range& r, const QTextCharFormat& f) {
        QTextCursor c(doc);
        c.setPosition(int(r.start));
        c.setPosition(int(r.start + r.length), QTextCursor::KeepAnchor);
        c.mergeCharFormat(f);
    };
    if (RbxNameFilter::hasFilter()) {
        const std::optional<kx::CharSet> filtered = RbxNameFilter::filteredCharacters();
        QTextCharFormat hilite;
        hilite.setBackground(highlightColor());
        for (const auto& r : rbx::highlight::filterRanges(text, filtered ? &*filtered : nullptr, RbxNameFilter::filterString()))
            mark(r, hilite);
    }
    if (covered_) {
        QTextCharFormat missing;
        missing.setForeground(rbx::colors::named(QStringLiteral("charSubstitutionColor")).aquaColor());
        for (const auto& r : rbx::highlight::uncoveredRuns(text, *covered_)) mark(r, missing);
    }
}

void RbxTextEditView::paintEvent(QPaintEvent* event) {
    QTextEdit::paintEvent(event);
    if (bannerHeight_ <= 0) return;
    QPainter p(viewport());
    RbxToolsDrawing::drawPrintBannerInRect(p, QRectF(0, -verticalScrollBar()->value(), viewport()->width(), bannerHeight_));
}
