#pragma once
#include "grades.h"
#include "shell/hensuu1.h"

#include <optional>
#include <QDate>
#include <QString>
#include <vector>

namespace kz {

constexpr int kRosterSlots = 5000; // listed lines 1..5000
constexpr int kRosterTextWidth = 20;

// One roster line as read: eight fields.
struct RosterEntry {
    qint16 number = 0;
    qint16 birthYear = 0;
    qint16 spare1 = 0;
    qint16 spare2 = 0;
    QString name; // always 20 characters
    int listFlag = 0;
    QString spareText1; // always 20 characters
    QString spareText2; // always 20 characters
};

// The tables by student number (0..5000) that every reading updates in place and the level
// menu and the result views read. Numbers a reading does not meet keep their old entries.
struct RosterTables {
    std::vector<QString> studentNames =
        std::vector<QString>(kStudentSlots); // 20 characters; readers trim
    std::vector<qint16> birthYears = std::vector<qint16>(kStudentSlots);
    std::vector<QString> gradeTexts = std::vector<QString>(kStudentSlots);
    // Student numbers of the listed lines in file order; index = slot, 1..rosterCount.
    std::vector<int> rosterNumbers = std::vector<int>(kRosterSlots + 1);
    int rosterCount = 0;
    int schoolYear = 0;
    // The problems message last shown, so that the name screen reports a roster's bad lines
    // once rather than at every return to it.
    QString reportedProblems;
};

// A text cut or padded with blanks to exactly width characters.
QString fixedWidthText(const QString& text, int width);

// A roster line that was skipped or not listed, and why.
struct RosterProblem {
    enum Kind { FieldCount, NotANumber, OutOfRange, Overflow };
    int line = 0; // 1 for the file's first line
    Kind kind = FieldCount;
    QString detail; // the field count, or the number as written
};

// The outcome of one reading.
struct RosterReading {
    QString error;                   // empty, or a message naming the file
    std::vector<RosterEntry> listed; // listed lines in file order, at most 5000
    std::vector<RosterEntry> stored; // every stored line in file order, listed or not
    int outOfRange = 0;              // lines skipped: number outside 0..5000
    int overflow = 0;                // listed lines beyond the 5000th, stored but not listed
    std::vector<RosterProblem> problems; // every line skipped or not listed, in file order
    bool ok() const { return error.isEmpty(); }
};

// One message for all problems of a reading, naming the file and the lines; empty when none.
QString rosterProblemsMessage(const RosterReading& reading, const QString& fileName);

enum class Flag2 { ListedWhenCommonLine3, NeverListed };
// True when the common data's third value is the number 1, the one value that lists the lines
// whose flag is 2; 1.5 or a text is not 1.
inline bool commonLine3Lists(const Field& commonLine3) {
    return commonLine3.isNumber() && commonLine3.toNumber() == 1.0;
}

// Reads the roster text line by line: stores every good line's name, birth year and grade text
// by number and collects the listed lines. A line without eight fields, or whose number is not
// a number within 0..5000, is skipped and noted, so it cannot shift the lines after it. commonLine3 = 1 lists lines whose flag is 2 (unless flag2 says never).
RosterReading readRosterText(const QString& text, RosterTables& tables, const QDate& today,
                             double startMonth, int commonLine3,
                             Flag2 flag2 = Flag2::ListedWhenCommonLine3);
// The same from the roster file, decoded as CP932.
RosterReading readRosterFile(const QString& path, RosterTables& tables, const QDate& today,
                             double startMonth, int commonLine3,
                             Flag2 flag2 = Flag2::ListedWhenCommonLine3);

// The level menu's reading (ListOtherPupils): names, birth years, grade texts and the school
// year as any reading sets them, flag-2 lines never listed, and rosterNumbers and rosterCount
// left as the name screen's reading set them, for the result views that read them.
RosterReading readOtherPupils(const QString& path, RosterTables& tables, const QDate& today,
                              double startMonth);

// The level menu's other-pupils line: grade text, " /  ", trimmed name, "/", number.
QString otherPupilLine(const RosterTables& tables, int number);

} // namespace kz
