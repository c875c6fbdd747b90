#pragma once
// The faces that stand in for the characters a face lacks, best first. A substitute is
// known by its entry in the installed fonts' list (name and recorded characters); its
// face object is made only when it is first asked for, so that a list of every installed
// face costs little more than the order. Copies share the faces made. Main thread only.

#include "platform/fonts/FaceInfo.h"
#include "platform/fonts/FontFace.h"

#include <QHash>
#include <QList>
#include <functional>
#include <memory>

namespace rbx {

class FaceSubstitutes {
public:
    // The face of a listed face (null when none can be made).
    using MakeFace = std::function<std::shared_ptr<const FontFace>(const FaceInfo&)>;

    FaceSubstitutes() = default;
    // Faces made already, in their order.
    explicit FaceSubstitutes(const QList<std::shared_ptr<const FontFace>>& faces);
    // The listed faces at `order`'s positions of `faces`, in that order; their faces come
    // from `make` when first needed.
    FaceSubstitutes(QList<FaceInfo> faces, QList<int> order, MakeFace make);
    // The list `list` gives, asked of it when the list is first asked about (its size, a
    // name, a coverage or a face): text that its font draws alone never sorts the fonts.
    // Copies share the list made.
    static FaceSubstitutes whenFirstAsked(std::function<FaceSubstitutes()> list);

    qsizetype size() const;
    // Whether the list waits to be made when first asked about; prepare() makes it now (while
    // nothing else is to be done, before a character needs it).
    bool isPending() const { return d_ && d_->pending; }
    void prepare() const { shared(); }
    bool isEmpty() const { return size() == 0; }
    QString postScriptName(qsizetype i) const;
    // Whether the i-th substitute has the character: as the fonts' index records it, without
    // making its face; asked of the face where the index recorded nothing.
    bool covers(qsizetype i, char32_t c) const;
    // The first substitute from the `from`-th on that covers the character; -1 when none.
    // Only the substitutes whose recorded characters reach the character's page are asked
    // (which ones do is worked out once per page), not every installed face.
    qsizetype nextCovering(char32_t c, qsizetype from = 0) const;
    // The i-th substitute's face, made now when it was not; null when none can be made.
    std::shared_ptr<const FontFace> face(qsizetype i) const;
    // How many faces were made for the list (or given to it).
    qsizetype facesMade() const;

private:
    struct Shared {
        QList<FaceInfo> faces;
        QList<int> order;
        MakeFace make;
        QHash<qsizetype, std::shared_ptr<const FontFace>> made; // a null face: none could be made
        std::function<FaceSubstitutes()> pending;                // the list, not asked for yet
        // Per page of characters (c >> 8), the substitutes that may cover some of it, in order.
        QHash<char32_t, QList<qsizetype>> pageCandidates;
    };
    // The shared state with the pending list made; null for an empty list.
    Shared* shared() const;
    const QList<qsizetype>& candidatesForPageOf(char32_t c) const;
    std::shared_ptr<Shared> d_;
};

} // namespace rbx
