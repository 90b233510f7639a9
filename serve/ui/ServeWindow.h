#pragma once
#include <QImage>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace kz {

class DrillService;
class Clock;

// A QR code of text as black modules on white, scale pixels a module, with the quiet zone.
// A null image when the text does not fit a QR code.
QImage qrCodeImage(const QString& text, int scale);

// The server's window: the addresses to open on the tablets (the first as a QR code), the
// devices that drilled in the last ten minutes, today's runs through it, the last error and a
// stop button. It only shows; the service keeps the figures.
class ServeWindow : public QWidget {
    Q_OBJECT
public:
    // urls: what a browser can open (openableUrls), the first shown as a QR code too.
    ServeWindow(const DrillService& service, const Clock& clock, const QStringList& urls,
                QWidget* parent = nullptr);

signals:
    void stopRequested();

private:
    void refresh();

    const DrillService& m_service;
    const Clock& m_clock;
    QLabel* m_addresses;
    QLabel* m_qr;
    QLabel* m_devices;
    QLabel* m_runs;
    QLabel* m_error;
    QTimer m_timer;
};

} // namespace kz
