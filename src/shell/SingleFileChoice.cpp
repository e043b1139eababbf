// Choosing one wave file to play on its own (File > Open wav file, or the command line).
#include "MainWindow.h"

#include "Toolkit.h"
#include "WaveFileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace ws {

void MainWindow::Openwavfile1Click() {
    EngineState& engine = sound_.state();
    const bool wasSingleFile = engine.SingleFileMode;
    engine.SingleFileMode = false;
    const QString chosen = chooseWaveFile(this, engine.AssetFolder);
    if (chosen.isNull()) {
        // Cancelling leaves single-file mode; the controls of the folder's sound type come
        // back with it, the throttle enabled, so that Start can give it the keys.
        if (wasSingleFile) {
            Throttle1->setEnabled(true);
            arrangeControls();
        }
        return;
    }
    enterSingleFileMode(chosen);
}

void MainWindow::enterSingleFileMode(const QString& path) {
    BtHorn->hide();
    btBell->hide();
    BtStart->show();
    BtStop->show();
    Throttle1->setEnabled(false);
    EngineState& engine = sound_.state();
    engine.SingleFilePath = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    engine.SingleFileMode = true;
}

} // namespace ws
