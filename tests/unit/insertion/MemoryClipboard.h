#pragma once
// A clipboard in memory with the behaviour of the X CLIPBOARD: every change of owner
// moves the change count, our declared types are served by the provider on request.

#include "platform/x11/ClipboardBackend.h"

#include <QHash>
#include <QList>

class MemoryClipboard : public kx::x11::ClipboardBackend {
public:
    using Data = kx::x11::ClipboardData;

    bool isAvailable() const override { return true; }
    int changeCount() override { return count; }
    int declareTypes(const QStringList& t, Provider p) override {
        ++declarations;
        ++count;
        ours = true;
        types = t;
        provider = std::move(p);
        foreign.clear();
        return count;
    }
    bool ownsClipboard() override { return ours; }
    int releaseClipboard() override {
        if (!ours) return count;
        ++releases;
        ++count;
        ours = false;
        provider = nullptr;
        types.clear();
        foreign.clear();
        return count;
    }
    std::optional<QStringList> availableTypes(int, bool* timedOut = nullptr) override {
        if (timedOut) *timedOut = silentOnTypes;
        if (silentOnTypes || (!ours && types.isEmpty())) return std::nullopt;
        return types;
    }
    std::optional<Data> dataForType(const QString& type, int, bool* timedOut = nullptr) override {
        ++reads;
        if (timedOut) *timedOut = silentFromRead && reads >= silentFromRead;
        if (silentFromRead && reads >= silentFromRead) return std::nullopt;
        const std::optional<Data> d = fetchIfListed(type);
        // Someone copies right after this read was answered.
        if ((changeDuringRead && reads == changeDuringRead) || changeOnEveryRead)
            userCopies({{"UTF8_STRING", Data{"late " + QByteArray::number(reads), {}, 8}}});
        return d;
    }
    bool handOverToClipboardManager(int) override { ++handOvers; return clipboardManagerRuns; }
    void setRefusalHandler(RefusalHandler h) override { refusal = std::move(h); }
    void setTracing(bool on) override { tracing = on; }

    // Another program takes the clipboard.
    void userCopies(const QList<std::pair<QString, Data>>& items) {
        ++count;
        ours = false;
        provider = nullptr;
        types.clear();
        foreign.clear();
        for (const auto& [t, d] : items) {
            types << t;
            foreign.insert(t, d);
        }
    }
    std::optional<Data> fetchIfListed(const QString& type) {
        return types.contains(type) ? fetch(type) : std::nullopt;
    }
    // The front application pastes: what a reader gets for a type.
    std::optional<Data> fetch(const QString& type) {
        if (ours && !types.contains(type)) {
            // Not ours to give: refused, as the X server's owner does.
            if (refusal) refusal(type);
            return std::nullopt;
        }
        if (ours) return provider ? provider(type) : std::nullopt;
        const auto it = foreign.constFind(type);
        if (it == foreign.constEnd()) return std::nullopt;
        return *it;
    }
    QString fetchText(const QString& type = QStringLiteral("UTF8_STRING")) {
        const auto d = fetch(type);
        return d ? QString::fromUtf8(d->bytes) : QString();
    }

    int count = 0;
    int declarations = 0;
    int reads = 0;
    int changeDuringRead = 0;   // the n-th read sees the user copy something ("late <n>")
    bool changeOnEveryRead = false;
    int silentFromRead = 0;     // the owner stops answering from the n-th read on
    bool silentOnTypes = false; // the owner does not answer for its list of types
    int handOvers = 0;
    int releases = 0;
    bool clipboardManagerRuns = true;
    bool ours = false;
    bool tracing = false;
    QStringList types;
    Provider provider;
    RefusalHandler refusal;
    QHash<QString, Data> foreign;
};
