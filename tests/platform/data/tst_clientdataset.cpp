// TClientDataSet: event order and aborts, controls disabled, calculated fields, index order,
// filters, locate, change log, field values and persistence.
#include "datasetfixture.h"
#include "platform/disposer.h"
#include "platform/eabort.h"
#include "platform/tdatasource.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <thread>
#include <vector>

using namespace dieta;
using dieta::test::column;
using dieta::test::inpatients;

namespace {

// Records every event of a dataset in order, and the state changes its data source reports.
struct EventLog {
    QStringList events;
    int stateChanges = 0;

    void watch(TClientDataSet& ds, TDataSource& source) {
        const auto on = [this](const char* name) {
            return [this, name](TClientDataSet*) { events.append(QString::fromLatin1(name)); };
        };
        ds.BeforeInsert = on("BeforeInsert");
        ds.OnNewRecord = on("OnNewRecord");
        ds.AfterInsert = on("AfterInsert");
        ds.BeforeEdit = on("BeforeEdit");
        ds.AfterEdit = on("AfterEdit");
        ds.BeforePost = on("BeforePost");
        ds.AfterPost = on("AfterPost");
        ds.BeforeCancel = on("BeforeCancel");
        ds.AfterCancel = on("AfterCancel");
        ds.BeforeDelete = on("BeforeDelete");
        ds.AfterDelete = on("AfterDelete");
        ds.AfterOpen = on("AfterOpen");
        ds.BeforeScroll = on("BeforeScroll");
        ds.AfterScroll = on("AfterScroll");
        source.SetDataSet(&ds);
        source.OnStateChange = [this](TDataSource*) { ++stateChanges; };
    }
    QStringList take() { return std::exchange(events, {}); }
};

} // namespace

class tst_ClientDataSet : public QObject {
    Q_OBJECT

private slots:
    void openingFiresAfterOpenThenAfterScroll() {
        TClientDataSet ds;
        TDataSource source;
        EventLog log;
        log.watch(ds, source);
        ds.SetData(inpatients());
        QCOMPARE(log.take(), QStringList({"AfterOpen", "AfterScroll"}));
        QCOMPARE(ds.State(), dsBrowse);
        QCOMPARE(source.State(), dsBrowse);
        QCOMPARE(log.stateChanges, 1);
        QCOMPARE(ds.RecNo(), 1);
        QVERIFY(ds.Bof());
        QVERIFY(!ds.Eof());

        ds.First(); // no move, still a scroll
        QCOMPARE(log.take(), QStringList({"BeforeScroll", "AfterScroll"}));

        // A reload is a state change too: closed, then browse again.
        ds.SetData(inpatients());
        QCOMPARE(log.take(), QStringList({"AfterOpen", "AfterScroll"}));
        QCOMPARE(log.stateChanges, 3);

        ds.Close();
        QCOMPARE(source.State(), dsInactive);
        QCOMPARE(ds.RecordCount(), 0);
    }

