#include "filedialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSortFilterProxyModel>

namespace {
FileDialogHook &hook()
{
    static FileDialogHook h;
    return h;
}

// Linux programs carry no extension: the browser dialog lists executable files instead.
class ExecutableFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        const QFileInfo info(index.data(Qt::UserRole + 1).toString());
        if (info.filePath().isEmpty())
            return true;
        return info.isDir() || info.isExecutable();
    }
};
} // namespace

void SetFileDialogHook(FileDialogHook h)
{
    hook() = std::move(h);
}

std::optional<QString> RunFileDialog(QWidget *parent, const FileDialogRequest &request)
{
    if (hook())
        return hook()(request);

    QFileDialog dialog(parent, request.title, request.directory, request.filter);
    dialog.setAcceptMode(request.kind == FileDialogRequest::Save ? QFileDialog::AcceptSave
                                                                 : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == FileDialogRequest::Save || !request.mustExist
                           ? QFileDialog::AnyFile
                           : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, request.executablesOnly);
    if (request.executablesOnly)
        dialog.setProxyModel(new ExecutableFilter(&dialog));
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
