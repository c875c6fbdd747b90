#pragma once
// A drag of font files onto the palette or its activator: the files are gathered when
// the drag comes in (a folder is searched three levels deep, hidden entries skipped, ten
// files at most) and decide whether it is accepted; on the drop they are activated for
// this process as one font set. Nothing is accepted with "dropFont" off.

#include <QStringList>
#include <memory>

class QMimeData;
class RbxActivationSet;
class RbxDefaults;

class FontDrop {
public:
    static constexpr int MaxPaths = 10;
    static constexpr int MaxNesting = 3;

    explicit FontDrop(RbxDefaults& settings) : settings_(settings) {}

    // A drag came in: true when drops are on and it brings font files.
    bool enter(const QMimeData* data);
    // Whether the drag that came in last is accepted.
    bool accepted() const { return !paths_.isEmpty(); }
    // The drag left or ended.
    void clear() { paths_.clear(); }
    // The drop: the gathered files activated as one set; nullptr (and a log line naming
    // the files) when none of them could be activated, or when nothing was accepted.
    std::shared_ptr<RbxActivationSet> perform();

    // The font files at `path`: the file itself, or what a folder holds down to
    // `maxNesting` levels (hidden entries skipped), appended to `into` up to the limit.
    static void checkFontFile(const QString& path, int maxNesting, QStringList& into);

private:
    RbxDefaults& settings_;
    QStringList paths_;
};
