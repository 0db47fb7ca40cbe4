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
    m_codes->removeAll(patient);
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
            if (markAll) {
                // A code marked on another record keeps that mark.
                const QString patient = currentPatient();
                if (!marked.contains(patient.toCaseFolded())) {
                    addMark(patient);
                    marked.insert(patient.toCaseFolded());
                }
            } else {
                unmarkCurrent();
            }
            m_list->Post();
            m_list->Next();
        }
        m_list->First();
    } catch (...) {
        cancelPendingEdit(m_list);
        throw;
    }
}

void InpatientMarks::clear() {
    m_codes->clear();
    if (m_copies->Active())
        m_copies->EmptyDataSet();
}

void InpatientMarks::followCancelledRecord() {
    const QString patient = currentPatient();
    const bool marked = currentMarked();
    const bool noCopies = !m_copies->Active() || m_copies->IsEmpty();
    if (!marked && !noCopies) {
        m_codes->removeAll(patient);
        removeCopy(patient);
    } else if (marked && noCopies) {
        if (!m_codes->contains(patient))
            m_codes->append(patient);
        m_copies->Append();
        for (int i = 0; i < m_list->FieldCount(); ++i)
            m_copies->Fields(i)->SetValue(m_list->Fields(i)->Value());
        m_copies->Post();
    }
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
    if (m_copies->Locate(QStringLiteral("CDPACIENTE;IDCHECK"), QVariantList{patient, kMarked},
                         loCaseInsensitive))
        m_copies->Delete();
}

} // namespace dieta::Cli_zfa13000
