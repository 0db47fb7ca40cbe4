#pragma once
// Holds a dataset's AfterScroll handler back for a scope and gives it back at the end, also
// when the scope is left by an exception: for loops and loads that move the cursor over many
// records and want the handler to run once, on the record they end on, afterwards.
//
//   {
//       const ScrollHandlerHeld held(cdsInternacao);
//       for (cdsInternacao->First(); !cdsInternacao->Eof(); cdsInternacao->Next()) ...
//   }
//   runAfterScroll(cdsInternacao);

#include "platform/tclientdataset.h"

#include <utility>

namespace dieta {

class ScrollHandlerHeld {
public:
    explicit ScrollHandlerHeld(TClientDataSet* ds)
        : m_ds(ds), m_handler(std::exchange(ds->AfterScroll, nullptr)) {}
    ~ScrollHandlerHeld() {
        // A handler set meanwhile (the scope rewired the dataset) is the one to keep.
        if (!m_ds->AfterScroll)
            m_ds->AfterScroll = std::move(m_handler);
    }
    ScrollHandlerHeld(const ScrollHandlerHeld&) = delete;
    ScrollHandlerHeld& operator=(const ScrollHandlerHeld&) = delete;

private:
    TClientDataSet* m_ds;
    TClientDataSet::DataSetEvent m_handler;
};

// Runs the dataset's AfterScroll handler, if any, as a scroll to the current record would.
inline void runAfterScroll(TClientDataSet* ds) {
    if (ds->AfterScroll)
        ds->AfterScroll(ds);
}

} // namespace dieta
