#include "platform/tdatasource.h"

namespace dieta {

TDataSource::TDataSource(QObject* parent) : QObject(parent) {}

TDataSource::~TDataSource() {
    if (m_dataSet)
        m_dataSet->detachSource(this);
}

void TDataSource::SetDataSet(TClientDataSet* dataSet) {
    if (m_dataSet == dataSet)
        return;
    if (m_dataSet)
        m_dataSet->detachSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->attachSource(this);
    emit dataSetChanged();
    updateState();
}

void TDataSource::SetEnabled(bool enabled) {
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit dataSetChanged();
    updateState();
}

void TDataSource::updateState() {
    TDataSetState state = dsInactive;
    if (m_enabled && m_dataSet) {
        state = m_dataSet->m_state; // the cursor's state, not a calculation in progress
    }
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged();
    if (OnStateChange)
        OnStateChange(this);
}

void TDataSource::datasetChanged() {
    if (!m_enabled)
        return;
    emit dataSetChanged();
    if (OnDataChange && m_state != dsInactive)
        OnDataChange(this, nullptr);
}

void TDataSource::datasetRecordChanged(int row) {
    if (!m_enabled)
        return;
    emit recordChanged(row);
    if (OnDataChange && m_state != dsInactive)
        OnDataChange(this, nullptr);
}

void TDataSource::datasetScrolled() {
    if (!m_enabled)
        return;
    emit scrolled();
    if (OnDataChange && m_state != dsInactive)
        OnDataChange(this, nullptr);
}

void TDataSource::datasetDestroyed() {
    m_dataSet = nullptr;
    emit dataSetChanged();
    updateState();
}

} // namespace dieta
