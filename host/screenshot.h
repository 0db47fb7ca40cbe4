#pragma once
// Screenshot mode of the host: opens the module, moves the focus out of its selection panel
// (which loads the inpatient list), then saves a picture of the main window and quits.

#include <QString>

namespace dieta::host {
class MainWindow;

void scheduleScreenshot(MainWindow& window, const QString& path);

} // namespace dieta::host