    void editingEventOrder() {
        TClientDataSet ds;
        TDataSource source;
        EventLog log;
        log.watch(ds, source);
        ds.SetData(inpatients());
        log.take();

        ds.Edit();
        QCOMPARE(ds.State(), dsEdit);
        ds.FieldByName(u"NMPACIENTE")->SetAsString("Outra");
        ds.Post();
        QCOMPARE(log.take(), QStringList({"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));
        QCOMPARE(log.stateChanges, 3); // browse, edit, browse

        ds.Append();
        QCOMPARE(log.take(), QStringList({"BeforeInsert", "BeforeScroll", "OnNewRecord",
                                          "AfterInsert", "AfterScroll"}));
        QCOMPARE(ds.RecordCount(), 4); // the new record counts once posted
        ds.Cancel();
        QCOMPARE(log.take(),
                 QStringList({"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}));
        QCOMPARE(ds.RecordCount(), 4);

        ds.Last();
        log.take();
        ds.Delete();
        QCOMPARE(log.take(),
                 QStringList({"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
        QCOMPARE(ds.RecordCount(), 3);
        QCOMPARE(ds.RecNo(), 3);

        // Edit of an empty dataset inserts.
        ds.EmptyDataSet();
        ds.Edit();
        QCOMPARE(ds.State(), dsInsert);
    }

    void abortInBeforeEventLeavesDataSetAsItWas_data() {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("operation");
        QTest::newRow("insert") << "BeforeInsert"
                                << "Insert";
        QTest::newRow("append scroll") << "BeforeScroll"
                                       << "Append";
        QTest::newRow("edit") << "BeforeEdit"
                              << "Edit";
        QTest::newRow("post") << "BeforePost"
                              << "Post";
        QTest::newRow("post on scroll") << "BeforePost"
                                        << "Next";
        QTest::newRow("post on locate") << "BeforePost"
                                        << "Locate";
        QTest::newRow("post on first") << "BeforePost"
                                       << "First";
        QTest::newRow("delete") << "BeforeDelete"
                                << "Delete";
        QTest::newRow("scroll") << "BeforeScroll"
                                << "Next";
        QTest::newRow("cancel") << "BeforeCancel"
                                << "Cancel";
    }

    void abortInBeforeEventLeavesDataSetAsItWas() {
        QFETCH(QString, event);
        QFETCH(QString, operation);
        TClientDataSet ds;
        ds.SetData(inpatients());
        ds.Next();
        const bool editFirst = event == "BeforePost" || event == "BeforeCancel";
        if (editFirst) {
            ds.Edit();
            ds.FieldByName(u"NMPACIENTE")->SetAsString("Alterado");
        }
        const auto abort = [](TClientDataSet*) { throw EAbort{}; };
        std::map<QString, TClientDataSet::DataSetEvent*> events = {
            {"BeforeInsert", &ds.BeforeInsert}, {"BeforeEdit", &ds.BeforeEdit},
            {"BeforePost", &ds.BeforePost},     {"BeforeDelete", &ds.BeforeDelete},
            {"BeforeScroll", &ds.BeforeScroll}, {"BeforeCancel", &ds.BeforeCancel},
            {"OnNewRecord", &ds.OnNewRecord}};
        *events.at(event) = abort;
        const TDataSetState state = ds.State();
        const int recNo = ds.RecNo();
        const int count = ds.RecordCount();
        const QStringList names = column(ds, "NMPACIENTE");
        const int changes = ds.ChangeCount();

        bool aborted = false;
        try {
            if (operation == "Insert")
                ds.Insert();
            else if (operation == "Append")
                ds.Append();
            else if (operation == "Edit")
                ds.Edit();
            else if (operation == "Post")
                ds.Post();
            else if (operation == "Next")
                ds.Next();
            else if (operation == "Locate")
                ds.Locate("CDPACIENTE", "P4");
            else if (operation == "First")
                ds.First();
            else if (operation == "Delete")
                ds.Delete();
            else if (operation == "Cancel")
                ds.Cancel();
        } catch (const EAbort&) {
            aborted = true;
        }
        QVERIFY(aborted);
        QCOMPARE(ds.State(), state);
        QCOMPARE(ds.RecNo(), recNo);
        QCOMPARE(ds.RecordCount(), count);
        QCOMPARE(column(ds, "NMPACIENTE"), names);
        QCOMPARE(ds.ChangeCount(), changes);
        if (editFirst)
            QCOMPARE(ds.FieldByName(u"NMPACIENTE")->AsString(), QString("Alterado"));
    }

    void leavingARecordPostsAndCloseDoesNot() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        int posts = 0;
        ds.BeforePost = [&](TClientDataSet*) { ++posts; };
        ds.Edit();
        ds.FieldByName(u"NMPACIENTE")->SetAsString("Novo");
        ds.Next();
        QCOMPARE(posts, 1);
        QCOMPARE(ds.State(), dsBrowse);
        QCOMPARE(ds.RecNo(), 2);
        QCOMPARE(column(ds, "NMPACIENTE").first(), QString("Novo"));

        // A record left without a change is cancelled, not posted.
        int cancels = 0;
        ds.AfterCancel = [&](TClientDataSet*) { ++cancels; };
        ds.Edit();
        ds.Next();
        QCOMPARE(posts, 1);
        QCOMPARE(cancels, 1);

        ds.Edit();
        ds.FieldByName(u"NMPACIENTE")->SetAsString("Perdido");
        ds.Close();
        QCOMPARE(posts, 1);
        QCOMPARE(ds.State(), dsInactive);
    }

    void disabledControlsSilenceSourcesButNotEvents() {
        TClientDataSet ds;
        ds.AddField("CDPACIENTE", FieldKind::String, 12);
        ds.AddField("IDCHECK", FieldKind::String, 1);
        ds.AddCalcField("MARCA", FieldKind::String, 10);
        TDataSource source;
        EventLog log;
        log.watch(ds, source);
        int calcs = 0;
        ds.OnCalcFields = [&](TClientDataSet* d) {
            ++calcs;
            d->FieldByName(u"MARCA")->SetAsString(d->FieldByName(u"IDCHECK")->AsString());
        };
        ds.CreateDataSet();
        for (const char* code : {"P1", "P2", "P3"}) {
            ds.Append();
            ds.FieldByName(u"CDPACIENTE")->SetAsString(code);
            ds.Post();
        }
        log.take();
        const int statesBefore = log.stateChanges;
        QSignalSpy resets(&source, &TDataSource::dataSetChanged);
        QSignalSpy records(&source, &TDataSource::recordChanged);
        QSignalSpy scrolls(&source, &TDataSource::scrolled);

        ds.DisableControls();
        ds.DisableControls(); // nested
        ds.First();
        calcs = 0;
        while (!ds.Eof()) {
            ds.Edit();
            ds.FieldByName(u"IDCHECK")->SetAsString("S");
            ds.Post();
            ds.Next();
        }
        ds.EnableControls();
        QCOMPARE(log.stateChanges, statesBefore);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(records.count(), 0);
        QCOMPARE(scrolls.count(), 0);
        QCOMPARE(log.events.count("BeforePost"), 3);
        QCOMPARE(log.events.count("AfterPost"), 3);
        QCOMPARE(log.events.count("AfterScroll"), 4);
        QVERIFY(calcs >= 3);
        QCOMPARE(ds.FieldByName(u"MARCA")->AsString(), QString("S"));

        ds.EnableControls();                      // the outer one tells the controls once
        QCOMPARE(log.stateChanges, statesBefore); // browse before, browse after
        QCOMPARE(resets.count(), 1);

        // Enabled again: edits reach the source.
        ds.Edit();
        QCOMPARE(log.stateChanges, statesBefore + 1);
        ds.EnableControls(); // unbalanced call is harmless
        ds.Cancel();

        // A detached handler is not called.
        source.OnStateChange = nullptr;
        ds.Edit();
        ds.Cancel();
        QCOMPARE(log.stateChanges, statesBefore + 2);
    }

    void calculatedFieldsPerRecordOnRead() {
        TClientDataSet diagnoses;
        diagnoses.AddField("CDPACIENTE", FieldKind::String, 12);
        diagnoses.AddField("NMDIAGNOST", FieldKind::String, 250);
        diagnoses.CreateDataSet();

        TClientDataSet ds;
        ds.AddCalcField("DiagInter", FieldKind::String, 12);
        int calcs = 0;
        ds.OnCalcFields = [&](TClientDataSet* d) {
            ++calcs;
            diagnoses.SetFiltered(false);
            diagnoses.SetFilter("CDPACIENTE = " +
                                QuotedStr(d->FieldByName(u"CDPACIENTE")->AsString()));
            diagnoses.SetFiltered(true);
            QString text;
            for (diagnoses.First(); !diagnoses.Eof(); diagnoses.Next())
                text = text.isEmpty()
                           ? diagnoses.FieldByName(u"NMDIAGNOST")->AsString()
                           : text + " / " + diagnoses.FieldByName(u"NMDIAGNOST")->AsString();
            d->FieldByName(u"DiagInter")->SetAsString(text); // cut to the field's size
        };
        ds.SetData(inpatients());
        QCOMPARE(calcs, 1); // the current record only, not every record at load
        QCOMPARE(ds.FieldByName(u"DiagInter")->AsString(), QString());

        // The diagnoses arrive after the list: recompute on demand.
        diagnoses.SetFiltered(false);
        for (const auto& [code, name] :
             {std::pair{"P3", "Gripe"}, {"P1", "Asma"}, {"P3", "Diabetes mellitus"}}) {
            diagnoses.Append();
            diagnoses.FieldByName(u"CDPACIENTE")->SetAsString(code);
            diagnoses.FieldByName(u"NMDIAGNOST")->SetAsString(name);
            diagnoses.Post();
        }
        ds.RefreshCalcFields();
        QCOMPARE(ds.FieldByName(u"DiagInter")->AsString(), QString("Gripe / Diab"));
        calcs = 0;
        ds.FieldByName(u"DiagInter")->AsString(); // cached
        QCOMPARE(calcs, 0);
        QCOMPARE(ds.RowValue(1, ds.FieldByName(u"DiagInter")).toString(), QString("Asma"));
        QCOMPARE(calcs, 1);

        // Changing the record invalidates its cache.
        ds.Edit();
        ds.FieldByName(u"CDPACIENTE")->SetAsString("P1");
        QCOMPARE(ds.FieldByName(u"DiagInter")->AsString(), QString("Asma"));
        ds.Cancel();
        QCOMPARE(ds.FieldByName(u"DiagInter")->AsString(), QString("Gripe / Diab"));
        QCOMPARE(ds.State(), dsBrowse);

        // Data fields cannot be written while calculating.
        ds.OnCalcFields = [](TClientDataSet* d) {
            d->FieldByName(u"NMPACIENTE")->SetAsString("x");
        };
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.RefreshCalcFields());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.RowValue(2, ds.FieldByName(u"DiagInter")));
        QCOMPARE(column(ds, "NMPACIENTE").at(2), QString("O'Brien"));
    }

    void indexKeepsOrderAfterPosts() {
        TClientDataSet ds;
        ds.AddIndex("Ordena", "CDLEITO");
        ds.SetIndexName("Ordena");
        ds.SetData(inpatients());
        QCOMPARE(column(ds, "CDLEITO"), QStringList({"101", "102", "103", "104"}));

        ds.Locate("CDPACIENTE", "P1");
        ds.Edit();
        ds.FieldByName(u"CDLEITO")->SetAsString("103A");
        ds.Post();
        QCOMPARE(column(ds, "CDLEITO"), QStringList({"102", "103", "103A", "104"}));
        QCOMPARE(ds.FieldByName(u"CDPACIENTE")->AsString(), QString("P1")); // cursor followed
        QCOMPARE(ds.RecNo(), 3);

        ds.First();
        ds.Insert();
        ds.FieldByName(u"CDPACIENTE")->SetAsString("P9");
        ds.FieldByName(u"CDLEITO")->SetAsString("999");
        QCOMPARE(ds.RecNo(), 1); // shown where it was inserted until posted
        ds.Post();
        QCOMPARE(column(ds, "CDLEITO"), QStringList({"102", "103", "103A", "104", "999"}));
        QCOMPARE(ds.RecNo(), 5);

        // Data keeps data order (the insert went before the then current P2); removing the
        // index gives that order back.
        QCOMPARE(ds.Data().rows[2].first().toString(), QString("P9"));
        ds.SetIndexFieldNames("");
        QCOMPARE(column(ds, "CDPACIENTE"), QStringList({"P3", "P1", "P9", "P2", "P4"}));
        QCOMPARE(ds.FieldByName(u"CDPACIENTE")->AsString(), QString("P9"));

        ds.SetIndexFieldNames("STPACIACOM;NMPACIENTE");
        QCOMPARE(column(ds, "CDPACIENTE"), QStringList({"P9", "P4", "P1", "P3", "P2"}));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.SetIndexFieldNames("NADA"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.SetIndexName("Outro"));
    }

    void textIndexesSortInPortuguese() {
        TClientDataSet ds;
        ds.AddField("NMMEDICAMENT", FieldKind::String, 40);
        ds.AddIndex("Ordena", "NMMEDICAMENT");
        ds.SetIndexName("Ordena");
        ds.CreateDataSet();
        for (const char* name : {"Varfarina", "Óleo mineral", "Zinco", "Ácido fólico",
                                 "amoxicilina", "Omeprazol", "Éter", "Espironolactona"}) {
            ds.Append();
            ds.FieldByName(u"NMMEDICAMENT")->SetAsString(QString::fromUtf8(name));
            ds.Post();
        }
        QCOMPARE(column(ds, "NMMEDICAMENT"),
                 QStringList({"Ácido fólico", "amoxicilina", "Espironolactona", "Éter",
                              "Óleo mineral", "Omeprazol", "Varfarina", "Zinco"}));
        // Equal texts still locate exactly: the accent and the case count.
        QVERIFY(ds.Locate("NMMEDICAMENT", "Éter"));
        QVERIFY(!ds.Locate("NMMEDICAMENT", "Eter"));
    }

    void filterForms_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("one term") << "CDPACIENTE = 'P1'" << QStringList{"P1"};
        QTest::newRow("and without blank")
            << "CDPACIENTE = 'P3'AND DTINTERNA = '07/12/2026'" << QStringList{"P3"};
        QTest::newRow("date other day")
            << "CDPACIENTE = 'P3' AND DTINTERNA = '06/12/2026'" << QStringList{};
        QTest::newRow("doubled quote") << "NMPACIENTE = 'O''Brien'" << QStringList{"P2"};
        QTest::newRow("lower case and")
            << "stpaciacom = '0' and QTPRATCONF > 1" << QStringList{"P1", "P4"};
        QTest::newRow("number") << "QTPRATCONF = 3,5" << QStringList{};
        QTest::newRow("quoted number") << "QTPRATCONF = '3,5'" << QStringList{"P4"};
        QTest::newRow("not equal") << "STPACIACOM <> '0'" << QStringList{"P2"};
        QTest::newRow("parentheses")
            << "(CDLEITO >= '102') AND (CDLEITO < '104')" << QStringList{"P3", "P2"};
        QTest::newRow("empty text") << "CDPACIENTE = ''" << QStringList{};
    }

    void filterForms() {
        QFETCH(QString, filter);
        QFETCH(QStringList, codes);
        TClientDataSet ds;
        ds.SetData(inpatients());
        if (filter == "QTPRATCONF = 3,5") {
            QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.SetFilter(filter));
            return;
        }
        ds.SetFilter(filter);
        ds.SetFiltered(true);
        QCOMPARE(column(ds, "CDPACIENTE"), codes);
        QCOMPARE(ds.RecordCount(), codes.size());
        ds.SetFiltered(false);
        QCOMPARE(ds.RecordCount(), 4);
    }

    void filterOnTextDateAndMalformedFilters() {
        // Admission dates as text in the short date format, as the diagnoses carry them.
        TClientDataSet ds;
        ds.AddField("CDPACIENTE", FieldKind::String, 12);
        ds.AddField("DTINTERNA", FieldKind::String, 10)->SetReadOnly(true);
        DataPacket packet;
        packet.fields = {{"DTINTERNA", FieldKind::String, 10},
                         {"CDPACIENTE", FieldKind::String, 12}};
        packet.rows = {{QString("07/12/2026"), QString("P1")},
                       {QString("06/12/2026"), QString("P1")}};
        ds.SetData(packet);
        ds.SetFilter("CDPACIENTE = 'P1'AND DTINTERNA = '07/12/2026'");
        ds.SetFiltered(true);
        QCOMPARE(ds.RecordCount(), 1);

        for (const char* bad : {"CDPACIENTE = 'P1", "CDPACIENTE = 'P1' OR CDPACIENTE = 'P2'",
                                "NADA = 'x'", "CDPACIENTE 'x'", "CDPACIENTE = 'x' AND",
                                "CDPACIENTE = 'x'; DROP", "(CDPACIENTE = 'x'"}) {
            try {
                ds.SetFilter(bad);
                QFAIL(bad);
            } catch (const EDatabaseError& e) {
                QVERIFY2(e.message().startsWith("Filtro inválido"), qPrintable(e.message()));
            }
            QCOMPARE(ds.Filter(), QString("CDPACIENTE = 'P1'AND DTINTERNA = '07/12/2026'"));
            QCOMPARE(ds.RecordCount(), 1);
        }
        QCOMPARE(QuotedStr("O'Brien"), QString("'O''Brien'"));
    }

    void postedRecordLeavesFilter() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        ds.SetFilter("STPACIACOM = '0'");
        ds.SetFiltered(true);
        QCOMPARE(ds.RecordCount(), 3);
        ds.Edit();
        ds.FieldByName(u"STPACIACOM")->SetAsString("1");
        ds.Post();
        QCOMPARE(ds.RecordCount(), 2);
        QCOMPARE(ds.RecNo(), 1);
    }

    void locate() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        int scrolls = 0;
        ds.AfterScroll = [&](TClientDataSet*) { ++scrolls; };
        QVERIFY(ds.Locate("CDPACIENTE;STPACIACOM", QVariantList{"P2", "1"}));
        QCOMPARE(ds.RecNo(), 3);
        QCOMPARE(scrolls, 1);
        QVERIFY(!ds.Locate("CDPACIENTE;STPACIACOM", QVariantList{"P2", "0"}));
        QCOMPARE(ds.RecNo(), 3);
        QCOMPARE(scrolls, 1);
        QVERIFY(!ds.Locate("cdpaciente", "p4"));
        QVERIFY(ds.Locate("cdpaciente", "p4", loCaseInsensitive));
        QCOMPARE(ds.RecNo(), 4);
        QVERIFY(ds.Locate("NMPACIENTE", "o'b", loCaseInsensitive | loPartialKey));
        QCOMPARE(ds.RecNo(), 3);
        QVERIFY(ds.Locate("QTPRATCONF", 3.5));
        QVERIFY(!ds.Locate("QTPRATCONF", "abc"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Locate("CDPACIENTE;STPACIACOM", "P1"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Locate("NADA", "P1"));
    }

    // A found record is neither the first nor the last of the cursor: after Last() or
    // First(), the navigator's Next/Prior move on from it.
    void locateClearsBeginAndEnd_data() {
        QTest::addColumn<bool>("fromLast");
        QTest::addColumn<int>("step");
        QTest::newRow("after Last, Next") << true << 0;
        QTest::newRow("after Last, MoveBy(1)") << true << 1;
        QTest::newRow("after First, Prior") << false << 0;
        QTest::newRow("after First, MoveBy(-1)") << false << -1;
    }

    void locateClearsBeginAndEnd() {
        QFETCH(bool, fromLast);
        QFETCH(int, step);
        TClientDataSet ds;
        ds.SetData(inpatients());
        fromLast ? ds.Last() : ds.First();
        QVERIFY(fromLast ? ds.Eof() : ds.Bof());
        QVERIFY(ds.Locate("CDPACIENTE", fromLast ? "P1" : "P2"));
        QVERIFY(!ds.Eof());
        QVERIFY(!ds.Bof());
        const int found = ds.RecNo();
        if (step == 0)
            fromLast ? ds.Next() : ds.Prior();
        else
            QCOMPARE(ds.MoveBy(step), step);
        QCOMPARE(ds.RecNo(), found + (fromLast ? 1 : -1));
    }

    void deltaAndMergeRoundTrip() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        QCOMPARE(ds.ChangeCount(), 0);
        ds.Edit();
        ds.FieldByName(u"NMPACIENTE")->SetAsString("Maria José");
        ds.Post();
        ds.Edit(); // a second edit of the same record is one change
        ds.FieldByName(u"QTPRATCONF")->SetAsFloat(9);
        ds.Post();
        ds.Append();
        ds.FieldByName(u"CDPACIENTE")->SetAsString("P5");
        ds.Post();
        ds.Locate("CDPACIENTE", "P2");
        ds.Delete();
        ds.Append(); // inserted then deleted: not logged
        ds.FieldByName(u"CDPACIENTE")->SetAsString("P6");
        ds.Post();
        ds.Delete();
        QCOMPARE(ds.ChangeCount(), 3);

        const DataPacket delta = ds.Delta();
        QVERIFY(delta.changeLog);
        QCOMPARE(delta.changes.size(), 3);
        QCOMPARE(delta.changes[0].status, Change::Status::Modified);
        QCOMPARE(delta.changes[0].row[1].toString(), QString("Maria José"));
        QCOMPARE(delta.changes[0].row[5].toDouble(), 9.0);
        QCOMPARE(delta.changes[0].original[1].toString(), QString("Maria"));
        QCOMPARE(delta.changes[1].status, Change::Status::Inserted);
        QCOMPARE(delta.changes[1].row[0].toString(), QString("P5"));
        QVERIFY(!delta.changes[1].row[1].isValid());
        QCOMPARE(delta.changes[2].status, Change::Status::Deleted);
        QCOMPARE(delta.changes[2].original[0].toString(), QString("P2"));
        const auto wire = DataPacket::fromJsonBytes(delta.toJsonBytes());
        QVERIFY(wire.has_value());
        QCOMPARE(*wire, delta);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.SetData(delta));

        ds.SetData(inpatients());
        ds.Edit();
        ds.FieldByName(u"NMPACIENTE")->SetAsString("X");
        ds.Post();
        ds.MergeChangeLog();
        QCOMPARE(ds.ChangeCount(), 0);
        QCOMPARE(ds.Delta().changes.size(), 0);
        ds.Edit();
        ds.FieldByName(u"NMPACIENTE")->SetAsString("Y");
        ds.Post();
        QCOMPARE(ds.Delta().changes[0].original[1].toString(), QString("X"));

        ds.CancelUpdates();
        QCOMPARE(ds.FieldByName(u"NMPACIENTE")->AsString(), QString("X"));

        ds.SetLogChanges(false);
        ds.Delete();
        QCOMPARE(ds.ChangeCount(), 0);
    }

    void fieldValues() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        TField* name = ds.FieldByName(u"nmpaciente");
        QCOMPARE(name->FieldName(), QString("NMPACIENTE"));
        QCOMPARE(ds.FindField(u"NADA"), nullptr);
        try {
            ds.FieldByName(u"NADA");
            QFAIL("no error");
        } catch (const EDatabaseError& e) {
            QVERIFY(e.message().contains("NADA"));
        }
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, name->SetAsString("x")); // browse

        ds.Edit();
        name->SetAsString("");
        QVERIFY(name->IsNull());
        QVERIFY(!name->Value().isValid());
        QCOMPARE(name->OldValue().toString(), QString("Maria"));
        name->SetValue(QString(""));
        QVERIFY(name->IsNull());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldByName(u"STPACIACOM")->SetAsString("10"));
        ds.FieldByName(u"STPACIACOM")->SetAsString("9");

