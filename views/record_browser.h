#pragma once
#include "records/record_file.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace kz {

struct Program;

// The teacher's record browser: every record of the shared file with a level other than 0,
// one row each in file order, and the change and erase of one record. Each row keeps its own
// record number and the bytes the list read, so a double-click, a change and an erase act on
// that record only, however many records are hidden, however long the file is, and whatever
// another computer changed since the list was read.
class RecordBrowser {
public:
    explicit RecordBrowser(Program& p);

    struct Row {
        qint64 recordNumber;
        QString text;
    };

    // What the edit panel shows for the record opened by a double-click.
    struct Panel {
        qint64 recordNumber = 0; // Label1
        QString level;           // Label2(1): digits and "ﾚﾍﾞﾙ"
        QString date;            // Label2(2)
        QString grade;           // Label2(4)
        QString time;            // Text1(1): the time as recorded, also outside the scroll range
        int scrollValue = 0;     // VScroll1: the time held to 9..6000
        QString student;         // Combo1: number, " /  ", name
    };

    static constexpr int ScrollMin = 9;
    static constexpr int ScrollMax = 6000;
    // What a change may write: a time a run can take, a student the tables can hold.
    static constexpr int TimeMin = 1, TimeMax = 99999;
    static constexpr int StudentMin = 0, StudentMax = 5000;

    // Command1_Click: the roster into the student tables and Combo1, then the rows. A file
    // error is shown (the rows stay empty); the browser stays usable.
    void Command1_Click();
    // LoadRosterForBrowser: display names and grade labels by number, the Combo1 items.
    void LoadRosterForBrowser();

    const std::vector<Row>& rows() const { return m_rows; }
    const QStringList& comboItems() const { return m_comboItems; }
    QString countLabel() const { return m_countLabel; }
    // Index of the row that holds record n, or -1.
    int rowOfRecord(qint64 n) const;
    // The row to select after a change or an erase (-1: none).
    int selectedRow() const { return m_selectedRow; }

    // List1_DblClick on row index: reads the record into the shared record buffer. False (with
    // a message shown) when it cannot be read, or when it is no longer what the row showed;
    // then the list has been read again.
    bool open(int row, Panel* panel);
    bool hasOpenRecord() const { return m_opened > 0; }
    // The grade label of the student whose number begins a Combo1 text (Combo1_Click).
    QString gradeOfChoice(const QString& comboText) const;

    // Command2_Click: the opened record with the student and time of the panel, written in
    // place under the write lock; then the list is rebuilt and the changed record selected.
    // False when nothing was written (a message says why). A time other than a whole number
    // TimeMin..TimeMax, or a student number other than StudentMin..StudentMax before the "/",
    // is refused with one message naming the field; the record stays open for a correction.
    // Full-width digits, blanks and "／" (the Japanese input method on) read as half-width ones.
    bool change(const QString& comboText, const QString& timeText);
    // Command3_Click: asks "本当に消去しますか"; on OK the opened record is removed; the list
    // is rebuilt and the record after it (or the new last row) selected.
    bool erase();

    // One row's text, as laid out; the record number takes numberWidth() places.
    QString rowText(qint64 recordNumber, const SeisekiRecord& rec) const;
    // Four places, more when the file's last record number needs them, so that record 25000
    // is not shown as "5000".
    int numberWidth() const { return m_numberWidth; }
    static QString dateText(double oleDate);
    static QString clockText(double oleTimeOfDay);

private:
    QString displayName(int student) const;
    QString gradeLabel(int student) const;
    std::function<void()> retryWait();
    void showFileError(const QString& operation, const RecordFile::Result& r);
    void showChangedElsewhere(qint64 n);
    void afterWrite(qint64 n, const RecordFile::Result& r);

    Program& m_p;
    std::vector<QString> m_names;      // by student number 0..5000, trimmed
    std::vector<QString> m_nameFields; // the same followed by full-width spaces, six characters
    std::vector<QString> m_grades;     // by student number 0..5000
    QStringList m_comboItems;
    std::vector<Row> m_rows;
    QByteArray m_listed; // the whole records the list was built from
    int m_numberWidth = 4;
    QString m_countLabel;
    int m_selectedRow = -1;
    qint64 m_opened = 0;      // record number opened by the double-click
    QByteArray m_openedBytes; // its bytes as read, so a change or erase meets that record only
    QByteArray m_schoolField; // schoolCode as the five bytes a record holds
    mutable QHash<qint64, QString> m_dates; // formatted dates by day number
};

} // namespace kz
