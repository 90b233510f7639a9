#pragma once
#include "shell/services.h"

#include <QString>
#include <array>

namespace kz {

// The ten sound kinds of the sound-name file; slot 0 the kind's name, 1..20 file names without
// ".wav", 21 the count as text (empty when the block had no closing "*").
struct SoundTable {
    static constexpr int Kinds = 10;
    static constexpr int Names = 20;
    std::array<std::array<QString, 22>, Kinds + 1> soundNames{};

    // Fills the table from the file's text. Returns an empty string, or what is wrong.
    QString load(const QString& text);
    int count(int kind) const;
    // Which of a kind's files plays for a random r in [0, 1): slot 1..20 (1 when out of range).
    int pickSlot(int kind, double r) const;
};

// Reads soundFolder + "新音ファイル.txt"; the message names the file when it fails.
QString LoadSoundNames(SoundTable& table, const QString& soundFolder);

// The play procedures: blocking playback, random pick among a kind's files, and the failure
// count of the correct and wrong sounds that ends the program at the fourth failure in a row.
class SoundPlayer {
public:
    SoundPlayer(const SoundTable& table, const QString& soundFolder, Services& services);

    void PlayCorrectSound();
    void PlayWrongSound();
    void PlayWarningSound();
    void PlayBestSound();
    void PlayPassSound();
    void PlaySelfBestSound();
    void PlayFailSound();

    int soundErrorCount() const { return m_soundErrorCount; }
    QString mciCommand() const { return m_mciCommand; }
    QString mciLastError() const { return m_mciLastError; }
    void setSoundFolder(const QString& folder) { m_soundFolder = folder; }

private:
    PlayResult playFile(const QString& fileName);
    PlayResult playKind(int kind);
    void countFailure(const PlayResult& r);

    const SoundTable& m_table;
    QString m_soundFolder;
    Services& m_services;
    int m_soundErrorCount = 0;
    QString m_mciCommand;
    QString m_mciLastError = QStringLiteral("0");
};

} // namespace kz