        TField* date = ds.FieldByName(u"DTINTERNA");
        QCOMPARE(date->AsString(), QString("07/12/2026 10:30:00"));
        date->SetAsString("08/12/2026");
        QCOMPARE(date->AsDateTime(), QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
        QCOMPARE(date->AsString(), QString("08/12/2026"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, date->SetAsString("31/02/2026"));
        date->SetAsDate(QDate());
        QVERIFY(date->IsNull());

        TField* quantity = ds.FieldByName(u"QTPRATCONF");
        quantity->SetAsString("1.234,5");
        QCOMPARE(quantity->AsFloat(), 1234.5);
        QCOMPARE(quantity->AsString(), QString("1234,5"));
        QCOMPARE(quantity->AsInteger(), 1235);
        quantity->SetDisplayFormat("#,##0.00");
        QCOMPARE(quantity->DisplayText(), QString("1.234,50"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, quantity->SetAsString("abc"));
        quantity->Clear();
        QCOMPARE(quantity->AsFloat(), 0.0);
        ds.Cancel();
        QCOMPARE(name->AsString(), QString("Maria"));

        TField* kind = ds.FieldByName(u"STPACIACOM");
        kind->OnGetText = [](TField* sender, QString& text, bool) {
            if (!text.isEmpty())
                text = sender->AsString() == "0" ? "Paciente" : "Acompanhante";
        };
        QCOMPARE(kind->DisplayText(), QString("Paciente"));
        QCOMPARE(kind->AsString(), QString("0"));

        // Read-only and required are checked on write and on post.
        kind->SetReadOnly(true);
        ds.Edit();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, kind->SetAsString("1"));
        ds.Cancel();
        name->SetRequired(true);
        ds.Edit();
        name->Clear();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Post());
        QCOMPARE(ds.State(), dsEdit);
        ds.Cancel();
    }

