// Saves a picture of the "Cardápio" page right after the restriction check: the dishes that
// conflict with the patient's restrictions or medicines carry the restriction picture. Run under
// a real display (xvfb-run -a).
//   restricao_screenshot docs/restricao-check.png

#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/menutestsupport.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPixmap>
#include <cstdio>

using dieta::test::ContAlimentarProbe;

using namespace dieta;
using namespace dieta::test;

namespace {

// The listed patient whose day has the most restricted dishes.
bool goToMostRestricted(ScreenFixture& fx, ContAlimentarProbe form) {
    TClientDataSet* list = form->cdsInternacao;
    int best = 0;
    QVariantList bestKey;
    for (list->First(); !list->Eof(); list->Next()) {
        if (field(list, "STPACIACOM") != QLatin1String("0"))
            continue;
        const int marked =
            dbRow(fx,
                  "SELECT COUNT(*) FROM CONFESCO WHERE IDRESTCONF = '1' AND CDPACIENTE = ? AND "
                  "NRSEQUSERV = ? AND DTSERVINTE = ?",
                  {field(list, "CDPACIENTE"), field(list, "NRSEQUSERV"), ScreenFixture::today()})
                .value(0)
                .toInt();
        if (marked > best) {
            best = marked;
            bestKey = {field(list, "CDPACIENTE"), field(list, "NRSEQUSERV")};
        }
    }
    if (best == 0)
        return false;
    const bool found = list->Locate("CDPACIENTE;NRSEQUSERV", bestKey);
    return found;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "restricao-check.png";
    ScreenFixture fx;
    if (!fx.ok()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(fx.error()));
        return 1;
    }
    fx.mainWindow().resize(1100, 560);
    TfrmContAlimentar* loaded = loadList(fx);
    if (!loaded) {
        std::fprintf(stderr, "no list loaded\n");
        return 1;
    }
    const ContAlimentarProbe form = loaded;
    // Maximised first: the focus moves around while the window settles.
    form->subWindow()->showMaximized();
    QCoreApplication::processEvents();
    if (!goToMostRestricted(fx, form)) {
        std::fprintf(stderr, "no patient with restricted dishes\n");
        return 1;
    }
    // The marks come from the check itself, not from the demo data.
    fx.exec("UPDATE CONFESCO SET IDRESTCONF = '0'");
    openMenuPage(form);
    form->sbtRestricao->click();
    if (!fx.dialogs().texts().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(fx.dialogs().texts().join('\n')));
        return 1;
    }
    form->cdsConfesco->First();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (!fx.mainWindow().grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
