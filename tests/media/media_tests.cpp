// The sound-name file and the play procedures with their failure count.
#include "media/sounds.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using test::FakeServices;

class MediaTests : public QObject {
    Q_OBJECT

private slots:
    void blocksFillTheirKinds() {
        SoundTable t;
        QCOMPARE(t.load(QStringLiteral("ignored,正解音2,seikai1,seikai2,*\r\n間違い音2,bu,*\r\n")), QString());
        QCOMPARE(t.soundNames[2][0], QStringLiteral("正解音2"));
        QCOMPARE(t.soundNames[2][21], QStringLiteral("2"));
        QCOMPARE(t.soundNames[2][2], QStringLiteral("seikai2"));
        QCOMPARE(t.count(4), 1);
        QCOMPARE(t.soundNames[10][21], QString()); // a kind without a block has an empty count
        QCOMPARE(t.count(10), 0);
    }

    void twentyNamesWithoutStarLeaveTheCountEmpty() {
        QString text = QStringLiteral("正解音2");
        for (int i = 1; i <= 20; ++i)
            text += QStringLiteral(",n%1").arg(i);
        text += QStringLiteral(",*,不合格音1,f,*");
        SoundTable t;
        QCOMPARE(t.load(text), QString());
        QCOMPARE(t.soundNames[2][20], QStringLiteral("n20"));
        QCOMPARE(t.soundNames[2][21], QString());
        QCOMPARE(t.count(10), 1); // the stray "*" was skipped outside a block
    }

    void fileEndingInsideABlockIsAStartupError() {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        test::writeCp932(folder + QStringLiteral("新音ファイル.txt"), QStringLiteral("正解音2,a,b\r\n"));
        SoundTable t;
        const QString error = LoadSoundNames(t, folder);
        QVERIFY(error.contains(folder + QStringLiteral("新音ファイル.txt")));
        QVERIFY(error.contains(QStringLiteral("正解音2")));
        QVERIFY(LoadSoundNames(t, folder + QStringLiteral("none/")).contains(QStringLiteral("新音ファイル.txt")));
    }

    void pickIsUniformOverTheKindsFiles() {
        FakeServices f;
        SoundTable t;
        t.load(QStringLiteral("正解音2,a,b,*"));
        SoundPlayer p(t, QStringLiteral("/s/"), f.services);
        f.random.script = {0.0, 0.49, 0.5, 0.99};
        for (int i = 0; i < 4; ++i)
            p.PlayCorrectSound();
        QCOMPARE(f.sound.played, (QStringList{"/s/a.wav", "/s/a.wav", "/s/b.wav", "/s/b.wav"}));
        QCOMPARE(p.mciCommand(), QStringLiteral("play /s/b.wav wait"));
        p.PlayWarningSound();
        p.PlayPassSound();
        p.PlayBestSound();
        QCOMPARE(f.sound.played.mid(4), (QStringList{"/s/警告1.wav", "/s/合格.wav", "/s/最高1.wav"}));
    }

    // File names are text as written: "01" is 01.wav, not 1.wav.
    void namesKeepTheirDigits() {
        FakeServices f;
        SoundTable t;
        QCOMPARE(t.load(QStringLiteral("正解音2, 01 ,002,*\r\n")), QString());
        SoundPlayer p(t, QStringLiteral("/s/"), f.services);
        f.random.script = {0.0, 0.99};
        p.PlayCorrectSound();
        p.PlayCorrectSound();
        QCOMPARE(f.sound.played, (QStringList{"/s/01.wav", "/s/002.wav"}));
    }

    void fourthFailureInARowEndsTheProgram() {
        FakeServices f;
        SoundTable t;
        t.load(QStringLiteral("正解音2,a,*,間違い音2,w,*"));
        SoundPlayer p(t, QStringLiteral("/s/"), f.services);
        f.sound.failing = QStringList{"/s/a.wav"};
        f.screens.loaded = QStringList{screen::namesel, screen::MainFrm};
        p.PlayCorrectSound();
        p.PlayCorrectSound();
        p.PlayCorrectSound();
        QCOMPARE(p.soundErrorCount(), 3);
        QVERIFY(f.dialogs.messages.isEmpty());
        p.PlayWrongSound(); // a success resets the count
        QCOMPARE(p.soundErrorCount(), 0);
        for (int i = 0; i < 3; ++i)
            p.PlayCorrectSound();
        // Other sounds fail silently and do not touch the count.
        f.sound.failAll = true;
        p.PlayWarningSound();
        p.PlayFailSound();
        QCOMPARE(p.soundErrorCount(), 3);
        bool ended = false;
        try {
            p.PlayWrongSound();
        } catch (const test::ProgramEnded&) {
            ended = true;
        }
        QVERIFY(ended);
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY(f.dialogs.messages[0].startsWith(QStringLiteral("音声がでません。先生を呼びなさい。\r\n")));
        QVERIFY(f.dialogs.messages[0].contains(QStringLiteral("no device")));
        QCOMPARE(f.dialogs.titles[0], QStringLiteral("音声エラー"));
        QCOMPARE(f.screens.unloaded, (QStringList{screen::MainFrm, screen::namesel})); // newest first
    }
};

QTEST_GUILESS_MAIN(MediaTests)
#include "media_tests.moc"
