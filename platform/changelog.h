#pragma once
// The changes to a dataset's records since the last merge. An inserted or modified record
// carries its mark (a modified one also its original values) on itself; a deleted record
// leaves the data and is kept here with its original values. A record inserted and deleted
// again between two merges drops out: the server never knew it.

#include "platform/datapacket.h"
#include "platform/datasetrecord.h"
#include "platform/platform_export.h"

namespace dieta {

class PLATFORM_EXPORT ChangeLog {
public:
    ChangeLog();
    ~ChangeLog();
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;

    // Forgets the deleted records (the data is being replaced or emptied).
    void clear();

    // A new record posted.
    void logInsert(DataSetRecord& record);
    // A posted edit: the first change since the merge keeps `before` as the original values.
    void logEdit(DataSetRecord& record, const Row& before);
    // A record taken out of the data.
    void logDelete(std::unique_ptr<DataSetRecord> record);

    int count(const DataSetRecords& records) const;
    // The change packet, in the order the changes were made. A record in edit (`editing`)
    // counts with its posted values `postedValues`.
    DataPacket delta(const DataSetRecords& records, const QList<FieldDef>& fields,
                     const DataSetRecord* editing, const Row& postedValues) const;
    // The current data becomes the original: no change is left.
    void merge(const DataSetRecords& records);
    // Back to the data of the last merge: inserted records go, modified ones get their
    // original values, deleted ones come back; `records` ends in data order.
    void cancel(DataSetRecords& records);

private:
    DataSetRecords m_deleted;
    quint64 m_nextSeq = 1;
};

} // namespace dieta
