#include "system_error.h"

#include "system_error_cause.h"

#include <QFileDevice>

namespace kz {

namespace {

// The one table of explanations; each system's file maps its codes onto these causes.
QString explanation(Cause cause) {
    switch (cause) {
    case Cause::NoPermission:
        return QStringLiteral("このユーザーには書き込み（または読み取り）が許可されていません");
    case Cause::DiskFull:
        return QStringLiteral("ディスク（共有）がいっぱいです");
    case Cause::InUse:
        return QStringLiteral("ほかのプログラムかコンピューターがファイルを使っています");
    case Cause::NetworkGone:
        return QStringLiteral("ネットワークの共有フォルダにつながりません");
    case Cause::Missing:
        return QStringLiteral("ファイルかフォルダがありません");
    case Cause::Other:
        break;
    }
    return {};
}

} // namespace

QString failedFileText(const QFileDevice& file) {
    const int code = lastSystemError();
    return code != 0 ? systemErrorText(code) : file.errorString();
}

QString systemErrorText(int code) {
    const QString own = systemOwnErrorText(code);
    const QString why = explanation(causeOf(code));
    return why.isEmpty() ? own : why + u'（' + own + u'）';
}

} // namespace kz
