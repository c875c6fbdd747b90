#pragma once
// Whether a menu is open anywhere on the display: one of this application's pop-up menus
// or pop-up buttons' lists, or a menu window of another program (an override-redirect window whose window type is a
// menu). The table freezes its hover selection while one is open. Main thread only.

#include <QObject>
#include <QSet>

class RbxMenuWatch : public QObject {
    Q_OBJECT
public:
    // The watch of the process, made on first use.
    static RbxMenuWatch& shared();

    bool isMenuOpen() const { return open_; }

    // Another program's menu window was mapped or went away (the X listener calls these;
    // tests may too).
    void otherMenuShown(unsigned long window);
    void otherMenuHidden(unsigned long window);

signals:
    void menuOpened();
    void menuClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RbxMenuWatch();
    void watchOtherPrograms();
    void update();

    QSet<QObject*> ownMenus_;
    QSet<unsigned long> otherMenus_;
    bool open_ = false;
};
