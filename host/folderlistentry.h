#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// One more folder in a plug-in folder list ("webplugins.xml", see bundles.md) for as long as
// this object lives: add() writes the list with the folder as its last entry, and the
// destructor puts the file back as it was, or removes it when there was none. The module
// reads the list only while it starts, so the host lists a folder for a run only that long.
class FolderListEntry
{
    Q_DECLARE_TR_FUNCTIONS(FolderListEntry)

public:
    FolderListEntry(const QString &listFile, const QString &folder);
    ~FolderListEntry();

    // False, with the reason and the file untouched, when the list cannot take the entry.
    bool add(QString *error);

private:
    Q_DISABLE_COPY(FolderListEntry)

    QString m_listFile;
    QString m_folder;
    QByteArray m_original;
    bool m_existed = false;
    bool m_added = false;
};