    // A long list replaced is freed on the disposer's thread; the list that replaced it, and a
    // packet that shared the old rows, are untouched.
    void longListReplacedIsFreedAside() {
        DataPacket first = test::inpatients();
        const Row pattern = first.rows[0];
        first.rows.clear();
        for (int i = 0; i < 1000; ++i) {
            Row row = pattern;
            row[0] = QStringLiteral("P%1").arg(i);
            first.rows.append(row);
        }
        TClientDataSet ds;
        ds.SetData(first);
        QVERIFY(!first.rows[0].isDetached()); // the records share the packet's rows
        ds.SetData(test::inpatients());
        QCOMPARE(test::column(ds, QStringLiteral("CDPACIENTE")),
                 QStringList({"P3", "P1", "P2", "P4"}));
        waitUntilDisposed();
        QVERIFY(first.rows[0].isDetached());
        QVERIFY(first.rows[999].isDetached());
        QCOMPARE(first.rows[999][0].toString(), QStringLiteral("P999"));
        QCOMPARE(first.rows[999][3].toDateTime(), pattern[3].toDateTime());

        // Freed on a thread of its own.
        struct Witness {
            std::vector<std::thread::id>* freedOn;
            ~Witness() { freedOn->push_back(std::this_thread::get_id()); }
        };
        std::vector<std::thread::id> freedOn;
        disposeOf(std::shared_ptr<Witness>(new Witness{&freedOn}));
        waitUntilDisposed();
        QCOMPARE(freedOn.size(), size_t(1));
        QVERIFY(freedOn[0] != std::this_thread::get_id());
    }

