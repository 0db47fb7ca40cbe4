// The guard around Qt entry points: silent abort, reported failures, nothing crosses Qt.
#include "framework/abortguard.h"
#include "framework/scripteddialogs.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <stdexcept>

using namespace dieta;

class tst_AbortGuard : public QObject {
    Q_OBJECT

private slots:
    void abortIsSilent();
    void otherExceptionsAreReported();
    void reportingInsideACatchIsSilentForAnAbort();
    void guardedSignalsPassArgumentsAndSwallow();
    void exceptionFromTimerDoesNotCrossTheLoop();
    void guardedFilterAnswersFailureValue();
};

void tst_AbortGuard::abortIsSilent() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    bool after = false;
    QCOMPARE(runGuarded([&] {
                 Abort();
                 after = true;
             }),
             GuardOutcome::Aborted);
    QVERIFY(!after);
    QVERIFY(script.asked.isEmpty());
    QCOMPARE(runGuarded([] {}), GuardOutcome::Completed);
}

void tst_AbortGuard::otherExceptionsAreReported() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    QCOMPARE(runGuarded([] { throw std::runtime_error("Falha na gravação"); }),
             GuardOutcome::Failed);
    QCOMPARE(runGuarded([] { throw 42; }), GuardOutcome::Failed);
    QCOMPARE(runGuarded([] { throw std::runtime_error(""); }), GuardOutcome::Failed);
    QCOMPARE(script.texts(),
             QStringList({"Falha na gravação", "Erro inesperado.", "Erro inesperado."}));
    QCOMPARE(script.asked.first().kind, MsgKind::Error);
}

void tst_AbortGuard::reportingInsideACatchIsSilentForAnAbort() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    try {
        Abort();
    } catch (...) {
        reportCurrentException();
    }
    QVERIFY(script.asked.isEmpty());
    // The next real error is shown with its own text, nothing left over from the abort.
    try {
        throw std::runtime_error("Servidor indisponível");
    } catch (...) {
        reportCurrentException();
    }
    QCOMPARE(script.texts(), QStringList{"Servidor indisponível"});
    QCOMPARE(script.asked.first().kind, MsgKind::Error);
}

void tst_AbortGuard::guardedSignalsPassArgumentsAndSwallow() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    QLineEdit edit;
    QStringList seen;
    int calls = 0;
    connectGuarded(&edit, &QLineEdit::textChanged, this, [&](const QString& text) {
        seen << text;
        if (text == "x")
            Abort();
        if (text == "y")
            throw std::runtime_error("Valor inválido");
    });
    connectGuarded(&edit, &QLineEdit::textChanged, this, [&] { ++calls; });
    edit.setText("a");
    edit.setText("x");
    edit.setText("y");
    QCOMPARE(seen, QStringList({"a", "x", "y"}));
    QCOMPARE(calls, 3); // a failing slot does not stop the others
    QCOMPARE(script.texts(), QStringList({"Valor inválido"}));
}

void tst_AbortGuard::exceptionFromTimerDoesNotCrossTheLoop() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    QTimer timer;
    timer.setSingleShot(true);
    bool ran = false;
    connectGuarded(&timer, &QTimer::timeout, this, [&] {
        ran = true;
        throw std::logic_error("Erro no temporizador");
    });
    timer.start(0);
    QTRY_VERIFY(ran);
    QCOMPARE(script.texts(), QStringList({"Erro no temporizador"}));
}

void tst_AbortGuard::guardedFilterAnswersFailureValue() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    QCOMPARE(guardedFilter([] { return true; }), true);
    QCOMPARE(guardedFilter([]() -> bool { Abort(); }), false);
    QCOMPARE(guardedFilter([]() -> bool { Abort(); }, true), true);

    QLineEdit edit;
    int filtered = 0;
    installGuardedFilter(&edit, [&](QObject*, QEvent* event) {
        if (event->type() != QEvent::KeyPress)
            return false;
        ++filtered;
        throw std::runtime_error("Falha no filtro");
    });
    QTest::keyClick(&edit, Qt::Key_A);
    QCOMPARE(filtered, 1);
    QCOMPARE(edit.text(), QString("a")); // a failed filter lets the event through
    QCOMPARE(script.texts(), QStringList({"Falha no filtro"}));
}

QTEST_MAIN(tst_AbortGuard)
#include "tst_abortguard.moc"
