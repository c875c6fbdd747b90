#pragma once
// A scratch bundle folder and clean name state for the character-name tests.

#include "common/ScopedInstance.h"
#include "common/TestEnvironment.h"
#include "kxlib/RbxDefaults.h"
#include "core/Bundle.h"
#include "core/KXAppSupport.h"
#include "core/ProcessWide.h"
#include "model/CharacterNameState.h"
#include "model/RbxCharacterName.h"
#include "model/RbxSelectedFont.h"
#include "model/RbxEmoji.h"
#include "model/RbxHTML.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <zlib.h>

namespace namefix {

// A names file: the stated size (the real one unless given) and the zlib stream.
inline QByteArray namesFile(const QByteArray& expanded, qint64 statedSize = -1) {
    uLongf len = compressBound(static_cast<uLong>(expanded.size()));
    QByteArray z(static_cast<qsizetype>(len), '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(expanded.constData()),
             static_cast<uLong>(expanded.size()));
    z.resize(static_cast<qsizetype>(len));
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(statedSize < 0 ? expanded.size() : statedSize), out.data());
    return out + z;
}

// One expanded record.
inline QByteArray record(int code, char letter, const QByteArray& name) {
    return QByteArray::number(code) + letter + name + '\0';
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// While alive, the colour emoji font counts as showing every emoji sequence as one
// picture (all widths equal), so that sequences resolve to their virtual characters
// whatever fonts the machine has.
class EmojiPictures {
public:
    EmojiPictures() { RbxEmoji::setMeasurer(std::make_unique<Measurer>()); }
    ~EmojiPictures() { RbxEmoji::setMeasurer(nullptr); }

private:
    struct Measurer : RbxEmojiMeasurer {
        bool hasFont() override { return true; }
        kx::CharSet coveredCharacters() override {
            kx::CharSet s = kx::CharSet::fromRange(0x1F000, 0x1FAFF);
            s.addCharactersFrom(0x2600, 0x27BF);
            s.addCharactersFrom(0x23, 0x39);
            return s;
        }
        double widthOf(const QString&) override { return 10; }
    };
};

// While alive: a settings store of its own (a new domain each time), reading the source
// tree's bundle defaults.
class FreshDefaults {
public:
    FreshDefaults() : store_(RbxDefaults::open(QStringLiteral("org.runebox.test.names%1").arg(++counter()),
                                               QStringLiteral(RUNEBOX_SOURCE_RESOURCES))) {}
    RbxDefaults& operator*() const { return *store_; }
    RbxDefaults* operator->() const { return &*store_; }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    rbxtest::ScopedInstance<RbxDefaults> store_;
};

// The support folder and the cache folder, emptied.
inline void clearSupportFolder() {
    QDir(KXAppSupport::supportFolderPath()).removeRecursively();
    QDir(qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/runebox")).removeRecursively();
}

// The character names as a fresh process finds them (the selected font, if any, must
// outlive them).
inline void freshNames(RbxSelectedFont* selectedFont = nullptr) {
    kx::ProcessWide<RbxCharacterNameState>::install(std::make_shared<RbxCharacterNameState>(selectedFont));
}

// The palette's selected font as a test sets it.
class PaletteFont : public RbxSelectedFont {
public:
    RbxFontRepertoire* selectedFontRepertoire() override { return font; }
    RbxFontRepertoire* font = nullptr;
};

// While alive: the bundle is a scratch folder, the support folder is empty and the
// name state is fresh, with `palette` as the selected font.
class ScratchBundle {
public:
    ScratchBundle() {
        QFile::copy(qEnvironmentVariable("RUNEBOX_RESOURCES") + QStringLiteral("/Info.plist"), path(QStringLiteral("Info.plist")));
        reset();
    }
    ~ScratchBundle() {
        reset();
        freshNames();
    }
    QString path(const QString& name) const { return dir_.path() + u'/' + name; }
    void write(const QString& name, const QByteArray& bytes) const { writeFile(path(name), bytes); }
    void writeNames(const QByteArray& expanded) const { write(QStringLiteral("UnicodeNames.data"), namesFile(expanded)); }

private:
    void reset() {
        freshNames(&palette);
        kx::ProcessWide<RbxHTMLEntities>::install(nullptr);
        clearSupportFolder();
    }

public:
    PaletteFont palette;

private:
    QTemporaryDir dir_;
    rbxtest::ScopedInstance<kx::Bundle> bundle_{std::make_unique<kx::Bundle>(dir_.path())};
};

inline QString supportFile(const QString& relative) {
    return KXAppSupport::supportFolderPath() + u'/' + relative;
}

// A file of the cache folder, $XDG_CACHE_HOME/runebox.
inline QString cacheFile(const QString& name) {
    return qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/runebox/") + name;
}

} // namespace namefix
