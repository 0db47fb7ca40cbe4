#pragma once
// A small inpatient-like dataset and a shown window for the grid and form suites.

#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"

#include <QWidget>
#include <QtTest>
#include <memory>

namespace dieta::test {

inline void addRow(TClientDataSet& ds, const QStringList& values) {
    ds.Append();
    for (int i = 0; i < values.size(); ++i)
        ds.Fields(i)->SetAsString(values[i]);
    ds.Post();
}

// CDPACIENTE, NMPACIENTE, CDDIETPAD, DSDIETPAD, DSSERVINTE; three patients.
inline std::unique_ptr<TClientDataSet> makeInpatients() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->AddField(QStringLiteral("CDPACIENTE"), FieldKind::String, 12);
    ds->AddField(QStringLiteral("NMPACIENTE"), FieldKind::String, 80);
    ds->AddField(QStringLiteral("CDDIETPAD"), FieldKind::String, 4);
    ds->AddField(QStringLiteral("DSDIETPAD"), FieldKind::String, 50);
    ds->AddField(QStringLiteral("DSSERVINTE"), FieldKind::String, 255);
    ds->CreateDataSet();
    addRow(*ds, {"P1", "Ana", "0001", "Branda", ""});
    addRow(*ds, {"P2", "Bruno", "0002", "Líquida", ""});
    addRow(*ds, {"P3", "Carla", "", "", ""});
    ds->First();
    return ds;
}

inline std::unique_ptr<TClientDataSet> makeDiets() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->AddField(QStringLiteral("CDDIETPAD"), FieldKind::String, 4);
    ds->AddField(QStringLiteral("DSDIETPAD"), FieldKind::String, 50);
    ds->CreateDataSet();
    addRow(*ds, {"0001", "Branda"});
    addRow(*ds, {"0002", "Líquida"});
    addRow(*ds, {"0003", "Pastosa"});
    ds->First();
    return ds;
}

inline bool showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace dieta::test
