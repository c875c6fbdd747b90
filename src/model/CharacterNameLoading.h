#pragma once
// One loading of the name list, run by a worker thread while the main thread goes on:
//   1. the names: the bundle's data file (or the maintainers' UnicodeData.txt) merged
//      with the custom names read beforehand, or, when this process wrote the cache
//      already and only its index file is unusable, the cache;
//   2. the word index of those names;
//   3. the cache (unless it came from there) and the index file written, and both
//      mapped: the list and index become views over the files, and what the first two
//      steps took on the heap is given back.
// The main thread takes what is made so far whenever it needs it (made(), waitFor()).

#include "core/CharSet.h"
#include "model/RbxCharacterName.h"

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace rbx::names {

// What a loading reads and writes, gathered on the main thread.
struct LoadPlan {
    // The cache this process wrote holds the names; only its index file is to be made.
    bool fromCache = false;
    QString dataFile;
    QString unicodeFolder;                // "" when the option is off
    RbxCharacterName::List customNames;   // the entries of the custom name files
    QString namesPath;                    // "" when nothing may be written
    std::uint64_t process = 0;            // the owner mark of the index file
    std::size_t cachedCount = 0;          // records of the cache (fromCache)
    bool logTimes = false;                // the setting "charNames"
};

class Load {
public:
    enum class Stage { Running, Names, Index, Done };

    struct Made {
        Stage stage = Stage::Running;
        RbxCharacterName::SharedList list;
        std::shared_ptr<const RbxNameIndex> index;
        // The defined characters of the maintainers' UnicodeData.txt, when it was read.
        std::optional<kx::CharSet> defined;
        // At the end: whether the cache is written and how many records it holds, and
        // whether list and index are views over the files.
        bool cacheWritten = false;
        std::size_t cachedCount = 0;
        bool mapped = false;
    };

    explicit Load(LoadPlan plan) : plan_(std::move(plan)) {}

    // The work, to its end; `reached` is called after each stage (on the worker).
    void run(const std::function<void(Stage)>& reached);

    Made made() const;
    Stage stage() const;
    // Waits until the loading reached `stage` (or ended).
    Made waitFor(Stage stage) const;

private:
    // The stages; true when the list and index are views over the files at the end.
    bool work(const std::function<void(Stage)>& reached);
    void publish(const std::function<void(Made&)>& change);

    LoadPlan plan_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Made made_;
};

} // namespace rbx::names
