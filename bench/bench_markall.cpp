// Mark all and unmark all (a click on the mark column's title) on an inpatient list of 1,000
// records, on the real screen: painting frozen, controls disabled, every record edited and
// posted with its copy in cdsInterAux. One iteration is two clicks. Goal: under 50 ms per
// click.

#include "framework/consistegrid.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/datapacket.h"
#include "platform/tclientdataset.h"
#include "screen/Cli_zfa13000.h"
#include "tests/screen/screenfixture.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace dieta;

namespace {

constexpr int kRecords = 1000;

// The loaded list's records repeated up to kRecords, each with its own patient and bed.
DataPacket thousandRecords(const DataPacket& loaded) {
    DataPacket packet;
    packet.fields = loaded.fields;
    const int patient = packet.fieldIndex(u"CDPACIENTE");
    const int bed = packet.fieldIndex(u"CDLEITO");
    for (int i = 0; i < kRecords; ++i) {
        Row row = loaded.rows.at(i % loaded.rows.size());
        row[patient] = QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0'));
        row[bed] = QStringLiteral("L%1").arg(i, 5, 10, QLatin1Char('0'));
        packet.rows.append(row);
    }
    return packet;
}

void BM_MarkAllThenUnmarkAll(benchmark::State& state) {
    test::ScreenFixture fx;
    if (!fx.ok()) {
        state.SkipWithError(qPrintable(fx.error()));
        return;
    }
    Cli_zfa13000::TfrmContAlimentar* form = fx.openScreen();
    fx.enterPanel(form->medCdServico);
    fx.leavePanel();
    if (!form->cdsInternacao->Active() || form->cdsInternacao->IsEmpty()) {
        state.SkipWithError("no list loaded");
        return;
    }
    form->dbgPadrao->DetachDataSource();
    form->cdsInternacao->SetData(thousandRecords(form->cdsInternacao->Data()));
    form->cdsInternacao->First();
    form->dbgPadrao->AttachDataSource();
    TColumn& check = form->dbgPadrao->Column(Consiste::IndiceCol(form->dbgPadrao, "IDCHECK"));
    for (auto _ : state) {
        form->dbgPadraoTitleClick(check); // mark all
        if (Cli_zfa13000::stlCheck->size() != kRecords)
            state.SkipWithError("not every record was marked");
        form->dbgPadraoTitleClick(check); // unmark all
    }
}
BENCHMARK(BM_MarkAllThenUnmarkAll)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
