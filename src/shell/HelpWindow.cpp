// The manual in a window of its own; see HelpWindow.h.
#include "HelpWindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace ws {

void showManualWindow(QWidget* owner) {
    if (auto* shown = owner->findChild<QDialog*>(QStringLiteral("HelpWindow"))) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    auto* help = new QDialog(owner);
    help->setObjectName("HelpWindow");
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setWindowTitle(QStringLiteral("Whistlestop Help"));
    auto* layout = new QVBoxLayout(help);
    auto* text = new QTextBrowser(help);
    text->setObjectName("HelpText");
    text->setOpenExternalLinks(true);
    text->setSource(QUrl(QStringLiteral("qrc:/help/whistlestop.html")));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, help);
    QObject::connect(buttons, &QDialogButtonBox::rejected, help, &QDialog::close);
    layout->addWidget(buttons);
    help->resize(720, 600);
    help->show();
}

} // namespace ws
