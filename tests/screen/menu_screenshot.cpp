// Saves pictures of the "Cardápio" page on demo data: a menu diet with some dishes ticked, and
// a formula diet with its consumption times. Run under a real display (xvfb-run -a).
//   menu_screenshot docs/menu-page.png docs/formula-page.png

#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/menutestsupport.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QStackedWidget>
#include <cstdio>

using dieta::test::ContAlimentarProbe;

using namespace dieta;
using namespace dieta::test;

namespace {

bool shoot(ScreenFixture& fx, const QString& output) {
    // grab() paints synchronously: only what is still posted (layouts, updates) must run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (!fx.mainWindow().grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return false;
    }
    std::printf("%s\n", qPrintable(output));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString menu = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "menu-page.png";
    const QString formula = argc > 2 ? QString::fromLocal8Bit(argv[2]) : "formula-page.png";
    ScreenFixture fx;
    if (!fx.ok()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(fx.error()));
        return 1;
    }
    fx.mainWindow().resize(1100, 560);
    TfrmContAlimentar* loaded = loadList(fx);
    if (!loaded || !goToPatientWithRecord(loaded, 0)) {
        std::fprintf(stderr, "no list loaded\n");
        return 1;
    }
    const ContAlimentarProbe form = loaded;
    form->subWindow()->showMaximized();
    saveDiet(form, "0009", "3", "9003");
    openMenuPage(form);
    TClientDataSet* c = form->cdsConfesco;
    TColumn& chosen = form->dbgDieta->Column(Consiste::IndiceCol(form->dbgDieta, "IDESCOCONF"));
    selectColumn(form->dbgDieta, "IDESCOCONF");
    for (int row : {1, 3, 4}) {
        if (row >= c->RecordCount())
            break;
        c->SetRecNo(row + 1);
        if (field(c, "IDESCOCONF") != QLatin1String("S"))
            form->dbgDietaCellClick(chosen);
        form->sbtConfirmar->click();
    }
    c->First();
    if (!shoot(fx, menu))
        return 1;

    // A fresh screen for the formula diet.
    fx.closeScreen();
    TfrmContAlimentar* reloaded = loadList(fx);
    if (!reloaded || !goToPatientWithRecord(reloaded, 1))
        return 1;
    const ContAlimentarProbe second = reloaded;
    second->subWindow()->showMaximized();
    saveDiet(second, "0011", "1");
    openMenuPage(second);
    second->cdsConfesco->First();
    return shoot(fx, formula) ? 0 : 1;
}
