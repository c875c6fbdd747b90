#pragma once
// The installed fonts as the model sees them: the faces with their names and files,
// look-up by PostScript name, a generation that moves whenever the set of fonts
// changes, a change signal, and activation of font files for this process only.
//
// One backend serves the process (`shared()`, kx::ProcessWide<FontBackend>): the one the
// composition root installed, else the fontconfig backend made on first use. Main
// thread only, except `face()`, whose faces may then be used from any thread.
//
// Listing the faces opens none of them: a face is opened when its glyphs or tables are
// first needed (FontFace::fromInfo()).

#include "platform/fonts/FaceSubstitutes.h"
#include "platform/fonts/Font.h"
#include "platform/fonts/FontFace.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace rbx {

class FontBackend : public QObject {
    Q_OBJECT
public:
    ~FontBackend() override;

    static FontBackend& shared();
    // A fontconfig backend.
    static std::unique_ptr<FontBackend> makeDefault();

    // One entry per PostScript name, in a stable order.
    virtual QList<FaceInfo> faces() = 0;
    // The face with that PostScript name.
    virtual std::optional<FaceInfo> faceInfo(const QString& postScriptName);
    // The face with that PostScript name, shared until the generation moves.
    std::shared_ptr<const FontFace> face(const QString& postScriptName);
    // A font of that PostScript name and size (size 0 or less: 12); null when none.
    Font font(const QString& postScriptName, double size = Font::DefaultSize);
    // The faces that stand in for the characters a face lacks, best first, without the face
    // itself; none for a face the backend does not know. Kept until the generation moves;
    // the faces are sorted when the list is first asked about, and listing them opens none
    // and makes the face object of none (each is made, by face(), when first asked for).
    FaceSubstitutes substitutesFor(const QString& postScriptName);

    // Moves whenever the installed or activated fonts change. Values are unique in the
    // process across backends, so a value kept from one backend never matches another.
    virtual quint64 generation() const = 0;
    // Looks for changes now (the change watch does this by itself when the event loop
    // runs); answers true and emits fontsChanged() when something changed.
    virtual bool checkForChanges() = 0;

    // Activates the fonts of a file for this process. Answers a container number (> 0)
    // or 0 when the file holds no font.
    virtual int activateFile(const QString& path) = 0;
    // The faces a container brought.
    virtual QList<FaceInfo> facesOfContainer(int container) const = 0;
    virtual void deactivate(int container) = 0;
    // True when the file can be opened as a font.
    virtual bool isFontFile(const QString& path) const;

    // The colour emoji font: the first colour face covering U+1F600, "" when none.
    virtual QString defaultColorEmojiFontName();

signals:
    void fontsChanged();
    // A font file was activated for this process (the GUI layer adds it to its own font
    // database); emitted before activateFile() answers.
    void fontFileActivated(const QString& path);

protected:
    FontBackend() = default;
    // A generation value never handed out before in this process.
    static quint64 newGeneration();
    // Drops the opened faces (when the generation moved).
    void clearFaceCache();
    // The face of an info; by default described by the info, its file opened when needed.
    virtual std::shared_ptr<const FontFace> openFace(const FaceInfo& info);
    // The PostScript names of the faces that stand in for the face's missing characters,
    // best first; by default the faces of its family, then the others in the order of
    // faces().
    virtual QStringList substitutionOrder(const FaceInfo& face);
    // The faces of a font file as the file itself names them.
    static QList<FaceInfo> faceInfosOfFile(const QString& path);
    // What an open face says of itself: names, weight, slant, pitch and colour (no
    // coverage: the face's own mapping counts).
    static FaceInfo infoOfFace(const FontFace& face, const QString& path, int index);

private:
    // The substitutes of the face, sorted now.
    FaceSubstitutes sortedSubstitutes(const QString& postScriptName);

    QHash<QString, std::shared_ptr<const FontFace>> faceCache_;
    quint64 cacheGeneration_ = 0;
    // The substitutes of the faces asked for last.
    static constexpr int SubstituteLists = 8;
    QHash<QString, FaceSubstitutes> substitutes_;
    quint64 substitutesGeneration_ = 0;
    QString colorEmojiName_;
    quint64 colorEmojiGeneration_ = 0;
};

} // namespace rbx
