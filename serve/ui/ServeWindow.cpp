#include "ServeWindow.h"

#include "serve/drill_service.h"
#include "serve/lan_addresses.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <qrencode.h>

namespace kz {

QImage qrCodeImage(const QString& text, int scale) {
    QRcode* code = QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code) return {};
    constexpr int quiet = 4; // modules of white around the code, as readers expect
    const int side = (code->width + 2 * quiet) * scale;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)
                painter.fillRect((x + quiet) * scale, (y + quiet) * scale, scale, scale, Qt::black);
    QRcode_free(code);
    return image;
}

ServeWindow::ServeWindow(const DrillService& service, const Clock& clock, const QStringList& urls,
                         QWidget* parent)
    : QWidget(parent), m_service(service), m_clock(clock) {
    setWindowTitle(QStringLiteral("カズトビ１ ブラウザー練習のサーバー"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(openableHeading(urls), this);
    m_addresses = new QLabel(urls.isEmpty() ? QStringLiteral("（このコンピューターにネットワークのアドレスがありません）")
                                            : urls.join(u'\n'), this);
    m_addresses->setObjectName(QStringLiteral("addresses"));
    m_addresses->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont big = m_addresses->font();
    big.setPointSize(18);
    m_addresses->setFont(big);
    m_qr = new QLabel(this);
    m_qr->setObjectName(QStringLiteral("qr"));
    if (!urls.isEmpty()) m_qr->setPixmap(QPixmap::fromImage(qrCodeImage(urls.first(), 6)));
    m_devices = new QLabel(this);
    m_runs = new QLabel(this);
    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setObjectName(QStringLiteral("lastError"));
    auto* stop = new QPushButton(QStringLiteral("サーバーを止める"), this);
    stop->setMinimumHeight(40);
    connect(stop, &QPushButton::clicked, this, &ServeWindow::stopRequested);
    for (QWidget* w : std::initializer_list<QWidget*>{heading, m_addresses, m_qr, m_devices, m_runs, m_error, stop})
        layout->addWidget(w);
    connect(&m_timer, &QTimer::timeout, this, &ServeWindow::refresh);
    m_timer.start(1000);
    refresh();
}

void ServeWindow::refresh() {
    const ServeStatus& s = m_service.status();
    m_devices->setText(QStringLiteral("最近10分に使った端末: %1 台")
                           .arg(s.devicesWithin(m_clock.tickMs(), 10 * 60 * 1000)));
    const int today = s.runsDay == m_clock.today() ? s.runsToday : 0;
    m_runs->setText(QStringLiteral("今日ここから記録した回数: %1 回").arg(today));
    m_error->setText(QStringLiteral("最後のエラー: ") +
                     (s.lastError.isEmpty() ? QStringLiteral("なし") : s.lastError));
}

} // namespace kz
