#include "configuration.h"

#include "program.h"
#include "shell/field_reader.h"
#include "shell/numbers.h"
#include "shell/startup.h"
#include "shell/text_codec.h"

#include <QDir>

namespace kz {

QString withTrailingSeparator(const QString& folder) {
    QString f = folder;
    if (f.endsWith(u'\\'))
        f.chop(1);
    if (!f.endsWith(u'/'))
        f += u'/';
    return f;
}

QString lastFolderName(const QString& folderPath) {
    QString p = folderPath;
    p.replace(u'\\', u'/');
    while (p.endsWith(u'/') && p.size() > 1)
        p.chop(1);
    const qsizetype slash = p.lastIndexOf(u'/');
    return slash < 0 ? p : p.mid(slash + 1);
}

void splitSchoolCode(const QString& field, QString* schoolLine, QString* schoolCode) {
    const QString head = field.left(5);
    if (leadingNumber(head) != 0.0) {
        *schoolCode = head;
        *schoolLine = field.mid(5);
    } else {
        *schoolCode = QString();
        *schoolLine = field;
    }
}

QString pathFileOf(const QString& programDir) {
    return QDir::cleanPath(withTrailingSeparator(QDir::fromNativeSeparators(programDir)) +
                           QStringLiteral("../") + files::pathFile);
}

QString writePathFile(const QString& file, const QString& baseFolder) {
    const auto refuse = [&file](const QString& why) {
        return QStringLiteral("パスデータ.txt を書けません: %1 (%2)")
            .arg(QDir::toNativeSeparators(file), why);
    };
    QString folder = baseFolder;
    if (folder.trimmed().isEmpty())
        return refuse(QStringLiteral("共有フォルダが空です"));
    if (folder.contains(u'"') || folder.contains(u'\r') || folder.contains(u'\n'))
        return refuse(QStringLiteral("共有フォルダに \" や改行は使えません"));
    if (!folder.endsWith(u'\\') && !folder.endsWith(u'/'))
        folder += folder.contains(u'\\') ? u'\\' : u'/';
    // Quoted, the reader keeps commas and surrounding blanks as part of the folder.
    if (folder.contains(u',') || folder.front().isSpace() || folder.back().isSpace())
        folder = u'"' + folder + u'"';
    const QString line = folder + QStringLiteral(",,,,,,,,,\r\n");
    bool ok = true;
    encodeCp932(line, &ok);
    if (!ok)
        return refuse(QStringLiteral("共有フォルダに CP932 にない文字があります: %1").arg(baseFolder));
    return writeCp932File(file, line);
}

static QString fewerFields(const QString& path, int have, int need) {
    return QStringLiteral("項目が足りません: %1 (%2 項目が必要なところ %3 項目しかありません)")
        .arg(path, QString::number(need), QString::number(have));
}

QString loadPathAndCommonData(Hensuu1& h, const QString& programDir) {
    h.programPath = withTrailingSeparator(QDir::fromNativeSeparators(programDir));

    const QString pathFile = pathFileOf(h.programPath);
    TextFile pf = readCp932File(pathFile);
    if (!pf.ok())
        return pf.error;
    {
        FieldReader r(pf.text);
        int have = 0;
        QString fields[10];
        for (int i = 0; i < 10 && !r.atEnd(); ++i, ++have)
            fields[i] = r.nextRaw(); // folders are text as written
        if (have < 10)
            return fewerFields(pathFile, have, 10);
        if (fields[0].isEmpty())
            return QStringLiteral("基本フォルダが空です: %1 (1 項目目)").arg(pathFile);
        // A base folder written without its trailing separator names that folder.
        h.basePath = withTrailingSeparator(QDir::fromNativeSeparators(fields[0]));
        for (int i = 1; i < 10; ++i)
            h.pathSpare[i] = fields[i];
    }

    const QString commonFile = h.basePath + files::commonData;
    TextFile cf = readCp932File(commonFile);
    if (!cf.ok())
        return cf.error;
    {
        FieldReader r(cf.text);
        Field f[10];
        int have = 0;
        for (int i = 0; i < 10 && !r.atEnd(); ++i, ++have)
            f[i] = r.next();
        if (have < 10)
            return fewerFields(commonFile, have, 10);
        h.commonLine1 = f[0];
        h.schoolLine = f[1].raw(); // "01234…" keeps its leading zero
        h.commonLine3 = f[2];
        h.commonLine4 = f[3];
        h.commonSpare[1] = f[4];
        h.commonLine6 = f[5];
        for (int i = 3; i <= 6; ++i)
            h.commonSpare[i] = f[i + 3];
    }

    splitSchoolCode(h.schoolLine, &h.schoolLine, &h.schoolCode);
    h.programFolderName = lastFolderName(h.programPath);
    h.dataFolder = h.basePath + h.programFolderName + u'/';
    h.soundFolder = h.basePath + files::soundFolder + u'/';
    return {};
}

QString LoadConfiguration(Program& p, const QString& programDir) {
    QString error = loadPathAndCommonData(p.h, programDir);
    if (!error.isEmpty())
        return error;
    SetProgramDefaults(p.h);
    error = LoadCriteriaFile(p.criteria, p.criteriaFilePath());
    if (!error.isEmpty())
        return error;
    error = LoadSoundNames(p.soundTable, p.h.soundFolder);
    if (!error.isEmpty())
        return error;
    p.sounds.setSoundFolder(p.h.soundFolder);
    // A refused cell or a missing row closes its level but stops no computer: the teacher
    // mends the file with the criteria editor of this very program. The levels are fixed here
    // already, so the message names the ones in use.
    prepareLevels(p.h);
    const QString notice = criteriaProblemMessage(p.criteria, p.h.levelCount, p.criteriaFilePath());
    if (!notice.isEmpty()) p.s.dialogs.message(notice, p.h.programTitle);
    return {};
}

} // namespace kz
