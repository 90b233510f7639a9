#include "program.h"

#include "shell/configuration.h"
#include "shell/startup.h"

namespace kz {

Program::Program(Services& services) : s(services), sounds(soundTable, QString(), services) {}

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
    return {};
}

} // namespace kz
