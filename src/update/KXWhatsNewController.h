#pragma once
// The release-notes window: what changed in every version between the running one and
// the one offered, newest first (the chain of ReleaseNotes, read on a thread of its own
// and written into the window on the main thread in the order it arrives), with buttons
// to download the version or to skip it. One at a time (whatsNewController()); it stays
// above other windows and is deleted when closed.

#include <QPointer>
#include <QWidget>

class KXVersionChecker;
class QLabel;
class QPushButton;
class QTextEdit;

namespace update {
struct NotesPiece;
}

class KXWhatsNewController : public QWidget {
    Q_OBJECT
public:
    static KXWhatsNewController* whatsNewController();
    static bool whatsNewWindowIsVisible();

    // The checker whose available version is shown (not owned).
    void setVersionChecker(KXVersionChecker* checker) { checker_ = checker; }
    // Fills the window for the checker's available version, shows it and starts reading
    // the notes.
    void showNotes();
    void downloadAndInstall();
    void skipVersion();

    QString text() const;

private:
    KXWhatsNewController();
    void append(const update::NotesPiece& piece, int generation);

    QPointer<KXVersionChecker> checker_;
    QLabel* message_;
    QTextEdit* news_;
    QPushButton* skip_;
    QPushButton* download_;
    int generation_ = 0;
};
