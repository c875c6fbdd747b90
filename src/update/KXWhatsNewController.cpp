#include "update/KXWhatsNewController.h"

#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "update/KXVersionChecker.h"
#include "update/ReleaseNotes.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QVBoxLayout>

namespace {

QPointer<KXWhatsNewController>& current() {
    static QPointer<KXWhatsNewController> controller;
    return controller;
}

// Hands each piece to the window on the main thread; pieces of an earlier showing are
// dropped there.
class WindowReceiver : public update::NotesReceiver {
public:
    WindowReceiver(KXWhatsNewController* window, int generation, void (KXWhatsNewController::*append)(const update::NotesPiece&, int))
        : window_(window), generation_(generation), append_(append) {}
    void receive(const update::NotesPiece& piece) override {
        kx::runOnMain([window = window_, piece, generation = generation_, append = append_] {
            if (window) (window.data()->*append)(piece, generation);
        });
    }

private:
    QPointer<KXWhatsNewController> window_;
    int generation_;
    void (KXWhatsNewController::*append_)(const update::NotesPiece&, int);
};

} // namespace

KXWhatsNewController* KXWhatsNewController::whatsNewController() {
    if (!current()) current() = new KXWhatsNewController;
    return current();
}

bool KXWhatsNewController::whatsNewWindowIsVisible() { return current() && current()->isVisible(); }

KXWhatsNewController::KXWhatsNewController() : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("WhatsNew"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("whatsNewMessage"));
    message_->setWordWrap(true);
    news_ = new QTextEdit(this);
    news_->setObjectName(QStringLiteral("whatsNewText"));
    news_->setReadOnly(true);
    skip_ = new QPushButton(this);
    skip_->setObjectName(QStringLiteral("whatsNewSkipButton"));
    skip_->setAutoDefault(false);
    download_ = new QPushButton(kx::loc(QStringLiteral("Download and Install")), this);
    download_->setObjectName(QStringLiteral("whatsNewDownloadButton"));
    download_->setAutoDefault(false);
    connect(skip_, &QPushButton::clicked, this, &KXWhatsNewController::skipVersion);
    connect(download_, &QPushButton::clicked, this, &KXWhatsNewController::downloadAndInstall);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(news_);
    auto* row = new QHBoxLayout;
    row->addWidget(skip_);
    row->addStretch();
    row->addWidget(download_);
    layout->addLayout(row);
    resize(480, 360);
}

void KXWhatsNewController::showNotes() {
    if (!checker_) {
        kx::log(QStringLiteral("version checker missing"));
        QApplication::beep();
    }
    const QString version = checker_ ? checker_->availableVersion().value_or(QString()) : QString();
    const QString name = checker_ ? checker_->applicationName() : QString();
    skip_->setVisible(checker_ && checker_->canSkipVersion());
    skip_->setText(kx::loc(QStringLiteral("Skip Version %@")).replace(QStringLiteral("%@"), version));
    setWindowTitle(kx::loc(QStringLiteral("What's new in version %@?")).replace(QStringLiteral("%@"), version));
    message_->setText(kx::loc(QStringLiteral("%@ %@ contains the following improvements:"))
                          .replace(QStringLiteral("%@ %@"), name + u' ' + version));
    news_->clear();
    const int generation = ++generation_;
    if (checker_) {
        const QString key = version + u'-' + kx::loc(QStringLiteral("EN"));
        const QString address = checker_->whatsNewURL();
        const QString running = checker_->currentVersion();
        QThread* thread = QThread::create([key, address, running, receiver = WindowReceiver(this, generation, &KXWhatsNewController::append)]() mutable {
            update::readReleaseNotes(key, address, running, receiver);
        });
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->start();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void KXWhatsNewController::append(const update::NotesPiece& piece, int generation) {
    if (generation != generation_) return;
    QTextCursor cursor(news_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat plain;
    plain.setForeground(palette().color(QPalette::WindowText));
    QTextBlockFormat block;
    switch (piece.kind) {
    case update::NotesPiece::LanguageNote: {
        QTextCharFormat grey;
        grey.setForeground(Qt::gray);
        cursor.insertText(kx::loc(QStringLiteral("This information is available in English only.")) + QStringLiteral("\n\n"), grey);
        break;
    }
    case update::NotesPiece::Heading: {
        QTextCharFormat bold = plain;
        bold.setFontWeight(QFont::Bold);
        if (!piece.first) cursor.insertText(QStringLiteral("\n"), plain);
        cursor.insertText(piece.text + u'\n', bold);
        break;
    }
    case update::NotesPiece::Items:
        // Each item hangs from its bullet: the text starts at the tab stop.
        block.setLeftMargin(20);
        block.setTextIndent(-15);
        block.setTabPositions({QTextOption::Tab(20, QTextOption::LeftTab)});
        cursor.setBlockFormat(block);
        cursor.insertText(piece.text, plain);
        cursor.setBlockFormat(QTextBlockFormat());
        break;
    }
}

QString KXWhatsNewController::text() const { return news_->toPlainText(); }

void KXWhatsNewController::downloadAndInstall() {
    close();
    if (checker_) checker_->downloadAndInstallUpdate();
}

void KXWhatsNewController::skipVersion() {
    if (checker_) checker_->setSkipThisVersion(true);
    close();
}
