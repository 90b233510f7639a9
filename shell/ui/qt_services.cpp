#include "qt_services.h"

#include <QApplication>
#include <QMessageBox>

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

void QtProgramControl::endProgram(int status) {
    m_screens.unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::fflush(nullptr);
    // No file stays open between operations, so nothing is left to close but the streams.
    std::exit(status);
}

} // namespace kz
