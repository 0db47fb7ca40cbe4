// The marks of the inpatient list on their own: the record's IDCHECK, the code list and the
// copies must agree after every way of marking and unmarking.

#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/inpatientmarks.h"

#include <QtTest>

using namespace dieta;
using Cli_zfa13000::InpatientMarks;

namespace {

void defineFields(TClientDataSet& ds) {
    ds.AddField("CDPACIENTE", FieldKind::String, 12);
    ds.AddField("NMPACIENTE", FieldKind::String, 40);
    ds.AddField("STPACIACOM", FieldKind::String, 1);
    ds.AddField("IDCHECK", FieldKind::String, 1);
    ds.AddField("IDCHECKTODOS", FieldKind::String, 1);
}

void appendRow(TClientDataSet& ds, const char* code, const char* name, const char* kind) {
    ds.Append();
    ds.FieldByName(u"CDPACIENTE")->SetAsString(code);
    ds.FieldByName(u"NMPACIENTE")->SetAsString(name);
    ds.FieldByName(u"STPACIACOM")->SetAsString(kind);
    ds.FieldByName(u"IDCHECK")->SetAsString("N");
    ds.FieldByName(u"IDCHECKTODOS")->SetAsString("S");
    ds.Post();
}

} // namespace

class tst_InpatientMarks : public QObject {
    Q_OBJECT

private slots:
    void init();
    void markingCopiesTheRecordOnce();
    void aCodeMarkedOnAnotherRecordIsRefused();
    void unmarkingRemovesAllThree();
    void markAllSkipsCodesAlreadyMarkedAndUnmarkAllClears();
    void markAllRestartsFromTheFirstRecord();
    void unmarkAllKeepsTheMarksOutsideTheView();
    void cancelledEditBringsCodesAndCopiesBackInStep();
    void cancelledEditKeepsTheMarksOfOtherRecords();
    void clearLeavesNothingMarked();

private:
    void edit(int recNo) {
        list.SetRecNo(recNo);
        list.Edit();
    }
    QStringList listMarks();
    void verifyInStep();

    TClientDataSet list;
    TClientDataSet copies;
    QStringList codes;
    InpatientMarks marks{&list, &copies, &codes};
};

void tst_InpatientMarks::init() {
    list.Close();
    copies.Close();
    codes.clear();
    if (list.FieldCount() == 0) {
        defineFields(list);
        defineFields(copies);
    }
    list.CreateDataSet();
    copies.CreateDataSet();
    appendRow(list, "P1", "Maria", "0");
    appendRow(list, "P1", "Maria (acompanhante)", "1");
    appendRow(list, "P2", "João", "0");
    appendRow(list, "P3", "Ana", "0");
    list.First();
}

QStringList tst_InpatientMarks::listMarks() {
    QStringList values;
    for (int row = 0; row < list.ViewCount(); ++row)
        values.append(list.RowValue(row, list.FieldByName(u"IDCHECK")).toString());
    return values;
}

// One code per marked patient, one copy per code, each copy marked.
void tst_InpatientMarks::verifyInStep() {
    QCOMPARE(QSet<QString>(codes.cbegin(), codes.cend()).size(), codes.size());
    QCOMPARE(copies.RecordCount(), int(codes.size()));
    for (const QString& code : std::as_const(codes)) {
        QVERIFY2(copies.Locate("CDPACIENTE", code, loCaseInsensitive), qPrintable(code));
        QCOMPARE(copies.FieldByName(u"IDCHECK")->AsString(), QStringLiteral("S"));
    }
}

void tst_InpatientMarks::markingCopiesTheRecordOnce() {
    edit(3);
    QVERIFY(marks.markCurrent());
    list.Post();
    QCOMPARE(listMarks(), (QStringList{"N", "N", "S", "N"}));
    QCOMPARE(codes, QStringList{"P2"});
    QVERIFY(copies.Locate("CDPACIENTE", "P2", {}));
    QCOMPARE(copies.FieldByName(u"NMPACIENTE")->AsString(), QStringLiteral("João"));
    QCOMPARE(marks.count(), 1);
    verifyInStep();
}

void tst_InpatientMarks::aCodeMarkedOnAnotherRecordIsRefused() {
    edit(1);
    QVERIFY(marks.toggleCurrent());
    list.Post();
    edit(2);
    // The companion shares the patient's code, in another case too.
    list.FieldByName(u"CDPACIENTE")->SetAsString("p1");
    QVERIFY(!marks.toggleCurrent());
    list.Cancel();
    QCOMPARE(listMarks(), (QStringList{"S", "N", "N", "N"}));
    QCOMPARE(codes, QStringList{"P1"});
    verifyInStep();
}

void tst_InpatientMarks::unmarkingRemovesAllThree() {
    edit(3);
    marks.markCurrent();
    list.Post();
    edit(4);
    marks.markCurrent();
    list.Post();
    edit(3);
    QVERIFY(marks.toggleCurrent());
    list.Post();
    QCOMPARE(listMarks(), (QStringList{"N", "N", "N", "S"}));
    QCOMPARE(codes, QStringList{"P3"});
    verifyInStep();
}

