// Saves pictures of the filter window and of the copy window on demo data, each as the
// operator sees it in use: run under a real display (xvfb-run -a).
//   windows_screenshot docs/filtro-window.png docs/copconf-dialog.png [copying.png]
// The third picture, when asked for, is the copy window while it copies (its question box
// answered No).

#include "dialogs/Cli_zfa13010.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdateeditplus.h"
#include "tests/views/windowsupport.h"
#include "views/Cli_zfa13100.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPixmap>
#include <QRadioButton>
#include <QToolButton>
#include <cstdio>

using namespace dieta;
using namespace dieta::test;

namespace {

bool save(QWidget& window, const QString& path) {
    // grab() paints synchronously: only what is still posted must run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (window.grab().save(path)) {
        std::printf("%s\n", qPrintable(path));
        return true;
    }
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// Grabs the window at the moment a message is asked, then answers as scripted.
class GrabbingDialogs : public ScriptedDialogs {
public:
    QWidget* window = nullptr;
    QString path;
    bool saved = false;
    int message(MsgKind kind, const QString& text, QWidget* parent) override {
        if (window && !path.isEmpty())
            saved = save(*window, path);
        return ScriptedDialogs::message(kind, text, parent);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString filtro = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "filtro-window.png";
    const QString copia = argc > 2 ? QString::fromLocal8Bit(argv[2]) : "copconf-dialog.png";
    ScreenFixture fx;
    if (!fx.ok()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(fx.error()));
        return 1;
    }
    QWidget* form = openWithList(fx);
    if (!form) {
        std::fprintf(stderr, "no list loaded\n");
        return 1;
    }
    bool saved = false;

    // The filter: the first floor picked, the adults only.
    whileShown<Cli_zfa13100::TfrmFiltro>(fx, [&](Cli_zfa13100::TfrmFiltro& f) {
        f.rbtAndarLista->click();
        fx.dialogs().answerDialog(pickCodes({"01"}));
        f.sbtAndar->click();
        f.chbTodos->click();
        f.cbbTipo->setCurrentIndex(3);
        saved = save(f, filtro);
    });
    part<QToolButton>(form, "sbtFiltro")->click();
    if (!saved)
        return 1;

    // The copy: tomorrow lacks the menus of a service, listed below the options.
    fx.exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00010' AND "
            "DTCOMPCARD = ?",
            {ScreenFixture::today().addDays(1)});
    saved = false;
    whileShown<Cli_zfa13010::TfrmCopConf>(fx, [&](Cli_zfa13010::TfrmCopConf& f) {
        f.depDestino->SetDate(ScreenFixture::today().addDays(1));
        f.rbtLAndar->click();
        fx.dialogs().answerDialog(pickCodes({"01"}));
        f.sbtAndar->click();
        f.sbtConfirma->click();
        saved = f.height() == Cli_zfa13010::kAlturaErro && save(f, copia);
    });
    part<QToolButton>(form, "sbtCopConf")->click();
    if (!saved || argc < 4)
        return saved ? 0 : 1;

    // While copying onto today, which has diets: the question comes with the panel showing.
    GrabbingDialogs grabbing;
    grabbing.path = QString::fromLocal8Bit(argv[3]);
    whileShown<Cli_zfa13010::TfrmCopConf>(fx, [&](Cli_zfa13010::TfrmCopConf& f) {
        ScopedDialogService scope(grabbing);
        grabbing.window = &f;
        grabbing.answer(mrNo);
        f.sbtConfirma->click();
    });
    part<QToolButton>(form, "sbtCopConf")->click();
    return grabbing.saved ? 0 : 1;
}
