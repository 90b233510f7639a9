// Text files, numbers and start-up state.
#include "shell/field_reader.h"
#include "shell/numbers.h"
#include "shell/startup.h"
#include "shell/system_error.h"
#include "shell/text_codec.h"
#include "support/fakes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

using namespace kz;

class ShellTests : public QObject {
    Q_OBJECT

    static QList<Field> readAll(const QString& text) {
        FieldReader r(text);
        QList<Field> out;
        while (!r.atEnd())
            out << r.next();
        return out;
    }

private slots:
    void fieldsSplitOnCommasAndLineEnds() {
        const auto f = readAll(QStringLiteral("1, \"a,b\" ,  text  ,\r\n,\"0123\"x,2.5\n-3\rlast"));
        QCOMPARE(f.size(), 9);
        QVERIFY(f[0].isNumber() && f[0].toNumber() == 1);
        QVERIFY(f[1].isText());
        QCOMPARE(f[1].toText(), QStringLiteral("a,b")); // quoted commas stay, text after quote dropped
        QVERIFY(f[2].isText());
        QCOMPARE(f[2].toText(), QStringLiteral("text")); // unquoted fields are trimmed
        QVERIFY(f[3].isEmpty());                         // empty between "," and the line end
        QVERIFY(f[4].isEmpty());                         // the next line starts with ","
        QVERIFY(f[5].isText());
        QCOMPARE(f[5].toText(), QStringLiteral("0123")); // a quoted number stays text
        QCOMPARE(f[6].toNumber(), 2.5);
        QCOMPARE(f[7].toText(), QStringLiteral("-3"));
        QCOMPARE(f[8].toText(), QStringLiteral("last"));
    }

    void unquotedDigitsLoseLeadingZeroQuotedKeepIt() {
        const auto f = readAll(QStringLiteral("0123,\"0123\",,abc"));
        QCOMPARE(f[0].toText(), QStringLiteral("123"));
        QCOMPARE(f[1].toText(), QStringLiteral("0123"));
        QCOMPARE(f[2].toText(), QString());
        QCOMPARE(f[2].toNumber(), 0.0);
        QCOMPARE(f[3].numberOrZero(), 0.0);
    }

    void trailingLineEndsAreNoFields() {
        QCOMPARE(readAll(QStringLiteral("a,b\r\n\r\n")).size(), 2);
        QCOMPARE(readAll(QStringLiteral("a,b,\r\n")).size(), 3); // a trailing comma opens an empty field
    }

