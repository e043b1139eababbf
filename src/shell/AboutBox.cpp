// The about dialog; see AboutBox.h.
#include "AboutBox.h"

#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace ws {

namespace {

constexpr int ClientWidth = 298;
constexpr int ClientHeight = 415;

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& bounds) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(bounds);
    return l;
}

} // namespace

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setObjectName("AboutBox");
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(8, 8, 281, 361);

    auto* icon = new QLabel(panel);
    icon->setObjectName("ProgramIcon");
    icon->setGeometry(24, 8, 41, 41);
    icon->setPixmap(QIcon(QStringLiteral(":/whistlestop.svg")).pixmap(41, 41));

    QLabel* product = label(panel, "ProductName", QStringLiteral("Whistlestop for Trainz"),
                            QRect(88, 16, 121, 16));
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    product->setFont(bold);
    // The platform's font may need more room than the layout's; the name is never clipped.
    product->resize(std::max(product->width(), product->sizeHint().width()), product->height());
    QLabel* version =
        label(panel, "Version", QStringLiteral("Version 1.03"), QRect(88, 40, 137, 13));
    version->resize(version->width(), std::max(version->height(), version->sizeHint().height()));

    QLabel* notice =
        label(panel, "Comments",
              QStringLiteral("Whistlestop is free to install and use, at home or at work, and to "
                             "give to others.\n\nIt plays the engine sound sets you build for "
                             "Trainz the way the simulator does, so you can hear them before you "
                             "ship them.\n\nIt comes with no warranty of any kind."),
              QRect(16, 72, 249, 273));
    notice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    notice->setWordWrap(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("OKButton");
    ok->setGeometry(111, 380, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void showCentred(QDialog& dialog, const QWidget& owner) {
    const QRect outer = owner.frameGeometry();
    QSize size = dialog.frameGeometry().size();
    if (size == dialog.size()) {
        // Its frame is known only once it has been shown; until then the owner's stands in
        // for it, drawn by the same window manager.
        size += outer.size() - owner.size();
    }
    // C++ division truncates toward zero, as the placement wants.
    dialog.move(outer.left() + (outer.width() - size.width()) / 2,
                outer.top() + (outer.height() - size.height()) / 2);
    dialog.exec();
}

} // namespace ws
