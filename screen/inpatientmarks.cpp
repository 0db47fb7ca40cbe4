#include "screen/inpatientmarks.h"

#include "platform/tclientdataset.h"
#include "platform/tfield.h"

#include <QSet>

namespace dieta::Cli_zfa13000 {

namespace {

const QString kMarked = QStringLiteral("S");
const QString kUnmarked = QStringLiteral("N");

// A record left in edit by a failure would reach the toolbar as an operator's edit once the
// controls are enabled again: it is cancelled.
void cancelPendingEdit(TClientDataSet* ds) {
    if (ds->State() == dsEdit || ds->State() == dsInsert)
        ds->Cancel();
}

} // namespace

InpatientMarks::InpatientMarks(TClientDataSet* list, TClientDataSet* copies, QStringList* codes)
    : m_list(list), m_copies(copies), m_codes(codes) {}

QString InpatientMarks::currentPatient() const {
    return m_list->FieldByName(u"CDPACIENTE")->AsString();
}

bool InpatientMarks::currentMarked() const {
    return m_list->FieldByName(u"IDCHECK")->AsString() == kMarked;
}

bool InpatientMarks::markCurrent() {
    const QString patient = currentPatient();
    if (m_codes->contains(patient, Qt::CaseInsensitive))
        return false;
    addMark(patient);
    return true;
}

void InpatientMarks::addMark(const QString& patient) {
    copyCurrent();
    m_codes->append(patient);
    m_list->FieldByName(u"IDCHECK")->SetAsString(kMarked);
}

void InpatientMarks::unmarkCurrent() {
    const QString patient = currentPatient();
    m_list->FieldByName(u"IDCHECK")->SetAsString(kUnmarked);
    removeCode(patient);
    removeCopy(patient);
}

bool InpatientMarks::toggleCurrent() {
    if (currentMarked()) {
        unmarkCurrent();
        return true;
    }
    return markCurrent();
}

void InpatientMarks::markOrUnmarkAll() {
    // Unmarked codes and their copies go in one pass each at the end, also after a failure:
    // one at a time, each looked up among all the others, the cost grew with the square of
    // the records.
    QSet<QString> unmarked;
    try {
        m_list->First();
        const bool markAll = m_list->FieldByName(u"IDCHECKTODOS")->AsString() == kMarked;
        const QString nextToggle = markAll ? kUnmarked : kMarked;
        // The marked codes, case aside, looked up once per record.
        QSet<QString> marked;
        for (const QString& code : std::as_const(*m_codes))
            marked.insert(code.toCaseFolded());
        while (!m_list->Eof()) {
            m_list->Edit();
            m_list->FieldByName(u"IDCHECKTODOS")->SetAsString(nextToggle);
            const QString patient = currentPatient();
            if (!markAll) {
                m_list->FieldByName(u"IDCHECK")->SetAsString(kUnmarked);
                unmarked.insert(patient.toCaseFolded());
            } else if (!marked.contains(patient.toCaseFolded())) {
                // A code marked on another record keeps that mark.
                addMark(patient);
                marked.insert(patient.toCaseFolded());
            }
            m_list->Post();
            m_list->Next();
        }
        m_list->First();
    } catch (...) {
        cancelPendingEdit(m_list);
        forget(unmarked);
        throw;
    }
    forget(unmarked);
}

void InpatientMarks::forget(const QSet<QString>& patients) {
    if (patients.isEmpty())
        return;
    m_codes->removeIf(
        [&patients](const QString& code) { return patients.contains(code.toCaseFolded()); });
    if (!m_copies->Active())
        return;
    const TField* code = m_copies->FieldByName(u"CDPACIENTE");
    const TField* mark = m_copies->FieldByName(u"IDCHECK");
    m_copies->First();
    while (!m_copies->Eof()) {
        if (mark->AsString().compare(kMarked, Qt::CaseInsensitive) == 0 &&
            patients.contains(code->AsString().toCaseFolded()))
            m_copies->Delete(); // the cursor moves on to the next copy
        else
            m_copies->Next();
    }
}

void InpatientMarks::clear() {
    m_codes->clear();
    if (m_copies->Active())
        m_copies->EmptyDataSet();
}

void InpatientMarks::followCancelledRecord() {
    // A patient and companion share a code and one mark: the code stays marked while any
    // record of it shows the mark, whichever record's edit was cancelled.
    const QString patient = currentPatient();
    const int markedRow = markedRowOf(patient);
    if (markedRow < 0) {
        removeCode(patient);
        removeCopy(patient);
        return;
    }
    if (!m_codes->contains(patient, Qt::CaseInsensitive))
        m_codes->append(patient);
    if (!hasCopy(patient))
        m_list->WithRow(markedRow, [this] { copyCurrent(); });
}

int InpatientMarks::markedRowOf(const QString& patient) const {
    const TField* code = m_list->FieldByName(u"CDPACIENTE");
    const TField* mark = m_list->FieldByName(u"IDCHECK");
    for (int row = 0; row < m_list->ViewCount(); ++row) {
        if (m_list->RowValue(row, mark).toString() == kMarked &&
            m_list->RowValue(row, code).toString().compare(patient, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

bool InpatientMarks::hasCopy(const QString& patient) {
    return m_copies->Active() &&
           m_copies->Locate(QStringLiteral("CDPACIENTE;IDCHECK"), QVariantList{patient, kMarked},
                            loCaseInsensitive);
}

void InpatientMarks::removeCode(const QString& patient) {
    m_codes->removeIf([&patient](const QString& code) {
        return code.compare(patient, Qt::CaseInsensitive) == 0;
    });
}

void InpatientMarks::copyCurrent() {
    m_copies->Append();
    try {
        const int count = std::min(m_list->FieldCount(), m_copies->FieldCount());
        for (int i = 0; i < count; ++i)
            m_copies->Fields(i)->SetValue(m_list->Fields(i)->Value());
        m_copies->FieldByName(u"IDCHECK")->SetAsString(kMarked);
        m_copies->Post();
    } catch (...) {
        cancelPendingEdit(m_copies);
        throw;
    }
}

void InpatientMarks::removeCopy(const QString& patient) {
    while (hasCopy(patient))
        m_copies->Delete();
}

} // namespace dieta::Cli_zfa13000
