// Click-to-paint of the inpatient list on the real screen in the real host's main window: the
// operator leaves the selection panel for the list (the list of a service of 1,000 stays), and
// the time runs until the grid has painted the loaded rows. Beside it, in the same run, its
// floor: the same call through the same connection, its packet parsed, and a plain QTableView
// over the same rows painting them. Reports the median and 95th percentile of 30 loads, and the
// process's CPU time per load (the client and the in-process server's threads).

#include "bench/cputime.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "host/mainwindow.h"
#include "platform/datapacket.h"
#include "platform/localtimezone.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "screen/Cli_zfa13000.h"
#include "tests/support/hostenvironment.h"
#include "tests/support/screenpackets.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>

using namespace dieta;

namespace {

constexpr int kStays = 1000;

// 30 loads; DIETA_BENCH_LOADS raises it for a profile of the loads alone.
int loadCount() {
    const int asked = qEnvironmentVariableIntValue("DIETA_BENCH_LOADS");
    return asked > 0 ? asked : 30;
}

// Counts the paint events of a widget.
class PaintProbe : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class PacketModel : public QAbstractTableModel {
public:
    void setPacket(DataPacket packet) {
        beginResetModel();
        packet_ = std::move(packet);
        endResetModel();
    }
    int rowCount(const QModelIndex&) const override { return int(packet_.rows.size()); }
    int columnCount(const QModelIndex&) const override { return int(packet_.fields.size()); }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return packet_.rows.at(index.row()).at(index.column());
    }

private:
    DataPacket packet_;
};

// Runs the events until the widget has painted after `before` paints.
void untilPainted(const PaintProbe& probe, int before) {
    while (probe.paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void reportLatencies(benchmark::State& state, std::vector<double>& millis, int rows,
                     double cpuMillis) {
    std::sort(millis.begin(), millis.end());
    if (millis.empty())
        return;
    state.counters["cpu_ms"] = cpuMillis / double(millis.size());
    state.counters["p50_ms"] = millis[millis.size() / 2];
    state.counters["p95_ms"] = millis[std::min(millis.size() - 1, millis.size() * 95 / 100)];
    state.counters["rows"] = rows;
}

// Moves kStays stays of branch 0001 active today into the service.
void concentrate(test::HostEnvironment& environment, const QString& service) {
    QSqlDatabase conn = environment.server().database().connection();
    QSqlQuery stays =
        execSql(conn,
                QStringLiteral("SELECT CDPACIENTE FROM INTERNA WHERE CDFILIAL = '0001'"
                               " AND DTINTERNA <= :D AND (DTALTA IS NULL OR DTALTA"
                               " >= :D) ORDER BY CDPACIENTE"),
                {{QStringLiteral("D"), test::HostEnvironment::today()}});
    QStringList patients;
    while (stays.next() && patients.size() < kStays)
        patients.append(stays.value(0).toString());
    SqlStatement move(conn, QStringLiteral("UPDATE INTERNA SET CDSERVFILI = :S WHERE CDFILIAL ="
                                           " '0001' AND CDPACIENTE = :P"));
    move.bind(QStringLiteral("S"), service);
    for (const QString& patient : patients) {
        move.bind(QStringLiteral("P"), patient);
        move.exec();
    }
}

struct Screen {
    test::HostEnvironment environment{kStays * 9 / 8 + 20};
    host::MainWindow window{host::HostSettings{}};
    QWidget* form = nullptr;
    TMaskEdit* service = nullptr;
    TDBGrid* grid = nullptr;
    TClientDataSet* list = nullptr;

    bool open() {
        if (!environment.ok())
            return false;
        window.show();
        Cli_zfa13000::CriaContAlim();
        form = window.findChild<QWidget*>("frmContAlimentar");
        if (!form || !QTest::qWaitFor([] { return !Cli_zfa13000::boPriVez; }, 5000))
            return false;
        service = form->findChild<TMaskEdit*>("medCdServico");
        grid = form->findChild<TDBGrid*>("dbgPadrao");
        list = form->findChild<TClientDataSet*>("cdsInternacao");
        concentrate(environment, service->Text().trimmed());
        return true;
    }
};

void BM_ClickToPaint(benchmark::State& state) {
    Screen screen;
    if (!screen.open()) {
        state.SkipWithError("the screen did not open");
        return;
    }
    PaintProbe probe;
    screen.grid->viewport()->installEventFilter(&probe);
    std::vector<double> millis;
    double cpu = 0;
    int rows = 0;
    for (auto _ : state) {
        for (int i = 0, loads = loadCount(); i < loads; ++i) {
            screen.service->setFocus(Qt::MouseFocusReason); // back to the selection panel
            settle();
            const int before = probe.paints;
            QElapsedTimer timer;
            const double cpuStart = bench::processCpuMillis();
            timer.start();
            screen.grid->setFocus(Qt::MouseFocusReason);
            untilPainted(probe, before);
            millis.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu += bench::processCpuMillis() - cpuStart;
            rows = screen.list->RecordCount();
            settle();
        }
    }
    reportLatencies(state, millis, rows, cpu);
    screen.form->close();
}

void BM_ClickToPaint_floor(benchmark::State& state) {
    Screen screen;
    if (!screen.open()) {
        state.SkipWithError("the screen did not open");
        return;
    }
    const QVariantList args{fromPacket(test::listParams(
        QStringLiteral("0001"), screen.service->Text().trimmed(), test::HostEnvironment::today()))};
    auto net = screen.environment.server().connect(QStringLiteral("NUTRI01"));
    PacketModel model;
    // A window of its own, the grid's size: a child of the host's window laid over the screen
    // made every paint of the view repaint the screen's widgets beneath it as well.
    QTableView view;
    view.resize(screen.grid->size());
    view.setModel(&model);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        state.SkipWithError("the plain view was not shown");
        return;
    }
    PaintProbe probe;
    view.viewport()->installEventFilter(&probe);
    std::vector<double> millis;
    double cpu = 0;
    int rows = 0;
    for (auto _ : state) {
        for (int i = 0, loads = loadCount(); i < loads; ++i) {
            model.setPacket({});
            settle();
            const int before = probe.paints;
            QElapsedTimer timer;
            const double cpuStart = bench::processCpuMillis();
            timer.start();
            model.setPacket(toPacket(net->call(QStringLiteral("GetInternacao"), args)));
            untilPainted(probe, before);
            millis.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu += bench::processCpuMillis() - cpuStart;
            rows = model.rowCount({});
            settle();
        }
    }
    reportLatencies(state, millis, rows, cpu);
    screen.form->close();
}

} // namespace

int main(int argc, char** argv) {
    dieta::readLocalTimeZoneOnce(); // as the host does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("ClickToPaint", BM_ClickToPaint)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark("ClickToPaint_floor", BM_ClickToPaint_floor)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
