#pragma once
// Dead-key sequences: the compose table of the locale (libxkbcommon), asked one
// keysym sequence at a time.

#include "platform/x11/XkbKeymap.h"

#include <QVector>
#include <memory>

struct xkb_compose_table;

namespace kx::x11 {

class XkbCompose {
public:
    // The table of the locale in LC_ALL / LC_CTYPE / LANG, falling back to en_US.UTF-8
    // when that locale has none. Null when no table can be loaded.
    static std::shared_ptr<XkbCompose> forCurrentLocale();
    static std::shared_ptr<XkbCompose> forLocale(const QString& locale);
    ~XkbCompose();
    XkbCompose(const XkbCompose&) = delete;
    XkbCompose& operator=(const XkbCompose&) = delete;

    enum class Result { Nothing, Composing, Composed, Cancelled };
    // Feeds the sequence into a fresh compose state; for Composed, `out` is the text.
    Result feed(const QVector<Keysym>& sequence, QString* out = nullptr) const;

private:
    XkbCompose(xkb_context* context, xkb_compose_table* table);
    xkb_context* context_;
    xkb_compose_table* table_;
};

} // namespace kx::x11
