// Data packets of the inpatient list (1,000 rows): encode, decode, and load into the dataset
// the screen uses (fields defined in code, index on the bed), beside a bare JSON parse. The zone
// file is read once, as the host reads it: otherwise every date converted stats the file.
#include "platform/datapacket.h"
#include "platform/localtimezone.h"
#include "platform/tclientdataset.h"
#include "platform/wirebytes.h"
#include "platform/wirevalue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <benchmark/benchmark.h>

using namespace dieta;

namespace {

struct ColumnShape {
    const char* name;
    FieldKind kind;
    int size;
    bool calculated = false;
};

// The inpatient list in its field order, calculated fields included.
const ColumnShape inpatientFields[] = {
    {"NMPACIENTE", FieldKind::String, 80},      {"CDPACIENTE", FieldKind::String, 12},
    {"DTALTA", FieldKind::DateTime, 0},         {"DTINTERNA", FieldKind::DateTime, 0},
    {"CDSERPADDIE", FieldKind::String, 3},      {"CDLEITO", FieldKind::String, 12},
    {"DiagInter", FieldKind::String, 70, true}, {"NMLEITO", FieldKind::String, 40},
    {"NMSERPADDIE", FieldKind::String, 30},     {"DTNASCPACI", FieldKind::DateTime, 0},
    {"CDDIETPAD", FieldKind::String, 4},        {"DSDIETPAD", FieldKind::String, 50},
    {"CDFILIAL", FieldKind::String, 4},         {"CDSERVFILI", FieldKind::String, 5},
    {"DTSERVINTE", FieldKind::DateTime, 0},     {"STPACIACOM", FieldKind::String, 1},
    {"DSPRESMEDI", FieldKind::String, 40},      {"IDCHECK", FieldKind::String, 1},
    {"Idade", FieldKind::String, 10, true},     {"NRSEQUSERV", FieldKind::String, 2},
    {"IDFORMDIET", FieldKind::String, 1},       {"IDRESTSERIN", FieldKind::String, 1},
    {"IDIMPRSERV", FieldKind::String, 1},       {"CDDIETGRUP", FieldKind::String, 4},
    {"IDCHECKTODOS", FieldKind::String, 1},     {"DSSERVINTE", FieldKind::String, 255},
};

QVariant sampleValue(const ColumnShape& shape, int row) {
    switch (shape.kind) {
    case FieldKind::DateTime:
        if (QByteArray(shape.name) == "DTALTA")
            return row % 3 == 0 ? QVariant() : QVariant(QDateTime(QDate(2026, 12, 9), QTime()));
        if (QByteArray(shape.name) == "DTNASCPACI")
            return QDateTime(QDate(1940, 1, 1).addDays(row * 17), QTime(0, 0));
        return QDateTime(QDate(2026, 12, 7).addDays(-(row % 20)), QTime(8 + row % 10, 15, 0));
    case FieldKind::String: {
        const QString base = QString::fromUtf8("%1 Conceição %2").arg(shape.name).arg(row);
        return shape.size > 0 ? base.left(shape.size) : base;
    }
    default:
        return row;
    }
}

DataPacket inpatientPacket(int rows) {
    DataPacket packet;
    for (const ColumnShape& shape : inpatientFields)
        if (!shape.calculated)
            packet.fields.append({shape.name, shape.kind, shape.size});
    for (int r = 0; r < rows; ++r) {
        Row row;
        for (const ColumnShape& shape : inpatientFields)
            if (!shape.calculated)
                row.append(sampleValue(shape, (r * 7919) % rows)); // beds out of order
        packet.rows.append(row);
    }
    return packet;
}

void defineInpatientList(TClientDataSet& ds) {
    for (const ColumnShape& shape : inpatientFields) {
        if (shape.calculated)
            ds.AddCalcField(shape.name, shape.kind, shape.size);
        else
            ds.AddField(shape.name, shape.kind, shape.size);
    }
    ds.AddIndex("Ordena", "CDLEITO");
    ds.SetIndexName("Ordena");
}

const DataPacket& packet() {
    static const DataPacket p = inpatientPacket(1000);
    return p;
}

const QByteArray& bytes() {
    static const QByteArray b = packet().toJsonBytes();
    return b;
}

void BM_RawJsonParse(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(bytes()));
    state.SetBytesProcessed(state.iterations() * bytes().size());
}

void BM_Encode(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(packet().toJsonBytes());
    state.SetBytesProcessed(state.iterations() * bytes().size());
}

void BM_Decode(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(DataPacket::fromJsonBytes(bytes()));
    state.SetBytesProcessed(state.iterations() * bytes().size());
}

void BM_SetData(benchmark::State& state) {
    TClientDataSet ds;
    defineInpatientList(ds);
    int calcs = 0;
    ds.OnCalcFields = [&](TClientDataSet*) { ++calcs; };
    for (auto _ : state)
        ds.SetData(packet());
    state.counters["calcs"] = double(calcs) / double(state.iterations());
}

void BM_DecodeAndSetData(benchmark::State& state) {
    TClientDataSet ds;
    defineInpatientList(ds);
    for (auto _ : state) {
        const auto decoded = DataPacket::fromJsonBytes(bytes());
        ds.SetData(*decoded);
    }
    state.SetBytesProcessed(state.iterations() * bytes().size());
}

// The client's road of an answer: the result's bytes, {"packet":P}, read in place by the
// packet's own reader (the connection cuts them out of the body), then the dataset.
const QByteArray& resultBytes() {
    static const QByteArray b = toWireBytes(fromPacket(packet()));
    return b;
}

void BM_ClientAnswerLoad(benchmark::State& state) {
    TClientDataSet ds;
    defineInpatientList(ds);
    for (auto _ : state) {
        const std::optional<QVariant> value = fromWireBytes(resultBytes());
        if (!value || !isPacket(*value)) {
            state.SkipWithError("the result was not read as a packet");
            return;
        }
        ds.SetData(toPacket(*value));
    }
    state.SetBytesProcessed(state.iterations() * resultBytes().size());
}

// The general road, which answers of any other shape take: the whole body parsed into a tree,
// the packet taken from it.
const QByteArray& answerBytes() {
    static const QByteArray b =
        QJsonDocument(QJsonObject{{QStringLiteral("result"), toWire(fromPacket(packet()))}})
            .toJson(QJsonDocument::Compact);
    return b;
}

void BM_AnswerDecodeAndSetData(benchmark::State& state) {
    TClientDataSet ds;
    defineInpatientList(ds);
    for (auto _ : state) {
        const QJsonDocument document = QJsonDocument::fromJson(answerBytes());
        const auto value = fromWire(document.object().value(QStringLiteral("result")));
        ds.SetData(toPacket(*value));
    }
    state.SetBytesProcessed(state.iterations() * answerBytes().size());
}

} // namespace

BENCHMARK(BM_RawJsonParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndSetData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnswerDecodeAndSetData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientAnswerLoad)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    readLocalTimeZoneOnce();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
