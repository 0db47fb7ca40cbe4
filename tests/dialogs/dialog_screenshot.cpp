// Saves pictures of the two diet dialogs on demo data: the diet dialog with a quantity diet's
// menu (some dishes ticked, quantities and a remark typed) and the add/duplicate dialog filled
// in. Run under a real display (xvfb-run -a).
//   dialog_screenshot docs/dieta-dialog.png docs/acresdup-dialog.png

#include "dialogs/Cli_zfa13020.h"
#include "dialogs/Cli_zfa13050.h"
#include "framework/tnumberedit.h"
#include "framework/tradiogroup.h"
#include "tests/dialogs/dialogsupport.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <cstdio>

using namespace dieta;
using namespace dieta::test;

namespace {

bool shoot(QWidget& window, const QString& output) {
    // grab() paints synchronously: only what is still posted must run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (!window.grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return false;
    }
    std::printf("%s\n", qPrintable(output));
    return true;
}

// The quantity diet's menu with a few dishes chosen by quantity and a remark.
void fillMenu(Cli_zfa13020::TfrmDietaContAlimentar& dialog) {
    TClientDataSet* menu = dialog.cdsConfescoDieta;
    const struct {
        int row;
        double quantity;
        const char* remark;
    } choices[] = {{0, 1, nullptr}, {1, 2, "sem açúcar"}, {3, 1, nullptr}, {5, 1, "bem cozido"}};
    for (const auto& choice : choices) {
        if (choice.row >= menu->RecordCount())
            break;
        menu->SetRecNo(choice.row + 1);
        menu->Edit();
        menu->FieldByName(u"QTPRATCONF")->SetAsFloat(choice.quantity);
        if (choice.remark)
            menu->FieldByName(u"DSOBSCONF")->SetAsString(QString::fromUtf8(choice.remark));
        menu->Post();
    }
    menu->First();
    dialog.dbgConfesco->setFocus();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString diet = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "dieta-dialog.png";
    const QString dup = argc > 2 ? QString::fromLocal8Bit(argv[2]) : "acresdup-dialog.png";
    ScreenFixture fx;
    if (!fx.ok()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(fx.error()));
        return 1;
    }
    MainScreen screen = openList(fx, QStringLiteral("00010"));
    const int row = screen.form ? patientRow(screen, [](int) { return true; }) : -1;
    if (row < 0) {
        std::fprintf(stderr, "no list loaded\n");
        return 1;
    }
    screen.form->subWindow()->showMaximized();
    markRow(screen, row);

    auto dialog = showDialog<Cli_zfa13020::TfrmDietaContAlimentar>(screen);
    focusOn(dialog->medDieta);
    dialog->medDieta->setText(QStringLiteral("9"));
    focusOn(dialog->rgpPaciente);
    fillMenu(*dialog);
    if (!fx.dialogs().texts().isEmpty() || !shoot(*dialog, diet))
        return 1;
    dialog.reset();

    auto duplicate = showDialog<Cli_zfa13050::TfrmAcresDupDieta>(screen);
    focusOn(duplicate->medDieta);
    duplicate->medDieta->setText(QStringLiteral("1"));
    focusOn(duplicate->nedQuant);
    duplicate->nedQuant->setText(QStringLiteral("2"));
    return fx.dialogs().texts().isEmpty() && shoot(*duplicate, dup) ? 0 : 1;
}
