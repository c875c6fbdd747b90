#pragma once
// Quitting other copies of Runebox at start-up, as the setting "quitOther" says:
// "quit" only asks them to quit, "kill" only force-quits, "quitkill" (the default, and
// what any other value means) asks and then force-quits the ones still running,
// "killquit" force-quits and then asks the ones still running.
//
// Only this user's copies on this display count: processes of the same program, and
// the owners of the creator codes 'RB-X' and 'RB-3' on the session bus, whose DISPLAY
// is ours, started before this one and not connected to our session bus. Runs after
// this copy owns the single-instance name, so every later start, and every copy on our
// bus that does not own the name, is one that hands its URLs over and leaves by itself.

#include <QByteArray>
#include <QString>

namespace quitother {

enum class Mode { Quit, Kill, QuitKill, KillQuit };

// The setting's value, lower-cased; anything else is QuitKill.
Mode parseMode(const QString& setting);
QString modeName(Mode mode);

// What is known of a process for the choice.
struct ProcessFacts {
    int pid = 0;
    uint uid = 0;
    QString programName;      // the executable's file name
    bool ownsOurSignature = false;
    QByteArray display;       // its DISPLAY
    quint64 startTime = 0;    // clock ticks after boot
    bool onOurBus = false;    // connected to our session bus
};
// Another copy of ours: not this process, same user, same display, started before us,
// not on our bus, and the same program or one of our creator codes.
bool isOtherCopy(const ProcessFacts& process, const ProcessFacts& self);

// Another copy as the steps act on it.
class OtherCopy {
public:
    virtual ~OtherCopy() = default;
    // Asks it to quit and waits a little.
    virtual void quit() = 0;
    virtual void forceQuit() = 0;
    virtual bool isRunning() = 0;
};
// The steps of the mode on one copy, each logged as it is taken.
void apply(Mode mode, OtherCopy& copy);

// Finds the other copies and applies the mode (the setting "quitOther") to each. Answers
// how many copies were found.
int quitOtherRunebox(Mode mode);

} // namespace quitother
