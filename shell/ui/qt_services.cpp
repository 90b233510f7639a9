#include "qt_services.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace kz {

void QtDialogs::message(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? defaultTitle : title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::ask(const QString& text, const QString& title, Buttons buttons) {
    const bool yesNo = buttons == Buttons::YesNo;
    const auto accept = yesNo ? QMessageBox::Yes : QMessageBox::Ok;
    QMessageBox box(QMessageBox::Warning, title, text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setDefaultButton(accept);
    return box.exec() == accept;
}

void QtDialogs::notice(const QString& text, int ms) {
    QWidget box(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint);
    box.setAttribute(Qt::WA_QuitOnClose, false); // its end is not the program's
    box.setWindowTitle(defaultTitle);
    auto* layout = new QVBoxLayout(&box);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(new QLabel(text, &box));
    auto* closing = new QLabel(QStringLiteral("（この表示は%1秒で閉じます）").arg((ms + 999) / 1000), &box);
    closing->setAlignment(Qt::AlignRight);
    layout->addWidget(closing);
    box.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        box.move(screen->availableGeometry().center() - box.rect().center());
    box.show();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QStringList qtTranslationFolders(const QString& programFolder) {
    return {QDir(programFolder).filePath(QStringLiteral("translations")),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

bool installQtTranslation(QCoreApplication& app, const QStringList& folders) {
    auto* translator = new QTranslator(&app);
    for (const QString& folder : folders)
        if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                             QStringLiteral("_"), folder))
            return QCoreApplication::installTranslator(translator);
    delete translator;
    return false;
}

void QtProgramControl::endProgram(int status) {
    m_screens.unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (beforeEnd) beforeEnd();
    std::fflush(nullptr);
    // No file stays open between operations, so nothing is left to close but the streams.
    std::exit(status);
}

} // namespace kz
