#include "romchooser/folderlist.h"

#include "platform/platform.h"
#include "romchooser/folderloader.h"
#include "system/folderreading.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace tavik {

namespace {

constexpr int indentStep = 8;
constexpr int depthRole = Qt::UserRole + 1;

// Draws each row pushed in by its depth, so the list reads as a tree.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + indentStep * index.data(depthRole).toInt());
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

} // namespace

// The rows of the folder list: the chain of open folders, then the subfolders.
class FolderRows : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    struct Row {
        QString caption;
        QString folder;
        int depth;
        bool open;
    };

    void setRows(QList<Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    void appendRows(const QList<Row> &rows)
    {
        if (rows.isEmpty())
            return;
        beginInsertRows({}, static_cast<int>(m_rows.size()), static_cast<int>(m_rows.size() + rows.size() - 1));
        m_rows.append(rows);
        endInsertRows();
    }
    const Row &row(int index) const { return m_rows[index]; }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const Row &r = m_rows[index.row()];
        switch (role) {
        case Qt::DisplayRole:
            return r.caption;
        case Qt::ToolTipRole:
            return QDir::toNativeSeparators(r.folder);
        case Qt::DecorationRole:
            return QApplication::style()->standardIcon(r.open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
        case depthRole:
            return r.depth;
        default:
            return {};
        }
    }

private:
    QList<Row> m_rows;
};

FolderList::FolderList(QWidget *parent)
    : QListView(parent), m_rows(new FolderRows(this)),
      m_loader(new FolderLoader(this))
{
    setModel(m_rows);
    setItemDelegate(new IndentDelegate(this));
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideRight);
    connect(this, &QAbstractItemView::activated, this, &FolderList::open);
    connect(m_loader, &FolderLoader::loaded, this, &FolderList::showContents);
    connect(m_loader, &FolderLoader::readFailed, this, &FolderList::readFailed);
}

Outcome FolderList::setPath(const QString &folder, const QString &root)
{
    const QString target = QDir::cleanPath(QDir(m_path).absoluteFilePath(folder));
    // Opened once, for this check and the read both.
    std::unique_ptr<FolderReader> reader = m_platform->openFolder(target);
    if (const Outcome opened = reader->opened(); !opened.ok)
        return opened;

    const QStringList chain = folderChain(target, root);
    m_path = target;
    m_root = chain.first();
    QList<FolderRows::Row> rows;
    for (qsizetype i = 0; i < chain.size(); ++i) {
        const QString caption = i == 0 ? QDir::toNativeSeparators(chain[i]) : QFileInfo(chain[i]).fileName();
        rows.append({caption, chain[i], static_cast<int>(i), true});
    }
    m_rows->setRows(std::move(rows));
    setCurrentIndex(m_rows->index(static_cast<int>(chain.size() - 1)));

    // Told first, so that what follows the change is in place for the names.
    emit changed();
    m_loader->load(m_path, std::move(reader));
    return Outcome::done();
}

void FolderList::stopReading() { m_loader->cancel(); }

void FolderList::showContents(const QString &folder, const QStringList &names, const QStringList &files)
{
    const int depth = static_cast<int>(m_rows->rowCount());
    QList<FolderRows::Row> rows;
    rows.reserve(names.size());
    const QString prefix = m_path.endsWith(QLatin1Char('/')) ? m_path : m_path + QLatin1Char('/');
    for (const QString &name : names)
        rows.append({name, prefix + name, depth, false});
    m_rows->appendRows(rows);
    emit filesRead(folder, files);
}

QString FolderList::folderAt(int row) const
{
    return row >= 0 && row < m_rows->rowCount() ? m_rows->row(row).folder : QString();
}


void FolderList::open(const QModelIndex &index)
{
    const QString folder = folderAt(index.row());
    // Opening the folder already shown reads it again.
    if (folder.isEmpty())
        return;
    if (const Outcome opened = setPath(folder, m_root); !opened.ok)
        emit openFailed(folder, opened.reason);
}

} // namespace tavik
