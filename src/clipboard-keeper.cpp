// runebox-clipboard-keeper FILE: serves the clipboard that runebox owned when it ended
// (FILE, written by it) until another client takes the clipboard.

#include "platform/x11/ClipboardKeeper.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    return kx::x11::keepClipboard(QString::fromLocal8Bit(argv[1]));
}