    // Each slot asks the field for what it holds: the text as written, the variant, a whole number.
    void fieldKeepsItsCharacters_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("variantText");
        const int num = int(Field::Kind::Number), txt = int(Field::Kind::Text), none = int(Field::Kind::Empty);
        QTest::newRow("leading zeros") << "007" << "007" << num << "7";
        QTest::newRow("trailing zero") << "1.50" << "1.50" << num << "1.5";
        QTest::newRow("half-width blanks go, full-width stays") << " 山田　\t" << "山田　" << txt << "山田　";
        QTest::newRow("full-width space alone") << "　" << "　" << txt << "　";
        QTest::newRow("full-width digits are text") << "１２" << "１２" << txt << "１２";
        QTest::newRow("quoted keeps blanks") << "\" a \"" << " a " << txt << " a ";
        QTest::newRow("blanks only") << " \t " << "" << none << "";
    }
    void fieldKeepsItsCharacters() {
        QFETCH(QString, line);
        QFETCH(QString, raw);
        QFETCH(int, kind);
        QFETCH(QString, variantText);
        const auto f = readAll(line + QStringLiteral(",x"));
        QCOMPARE(f.size(), 2);
        QCOMPARE(f[0].raw(), raw);
        QCOMPARE(int(f[0].kind()), kind);
        QCOMPARE(f[0].toText(), variantText);
    }

    void decimalNumberForms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        for (const char* yes : {"0", "007", "-3", "+2.5", "1.", ".5", "1e3", "2.5E-2"})
            QTest::newRow(yes) << QString::fromLatin1(yes) << true;
        for (const char* no : {"", ".", "-", "1e", "e3", "1.2.3", "12a", "1 2", "0x10"})
            QTest::newRow(no) << QString::fromLatin1(no) << false;
        QTest::newRow("full-width digits") << QStringLiteral("１２") << false;
    }
    void decimalNumberForms() {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QCOMPARE(isDecimalNumber(text), number);
    }

    void integerSlotsRoundAndClamp_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("value");
        QTest::newRow("30.6") << "30.6" << 31LL;
        QTest::newRow("30.5 half to even") << "30.5" << 30LL;
        QTest::newRow("31.5 half to even") << "31.5" << 32LL;
        QTest::newRow("16-bit top") << "40000" << 32767LL;
        QTest::newRow("16-bit bottom") << "-40000" << -32768LL;
        QTest::newRow("leading number") << "12秒" << 12LL;
        QTest::newRow("no number") << "abc" << 0LL;
        QTest::newRow("huge") << QString(400, u'9') << 32767LL;
    }
    void integerSlotsRoundAndClamp() {
        QFETCH(QString, text);
        QFETCH(qlonglong, value);
        QCOMPARE(readAll(text).value(0).toInteger(-32768, 32767), value);
    }

    // Int(k x rate) on the rate as written: binary fractions would give 6 for 10 x 0.7.
    void decimalProductsAreExact_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<qlonglong>("product");
        QTest::addColumn<QString>("shown");
        QTest::newRow("10 x 0.7") << 10 << "0.7" << 7LL << "0.7";
        QTest::newRow("11 x 1.5") << 11 << "1.5" << 16LL << "1.5";
        QTest::newRow("3 x 0.35") << 3 << "0.35" << 1LL << "0.35";
        QTest::newRow("10 x 1.1") << 10 << "1.1" << 11LL << "1.1";
        QTest::newRow("trailing zeros") << 7 << "0.70" << 4LL << "0.7";
        QTest::newRow("whole") << 5 << "2" << 10LL << "2";
        QTest::newRow("no point digits") << 5 << ".5" << 2LL << "0.5";
        QTest::newRow("negative floors down") << 3 << "-0.5" << -2LL << "-0.5";
        QTest::newRow("text") << 9 << "倍" << 0LL << "0";
        QTest::newRow("held at 1e9") << 55 << QString(40, u'9') << 1000000000LL
                                      << QString(28, u'9');
    }
    void decimalProductsAreExact() {
        QFETCH(int, k);
        QFETCH(QString, rate);
        QFETCH(qlonglong, product);
        QFETCH(QString, shown);
        const DecimalNumber d = DecimalNumber::leading(rate);
        QCOMPARE(d.floorTimes(k), product);
        QCOMPARE(d.text(), shown);
    }

    void linesKeepTheirFieldsApart() {
        const auto lines = readFieldLines(QStringLiteral("1,2,3\r\n\r\na,\"b,c\"\n \t\rx,\r\n"));
        QCOMPARE(lines.size(), size_t(5));
        QCOMPARE(lines[0].fields.size(), size_t(3));
        QCOMPARE(lines[1].fields.size(), size_t(0)); // an empty line
        QCOMPARE(lines[2].fields.size(), size_t(2));
        QCOMPARE(lines[2].fields[1].raw(), QStringLiteral("b,c"));
        QCOMPARE(lines[3].fields.size(), size_t(0)); // blanks only
        QCOMPARE(lines[4].number, 5);
        QCOMPARE(lines[4].fields.size(), size_t(2)); // a trailing comma opens an empty field
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("digits") << "28" << 28.0;
        QTest::newRow("comma ends") << "1,5" << 1.0;
        QTest::newRow("slash") << "/" << 0.0;
        QTest::newRow("minus") << "-12" << -12.0;
        QTest::newRow("lone minus") << "-" << 0.0;
        QTest::newRow("point") << "2.5x" << 2.5;
        QTest::newRow("blanks before") << "  7" << 7.0;
        QTest::newRow("code") << "12345ABC" << 12345.0;
        QTest::newRow("zeros") << "00000" << 0.0;
        QTest::newRow("text") << "目標Time" << 0.0;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(kz::leadingNumber(text), value);
    }

    // Full-width forms fold to half-width ones, and only those: other digits stay as typed.
    void halfWidthForms_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("folded");
        QTest::newRow("digits") << "５０" << "50";
        QTest::newRow("pupil choice") << "１２　／　名前" << "12 / 名前";
        QTest::newRow("sign and point") << "－１．５" << "-1.5";
        QTest::newRow("block ends") << "！～" << "!~";
        QTest::newRow("fraction, circled, kanji stay") << "½①五" << "½①五";
        QTest::newRow("half-width kana stay") << "ｽﾀｰﾄ" << "ｽﾀｰﾄ";
    }
    void halfWidthForms() {
        QFETCH(QString, typed);
        QFETCH(QString, folded);
        QCOMPARE(kz::halfWidthForms(typed), folded);
    }

    void roundingHalvesToEven() {
        QCOMPARE(roundHalfEven(2.5), 2.0);
        QCOMPARE(roundHalfEven(3.5), 4.0);
        QCOMPARE(roundHalfEven(-0.5), -0.0);
        QCOMPARE(roundHalfEven(69.6), 70.0);
        QCOMPARE(wholeFloor(-0.5), -1.0);
        QCOMPARE(numberText(1.5), QStringLiteral("1.5"));
        QCOMPARE(numberText(16), QStringLiteral("16"));
        QCOMPARE(singleText(1.1f), QStringLiteral("1.1"));
        QCOMPARE(rightPart(QStringLiteral("  12345678"), 7), QStringLiteral("2345678"));
    }

    void cp932RoundTrip() {
        const QString text = QStringLiteral("①②③ⅠⅡⅢ★先生ﾚﾍﾞﾙ");
        bool ok = false;
        const QByteArray bytes = encodeCp932(text, &ok);
        QVERIFY(ok);
        QCOMPARE(bytes.left(2), QByteArray("\x87\x40", 2)); // ① (NEC row 13)
        QCOMPARE(bytes.mid(6, 2), QByteArray("\x87\x54", 2)); // Ⅰ
        QCOMPARE(bytes.right(4), QByteArray("\xda\xcd\xde\xd9", 4)); // half-width katakana, 1 byte each
        QString back;
        QVERIFY(decodeCp932(bytes, &back));
        QCOMPARE(back, text);
    }

    void notCp932IsAnErrorNamingTheFile() {
        QTemporaryDir dir;
        const QString path = test::writeFile(dir.filePath(QStringLiteral("新名簿.txt")),
                                             QByteArray("1,2003,0,0,\x82\xa0\xff\xfe,0\r\n"));
        const TextFile f = readCp932File(path);
        QVERIFY(!f.ok());
        QVERIFY(f.error.contains(QDir::toNativeSeparators(path)));
        QVERIFY2(f.error.contains(QStringLiteral("14")), qPrintable(f.error)); // the first bad byte
        QVERIFY(f.text.isEmpty());
        QVERIFY(readCp932File(dir.filePath(QStringLiteral("none.txt"))).error.contains(QStringLiteral("none.txt")));
    }

    // "Missing" only when the open itself says there is no such file; a file that is there but
    // cannot be read says so.
    void missingOnlyWhenTheOpenSaysSo_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such file")
            << QStringLiteral("none.txt") << QStringLiteral("ファイルがありません");
        QTest::newRow("no such folder")
            << QStringLiteral("none/a.txt") << QStringLiteral("ファイルがありません");
        QTest::newRow("a folder by that name")
            << QStringLiteral("folder") << QStringLiteral("ファイルを開けません");
        QTest::newRow("a file") << QStringLiteral("a.txt") << QString();
    }
    void missingOnlyWhenTheOpenSaysSo() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        test::writeFile(dir.filePath(QStringLiteral("a.txt")), "1,2\r\n");
        const TextFile f = readCp932File(dir.filePath(name));
        QCOMPARE(f.error.left(message.size()), message);
        QCOMPARE(f.ok(), message.isEmpty());
        if (!f.ok()) QVERIFY(f.error.contains(QDir::toNativeSeparators(dir.filePath(name))));
    }

    // Where decoding stops: the offset of the first byte that is not code page 932.
    void cp932DecodeStopsAtTheFirstBadByte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("bad"); // -1: decodes
        QTest::addColumn<QString>("text");
        QTest::newRow("NEC and IBM rows")
            << QByteArray("\x87\x40\x87\x54\xfa\x40") << -1 << QStringLiteral("①Ⅰⅰ");
        QTest::newRow("half-width katakana")
            << QByteArray("\xb6\xde") << -1 << QStringLiteral("ｶﾞ");
        QTest::newRow("empty") << QByteArray() << -1 << QString();
        QTest::newRow("lead byte, bad trail") << QByteArray("ab\x82\x20") << 2 << QString();
        QTest::newRow("undefined single byte") << QByteArray("\x82\xa0\xff") << 2 << QString();
        QTest::newRow("lone lead byte at the end") << QByteArray("\x82\xa0\x83") << 2 << QString();
        QTest::newRow("bad byte after good ones")
            << QByteArray("1,\x90\xe6\xfe,") << 4 << QString();
    }
    void cp932DecodeStopsAtTheFirstBadByte() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, bad);
        QFETCH(QString, text);
        QString out;
        qsizetype at = -7;
        QCOMPARE(decodeCp932(bytes, &out, &at), bad < 0);
        if (bad < 0)
            QCOMPARE(out, text);
        else
            QCOMPARE(at, qsizetype(bad));
    }

    // Characters the code page lacks become one "?" each, whatever their UTF-16 length.
    void cp932EncodeMarksWhatItCannotHold_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("all known") << QStringLiteral("A先") << QByteArray("A\x90\xe6") << true;
        QTest::newRow("emoji (a surrogate pair)")
            << QStringLiteral("a😀b") << QByteArray("a?b") << false;
        QTest::newRow("two unknown in a row")
            << QStringLiteral("한글先") << QByteArray("??\x90\xe6") << false;
        QTest::newRow("lone surrogate at the end")
            << QStringLiteral("x") + QChar(0xD800) << QByteArray("x?") << false;
    }
    void cp932EncodeMarksWhatItCannotHold() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        bool was = !ok;
        QCOMPARE(encodeCp932(text, &was), bytes);
        QCOMPARE(was, ok);
    }

    void loneLeadByteAtTheEndIsAnError() {
        QTemporaryDir dir;
        const QString path = test::writeFile(dir.filePath(QStringLiteral("新名簿.txt")),
                                             QByteArray("1,\x82\xa0\r\n\x83"));
        const TextFile f = readCp932File(path);
        QVERIFY(!f.ok());
        QVERIFY(f.error.contains(QDir::toNativeSeparators(path)));
        QVERIFY2(f.error.contains(QStringLiteral("(7 バイト目)")), qPrintable(f.error));
    }

    void fixedFieldsPadAndNeverSplitACharacter() {
        QCOMPARE(fixedCp932Field(QString(), 5), QByteArray("     "));
        QCOMPARE(fixedCp932Field(QStringLiteral("0"), 5), QByteArray("0    "));
        QCOMPARE(fixedCp932Field(QStringLiteral("1234567"), 5), QByteArray("12345"));
        // Three double-byte characters are six bytes: the third is dropped, not halved.
        QCOMPARE(fixedCp932Field(QStringLiteral("先生方"), 5), QByteArray("\x90\xe6\x90\xb6 ", 5));
    }

    void seasonColours() {
        QCOMPARE(seasonColourForMonth(QDate(2027, 1, 15).month()), 33023);
        QCOMPARE(seasonColourForMonth(12), 12648384);
        QCOMPARE(seasonColourForMonth(4), 12648384);
        QCOMPARE(seasonColourForMonth(7), 12632064);
        QCOMPARE(seasonColourForMonth(10), 16576);
    }

    void eraDate() {
        QCOMPARE(japaneseEraDate(QDate(2026, 12, 9)), QStringLiteral("令和8年 12月 09日（水）"));
        QCOMPARE(japaneseEraDate(QDate(2019, 5, 1)), QStringLiteral("令和元年 5月 01日（水）"));
        QCOMPARE(japaneseEraDate(QDate(2019, 4, 30)), QStringLiteral("平成31年 4月 30日（火）"));
    }

    void levelNamesAfterPrepareLevelMenu() {
        Hensuu1 h;
        h.levelNames[20] = QStringLiteral("old");
        test::RecordingScreens screens;
        PrepareLevelMenu(h, screens);
        QCOMPARE(h.levelCount, 4);
        QCOMPARE(h.levelNames[1], QStringLiteral("ゆっくり"));
        QCOMPARE(h.levelNames[4], QStringLiteral("最速"));
        QCOMPARE(h.levelNames[5], QStringLiteral("５"));
        QCOMPARE(h.levelNames[6], QStringLiteral("ﾚﾍﾞﾙ6"));
        QCOMPARE(h.levelNames[12], QStringLiteral("ﾚﾍﾞﾙ12"));
        QVERIFY(h.levelNames[13].isEmpty());
        QVERIFY(h.levelNames[20].isEmpty());
        QCOMPARE(h.levelRecorded[25], 1);
        QCOMPARE(h.levelRecorded[26], 0);
        QCOMPARE(screens.shown, QStringList{screen::seisekitime1});
    }

    void startRunClearsTheLastRunsEnd() {
        test::FakeServices f;
        Hensuu1 h;
        h.runEndReason = 1;
        h.recordingStarted = 1;
        h.correctCount = 3;
        h.plusKeyState = 2;
        StartRun(h, f.services);
        QCOMPARE(h.runEndReason, 0);
        QCOMPARE(h.recordingStarted, 0);
        QCOMPARE(h.correctCount, 0);
        QCOMPARE(h.plusKeyState, 0);
        QCOMPARE(f.screens.shown, QStringList{screen::MainFrm});
    }

    // A system error reads as a Japanese cause for the common ones, then the system's own
    // text in parentheses; any other code keeps the system's text alone.
    void systemErrorsExplainTheCommonCauses_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("cause"); // empty: none
