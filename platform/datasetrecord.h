#pragma once
// One record of a client dataset, shared by the dataset and its parts (change log, index).

#include "platform/datapacket.h"

#include <memory>
#include <vector>

namespace dieta {

// Gaps between data-order keys, so that an insert between two records rarely renumbers.
constexpr qint64 recordOrderGap = qint64(1) << 20;

struct DataSetRecord {
    enum class Log { None, Inserted, Modified };

    quint64 id = 0;   // bookmark
    qint64 order = 0; // data order
    Row values;       // data fields
    Row calc;         // calculated fields
    bool calcValid = false;
    Log log = Log::None;
    Row original;       // values at the last merge, for a logged modification or deletion
    quint64 logSeq = 0; // when it was logged: the delta lists changes in the order made
};

using DataSetRecords = std::vector<std::unique_ptr<DataSetRecord>>;

} // namespace dieta
