// DataSetModel: what the grid shows and writes, and that it follows the dataset (and stays
// quiet while the dataset's controls are disabled) under QAbstractItemModelTester.
#include "datasetfixture.h"
#include "platform/datasetmodel.h"
#include "platform/eabort.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace dieta;
using dieta::test::inpatients;

class tst_DataSetModel : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        TClientDataSet ds;
        TDataSource source;
        DataSetModel model;
        QAbstractItemModelTester tester{&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest};

        Fixture() {
            ds.SetData(inpatients());
            source.SetDataSet(&ds);
            model.SetDataSource(&source);
        }
    };

private slots:
    void showsFieldsByNameWithDisplayText() {
        Fixture f;
        f.ds.FieldByName(u"STPACIACOM")->SetDisplayLabel("Pac/Acomp");
        f.ds.FieldByName(u"STPACIACOM")->OnGetText = [](TField* sender, QString& text, bool) {
            text = sender->AsString() == "0" ? "Paciente" : "Acompanhante";
        };
        f.model.SetFieldNames({"CDPACIENTE", "stpaciacom", "NADA", "DTINTERNA", "QTPRATCONF"});
        QCOMPARE(f.model.columnCount(), 4);
        QCOMPARE(f.model.rowCount(), 4);
        QCOMPARE(f.model.headerData(1, Qt::Horizontal).toString(), QString("Pac/Acomp"));
        QCOMPARE(f.model.ColumnOf(u"dtinterna"), 2);
        // The handler reads the row drawn, not the current record.
        QCOMPARE(f.model.index(2, 1).data().toString(), QString("Acompanhante"));
        QCOMPARE(f.model.index(1, 1).data().toString(), QString("Paciente"));
        QCOMPARE(f.model.index(0, 2).data().toString(), QString("07/12/2026 10:30:00"));
        QCOMPARE(f.model.index(0, 2).data(Qt::EditRole),
                 QVariant(QDateTime(QDate(2026, 12, 7), QTime(10, 30))));
        QCOMPARE(f.model.index(3, 3).data().toString(), QString("3,5"));
        QCOMPARE(f.model.index(3, 3).data(Qt::EditRole).toDouble(), 3.5);
        QCOMPARE(f.ds.RecNo(), 1);

        f.model.SetFieldNames({});
        QCOMPARE(f.model.columnCount(), 6);
        f.ds.FieldByName(u"NMPACIENTE")->SetVisible(false);
        f.model.SetFieldNames({});
        QCOMPARE(f.model.columnCount(), 5);
    }

    void setDataEditsWithoutPosting() {
        Fixture f;
        int posts = 0;
        f.ds.BeforePost = [&](TClientDataSet*) { ++posts; };
        const QModelIndex name = f.model.index(1, f.model.ColumnOf(u"NMPACIENTE"));
        QVERIFY(f.model.flags(name) & Qt::ItemIsEditable);
        QSignalSpy resets(&f.model, &QAbstractItemModel::modelReset);
        QVERIFY(f.model.setData(name, QString("Joana")));
        QCOMPARE(resets.count(), 0); // an open editor would not survive a reset
        QCOMPARE(f.ds.State(), dsEdit);
        QCOMPARE(f.ds.RecNo(), 2);
        QCOMPARE(posts, 0);
        QCOMPARE(name.data().toString(), QString("Joana"));

        // Another row: the pending edit is posted on leaving, as the dataset does.
        QVERIFY(f.model.setData(f.model.index(2, name.column()), QString("Pedro")));
        QCOMPARE(posts, 1);
        QCOMPARE(f.ds.RecNo(), 3);

        // A refused value or an aborted post does not cross the model: it goes to OnError.
        QStringList errors;
        f.model.OnError = [&](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const EDatabaseError& e) {
                errors.append(e.message());
            } catch (const EAbort&) {
                errors.append("abort");
            }
        };
        QVERIFY(!f.model.setData(f.model.index(2, f.model.ColumnOf(u"STPACIACOM")), "12"));
        f.ds.BeforePost = [](TClientDataSet*) { throw EAbort{}; };
        QVERIFY(!f.model.setData(f.model.index(0, name.column()), QString("Ana")));
        QCOMPARE(errors.size(), 2);
        QCOMPARE(errors.last(), QString("abort"));
        QCOMPARE(f.ds.RecNo(), 3);
        QCOMPARE(f.ds.State(), dsEdit);

        f.ds.FieldByName(u"CDLEITO")->SetReadOnly(true);
        QVERIFY(
            !(f.model.flags(f.model.index(0, f.model.ColumnOf(u"CDLEITO"))) & Qt::ItemIsEditable));
    }

    void followsTheDataSet() {
        Fixture f;
        QSignalSpy resets(&f.model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&f.model, &QAbstractItemModel::dataChanged);
        f.ds.Edit();
        changes.clear();
        f.ds.FieldByName(u"NMPACIENTE")->SetAsString("Outra");
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.first().first().toModelIndex().row(), 0);
        f.ds.Post();
        f.ds.Append();
        QCOMPARE(f.model.rowCount(), 5); // the record being inserted shows
        f.ds.Cancel();
        QCOMPARE(f.model.rowCount(), 4);
        f.ds.SetFilter("STPACIACOM = '1'");
        f.ds.SetFiltered(true);
        QCOMPARE(f.model.rowCount(), 1);
        f.ds.Close();
        QCOMPARE(f.model.rowCount(), 0);
        f.ds.SetData(inpatients());
        QCOMPARE(f.model.rowCount(), 1);
        QVERIFY(resets.count() >= 5);

        f.source.SetEnabled(false);
        QCOMPARE(f.model.rowCount(), 0);
        f.source.SetEnabled(true);
        QCOMPARE(f.model.rowCount(), 1);
    }

    void quietWhileControlsDisabled() {
        Fixture f;
        QSignalSpy resets(&f.model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&f.model, &QAbstractItemModel::dataChanged);
        f.ds.DisableControls();
        for (f.ds.First(); !f.ds.Eof(); f.ds.Next()) {
            f.ds.Edit();
            f.ds.FieldByName(u"STPACIACOM")->SetAsString("1");
            f.ds.Post();
        }
        f.ds.Append();
        f.ds.FieldByName(u"CDPACIENTE")->SetAsString("P9");
        f.ds.Post();
        QCOMPARE(resets.count(), 0);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(f.model.rowCount(), 4); // still what was last shown
        f.ds.EnableControls();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(f.model.rowCount(), 5);
        QCOMPARE(f.model.index(0, f.model.ColumnOf(u"STPACIACOM")).data().toString(), QString("1"));
    }

    void fieldsReplacedWhileDisabled() {
        Fixture f;
        DataPacket other;
        other.fields = {{"CODIGO", FieldKind::Integer}};
        other.rows = {{qint64(7)}};
        f.ds.DisableControls();
        f.ds.SetData(other); // the packet's fields replace the old ones
        // No reset yet, and the old columns are not read (they are gone).
        QCOMPARE(f.model.columnCount(), 6);
        QVERIFY(!f.model.index(0, 0).data().isValid());
        QCOMPARE(f.model.FieldAt(0), nullptr);
        f.ds.EnableControls();
        QCOMPARE(f.model.columnCount(), 1);
        QCOMPARE(f.model.index(0, 0).data().toString(), QString("7"));
    }

    void survivesItsSourceAndDataSet() {
        auto ds = std::make_unique<TClientDataSet>();
        ds->SetData(inpatients());
        auto source = std::make_unique<TDataSource>();
        source->SetDataSet(ds.get());
        DataSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetDataSource(source.get());
        QCOMPARE(model.rowCount(), 4);
        ds.reset();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(source->DataSet(), nullptr);
        source.reset();
        QCOMPARE(model.columnCount(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_DataSetModel)
#include "tst_datasetmodel.moc"
