// Mark all and unmark all (a click on the mark column's title) on an inpatient list of 1,000
// records, on the real screen in the real host's main window: painting frozen, controls
// disabled, every record edited and posted with its copy in cdsInterAux. One iteration is two
// clicks; a click's time runs until the events it left (the grid's repaint) have been handled.
// Reports the mean and the longest click, and the process's CPU time a click. Goal: under 50 ms
// a click.

#include "bench/cputime.h"
#include "framework/consistegrid.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "host/mainwindow.h"
#include "platform/datapacket.h"
#include "platform/localtimezone.h"
#include "platform/tclientdataset.h"
#include "screen/Cli_zfa13000.h"
#include "tests/support/hostenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <numeric>
#include <vector>

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

// Opens the screen as the host's menu does and loads the list of the first service, the way
// the operator does: through the selection panel and out of it into the list.
QWidget* openWithList(host::MainWindow& window) {
    Cli_zfa13000::CriaContAlim();
    QWidget* form = window.findChild<QWidget*>("frmContAlimentar");
    if (!form || !QTest::qWaitFor([] { return !Cli_zfa13000::boPriVez; }, 5000))
        return nullptr;
    form->findChild<TMaskEdit*>("medCdServico")->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    form->findChild<TDBGrid*>("dbgPadrao")->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    return form;
}

void BM_MarkAllThenUnmarkAll(benchmark::State& state) {
    test::HostEnvironment environment;
    if (!environment.ok()) {
        state.SkipWithError(qPrintable(environment.error()));
        return;
    }
    host::MainWindow window(host::HostSettings{});
    window.show();
    QWidget* form = openWithList(window);
    if (!form) {
        state.SkipWithError("the screen did not open");
        return;
    }
    auto* list = form->findChild<TClientDataSet*>("cdsInternacao");
    auto* marks = form->findChild<TClientDataSet*>("cdsInterAux");
    auto* grid = form->findChild<TDBGrid*>("dbgPadrao");
    if (!list->Active() || list->IsEmpty()) {
        state.SkipWithError("no list loaded");
        return;
    }
    grid->DetachDataSource();
    list->SetData(thousandRecords(list->Data()));
    list->First();
    grid->AttachDataSource();
    TColumn& check = grid->Column(Consiste::IndiceCol(grid, "IDCHECK"));
    std::vector<double> clicks;
    double cpu = 0;
    const auto click = [&] {
        QElapsedTimer timer;
        const double cpuStart = bench::processCpuMillis();
        timer.start();
        grid->OnTitleClick(check);
        QCoreApplication::processEvents();
        clicks.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu += bench::processCpuMillis() - cpuStart;
    };
    for (auto _ : state) {
        click(); // mark all
        if (marks->RecordCount() != kRecords)
            state.SkipWithError("not every record was marked");
        click(); // unmark all
        if (marks->RecordCount() != 0)
            state.SkipWithError("a mark was left");
    }
    if (!clicks.empty()) {
        state.counters["click_ms"] =
            std::accumulate(clicks.begin(), clicks.end(), 0.0) / double(clicks.size());
        state.counters["click_max_ms"] = *std::max_element(clicks.begin(), clicks.end());
        state.counters["cpu_ms"] = cpu / double(clicks.size());
    }
    form->close();
}
BENCHMARK(BM_MarkAllThenUnmarkAll)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    dieta::readLocalTimeZoneOnce(); // as the host does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
