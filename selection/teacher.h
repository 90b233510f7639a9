#pragma once
#include "shell/field_reader.h"

#include <QString>

namespace kz {

struct Program;

// The data-change password test: the typed text against the common data's sixth value as its
// reader held it (an unquoted number has lost its leading zeros; a quoted one keeps them).
inline bool passwordMatches(const QString& typed, const Field& commonLine6) {
    return typed == commonLine6.toText();
}

inline const QString kEnterPassword = QStringLiteral("パスワードを入力して下さい");

// Command10_Click: on a match opens the record browser (index 0) or the criteria editor
// (index 1) and unloads the level menu; otherwise only the message. True when a tool opened.
bool openTeacherTool(Program& p, int index, const QString& typed);

} // namespace kz
