// What the server's window offers to open: only addresses the server answers on.
#include "serve/lan_addresses.h"

#include <QtTest>

using namespace kz;

class ServeAddresses : public QObject {
    Q_OBJECT
private slots:
    void openable_data();
    void openable();
};

void ServeAddresses::openable_data() {
    QTest::addColumn<QString>("listen");
    QTest::addColumn<QStringList>("lan");
    QTest::addColumn<QStringList>("urls");
    const QStringList lan{QStringLiteral("192.168.1.20"), QStringLiteral("10.0.0.5")};
    QTest::newRow("every IPv4 address: the LAN's") << "0.0.0.0" << lan
                                                   << QStringList{"http://192.168.1.20:8932/", "http://10.0.0.5:8932/"};
    QTest::newRow("every address: the LAN's") << "::" << lan
                                              << QStringList{"http://192.168.1.20:8932/", "http://10.0.0.5:8932/"};
    QTest::newRow("every address, no network") << "0.0.0.0" << QStringList() << QStringList();
    QTest::newRow("loopback only: itself, never the LAN's") << "127.0.0.1" << lan
                                                            << QStringList{"http://127.0.0.1:8932/"};
    QTest::newRow("IPv6 loopback, bracketed") << "::1" << lan << QStringList{"http://[::1]:8932/"};
    QTest::newRow("one LAN address: that one") << "10.0.0.5" << lan << QStringList{"http://10.0.0.5:8932/"};
    QTest::newRow("an address ending in 0") << "10.0.0.10" << lan << QStringList{"http://10.0.0.10:8932/"};
}

void ServeAddresses::openable() {
    QFETCH(QString, listen);
    QFETCH(QStringList, lan);
    QFETCH(QStringList, urls);
    QCOMPARE(openableUrls(listen, 8932, lan), urls);
    // Only a loopback address is said to open on this computer alone.
    const bool here = listen == u"127.0.0.1" || listen == u"::1";
    QCOMPARE(openableHeading(urls).contains(QStringLiteral("このコンピューターのブラウザーだけ")), here);
}

QTEST_GUILESS_MAIN(ServeAddresses)
#include "tst_serve_addresses.moc"
