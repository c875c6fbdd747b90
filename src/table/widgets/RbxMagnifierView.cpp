#include "table/widgets/RbxMagnifierView.h"

#include "insertion/KXKeyboard.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXDynamicImage.h"
#include "model/CharacterText.h"
#include "table/widgets/RbxBigCharView.h"
#include "table/widgets/RbxNamedColors.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int ContentWidth = 260;
constexpr QSize BigCharSize(240, 140);
constexpr int ShortcutHeight = 24;

QFont pixelFont(int pixels, bool bold = false) {
    QFont f = QApplication::font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QLabel* newLabel(QWidget* parent, const QFont& font, bool secondary) {
    auto* l = new QLabel(parent);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    l->setFocusPolicy(Qt::NoFocus);
    if (secondary) l->setForegroundRole(QPalette::PlaceholderText);
    return l;
}

void setShown(QLabel* label, const QString& text) {
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

} // namespace

// ---------------------------------------------------------------- key caps

ColoredTextField::ColoredTextField(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(text);  // drawn, not a label: screen readers get the key this way
    setFont(pixelFont(13));
}

void ColoredTextField::setCustomBackgroundColor(const QColor& color) {
    background_ = color;
    update();
}

void ColoredTextField::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(Qt::lightGray), 1));
    p.setBrush(background_.isValid() ? QBrush(background_) : QBrush(Qt::NoBrush));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text_);
}

RbxSpaceView::RbxSpaceView(const QRect& baseRect, QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setBaseRect(baseRect);
}

void RbxSpaceView::setBaseRect(const QRect& rect) {
    baseRect_ = rect;
    setGeometry(rect);
    update();
}

double RbxSpaceView::lineWidth(const QSize& size) { return std::ceil(size.height() / 25.0); }

QPolygonF RbxSpaceView::bracket(const QSize& size) {
    const double e = std::ceil(size.height() / 10.0);
    const double bottom = size.height() - lineWidth(size) / 2;
    return QPolygonF({QPointF(4, bottom - e), QPointF(4, bottom), QPointF(size.width() - 4, bottom),
                      QPointF(size.width() - 4, bottom - e)});
}

void RbxSpaceView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::Text), lineWidth(size()), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPolyline(bracket(size()));
}

// ---------------------------------------------------------------- the content

RbxMagnifierView::RbxMagnifierView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(4);

    bigCharView_ = new RbxBigCharView(this);
    bigCharView_->setFocusPolicy(Qt::NoFocus);
    bigCharView_->setFixedSize(BigCharSize);
    column->addWidget(bigCharView_, 0, Qt::AlignHCenter);

    notAvailableLabel_ = newLabel(this, pixelFont(11, true), false);
    notAvailableLabel_->setAlignment(Qt::AlignCenter);
    column->addWidget(notAvailableLabel_);

    nameField_ = newLabel(this, pixelFont(13, true), false);
    nameField_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    nameField_->setWordWrap(true);
    column->addWidget(nameField_);

    auto* rows = new QGridLayout();
    rows->setHorizontalSpacing(6);
    rows->setVerticalSpacing(2);
    rows->setColumnStretch(1, 1);
    const QFont labelFont = pixelFont(11), fieldFont = pixelFont(12);
    QLabel** pairs[][2] = {{&keywordsLabel_, &keywordsField_}, {&htmlLabel_, &htmlField_}, {&codePointLabel_, &codePointField_}};
    int row = 0;
    for (auto& pair : pairs) {
        *pair[0] = newLabel(this, labelFont, true);
        (*pair[0])->setAlignment(Qt::AlignRight | Qt::AlignTop);
        *pair[1] = newLabel(this, fieldFont, false);
        (*pair[1])->setWordWrap(true);
        rows->addWidget(*pair[0], row, 0);
        rows->addWidget(*pair[1], row, 1);
        ++row;
    }
    column->addLayout(rows);

    shortcutView_ = new QWidget(this);
    shortcutView_->setFixedHeight(ShortcutHeight);
    column->addWidget(shortcutView_);
    setFixedWidth(ContentWidth);
}

