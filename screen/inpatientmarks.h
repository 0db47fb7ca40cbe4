#pragma once
// The marks of the inpatient list. A mark lives in three places that must agree: the record's
// IDCHECK ("S" marked, "N" not), the patient code in the code list (stlCheck) and a copy of
// the record in the marked-rows dataset (cdsInterAux), which goes to the server with the
// writing calls. This class is the only code that changes them, so they change together.
//
// Marking edits the list's current record but never posts it: the caller owns the edit.

#include <QSet>
#include <QString>
#include <QStringList>

namespace dieta {
class TClientDataSet;
}

namespace dieta::Cli_zfa13000 {

class InpatientMarks {
public:
    // The datasets and the code list belong to the screen and outlive this object.
    InpatientMarks(TClientDataSet* list, TClientDataSet* copies, QStringList* codes);

    // Code of the list's current record.
    QString currentPatient() const;
    bool currentMarked() const;
    // Number of marked patient codes.
    qsizetype count() const { return m_codes->size(); }

    // The current record (in edit or insert) gets the mark. Answers false, changing nothing,
    // when its code is marked on another record.
    bool markCurrent();
    void unmarkCurrent();
    // Flips the mark of the current record; false when a mark was refused (as markCurrent).
    bool toggleCurrent();
    // Marks every record of the list, or unmarks them all: the list's IDCHECKTODOS flag says
    // which, and is flipped on every record. Leaves the list on its first record.
    void markOrUnmarkAll();
    // A fresh list: no code, no copy.
    void clear();
    // After the current record's edit was cancelled, brings the code list and the copies back
    // in step with the marks the list shows again: one code and one copy per marked code.
    void followCancelledRecord();

private:
    void addMark(const QString& patient);
    void copyCurrent();
    void removeCopy(const QString& patient);
    void removeCode(const QString& patient);
    bool hasCopy(const QString& patient);
    // Removes the codes and the marked copies of the patients (case-folded codes).
    void forget(const QSet<QString>& patients);
    // View row of a record of the code that shows the mark; -1 when none does.
    int markedRowOf(const QString& patient) const;

    TClientDataSet* m_list;
    TClientDataSet* m_copies;
    QStringList* m_codes;
};

} // namespace dieta::Cli_zfa13000
