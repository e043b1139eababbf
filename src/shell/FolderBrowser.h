// The folder browser: a modal dialog with a title of its own (a carriage return in it is a
// line break), the file-system tree from the root down, one folder preselected, and only
// existing file-system folders can be confirmed.
#pragma once

#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QTreeView;

namespace ws {

class FolderBrowserDialog : public QDialog {
    Q_OBJECT
public:
    FolderBrowserDialog(QWidget* owner, const QString& title, const QString& root);

    QString titleText() const;
    // Selects `folder` (when it exists) and shows it.
    void select(const QString& folder);
    // The chosen folder in the program's separators, no trailing separator except at a
    // root; empty when nothing confirmable is selected.
    QString selectedFolder() const;

private:
    void updateOk();

    QLabel* title_;
    QTreeView* tree_;
    QFileSystemModel* model_;
    QDialogButtonBox* buttons_;
};

// Shows the browser. On confirm: true and `folder` holds the chosen folder. On cancel:
// false, and `folder` is unchanged except that a folder that does not exist has been
// emptied before the dialog. An empty `root` shows the whole file system.
bool browseForFolder(QWidget* owner, const QString& title, const QString& root, QString& folder);

} // namespace ws
