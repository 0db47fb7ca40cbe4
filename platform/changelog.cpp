#include "platform/changelog.h"

#include <algorithm>

namespace dieta {
namespace {

void forget(DataSetRecord& record) {
    record.log = DataSetRecord::Log::None;
    record.original.clear();
}

Change changeOf(const DataSetRecord& record, bool deleted, const Row& values) {
    Change change;
    if (deleted) {
        change.status = Change::Status::Deleted;
        change.original = record.original;
    } else if (record.log == DataSetRecord::Log::Inserted) {
        change.status = Change::Status::Inserted;
        change.row = values;
    } else {
        change.status = Change::Status::Modified;
        change.row = values;
        change.original = record.original;
    }
    return change;
}

} // namespace

ChangeLog::ChangeLog() = default;
ChangeLog::~ChangeLog() = default;

void ChangeLog::clear() {
    m_deleted.clear();
}

void ChangeLog::logInsert(DataSetRecord& record) {
    record.log = DataSetRecord::Log::Inserted;
    record.logSeq = m_nextSeq++;
}

void ChangeLog::logEdit(DataSetRecord& record, const Row& before) {
    if (record.log != DataSetRecord::Log::None || record.values == before)
        return;
    record.log = DataSetRecord::Log::Modified;
    record.original = before;
    record.logSeq = m_nextSeq++;
}

void ChangeLog::logDelete(std::unique_ptr<DataSetRecord> record) {
    if (record->log == DataSetRecord::Log::Inserted)
        return;
    if (record->log == DataSetRecord::Log::None)
        record->original = record->values;
    record->log = DataSetRecord::Log::None;
    record->logSeq = m_nextSeq++;
    m_deleted.push_back(std::move(record));
}

int ChangeLog::count(const DataSetRecords& records) const {
    return int(m_deleted.size()) +
           int(std::count_if(records.begin(), records.end(), [](const auto& record) {
               return record->log != DataSetRecord::Log::None;
           }));
}

DataPacket ChangeLog::delta(const DataSetRecords& records, const QList<FieldDef>& fields,
                            const DataSetRecord* editing, const Row& postedValues) const {
    struct Logged {
        const DataSetRecord* record;
        bool deleted;
    };
    std::vector<Logged> logged;
    for (const auto& record : records)
        if (record->log != DataSetRecord::Log::None)
            logged.push_back({record.get(), false});
    for (const auto& record : m_deleted)
        logged.push_back({record.get(), true});
    std::sort(logged.begin(), logged.end(),
              [](const Logged& a, const Logged& b) { return a.record->logSeq < b.record->logSeq; });

    DataPacket packet;
    packet.fields = fields;
    packet.changeLog = true;
    packet.changes.reserve(qsizetype(logged.size()));
    for (const Logged& entry : logged) {
        const Row& values = entry.record == editing ? postedValues : entry.record->values;
        packet.changes.append(changeOf(*entry.record, entry.deleted, values));
    }
    return packet;
}

void ChangeLog::merge(const DataSetRecords& records) {
    for (const auto& record : records)
        forget(*record);
    m_deleted.clear();
}

void ChangeLog::cancel(DataSetRecords& records) {
    DataSetRecords kept;
    kept.reserve(records.size() + m_deleted.size());
    for (auto& record : records) {
        if (record->log == DataSetRecord::Log::Inserted)
            continue;
        if (record->log == DataSetRecord::Log::Modified)
            record->values = record->original;
        kept.push_back(std::move(record));
    }
    for (auto& record : m_deleted) {
        record->values = record->original;
        kept.push_back(std::move(record));
    }
    m_deleted.clear();
    for (auto& record : kept) {
        forget(*record);
        record->calcValid = false;
    }
    std::sort(kept.begin(), kept.end(),
              [](const auto& a, const auto& b) { return a->order < b->order; });
    records = std::move(kept);
}

} // namespace dieta
