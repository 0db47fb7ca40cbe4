#pragma once
// A data packet's rows as a dataset's records: each data field filled from its packet column,
// the value adapted to the field's kind, a text checked against the field's size.

#include "platform/datapacket.h"
#include "platform/datasetrecord.h"

#include <vector>

namespace dieta {

class TField;

class PacketRecords {
public:
    // For data fields defined in code: the packet column of each field, by name. EDatabaseError
    // when one is missing from the packet or of a kind the field cannot take.
    static std::vector<int> columnsOf(const std::vector<TField*>& fields, const DataPacket& packet,
                                      const QString& dataSetName);

    // columnOf: the packet column of each field.
    PacketRecords(const DataPacket& packet, const std::vector<TField*>& fields,
                  std::vector<int> columnOf);

    // The records in packet order, with ids from *nextId on and room for calcCount calculated
    // values. EDatabaseError for a row of the wrong width or a text longer than its field.
    DataSetRecords build(qsizetype calcCount, quint64* nextId) const;

private:
    Row valuesOf(const Row& row) const;
    void checkSizes(const Row& values) const;

    const DataPacket& m_packet;
    const std::vector<TField*>& m_fields;
    std::vector<int> m_columnOf;
    bool m_identity = true;    // the packet's rows are the records' values as they are
    std::vector<bool> m_adapt; // per field: the packet's kind differs
    std::vector<int> m_limit;  // per field: the size to check (0: none)
};

} // namespace dieta
