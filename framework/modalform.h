#pragma once
// Opens a window for one modal showing, as the toolbar actions do: the window is created into
// its unit's global (so that its own handlers and its tests find it there), built, shown
// through the dialog service and freed; the global is cleared whatever happens.

#include "framework/dialogservice.h"

#include <memory>

class QWidget;

namespace dieta {

template <typename Form> void ShowModalForm(Form*& global, QWidget* owner) {
    auto form = std::make_unique<Form>(owner);
    struct ClearGlobal {
        Form*& global;
        ~ClearGlobal() { global = nullptr; }
    } clear{global};
    global = form.get();
    form->FormCreate();
    dialogs().execDialog(*form);
}

} // namespace dieta