void tst_InpatientMarks::markAllSkipsCodesAlreadyMarkedAndUnmarkAllClears() {
    edit(2);
    marks.markCurrent();
    list.Post();
    marks.markOrUnmarkAll();
    QCOMPARE(list.RecNo(), 1);
    QCOMPARE(listMarks(), (QStringList{"N", "S", "S", "S"}));
    QCOMPARE(codes.size(), 3);
    verifyInStep();

    marks.markOrUnmarkAll();
    QCOMPARE(listMarks(), (QStringList{"N", "N", "N", "N"}));
    QVERIFY(codes.isEmpty());
    QVERIFY(copies.IsEmpty());
}

// Unmark all goes over the records shown: a patient filtered out keeps its code and copy, in
// whatever case the code was marked.
void tst_InpatientMarks::unmarkAllKeepsTheMarksOutsideTheView() {
    edit(4);
    QVERIFY(marks.markCurrent());
    list.Post();
    copies.Append();
    copies.FieldByName(u"CDPACIENTE")->SetAsString("p2");
    copies.FieldByName(u"IDCHECK")->SetAsString("S");
    copies.Post();
    codes.append("p2");
    list.SetFilter("CDPACIENTE = 'P1'");
    list.SetFiltered(true);
    marks.markOrUnmarkAll();
    QCOMPARE(codes, (QStringList{"P3", "p2", "P1"}));
    marks.markOrUnmarkAll();
    QCOMPARE(listMarks(), (QStringList{"N", "N"}));
    QCOMPARE(codes, (QStringList{"P3", "p2"}));
    list.SetFiltered(false);
    QCOMPARE(listMarks(), (QStringList{"N", "N", "N", "S"}));
    verifyInStep();
}

void tst_InpatientMarks::markAllRestartsFromTheFirstRecord() {
    list.Last();
    marks.markOrUnmarkAll();
    QCOMPARE(list.RecNo(), 1);
    QCOMPARE(list.State(), dsBrowse);
    QCOMPARE(listMarks(), (QStringList{"S", "N", "S", "S"}));
    verifyInStep();
}

void tst_InpatientMarks::cancelledEditBringsCodesAndCopiesBackInStep() {
    // The record shows no mark but a copy was left behind: the copy goes.
    edit(3);
    marks.markCurrent();
    list.FieldByName(u"IDCHECK")->SetAsString("N");
    marks.followCancelledRecord();
    list.Cancel();
    QVERIFY(codes.isEmpty());
    QVERIFY(copies.IsEmpty());

    // The record shows its mark again but nothing else has it: code and copy come back.
    edit(4);
    list.FieldByName(u"IDCHECK")->SetAsString("S");
    list.Post();
    marks.followCancelledRecord();
    QCOMPARE(codes, QStringList{"P3"});
    verifyInStep();
}

void tst_InpatientMarks::cancelledEditKeepsTheMarksOfOtherRecords() {
    // The companion's edit is cancelled: the patient's mark on the same code stays.
    marks.markOrUnmarkAll();
    edit(2);
    list.Cancel();
    marks.followCancelledRecord();
    QCOMPARE(listMarks(), (QStringList{"S", "N", "S", "S"}));
    QCOMPARE(codes.size(), 3);
    QVERIFY(codes.contains("P1"));
    verifyInStep();

    // Unmarked in an edit while others stay marked, then cancelled: the mark comes back.
    edit(3);
    QVERIFY(marks.toggleCurrent());
    QCOMPARE(codes.size(), 2);
    list.Cancel();
    marks.followCancelledRecord();
    QCOMPARE(listMarks(), (QStringList{"S", "N", "S", "S"}));
    QCOMPARE(codes.size(), 3);
    verifyInStep();
    QVERIFY(copies.Locate("CDPACIENTE", "P2", {}));
    QCOMPARE(copies.FieldByName(u"NMPACIENTE")->AsString(), QStringLiteral("João"));

    // The companion alone holds the mark; the patient's cancelled edit keeps it too.
    marks.markOrUnmarkAll();
    edit(2);
    QVERIFY(marks.markCurrent());
    list.Post();
    edit(1);
    list.Cancel();
    marks.followCancelledRecord();
    QCOMPARE(codes, QStringList{"P1"});
    verifyInStep();
    QCOMPARE(copies.FieldByName(u"NMPACIENTE")->AsString(), QStringLiteral("Maria (acompanhante)"));
}

void tst_InpatientMarks::clearLeavesNothingMarked() {
    marks.markOrUnmarkAll();
    QVERIFY(marks.count() > 0);
    marks.clear();
    QCOMPARE(marks.count(), 0);
    QVERIFY(copies.IsEmpty());
    QVERIFY(copies.Active());
}

QTEST_GUILESS_MAIN(tst_InpatientMarks)
#include "tst_inpatientmarks.moc"
