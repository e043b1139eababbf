// Classifying the asset folder and arranging the window for its sound type.
#include "MainWindow.h"
#include "RadioGroup.h"
#include "Toolkit.h"
#include "sim/AssetNames.h"
#include "sim/SoundAsset.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace ws {

void MainWindow::soundSelect() {
    const SoundClassification found = classifySoundAsset(sound_.state().AssetFolder);
    if (found.soundType >= 0) {
        SoundType->setItemIndex(found.soundType);
        HornType->setItemIndex(found.hornType);
    } else {
        // The horn group keeps its previous selection.
        SoundType->setItemIndex(-1);
        showMessage(this, NoSoundTypeMessage);
    }

    try {
        sound_.BtStopClick();
    } catch (...) {
        // A stop sound that cannot play has still stopped the sound: the controls follow the
        // new set all the same, and the error is shown once, at the handler's boundary.
        arrangeControls();
        throw;
    }
    arrangeControls();
}

void MainWindow::arrangeControls() {
    const int type = SoundType->ItemIndex();
    if (type >= 0 && type <= 3) {
        BtStart->show();
        BtStop->show();
        BtHorn->hide();
        btBell->hide();
        HornType->hide();
        Panel2->setEnabled(true);
        LThrottle->setText(type <= SoundTypeDiesel ? ThrottleCaption : SpeedCaption);
        LThrottle->setEnabled(true);
    } else if (type == 4) {
        BtStart->hide();
        BtStop->hide();
        BtHorn->show();
        HornType->show();
        Panel2->setEnabled(false);
        LThrottle->setEnabled(false);
        btBell->setVisible(bellAvailable(sound_.state().AssetFolder));
    }
}

} // namespace ws
