#pragma once
// A child process whose standard output is kept, so a test can wait for what it says.
#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace kz::test {

struct Child {
    QProcess p;
    QByteArray out;
    Child(const QString& program, const QStringList& args, const QProcessEnvironment& env = {}) {
        if (!env.isEmpty()) p.setProcessEnvironment(env);
        p.start(program, args);
    }
    // Until the output holds text (count times); false after 60 s (Wine starts slowly).
    bool waitFor(const QByteArray& text, int count = 1) {
        QElapsedTimer t;
        t.start();
        while (out.count(text) < count && t.elapsed() < 60000) {
            p.waitForReadyRead(50);
            out += p.readAllStandardOutput();
        }
        return out.count(text) >= count;
    }
    // Until it ends; true when it ended with the exit code expected.
    bool finish(int exitCode = 0) {
        const bool ended = p.waitForFinished(60000);
        out += p.readAllStandardOutput();
        return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == exitCode;
    }
};

} // namespace kz::test