    void fieldsDefinedInCode() {
        TClientDataSet ds;
        ds.setObjectName("cdsInternacao");
        ds.AddField("NMPACIENTE", FieldKind::String, 80)->SetDisplayLabel("Paciente");
        ds.AddField("CDPACIENTE", FieldKind::String, 12);
        ds.AddCalcField("Idade", FieldKind::String, 10);
        ds.AddField("DTINTERNA", FieldKind::Date); // the packet's date-time fits a date
        ds.SetData(inpatients());
        QCOMPARE(ds.FieldCount(), 4);
        QCOMPARE(ds.Fields(2)->FieldName(), QString("Idade"));
        QCOMPARE(ds.FieldByName(u"DTINTERNA")->Value(), QVariant(QDate(2026, 12, 7)));
        QCOMPARE(ds.Data().fields.size(), 3);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.AddField("X", FieldKind::String, 1));

        ds.Close();
        ds.AddField("NADA", FieldKind::String, 1);
        try {
            ds.SetData(inpatients());
            QFAIL("no error");
        } catch (const EDatabaseError& e) {
            QVERIFY(e.message().contains("NADA"));
        }
        QVERIFY(!ds.Active());

        TClientDataSet narrow;
        narrow.AddField("CDPACIENTE", FieldKind::String, 1);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, narrow.SetData(inpatients()));
        TClientDataSet wrongKind;
        wrongKind.AddField("CDPACIENTE", FieldKind::Float);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, wrongKind.SetData(inpatients()));
    }

    void packetFieldsKeepTheirSettingsAcrossLoads() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        ds.FieldByName(u"STPACIACOM")->SetDisplayLabel("Pac/Acomp");
        ds.SetData(inpatients());
        QCOMPARE(ds.FieldByName(u"STPACIACOM")->DisplayLabel(), QString("Pac/Acomp"));
        // Nulls and empty texts of the packet stay apart.
        DataPacket packet = inpatients();
        packet.rows[0][1] = QString("");
        packet.rows[1][1] = QVariant();
        ds.SetData(packet);
        QCOMPARE(ds.Data(), packet);
    }

    void saveAndLoadFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("FILPACI.cds");
        TClientDataSet ds;
        ds.SetData(inpatients());
        ds.SaveToFile(path);
        TClientDataSet loaded;
        loaded.LoadFromFile(path);
        QCOMPARE(loaded.Data(), inpatients());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, loaded.LoadFromFile(dir.filePath("nada.cds")));
    }

    void dataSourceFollowsItsDataSet() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        TDataSource source;
        QCOMPARE(source.State(), dsInactive);
        QStringList seen;
        source.OnStateChange = [&](TDataSource* s) { seen.append(QString::number(s->State())); };
        int dataChanges = 0;
        source.OnDataChange = [&](TDataSource*, TField*) { ++dataChanges; };
        source.SetDataSet(&ds);
        QCOMPARE(seen, QStringList({QString::number(dsBrowse)}));
        ds.Next();
        QCOMPARE(dataChanges, 1);

        source.SetEnabled(false); // the controls see a closed dataset
        QCOMPARE(source.State(), dsInactive);
        ds.Edit();
        ds.Next();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(dataChanges, 1);
        ds.Edit();
        source.SetEnabled(true);
        QCOMPARE(source.State(), dsEdit);
        ds.Cancel();

        TClientDataSet closed;
        source.SetDataSet(&closed);
        QCOMPARE(source.State(), dsInactive);
        QCOMPARE(seen.size(), 5); // browse, inactive, edit, browse, inactive
    }

    void cursorLimits() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        int scrolls = 0;
        ds.AfterScroll = [&](TClientDataSet*) { ++scrolls; };
        QCOMPARE(ds.MoveBy(10), 3);
        QVERIFY(ds.Eof());
        QCOMPARE(ds.RecNo(), 4);
        QCOMPARE(scrolls, 1);
        ds.Next(); // already at the end: no scroll
        QCOMPARE(scrolls, 1);
        QCOMPARE(ds.MoveBy(-10), -3);
        QVERIFY(ds.Bof());
        ds.SetRecNo(3);
        QCOMPARE(ds.FieldByName(u"CDPACIENTE")->AsString(), QString("P2"));
        const auto mark = ds.GetBookmark();
        ds.First();
        ds.GotoBookmark(mark);
        QCOMPARE(ds.RecNo(), 3);
        ds.Delete();
        QVERIFY(!ds.BookmarkValid(mark));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.GotoBookmark(mark));

        ds.EmptyDataSet();
        QVERIFY(ds.IsEmpty());
        QVERIFY(ds.Eof() && ds.Bof());
        QCOMPARE(ds.RecNo(), 0);
        QVERIFY(ds.FieldByName(u"CDPACIENTE")->IsNull());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Delete());
        TClientDataSet closed;
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, closed.First());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, closed.CreateDataSet());
    }
};

QTEST_GUILESS_MAIN(tst_ClientDataSet)
#include "tst_clientdataset.moc"
