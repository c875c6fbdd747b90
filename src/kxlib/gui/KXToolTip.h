#pragma once
// The system's own tool tip: a small pale-yellow frameless window that shows a short text
// (one or more lines) just above a screen point, after a delay unless a tip was hidden a
// moment ago. It never takes the focus and lets the mouse through. At most one tip is on
// screen across all tool-tip objects. Main thread only.

#include <QFont>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

// The text field of the tip: draws its text, then frames it with a 1-pixel line of white 0.925.
class ToolTipTextField : public QWidget {
    Q_OBJECT
public:
    explicit ToolTipTextField(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }
    // Horizontal room left of the text.
    static constexpr int TextInset = 2;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

class KXToolTip : public QObject {
    Q_OBJECT
public:
    ~KXToolTip() override;

    // A new tool-tip object; the caller keeps it.
    static std::unique_ptr<KXToolTip> tooltip();
    // Hides the tip that is shown or about to be shown, if any.
    static void hide();
    // The tip that is shown or about to be shown.
    static KXToolTip* current();

    // Shows `text` with the window's bottom-left corner 8 pixels above `globalPoint`
    // (screen coordinates, y down).
    void showString(const QString& text, const QPoint& globalPoint);
    void show();
    void hideTip();
    void setShowDelay(double seconds) { showDelay_ = seconds; }
    double showDelay() const { return showDelay_; }
    // A hide happened at most one second ago.
    bool recentlyHidden() const;

    void startShowTimer();
    void stopShowTimer();
    bool isShowTimerRunning() const { return showTimer_.isActive(); }
    bool isVisible() const;

    QWidget* window() const { return window_.get(); }
    ToolTipTextField* textField() const { return textField_; }
    // The font text is measured and drawn with.
    QFont textFont() const { return textFont_; }


private:
    KXToolTip();
    void showTimerFired();
    void orderFront();

    std::unique_ptr<QWidget> window_;
    ToolTipTextField* textField_ = nullptr;
    QFont textFont_;
    double showDelay_ = 1.25;
    QTimer showTimer_;
    std::optional<qint64> lastHideTime_;
};