void RbxMagnifierView::fill(char32_t c, const rbx::Font& font) {
    character_ = c;
    const kx::KXKeyboard* keyboard = kx::KXKeyboard::currentKeyboard();
    const QStringList keys = keyboard && c ? keyboard->keySequenceArrayForCharacter(c) : QStringList();
    const kx::CharSet* covered = font ? &font->coveredCharacters() : nullptr;
    content_ = magnifierContent(c, covered, RbxDefaults::userDefaults().applicationInsertMode(), keys);

    if (font && c) bigCharView_->setFont(font, CharacterText::stringWithCharacter(c), true);
    else bigCharView_->setFont(rbx::Font(), QString(), true);
    bigCharView_->setAccessibleName(c ? CharacterText::stringWithCharacter(c) : QString());
    nameField_->setText(content_.name);
    setShown(keywordsLabel_, content_.keywordsLabel);
    setShown(keywordsField_, content_.keywordsShown() ? content_.keywordsText : QString());
    htmlLabel_->setText(content_.notationLabel);
    htmlField_->setText(content_.notationText);
    codePointLabel_->setText(content_.codePointLabel);
    codePointField_->setText(content_.codePointText);
    fillShortcutView(content_.keyCaps);

    QPalette warning = notAvailableLabel_->palette();
    warning.setColor(QPalette::WindowText, rbx::colors::named(QStringLiteral("charSubstitutionColor")).effectiveColor());
    notAvailableLabel_->setPalette(warning);
    setShown(notAvailableLabel_, content_.notAvailable ? QStringLiteral("Not available in this font") : QString());
    layout()->activate();
    adjustSize();
}

void RbxMagnifierView::fillShortcutView(const QStringList& keys) {
    for (QWidget* child : shortcutView_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete child;
    const int h = shortcutView_->height() > 0 ? shortcutView_->height() : ShortcutHeight;
    int x = 0;
    if (keys.isEmpty()) {
        auto* picture = new QLabel(shortcutView_);
        const QImage image = KXDynamicImage::imageNamed(QStringLiteral("keyboard.x")).effectiveImage();
        if (!image.isNull()) {
            QPixmap pixmap = QPixmap::fromImage(image.scaled(QSize(h, h) * devicePixelRatioF(), Qt::KeepAspectRatio,
                                                             Qt::SmoothTransformation));
            pixmap.setDevicePixelRatio(devicePixelRatioF());
            picture->setPixmap(pixmap);
        }
        picture->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        picture->setGeometry(0, 0, h, h);
        picture->show();
        shortcutView_->setMinimumWidth(h);
        return;
    }
    const QColor capBackground = rbx::colors::named(QStringLiteral("shortcutBackground")).effectiveColor();
    for (const QString& s : keys) {
        if (s == QLatin1String("then")) {
            auto* word = newLabel(shortcutView_, pixelFont(12), true);
            word->setText(s);
            word->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
            const int w = int(std::ceil(QFontMetricsF(word->font()).horizontalAdvance(s)));
            word->setGeometry(x + 2, 0, w + 5, h);
            word->show();
            x += w + 10;
            continue;
        }
        auto* cap = new ColoredTextField(s, shortcutView_);
        cap->setCustomBackgroundColor(capBackground);
        // A cap is square; a longer label ("AltGr", "F12") widens it.
        const int w = std::max(h, int(std::ceil(QFontMetricsF(cap->font()).horizontalAdvance(s))) + 10);
        cap->setGeometry(x, 0, w, h);
        cap->show();
        if (s == QLatin1String(" ")) (new RbxSpaceView(cap->geometry().adjusted(4, 5, -4, -5), shortcutView_))->show();
        x += w + 5;
    }
    shortcutView_->setMinimumWidth(x);
}

QString RbxMagnifierView::shownText(const QString& field) const {
    const QLabel* label = nullptr;
    if (field == QLatin1String("name")) label = nameField_;
    else if (field == QLatin1String("keywordsLabel")) label = keywordsLabel_;
    else if (field == QLatin1String("keywords")) label = keywordsField_;
    else if (field == QLatin1String("htmlLabel")) label = htmlLabel_;
    else if (field == QLatin1String("html")) label = htmlField_;
    else if (field == QLatin1String("codePointLabel")) label = codePointLabel_;
    else if (field == QLatin1String("codePoint")) label = codePointField_;
    else if (field == QLatin1String("notAvailable")) label = notAvailableLabel_;
    return label && !label->isHidden() ? label->text() : QString();
}
