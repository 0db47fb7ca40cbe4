// Saves a picture of the inpatient grid on demo data, with a few patients marked and the
// restriction and print pictures drawn: run under a real display (xvfb-run -a).
//   grid_screenshot docs/grid.png

#include "framework/consistegrid.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/tclientdataset.h"
#include "screen/Cli_zfa13000.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/screenfixture.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QTest>
#include <cstdio>

using dieta::test::ContAlimentarProbe;

using namespace dieta;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("grid.png");
    test::ScreenFixture fx;
    if (!fx.ok()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(fx.error()));
        return 1;
    }
    fx.mainWindow().resize(1100, 560);
    Cli_zfa13000::TfrmContAlimentar* opened = fx.openScreen();
    if (!opened)
        return 1;
    const ContAlimentarProbe form = opened;
    form->subWindow()->showMaximized();
    fx.enterPanel(form->medCdServico);
    fx.leavePanel();
    if (!form->cdsInternacao->Active() || form->cdsInternacao->IsEmpty()) {
        std::fprintf(stderr, "no list loaded\n");
        return 1;
    }
    TColumn& check = form->dbgPadrao->Column(Consiste::IndiceCol(form->dbgPadrao, "IDCHECK"));
    for (int row : {0, 2, 3, 6}) {
        if (row >= form->cdsInternacao->RecordCount())
            break;
        form->cdsInternacao->SetRecNo(row + 1);
        form->dbgPadrao->SetSelectedIndex(Consiste::IndiceCol(form->dbgPadrao, "IDCHECK"));
        form->dbgPadraoCellClick(check);
    }
    form->cdsInternacao->SetRecNo(4);
    form->dbgPadrao->SetSelectedIndex(Consiste::IndiceCol(form->dbgPadrao, "CDDIETPAD"));
    form->dbgPadrao->setFocus();
    // grab() paints synchronously: only what is still posted (layouts, updates) must run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (!fx.mainWindow().grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
