#pragma once
// Link between a dataset and its controls. OnStateChange runs when the state the source sees
// changes (not while the dataset's controls are disabled); detach it by setting nullptr.
// Qt signals carry the same news to models and grids, before the handler runs.

#include "platform/platform_export.h"
#include "platform/tclientdataset.h"

#include <QObject>
#include <QPointer>
#include <functional>

namespace dieta {

class PLATFORM_EXPORT TDataSource : public QObject {
    Q_OBJECT

public:
    using NotifyEvent = std::function<void(TDataSource* sender)>;
    using DataChangeEvent = std::function<void(TDataSource* sender, TField* field)>;

    explicit TDataSource(QObject* parent = nullptr);
    ~TDataSource() override;

    TClientDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TClientDataSet* dataSet);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // The state as the controls see it: dsInactive when disabled or without a dataset.
    TDataSetState State() const { return m_state; }

    NotifyEvent OnStateChange;
    DataChangeEvent OnDataChange; // record or dataset changed, cursor moved (field: nullptr)

signals:
    void stateChanged();
    void dataSetChanged(); // everything may have changed (also a new DataSet or Enabled)
    void recordChanged(int row);
    void scrolled();

private:
    friend class TClientDataSet;
    void updateState();
    void datasetChanged();
    void datasetRecordChanged(int row);
    void datasetScrolled();
    void datasetDestroyed();

    QPointer<TClientDataSet> m_dataSet;
    bool m_enabled = true;
    TDataSetState m_state = dsInactive;
};

} // namespace dieta
