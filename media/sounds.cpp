#include "sounds.h"

#include "shell/field_reader.h"
#include "shell/hensuu1.h"
#include "shell/numbers.h"
#include "shell/text_codec.h"

namespace kz {

static const char16_t* const kKindNames[SoundTable::Kinds + 1] = {
    u"", u"正解音1", u"正解音2", u"間違い音1", u"間違い音2", u"最高音1",
    u"最高音2", u"自己最高音1", u"自己最高音2", u"自己最高音3", u"不合格音1"};

QString SoundTable::load(const QString& text) {
    for (auto& kind : soundNames)
        kind.fill(QString());
    for (int k = 1; k <= Kinds; ++k)
        soundNames[k][0] = QString::fromUtf16(kKindNames[k]);

    FieldReader r(text);
    while (!r.atEnd()) {
        const QString v = r.nextRaw(); // file names as written: "01" is 01.wav
        for (int k = 1; k <= Kinds; ++k) {
            if (soundNames[k][0] != v)
                continue;
            for (int j = 1; j <= Names; ++j) {
                if (r.atEnd())
                    return QStringLiteral("「%1」の並びが \"*\" で閉じられないままファイルが終わっています")
                        .arg(v);
                const QString w = r.nextRaw();
                if (w == u"*") {
                    soundNames[k][21] = QString::number(j - 1);
                    break;
                }
                soundNames[k][j] = w;
            }
        }
    }
    return {};
}

int SoundTable::count(int kind) const {
    return static_cast<int>(leadingNumber(soundNames[kind][21]));
}

QString LoadSoundNames(SoundTable& table, const QString& soundFolder) {
    const QString path = soundFolder + files::soundNames;
    const TextFile f = readCp932File(path);
    if (!f.ok())
        return f.error;
    const QString problem = table.load(f.text);
    if (!problem.isEmpty())
        return QStringLiteral("%1: %2").arg(path, problem);
    return {};
}

SoundPlayer::SoundPlayer(const SoundTable& table, const QString& soundFolder, Services& services)
    : m_table(table), m_soundFolder(soundFolder), m_services(services) {}

PlayResult SoundPlayer::playFile(const QString& fileName) {
    m_mciCommand = QStringLiteral("play ") + m_soundFolder + fileName + QStringLiteral(" wait");
    const PlayResult r = m_services.sound.play(m_soundFolder + fileName);
    m_mciLastError = QString::number(r.code);
    return r;
}

int SoundTable::pickSlot(int kind, double r) const {
    const int slot = static_cast<int>(wholeFloor(r * count(kind) + 1));
    return (slot < 1 || slot > Names) ? 1 : slot;
}

PlayResult SoundPlayer::playKind(int kind) {
    const int slot = m_table.pickSlot(kind, m_services.random.next());
    return playFile(m_table.soundNames[kind][slot] + QStringLiteral(".wav"));
}

void SoundPlayer::countFailure(const PlayResult& r) {
    if (r.code == 0) {
        m_soundErrorCount = 0;
        return;
    }
    if (m_soundErrorCount < 3) {
        ++m_soundErrorCount;
        return;
    }
    m_services.dialogs.message(QStringLiteral("音声がでません。先生を呼びなさい。\r\n") + r.errorText,
                               QStringLiteral("音声エラー"));
    m_services.screens.unloadAll();
    m_services.program.endProgram(1);
}

void SoundPlayer::PlayCorrectSound() { countFailure(playKind(2)); }
void SoundPlayer::PlayWrongSound() { countFailure(playKind(4)); }
void SoundPlayer::PlayWarningSound() { playFile(QStringLiteral("警告1.wav")); }
void SoundPlayer::PlayBestSound() { playFile(QStringLiteral("最高1.wav")); }
void SoundPlayer::PlayPassSound() { playFile(QStringLiteral("合格.wav")); }
void SoundPlayer::PlaySelfBestSound() { playKind(8); }
void SoundPlayer::PlayFailSound() { playKind(10); }

} // namespace kz
