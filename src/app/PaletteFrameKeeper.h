#pragma once
// Where the palette is: its frame stored in the settings under "NSWindow Frame
// MainWindow" and put back at start-up, the position log of moves, resizes and screens,
// and the repair of a window that no screen shows whole.
//
// Stored form: "x y w h sx sy sw sh" — the window's position (top-left of its frame),
// its content size, and the available area of the screen it was on, in global
// coordinates with y growing downwards.

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class QWidget;
class RbxDefaults;
class RbxPositionLog;

class PaletteFrameKeeper : public QObject {
    Q_OBJECT
public:
    static inline const QString FrameKey = QStringLiteral("NSWindow Frame MainWindow");

    PaletteFrameKeeper(QWidget* window, RbxDefaults& settings, RbxPositionLog& log, QObject* parent = nullptr);

    // From now on the frame is stored whenever the window moves or is resized.
    void setAutosave(bool on) { autosave_ = on; }
    bool autosave() const { return autosave_; }

    // At start-up: logs the screens, the stored frame text ("missing" when there is
    // none) and the initial rectangle; then puts the stored frame back, moved onto a
    // screen when no screen shows it whole.
    void restoreFrame();
    // Writes the window's frame now.
    void saveFrame();

    // Reactions: a single log message each, then the off-screen repair.
    void windowSizeChanged();
    void windowLocationChanged();
    // With "fixOffscreenWindow" on: moves the window wholly onto a screen.
    void fixOffscreenWindow();

    // The frame text and its parts.
    static QString frameText(const QRect& frame, const QRect& screenArea);
    struct StoredFrame {
        QRect frame;       // position and content size
        QRect screenArea;  // empty when the text does not give it
    };
    static std::optional<StoredFrame> parseFrameText(const QString& text);

    // The available areas of all screens, the primary first.
    static QList<QRect> screenAreas();
    static QList<QRect> screenFrames();

private:
    QRect currentFrame() const;

    QWidget* window_;
    RbxDefaults& settings_;
    RbxPositionLog& log_;
    bool autosave_ = false;
    QTimer saveTimer_;
};