#ifdef _WIN32
        QTest::newRow("access denied") << int(ERROR_ACCESS_DENIED) << QStringLiteral("許可されていません");
        QTest::newRow("disk full") << int(ERROR_DISK_FULL) << QStringLiteral("いっぱいです");
        QTest::newRow("sharing violation") << int(ERROR_SHARING_VIOLATION) << QStringLiteral("使っています");
        QTest::newRow("network name gone") << int(ERROR_NETNAME_DELETED) << QStringLiteral("つながりません");
        QTest::newRow("file missing") << int(ERROR_FILE_NOT_FOUND) << QStringLiteral("ありません");
        QTest::newRow("other") << int(ERROR_INVALID_PARAMETER) << QString();
#else
        QTest::newRow("permission") << EACCES << QStringLiteral("許可されていません");
        QTest::newRow("read-only disk") << EROFS << QStringLiteral("許可されていません");
        QTest::newRow("disk full") << ENOSPC << QStringLiteral("いっぱいです");
        QTest::newRow("lock held") << EAGAIN << QStringLiteral("使っています");
        QTest::newRow("stale share") << ESTALE << QStringLiteral("つながりません");
        QTest::newRow("file missing") << ENOENT << QStringLiteral("ありません");
        QTest::newRow("other") << EINVAL << QString();
