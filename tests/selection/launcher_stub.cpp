// Stands in for the school's launcher: writes its arguments, each followed by "|", to seen.txt
// beside itself, so a test sees what the program started, on any system.
#include <QCoreApplication>
#include <QFile>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QFile seen(QCoreApplication::applicationDirPath() + QStringLiteral("/seen.txt"));
    if (!seen.open(QIODevice::WriteOnly)) return 1;
    for (const QString& a : app.arguments().mid(1))
        seen.write(a.toUtf8() + '|');
    return 0;
}
