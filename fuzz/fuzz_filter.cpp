// Dataset filter expressions as an operator or a screen may type them: parsed, bound strictly
// and loosely to a dataset with a field of every kind (nulls included), and applied.
// A malformed filter is an EDatabaseError, nothing else; a filter never shows more records
// than there are, and the loose binding never shows a record the strict one would hide.

#include "fuzzsupport.h"
#include "platform/datasetfilter.h"
#include "platform/edatabaseerror.h"
#include "platform/filterparser.h"
#include "platform/tclientdataset.h"

using namespace dieta;

namespace {

DataPacket kindsPacket() {
    DataPacket packet;
    packet.fields = {{"CDPACIENTE", FieldKind::String, 12}, {"DTSERVINTE", FieldKind::Date},
                     {"DTINTERNA", FieldKind::DateTime},    {"QTPRATCONF", FieldKind::Float},
                     {"NRLEITO", FieldKind::Integer},       {"IDESCOLHA", FieldKind::Boolean}};
    const QDate day(2026, 12, 7);
    packet.rows = {
        {QString("P1"), day, QDateTime(day, QTime(10, 30)), 1.5, qint64(101), true},
        {QString(""), day.addDays(-1), QDateTime(day, QTime(0, 0)), 0.0, qint64(-3), false},
        {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()},
        {QString("O'Brien"), QDate(1900, 1, 1), QDateTime(QDate(2100, 12, 31), QTime(23, 59)),
         -1e300, qint64(9007199254740993LL), true},
    };
    return packet;
}

// The records the filter shows, or -1 when the dataset refuses the filter.
int shown(TClientDataSet& ds, const QString& filter) {
    try {
        ds.SetFiltered(false);
        ds.SetFilter(filter);
        ds.SetFiltered(true);
        int count = 0;
        for (ds.First(); !ds.Eof(); ds.Next())
            ++count;
        fuzz::require(count == ds.RecordCount(), "the cursor and the record count differ");
        return count;
    } catch (const EDatabaseError&) {
        return -1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ensureApplication();
    const QString filter = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    bool parsed = true;
    try {
        parseFilter(filter);
    } catch (const EDatabaseError&) {
        parsed = false;
    }
    static TClientDataSet ds;
    static const bool loaded = [] {
        ds.SetData(kindsPacket());
        return true;
    }();
    (void)loaded;
    const int strict = shown(ds, filter);
    fuzz::require(strict <= int(kindsPacket().rows.size()), "more records than there are");
    if (!parsed)
        fuzz::require(strict == -1, "the dataset takes a filter the parser refuses");
    if (parsed) {
        DataSetFilter loose(filter);
        loose.bind(ds, false);
        const DataPacket packet = kindsPacket();
        int looseCount = 0;
        for (const Row& row : packet.rows)
            looseCount += loose.matches(row) ? 1 : 0;
        if (strict >= 0)
            fuzz::require(looseCount == strict, "strict and loose bindings disagree");
    }
    return 0;
}