#endif
    }
    void systemErrorsExplainTheCommonCauses() {
        QFETCH(int, code);
        QFETCH(QString, cause);
        const QString own = systemOwnErrorText(code);
        QVERIFY(!own.isEmpty());
        const QString text = systemErrorText(code);
        if (cause.isEmpty()) {
            QCOMPARE(text, own);
            return;
        }
        QVERIFY2(text.endsWith(u'（' + own + u'）'), qPrintable(text));
        const QString before = text.chopped(own.size() + 2);
        QVERIFY2(before.contains(cause), qPrintable(text));
    }

    // A failed write through Qt's file classes says why in the same words, not Qt's English.
    void failedWritesExplainTheCause_data() {
        QTest::addColumn<QString>("place"); // under a temporary folder
        QTest::addColumn<QString>("cause");
        QTest::newRow("folder missing") << QStringLiteral("無い/パスデータ.txt") << QStringLiteral("ありません");
#ifndef _WIN32
        QTest::newRow("a file where the folder should be") << QStringLiteral("file/パスデータ.txt")
                                                            << QString::fromLocal8Bit(std::strerror(ENOTDIR));
#endif
    }
    void failedWritesExplainTheCause() {
        QFETCH(QString, place);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        test::writeFile(dir.filePath(QStringLiteral("file")), "x");
        const QString path = dir.filePath(place);
        const QString error = writeCp932File(path, QStringLiteral("テスト"));
        QVERIFY2(error.contains(cause), qPrintable(error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(ShellTests)
#include "shell_tests.moc"
