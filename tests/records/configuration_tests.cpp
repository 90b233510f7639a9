// The start-up configuration: the path file and the common data, the folders derived from them,
// and the messages that name a missing or malformed file.
#include "records/configuration.h"
#include "shell/field_reader.h"
#include "shell/text_codec.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kz;

class ConfigurationTests : public QObject {
    Q_OBJECT

private slots:
    void schoolCodeSplit_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("code");
        QTest::newRow("code") << "12345みどり小学校" << "みどり小学校" << "12345";
        QTest::newRow("no digits") << "みどり小学校" << "みどり小学校" << "";
        QTest::newRow("zeros") << "00000みどり" << "00000みどり" << "";
    }
    void schoolCodeSplit() {
        QFETCH(QString, field);
        QFETCH(QString, line);
        QFETCH(QString, code);
        QString l, c;
        splitSchoolCode(field, &l, &c);
        QCOMPARE(l, line);
        QCOMPARE(c, code);
    }

    // A program folder Drill1 beside the path file; the path file names a share folder.
    void configurationDerivesFolders_data() {
        QTest::addColumn<bool>("trailingSeparator");
        QTest::newRow("with separator") << true;
        QTest::newRow("without separator") << false; // the folder it names, not a glued name
    }
    void configurationDerivesFolders() {
        QFETCH(bool, trailingSeparator);
        QTemporaryDir dir;
        const QString share = dir.filePath(QStringLiteral("share"));
        test::writeCp932(dir.filePath(QStringLiteral("パスデータ.txt")),
                         share + (trailingSeparator ? QStringLiteral("/") : QString()) +
                             QStringLiteral(",,,,,,,,,p10\r\n"));
        test::writeCp932(share + QStringLiteral("/共通データ.txt"),
                         QStringLiteral("4,12345みどり小学校,1,0,0,0123,,,,\r\n"));
        Hensuu1 h;
        const QString error = loadPathAndCommonData(h, dir.filePath(QStringLiteral("Drill1")));
        QCOMPARE(error, QString());
        QCOMPARE(h.programFolderName, QStringLiteral("Drill1"));
        QCOMPARE(h.basePath, share + u'/');
        QCOMPARE(h.dataFolder, share + QStringLiteral("/Drill1/"));
        QCOMPARE(h.soundFolder, share + QStringLiteral("/音フォルダ/"));
        QCOMPARE(h.schoolCode, QStringLiteral("12345"));
        QCOMPARE(h.schoolLine, QStringLiteral("みどり小学校"));
        QCOMPARE(h.commonLine1.toNumber(), 4.0);
        QCOMPARE(h.commonLine6.toText(), QStringLiteral("123"));
        QCOMPARE(h.pathSpare[9], QStringLiteral("p10"));
    }

    // Text slots of both files keep their characters: a code with a leading zero, folder names
    // of digits, spares.
    void configurationTextSlotsKeepTheirCharacters_data() {
        QTest::addColumn<QString>("field2");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("line");
        QTest::newRow("ten digits") << "0123456789" << "01234" << "56789";
        QTest::newRow("five digits") << "01234" << "01234" << "";
        QTest::newRow("full-width space kept") << "12345　みどり" << "12345" << "　みどり";
    }
    void configurationTextSlotsKeepTheirCharacters() {
        QFETCH(QString, field2);
        QFETCH(QString, code);
        QFETCH(QString, line);
        QTemporaryDir dir;
        const QString share = dir.filePath(QStringLiteral("007"));
        test::writeCp932(dir.filePath(QStringLiteral("パスデータ.txt")),
                         share + QStringLiteral("/,0010,,,,,,,,1.50\r\n"));
        test::writeCp932(share + QStringLiteral("/共通データ.txt"),
                         QStringLiteral("4,") + field2 + QStringLiteral(",1,0,0,0123,,,,\r\n"));
        Hensuu1 h;
        QCOMPARE(loadPathAndCommonData(h, dir.filePath(QStringLiteral("Drill1"))), QString());
        QCOMPARE(h.schoolCode, code);
        QCOMPARE(h.schoolLine, line);
        QCOMPARE(h.basePath, share + u'/');
        QCOMPARE(h.pathSpare[1], QStringLiteral("0010"));
        QCOMPARE(h.pathSpare[9], QStringLiteral("1.50"));
        QCOMPARE(h.commonLine6.toText(), QStringLiteral("123")); // a variant slot, as before
    }

    // The installer's path file: the bytes the start-up reads on a Japanese Windows, the folder
    // as its first field with one trailing separator; a folder the file cannot hold writes
    // nothing (an empty `bytes`).
    void pathFileWriter_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("firstField");
        const QByteArray spares(",,,,,,,,,\r\n");
        QTest::newRow("share, separator added")
            << "\\\\server\\kazutobi" << "\\\\server\\kazutobi\\" + spares << "\\\\server\\kazutobi\\";
        QTest::newRow("share, separator kept")
            << "\\\\server\\kazutobi\\" << "\\\\server\\kazutobi\\" + spares << "\\\\server\\kazutobi\\";
        // 表 is 95 5C: its second byte is no separator, so one is added.
        QTest::newRow("kanji ending in 5C")
            << "Z:\\成績表" << QByteArray("Z:\\\x90\xac\x90\xd1\x95\x5c\\") + spares << "Z:\\成績表\\";
        QTest::newRow("NEC special") << "\\\\s\\①組" << QByteArray("\\\\s\\\x87\x40\x91\x67\\") + spares
                                     << "\\\\s\\①組\\";
        QTest::newRow("posix folder") << "/srv/kazutobi-share" << "/srv/kazutobi-share/" + spares
                                      << "/srv/kazutobi-share/";
        QTest::newRow("comma quoted") << "\\\\s\\a,b" << "\"\\\\s\\a,b\\\"" + spares << "\\\\s\\a,b\\";
        QTest::newRow("empty") << "" << QByteArray() << "";
        QTest::newRow("blanks") << "  " << QByteArray() << "";
        QTest::newRow("not in CP932") << "\\\\s\\caf\u00e9" << QByteArray() << "";
        QTest::newRow("quote") << "\\\\s\\a\"b" << QByteArray() << "";
        QTest::newRow("line break") << "\\\\s\\a\r\nb" << QByteArray() << "";
    }
    void pathFileWriter() {
        QFETCH(QString, folder);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, firstField);
        QTemporaryDir dir;
        const QString file = pathFileOf(dir.filePath(QStringLiteral("kazutobi")));
        QCOMPARE(file, dir.filePath(QStringLiteral("パスデータ.txt")));
        const QString error = writePathFile(file, folder);
        if (bytes.isEmpty()) {
            QVERIFY(error.contains(QStringLiteral("パスデータ.txt")));
            QVERIFY(!QFileInfo::exists(file));
            return;
        }
        QCOMPARE(error, QString());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        const TextFile read = readCp932File(file);
        QVERIFY(read.ok());
        FieldReader r(read.text);
        QCOMPARE(r.nextRaw(), firstField);
        int more = 0;
        for (; !r.atEnd(); ++more)
            QCOMPARE(r.nextRaw(), QString());
        QCOMPARE(more, 9);
    }

    void configurationErrorsNameTheFile() {
        QTemporaryDir dir;
        Hensuu1 h;
        const QString program = dir.filePath(QStringLiteral("Drill1"));
        QString error = loadPathAndCommonData(h, program);
        QVERIFY(error.contains(QDir::toNativeSeparators(dir.filePath(QStringLiteral("パスデータ.txt")))));

        test::writeCp932(dir.filePath(QStringLiteral("パスデータ.txt")), dir.path() + QStringLiteral("/,a,b\r\n"));
        error = loadPathAndCommonData(h, program);
        QVERIFY(error.contains(QStringLiteral("パスデータ.txt")));
        QVERIFY(error.contains(QStringLiteral("3 項目しか")));

        test::writeCp932(dir.filePath(QStringLiteral("パスデータ.txt")), dir.path() + QStringLiteral("/,,,,,,,,,\r\n"));
        error = loadPathAndCommonData(h, program);
        QVERIFY(error.contains(QDir::toNativeSeparators(dir.filePath(QStringLiteral("共通データ.txt")))));

        test::writeCp932(dir.filePath(QStringLiteral("共通データ.txt")), QStringLiteral("4,学校,1,0,0,pw\r\n"));
        error = loadPathAndCommonData(h, program);
        QVERIFY(error.contains(QStringLiteral("共通データ.txt")));
        QVERIFY(error.contains(QStringLiteral("6 項目しか")));
    }
};

QTEST_GUILESS_MAIN(ConfigurationTests)
#include "configuration_tests.moc"
