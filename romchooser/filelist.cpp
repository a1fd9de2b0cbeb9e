#include "romchooser/filelist.h"

#include <QFocusEvent>
#include <QStringListModel>

namespace tavik {

FileList::FileList(QWidget *parent)
    : QListView(parent), m_model(new QStringListModel(this))
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
}

void FileList::setPath(const QString &folder)
{
    m_path = folder;
    m_model->setStringList({});
}

void FileList::showFiles(const QString &folder, const QStringList &names)
{
    if (folder != m_path)
        return;
    m_model->setStringList(names);
}

QString FileList::fileName() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}


void FileList::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    // Coming in by the keyboard marks the first file as current; that alone is
    // no choice, so nothing is selected until the user moves or clicks.
    if (!selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}

} // namespace tavik
