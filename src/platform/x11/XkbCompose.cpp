#include "platform/x11/XkbCompose.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <QByteArray>

namespace kx::x11 {

XkbCompose::XkbCompose(xkb_context* context, xkb_compose_table* table)
    : context_(context), table_(table) {}

XkbCompose::~XkbCompose() {
    xkb_compose_table_unref(table_);
    xkb_context_unref(context_);
}

std::shared_ptr<XkbCompose> XkbCompose::forLocale(const QString& locale) {
    xkb_context* ctx = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!ctx) return nullptr;
    const QByteArray name = locale.toUtf8();
    xkb_compose_table* table =
        xkb_compose_table_new_from_locale(ctx, name.constData(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (!table) {
        xkb_context_unref(ctx);
        return nullptr;
    }
    return std::shared_ptr<XkbCompose>(new XkbCompose(ctx, table));
}

std::shared_ptr<XkbCompose> XkbCompose::forCurrentLocale() {
    QString locale;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        locale = qEnvironmentVariable(var);
        if (!locale.isEmpty()) break;
    }
    // The C locale has no compose table of interest; the UTF-8 English one holds
    // the usual dead-key sequences.
    if (locale.isEmpty() || locale == u"C" || locale == u"POSIX" || locale.startsWith(u"C."))
        locale = QStringLiteral("en_US.UTF-8");
    if (auto c = forLocale(locale)) return c;
    return forLocale(QStringLiteral("en_US.UTF-8"));
}

XkbCompose::Result XkbCompose::feed(const QVector<Keysym>& sequence, QString* out) const {
    xkb_compose_state* st = xkb_compose_state_new(table_, XKB_COMPOSE_STATE_NO_FLAGS);
    if (!st) return Result::Nothing;
    Result result = Result::Nothing;
    for (Keysym sym : sequence) {
        if (xkb_compose_state_feed(st, sym) == XKB_COMPOSE_FEED_IGNORED) continue;
        switch (xkb_compose_state_get_status(st)) {
        case XKB_COMPOSE_NOTHING: result = Result::Nothing; break;
        case XKB_COMPOSE_COMPOSING: result = Result::Composing; break;
        case XKB_COMPOSE_COMPOSED: result = Result::Composed; break;
        case XKB_COMPOSE_CANCELLED: result = Result::Cancelled; break;
        }
    }
    if (result == Result::Composed && out) {
        char buf[64];
        const int n = xkb_compose_state_get_utf8(st, buf, sizeof buf);
        *out = n > 0 ? QString::fromUtf8(buf, std::min(n, int(sizeof buf) - 1)) : QString();
        if (out->isEmpty()) {
            const xkb_keysym_t sym = xkb_compose_state_get_one_sym(st);
            const char32_t c = xkb_keysym_to_utf32(sym);
            if (c) *out = QString::fromUcs4(&c, 1);
        }
    }
    xkb_compose_state_unref(st);
    return result;
}

} // namespace kx::x11
