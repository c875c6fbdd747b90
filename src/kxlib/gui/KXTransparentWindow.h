#pragma once
// A borderless window with a clear background that stays above normal windows. It can
// take the keyboard focus, and swallows every key it receives.

#include <QWidget>

class KXTransparentWindow : public QWidget {
    Q_OBJECT
public:
    explicit KXTransparentWindow(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
