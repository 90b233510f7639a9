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

void QtProgramControl::endProgram(int status) {
    m_screens.unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::fflush(nullptr);
    // No file stays open between operations, so nothing is left to close but the streams.
    std::exit(status);
}

} // namespace kz
