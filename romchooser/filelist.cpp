#include "romchooser/filelist.h"

#include "romchooser/folderloader.h"

#include <QFocusEvent>
#include <QStringListModel>

namespace tavik {

FileList::FileList(QWidget *parent)
    : QListView(parent), m_model(new QStringListModel(this)),
      m_loader(new FolderLoader(FolderLoader::Part::Files, this))
{
    setModel(m_model);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    // Every row is one line of text: the view need not measure 100,000 of them.
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (selectionModel()->hasSelection())
            emit fileClicked();
    });
    connect(m_loader, &FolderLoader::loaded, this, &FileList::showNames);
}

void FileList::setPath(const QString &folder)
{
    m_path = folder;
    m_model->setStringList({});
    m_loader->load(folder);
}

void FileList::showNames(const QStringList &names)
{
    m_model->setStringList(names);
    emit filled();
}

QString FileList::fileName() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

int FileList::count() const { return m_model->rowCount(); }

bool FileList::isFilling() const { return m_loader->isLoading(); }

void FileList::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    // Coming in by the keyboard marks the first file as current; that alone is
    // no choice, so nothing is selected until the user moves or clicks.
    if (!selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}

} // namespace tavik
