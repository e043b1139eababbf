// One wave file played on its own, looped on Channel2 until Stop, to audition it. Channel1
// is only silenced: a folder's sound started earlier keeps its place and its file, but no
// longer its timers.
#include "EngineSound.h"

#include "EngineView.h"
#include "audio/SoundChannel.h"

#include <QDir>
#include <QFileInfo>

#include <exception>
#include <stdexcept>

namespace ws {

void EngineSound::PlaySingleFile() {
    const QString& path = state_.SingleFilePath;
    // A file that has gone since it was chosen: Start does nothing at all.
    if (!QFileInfo(path).isFile())
        return;
    // The engine's timers stop here, so no step or hand-over takes the channels back.
    const Run run = beginRun(RunSingleFile);
    SoundChannel& ch2 = channel2();
    try {
        ch2.setFileName(path.toStdString());
    } catch (const std::exception& e) {
        // The reason alone does not say which file the user has to look at.
        throw std::runtime_error(
            QStringLiteral("Cannot play \"%1\": %2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(e.what()))
                .toStdString());
    }
    ch2.setLoop(true);
    ch2.stop();
    state_.Gain1 = 0.0f;
    state_.Gain2 = 1.0f;
    Volume1Change();
    view_.setLabel3(DurationText(ch2.Duration()));
    view_.setLabel2(fileNamePart(path));
    view_.timer(3).setEnabled(true);
    if (!pump(run))
        return;
    state_.Playing = true;
    ch2.play();
}

} // namespace ws
