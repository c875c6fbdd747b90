#pragma once
// The installed fonts through fontconfig. Font folders are watched; a change re-reads
// the configuration, moves the generation and emits fontsChanged(). Activated files
// are fontconfig application fonts and are added again after every re-read.

#include "platform/fonts/FontBackend.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QMap>
#include <QTimer>

namespace rbx {

class FontconfigBackend : public FontBackend {
    Q_OBJECT
public:
    FontconfigBackend();
    ~FontconfigBackend() override;

    QList<FaceInfo> faces() override;
    std::optional<FaceInfo> faceInfo(const QString& postScriptName) override;
    quint64 generation() const override { return generation_; }
    bool checkForChanges() override;
    int activateFile(const QString& path) override;
    QList<FaceInfo> facesOfContainer(int container) const override;
    void deactivate(int container) override;
    QString defaultColorEmojiFontName() override;

protected:
    // Fontconfig's order of all faces for the face's family, weight and slant.
    QStringList substitutionOrder(const FaceInfo& face) override;

    // The folders whose changes are watched.
    QStringList watchedFolders() const;

private:
    struct Container { int id; QString path; QList<FaceInfo> faces; };
    void loadFaces();
    void rearmWatch();
    QMap<QString, qint64> folderSnapshot() const;
    void addApplicationFonts();
    void fontsMoved();

    quint64 generation_ = newGeneration();
    bool facesLoaded_ = false;
    static constexpr int MaxSingleLookups = 8;
    int singleLookups_ = 0;
    QList<FaceInfo> faces_;
    QHash<QString, int> byName_;
    QList<Container> containers_;
    int nextContainer_ = 1;
    QFileSystemWatcher watcher_;
    QTimer debounce_;
    QMap<QString, qint64> snapshot_;
    QString colorEmoji_;
    quint64 colorEmojiGeneration_ = 0;
};

} // namespace rbx
