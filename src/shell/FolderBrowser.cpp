// The folder browser; see FolderBrowser.h.
#include "FolderBrowser.h"

#include "PathText.h"
#include "Toolkit.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace ws {

FolderBrowserDialog::FolderBrowserDialog(QWidget* owner, const QString& title, const QString& root)
    : QDialog(owner) {
    setObjectName("FolderBrowser");
    setWindowTitle(tr("Browse for Folder"));
    setModal(true);
    resize(320, 380);

    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(withLineBreaks(title), this);
    title_->setObjectName("BrowserTitle");
    title_->setWordWrap(true);
    layout->addWidget(title_);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot | QDir::Hidden);
    model_->setRootPath(root.isEmpty() ? QString() : root);
    model_->setReadOnly(true);

    tree_ = new QTreeView(this);
    tree_->setObjectName("BrowserTree");
    tree_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->header()->hide();
    if (!root.isEmpty())
        tree_->setRootIndex(model_->index(root));
    layout->addWidget(tree_, 1);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { updateOk(); });
    updateOk();
}

QString FolderBrowserDialog::titleText() const {
    return title_->text();
}

void FolderBrowserDialog::select(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    const QModelIndex index = model_->index(QDir::fromNativeSeparators(folder));
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        tree_->expand(parent);
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    updateOk();
}

QString FolderBrowserDialog::selectedFolder() const {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid())
        return {};
    const QString path = model_->filePath(index);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return {};
    QString native = QDir::toNativeSeparators(path);
    // Only a root keeps its trailing separator.
    if (native.size() > 1 && isPathSeparator(native.back()) && QDir(path).isRoot() == false)
        native.chop(1);
    return native;
}

void FolderBrowserDialog::updateOk() {
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!selectedFolder().isEmpty());
}

bool browseForFolder(QWidget* owner, const QString& title, const QString& root, QString& folder) {
    if (!QFileInfo(folder).isDir())
        folder.clear();
    FolderBrowserDialog dialog(owner, title, root);
    dialog.select(folder);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString chosen = dialog.selectedFolder();
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

} // namespace ws
