// The change log of a client dataset: what Delta reports after sequences of edits, and what
// MergeChangeLog and CancelUpdates leave behind.
#include "datasetfixture.h"

#include <QTest>

using namespace dieta;
using dieta::test::column;
using dieta::test::inpatients;

namespace {

void setName(TClientDataSet& ds, const QString& code, const QString& name) {
    QVERIFY(ds.Locate("CDPACIENTE", code));
    ds.Edit();
    ds.FieldByName(u"NMPACIENTE")->SetAsString(name);
    ds.Post();
}

void appendPatient(TClientDataSet& ds, const QString& code) {
    ds.Append();
    ds.FieldByName(u"CDPACIENTE")->SetAsString(code);
    ds.Post();
}

// "status code": one entry per change, in the delta's order.
QStringList summary(const DataPacket& delta) {
    QStringList entries;
    for (const Change& change : delta.changes) {
        const Row& values = change.status == Change::Status::Deleted ? change.original : change.row;
        const char* status = change.status == Change::Status::Inserted   ? "inserted"
                             : change.status == Change::Status::Modified ? "modified"
                                                                         : "deleted";
        entries.append(QStringLiteral("%1 %2").arg(QLatin1String(status), values[0].toString()));
    }
    return entries;
}

} // namespace

class tst_ClientDataSetChangeLog : public QObject {
    Q_OBJECT

private slots:
    // A deletion reports the values as last merged, not the edits made in between.
    void modifyThenDelete() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        setName(ds, "P3", "Maria José");
        setName(ds, "P3", "Maria José da Silva");
        ds.Delete();
        QCOMPARE(ds.ChangeCount(), 1);
        const DataPacket delta = ds.Delta();
        QCOMPARE(summary(delta), QStringList{"deleted P3"});
        QCOMPARE(delta.changes[0].original, inpatients().rows[0]);
        QVERIFY(delta.changes[0].row.isEmpty());
    }

    // A record the server never saw stays one insert, with its latest values, and leaves no
    // trace when deleted again.
    void insertedRecordsStayInsertsAndDropOut() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        appendPatient(ds, "P5");
        setName(ds, "P5", "Rosa");
        QCOMPARE(summary(ds.Delta()), QStringList{"inserted P5"});
        QCOMPARE(ds.Delta().changes[0].row[1].toString(), QString("Rosa"));
        QVERIFY(ds.Delta().changes[0].original.isEmpty());
        QVERIFY(ds.Locate("CDPACIENTE", "P5"));
        ds.Delete();
        QCOMPARE(ds.ChangeCount(), 0);
        QVERIFY(ds.Delta().changes.isEmpty());
    }

    void editWithoutChangeIsNotLogged() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        setName(ds, "P1", QString::fromUtf8("João"));
        QCOMPARE(ds.ChangeCount(), 0);
    }

    // Changes come in the order they were made, whatever the filter or the index shows.
    void deltaInTheOrderMadeAndUnfiltered() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        ds.SetIndexFieldNames("NMPACIENTE");
        ds.SetFilter("STPACIACOM = '0'");
        ds.SetFiltered(true);
        setName(ds, "P4", "Ana Paula");
        QVERIFY(ds.Locate("CDPACIENTE", "P3"));
        ds.Delete();
        appendPatient(ds, "P5"); // left by the filter: STPACIACOM is null
        QVERIFY(ds.Locate("CDPACIENTE", "P1"));
        ds.Edit();
        ds.FieldByName(u"STPACIACOM")->SetAsString("1"); // leaves the filter
        ds.Post();
        QCOMPARE(column(ds, "CDPACIENTE"), QStringList{"P4"});
        QCOMPARE(summary(ds.Delta()),
                 QStringList({"modified P4", "deleted P3", "inserted P5", "modified P1"}));
    }

    // A record in edit counts with its posted values, in the delta as in the data.
    void deltaDuringAnEditShowsPostedValues() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        setName(ds, "P3", "X");
        ds.Edit();
        ds.FieldByName(u"NMPACIENTE")->SetAsString("Y");
        QCOMPARE(ds.Delta().changes[0].row[1].toString(), QString("X"));
        QCOMPARE(ds.Data().rows[0][1].toString(), QString("X"));
        QCOMPARE(ds.State(), dsEdit);
    }

    // Back to the data as loaded: in data order, calculated fields recomputed, the cursor on
    // the record it was on.
    void cancelUpdatesRestoresTheOriginals() {
        TClientDataSet ds;
        ds.AddCalcField("NOMELEITO", FieldKind::String, 100);
        ds.OnCalcFields = [](TClientDataSet* d) {
            d->FieldByName(u"NOMELEITO")
                ->SetAsString(d->FieldByName(u"NMPACIENTE")->AsString() + "/" +
                              d->FieldByName(u"CDLEITO")->AsString());
        };
        ds.SetData(inpatients());
        ds.SetIndexFieldNames("NMPACIENTE");
        setName(ds, "P3", "Zélia");
        QVERIFY(ds.Locate("CDPACIENTE", "P2"));
        ds.Delete();
        appendPatient(ds, "P5");
        QVERIFY(ds.Locate("CDPACIENTE", "P4"));
        ds.Insert();
        ds.FieldByName(u"CDPACIENTE")->SetAsString("P6");
        ds.Post();
        setName(ds, "P3", "Zilda");
        ds.Edit();
        ds.FieldByName(u"NMPACIENTE")->SetAsString("pending");

        ds.CancelUpdates();
        QCOMPARE(ds.State(), dsBrowse);
        QCOMPARE(ds.ChangeCount(), 0);
        QCOMPARE(ds.Data(), inpatients());
        QCOMPARE(column(ds, "CDPACIENTE"), QStringList({"P4", "P1", "P3", "P2"}));
        QCOMPARE(ds.FieldByName(u"CDPACIENTE")->AsString(), QString("P3"));
        QCOMPARE(ds.FieldByName(u"NOMELEITO")->AsString(), QString("Maria/103"));
        QCOMPARE(ds.RowValue(3, ds.FieldByName(u"NOMELEITO")).toString(), QString("O'Brien/102"));
    }

    void cancelUpdatesFromAnInsertedRecord() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        appendPatient(ds, "P5");
        ds.CancelUpdates();
        QCOMPARE(ds.RecordCount(), 4);
        QVERIFY(ds.RecNo() >= 1 && ds.RecNo() <= 4);
        QVERIFY(!ds.FieldByName(u"CDPACIENTE")->AsString().isEmpty());
    }

    // After a merge the current data is what the server has: later deletions report it as
    // the original, and CancelUpdates goes back to it rather than to the loaded data.
    void mergeMakesTheCurrentDataOriginal() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        setName(ds, "P3", "Maria José");
        appendPatient(ds, "P5");
        ds.MergeChangeLog();
        QCOMPARE(ds.ChangeCount(), 0);
        QVERIFY(ds.Delta().changes.isEmpty());

        QVERIFY(ds.Locate("CDPACIENTE", "P5"));
        ds.Delete(); // merged, so known to the server: a deletion now
        setName(ds, "P3", "Maria");
        QCOMPARE(summary(ds.Delta()), QStringList({"deleted P5", "modified P3"}));
        QCOMPARE(ds.Delta().changes[1].original[1].toString(), QString("Maria José"));

        ds.CancelUpdates();
        QCOMPARE(column(ds, "CDPACIENTE"), QStringList({"P3", "P1", "P2", "P4", "P5"}));
        QVERIFY(ds.Locate("CDPACIENTE", "P3"));
        QCOMPARE(ds.FieldByName(u"NMPACIENTE")->AsString(), QString("Maria José"));
    }

    void newDataOrEmptyingDropsTheLog() {
        TClientDataSet ds;
        ds.SetData(inpatients());
        ds.Delete();
        setName(ds, "P1", "Outro");
        ds.EmptyDataSet();
        QCOMPARE(ds.ChangeCount(), 0);
        ds.SetData(inpatients());
        ds.Delete();
        ds.SetData(inpatients());
        QCOMPARE(ds.ChangeCount(), 0);
        QVERIFY(ds.Delta().changes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ClientDataSetChangeLog)
#include "tst_clientdataset_changelog.moc"
