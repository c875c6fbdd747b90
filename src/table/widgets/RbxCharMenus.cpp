#include "table/widgets/RbxCharMenus.h"

#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXGraphicalMenu.h"
#include "model/CharacterText.h"
#include "table/core/RbxPictureStrings.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxQtFonts.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <cmath>

namespace RbxCharMenus {

namespace {

// A title as menu text: '&' would mark a mnemonic.
QString menuText(const RbxMenuEntry& entry) { return menuItemText(entry).replace(u'&', QStringLiteral("&&")); }

bool offered(const RbxCharView& view, RbxMenuCommand command, RbxMenuTarget target) {
    if (target == RbxMenuTarget::View && command != RbxMenuCommand::ShowInfo) return true;
    return view.controller().offersCharacterCommand(command);
}

// The size of a text in a font as one line: its advance and the line's height.
QSizeF textSize(const QString& s, const QFont& font) {
    const QFontMetricsF m(font);
    return QSizeF(m.horizontalAdvance(s), m.height());
}

QImage newPicture(const QSizeF& size, double scale) {
    QImage image(QSize(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

QColor textColor() { return KXAppearance::currentIsDark() ? QColor(Qt::white) : QColor(Qt::black); }

void drawEmoji(QPainter& p, const QString& s, const QFont& font, const QSizeF& text) {
    p.setFont(font);
    p.setPen(textColor());
    p.drawText(QRectF(QPointF(5, 0), text), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s);
}

double deviceScale() { return qApp ? qApp->devicePixelRatio() : 1.0; }

// The picture's logical size: the picture of a menu item is as large as its image.
QRect pictureRect(const QImage& image, int x) {
    const double s = image.devicePixelRatio();
    return QRect(x, 0, int(std::lround(image.width() / s)), int(std::lround(image.height() / s)));
}

} // namespace

RbxContextMenuState tableState(const RbxCharView& view, char32_t c) {
    RbxContextMenuState s;
    s.character = c;
    s.markedCharacter = view.controller().markedCharacter();
    s.showingRecentLayout = view.showingRecentLayout();
    if (c != 0) {
        if (const RbxTableGroup* g = view.groupAtIndex(view.selectedCharIndex())) s.groupKind = g->groupKind();
        if (const kx::CharSet* favorites = view.sources().favoriteCharacters(view.font()))
            s.inFavorites = favorites->contains(c);
    }
    return s;
}

std::unique_ptr<QMenu> makeMenu(RbxCharView& view, const std::vector<RbxMenuEntry>& entries, char32_t c) {
    if (entries.empty()) return nullptr;
    auto menu = std::make_unique<QMenu>(QStringLiteral("Runebox"));
    QPointer<RbxCharView> target(&view);
    for (const RbxMenuEntry& entry : entries) {
        if (entry.separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(menuText(entry));
        if (entry.carriesCharacter) action->setData(uint(c));
        action->setEnabled(offered(view, entry.command, entry.target));
        QObject::connect(action, &QAction::triggered, action, [target, action, command = entry.command] {
            if (target) target->performMenuCommand(command, RbxCharView::characterFromSender(action->data()));
        });
    }
    return menu;
}

QFont pictureFont(const RbxCharView& view) {
    const rbx::Font& display = view.displayFont();
    const double size = rbx::pictures::pictureFontSize(display ? display.pointSize() : 0);
    if (const rbx::Font emoji = view.sources().colorEmojiFont(size))
        if (std::optional<QFont> f = rbx::qt::textFont(emoji)) return *f;
    QFont f;
    f.setPixelSize(int(std::lround(size)));
    return f;
}

QImage skinPicture(const QString& s, int tone, const QFont& font, double scale) {
    const QSizeF text = textSize(s, font);
    const QSizeF size(text.width() + 10, text.height() + 12);
    QImage image = newPicture(size, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const auto [r, g, b] = rbx::pictures::skinToneColor(tone);
    // The bar lies 5 points above the bottom, 12 high; the emoji stands on it.
    p.fillRect(QRectF(5, size.height() - 17, size.width() - 10, 12), QColor(r, g, b));
    drawEmoji(p, s, font, text);
    return image;
}

QImage presentationPicture(const QString& s, const QString& label, const QFont& font, double scale) {
    const QSizeF text = textSize(s, font);
    const QSizeF size(text.width() + 10, text.height() + 12);
    QImage image = newPicture(size, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = KXAppearance::currentIsDark();
    // The label's band along the bottom edge, the label centred in it.
    const QRectF band(-1, size.height() - 12, size.width() + 2, 12);
    p.fillRect(band, dark ? QColor::fromRgbF(0.15f, 0.15f, 0.15f) : QColor::fromRgbF(0.925f, 0.925f, 0.925f));
    QFont labelFont = QApplication::font();
    labelFont.setPixelSize(9);
    p.setFont(labelFont);
    p.setPen(textColor());
    const double labelHeight = QFontMetricsF(labelFont).height();
    p.drawText(QRectF(0, size.height() - 1 - labelHeight, size.width(), labelHeight), Qt::AlignHCenter | Qt::AlignBottom,
               label);
    drawEmoji(p, s, font, text);
    return image;
}

std::unique_ptr<KXGraphicalMenu> skinsMenu(RbxCharView& view, char32_t c) {
    auto menu = std::make_unique<KXGraphicalMenu>(QStringLiteral("Skins"));
    const QFont font = pictureFont(view);
    const QString emoji = CharacterText::stringWithCharacter(c);
    const double scale = deviceScale();
    for (int tone = 0; tone < rbx::pictures::SkinTones; ++tone) {
        const QString s = rbx::pictures::skinToneString(emoji, tone);
        const QImage picture = skinPicture(s, tone, font, scale);
        menu->addImage(picture, pictureRect(picture, tone * pictureRect(picture, 0).width()), "delayedPostSkinnedString",
                       &view, s);
    }
    return menu;
}

std::unique_ptr<KXGraphicalMenu> emojiTextMenu(RbxCharView& view, char32_t c) {
    auto menu = std::make_unique<KXGraphicalMenu>(QStringLiteral("EmojiText"));
    const QFont font = pictureFont(view);
    const QString text = CharacterText::stringWithCharacter(c);
    const double scale = deviceScale();
    int x = 0;
    for (const bool emoji : {false, true}) {
        const QString s = rbx::pictures::presentationString(text, emoji);
        const QImage picture = presentationPicture(s, emoji ? QStringLiteral("Emoji") : QStringLiteral("Text"), font, scale);
        const QRect rect = pictureRect(picture, x);
        menu->addImage(picture, rect, "delayedPostSkinnedString", &view, s);
        x = rect.width();
    }
    return menu;
}

} // namespace RbxCharMenus
